#include "uBlockString.h"

#include "CipherError.h"
#include "uBase64.h"

#include <cstring>
#include <stdexcept>

namespace {

std::uint8_t* Bytes(std::string& S)
{
    return reinterpret_cast<std::uint8_t*>(S.data());
}

// The final block: the leftover bytes, zero fill, and their count in the last byte.
void MakeFinalBlock(std::uint8_t* Block, std::size_t BlockSize, const char* Rest, std::size_t RestLength)
{
    std::memset(Block, 0, BlockSize);
    std::memcpy(Block, Rest, RestLength);
    Block[BlockSize - 1] = static_cast<std::uint8_t>(RestLength);
}

// Length of the text once the final block (already decrypted, at FinalBlock) is read.
std::size_t TextLength(const std::uint8_t* FinalBlock, std::size_t BlockSize, std::size_t BytesBefore)
{
    const std::size_t Count = FinalBlock[BlockSize - 1];
    if (Count > BlockSize - 1)
        throw ECipherException(CipherMessage::InvalidFileFormat);
    return BytesBefore + Count;
}

void XorBlock(std::uint8_t* Dst, const std::uint8_t* Src, std::size_t BlockSize)
{
    for (std::size_t I = 0; I < BlockSize; ++I)
        Dst[I] ^= Src[I];
}

} // namespace

std::string EncryptStreamECB(std::string_view Text, const TBlockCipher& Cipher)
{
    const std::size_t B = Cipher.BlockSize();
    const std::size_t Whole = Text.size() / B * B;
    std::string Result(Whole + B, '\0');
    std::uint8_t* Out = Bytes(Result);
    MakeFinalBlock(Out + Whole, B, Text.data() + Whole, Text.size() - Whole);
    if (Whole > 0)
        std::memcpy(Out, Text.data(), Whole);
    // All blocks in one call: for the list file's mask transform this is one vectorised loop.
    Cipher.EncryptBlocks(Out, Out, Whole + B);
    return Result;
}

std::string EncryptStreamCBC(std::string_view Text, const TBlockCipher& Cipher, const std::uint8_t* InitialBlock)
{
    const std::size_t B = Cipher.BlockSize();
    const std::size_t Whole = Text.size() / B * B;
    std::string Result(Whole + 2 * B, '\0');
    std::uint8_t* Out = Bytes(Result);
    Cipher.EncryptBlocks(Out, InitialBlock, B);
    if (Whole > 0)
        std::memcpy(Out + B, Text.data(), Whole);
    MakeFinalBlock(Out + B + Whole, B, Text.data() + Whole, Text.size() - Whole);
    // Each block is xored with the cipher block before it, then encrypted in place.
    for (std::size_t Offset = B; Offset < Result.size(); Offset += B) {
        XorBlock(Out + Offset, Out + Offset - B, B);
        Cipher.EncryptBlocks(Out + Offset, Out + Offset, B);
    }
    return Result;
}

void DecryptStreamECB(std::string& Text, const TBlockCipher& Cipher)
{
    const std::size_t B = Cipher.BlockSize();
    const std::size_t Whole = Text.size() / B * B;
    if (Whole == 0)
        throw ECipherException(CipherMessage::InvalidFileFormat);
    std::uint8_t* Data = Bytes(Text);
    Cipher.DecryptBlocks(Data, Data, Whole);
    Text.resize(TextLength(Data + Whole - B, B, Whole - B));
}

void DecryptStreamCBC(std::string& Text, const TBlockCipher& Cipher)
{
    const std::size_t B = Cipher.BlockSize();
    const std::size_t Whole = Text.size() / B * B;
    if (Whole < 2 * B)
        throw ECipherException(CipherMessage::InvalidFileFormat);
    std::uint8_t* Data = Bytes(Text);
    // Each plain block is written one block earlier than its cipher block, so the chaining
    // value (the previous cipher block) is saved before it is overwritten.
    std::uint8_t Chain[TBlockCipher::MaxBlockSize];
    std::uint8_t Current[TBlockCipher::MaxBlockSize];
    std::memcpy(Chain, Data, B);
    for (std::size_t Offset = B; Offset < Whole; Offset += B) {
        std::memcpy(Current, Data + Offset, B);
        Cipher.DecryptBlocks(Data + Offset - B, Current, B);
        XorBlock(Data + Offset - B, Chain, B);
        std::memcpy(Chain, Current, B);
    }
    Text.resize(TextLength(Data + Whole - 2 * B, B, Whole - 2 * B));
}

std::string EncryptBlockString(
    std::string_view Text, const TBlockCipher& Cipher, bool Chained, const std::uint8_t* InitialBlock)
{
    if (Chained && InitialBlock == nullptr)
        throw std::invalid_argument("chained encryption needs an initial block");
    const std::string Stream = Chained ? EncryptStreamCBC(Text, Cipher, InitialBlock) : EncryptStreamECB(Text, Cipher);
    return Base64Encode(Stream);
}

std::string DecryptBlockString(std::string_view Text, const TBlockCipher& Cipher, bool Chained)
{
    std::string Stream = Base64Decode(Text);
    if (Chained)
        DecryptStreamCBC(Stream, Cipher);
    else
        DecryptStreamECB(Stream, Cipher);
    return Stream;
}
