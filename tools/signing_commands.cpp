#include "tools/signing_commands.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>

#include "update/fetchwell.h"
#include "update/signed_file.h"
#include "update/trusted_key.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

constexpr int kBad = 1;
constexpr int kUnusable = 2;

// Paths arrive as UTF-8 on every platform.
std::filesystem::path PathOf(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// The whole file, at most `limit` bytes; nullopt when it cannot be read or is longer.
std::optional<std::string> ReadFile(const std::string& path, size_t limit) {
    std::ifstream in(PathOf(path), std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes(limit + 1, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (in.bad() || static_cast<size_t>(in.gcount()) > limit) return std::nullopt;
    bytes.resize(static_cast<size_t>(in.gcount()));
    return bytes;
}

bool WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(PathOf(path), std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    return static_cast<bool>(out);
}

// Creates `path`, never over an existing file; on POSIX systems a secret one is its owner's only.
bool WriteNewFile(const std::string& path, const std::string& text, bool secret) {
    std::error_code error;
    if (std::filesystem::exists(PathOf(path), error) || error) return false;
#ifndef _WIN32
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, secret ? 0600 : 0644);
    if (fd < 0) return false;
    close(fd);
#else
    (void)secret;
#endif
    return WriteFile(path, text);
}

std::string BaseName(const std::string& path) {
    size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::span<const uint8_t> BytesOf(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

const char* Why(SignatureCheck check) {
    switch (check) {
        case SignatureCheck::kGood:
            return "good";
        case SignatureCheck::kMissing:
            return "no signature (missing or not a signature file)";
        case SignatureCheck::kUnknownKey:
            return "signed with another key";
        case SignatureCheck::kBadSignature:
            return "the signature does not verify";
        case SignatureCheck::kOtherFile:
            return "the signature is of a file of another name";
        case SignatureCheck::kMismatch:
            return "the file is not the one signed";
    }
    return "?";
}

}  // namespace

int Keygen(const std::vector<std::string>& positional, std::ostream& out, std::ostream& err) {
    auto key = P256Generate();
    if (!key) return err << "kestrin-db: cannot make a key\n", kBad;
    if (!WriteNewFile(positional[0], PrivateKeyFileText(*key), true)) {
        return err << "kestrin-db: cannot create " << positional[0] << " (does it exist?)\n", kUnusable;
    }
    if (!WriteNewFile(positional[1], PublicKeyFileText(key->publicKey), false)) {
        std::error_code error;
        std::filesystem::remove(PathOf(positional[0]), error);
        return err << "kestrin-db: cannot create " << positional[1] << " (does it exist?)\n", kUnusable;
    }
    out << "key " << KeyId(key->publicKey) << "\n";
    return 0;
}

int Sign(const std::vector<std::string>& positional, std::ostream& out, std::ostream& err) {
    auto keyText = ReadFile(positional[0], kMaxSignatureFileBytes);
    auto key = keyText ? ParsePrivateKeyFile(*keyText) : std::nullopt;
    if (!key) return err << "kestrin-db: " << positional[0] << " is not a private key file\n", kUnusable;
    auto bytes = ReadFile(positional[1], kMaxDownloadBytes);
    if (!bytes) return err << "kestrin-db: cannot read " << positional[1] << " (or above 64 MB)\n", kUnusable;
    auto signature = SignBytes(*key, BaseName(positional[1]), BytesOf(*bytes));
    const std::string target = positional[1] + kSignatureSuffix;
    if (!signature || !WriteFile(target, *signature)) return err << "kestrin-db: cannot write " << target << "\n", kBad;
    out << target << "\n";
    return 0;
}

int Verify(const std::vector<std::string>& positional, std::ostream& out, std::ostream& err) {
    std::optional<P256PublicKey> key;
    std::span<const P256PublicKey> keys = TrustedUpdateKeys();
    if (positional[0] != "-") {
        auto keyText = ReadFile(positional[0], kMaxSignatureFileBytes);
        key = keyText ? ParsePublicKeyFile(*keyText) : std::nullopt;
        if (!key) return err << "kestrin-db: " << positional[0] << " is not a public key file\n", kUnusable;
        keys = {&*key, 1};
    }
    auto bytes = ReadFile(positional[1], kMaxDownloadBytes);
    if (!bytes) return out << positional[1] << ": cannot read it (or above 64 MB)\n", kBad;
    auto signature = ReadFile(positional[1] + kSignatureSuffix, kMaxSignatureFileBytes);
    SignatureCheck check = CheckSignedBytes(signature, BaseName(positional[1]), *bytes, keys);
    out << positional[1] << ": " << Why(check) << "\n";
    return check == SignatureCheck::kGood ? 0 : kBad;
}
