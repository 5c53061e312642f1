#include "jet/format/db_header.h"

#include <array>
#include <cmath>
#include <cstring>

#include "common/text.h"
#include "jet/format/jet4_layout.h"

namespace jet {
namespace {

using L = Jet4Layout;
constexpr char kMagic[] = "Standard Jet DB";
constexpr uint8_t kHeaderKey[4] = {0xC7, 0xDA, 0x39, 0x6B};
// Unknown fields, identical in every Jet 4 file (plain values of 0x18..0x2F).
constexpr uint8_t kField18[24] = {0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,
                                  0x03, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00};
constexpr uint32_t kEngineBuild = 9756;

// The creation day number's 4 bytes mask the password a second time.
std::array<uint8_t, 4> DateMask(double created) {
    double day = std::trunc(created);
    int64_t whole = std::isfinite(day) && std::fabs(day) < 2e9 ? int64_t(day) : 0;
    uint32_t bits = uint32_t(int32_t(whole));
    return {uint8_t(bits), uint8_t(bits >> 8), uint8_t(bits >> 16), uint8_t(bits >> 24)};
}

void MaskHeader(uint8_t* page0) {
    const uint8_t* stream = HeaderKeyStream();
    for (size_t i = 0; i < L::kHeaderMaskedSize; ++i) page0[L::kHeaderMaskedStart + i] ^= stream[i];
}

void ApplyDateMask(uint8_t* passwordField, double created) {
    auto mask = DateMask(created);
    for (size_t k = 0; k < L::kHeaderPasswordSize; ++k) passwordField[k] ^= mask[k % 4];
}

Result<std::u16string> EncodePassword(std::string_view password) {
    std::u16string units = Utf8ToUtf16(password);
    if (units.size() > L::kHeaderPasswordSize / 2)
        return Status(ErrorCode::InvalidArgument, "database password longer than 20 characters");
    return units;
}

void PutPassword(uint8_t* plainHeader, const std::u16string& units) {
    uint8_t* field = plainHeader + L::kHeaderPassword;
    std::memset(field, 0, L::kHeaderPasswordSize);
    for (size_t i = 0; i < units.size(); ++i) PutLe16(field + 2 * i, uint16_t(units[i]));
    ApplyDateMask(field, LeDouble(plainHeader + L::kHeaderCreated));
}

}  // namespace

void Rc4(const uint8_t* key, size_t keySize, uint8_t* data, size_t size) {
    uint8_t s[256];
    for (int i = 0; i < 256; ++i) s[i] = uint8_t(i);
    uint8_t j = 0;
    for (int i = 0; i < 256; ++i) {
        j = uint8_t(j + s[i] + key[i % keySize]);
        std::swap(s[i], s[j]);
    }
    uint8_t x = 0;
    j = 0;
    for (size_t k = 0; k < size; ++k) {
        x = uint8_t(x + 1);
        j = uint8_t(j + s[x]);
        std::swap(s[x], s[j]);
        data[k] ^= s[uint8_t(s[x] + s[j])];
    }
}

const uint8_t* HeaderKeyStream() {
    static const std::array<uint8_t, L::kHeaderMaskedSize> stream = [] {
        std::array<uint8_t, L::kHeaderMaskedSize> bytes{};
        Rc4(kHeaderKey, sizeof kHeaderKey, bytes.data(), bytes.size());
        return bytes;
    }();
    return stream.data();
}

Result<DbHeader> ParseDbHeader(const uint8_t* page0, size_t size) {
    if (size < kPageSize || page0[0] != 0 || std::memcmp(page0 + L::kHeaderMagic, kMagic, sizeof kMagic) != 0)
        return Status(ErrorCode::NotJet4, "not a Jet database (no \"Standard Jet DB\" header)");
    uint8_t version = page0[L::kHeaderVersion];
    if (version == 0) return Status(ErrorCode::NotJet4, "a Jet 3 (Access 97) database, not Jet 4.0");
    if (version != 1) return Status(ErrorCode::NotJet4, "an Access 2007 or later (ACE) database, not Jet 4.0");

    uint8_t plain[kPageSize];
    std::memcpy(plain, page0, kPageSize);
    MaskHeader(plain);
    DbHeader header;
    header.codePage = Le16(plain + L::kHeaderCodePage);
    header.dbKey = Le32(plain + L::kHeaderDbKey);
    header.sortOrder = Le16(plain + L::kHeaderSortOrder);
    header.sortVersion = plain[L::kHeaderSortVersion];
    header.created = LeDouble(plain + L::kHeaderCreated);
    if (!std::isfinite(header.created)) return Status(ErrorCode::Corrupt, "header: creation date is not a number");
    ApplyDateMask(plain + L::kHeaderPassword, header.created);
    for (size_t i = 0; i < L::kHeaderPasswordSize; i += 2) {
        char16_t unit = char16_t(Le16(plain + L::kHeaderPassword + i));
        if (unit == 0) break;
        header.password.push_back(unit);
    }
    return header;
}

Status CheckPassword(const DbHeader& header, std::string_view password) {
    if (header.password.empty()) return Status::Ok();
    if (Utf8ToUtf16(password) != header.password) return Status(ErrorCode::BadPassword, "wrong database password");
    return Status::Ok();
}

Status WriteNewDbHeader(uint8_t* page0, std::string_view password) {
    auto units = EncodePassword(password);
    KESTRIN_TRY(units);
    std::memset(page0, 0, kPageSize);
    page0[1] = 0x01;
    std::memcpy(page0 + L::kHeaderMagic, kMagic, sizeof kMagic);
    page0[L::kHeaderVersion] = 0x01;
    std::memcpy(page0 + L::kHeaderMaskedStart, kField18, sizeof kField18);
    PutLe16(page0 + L::kHeaderCodePage, 1252);
    PutLe32(page0 + L::kHeaderBuild, kEngineBuild);
    PutLe16(page0 + L::kHeaderSortOrder, 1033);
    std::memcpy(page0 + L::kHeaderCreated, kNewFileCreatedBytes, 8);
    PutPassword(page0, *units);
    MaskHeader(page0);
    PutLe32(page0 + L::kHeaderConst98, 0x654);
    std::memcpy(page0 + L::kHeaderVersionText, "4.0", 4);
    for (size_t i = 0; i < 256; ++i) PutLe16(page0 + L::kHeaderTailWords + 2 * i, i == 0 ? 0x0101 : 0x0100);
    return Status::Ok();
}

Status SetDbPassword(uint8_t* page0, std::string_view password) {
    auto units = EncodePassword(password);
    KESTRIN_TRY(units);
    MaskHeader(page0);
    PutPassword(page0, *units);
    MaskHeader(page0);
    return Status::Ok();
}

Status SetDbSortOrder(uint8_t* page0, uint16_t sortOrder) {
    uint16_t codePage = sortOrder == 1033 ? 1252 : sortOrder == 2052 ? 936 : sortOrder == 1028 ? 950 : 0;
    if (codePage == 0) return Status(ErrorCode::InvalidArgument, "sort order " + std::to_string(sortOrder));
    MaskHeader(page0);
    PutLe16(page0 + L::kHeaderSortOrder, sortOrder);
    page0[L::kHeaderSortVersion] = 0;
    PutLe16(page0 + L::kHeaderCodePage, codePage);
    MaskHeader(page0);
    return Status::Ok();
}

std::function<void(PageNo, uint8_t*)> PageDecryptTransform(uint32_t dbKey) {
    return [dbKey](PageNo page, uint8_t* bytes) {
        uint8_t key[4];
        PutLe32(key, dbKey ^ ToIndex(page));
        Rc4(key, 4, bytes, kPageSize);
    };
}

}  // namespace jet
