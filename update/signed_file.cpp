#include "update/signed_file.h"

#include <charconv>
#include <vector>

namespace {

constexpr char kSignatureHeader[] = "Kestrin signature 1";
constexpr char kPublicHeader[] = "Kestrin public key 1";
constexpr char kPrivateHeader[] = "Kestrin private key 1";

std::span<const uint8_t> BytesOf(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

std::string Hex(std::span<const uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (uint8_t b : bytes) {
        text += kDigits[b >> 4];
        text += kDigits[b & 15];
    }
    return text;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Exactly 2 * out.size() lower-case hex digits.
bool FromHex(std::string_view text, std::span<uint8_t> out) {
    if (text.size() != out.size() * 2) return false;
    for (size_t i = 0; i < out.size(); ++i) {
        int high = HexDigit(text[2 * i]);
        int low = HexDigit(text[2 * i + 1]);
        if (high < 0 || low < 0) return false;
        out[i] = static_cast<uint8_t>(high * 16 + low);
    }
    return true;
}

// The LF-ended lines of a small text; nullopt when it is too long or its last line has no LF.
std::optional<std::vector<std::string_view>> Lines(std::string_view text) {
    if (text.size() > kMaxSignatureFileBytes || text.empty() || text.back() != '\n') return std::nullopt;
    std::vector<std::string_view> lines;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// The value of a line "<name> <value>"; nullopt when the line is another.
std::optional<std::string_view> Field(std::string_view line, std::string_view name) {
    if (line.size() <= name.size() + 1 || line.substr(0, name.size()) != name || line[name.size()] != ' ') {
        return std::nullopt;
    }
    return line.substr(name.size() + 1);
}

// The lines of `text` after `header`, each "<names[i]> <value>", as the values.
std::optional<std::vector<std::string_view>> Fields(std::string_view text, std::string_view header,
                                                    std::initializer_list<std::string_view> names) {
    auto lines = Lines(text);
    if (!lines || lines->size() != names.size() + 1 || (*lines)[0] != header) return std::nullopt;
    std::vector<std::string_view> values;
    size_t i = 1;
    for (std::string_view name : names) {
        auto value = Field((*lines)[i++], name);
        if (!value) return std::nullopt;
        values.push_back(*value);
    }
    return values;
}

std::string StatementText(const SignedStatement& s) {
    return std::string(kSignatureHeader) + "\nkey " + s.keyId + "\nfile " + s.fileName + "\nsize " +
           std::to_string(s.size) + "\nsha256 " + Hex(s.digest) + "\n";
}

struct ParsedSignature {
    std::string_view statementText;
    SignedStatement statement;
    P256Signature signature{};
};

std::optional<ParsedSignature> ParseSignatureFile(std::string_view text) {
    auto values = Fields(text, kSignatureHeader, {"key", "file", "size", "sha256", "ecdsa-p256"});
    if (!values) return std::nullopt;
    ParsedSignature parsed;
    parsed.statement.keyId = (*values)[0];
    parsed.statement.fileName = (*values)[1];
    std::string_view size = (*values)[2];
    auto [end, error] = std::from_chars(size.data(), size.data() + size.size(), parsed.statement.size);
    if (error != std::errc() || end != size.data() + size.size() || (size.size() > 1 && size[0] == '0')) {
        return std::nullopt;
    }
    if (!FromHex((*values)[3], parsed.statement.digest) || !FromHex((*values)[4], parsed.signature)) {
        return std::nullopt;
    }
    // The statement is everything before the signature's line, as the file holds it.
    parsed.statementText = text.substr(0, text.rfind("ecdsa-p256 "));
    if (StatementText(parsed.statement) != parsed.statementText) return std::nullopt;
    return parsed;
}

}  // namespace

std::string KeyId(const P256PublicKey& key) {
    auto digest = Sha256Of(key.point);
    return digest ? Hex(std::span<const uint8_t>(digest->data(), 8)) : std::string();
}

std::optional<std::string> SignStatement(const P256PrivateKey& key, const SignedStatement& statement) {
    std::string text = StatementText(statement);
    auto digest = Sha256Of(BytesOf(text));
    if (!digest || statement.keyId != KeyId(key.publicKey)) return std::nullopt;
    auto signature = P256Sign(key, *digest);
    // A private key whose public half is not its own would sign what nobody can verify.
    if (!signature || !P256Verify(key.publicKey, *digest, *signature)) return std::nullopt;
    return text + "ecdsa-p256 " + Hex(*signature) + "\n";
}

std::optional<std::string> SignBytes(const P256PrivateKey& key, std::string_view fileName,
                                     std::span<const uint8_t> bytes) {
    auto digest = Sha256Of(bytes);
    if (!digest || fileName.empty() || fileName.find('\n') != std::string_view::npos) return std::nullopt;
    return SignStatement(key, {KeyId(key.publicKey), std::string(fileName), bytes.size(), *digest});
}

SignatureCheck CheckSignature(const std::optional<std::string>& signatureFile, std::string_view fileName, uint64_t size,
                              const Sha256Digest& digest, std::span<const P256PublicKey> trusted) {
    if (!signatureFile) return SignatureCheck::kMissing;
    auto parsed = ParseSignatureFile(*signatureFile);
    if (!parsed) return SignatureCheck::kMissing;
    const P256PublicKey* key = nullptr;
    for (const P256PublicKey& candidate : trusted) {
        if (KeyId(candidate) == parsed->statement.keyId) key = &candidate;
    }
    if (!key) return SignatureCheck::kUnknownKey;
    auto statementDigest = Sha256Of(BytesOf(parsed->statementText));
    if (!statementDigest || !P256Verify(*key, *statementDigest, parsed->signature))
        return SignatureCheck::kBadSignature;
    if (parsed->statement.fileName != fileName) return SignatureCheck::kOtherFile;
    if (parsed->statement.size != size || parsed->statement.digest != digest) return SignatureCheck::kMismatch;
    return SignatureCheck::kGood;
}

SignatureCheck CheckSignedBytes(const std::optional<std::string>& signatureFile, std::string_view fileName,
                                std::string_view bytes, std::span<const P256PublicKey> trusted) {
    auto digest = Sha256Of(BytesOf(bytes));
    if (!digest) return SignatureCheck::kMismatch;
    return CheckSignature(signatureFile, fileName, bytes.size(), *digest, trusted);
}

std::string PublicKeyFileText(const P256PublicKey& key) {
    return std::string(kPublicHeader) + "\nkey " + KeyId(key) + "\necdsa-p256 " + Hex(key.point) + "\n";
}

std::string PrivateKeyFileText(const P256PrivateKey& key) {
    return std::string(kPrivateHeader) + "\nkey " + KeyId(key.publicKey) + "\necdsa-p256 " + Hex(key.scalar) +
           "\npublic " + Hex(key.publicKey.point) + "\n";
}

std::optional<P256PublicKey> PublicKeyFromHex(std::string_view hex) {
    P256PublicKey key;
    if (!FromHex(hex, key.point) || key.point[0] != 0x04) return std::nullopt;
    return key;
}

std::optional<P256PublicKey> ParsePublicKeyFile(std::string_view text) {
    auto values = Fields(text, kPublicHeader, {"key", "ecdsa-p256"});
    if (!values) return std::nullopt;
    auto key = PublicKeyFromHex((*values)[1]);
    if (!key || KeyId(*key) != (*values)[0]) return std::nullopt;
    return key;
}

std::optional<P256PrivateKey> ParsePrivateKeyFile(std::string_view text) {
    auto values = Fields(text, kPrivateHeader, {"key", "ecdsa-p256", "public"});
    if (!values) return std::nullopt;
    P256PrivateKey key;
    auto publicKey = PublicKeyFromHex((*values)[2]);
    if (!publicKey || !FromHex((*values)[1], key.scalar) || KeyId(*publicKey) != (*values)[0]) return std::nullopt;
    key.publicKey = *publicKey;
    return key;
}

std::optional<Sha256Digest> Sha256Of(std::span<const uint8_t> bytes) {
    Sha256Stream stream;
    stream.Update(bytes);
    return stream.Finish();
}
