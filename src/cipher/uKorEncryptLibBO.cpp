#include "uKorEncryptLibBO.h"

#include "uBlockString.h"
#include "uCipherPrimitives.h"

#include <cstring>

namespace {

// An output buffer that grows Result to the size asked for.
TOutputBuffer StringBuffer(std::string& Result)
{
    return [&Result](std::size_t Size) {
        Result.resize(Size);
        return Result.data();
    };
}

// Copies the first Field.size() bytes of a digest into a key field.
template <std::size_t N> void Fill(std::array<std::uint8_t, N>& Field, std::string_view Text)
{
    const std::string Digest = DigestText(Text, N);
    std::memcpy(Field.data(), Digest.data(), N);
}

int HexValue(char C)
{
    if (C >= '0' && C <= '9')
        return C - '0';
    if (C >= 'A' && C <= 'F')
        return C - 'A' + 10;
    if (C >= 'a' && C <= 'f')
        return C - 'a' + 10;
    return -1;
}

// The running key of mode 0, advanced by each cipher byte in both directions.
std::uint32_t NextKey(std::uint32_t Key, std::uint8_t CipherByte)
{
    return (CipherByte + Key) * 713u + 227u;
}

} // namespace

TKorEncryptLibBO::TKorEncryptLibBO(const Clock& Clock)
    : FClock(&Clock)
{ }

std::string TKorEncryptLibBO::EncryptString(
    std::string_view Text, std::uint8_t Mode, std::uint8_t Chaining, std::uint8_t KeySize)
{
    std::string Result;
    Result.resize(EncryptString(Text, Mode, Chaining, KeySize, StringBuffer(Result)));
    return Result;
}

std::string TKorEncryptLibBO::DecryptString(
    std::string_view Text, std::uint8_t Mode, std::uint8_t Chaining, std::uint8_t KeySize)
{
    std::string Result;
    Result.resize(DecryptString(Text, Mode, Chaining, KeySize, StringBuffer(Result)));
    return Result;
}

std::size_t TKorEncryptLibBO::EncryptString(
    std::string_view Text, std::uint8_t Mode, std::uint8_t Chaining, std::uint8_t KeySize, const TOutputBuffer& Output)
{
    return Run(true, Text, Mode, Chaining, KeySize, Output);
}

std::size_t TKorEncryptLibBO::DecryptString(
    std::string_view Text, std::uint8_t Mode, std::uint8_t Chaining, std::uint8_t KeySize, const TOutputBuffer& Output)
{
    return Run(false, Text, Mode, Chaining, KeySize, Output);
}

std::size_t TKorEncryptLibBO::Run(bool Encrypt, std::string_view Text, std::uint8_t Mode, std::uint8_t Chaining,
    std::uint8_t KeySize, const TOutputBuffer& Output)
{
    PrepareKey(KeySize);
    if (Chaining > CBC || Mode > Rijndael)
        return 0;
    if (Mode == KorBlockCipher) {
        if (Chaining == CBC)
            throw ECipherException(CipherMessage::InvalidMode);
        const std::string Result = Encrypt ? HexEncrypt(Text) : HexDecrypt(Text);
        if (!Result.empty())
            std::memcpy(Output(Result.size()), Result.data(), Result.size());
        return Result.size();
    }
    const auto Cipher = MakeCipher(Mode, KeySize);
    const bool Chained = Chaining == CBC;
    if (!Encrypt)
        return DecryptBlockString(Text, *Cipher, Chained, Output);
    if (!Chained)
        return EncryptBlockString(Text, *Cipher, nullptr, Output);
    const auto Initial = InitialBlock(Mode, *FClock);
    return EncryptBlockString(Text, *Cipher, Initial.data(), Output);
}

std::unique_ptr<TBlockCipher> TKorEncryptLibBO::MakeCipher(std::uint8_t Mode, std::uint8_t KeySize) const
{
    switch (Mode) {
    case Blowfish:
        return std::make_unique<TMaskCipher64>(FKey128.data());
    case DES:
        return MakeDesCipher(FKey64.data());
    case TripleDES:
        return MakeTripleDesCipher(FKey128.data());
    default:
        switch (KeySize) {
        case Key128:
            return MakeRijndaelCipher(FKey128.data(), FKey128.size());
        case Key192:
            return MakeRijndaelCipher(FKey192.data(), FKey192.size());
        case Key256:
            return MakeRijndaelCipher(FKey256.data(), FKey256.size());
        default:
            throw ECipherException(CipherMessage::InvalidKey);
        }
    }
}

