#pragma once
// DbHeader: page 0 of a Jet 4.0 file — recognising the format, the header masking, the database
// password and the page-encryption key.
//
// Invariants:
//  1. Bytes 0x18..0x97 are stored XOR-ed with a constant RC4 key stream (key C7 DA 39 6B); every
//     field in there is read and written only through that mask.
//  2. The password field (0x42, 40 bytes of UTF-16LE) carries a second mask: the 4 little-endian
//     bytes of the creation date's day number, repeated. Changing the password touches nothing else.
//  3. Jet 3 (version byte 0) and ACE (2 and up) files, and anything without "Standard Jet DB", are
//     NotJet4; they are recognised, never written.
//
// On disk: see jet4_layout.h (page 0).

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "common/result.h"
#include "jet/pages/page.h"

namespace jet {

struct DbHeader {
    uint16_t codePage = 0;
    uint32_t dbKey = 0;       // 0: pages are not encrypted
    std::u16string password;  // empty: no password
    uint16_t sortOrder = 0;   // LCID of the default collating order
    uint8_t sortVersion = 0;
    double created = 0;  // the Jet date at 0x72
};

// RC4 over `data` in place (encryption and decryption are the same operation).
void Rc4(const uint8_t* key, size_t keySize, uint8_t* data, size_t size);
// The 128 bytes masking 0x18..0x97.
const uint8_t* HeaderKeyStream();

// NotJet4 for foreign formats, Corrupt for a Jet 4 header whose fields cannot be right.
Result<DbHeader> ParseDbHeader(const uint8_t* page0, size_t size);
// BadPassword unless `password` (UTF-8) equals the stored one exactly; a file without a password
// accepts any.
Status CheckPassword(const DbHeader& header, std::string_view password);
// Writes the header of a new database: Jet's own values, creation date bytes 3E 85 D3 3B 3E AB E4 40
// (the SIDs in the catalog belong to that date), the password masked. The page must be zeroed.
Status WriteNewDbHeader(uint8_t* page0, std::string_view password);
// Replaces the password of an existing header (InvalidArgument over 20 UTF-16 units).
Status SetDbPassword(uint8_t* page0, std::string_view password);
// Sets the collating order (version 0) and the code page that goes with it, as Access on a system
// of that language writes them: 1033 with 1252, 2052 with 936, 1028 with 950. InvalidArgument for
// another order.
Status SetDbSortOrder(uint8_t* page0, uint16_t sortOrder);
// The per-page RC4 decryption of files with a non-zero database key (for Pager::SetLoadTransform).
std::function<void(PageNo, uint8_t*)> PageDecryptTransform(uint32_t dbKey);

// The creation date every new file carries (2015-11-21 22:40:31), as stored.
inline constexpr uint8_t kNewFileCreatedBytes[8] = {0x3E, 0x85, 0xD3, 0x3B, 0x3E, 0xAB, 0xE4, 0x40};

}  // namespace jet
