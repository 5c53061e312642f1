#pragma once
// The main window's decisions, free of Win32 so they are tested natively: how a stored account
// becomes a list row, the time text, the Run value, the tray's mouse handling, the menu states.
// Row and image numbers here are the list's own (from 0): image 0 is the product's "image 1".

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/services.h"

// The row images live with the account commands, which share them (and AllDigits and the time text).
#include "accounts/account_logic.h"

// The row icon for A_stat: online for 1, invisible for 0, none for anything else or Null.
int StatusImage(std::optional<int64_t> stat);
// The row tick for A_activ: 1 ticks, 0 unticks, anything else keeps the default (unticked).
bool RowTicked(std::optional<int64_t> activ);
// ExitAfterLogin from S_AQ: the value as a 16-bit integer; Null (or a value out of range) leaves 0.
int16_t ExitAfterLoginFrom(std::optional<int64_t> stored);

// The Run value's name and data for a program at `programPath` ("D:\QQ Tools\Kestrin.exe"): the
// file name without extension, and folder + "\" + name + ".exe" in quotation marks. Unquoted, Windows
// would take "D:\QQ.exe" for the program at log-on, if one is there. Reading the value back looks
// at its presence only, so a value of the older, unquoted form still ticks the box.
std::string RunValueName(std::string_view programPath);
std::string RunValueData(std::string_view programPath);

// What a click on Check1 does to the Run value, given the box's new state and whether the value
// is there now: a value that is already there is never written, a missing one never deleted.
enum class RunValueAction { None, Write, Delete };
RunValueAction DecideRunValueAction(bool ticked, bool valueExists);

// What a mouse message from the tray icon does. While the window is not minimised nothing does.
enum class TrayAction { None, Restore, ShowMenu };
TrayAction DecideTrayAction(unsigned mouseMessage, bool windowMinimised);

// The tray tip: AppTitle + " " + AppVersion ("Kestrin V1.4").
std::string TrayTip(std::string_view appTitle, std::string_view appVersion);
