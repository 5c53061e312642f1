#pragma once
// QQ_login: the start-up password dialog's template, banner and texts: resource identifiers.
