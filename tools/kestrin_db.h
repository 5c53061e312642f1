#pragma once
// kestrin-db: a console tool over the product's database code. Commands:
//   hash TEXT...                           print the password hash of each TEXT (UTF-8), one a line
// Exit codes: 0 done, 1 the command failed, 2 usage error or the file cannot be opened.

#include <ostream>
#include <string>
#include <vector>

// `args` are UTF-8, without the program name.
int RunKestrinDb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
