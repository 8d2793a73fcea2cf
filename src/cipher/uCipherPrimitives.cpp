#include "uCipherPrimitives.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

std::uint32_t ReadLittleEndian(const std::uint8_t* Bytes)
{
    return std::uint32_t(Bytes[0]) | std::uint32_t(Bytes[1]) << 8 | std::uint32_t(Bytes[2]) << 16
        | std::uint32_t(Bytes[3]) << 24;
}

std::uint32_t ReadBigEndian(const std::uint8_t* Bytes)
{
    return std::uint32_t(Bytes[0]) << 24 | std::uint32_t(Bytes[1]) << 16 | std::uint32_t(Bytes[2]) << 8
        | std::uint32_t(Bytes[3]);
}

void WriteLittleEndian(std::uint8_t* Bytes, std::uint32_t Word)
{
    Bytes[0] = std::uint8_t(Word);
    Bytes[1] = std::uint8_t(Word >> 8);
    Bytes[2] = std::uint8_t(Word >> 16);
    Bytes[3] = std::uint8_t(Word >> 24);
}

// The running state of the key digest while the text is fed.
class TKeyDigest
{
public:
    TKeyDigest()
        : FDigest(PiFractionBytes)
    {
        FKeyWords.fill(0x55555555u);
    }

    void Feed(std::uint8_t X)
    {
        FDigest[FDigestIndex] ^= X;
        if (++FDigestIndex == 256)
            FDigestIndex = 0;
        // Key byte KeyIndex in storage order: the words are stored little-endian.
        FKeyWords[FKeyIndex / 4] ^= std::uint32_t(X) << (8 * (FKeyIndex % 4));
        if (++FKeyIndex == 8) {
            std::uint32_t A = FKeyWords[3], B = FKeyWords[2], C = FKeyWords[1], D = FKeyWords[0];
            for (int I = 0; I < 4; ++I)
                MixWords4(A, B, C, D);
            FKeyWords = { A, B, C, D };
            FKeyIndex = 0;
        }
    }

    // Pads with 1, 0, 0, ... up to the next mix (always at least one byte), then encrypts the
    // digest bytes under the mixed key words.
    const std::array<std::uint8_t, 256>& Finish()
    {
        static constexpr std::uint8_t Padding[8] = { 1, 0, 0, 0, 0, 0, 0, 0 };
        const int Count = 8 - FKeyIndex;
        for (int I = 0; I < Count; ++I)
            Feed(Padding[I]);

        std::uint8_t Key[TDigestCipher::KeySize];
        for (int I = 0; I < 4; ++I)
            WriteLittleEndian(Key + 4 * I, FKeyWords[I]);
        const TDigestCipher Cipher(Key, 8);
        for (std::size_t Offset = 0; Offset < FDigest.size(); Offset += TDigestCipher::BlockSize)
            Cipher.EncryptBlock(FDigest.data() + Offset);
        return FDigest;
    }

private:
    int FDigestIndex = 0;
    std::array<std::uint8_t, 256> FDigest;
    int FKeyIndex = 0;
    std::array<std::uint32_t, 4> FKeyWords;
};

} // namespace

void MixWords4(std::uint32_t& A, std::uint32_t& B, std::uint32_t& C, std::uint32_t& D)
{
    A += D;
    D += A;
    A ^= A >> 7;
    B += A;
    A += B;
    B ^= B << 13;
    C += B;
    B += C;
    C ^= C >> 17;
    D += C;
    C += D;
    D ^= D << 9;
    A += D;
    D += A;
    A ^= A >> 3;
    B += A;
    A += B;
    B ^= B << 7;
    C += B;
    B += C;
    C ^= D >> 15; // D, not C: the stored keys depend on it
    D += C;
    C += D;
    D ^= D << 11;
}

void MixWords8(std::uint32_t& A, std::uint32_t& B, std::uint32_t& C, std::uint32_t& D, std::uint32_t& E,
    std::uint32_t& F, std::uint32_t& G, std::uint32_t& H)
{
    A ^= B << 11;
    D += A;
    B += C;
    B ^= C >> 2;
    E += B;
    C += D;
    C ^= D << 8;
    F += C;
    D += E;
    D ^= E >> 16;
    G += D;
    E += F;
    E ^= F << 10;
    H += E;
    F += G;
    F ^= G >> 4;
    A += F;
    G += H;
    G ^= H << 8;
    B += G;
    H += A;
    H ^= A >> 9;
    C += H;
    A += B;
}