std::array<std::uint8_t, TBlockCipher::MaxBlockSize> TKorEncryptLibBO::InitialBlock(
    std::uint8_t Mode, const Clock& Clock)
{
    // Only the readings vary; the rest of the block stays zero.
    std::array<std::uint8_t, TBlockCipher::MaxBlockSize> Block {};
    switch (Mode) {
    case Blowfish:
        for (int I = 0; I < 2; ++I) {
            const std::uint32_t Reading = Clock.TickCount();
            for (int J = 0; J < 4; ++J)
                Block[4 * I + J] = std::uint8_t(Reading >> (8 * J));
        }
        break;
    case DES:
    case TripleDES:
        for (int I = 0; I < 4; ++I)
            Block[I] = std::uint8_t(Clock.TickCount());
        break;
    default:
        for (int I = 0; I < 2; ++I)
            Block[I] = std::uint8_t(Clock.TickCount());
        break;
    }
    return Block;
}

std::string TKorEncryptLibBO::HexEncrypt(std::string_view Text)
{
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::string Result(2 * Text.size(), '\0');
    std::uint32_t Key = 1;
    for (std::size_t I = 0; I < Text.size(); ++I) {
        const auto C = std::uint8_t(static_cast<std::uint8_t>(Text[I]) ^ ((Key >> 8) & 255));
        Result[2 * I] = Digits[C >> 4];
        Result[2 * I + 1] = Digits[C & 15];
        Key = NextKey(Key, C);
    }
    return Result;
}

std::string TKorEncryptLibBO::HexDecrypt(std::string_view Text)
{
    std::string Result(Text.size() / 2, '\0');
    std::uint32_t Key = 1;
    for (std::size_t I = 0; I < Result.size(); ++I) {
        const int High = HexValue(Text[2 * I]), Low = HexValue(Text[2 * I + 1]);
        if (High < 0 || Low < 0)
            throw ECipherException(CipherMessage::InvalidConversion);
        const auto C = std::uint8_t(High << 4 | Low);
        Result[I] = static_cast<char>(C ^ ((Key >> 8) & 255));
        Key = NextKey(Key, C);
    }
    return Result;
}

void TKorEncryptLibBO::PrepareKey(std::uint8_t KeySize)
{
    const std::string KeyText = GetKeyText();
    switch (KeySize) {
    case Key64:
        Fill(FKey64, KeyText);
        break;
    case Key128:
        Fill(FKey128, KeyText);
        break;
    case Key192:
        Fill(FKey192, KeyText);
        break;
    case Key256:
        Fill(FKey256, KeyText);
        break;
    default:
        break;
    }
}

std::string TKorEncryptLibBO::GetKeyText()
{
    Fill(FKey256, KeyPassphrase);
    const auto Cipher = MakeRijndaelCipher(FKey256.data(), FKey256.size());
    return DecryptBlockString(EncryptedKeyText, *Cipher, true);
}

std::string TKorEncryptLibBO::MakeEncryptedKeyText(
    std::string_view Passphrase, std::string_view KeyText, const Clock& Clock)
{
    const std::string Key = DigestText(Passphrase, 32);
    const auto Cipher = MakeRijndaelCipher(reinterpret_cast<const std::uint8_t*>(Key.data()), Key.size());
    const auto Initial = InitialBlock(Rijndael, Clock);
    return EncryptBlockString(KeyText, *Cipher, Initial.data());
}

std::string TKorEncryptLibBO::DecryptKeyText(std::string_view Passphrase, std::string_view EncryptedKeyText)
{
    const std::string Key = DigestText(Passphrase, 32);
    const auto Cipher = MakeRijndaelCipher(reinterpret_cast<const std::uint8_t*>(Key.data()), Key.size());
    return DecryptBlockString(EncryptedKeyText, *Cipher, true);
}
