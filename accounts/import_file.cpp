#include "accounts/import_file.h"

#include "common/text.h"
#include "login/pwd_hash.h"

namespace {

std::string Utf16BytesToUtf8(std::string_view bytes, bool bigEndian) {
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        auto first = static_cast<unsigned char>(bytes[i]);
        auto second = static_cast<unsigned char>(bytes[i + 1]);
        units.push_back(static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first));
    }
    // A dangling odd byte cannot be a character.
    if (bytes.size() % 2 != 0) units.push_back(u'\uFFFD');
    return Utf16ToUtf8(units);
}

bool StartsWith(std::string_view bytes, std::string_view prefix) {
    return bytes.substr(0, prefix.size()) == prefix;
}

}  // namespace

ImportText DecodeImportFile(std::string_view bytes) {
    if (StartsWith(bytes, "\xEF\xBB\xBF")) return {Utf16ToUtf8(Utf8ToUtf16(bytes.substr(3))), false};
    if (StartsWith(bytes, "\xFF\xFE")) return {Utf16BytesToUtf8(bytes.substr(2), false), false};
    if (StartsWith(bytes, "\xFE\xFF")) return {Utf16BytesToUtf8(bytes.substr(2), true), false};
    if (IsValidUtf8(bytes)) return {std::string(bytes), false};
    return {std::string(bytes), true};
}

std::vector<std::string_view> SplitImportLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
    }
    return lines;
}

std::optional<ImportLine> ParseImportLine(std::string_view line) {
    size_t firstBlank = line.find(' ');
    if (firstBlank == std::string_view::npos) return std::nullopt;
    std::string_view rest = line.substr(firstBlank + 1);
    return ImportLine{std::string(line.substr(0, firstBlank)), std::string(rest.substr(0, rest.find(' ')))};
}

std::string ImportPasswordHash(const ImportText& file, const std::string& password) {
    return file.ansi ? PwdHashOfBytes(password) : PwdHash(password);
}
