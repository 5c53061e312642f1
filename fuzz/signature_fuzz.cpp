// libFuzzer target for signature files (served by a site that is not trusted): arbitrary bytes are
// checked as the signature of a fixed file against a fixed key.
//
// What counts as a finding (besides sanitizer reports): any answer but a refusal. Nobody ever signed
// the file checked here (the seeds hold signatures of another), so kGood would be a forgery.

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "update/signed_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The repository's test key (tests/keys/update-test.pub).
    static const std::optional<P256PublicKey> key = PublicKeyFromHex(
        "041a4f8683a138ee809cbe83f2a1b122e2cf48d88042e7bfcc29a6b1ca827fd6ca1e32f52379114e4cfd6f0b4d0a2f1025cd29ff738"
        "64f9f633db6cfe7a96b6f4b");
    if (!key) std::abort();
    std::string signature(reinterpret_cast<const char*>(data), size);
    SignatureCheck check = CheckSignedBytes(signature, "Kestrin.txt", "V1.6 never signed\r\n", {&*key, 1});
    if (check == SignatureCheck::kGood) std::abort();
    (void)ParsePublicKeyFile(signature);
    (void)ParsePrivateKeyFile(signature);
    return 0;
}
