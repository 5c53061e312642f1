#pragma once
// QQ_set: the settings dialog's template and texts: resource identifiers.
