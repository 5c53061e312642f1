#pragma once
// The updater's numbers as the user reads them: file sizes in b/k/M/G and the download percentage.
// Invariants:
//   1. FormatSize never rounds the k step and rounds the M and G steps half up to one decimal, then
//      removes every ".0" from the text (so 2 MiB reads "2M", 1.5 MiB "1.5M").
//   2. The step to G starts at 512 MiB (536,870,912 bytes), not at 1 GiB: 512 MiB reads "0.5G".
//   3. The decimal separator is '.', as on the Chinese systems the program is made for.
// Portable.

#include <cstdint>
#include <string>

// n below 1024: "<n>b"; below 1 MiB: "<n div 1024>k"; below 512 MiB: "<MiB, one decimal>M"; else
// "<GiB, one decimal>G". A negative count is below 1024.
std::string FormatSize(int32_t n);

// The size log's text after "文件大小为": FormatSize(n) + " (" + n + " bytes)".
std::string SizeLogText(int32_t n);

// A received fraction as a whole percentage, "46%" for 0.456: rounded half up; a fraction below 0
// or not a number shows "0%", one above 1 is shown as it is.
std::string ProgressCaption(float fraction);
