#pragma once
// The platform's cryptography that signed updates need: SHA-256 and ECDSA on the NIST P-256 curve.
// One small interface, two implementations: CNG (bcrypt) in the Windows programs, OpenSSL's
// libcrypto in the Linux builds of the tools and tests. Nothing above this header knows which.
// Invariants:
//   1. Keys and signatures are raw bytes: a public key is the uncompressed point 04 || X || Y, a
//      private key its 32-byte scalar, a signature r || s (32 bytes each, big-endian), the form CNG
//      takes and gives.
//   2. Verification answers false for anything it cannot use (a point off the curve, a zero r or s),
//      never crashes; it never throws.
// Portable.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

using Sha256Digest = std::array<uint8_t, 32>;
using P256Signature = std::array<uint8_t, 64>;

struct P256PublicKey {
    std::array<uint8_t, 65> point{};  // 0x04, X, Y
};

struct P256PrivateKey {
    std::array<uint8_t, 32> scalar{};
    P256PublicKey publicKey;
};

// SHA-256 over data given in pieces (a 64 MB program is hashed as it is read, never held whole).
class Sha256Stream {
  public:
    Sha256Stream();
    ~Sha256Stream();
    Sha256Stream(const Sha256Stream&) = delete;
    Sha256Stream& operator=(const Sha256Stream&) = delete;

    void Update(std::span<const uint8_t> bytes);
    // The digest of everything given so far; the stream is then spent. Empty if the platform failed.
    std::optional<Sha256Digest> Finish();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

std::optional<Sha256Digest> Sha256Of(std::span<const uint8_t> bytes);

bool P256Verify(const P256PublicKey& key, const Sha256Digest& digest, const P256Signature& signature);

// A new key pair from the platform's random generator.
std::optional<P256PrivateKey> P256Generate();

std::optional<P256Signature> P256Sign(const P256PrivateKey& key, const Sha256Digest& digest);
