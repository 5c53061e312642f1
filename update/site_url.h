#pragma once
// The site: which addresses an override (KESTRIN_SITE_URL) may name, and the files fetched there. The site's answers
// are checked against the built-in key anyway; the rule keeps a stray setting from sending the programs' requests in
// plain text over the network, or from shaping the paths they fetch. Invariants:
//   1. Accepted: "https://" and a host, or "http://" and a loopback host (127.0.0.0/8 in dotted
//      decimal, "localhost", "[::1]"), then an optional ":port" and an optional path of plain
//      characters (letters, digits, "-._~/%"). Schemes and hosts are matched in lower case only.
//   2. Refused: anything else, in particular user names ("@"), queries, fragments, backslashes,
//      blanks and control characters, and an empty host.
// Portable.

#include <string>
#include <string_view>

bool IsAcceptedSiteOverride(std::string_view url);

// The site's base address: `environmentValue` (KESTRIN_SITE_URL, for tests and self-hosting) when
// it is an accepted override, else the address built in; trailing slashes removed either way.
std::string ChooseSiteUrl(const char* environmentValue, std::string_view builtIn);

// The files the programs fetch from the site's folder, by the names they are served and stored
// under (UTF-8), each with a signature "<name>.sig" beside it.
constexpr char kSiteFolder[] = "/tools/kestrin/";
constexpr char kVersionFileName[] = "Kestrin.txt";
constexpr char kNewProgramName[] = "更新程序.exe";
// Where Kestrin hands the version file it checked (and its signature) to the updater: beside both
// programs, not in the shared temporary folder.
constexpr char kHandedVersionFileName[] = "update.txt";