std::string DigestText(std::string_view Text, std::size_t Size)
{
    TKeyDigest Digest;
    for (const char X : Text)
        Digest.Feed(static_cast<std::uint8_t>(X));
    const auto& Result = Digest.Finish();
    return std::string(reinterpret_cast<const char*>(Result.data()), std::min<std::size_t>(Size, Result.size()));
}

TDigestCipher::TDigestCipher(const std::uint8_t* Key, int Rounds)
    : FRounds(std::clamp(Rounds, 4, 16))
{
    static constexpr std::uint32_t Salts[4] = { 0x55555555u, 0xAAAAAAAAu, 0x33333333u, 0xCCCCCCCCu };
    const std::uint32_t K0 = ReadLittleEndian(Key), K1 = ReadLittleEndian(Key + 4), K2 = ReadLittleEndian(Key + 8),
                        K3 = ReadLittleEndian(Key + 12);
    for (int I = 0; I < 4; ++I) {
        const std::uint32_t S = Salts[I];
        std::uint32_t A = K0, B = S, C = K1, D = S, E = K2, F = S, G = K3, H = S;
        for (int J = 0; J < 8; ++J)
            MixWords8(A, B, C, D, E, F, G, H);
        FSubkeys[4 * I] = { A, B };
        FSubkeys[4 * I + 1] = { C, D };
        FSubkeys[4 * I + 2] = { E, F };
        FSubkeys[4 * I + 3] = { G, H };
    }
}

void TDigestCipher::EncryptBlock(std::uint8_t* Block) const
{
    std::uint32_t R0 = ReadLittleEndian(Block), R1 = ReadLittleEndian(Block + 4);
    std::uint32_t L0 = ReadLittleEndian(Block + 8), L1 = ReadLittleEndian(Block + 12);
    for (int Round = 0; Round < FRounds; ++Round) {
        const TSubkey& Key = FSubkeys[Round];
        std::uint32_t A = R0, B = Key.First, C = R1, D = Key.Second;
        MixWords4(A, B, C, D);
        std::swap(A, C);
        std::swap(B, D);
        MixWords4(A, B, C, D);
        const std::uint32_t T0 = L0 ^ A ^ B, T1 = L1 ^ C ^ D;
        L0 = R0;
        L1 = R1;
        R0 = T0;
        R1 = T1;
    }
    WriteLittleEndian(Block, L0);
    WriteLittleEndian(Block + 4, L1);
    WriteLittleEndian(Block + 8, R0);
    WriteLittleEndian(Block + 12, R1);
}

TMaskCipher64::TMaskCipher64(const std::uint8_t* Key)
{
    std::uint32_t P[18];
    for (int I = 0; I < 18; ++I)
        P[I] = ReadBigEndian(PiFractionBytes.data() + 4 * I) ^ ReadBigEndian(Key + 4 * (I % 4));

    const auto Even = [&P] {
        std::uint32_t X = 0;
        for (int I = 0; I < 18; I += 2)
            X ^= P[I];
        return X;
    };
    const auto Odd = [&P] {
        std::uint32_t X = 0;
        for (int I = 1; I < 18; I += 2)
            X ^= P[I];
        return X;
    };

    // The nine block operations of the schedule, each reduced to its xor of masks.
    std::uint32_t L = 0, R = 0;
    for (int J = 0; J < 9; ++J) {
        const std::uint32_t E = Even(), O = Odd();
        L ^= E;
        R ^= O;
        P[2 * J] = L;
        P[2 * J + 1] = R;
    }
    FE = Even();
    FO = Odd();
    WriteLittleEndian(FMask.data(), FE);
    WriteLittleEndian(FMask.data() + 4, FO);
}

void TMaskCipher64::TransformBlock(std::uint8_t* Block) const
{
    EncryptBlocks(Block, Block, 8);
}

void TMaskCipher64::EncryptBlocks(std::uint8_t* Dst, const std::uint8_t* Src, std::size_t Length) const
{
    // One 64-bit xor per block; memcpy keeps the loads unaligned-safe and lets the compiler
    // vectorise the loop.
    std::uint64_t Mask;
    std::memcpy(&Mask, FMask.data(), 8);
    for (std::size_t Offset = 0; Offset + 8 <= Length; Offset += 8) {
        std::uint64_t X;
        std::memcpy(&X, Src + Offset, 8);
        X ^= Mask;
        std::memcpy(Dst + Offset, &X, 8);
    }
}

void TMaskCipher64::DecryptBlocks(std::uint8_t* Dst, const std::uint8_t* Src, std::size_t Length) const
{
    EncryptBlocks(Dst, Src, Length);
}
