#pragma once
// What the end of an update check tells the user, from ReadVersionFile's answer and the check's
// source (0 automatic, 1 a menu item, 2 the settings dialog).
// Invariants:
//   1. An automatic check is silent unless a new version is found.
//   2. A new version is offered whatever started the check.
// Portable.

#include <cstdint>

#include "update/version_file.h"

enum class UpdateNotice {
    kNone,
    kNetworkError,  // "网络错误"
    kNoUpdate,      // "没有可用更新"
    kOffer,         // "发现新版本，是否立即更新"
};

UpdateNotice NoticeFor(VersionCheck result, int16_t source);
