#pragma once
// kestrin-db: a console tool over the product's database code. Commands:
//   hash TEXT...                           print the password hash of each TEXT (UTF-8), one a line
//   template OUT [--sort-order LCID]       write the empty account database (config.dat's template);
//                                          2052 or 1028 label it as Access on a Chinese system does
//   check FILE [--password P]              check a database's consistency: "ok" or one line a problem;
//                                          lines "FILE: note: ..." before them tell what is loose
//                                          but no damage
//   exec FILE STATEMENT [--password P]     run one SQL statement; a query prints a header line of
//                                          column names and one line a row, tab-separated, Null as \N,
//                                          tabs and line breaks inside a value as \t \n \r; types
//                                          the product does not use as text (convert.h);
//                                          a change prints "N rows affected"
//   keygen PRIVATE PUBLIC / sign PRIVATE FILE / verify PUBLIC FILE   signed updates
//                                          (tools/signing_commands.h)
// The password defaults to the product's. Exit codes: 0 done (check: ok); 1 the statement failed or
// the check found problems; 2 a usage error or a file that cannot be opened (check: 1). Errors go to
// stderr.

#include <ostream>
#include <string>
#include <vector>

// `args` are UTF-8, without the program name.
int RunKestrinDb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
