// P-256 and SHA-256 over OpenSSL's libcrypto (the Linux builds), through the EVP interface of
// OpenSSL 3 only: the low-level EC_KEY calls are deprecated there.
#include "update/p256.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>

#include <vector>

namespace {

template <typename T, void (*Free)(T*)>
struct Deleter {
    void operator()(T* p) const { Free(p); }
};
using Pkey = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY, EVP_PKEY_free>>;
using PkeyCtx = std::unique_ptr<EVP_PKEY_CTX, Deleter<EVP_PKEY_CTX, EVP_PKEY_CTX_free>>;
using Bignum = std::unique_ptr<BIGNUM, Deleter<BIGNUM, BN_free>>;
using EcdsaSig = std::unique_ptr<ECDSA_SIG, Deleter<ECDSA_SIG, ECDSA_SIG_free>>;
using ParamBld = std::unique_ptr<OSSL_PARAM_BLD, Deleter<OSSL_PARAM_BLD, OSSL_PARAM_BLD_free>>;
using Params = std::unique_ptr<OSSL_PARAM, Deleter<OSSL_PARAM, OSSL_PARAM_free>>;

constexpr char kCurve[] = "prime256v1";

// A key from its parts: the public point always, the scalar for a private key.
Pkey KeyFrom(const P256PublicKey& publicKey, const BIGNUM* scalar) {
    ParamBld build(OSSL_PARAM_BLD_new());
    if (!build) return nullptr;
    if (!OSSL_PARAM_BLD_push_utf8_string(build.get(), OSSL_PKEY_PARAM_GROUP_NAME, kCurve, 0) ||
        !OSSL_PARAM_BLD_push_octet_string(build.get(), OSSL_PKEY_PARAM_PUB_KEY, publicKey.point.data(),
                                          publicKey.point.size()) ||
        (scalar && !OSSL_PARAM_BLD_push_BN(build.get(), OSSL_PKEY_PARAM_PRIV_KEY, scalar))) {
        return nullptr;
    }
    Params params(OSSL_PARAM_BLD_to_param(build.get()));
    PkeyCtx ctx(EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr));
    EVP_PKEY* key = nullptr;
    if (!params || !ctx || EVP_PKEY_fromdata_init(ctx.get()) <= 0 ||
        EVP_PKEY_fromdata(ctx.get(), &key, scalar ? EVP_PKEY_KEYPAIR : EVP_PKEY_PUBLIC_KEY, params.get()) <= 0) {
        return nullptr;
    }
    return Pkey(key);
}

// The r || s form from DER, and back.
std::optional<P256Signature> RawFromDer(const std::vector<unsigned char>& der) {
    const unsigned char* at = der.data();
    EcdsaSig sig(d2i_ECDSA_SIG(nullptr, &at, static_cast<long>(der.size())));
    if (!sig) return std::nullopt;
    P256Signature raw{};
    if (BN_bn2binpad(ECDSA_SIG_get0_r(sig.get()), raw.data(), 32) != 32 ||
        BN_bn2binpad(ECDSA_SIG_get0_s(sig.get()), raw.data() + 32, 32) != 32) {
        return std::nullopt;
    }
    return raw;
}

std::vector<unsigned char> DerFromRaw(const P256Signature& raw) {
    EcdsaSig sig(ECDSA_SIG_new());
    BIGNUM* r = BN_bin2bn(raw.data(), 32, nullptr);
    BIGNUM* s = BN_bin2bn(raw.data() + 32, 32, nullptr);
    if (!sig || !r || !s || !ECDSA_SIG_set0(sig.get(), r, s)) {
        BN_free(r);
        BN_free(s);
        return {};
    }
    int length = i2d_ECDSA_SIG(sig.get(), nullptr);
    if (length <= 0) return {};
    std::vector<unsigned char> der(static_cast<size_t>(length));
    unsigned char* at = der.data();
    i2d_ECDSA_SIG(sig.get(), &at);
    return der;
}

}  // namespace

struct Sha256Stream::State {
    std::unique_ptr<EVP_MD_CTX, Deleter<EVP_MD_CTX, EVP_MD_CTX_free>> ctx{EVP_MD_CTX_new()};
    bool good = false;
};

Sha256Stream::Sha256Stream() : state_(std::make_unique<State>()) {
    state_->good = state_->ctx && EVP_DigestInit_ex(state_->ctx.get(), EVP_sha256(), nullptr) == 1;
}

Sha256Stream::~Sha256Stream() = default;

void Sha256Stream::Update(std::span<const uint8_t> bytes) {
    if (state_->good && !bytes.empty())
        state_->good = EVP_DigestUpdate(state_->ctx.get(), bytes.data(), bytes.size()) == 1;
}

std::optional<Sha256Digest> Sha256Stream::Finish() {
    Sha256Digest digest{};
    unsigned int length = 0;
    bool done = state_->good && EVP_DigestFinal_ex(state_->ctx.get(), digest.data(), &length) == 1 && length == 32;
    state_->good = false;
    if (!done) return std::nullopt;
    return digest;
}

bool P256Verify(const P256PublicKey& key, const Sha256Digest& digest, const P256Signature& signature) {
    Pkey pkey = KeyFrom(key, nullptr);
    std::vector<unsigned char> der = DerFromRaw(signature);
    if (!pkey || der.empty()) return false;
    PkeyCtx ctx(EVP_PKEY_CTX_new(pkey.get(), nullptr));
    return ctx && EVP_PKEY_verify_init(ctx.get()) == 1 &&
           EVP_PKEY_verify(ctx.get(), der.data(), der.size(), digest.data(), digest.size()) == 1;
}

std::optional<P256PrivateKey> P256Generate() {
    Pkey pkey(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", kCurve));
    if (!pkey) return std::nullopt;
    P256PrivateKey key;
    BIGNUM* scalar = nullptr;
    size_t pointLength = 0;
    bool got = EVP_PKEY_get_bn_param(pkey.get(), OSSL_PKEY_PARAM_PRIV_KEY, &scalar) == 1 &&
               EVP_PKEY_get_octet_string_param(pkey.get(), OSSL_PKEY_PARAM_PUB_KEY, key.publicKey.point.data(),
                                               key.publicKey.point.size(), &pointLength) == 1 &&
               pointLength == key.publicKey.point.size() && key.publicKey.point[0] == 0x04;
    Bignum owned(scalar);
    if (!got || BN_bn2binpad(scalar, key.scalar.data(), 32) != 32) return std::nullopt;
    return key;
}

std::optional<P256Signature> P256Sign(const P256PrivateKey& key, const Sha256Digest& digest) {
    Bignum scalar(BN_bin2bn(key.scalar.data(), 32, nullptr));
    Pkey pkey = scalar ? KeyFrom(key.publicKey, scalar.get()) : nullptr;
    if (!pkey) return std::nullopt;
    PkeyCtx ctx(EVP_PKEY_CTX_new(pkey.get(), nullptr));
    size_t length = 0;
    if (!ctx || EVP_PKEY_sign_init(ctx.get()) != 1 ||
        EVP_PKEY_sign(ctx.get(), nullptr, &length, digest.data(), digest.size()) != 1) {
        return std::nullopt;
    }
    std::vector<unsigned char> der(length);
    if (EVP_PKEY_sign(ctx.get(), der.data(), &length, digest.data(), digest.size()) != 1) return std::nullopt;
    der.resize(length);
    return RawFromDer(der);
}
