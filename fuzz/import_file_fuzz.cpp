// libFuzzer target for the import's reading of a list file: arbitrary bytes are decoded (byte-order
// marks, UTF-8, UTF-16, the ANSI code page), split into lines and fields, and every password hashed.
//
// What counts as a finding (besides sanitizer reports): a line that holds a line end, a field that
// holds a blank where it must not, a hash that is not 22 characters of base64, or a file that reads
// otherwise in pieces of one byte than in whole pieces.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "accounts/import_file.h"

namespace {

std::vector<std::string> Lines(std::string_view bytes, size_t piece, bool& ansi) {
    ImportBytes source(bytes, piece);
    ImportReader reader(source);
    if (!reader.Open().ok()) std::abort();
    std::vector<std::string> lines;
    std::string line;
    for (;;) {
        auto more = reader.NextLine(line);
        if (!more.ok()) std::abort();
        if (!*more) break;
        lines.push_back(line);
    }
    ansi = reader.Ansi();
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    bool ansi = false;
    bool ansiInBytes = false;
    std::vector<std::string> lines = Lines(bytes, kImportPieceBytes, ansi);
    if (Lines(bytes, 1, ansiInBytes) != lines || ansiInBytes != ansi) std::abort();
    for (const std::string& line : lines) {
        if (line.find_first_of("\r\n") != std::string::npos) std::abort();
        std::optional<ImportLine> fields = ParseImportLine(line);
        if (!fields) continue;
        if (fields->number.find(' ') != std::string::npos || fields->password.find(' ') != std::string::npos) {
            std::abort();
        }
        if (ImportPasswordHash(ansi, fields->password).size() != 22) std::abort();
    }
    return 0;
}
