#pragma once
// The account list file of the import: its decoding, its lines and the fields of a line.
// Format: one account per line, "number password", the number ASCII digits; a line ends at CR, LF or
// CR LF; fields are split at every single blank, so two blanks give an empty field and fields after
// the second are ignored.
// Encodings: a byte-order mark says UTF-8, UTF-16LE or UTF-16BE; without one, text that is valid
// UTF-8 is read as UTF-8, anything else as the system's ANSI code page.
// Invariants:
//   1. Decoding never fails: undecodable bytes become U+FFFD (UTF-8/16) or stay bytes (ANSI).
//   2. The password's hash input is its ANSI code-page bytes whatever the file's encoding: an ANSI
//      file's password bytes are hashed as they stand, never round-tripped through Unicode.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct ImportText {
    std::string text;   // UTF-8, or the file's own bytes when `ansi`
    bool ansi = false;  // the file is in the ANSI code page
};

ImportText DecodeImportFile(std::string_view bytes);

// The lines of the text, without their ends; a last line without an end counts, an empty text has
// no line.
std::vector<std::string_view> SplitImportLines(std::string_view text);

struct ImportLine {
    std::string number;    // the first field, not yet checked
    std::string password;  // the second field
};
// nullopt for a line with fewer than two fields (no blank at all).
std::optional<ImportLine> ParseImportLine(std::string_view line);

// PwdHash of the password as the file held it.
std::string ImportPasswordHash(const ImportText& file, const std::string& password);
