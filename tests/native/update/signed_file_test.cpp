// Signatures and key files: every way a signature can be wrong gives its answer, strict parsing,
// and the two cryptography implementations agree (this program runs natively over libcrypto and
// under Wine over CNG).
#include "update/signed_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "update/trusted_key.h"

namespace {

std::span<const uint8_t> BytesOf(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

std::string RepositoryFile(const char* relative) {
    std::ifstream in(std::string(KESTRIN_SOURCE_DIR) + "/" + relative, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

P256PrivateKey NewKey() {
    auto key = P256Generate();
    EXPECT_TRUE(key);
    return key.value_or(P256PrivateKey{});
}

std::string Replace(std::string text, std::string_view from, std::string_view to) {
    size_t at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

// A signature file made by `kestrin-db sign` (libcrypto) with the test key, over "V1.5\r\nnotes\r\n".
constexpr char kToolSignature[] =
    "Kestrin signature 1\n"
    "key 80dcab229c399cbe\n"
    "file Kestrin.txt\n"
    "size 13\n"
    "sha256 6ce23cf65ffd25ed56cc837bbbb23f42fe70413b5cbec9dd00113faef6304c17\n"
    "ecdsa-p256 d9189d838284e9c2735b34e206a2df023f57ba75f9e27dc50cdee41c99c824e0"
    "e0c205021dd7fb3c439e087743b8e706a27e56d6803b8b76cf9d49ed44ec919a\n";

}  // namespace

TEST(Sha256, StreamedInPiecesIsTheKnownDigest) {
    Sha256Stream stream;
    stream.Update(BytesOf("a"));
    stream.Update(BytesOf(""));
    stream.Update(BytesOf("bc"));
    auto digest = stream.Finish();
    ASSERT_TRUE(digest);
    // FIPS 180-2's example "abc".
    const uint8_t expected[] = {0xba, 0x78, 0x16, 0xbf, 0x8f, 0x01, 0xcf, 0xea};
    EXPECT_TRUE(std::equal(std::begin(expected), std::end(expected), digest->begin()));
}

TEST(SignedFile, EachWrongSignatureGivesItsAnswer) {
    const P256PrivateKey key = NewKey();
    const P256PrivateKey other = NewKey();
    const P256PublicKey trusted[] = {other.publicKey, key.publicKey};  // the second of two keys
    const std::string file = "V1.5\r\nnotes\r\n";
    const std::string good = *SignBytes(key, "Kestrin.txt", BytesOf(file));
    const std::string byOther = *SignBytes(other, "Kestrin.txt", BytesOf(file));
    const std::string keyLine = "key " + KeyId(key.publicKey);
    const std::string otherKeyLine = "key " + KeyId(other.publicKey);
    struct Case {
        const char* name;
        std::optional<std::string> signature;
        std::string fileName;
        std::string file;
        std::span<const P256PublicKey> keys;
        SignatureCheck expected;
    };
    const Case cases[] = {
        {"good", good, "Kestrin.txt", file, trusted, SignatureCheck::kGood},
        {"missing", std::nullopt, "Kestrin.txt", file, trusted, SignatureCheck::kMissing},
        {"the file changed", good, "Kestrin.txt", "V1.6\r\nnotes\r\n", trusted, SignatureCheck::kMismatch},
        {"the file cut short", good, "Kestrin.txt", file.substr(0, 12), trusted, SignatureCheck::kMismatch},
        {"a signature of another file name", good, "更新程序.exe", file, trusted, SignatureCheck::kOtherFile},
        {"by a key not trusted", good, "Kestrin.txt", file, {&other.publicKey, 1}, SignatureCheck::kUnknownKey},
        {"no keys at all", good, "Kestrin.txt", file, {}, SignatureCheck::kUnknownKey},
        {"another key's signature naming ours",
         Replace(byOther, otherKeyLine, keyLine),
         "Kestrin.txt",
         file,
         {&key.publicKey, 1},
         SignatureCheck::kBadSignature},
        {"the statement changed after signing", Replace(good, "size 13", "size 12"), "Kestrin.txt", file.substr(0, 12),
         trusted, SignatureCheck::kBadSignature},
        {"a signature line too long", Replace(good, "ecdsa-p256 ", "ecdsa-p256 00"), "Kestrin.txt", file, trusted,
         SignatureCheck::kMissing},
        {"CR LF line ends", Replace(good, "\n", "\r\n"), "Kestrin.txt", file, trusted, SignatureCheck::kMissing},
        {"upper-case hex", Replace(good, "sha256 ", "sha256 A"), "Kestrin.txt", file, trusted,
         SignatureCheck::kMissing},
        {"a size with a leading zero", Replace(good, "size 13", "size 013"), "Kestrin.txt", file, trusted,
         SignatureCheck::kMissing},
        {"the last line without its end", good.substr(0, good.size() - 1), "Kestrin.txt", file, trusted,
         SignatureCheck::kMissing},
        {"a line more", good + "note\n", "Kestrin.txt", file, trusted, SignatureCheck::kMissing},
        {"above the size limit", good + std::string(kMaxSignatureFileBytes, '\n'), "Kestrin.txt", file, trusted,
         SignatureCheck::kMissing},
        {"empty", std::string(), "Kestrin.txt", file, trusted, SignatureCheck::kMissing},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CheckSignedBytes(c.signature, c.fileName, c.file, c.keys), c.expected);
    }
}

TEST(SignedFile, AFlippedSignatureBitDoesNotVerify) {
    const P256PrivateKey key = NewKey();
    std::string signature = *SignBytes(key, "Kestrin.txt", BytesOf("V1.5"));
    char& digit = signature[signature.size() - 2];
    digit = digit == '0' ? '1' : '0';
    EXPECT_EQ(CheckSignedBytes(signature, "Kestrin.txt", "V1.5", {&key.publicKey, 1}), SignatureCheck::kBadSignature);
}

TEST(SignedFile, TheToolsSignatureVerifiesWithTheRepositoryTestKey) {
    auto key = ParsePublicKeyFile(RepositoryFile("tests/keys/update-test.pub"));
    ASSERT_TRUE(key);
    EXPECT_EQ(CheckSignedBytes(kToolSignature, "Kestrin.txt", "V1.5\r\nnotes\r\n", {&*key, 1}), SignatureCheck::kGood);
    // The test build trusts exactly that key.
    ASSERT_EQ(TrustedUpdateKeys().size(), 1u);
    EXPECT_EQ(TrustedUpdateKeys()[0].point, key->point);
}

TEST(SignedFile, TheRepositoryTestKeyPairSignsWhatItsPublicHalfVerifies) {
    auto privateKey = ParsePrivateKeyFile(RepositoryFile("tests/keys/update-test.key"));
    auto publicKey = ParsePublicKeyFile(RepositoryFile("tests/keys/update-test.pub"));
    ASSERT_TRUE(privateKey && publicKey);
    auto signature = SignBytes(*privateKey, "更新程序.exe", BytesOf("MZ program"));
    ASSERT_TRUE(signature);
    EXPECT_EQ(CheckSignedBytes(signature, "更新程序.exe", "MZ program", {&*publicKey, 1}), SignatureCheck::kGood);
    // The release key is another.
    auto release = ParsePublicKeyFile(RepositoryFile("resources/update-release.pub"));
    ASSERT_TRUE(release);
    EXPECT_EQ(CheckSignedBytes(signature, "更新程序.exe", "MZ program", {&*release, 1}), SignatureCheck::kUnknownKey);
}

TEST(KeyFiles, RoundTripAndRefuseWhatIsNotOurs) {
    const P256PrivateKey key = NewKey();
    const std::string publicText = PublicKeyFileText(key.publicKey);
    const std::string privateText = PrivateKeyFileText(key);
    ASSERT_TRUE(ParsePublicKeyFile(publicText));
    EXPECT_EQ(ParsePublicKeyFile(publicText)->point, key.publicKey.point);
    ASSERT_TRUE(ParsePrivateKeyFile(privateText));
    EXPECT_EQ(ParsePrivateKeyFile(privateText)->scalar, key.scalar);
    const std::string id = KeyId(key.publicKey);
    struct Case {
        const char* name;
        std::string text;
    } refused[] = {
        {"an id that is not the point's", Replace(publicText, id, "0000000000000000")},
        {"a compressed point", Replace(publicText, "ecdsa-p256 04", "ecdsa-p256 02")},
        {"a private key where a public one is asked for", privateText},
        {"no header", publicText.substr(publicText.find('\n') + 1)},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(ParsePublicKeyFile(c.text));
    }
    EXPECT_FALSE(ParsePrivateKeyFile(publicText));
}

TEST(KeyFiles, APrivateKeyWithAnotherKeysPublicHalfSignsNothing) {
    P256PrivateKey mixed = NewKey();
    mixed.publicKey = NewKey().publicKey;
    EXPECT_FALSE(SignBytes(mixed, "Kestrin.txt", BytesOf("V1.5")));
}
