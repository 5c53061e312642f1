#pragma once
// Signed files for the update tests, made with the repository's test key (tests/keys/), which the
// programs of scripts/build trust, or with a fresh key they do not.

#include <fstream>
#include <sstream>

#include "tests/win/test_folder.h"
#include "update/signed_file.h"

inline P256PrivateKey RepositoryTestKey() {
    std::ifstream in(std::string(KESTRIN_SOURCE_DIR) + "/tests/keys/update-test.key", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return ParsePrivateKeyFile(text.str()).value_or(P256PrivateKey{});
}

inline P256PrivateKey UntrustedKey() {
    static const P256PrivateKey key = P256Generate().value_or(P256PrivateKey{});
    return key;
}

// The signature file of `bytes` served as `servedName`.
inline std::string SignatureOf(const std::string& bytes, const std::string& servedName,
                               const P256PrivateKey& key = RepositoryTestKey()) {
    auto data = std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return SignBytes(key, servedName, data).value_or(std::string());
}

// Writes `bytes` to `path` and their signature (as `servedName`) to "<path>.sig".
inline bool WriteSignedFile(const std::wstring& path, const std::string& bytes, const std::string& servedName,
                            const P256PrivateKey& key = RepositoryTestKey()) {
    return WriteFileBytes(path, bytes) && WriteFileBytes(path + L".sig", SignatureOf(bytes, servedName, key));
}
