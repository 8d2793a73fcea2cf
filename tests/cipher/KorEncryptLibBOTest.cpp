#include "CipherTestUtil.h"
#include "FakeClock.h"
#include "uBase64.h"
#include "uBlockCipher.h"
#include "uCipherPrimitives.h"
#include "uKorEncryptLibBO.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using Lib = TKorEncryptLibBO;

// Runs Action and gives the cipher's message, or "" when nothing was raised.
std::string MessageOf(const std::function<void()>& Action)
{
    try {
        Action();
    } catch (const ECipherException& E) {
        return E.what();
    }
    return {};
}

std::size_t BlockSizeOf(std::uint8_t Mode)
{
    return Mode == Lib::Rijndael ? 16 : 8;
}

TEST(HexSchemeTest, KnownTexts)
{
    // The running key starts at 1 and is advanced by each cipher byte, wrapping at 2^32 (the
    // fox needs several wraps).
    struct Case
    {
        const char* Plain;
        const char* Cipher;
    };
    for (const Case C : { Case { "", "" }, Case { "abc", "617388" }, Case { "ab", "6173" },
             Case { "The quick brown fox", "54852003B52FA8403E345793BE552F6F9C127A" } }) {
        EXPECT_EQ(Lib::HexEncrypt(C.Plain), C.Cipher);
        Lib Cipher;
        EXPECT_EQ(Cipher.EncryptString(C.Plain, Lib::KorBlockCipher, Lib::EBC, Lib::Key128), C.Cipher);
        EXPECT_EQ(Cipher.DecryptString(C.Cipher, Lib::KorBlockCipher, Lib::EBC, Lib::Key128), C.Plain);
    }
    // Either case reads; a trailing odd character is ignored, whatever it is.
    for (const Case C : { Case { "ab", "61738" }, Case { "abc", "617388Z" }, Case { "", "6" } })
        EXPECT_EQ(Lib::HexDecrypt(C.Cipher), C.Plain) << C.Cipher;
    EXPECT_EQ(Lib::HexDecrypt("54852003b52fa8403e345793be552f6f9c127a"), "The quick brown fox");
}

