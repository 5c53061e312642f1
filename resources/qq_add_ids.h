#pragma once
// QQ_Add: the account editor's template, and the texts of deleting and importing: resource identifiers.
