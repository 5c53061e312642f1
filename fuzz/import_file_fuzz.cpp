// libFuzzer target for the import's reading of a list file: arbitrary bytes are decoded (byte-order
// marks, UTF-8, UTF-16, the ANSI code page), split into lines and fields, and every password hashed.
//
// What counts as a finding (besides sanitizer reports): a line that holds a line end, a field that
// holds a blank where it must not, or a hash that is not 22 characters of base64.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "accounts/import_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ImportText file = DecodeImportFile(bytes);
    for (std::string_view line : SplitImportLines(file.text)) {
        if (line.find_first_of("\r\n") != std::string_view::npos) std::abort();
        std::optional<ImportLine> fields = ParseImportLine(line);
        if (!fields) continue;
        if (fields->number.find(' ') != std::string::npos || fields->password.find(' ') != std::string::npos) {
            std::abort();
        }
        if (ImportPasswordHash(file, fields->password).size() != 22) std::abort();
    }
    return 0;
}