TEST(HexSchemeTest, RoundTripsAllBytesAndRejectsNonHexPairs)
{
    std::string All;
    for (int I = 0; I < 256; ++I)
        All += static_cast<char>(I);
    All += All;
    const std::string Hex = Lib::HexEncrypt(All);
    EXPECT_EQ(Hex.size(), 2 * All.size());
    EXPECT_EQ(Hex.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    EXPECT_EQ(Lib::HexDecrypt(Hex), All);

    for (const char* Bad : { "6G", "G6", "61A9 0", "61-970", "0x" })
        EXPECT_EQ(MessageOf([&] { Lib::HexDecrypt(Bad); }), "Invalid conversion during decryption") << Bad;
}

TEST(KorEncryptLibBOTest, ListFileModeBlockCounts)
{
    struct Case
    {
        std::size_t Length, Base64Length;
    };
    for (const Case C : { Case { 0, 12 }, Case { 7, 12 }, Case { 8, 24 }, Case { 15, 24 }, Case { 16, 32 } }) {
        Lib Cipher;
        const std::string Out = Cipher.EncryptString(std::string(C.Length, 'a'), Lib::Blowfish, Lib::EBC, Lib::Key128);
        EXPECT_EQ(Out.size(), C.Base64Length) << C.Length;
        EXPECT_EQ(Cipher.DecryptString(Out, Lib::Blowfish, Lib::EBC, Lib::Key128), std::string(C.Length, 'a'));
    }
    Lib Cipher;
    const std::string Empty = Cipher.EncryptString("", Lib::Blowfish, Lib::EBC, Lib::Key128);
    EXPECT_EQ(Empty.back(), '=');
}

// Every mode, chaining and key size code: either a round trip of random bytes (with 0 and
// 255) at lengths around the block size, or the documented failure.
struct Combination
{
    std::uint8_t Mode, Chaining, KeySize;
};

class RoundTripTest : public ::testing::TestWithParam<Combination>
{ };

TEST_P(RoundTripTest, DecryptsWhatItEncryptsOrFailsAsDocumented)
{
    const auto [Mode, Chaining, KeySize] = GetParam();
    FakeClock Clock(0x01020304);
    std::string Expected;
    if (Mode == Lib::KorBlockCipher && Chaining == Lib::CBC)
        Expected = "Invalid encryption mode for the selection";
    else if (Mode == Lib::Rijndael && (KeySize < Lib::Key128 || KeySize > Lib::Key256))
        Expected = "Invalid key value for encryption/decryption";

    if (!Expected.empty()) {
        EXPECT_EQ(MessageOf([&] { Lib(Clock).EncryptString("abc", Mode, Chaining, KeySize); }), Expected);
        EXPECT_EQ(MessageOf([&] { Lib(Clock).DecryptString("AAAAAAAAAAA=", Mode, Chaining, KeySize); }), Expected);
        return;
    }
    const std::size_t B = BlockSizeOf(Mode);
    for (const std::size_t Length : { std::size_t(0), std::size_t(1), B - 1, B, B + 1, std::size_t(1000) }) {
        const std::string Text = RandomBytes(Length, unsigned(Length * 31 + Mode));
        const std::string Encrypted = Lib(Clock).EncryptString(Text, Mode, Chaining, KeySize);
        EXPECT_EQ(Lib(Clock).DecryptString(Encrypted, Mode, Chaining, KeySize), Text) << Length;
        if (Mode == Lib::KorBlockCipher)
            continue;
        const std::size_t Blocks = Length / B + (Chaining == Lib::CBC ? 2 : 1);
        EXPECT_EQ(Encrypted.size(), Base64EncodedLength(Blocks * B)) << Length;
    }
}

std::vector<Combination> AllCombinations()
{
    std::vector<Combination> All;
    for (std::uint8_t Mode = 0; Mode <= 4; ++Mode)
        for (std::uint8_t Chaining = 0; Chaining <= 1; ++Chaining)
            for (std::uint8_t KeySize = 0; KeySize <= 5; ++KeySize)
                All.push_back({ Mode, Chaining, KeySize });
    return All;
}

INSTANTIATE_TEST_SUITE_P(All, RoundTripTest, ::testing::ValuesIn(AllCombinations()), [](const auto& Info) {
    return "Mode" + std::to_string(Info.param.Mode) + "Chaining" + std::to_string(Info.param.Chaining) + "Key"
        + std::to_string(Info.param.KeySize);
});

TEST(KorEncryptLibBOTest, OutOfRangeModeOrChainingGivesTheEmptyText)
{
    for (const Combination C : { Combination { 5, 0, 2 }, Combination { 255, 1, 2 }, Combination { 1, 2, 2 },
             Combination { 0, 7, 2 }, Combination { 4, 2, 0 } }) {
        Lib Cipher;
        EXPECT_EQ(Cipher.EncryptString("abc", C.Mode, C.Chaining, C.KeySize), "");
        EXPECT_EQ(Cipher.DecryptString("not even base64", C.Mode, C.Chaining, C.KeySize), "");
    }
}

TEST(KorEncryptLibBOTest, DecryptionErrorTexts)
{
    struct Case
    {
        const char* Text;
        std::uint8_t Mode, Chaining;
        const char* Message;
    };
    const Case Cases[] = {
        { "", 1, 0, "Invalid file format" },
        { "QUJD", 1, 0, "Invalid file format" }, // three bytes: no whole block
        { "AAAAAAAAAAA=", 1, 1, "Invalid file format" }, // the initial block only
        { "AAAAAAAAAAAAAAAAAAAAAA==", 4, 1, "Invalid file format" },
        { "AAAAAAAAAAA=\r\n", 1, 0, "Invalid Base64 Character" },
        { "AAAA AAAAAAA", 2, 0, "Invalid Base64 Character" },
        { "AAAAAAAAAAA", 3, 0, "Invalid Base64 Character" },
        { "6G", 0, 0, "Invalid conversion during decryption" },
        { "61A970", 0, 1, "Invalid encryption mode for the selection" },
    };
    for (const Case& C : Cases)
        EXPECT_EQ(MessageOf([&] { Lib().DecryptString(C.Text, C.Mode, C.Chaining, Lib::Key128); }), C.Message)
            << C.Text;
}

TEST(KorEncryptLibBOTest, UnfilledKeyFieldsAreAllZero)
{
    // DES under key size code 2 runs with the all-zero key: the empty text is one zero final
    // block, which the zero key turns into the published value 8CA64DE9C1B123A7.
    Lib Cipher;
    EXPECT_EQ(Cipher.EncryptString("", Lib::DES, Lib::EBC, Lib::Key128), Base64Encode(FromHex("8ca64de9c1b123a7")));
    // The list file's mode under code 0 masks with the zero key's mask words.
    const std::array<std::uint8_t, 16> Zero {};
    const TMaskCipher64 ZeroMask(Zero.data());
    std::string Block(8, '\0');
    ZeroMask.TransformBlock(reinterpret_cast<std::uint8_t*>(Block.data()));
    EXPECT_EQ(Lib().EncryptString("", Lib::Blowfish, Lib::EBC, Lib::Key32), Base64Encode(Block));
}

TEST(KorEncryptLibBOTest, KeySizeCodeFillsOnlyItsField)
{
    Lib Reference;
    const std::string KeyText = Reference.GetKeyText();
    const std::string Passphrase = DigestText(Lib::KeyPassphrase, 32);
    const auto Str = [](const auto& Field) { return std::string(Field.begin(), Field.end()); };
    for (std::uint8_t Code = 0; Code <= 5; ++Code) {
        Lib Cipher;
        Cipher.PrepareKey(Code);
        EXPECT_EQ(Str(Cipher.Key64Field()), Code == 1 ? DigestText(KeyText, 8) : std::string(8, '\0')) << int(Code);
        EXPECT_EQ(Str(Cipher.Key128Field()), Code == 2 ? DigestText(KeyText, 16) : std::string(16, '\0')) << int(Code);
        EXPECT_EQ(Str(Cipher.Key192Field()), Code == 3 ? DigestText(KeyText, 24) : std::string(24, '\0')) << int(Code);
        // The 256-bit field always holds the passphrase digest as scratch, unless code 4 fills it.
        EXPECT_EQ(Str(Cipher.Key256Field()), Code == 4 ? DigestText(KeyText, 32) : Passphrase) << int(Code);
    }

    // A reused object keeps a field that a later code does not fill.
    Lib Reused;
    const std::string WithKey64 = Reused.EncryptString("abc", Lib::DES, Lib::EBC, Lib::Key64);
    EXPECT_EQ(Reused.EncryptString("abc", Lib::DES, Lib::EBC, Lib::Key32), WithKey64);
    EXPECT_NE(Lib().EncryptString("abc", Lib::DES, Lib::EBC, Lib::Key32), WithKey64);
}

TEST(KorEncryptLibBOTest, ChainedOutputDependsOnTheCounterReadings)
{
    for (const std::uint8_t Mode : { Lib::Blowfish, Lib::DES, Lib::TripleDES, Lib::Rijndael }) {
        FakeClock Clock(1000);
        const std::string First = Lib(Clock).EncryptString("The same text", Mode, Lib::CBC, Lib::Key128);
        EXPECT_EQ(Lib(Clock).EncryptString("The same text", Mode, Lib::CBC, Lib::Key128), First) << int(Mode);
        Clock.Set(1001);
        const std::string Second = Lib(Clock).EncryptString("The same text", Mode, Lib::CBC, Lib::Key128);
        EXPECT_NE(First, Second) << int(Mode);
        EXPECT_EQ(Lib(Clock).DecryptString(First, Mode, Lib::CBC, Lib::Key128), "The same text");
        EXPECT_EQ(Lib(Clock).DecryptString(Second, Mode, Lib::CBC, Lib::Key128), "The same text");
    }
}

TEST(KorEncryptLibBOTest, InitialBlockHoldsTheCounterReadings)
{
    struct Case
    {
        std::uint8_t Mode;
        const char* InitialHex; // for the reading 0x12345678
    };
    const Case Cases[] = {
        { Lib::Blowfish, "7856341278563412" }, // two whole readings, little-endian
        { Lib::DES, "7878787800000000" }, // low bytes of four readings
        { Lib::TripleDES, "7878787800000000" },
        { Lib::Rijndael, "78780000000000000000000000000000" }, // low bytes of two readings
    };
    for (const Case& C : Cases) {
        FakeClock Clock(0x12345678);
        Lib Cipher(Clock);
        std::string Stream = Base64Decode(Cipher.EncryptString("x", C.Mode, Lib::CBC, Lib::Key128));
        std::unique_ptr<TBlockCipher> Block;
        if (C.Mode == Lib::Blowfish)
            Block = std::make_unique<TMaskCipher64>(Cipher.Key128Field().data());
        else if (C.Mode == Lib::DES)
            Block = MakeDesCipher(Cipher.Key64Field().data());
        else if (C.Mode == Lib::TripleDES)
            Block = MakeTripleDesCipher(Cipher.Key128Field().data());
        else
            Block = MakeRijndaelCipher(Cipher.Key128Field().data(), 16);
        const std::size_t B = Block->BlockSize();
        auto* First = reinterpret_cast<std::uint8_t*>(Stream.data());
        Block->DecryptBlocks(First, First, B);
        EXPECT_EQ(ToHex(Stream.substr(0, B)), C.InitialHex) << int(C.Mode);
    }
}

TEST(BuiltInKeyTest, TheBuiltInPairDecryptsToAKeyTextOfSixteenToThirtyOneBytes)
{
    ASSERT_EQ(Lib::KeyPassphrase.size(), 16u);
    EXPECT_EQ(Lib::KeyPassphrase.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    ASSERT_EQ(Lib::EncryptedKeyText.size(), 64u);
    EXPECT_EQ(Base64Decode(Lib::EncryptedKeyText).size(), 48u);

    const std::string KeyText = Lib().GetKeyText();
    EXPECT_GE(KeyText.size(), 16u);
    EXPECT_LE(KeyText.size(), 31u);
    EXPECT_EQ(Lib::DecryptKeyText(Lib::KeyPassphrase, Lib::EncryptedKeyText), KeyText);
}

TEST(BuiltInKeyTest, GeneratorMakesPairsThatDecrypt)
{
    FakeClock Clock(4242);
    for (const std::size_t Length : { 16u, 24u, 31u }) {
        const std::string KeyText = RandomBytes(Length, unsigned(Length));
        const std::string Encrypted = Lib::MakeEncryptedKeyText("0123456789ABCDEF", KeyText, Clock);
        EXPECT_EQ(Encrypted.size(), 64u);
        EXPECT_EQ(Lib::DecryptKeyText("0123456789ABCDEF", Encrypted), KeyText);
        // Another passphrase gives garbage, mostly with a broken final block.
        std::string Other;
        MessageOf([&] { Other = Lib::DecryptKeyText("0123456789ABCDEE", Encrypted); });
        EXPECT_NE(Other, KeyText);
    }
}

TEST(BuiltInKeyTest, ListFileCipherTextIsStable)
{
    // Pins the list file format under the built-in values: a change here means existing list
    // files no longer open.
    Lib Cipher;
    EXPECT_EQ(Cipher.EncryptString("abc", Lib::Blowfish, Lib::EBC, Lib::Key128), "Bl1DAzXLMZY=");
}

} // namespace
