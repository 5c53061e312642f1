#pragma once
// QQ_about: the about window's template and texts: resource identifiers.
