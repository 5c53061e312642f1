#include "update/version_file.h"

#include <algorithm>

#include "common/text.h"

namespace {

// The end of the line starting at `start` (the CR, or the end of the bytes) and where the next begins.
struct LineSpan {
    size_t end = 0;
    size_t next = 0;
};

LineSpan NextLine(std::string_view bytes, size_t start) {
    size_t cr = bytes.find('\r', start);
    if (cr == std::string_view::npos) return {bytes.size(), bytes.size()};
    size_t next = cr + 1;
    if (next < bytes.size() && bytes[next] == '\n') ++next;
    return {cr, next};
}

}  // namespace

std::vector<std::string> SplitVersionLines(std::string_view bytes) {
    std::vector<std::string> lines;
    if (bytes.size() > kMaxVersionFileBytes) return lines;
    size_t start = 0;
    while (start < bytes.size()) {
        LineSpan line = NextLine(bytes, start);
        size_t length = std::min(line.end - start, kMaxVersionLineBytes);
        lines.push_back(AnsiToUtf8(bytes.substr(start, length)));
        start = line.next;
    }
    return lines;
}

VersionCheck CheckVersionBytes(const std::optional<std::string>& bytes, std::string_view appVersion,
                               std::string& newestVersion) {
    if (!bytes || bytes->size() > kMaxVersionFileBytes) return kVersionUnreadable;
    if (!bytes->empty()) {
        std::string_view all = *bytes;
        LineSpan first = NextLine(all, 0);
        if (first.end > kMaxVersionLineBytes) return kVersionUnreadable;
        newestVersion = AnsiToUtf8(all.substr(0, first.end));
    }
    if (newestVersion.empty()) return kVersionUnreadable;
    return newestVersion == appVersion ? kVersionSame : kVersionDifferent;
}

std::vector<std::string> ReleaseNoteListLines(std::string_view bytes, std::string_view newestPrefix,
                                              std::string_view notesHeading) {
    std::vector<std::string> lines = SplitVersionLines(bytes);
    std::vector<std::string> shown;
    shown.reserve(lines.size() + 2);
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i == 0) {
            shown.push_back(std::string(newestPrefix) + lines[0]);
            shown.emplace_back(notesHeading);
        } else {
            shown.push_back(lines[i]);
        }
    }
    shown.emplace_back();
    return shown;
}
