#pragma once
// Paths of the running program and small whole-file operations.
// Invariants:
//   1. Paths are returned without a trailing backslash and of any length (no MAX_PATH truncation).
//   2. WriteWholeFile leaves either the complete bytes or a failure; it never appends.

#include <windows.h>

#include <span>
#include <string>

// The full path of the running program file ("C:\x\Kestrin.exe"); its folder is FolderOfPath's
// (common/text.h).
std::wstring ProgramPath();
// The file name without its folder and extension ("Kestrin").
std::wstring BaseNameOf(const std::wstring& path);

bool FileExists(const std::wstring& path);
// Creates or truncates `path` and writes exactly `bytes`; false on any failure.
bool WriteWholeFile(const std::wstring& path, std::span<const std::byte> bytes);
