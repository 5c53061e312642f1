#pragma once
// String values of the registry. A value is addressed by its root key, the path below it and its
// name, as reg.exe shows them ("HKLM\SOFTWARE\...\Run", name "Kestrin").
// Invariants:
//   1. Every key opened here is closed before the call returns (UniqueHKey).
//   2. Reads never fail loudly: anything but a readable string value is nullopt.

#include <windows.h>

#include <optional>
#include <string>

#include "common/result.h"

// The data of a REG_SZ or REG_EXPAND_SZ value (unexpanded); nullopt when the key or value is
// missing, unreadable or of another type.
std::optional<std::wstring> RegReadString(HKEY root, const std::wstring& path, const std::wstring& name);
// Creates the key when needed and writes a REG_SZ value. Fails (Io, with the system's code) for
// want of rights, e.g. a machine-wide key for a user who is not an administrator.
Status RegWriteString(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& data);
// Deletes the value; a value that is not there is NotFound.
Status RegDeleteValue(HKEY root, const std::wstring& path, const std::wstring& name);
