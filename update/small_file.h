#pragma once
// Reading a small file whole, refusing one above a size limit (a file from the web is not trusted
// to be small).
// Invariants:
//   1. The answer is the complete file or nothing: a missing, locked or unreadable file, and one
//      larger than `limit` bytes, give nullopt; no partial content is ever returned.
//   2. At most `limit` + 1 bytes are read, whatever the file's size.

#include <cstddef>
#include <optional>
#include <string>

std::optional<std::string> ReadSmallFile(const std::wstring& path, size_t limit);
