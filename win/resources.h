#pragma once
// The program's own resources: STRINGTABLE texts and custom (binary) resources.
// Invariants:
//   1. Texts are copied out whole (a STRINGTABLE entry is not NUL-terminated in the module).
//   2. Custom resource bytes are borrowed from the loaded module and never freed or written.

#include <windows.h>

#include <optional>
#include <span>
#include <string>

// The text of string `id`; empty when there is none. The module defaults to the running program.
std::wstring LoadResString(UINT id, HINSTANCE module = nullptr);
// The bytes of custom resource `type`/`id` (type names are not case-sensitive), which live as long
// as the module; nullopt when the resource is missing.
std::optional<std::span<const std::byte>> LoadResBytes(const wchar_t* type, UINT id, HINSTANCE module = nullptr);
