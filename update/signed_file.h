#pragma once
// Detached signatures of the files the site serves, and the key files they are made with.
//
// A signature file ("<name>.sig" beside the file) is UTF-8 text, each line ended by LF:
//     Kestrin signature 1
//     key 3f1c2a9b0d4e5f67          the signing key's id (KeyId)
//     file 更新程序.exe              the name the file is served under
//     size 1234567                   its length in bytes, decimal
//     sha256 <64 hex digits>         its SHA-256
//     ecdsa-p256 <128 hex digits>    r || s: ECDSA P-256 over the SHA-256 of the five lines above
// The five lines before the last are the signed statement, exactly as the file holds them; the
// signature binds the file's name, length and digest to the key, so a signature of one file never
// passes for another, and the key line lets a program trust several keys while one is replaced.
//
// A public key file:               A private key file (never served, never in a release):
//     Kestrin public key 1             Kestrin private key 1
//     key <id>                         key <id>
//     ecdsa-p256 04<128 hex digits>    ecdsa-p256 <64 hex digits: the scalar>
//                                      public 04<128 hex digits>
// Hex digits are lower case. A key's id is the first 16 hex digits of the SHA-256 of its point.
// Invariants:
//   1. Parsing is strict and bounded: anything but the exact shape above (at most
//      kMaxSignatureFileBytes) is refused, never guessed at.
//   2. CheckSignature answers kGood only when the statement names a trusted key, that key's
//      signature over the statement verifies, and the statement's name, size and digest are the
//      file's; every other answer is a refusal.
// Portable.

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "update/p256.h"

constexpr size_t kMaxSignatureFileBytes = 4096;
constexpr char kSignatureSuffix[] = ".sig";

// What a signature check found, in the order it is checked.
enum class SignatureCheck {
    kGood,
    kMissing,       // no signature file, or not one of ours (unreadable, malformed)
    kUnknownKey,    // made with a key this program does not trust
    kBadSignature,  // the statement was not signed by the key it names
    kOtherFile,     // a good signature, of a file of another name
    kMismatch,      // a good signature of this name, but the file differs (length or digest)
};

struct SignedStatement {
    std::string keyId;
    std::string fileName;
    uint64_t size = 0;
    Sha256Digest digest{};
};

std::string KeyId(const P256PublicKey& key);

// The signature file for a statement, signed with `key` (whose id the statement must name).
std::optional<std::string> SignStatement(const P256PrivateKey& key, const SignedStatement& statement);

// The signature file for bytes served as `fileName`.
std::optional<std::string> SignBytes(const P256PrivateKey& key, std::string_view fileName,
                                     std::span<const uint8_t> bytes);

// Checks a signature file's text (nullopt: there is none) against a file served as `fileName`, of
// `size` bytes with `digest`, for the trusted keys.
SignatureCheck CheckSignature(const std::optional<std::string>& signatureFile, std::string_view fileName, uint64_t size,
                              const Sha256Digest& digest, std::span<const P256PublicKey> trusted);

// CheckSignature over bytes held in memory.
SignatureCheck CheckSignedBytes(const std::optional<std::string>& signatureFile, std::string_view fileName,
                                std::string_view bytes, std::span<const P256PublicKey> trusted);

std::string PublicKeyFileText(const P256PublicKey& key);
std::string PrivateKeyFileText(const P256PrivateKey& key);
std::optional<P256PublicKey> ParsePublicKeyFile(std::string_view text);
// Refuses a file whose scalar and public point do not belong together only as far as the id: the
// signing itself proves the pair (a signature that does not verify is never written).
std::optional<P256PrivateKey> ParsePrivateKeyFile(std::string_view text);

// A point from its 130 hex digits ("04" + X + Y), as key files and the built-in key hold it.
std::optional<P256PublicKey> PublicKeyFromHex(std::string_view hex);
