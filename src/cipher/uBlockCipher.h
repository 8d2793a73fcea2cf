#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// One block cipher under one key, as the block string routines see it: a block size and
// whole-block transforms in both directions. The chaining and framing live above it, so the
// same routines serve our own mask transform and the standard ciphers from Nettle.
class TBlockCipher
{
public:
    // The largest block of any cipher here (Rijndael); buffers for one block use it.
    static constexpr std::size_t MaxBlockSize = 16;

    virtual ~TBlockCipher() = default;

    virtual std::size_t BlockSize() const = 0;

    // Each transforms Length bytes, a whole number of blocks, block by block (codebook).
    // Dst may be Src (in place); other overlaps are not allowed.
    virtual void EncryptBlocks(std::uint8_t* Dst, const std::uint8_t* Src, std::size_t Length) const = 0;
    virtual void DecryptBlocks(std::uint8_t* Dst, const std::uint8_t* Src, std::size_t Length) const = 0;
};

// The standard ciphers, from Nettle. Keys are read, not kept by reference.
// DES with an 8-byte key; parity bits are ignored and weak keys (all zero, for one) work.
std::unique_ptr<TBlockCipher> MakeDesCipher(const std::uint8_t* Key);
// Two-key triple DES with a 16-byte key K1 K2: encrypt K1, decrypt K2, encrypt K1.
std::unique_ptr<TBlockCipher> MakeTripleDesCipher(const std::uint8_t* Key);
// Rijndael with 16-byte blocks (AES); KeyLength is 16, 24 or 32.
std::unique_ptr<TBlockCipher> MakeRijndaelCipher(const std::uint8_t* Key, std::size_t KeyLength);
