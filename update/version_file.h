#pragma once
// The version file of the update check ("Kestrin.txt"): text in the system's ANSI code page whose
// first line is the newest version text and whose further lines are release notes.
// Invariants:
//   1. A line ends at CR LF or at a lone CR; a lone LF belongs to the line. The last line need not end.
//   2. A file longer than kMaxVersionFileBytes is not a version file: it is never read (the site is
//      not trusted to send something small).
//   3. A line is at most kMaxVersionLineBytes long: a longer note line is cut there, a longer first line
//      makes the file unreadable (no version text is that long).
//   4. Texts come out as UTF-8, converted from the ANSI code page.
// Portable: works on the file's bytes; reading the file is the caller's.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

constexpr size_t kMaxVersionFileBytes = 64 * 1024;
constexpr size_t kMaxVersionLineBytes = 1024;

// What ReadVersionFile answers.
enum VersionCheck : int {
    kVersionUnreadable = 0,  // no file, an unreadable one, or an empty first line
    kVersionSame = 1,        // the first line is exactly the program's version
    kVersionDifferent = 2,   // anything else: an update is offered (no ordering of versions)
};

// The file's lines, converted to UTF-8, at most kMaxVersionLineBytes bytes each (before conversion).
// An empty file has no lines; "V1.5\r\n" has one.
std::vector<std::string> SplitVersionLines(std::string_view bytes);

// ReadVersionFile over the bytes read (nullopt: the file was missing, locked or too long):
// newestVersion takes the first line when the file has one and keeps its last value otherwise; the
// answer compares it with appVersion exactly (letter case and blanks count).
VersionCheck CheckVersionBytes(const std::optional<std::string>& bytes, std::string_view appVersion,
                               std::string& newestVersion);

// The updater's list: "<newestPrefix><line 1>", then `notesHeading`, then the other lines unchanged,
// then an empty line. A file without lines gives only the empty line.
std::vector<std::string> ReleaseNoteListLines(std::string_view bytes, std::string_view newestPrefix,
                                              std::string_view notesHeading);
