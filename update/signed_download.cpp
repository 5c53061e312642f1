#include "update/signed_download.h"

#include <windows.h>

#include <vector>

#include "update/fetchwell.h"
#include "update/site_url.h"
#include "update/small_file.h"
#include "update/trusted_key.h"

namespace {

constexpr DWORD kReadBytes = 1 << 20;

// The size and digest of everything the handle reads; nullopt on a read error or above the limit.
std::optional<std::pair<uint64_t, Sha256Digest>> HashOpenFile(HANDLE file) {
    Sha256Stream hash;
    std::vector<uint8_t> buffer(kReadBytes);
    uint64_t total = 0;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, buffer.data(), kReadBytes, &got, nullptr)) return std::nullopt;
        if (got == 0) break;
        total += got;
        if (total > static_cast<uint64_t>(kMaxDownloadBytes)) return std::nullopt;
        hash.Update({buffer.data(), got});
    }
    auto digest = hash.Finish();
    if (!digest) return std::nullopt;
    return std::make_pair(total, *digest);
}

}  // namespace

std::optional<std::string> ReadSignatureFor(const std::wstring& path) {
    return ReadSmallFile(path + L".sig", kMaxSignatureFileBytes);
}

SignatureCheck CheckVersionFileBytes(std::string_view bytes, const std::wstring& path) {
    return CheckSignedBytes(ReadSignatureFor(path), kVersionFileName, bytes, TrustedUpdateKeys());
}

SignatureCheck CheckAndHoldFile(const std::wstring& path, std::string_view servedName, UniqueFile& held) {
    std::optional<std::string> signature = ReadSignatureFor(path);
    // Sharing reading only: nobody may write, rename or delete the file while it is held, and the
    // program's start still opens it (image loading asks for read and execute, which reading
    // shares).
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!signature) return SignatureCheck::kMissing;
    if (!file) return SignatureCheck::kMismatch;
    auto hashed = HashOpenFile(file.Get());
    if (!hashed) return SignatureCheck::kMismatch;
    SignatureCheck check = CheckSignature(signature, servedName, hashed->first, hashed->second, TrustedUpdateKeys());
    if (check == SignatureCheck::kGood) held = std::move(file);
    return check;
}
