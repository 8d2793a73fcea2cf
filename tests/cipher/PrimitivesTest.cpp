#include "CipherTestUtil.h"
#include "uBlockCipher.h"
#include "uCipherPrimitives.h"

#include <gtest/gtest.h>

#include <array>

namespace {

TEST(MixWordsTest, KnownValues)
{
    // Step 7 of the four-word mix shifts D, not C; a "tidied" mix would change these.
    std::uint32_t A = 1, B = 2, C = 3, D = 4;
    MixWords4(A, B, C, D);
    EXPECT_EQ(
        (std::array { A, B, C, D }), (std::array<std::uint32_t, 4> { 0x03F37DC9, 0xF96D90F7, 0xFCF0EB44, 0xC9E4E3BB }));

    std::array<std::uint32_t, 8> W { 1, 2, 3, 4, 5, 6, 7, 8 };
    MixWords8(W[0], W[1], W[2], W[3], W[4], W[5], W[6], W[7]);
    EXPECT_EQ(W,
        (std::array<std::uint32_t, 8> {
            0x04795161, 0x04691D3B, 0x40647E64, 0x0000100F, 0x40442D18, 0x00102425, 0x04691D36, 0x4054695C }));
}

struct DigestCase
{
    const char* Text;
    std::size_t Size;
    const char* Hex;
};

class DigestTextTest : public ::testing::TestWithParam<DigestCase>
{ };

TEST_P(DigestTextTest, KnownDigest)
{
    const DigestCase& Case = GetParam();
    EXPECT_EQ(ToHex(DigestText(Case.Text, Case.Size)), Case.Hex);
}

INSTANTIATE_TEST_SUITE_P(Values, DigestTextTest,
    ::testing::Values(
        // The two published test values.
        DigestCase { "abc", 16, "2aa17baa76a4c4cd4b73a5f934b4cc1a" },
        DigestCase { "abcdefghijklmnopqrst", 32, "ada7117c3d4def64df2c029f1fb4285338b1ee77c25d88ed5be252dbbab6773b" },
        // The empty text still mixes once (eight finishing bytes).
        DigestCase { "", 32, "0bd132aa831c56ac1f92e61084a342d27e4f9a70b731ca1d0b76a3b9da8ece2c" },
        // Exactly eight bytes: one mix while feeding, a second in the finish.
        DigestCase { "abcdefgh", 32, "0cb74ff73a8f99b21dee99f6c97540da202292b5443cd09d11a3f02c8c672e9a" }));

TEST(DigestTextTest, SizesArePrefixesOfOneResult)
{
    for (const std::string& Text : { std::string(), std::string("abc"), std::string(300, '\xFF') }) {
        const std::string Full = DigestText(Text, 256);
        ASSERT_EQ(Full.size(), 256u);
        for (const std::size_t Size : { 1u, 8u, 16u, 24u, 32u })
            EXPECT_EQ(DigestText(Text, Size), Full.substr(0, Size)) << Size;
        EXPECT_EQ(DigestText(Text, 1000), Full);
    }
}

TEST(DigestTextTest, DigestDependsOnEveryByte)
{
    // Bytes past the 256th wrap around onto the digest; bytes past the 8th go through the key.
    const std::string Long(600, 'x');
    std::string Changed = Long;
    Changed[599] = 'y';
    EXPECT_NE(DigestText(Long, 32), DigestText(Changed, 32));
    EXPECT_NE(DigestText(std::string(1, '\0'), 32), DigestText("", 32));
}

TEST(DigestCipherTest, RoundsAreClampedToFourToSixteen)
{
    struct Case
    {
        int Requested, Used;
    };
    std::array<std::uint8_t, 16> Key {};
    for (std::uint8_t I = 0; I < 16; ++I)
        Key[I] = I;
    const auto Encrypt = [&Key](int Rounds) {
        std::array<std::uint8_t, 16> Block {};
        TDigestCipher(Key.data(), Rounds).EncryptBlock(Block.data());
        return Block;
    };
    for (const Case C :
        { Case { -1, 4 }, Case { 2, 4 }, Case { 4, 4 }, Case { 8, 8 }, Case { 16, 16 }, Case { 20, 16 } }) {
        EXPECT_EQ(TDigestCipher(Key.data(), C.Requested).Rounds(), C.Used) << C.Requested;
        EXPECT_EQ(Encrypt(C.Requested), Encrypt(C.Used)) << C.Requested;
    }
    EXPECT_NE(Encrypt(4), Encrypt(5));

    const auto Eight = Encrypt(8);
    EXPECT_EQ(ToHex(std::string(Eight.begin(), Eight.end())), "0269920c56aff202b774af81437b632b");
}

TEST(MaskCipher64Test, MaskWordsForKnownKeys)
{
    struct Case
    {
        std::array<std::uint8_t, 16> Key;
        std::uint32_t E, O;
    };
    const Case Cases[] = {
        { {}, 0x69B57E7D, 0x8EE76924 },
        { { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15 }, 0x69B47C7E, 0x8AE26F23 },
    };
    for (const Case& C : Cases) {
        const TMaskCipher64 Cipher(C.Key.data());
        EXPECT_EQ(Cipher.MaskE(), C.E);
        EXPECT_EQ(Cipher.MaskO(), C.O);
        // A zero block becomes the mask itself, E then O, little-endian.
        std::array<std::uint8_t, 8> Block {};
        Cipher.TransformBlock(Block.data());
        const std::array<std::uint8_t, 8> Mask { std::uint8_t(C.E), std::uint8_t(C.E >> 8), std::uint8_t(C.E >> 16),
            std::uint8_t(C.E >> 24), std::uint8_t(C.O), std::uint8_t(C.O >> 8), std::uint8_t(C.O >> 16),
            std::uint8_t(C.O >> 24) };
        EXPECT_EQ(Block, Mask);
    }
}

TEST(MaskCipher64Test, TransformIsItsOwnInverseAndBulkMatchesSingleBlocks)
{
    const std::string Key = RandomBytes(16, 1);
    const TMaskCipher64 Cipher(Data(Key));
    const std::string Plain = RandomBytes(8 * 37, 2);

    std::string Bulk(Plain.size(), '\0');
    Cipher.EncryptBlocks(reinterpret_cast<std::uint8_t*>(Bulk.data()), Data(Plain), Plain.size());
    std::string Single = Plain;
    for (std::size_t Offset = 0; Offset < Single.size(); Offset += 8)
        Cipher.TransformBlock(reinterpret_cast<std::uint8_t*>(Single.data()) + Offset);
    EXPECT_EQ(Bulk, Single);
    EXPECT_NE(Bulk, Plain);

    Cipher.DecryptBlocks(reinterpret_cast<std::uint8_t*>(Bulk.data()), Data(Bulk), Bulk.size());
    EXPECT_EQ(Bulk, Plain);
}

// The standard ciphers come from Nettle; these pin the wrappers to published values and to
// the two-key triple DES layout.
struct StandardCase
{
    const char* Name;
    const char* Key;
    const char* Plain;
    const char* Cipher;
};

class StandardCipherTest : public ::testing::TestWithParam<StandardCase>
{ };

std::unique_ptr<TBlockCipher> MakeByName(const std::string& Name, const std::string& Key)
{
    if (Name == "DES")
        return MakeDesCipher(Data(Key));
    if (Name == "TripleDES")
        return MakeTripleDesCipher(Data(Key));
    return MakeRijndaelCipher(Data(Key), Key.size());
}

TEST_P(StandardCipherTest, EncryptsAndDecryptsKnownBlock)
{
    const StandardCase& Case = GetParam();
    const auto Cipher = MakeByName(Case.Name, FromHex(Case.Key));
    const std::string Plain = FromHex(Case.Plain);
    std::string Block = Plain;
    auto* Bytes = reinterpret_cast<std::uint8_t*>(Block.data());
    Cipher->EncryptBlocks(Bytes, Bytes, Block.size());
    EXPECT_EQ(ToHex(Block), Case.Cipher);
    Cipher->DecryptBlocks(Bytes, Bytes, Block.size());
    EXPECT_EQ(Block, Plain);
}

INSTANTIATE_TEST_SUITE_P(Published, StandardCipherTest,
    ::testing::Values(
        // The all-zero (weak) key must still encrypt: it is the DES key of a fresh cipher object.
        StandardCase { "DES", "0000000000000000", "0000000000000000", "8ca64de9c1b123a7" },
        StandardCase { "DES", "133457799bbcdff1", "0123456789abcdef", "85e813540f0ab405" },
        // Parity bits are ignored: 0x13 and 0x12 differ only there.
        StandardCase { "DES", "123457799bbcdff1", "0123456789abcdef", "85e813540f0ab405" },
        // With K1 = K2 two-key triple DES is single DES.
        StandardCase { "TripleDES", "133457799bbcdff1133457799bbcdff1", "0123456789abcdef", "85e813540f0ab405" },
        StandardCase { "AES128", "000102030405060708090a0b0c0d0e0f", "00112233445566778899aabbccddeeff",
            "69c4e0d86a7b0430d8cdb78070b4c55a" },
        StandardCase { "AES192", "000102030405060708090a0b0c0d0e0f1011121314151617", "00112233445566778899aabbccddeeff",
            "dda97ca4864cdfe06eaf70a0ec0d7191" },
        StandardCase { "AES256", "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f",
            "00112233445566778899aabbccddeeff", "8ea2b7ca516745bfeafc49904b496089" }),
    [](const auto& Info) { return std::string(Info.param.Name) + "_" + std::to_string(Info.index); });

TEST(StandardCipherTest, TripleDesIsEncryptK1DecryptK2EncryptK1)
{
    const std::string K1 = FromHex("0123456789abcdef"), K2 = FromHex("fedcba9876543210");
    const std::string Plain = RandomBytes(16, 3);
    std::string Expected = Plain;
    auto* E = reinterpret_cast<std::uint8_t*>(Expected.data());
    MakeDesCipher(Data(K1))->EncryptBlocks(E, E, 16);
    MakeDesCipher(Data(K2))->DecryptBlocks(E, E, 16);
    MakeDesCipher(Data(K1))->EncryptBlocks(E, E, 16);

    std::string Actual = Plain;
    auto* A = reinterpret_cast<std::uint8_t*>(Actual.data());
    MakeTripleDesCipher(Data(K1 + K2))->EncryptBlocks(A, A, 16);
    EXPECT_EQ(Actual, Expected);
}

} // namespace
