#pragma once
// Checking what was downloaded against its signature, in both programs.
// Invariants:
//   1. A file is checked as it is read from one open handle; a program that passes is kept open by
//      that handle, denying writing and deletion to everyone, so the file started is the file
//      checked (the handle is closed only after CreateProcess).
//   2. Signature files are read bounded (kMaxSignatureFileBytes); programs are read bounded
//      (kMaxDownloadBytes): a longer one does not match.

#include <optional>
#include <string>
#include <string_view>

#include "update/signed_file.h"
#include "win/unique_handle.h"

// "<path>.sig", read whole; nullopt when missing, unreadable or too long.
std::optional<std::string> ReadSignatureFor(const std::wstring& path);

// Checks the version file's bytes, as read into memory, against the signature beside it with the
// built-in keys.
SignatureCheck CheckVersionFileBytes(std::string_view bytes, const std::wstring& path);

// Opens the file at `path` for reading only, sharing nothing but reading, and checks it against
// "<path>.sig" as served under `servedName`, with the built-in keys. On kGood `held` keeps it open.
SignatureCheck CheckAndHoldFile(const std::wstring& path, std::string_view servedName, UniqueFile& held);
