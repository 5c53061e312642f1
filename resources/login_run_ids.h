#pragma once
// The login run's texts: resource identifiers.
