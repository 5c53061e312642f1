#include "login/pwd_hash.h"

#include <gtest/gtest.h>

#include "login/md5.h"

namespace {

using namespace pwd_hash_steps;

TEST(PwdHash, KnownPasswordsGiveTheClientsHashes) {
    struct Case {
        const char* password;
        const char* hash;
    } cases[] = {
        {"", "1B2M2Y8AsgTpgAmY7PhCfg"},
        {"abc", "kAFQmDzST7DWlj99KOF/cg"},
        {"message digest", "+WtpfXy3k41SWi8xqvFh0A"},  // the digest starts with 62: a leading '+'
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.password);
        EXPECT_EQ(PwdHash(c.password), c.hash);
    }
}

TEST(Md5Hex, MatchesTheRfc1321TestSuite) {
    struct Case {
        const char* message;
        const char* digest;
    } cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        EXPECT_EQ(Md5Hex(c.message), c.digest);
    }
}

// 55 bytes leave room for the 0x80 byte and the length in one block; 56 and 64 need a second one.
TEST(Md5Hex, PaddingBoundariesAt55And56And64Bytes) {
    EXPECT_EQ(Md5Hex(std::string(55, 'a')), "ef1772b6dff9a122358552954ad0df65");
    EXPECT_EQ(Md5Hex(std::string(56, 'a')), "3b0c8ac703f828b04c6c197006d17218");
    EXPECT_EQ(Md5Hex(std::string(63, 'a')), "b06521f39153d618550606be297466d5");
    EXPECT_EQ(Md5Hex(std::string(64, 'a')), "014842d480b571495a4a0363793f7367");
    EXPECT_EQ(Md5Hex(std::string(65, 'a')), "c743a45e0d2e6a95cb859adae0248435");
}

TEST(Md5Hex, HashesEveryByteValue) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += char(b);
    EXPECT_EQ(Md5Hex(all), "e2c865db4162bed963bfaa9ef6ac18f0");
}

TEST(PwdHashSteps, WorkedExampleOfTheLastChunkOfAbc) {
    EXPECT_EQ(HexToBitText("28e17f72"), "00101000111000010111111101110010");
    EXPECT_EQ(SplitSextets("00101000111000010111111101110010"),
              "000010100000111000000101001111110001110000100000");
    EXPECT_EQ(BitTextToHex("000010100000111000000101001111110001110000100000"), "0A0E053F1C20");
    EXPECT_EQ(HexPairsToB64("0A0E053F1C20"), "KOF/cg");
    EXPECT_EQ(HexChunkToB64("900150983cd2"), "kAFQmDzS");
    EXPECT_EQ(HexChunkToB64("4fb0d6963f7d"), "T7DWlj99");
}

TEST(PwdHashSteps, LookupsGiveEmptyTextForKeysOutsideTheirTables) {
    EXPECT_EQ(HexDigitToBits("f"), "1111");  // keys are upper-cased before the look-up
    EXPECT_EQ(HexDigitToBits("F"), "1111");
    EXPECT_EQ(HexDigitToBits("g"), "");
    EXPECT_EQ(HexDigitToBits(""), "");
    EXPECT_EQ(HexDigitToBits("00"), "");
    EXPECT_EQ(BitsToHexDigit("0101"), "5");
    EXPECT_EQ(BitsToHexDigit("012"), "");
    EXPECT_EQ(BitsToHexDigit("01a1"), "");
    EXPECT_EQ(HexPairToB64Char("3F"), "/");
    EXPECT_EQ(HexPairToB64Char("3E"), "+");
    EXPECT_EQ(HexPairToB64Char("3f"), "");  // compared exactly
    EXPECT_EQ(HexPairToB64Char("40"), "");
}

// The text stages must equal plain Base64 of the digest, for every digest shape.
TEST(PwdHash, EqualsStandardBase64OfTheDigestWithoutPadding) {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string password;
    for (int i = 0; i < 500; ++i) {
        password += char(' ' + (i * 37) % 95);
        Md5Digest d = Md5(password);
        std::string b64;
        for (int j = 0; j < 16; j += 3) {
            uint32_t group = d[j] << 16 | (j + 1 < 16 ? d[j + 1] << 8 : 0) | (j + 2 < 16 ? d[j + 2] : 0);
            int chars = j + 3 <= 16 ? 4 : 2;
            for (int k = 0; k < chars; ++k) b64 += kAlphabet[(group >> (18 - 6 * k)) & 63];
        }
        std::string hash = PwdHash(password);
        ASSERT_EQ(hash, b64) << password;
        ASSERT_EQ(hash.size(), 22u);
        ASSERT_EQ(hash.find('='), std::string::npos);
    }
}

// Double-byte characters of the ANSI code page contribute both bytes (here code page 936).
TEST(PwdHash, ChinesePasswordHashesItsDoubleByteAnsiBytes) {
    // "密码" in code page 936 is C3 DC C2 EB.
    EXPECT_EQ(PwdHash("密码"), PwdHashOfBytes("\xC3\xDC\xC2\xEB"));
    EXPECT_EQ(PwdHash("a密"), PwdHashOfBytes("a\xC3\xDC"));
}

}  // namespace
