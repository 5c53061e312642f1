#pragma once
// The password hash the QQ client accepts after " PWDHASH:": the MD5 digest of the password's bytes
// in Base64, without the two "=" pad characters (22 characters). Stored in A_pass; the login command
// line appends "==". No salt: the same password always gives the same hash.
//
// The digest reaches Base64 through text stages (hex digits, bit characters, lookup tables), twelve
// hex digits at a time. Callers use PwdHash only; the stages are declared for tests.

#include <string>
#include <string_view>

// `password` is UTF-8; its bytes in the ANSI code page are hashed, every byte (a double-byte
// character contributes both bytes).
std::string PwdHash(std::string_view password);
// The hash of bytes already in the ANSI code page.
std::string PwdHashOfBytes(std::string_view ansiBytes);

// 32 lower-case hex digits, the MD5 digest of the message's bytes.
std::string Md5Hex(std::string_view message);
// Base64 without "=" of the bytes the hex text stands for, 12 hex digits at a time.
std::string HexToB64(std::string_view hex);

namespace pwd_hash_steps {
// Each lookup yields empty text for a key that is not in its table.
std::string HexDigitToBits(std::string_view hexDigit);  // "a" or "A" -> "1010"
std::string BitsToHexDigit(std::string_view bits);      // "1010" -> "A"
std::string HexPairToB64Char(std::string_view pair);    // "3F" -> "/" (upper case only)

std::string HexChunkToB64(std::string_view hexChunk);  // up to 12 hex digits -> up to 8 characters
std::string HexToBitText(std::string_view hexChunk);   // 4 bit characters per hex digit
std::string SplitSextets(std::string_view bitText);    // "00" + each 6-bit slice, 8 slices
std::string BitTextToHex(std::string_view bitText);    // one hex digit per 4 bit characters
std::string HexPairsToB64(std::string_view hex);       // one Base64 character per hex pair
}  // namespace pwd_hash_steps
