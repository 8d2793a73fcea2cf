#include "uBase64.h"

#include "CipherError.h"

#include <array>
#include <cstring>

namespace {

constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Two output characters for each 12-bit value, so a group of three bytes takes two lookups.
constexpr std::array<char, 2 * 4096> MakePairTable()
{
    std::array<char, 2 * 4096> Table {};
    for (int I = 0; I < 4096; ++I) {
        Table[2 * I] = Alphabet[I >> 6];
        Table[2 * I + 1] = Alphabet[I & 63];
    }
    return Table;
}
constexpr auto PairTable = MakePairTable();

// Decoding tables, one per place in a group: each holds the character's six bits already
// shifted to their place in the 24-bit group, or the Bad bit for a character outside the
// alphabet, so a group is four lookups, three ors and one test.
constexpr std::uint32_t Bad = 0x01000000u;

constexpr std::array<std::uint32_t, 256> MakeDecodeTable(int Shift)
{
    std::array<std::uint32_t, 256> Table {};
    for (auto& Entry : Table)
        Entry = Bad;
    for (int I = 0; I < 64; ++I)
        Table[static_cast<unsigned char>(Alphabet[I])] = std::uint32_t(I) << Shift;
    return Table;
}
constexpr auto Decode0 = MakeDecodeTable(18);
constexpr auto Decode1 = MakeDecodeTable(12);
constexpr auto Decode2 = MakeDecodeTable(6);
constexpr auto Decode3 = MakeDecodeTable(0);

[[noreturn]] void FailBase64()
{
    throw ECipherException(CipherMessage::InvalidBase64);
}

} // namespace

void Base64EncodeTo(const std::uint8_t* Bytes, std::size_t Length, char* Out)
{
    std::size_t I = 0;
    for (; I + 3 <= Length; I += 3) {
        const std::uint32_t Group = std::uint32_t(Bytes[I]) << 16 | std::uint32_t(Bytes[I + 1]) << 8 | Bytes[I + 2];
        std::memcpy(Out, &PairTable[2 * (Group >> 12)], 2);
        std::memcpy(Out + 2, &PairTable[2 * (Group & 0xFFF)], 2);
        Out += 4;
    }
    const std::size_t Rest = Length - I;
    if (Rest == 0)
        return;
    const std::uint32_t Group = std::uint32_t(Bytes[I]) << 16 | (Rest == 2 ? std::uint32_t(Bytes[I + 1]) << 8 : 0);
    Out[0] = Alphabet[Group >> 18];
    Out[1] = Alphabet[(Group >> 12) & 63];
    Out[2] = Rest == 2 ? Alphabet[(Group >> 6) & 63] : '=';
    Out[3] = '=';
}

std::string Base64Encode(std::string_view Bytes)
{
    std::string Result(Base64EncodedLength(Bytes.size()), '\0');
    Base64EncodeTo(reinterpret_cast<const std::uint8_t*>(Bytes.data()), Bytes.size(), Result.data());
    return Result;
}

std::size_t Base64DecodedLength(std::string_view Text)
{
    if (Text.size() % 4 != 0)
        FailBase64();
    if (Text.empty())
        return 0;
    // Padding counts only at the end; a "=" anywhere else fails in Base64DecodeTo.
    const std::size_t Padding = Text.back() != '=' ? 0 : (Text[Text.size() - 2] == '=' ? 2 : 1);
    return Text.size() / 4 * 3 - Padding;
}

void Base64DecodeTo(std::string_view Text, std::uint8_t* Out)
{
    const std::size_t Length = Base64DecodedLength(Text);
    if (Length == 0)
        return;
    const auto* In = reinterpret_cast<const std::uint8_t*>(Text.data());
    const std::size_t Groups = Text.size() / 4;
    const std::size_t Padding = Groups * 3 - Length;

    for (std::size_t G = 0; G + 1 < Groups; ++G, In += 4, Out += 3) {
        const std::uint32_t Group = Decode0[In[0]] | Decode1[In[1]] | Decode2[In[2]] | Decode3[In[3]];
        if (Group & Bad)
            FailBase64();
        Out[0] = std::uint8_t(Group >> 16);
        Out[1] = std::uint8_t(Group >> 8);
        Out[2] = std::uint8_t(Group);
    }

    // The last group: the padding characters count as zero bits.
    const std::uint32_t Group
        = Decode0[In[0]] | Decode1[In[1]] | (Padding >= 2 ? 0 : Decode2[In[2]]) | (Padding >= 1 ? 0 : Decode3[In[3]]);
    if (Group & Bad)
        FailBase64();
    Out[0] = std::uint8_t(Group >> 16);
    if (Padding < 2)
        Out[1] = std::uint8_t(Group >> 8);
    if (Padding < 1)
        Out[2] = std::uint8_t(Group);
}

std::string Base64Decode(std::string_view Text)
{
    std::string Result(Base64DecodedLength(Text), '\0');
    Base64DecodeTo(Text, reinterpret_cast<std::uint8_t*>(Result.data()));
    return Result;
}
