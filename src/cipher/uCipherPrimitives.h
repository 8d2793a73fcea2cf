#pragma once

#include "uBlockCipher.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The three primitives of the text cipher that no standard fixes: the key digest, the block
// cipher inside it and the 64-bit mask transform of the list file. Every stored list file
// depends on them bit for bit, so they follow their rules exactly, wrapping 32-bit words
// included. Byte strings are std::string holding raw bytes.

// The first 2048 bits of the fractional part of pi in base 16, as bytes in digit order. The
// key digest starts from all of it; the mask transform reads its first 18 words.
inline constexpr std::array<std::uint8_t, 256> PiFractionBytes = {
    0x24,
    0x3F,
    0x6A,
    0x88,
    0x85,
    0xA3,
    0x08,
    0xD3,
    0x13,
    0x19,
    0x8A,
    0x2E,
    0x03,
    0x70,
    0x73,
    0x44,
    0xA4,
    0x09,
    0x38,
    0x22,
    0x29,
    0x9F,
    0x31,
    0xD0,
    0x08,
    0x2E,
    0xFA,
    0x98,
    0xEC,
    0x4E,
    0x6C,
    0x89,
    0x45,
    0x28,
    0x21,
    0xE6,
    0x38,
    0xD0,
    0x13,
    0x77,
    0xBE,
    0x54,
    0x66,
    0xCF,
    0x34,
    0xE9,
    0x0C,
    0x6C,
    0xC0,
    0xAC,
    0x29,
    0xB7,
    0xC9,
    0x7C,
    0x50,
    0xDD,
    0x3F,
    0x84,
    0xD5,
    0xB5,
    0xB5,
    0x47,
    0x09,
    0x17,
    0x92,
    0x16,
    0xD5,
    0xD9,
    0x89,
    0x79,
    0xFB,
    0x1B,
    0xD1,
    0x31,
    0x0B,
    0xA6,
    0x98,
    0xDF,
    0xB5,
    0xAC,
    0x2F,
    0xFD,
    0x72,
    0xDB,
    0xD0,
    0x1A,
    0xDF,
    0xB7,
    0xB8,
    0xE1,
    0xAF,
    0xED,
    0x6A,
    0x26,
    0x7E,
    0x96,
    0xBA,
    0x7C,
    0x90,
    0x45,
    0xF1,
    0x2C,
    0x7F,
    0x99,
    0x24,
    0xA1,
    0x99,
    0x47,
    0xB3,
    0x91,
    0x6C,
    0xF7,
    0x08,
    0x01,
    0xF2,
    0xE2,
    0x85,
    0x8E,
    0xFC,
    0x16,
    0x63,
    0x69,
    0x20,
    0xD8,
    0x71,
    0x57,
    0x4E,
    0x69,
    0xA4,
    0x58,
    0xFE,
    0xA3,
    0xF4,
    0x93,
    0x3D,
    0x7E,
    0x0D,
    0x95,
    0x74,
    0x8F,
    0x72,
    0x8E,
    0xB6,
    0x58,
    0x71,
    0x8B,
    0xCD,
    0x58,
    0x82,
    0x15,
    0x4A,
    0xEE,
    0x7B,
    0x54,
    0xA4,
    0x1D,
    0xC2,
    0x5A,
    0x59,
    0xB5,
    0x9C,
    0x30,
    0xD5,
    0x39,
    0x2A,
    0xF2,
    0x60,
    0x13,
    0xC5,
    0xD1,
    0xB0,
    0x23,
    0x28,
    0x60,
    0x85,
    0xF0,
    0xCA,
    0x41,
    0x79,
    0x18,
    0xB8,
    0xDB,
    0x38,
    0xEF,
    0x8E,
    0x79,
    0xDC,
    0xB0,
    0x60,
    0x3A,
    0x18,
    0x0E,
    0x6C,
    0x9E,
    0x0E,
    0x8B,
    0xB0,
    0x1E,
    0x8A,
    0x3E,
    0xD7,
    0x15,
    0x77,
    0xC1,
    0xBD,
    0x31,
    0x4B,
    0x27,
    0x78,
    0xAF,
    0x2F,
    0xDA,
    0x55,
    0x60,
    0x5C,
    0x60,
    0xE6,
    0x55,
    0x25,
    0xF3,
    0xAA,
    0x55,
    0xAB,
    0x94,
    0x57,
    0x48,
    0x98,
    0x62,
    0x63,
    0xE8,
    0x14,
    0x40,
    0x55,
    0xCA,
    0x39,
    0x6A,
    0x2A,
    0xAB,
    0x10,
    0xB6,
    0xB4,
    0xCC,
    0x5C,
    0x34,
    0x11,
    0x41,
    0xE8,
    0xCE,
    0xA1,
    0x54,
    0x86,
    0xAF,
    0x7C,
    0x72,
    0xE9,
    0x93,
};

// The four-word mix of the key digest and its block cipher (eight add-add-shift steps).
void MixWords4(std::uint32_t& A, std::uint32_t& B, std::uint32_t& C, std::uint32_t& D);

// The eight-word mix of the ISAAC generator, used to spread the digest cipher's key.
void MixWords8(std::uint32_t& A, std::uint32_t& B, std::uint32_t& C, std::uint32_t& D, std::uint32_t& E,
    std::uint32_t& F, std::uint32_t& G, std::uint32_t& H);

// The key digest: Size bytes (at most 256; more gives 256) of key material from any text.
// Different sizes of one text are prefixes of the same 256-byte result.
std::string DigestText(std::string_view Text, std::size_t Size);

// The 128-bit block cipher inside the key digest: a Feistel network over MixWords4 with
// subkeys spread by MixWords8. Only encryption is ever needed.
class TDigestCipher
{
public:
    static constexpr std::size_t BlockSize = 16;
    static constexpr std::size_t KeySize = 16;

    // Rounds is clamped to 4..16.
    TDigestCipher(const std::uint8_t* Key, int Rounds);

    int Rounds() const { return FRounds; }

    // Encrypts one 16-byte block in place.
    void EncryptBlock(std::uint8_t* Block) const;

private:
    struct TSubkey
    {
        std::uint32_t First;
        std::uint32_t Second;
    };
    int FRounds;
    std::array<TSubkey, 16> FSubkeys;
};

// The 64-bit block transform of the list file's mode. Its key schedule has the shape of
// Blowfish's, but its network cancels down to xoring the block with two mask words, E on the
// first half and O on the second; it is its own inverse.
class TMaskCipher64 final : public TBlockCipher
{
public:
    static constexpr std::size_t KeySize = 16;

    // Key: 16 bytes.
    explicit TMaskCipher64(const std::uint8_t* Key);

    std::uint32_t MaskE() const { return FE; }
    std::uint32_t MaskO() const { return FO; }

    // Transforms one 8-byte block in place; both directions compute the same.
    void TransformBlock(std::uint8_t* Block) const;

    std::size_t BlockSize() const override { return 8; }
    void EncryptBlocks(std::uint8_t* Dst, const std::uint8_t* Src, std::size_t Length) const override;
    void DecryptBlocks(std::uint8_t* Dst, const std::uint8_t* Src, std::size_t Length) const override;

private:
    std::uint32_t FE;
    std::uint32_t FO;
    // E and O as they lie in a block, for whole-buffer xoring.
    std::array<std::uint8_t, 8> FMask;
};
