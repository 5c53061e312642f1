#include "app/qq_form_logic.h"

#include <cstdio>
#include <limits>

#include "common/text.h"

int StatusImage(std::optional<int64_t> stat) {
    if (stat == 1) return kImageOnline;
    if (stat == 0) return kImageInvisible;
    return kImageNone;
}

bool RowTicked(std::optional<int64_t> activ) {
    return activ == 1;
}

int16_t ExitAfterLoginFrom(std::optional<int64_t> stored) {
    if (!stored || *stored < std::numeric_limits<int16_t>::min() || *stored > std::numeric_limits<int16_t>::max()) {
        return 0;
    }
    return static_cast<int16_t>(*stored);
}

namespace {

std::string_view FileNameOf(std::string_view path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string RunValueName(std::string_view programPath) {
    std::string_view name = FileNameOf(programPath);
    size_t dot = name.rfind('.');
    return std::string(dot == std::string_view::npos ? name : name.substr(0, dot));
}

std::string RunValueData(std::string_view programPath) {
    return "\"" + FolderOfPath(programPath) + "\\" + RunValueName(programPath) + ".exe\"";
}

RunValueAction DecideRunValueAction(bool ticked, bool valueExists) {
    if (ticked && !valueExists) return RunValueAction::Write;
    if (!ticked && valueExists) return RunValueAction::Delete;
    return RunValueAction::None;
}

TrayAction DecideTrayAction(unsigned mouseMessage, bool windowMinimised) {
    constexpr unsigned kLeftDoubleClick = 0x203;  // WM_LBUTTONDBLCLK, 515
    constexpr unsigned kRightButtonUp = 0x205;    // WM_RBUTTONUP, 517
    if (!windowMinimised) return TrayAction::None;
    if (mouseMessage == kLeftDoubleClick) return TrayAction::Restore;
    if (mouseMessage == kRightButtonUp) return TrayAction::ShowMenu;
    return TrayAction::None;
}

std::string TrayTip(std::string_view appTitle, std::string_view appVersion) {
    return std::string(appTitle) + " " + std::string(appVersion);
}
