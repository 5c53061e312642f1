#pragma once
// WriteResFile and KillFile: the program's two small file routines, shared by the start-up, the
// main window and the update check.
// Invariants:
//   1. WriteResFile leaves exactly the resource's bytes at `path`, or reports failure.
//   2. KillFile never reports anything: deleting is best effort.

#include <windows.h>

#include <string>

// Writes custom resource `type`/`id` of the running program to `path`, replacing the file; the
// file then holds exactly the resource's bytes. False when the resource or the file fails (the
// caller decides what that means).
bool WriteResFile(UINT id, const wchar_t* type, const std::wstring& path);
// Deletes the file quietly: a missing file, a file in use or a read-only file is no error.
void KillFile(const std::wstring& path);
