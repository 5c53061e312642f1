#pragma once
// kestrin-db's commands for signed updates (update/signed_file.h has the file formats):
//   keygen PRIVATE PUBLIC   make a key pair; refuses to overwrite either file; the private key file
//                           is readable by its owner only
//   sign PRIVATE FILE       write FILE.sig, signing FILE under its own name (the part after the last
//                           slash or backslash)
//   verify PUBLIC FILE      check FILE.sig against FILE and the key: prints "good" and exits 0, or
//                           prints why not and exits 1 (a missing signature is a bad one); PUBLIC
//                           "-" is the key built into this build, the one its programs trust
// Exit codes otherwise as kestrin-db's: 2 a key file that cannot be used. Each takes exactly two
// positional arguments (the caller checks).

#include <ostream>
#include <string>
#include <vector>

int Keygen(const std::vector<std::string>& positional, std::ostream& out, std::ostream& err);
int Sign(const std::vector<std::string>& positional, std::ostream& out, std::ostream& err);
int Verify(const std::vector<std::string>& positional, std::ostream& out, std::ostream& err);
