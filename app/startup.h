#pragma once
// Kestrin's start-up routine: refuses a second copy, fills the global settings record, writes
// config.dat from the template when it is missing, loads the main window and shows it.
// Invariants:
//   1. A second copy shows its message and ends before anything is loaded or written.
//   2. An existing config.dat is never written at start, even a damaged one.
//   3. The main window is shown only after its load handler has run to its end.

#include <windows.h>

#include <string>

#include "common/services.h"

// Registers the extended common-control classes; true when that worked. The result is not used.
bool InitVisualStyles();
// Writes the template database (resource "DATE" 124) to `dbPath` when no file is there. An existing
// file is never touched, even a damaged one; a failure is not reported here (opening reports it).
void EnsureDbFile(const std::wstring& dbPath);
// The start-up routine and then the message loop; returns the exit code.
int RunKestrin(HINSTANCE instance, Services& services, int showCommand);
