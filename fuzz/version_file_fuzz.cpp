// libFuzzer target for the update check's version file: arbitrary bytes (the site is not trusted)
// are split into lines, checked against the program's version and turned into the updater's list.
//
// What counts as a finding (besides sanitizer reports): a line longer than the bound, a file over the
// size limit that was read at all, or an answer outside 0, 1 and 2.

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "update/version_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    for (const std::string& line : SplitVersionLines(bytes)) {
        // Converted from the ANSI code page a byte can become up to three bytes of UTF-8.
        if (line.size() > 3 * kMaxVersionLineBytes) std::abort();
    }
    std::string newest = "before";
    VersionCheck answer = CheckVersionBytes(bytes, "V1.4", newest);
    if (answer != kVersionUnreadable && answer != kVersionSame && answer != kVersionDifferent) std::abort();
    if (answer == kVersionSame && newest != "V1.4") std::abort();
    (void)ReleaseNoteListLines(bytes, "Kestrin最新版本： ", "更新信息：");
    return 0;
}
