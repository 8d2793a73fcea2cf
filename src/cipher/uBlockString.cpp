#include "uBlockString.h"

#include "CipherError.h"
#include "uBase64.h"

#include <algorithm>
#include <cstring>

namespace {

// Encryption works through a small buffer that stays in the cache: a multiple of every
// block size (so blocks never straddle two pieces) and of three (so Base64 groups do not).
constexpr std::size_t ChunkSize = 3 * 1024;
static_assert(ChunkSize % 3 == 0 && ChunkSize % TBlockCipher::MaxBlockSize == 0);

// Encrypts the framed stream and hands it to Take in pieces of ChunkSize bytes, the last
// one shorter. Chained when InitialBlock is given.
template <typename Sink>
void ProduceStream(std::string_view Text, const TBlockCipher& Cipher, const std::uint8_t* InitialBlock, Sink&& Take)
{
    const std::size_t B = Cipher.BlockSize();
    std::uint8_t Chunk[ChunkSize];
    std::uint8_t Chain[TBlockCipher::MaxBlockSize];
    std::size_t Fill = 0;

    // Encrypts Length bytes (whole blocks) of the chunk in place.
    const auto EncryptInPlace = [&](std::uint8_t* Blocks, std::size_t Length) {
        if (InitialBlock == nullptr) {
            Cipher.EncryptBlocks(Blocks, Blocks, Length);
            return;
        }
        for (std::size_t Offset = 0; Offset < Length; Offset += B) {
            std::uint8_t* Block = Blocks + Offset;
            for (std::size_t I = 0; I < B; ++I)
                Block[I] ^= Chain[I];
            Cipher.EncryptBlocks(Block, Block, B);
            std::memcpy(Chain, Block, B);
        }
    };

    if (InitialBlock != nullptr) {
        Cipher.EncryptBlocks(Chunk, InitialBlock, B);
        std::memcpy(Chain, Chunk, B);
        Fill = B;
    }
    const std::size_t Whole = Text.size() / B * B;
    for (std::size_t Position = 0; Position < Whole;) {
        const std::size_t Length = std::min(ChunkSize - Fill, Whole - Position);
        std::memcpy(Chunk + Fill, Text.data() + Position, Length);
        EncryptInPlace(Chunk + Fill, Length);
        Fill += Length;
        Position += Length;
        if (Fill == ChunkSize) {
            Take(Chunk, Fill);
            Fill = 0;
        }
    }
    // The final block: the leftover bytes, zero fill, and their count in the last byte.
    const std::size_t Rest = Text.size() - Whole;
    std::uint8_t* Final = Chunk + Fill;
    std::memset(Final, 0, B);
    if (Rest > 0)
        std::memcpy(Final, Text.data() + Whole, Rest);
    Final[B - 1] = static_cast<std::uint8_t>(Rest);
    EncryptInPlace(Final, B);
    Take(Chunk, Fill + B);
}

std::size_t StreamLength(std::size_t TextLength, std::size_t BlockSize, bool Chained)
{
    return (TextLength / BlockSize + (Chained ? 2 : 1)) * BlockSize;
}

[[noreturn]] void FailFormat()
{
    throw ECipherException(CipherMessage::InvalidFileFormat);
}

} // namespace

std::string EncryptStream(std::string_view Text, const TBlockCipher& Cipher, const std::uint8_t* InitialBlock)
{
    std::string Result;
    Result.reserve(StreamLength(Text.size(), Cipher.BlockSize(), InitialBlock != nullptr));
    ProduceStream(Text, Cipher, InitialBlock, [&Result](const std::uint8_t* Piece, std::size_t Length) {
        Result.append(reinterpret_cast<const char*>(Piece), Length);
    });
    return Result;
}

std::size_t DecryptStream(std::uint8_t* Data, std::size_t Length, const TBlockCipher& Cipher, bool Chained)
{
    const std::size_t B = Cipher.BlockSize();
    const std::size_t Whole = Length / B * B;
    std::size_t Before; // plain bytes before the final block
    if (!Chained) {
        if (Whole == 0)
            FailFormat();
        Cipher.DecryptBlocks(Data, Data, Whole);
        Before = Whole - B;
    } else {
        if (Whole < 2 * B)
            FailFormat();
        // Each plain block is written one block earlier than its cipher block, so the chaining
        // value (the previous cipher block) is kept aside before it is overwritten.
        std::uint8_t Chain[TBlockCipher::MaxBlockSize];
        std::uint8_t Current[TBlockCipher::MaxBlockSize];
        std::memcpy(Chain, Data, B);
        for (std::size_t Offset = B; Offset < Whole; Offset += B) {
            std::memcpy(Current, Data + Offset, B);
            std::uint8_t* Plain = Data + Offset - B;
            Cipher.DecryptBlocks(Plain, Current, B);
            for (std::size_t I = 0; I < B; ++I)
                Plain[I] ^= Chain[I];
            std::memcpy(Chain, Current, B);
        }
        Before = Whole - 2 * B;
    }
    const std::size_t Count = Data[Before + B - 1];
    if (Count > B - 1)
        FailFormat();
    return Before + Count;
}

std::size_t EncryptBlockString(
    std::string_view Text, const TBlockCipher& Cipher, const std::uint8_t* InitialBlock, const TOutputBuffer& Output)
{
    const std::size_t Length
        = Base64EncodedLength(StreamLength(Text.size(), Cipher.BlockSize(), InitialBlock != nullptr));
    char* Out = Output(Length);
    ProduceStream(Text, Cipher, InitialBlock, [&Out](const std::uint8_t* Piece, std::size_t PieceLength) {
        // Every piece but the last is a whole number of Base64 groups.
        Base64EncodeTo(Piece, PieceLength, Out);
        Out += Base64EncodedLength(PieceLength);
    });
    return Length;
}

std::size_t DecryptBlockString(
    std::string_view Text, const TBlockCipher& Cipher, bool Chained, const TOutputBuffer& Output)
{
    const std::size_t Length = Base64DecodedLength(Text);
    auto* Data = reinterpret_cast<std::uint8_t*>(Output(Length));
    Base64DecodeTo(Text, Data);
    return DecryptStream(Data, Length, Cipher, Chained);
}

std::string EncryptBlockString(std::string_view Text, const TBlockCipher& Cipher, const std::uint8_t* InitialBlock)
{
    std::string Result;
    const std::size_t Length = EncryptBlockString(Text, Cipher, InitialBlock, [&Result](std::size_t Size) {
        Result.resize(Size);
        return Result.data();
    });
    Result.resize(Length);
    return Result;
}

std::string DecryptBlockString(std::string_view Text, const TBlockCipher& Cipher, bool Chained)
{
    std::string Result;
    const std::size_t Length = DecryptBlockString(Text, Cipher, Chained, [&Result](std::size_t Size) {
        Result.resize(Size);
        return Result.data();
    });
    Result.resize(Length);
    return Result;
}
