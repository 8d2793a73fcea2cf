#include "CipherError.h"
#include "CipherTestUtil.h"
#include "uBlockString.h"
#include "uCipherPrimitives.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// A cipher that changes nothing, so the framing and the chaining show in the output bytes.
class IdentityCipher final : public TBlockCipher
{
public:
    explicit IdentityCipher(std::size_t Size)
        : FSize(Size)
    { }
    std::size_t BlockSize() const override { return FSize; }
    void EncryptBlocks(std::uint8_t* Dst, const std::uint8_t* Src, std::size_t Length) const override
    {
        std::memmove(Dst, Src, Length);
    }
    void DecryptBlocks(std::uint8_t* Dst, const std::uint8_t* Src, std::size_t Length) const override
    {
        std::memmove(Dst, Src, Length);
    }

private:
    std::size_t FSize;
};

std::string Bytes(std::initializer_list<int> Values)
{
    std::string S;
    for (const int V : Values)
        S += static_cast<char>(V);
    return S;
}

TEST(BlockStringTest, CodebookFramingPutsTheCountInTheLastByte)
{
    const IdentityCipher Cipher(8);
    EXPECT_EQ(EncryptStreamECB("abc", Cipher), Bytes({ 'a', 'b', 'c', 0, 0, 0, 0, 3 }));
    EXPECT_EQ(EncryptStreamECB("", Cipher), std::string(8, '\0'));
    // A whole block of text still gets a final block carrying no text bytes.
    EXPECT_EQ(EncryptStreamECB("abcdefgh", Cipher), std::string("abcdefgh") + std::string(8, '\0'));
    EXPECT_EQ(EncryptStreamECB("abcdefghi", Cipher), std::string("abcdefgh") + Bytes({ 'i', 0, 0, 0, 0, 0, 0, 1 }));
}

TEST(BlockStringTest, ChainingXorsEachBlockWithThePreviousCipherBlock)
{
    const IdentityCipher Cipher(8);
    const std::string Initial = Bytes({ 1, 2, 3, 4, 5, 6, 7, 8 });
    const std::string Stream = EncryptStreamCBC("abcdefghij", Cipher, Data(Initial));
    ASSERT_EQ(Stream.size(), 24u);
    std::string Second = "abcdefgh", Third = Bytes({ 'i', 'j', 0, 0, 0, 0, 0, 2 });
    for (int I = 0; I < 8; ++I) {
        Second[I] ^= Initial[I];
        Third[I] ^= Second[I];
    }
    EXPECT_EQ(Stream, Initial + Second + Third);
}

TEST(BlockStringTest, StreamLengthsFollowTheBlockCounts)
{
    struct Case
    {
        std::size_t Length, BlockSize, Codebook, Chained;
    };
    const Case Cases[] = {
        { 0, 8, 8, 16 },
        { 7, 8, 8, 16 },
        { 8, 8, 16, 24 },
        { 9, 8, 16, 24 },
        { 15, 16, 16, 32 },
        { 16, 16, 32, 48 },
        { 31, 16, 32, 48 },
    };
    for (const Case& C : Cases) {
        const IdentityCipher Cipher(C.BlockSize);
        const std::string Text(C.Length, 'x');
        const std::string Initial(C.BlockSize, '\x5A');
        EXPECT_EQ(EncryptStreamECB(Text, Cipher).size(), C.Codebook) << C.Length;
        EXPECT_EQ(EncryptStreamCBC(Text, Cipher, Data(Initial)).size(), C.Chained) << C.Length;
    }
}

TEST(BlockStringTest, RoundTripsWithARealCipherAndIgnoresTrailingBytes)
{
    const std::string Key = RandomBytes(16, 7);
    const TMaskCipher64 Cipher(Data(Key));
    const std::string Initial = RandomBytes(8, 8);
    for (const std::size_t Length : { 0u, 1u, 7u, 8u, 9u, 100u }) {
        const std::string Text = RandomBytes(Length, unsigned(Length));
        for (const bool Chained : { false, true }) {
            const std::string Cipher64 = EncryptBlockString(Text, Cipher, Chained, Data(Initial));
            EXPECT_EQ(DecryptBlockString(Cipher64, Cipher, Chained), Text) << Length << Chained;

            std::string Stream
                = Chained ? EncryptStreamCBC(Text, Cipher, Data(Initial)) : EncryptStreamECB(Text, Cipher);
            Stream += "xyz"; // not a whole block: ignored
            if (Chained)
                DecryptStreamCBC(Stream, Cipher);
            else
                DecryptStreamECB(Stream, Cipher);
            EXPECT_EQ(Stream, Text) << Length << Chained;
        }
    }
}

TEST(BlockStringTest, BrokenStreamsAreInvalidFileFormat)
{
    struct Case
    {
        const char* Name;
        std::string Stream;
        bool Chained;
    };
    std::string CountTooLarge = EncryptStreamECB("abc", IdentityCipher(8));
    CountTooLarge[7] = 8;
    std::string CountFar = EncryptStreamECB("abc", IdentityCipher(8));
    CountFar[7] = static_cast<char>(255);
    const std::string Initial(8, '\0');
    std::string ChainedCountTooLarge = EncryptStreamCBC("", IdentityCipher(8), Data(Initial));
    ChainedCountTooLarge[15] = 8;
    const Case Cases[] = {
        { "empty", "", false },
        { "short block", std::string(7, '\0'), false },
        { "count above block size minus one", CountTooLarge, false },
        { "count 255", CountFar, false },
        { "chained empty", "", true },
        { "chained initial block only", std::string(8, '\0'), true },
        { "chained one and a half blocks", std::string(15, '\0'), true },
        { "chained count too large", ChainedCountTooLarge, true },
    };
    const IdentityCipher Cipher(8);
    for (const Case& C : Cases) {
        std::string Stream = C.Stream;
        try {
            if (C.Chained)
                DecryptStreamCBC(Stream, Cipher);
            else
                DecryptStreamECB(Stream, Cipher);
            ADD_FAILURE() << C.Name << " accepted";
        } catch (const ECipherException& E) {
            EXPECT_STREQ(E.what(), "Invalid file format") << C.Name;
        }
    }
}

TEST(BlockStringTest, CountOfBlockSizeMinusOneIsTheLargestAccepted)
{
    const IdentityCipher Cipher(16);
    std::string Stream = EncryptStreamECB(std::string(15, 'q'), Cipher);
    ASSERT_EQ(Stream[15], 15);
    DecryptStreamECB(Stream, Cipher);
    EXPECT_EQ(Stream, std::string(15, 'q'));
}

} // namespace
