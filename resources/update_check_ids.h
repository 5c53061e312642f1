#pragma once
// The update check's texts: resource identifiers.
