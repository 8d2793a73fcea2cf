#include "CipherError.h"
#include "CipherTestUtil.h"
#include "uBase64.h"
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

// Decrypts a stream held in a string, in place.
void Decrypt(std::string& Stream, const TBlockCipher& Cipher, bool Chained)
{
    Stream.resize(DecryptStream(reinterpret_cast<std::uint8_t*>(Stream.data()), Stream.size(), Cipher, Chained));
}

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
    EXPECT_EQ(EncryptStream("abc", Cipher, nullptr), Bytes({ 'a', 'b', 'c', 0, 0, 0, 0, 3 }));
    EXPECT_EQ(EncryptStream("", Cipher, nullptr), std::string(8, '\0'));
    // A whole block of text still gets a final block carrying no text bytes.
    EXPECT_EQ(EncryptStream("abcdefgh", Cipher, nullptr), std::string("abcdefgh") + std::string(8, '\0'));
    EXPECT_EQ(
        EncryptStream("abcdefghi", Cipher, nullptr), std::string("abcdefgh") + Bytes({ 'i', 0, 0, 0, 0, 0, 0, 1 }));
}

TEST(BlockStringTest, ChainingXorsEachBlockWithThePreviousCipherBlock)
{
    const IdentityCipher Cipher(8);
    const std::string Initial = Bytes({ 1, 2, 3, 4, 5, 6, 7, 8 });
    const std::string Stream = EncryptStream("abcdefghij", Cipher, Data(Initial));
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
        EXPECT_EQ(EncryptStream(Text, Cipher, nullptr).size(), C.Codebook) << C.Length;
        EXPECT_EQ(EncryptStream(Text, Cipher, Data(Initial)).size(), C.Chained) << C.Length;
    }
}

TEST(BlockStringTest, RoundTripsWithRealCiphersAcrossBufferBoundaries)
{
    // Encryption runs through a 3072-byte buffer; lengths around its multiples cross it.
    const std::string Key = RandomBytes(32, 7);
    const TMaskCipher64 Mask(Data(Key));
    const auto Rijndael = MakeRijndaelCipher(Data(Key), 32);
    for (const TBlockCipher* Cipher : std::initializer_list<const TBlockCipher*> { &Mask, Rijndael.get() }) {
        const std::string Initial = RandomBytes(16, 8);
        for (const std::size_t Length :
            { 0u, 1u, 7u, 8u, 9u, 100u, 3056u, 3063u, 3064u, 3072u, 3080u, 6143u, 10000u }) {
            const std::string Text = RandomBytes(Length, unsigned(Length));
            for (const bool Chained : { false, true }) {
                const std::uint8_t* First = Chained ? Data(Initial) : nullptr;
                const std::string Stream = EncryptStream(Text, *Cipher, First);
                const std::string Base64 = EncryptBlockString(Text, *Cipher, First);
                EXPECT_EQ(Base64, Base64Encode(Stream)) << Length << Chained;
                EXPECT_EQ(DecryptBlockString(Base64, *Cipher, Chained), Text) << Length << Chained;

                std::string WithTail = Stream + "xyz"; // not a whole block: ignored
                Decrypt(WithTail, *Cipher, Chained);
                EXPECT_EQ(WithTail, Text) << Length << Chained;
            }
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
    std::string CountTooLarge = EncryptStream("abc", IdentityCipher(8), nullptr);
    CountTooLarge[7] = 8;
    std::string CountFar = EncryptStream("abc", IdentityCipher(8), nullptr);
    CountFar[7] = static_cast<char>(255);
    const std::string Initial(8, '\0');
    std::string ChainedCountTooLarge = EncryptStream("", IdentityCipher(8), Data(Initial));
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
            Decrypt(Stream, Cipher, C.Chained);
            ADD_FAILURE() << C.Name << " accepted";
        } catch (const ECipherException& E) {
            EXPECT_STREQ(E.what(), "Invalid file format") << C.Name;
        }
    }
}

TEST(BlockStringTest, CountOfBlockSizeMinusOneIsTheLargestAccepted)
{
    const IdentityCipher Cipher(16);
    std::string Stream = EncryptStream(std::string(15, 'q'), Cipher, nullptr);
    ASSERT_EQ(Stream[15], 15);
    Decrypt(Stream, Cipher, false);
    EXPECT_EQ(Stream, std::string(15, 'q'));
}

} // namespace
