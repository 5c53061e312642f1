// P-256 and SHA-256 over CNG (bcrypt.dll), built into every Windows since Vista and into Wine: the
// programs need no library of their own for it.
#include "update/p256.h"

#include <windows.h>

#include <bcrypt.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

bool Ok(NTSTATUS status) {
    return status >= 0;
}

struct AlgorithmHandle {
    BCRYPT_ALG_HANDLE handle = nullptr;  // owned
    explicit AlgorithmHandle(LPCWSTR id) {
        if (!Ok(BCryptOpenAlgorithmProvider(&handle, id, nullptr, 0))) handle = nullptr;
    }
    ~AlgorithmHandle() {
        if (handle) BCryptCloseAlgorithmProvider(handle, 0);
    }
    AlgorithmHandle(const AlgorithmHandle&) = delete;
    AlgorithmHandle& operator=(const AlgorithmHandle&) = delete;
};

struct KeyHandle {
    BCRYPT_KEY_HANDLE handle = nullptr;  // owned
    KeyHandle() = default;
    ~KeyHandle() {
        if (handle) BCryptDestroyKey(handle);
    }
    KeyHandle(const KeyHandle&) = delete;
    KeyHandle& operator=(const KeyHandle&) = delete;
};

// An ECC key blob: the header, then X and Y, then (private blobs) d.
std::vector<uint8_t> KeyBlob(ULONG magic, const P256PublicKey& publicKey, const uint8_t* scalar) {
    std::vector<uint8_t> blob(sizeof(BCRYPT_ECCKEY_BLOB) + 64 + (scalar ? 32 : 0));
    BCRYPT_ECCKEY_BLOB header{magic, 32};
    std::memcpy(blob.data(), &header, sizeof(header));
    std::memcpy(blob.data() + sizeof(header), publicKey.point.data() + 1, 64);
    if (scalar) std::memcpy(blob.data() + sizeof(header) + 64, scalar, 32);
    return blob;
}

bool ImportKey(BCRYPT_ALG_HANDLE algorithm, LPCWSTR blobType, std::vector<uint8_t>& blob, KeyHandle& key) {
    if (!algorithm) return false;
    return Ok(BCryptImportKeyPair(algorithm, nullptr, blobType, &key.handle, blob.data(),
                                  static_cast<ULONG>(blob.size()), 0));
}

}  // namespace

struct Sha256Stream::State {
    AlgorithmHandle algorithm{BCRYPT_SHA256_ALGORITHM};
    BCRYPT_HASH_HANDLE hash = nullptr;  // owned
    bool good = false;
    ~State() {
        if (hash) BCryptDestroyHash(hash);
    }
};

Sha256Stream::Sha256Stream() : state_(std::make_unique<State>()) {
    state_->good = state_->algorithm.handle &&
                   Ok(BCryptCreateHash(state_->algorithm.handle, &state_->hash, nullptr, 0, nullptr, 0, 0));
}

Sha256Stream::~Sha256Stream() = default;

void Sha256Stream::Update(std::span<const uint8_t> bytes) {
    // BCryptHashData takes a ULONG length: a large piece goes in parts.
    while (state_->good && !bytes.empty()) {
        ULONG part = static_cast<ULONG>(std::min<size_t>(bytes.size(), 1u << 30));
        state_->good = Ok(BCryptHashData(state_->hash, const_cast<PUCHAR>(bytes.data()), part, 0));
        bytes = bytes.subspan(part);
    }
}

std::optional<Sha256Digest> Sha256Stream::Finish() {
    Sha256Digest digest{};
    bool done = state_->good && Ok(BCryptFinishHash(state_->hash, digest.data(), static_cast<ULONG>(digest.size()), 0));
    state_->good = false;
    if (!done) return std::nullopt;
    return digest;
}

bool P256Verify(const P256PublicKey& key, const Sha256Digest& digest, const P256Signature& signature) {
    if (key.point[0] != 0x04) return false;
    AlgorithmHandle algorithm(BCRYPT_ECDSA_P256_ALGORITHM);
    std::vector<uint8_t> blob = KeyBlob(BCRYPT_ECDSA_PUBLIC_P256_MAGIC, key, nullptr);
    KeyHandle imported;
    if (!ImportKey(algorithm.handle, BCRYPT_ECCPUBLIC_BLOB, blob, imported)) return false;
    return Ok(BCryptVerifySignature(imported.handle, nullptr, const_cast<PUCHAR>(digest.data()),
                                    static_cast<ULONG>(digest.size()), const_cast<PUCHAR>(signature.data()),
                                    static_cast<ULONG>(signature.size()), 0));
}

std::optional<P256PrivateKey> P256Generate() {
    AlgorithmHandle algorithm(BCRYPT_ECDSA_P256_ALGORITHM);
    KeyHandle key;
    if (!algorithm.handle || !Ok(BCryptGenerateKeyPair(algorithm.handle, &key.handle, 256, 0)) ||
        !Ok(BCryptFinalizeKeyPair(key.handle, 0))) {
        return std::nullopt;
    }
    std::vector<uint8_t> blob(sizeof(BCRYPT_ECCKEY_BLOB) + 96);
    ULONG written = 0;
    if (!Ok(BCryptExportKey(key.handle, nullptr, BCRYPT_ECCPRIVATE_BLOB, blob.data(), static_cast<ULONG>(blob.size()),
                            &written, 0)) ||
        written != blob.size()) {
        return std::nullopt;
    }
    P256PrivateKey exported;
    exported.publicKey.point[0] = 0x04;
    std::memcpy(exported.publicKey.point.data() + 1, blob.data() + sizeof(BCRYPT_ECCKEY_BLOB), 64);
    std::memcpy(exported.scalar.data(), blob.data() + sizeof(BCRYPT_ECCKEY_BLOB) + 64, 32);
    return exported;
}

std::optional<P256Signature> P256Sign(const P256PrivateKey& key, const Sha256Digest& digest) {
    AlgorithmHandle algorithm(BCRYPT_ECDSA_P256_ALGORITHM);
    std::vector<uint8_t> blob = KeyBlob(BCRYPT_ECDSA_PRIVATE_P256_MAGIC, key.publicKey, key.scalar.data());
    KeyHandle imported;
    if (!ImportKey(algorithm.handle, BCRYPT_ECCPRIVATE_BLOB, blob, imported)) return std::nullopt;
    P256Signature signature{};
    ULONG written = 0;
    if (!Ok(BCryptSignHash(imported.handle, nullptr, const_cast<PUCHAR>(digest.data()),
                           static_cast<ULONG>(digest.size()), signature.data(), static_cast<ULONG>(signature.size()),
                           &written, 0)) ||
        written != signature.size()) {
        return std::nullopt;
    }
    return signature;
}
