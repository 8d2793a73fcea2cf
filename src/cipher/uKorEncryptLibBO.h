#pragma once

#include "CipherError.h"
#include "Clock.h"
#include "uBlockCipher.h"
#include "uBlockString.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// The text cipher: turns a byte string into printable cipher text and back, in one of five
// modes (a character-wise scheme of its own and four block ciphers), two chainings and five
// key size codes. Callers never supply keys: every call derives them afresh from the two
// built-in values, so every copy of the program reads the list files of every other.
// An object holds only its four key fields; make one per call. Failures are
// ECipherException with the message the user reads; nothing is caught inside.
class TKorEncryptLibBO
{
public:
    // Modes.
    static constexpr std::uint8_t KorBlockCipher = 0; // character-wise scheme, hexadecimal text
    static constexpr std::uint8_t Blowfish = 1; // the mask transform TMaskCipher64, the list file's mode
    static constexpr std::uint8_t DES = 2;
    static constexpr std::uint8_t TripleDES = 3; // two-key, K1 K2 K1
    static constexpr std::uint8_t Rijndael = 4; // AES
    // Chainings.
    static constexpr std::uint8_t EBC = 0; // electronic codebook
    static constexpr std::uint8_t CBC = 1; // cipher-block chaining
    // Key size codes.
    static constexpr std::uint8_t Key32 = 0; // fills no key field
    static constexpr std::uint8_t Key64 = 1;
    static constexpr std::uint8_t Key128 = 2;
    static constexpr std::uint8_t Key192 = 3;
    static constexpr std::uint8_t Key256 = 4;

    // The built-in values. Changing either makes every list file written before unreadable.
    // The passphrase is 16 hexadecimal characters; the encrypted key text is the key text
    // (16 to 31 bytes) encrypted by the Rijndael block string routine with chaining under the
    // passphrase's 32-byte digest (tools/make-cipher-key.cpp makes such a pair).
    static const std::string_view KeyPassphrase;
    static const std::string_view EncryptedKeyText;

    // The clock gives the initial block of chained encryption; it must outlive the object.
    explicit TKorEncryptLibBO(const Clock& Clock = SystemClock::Instance());

    // A chaining above 1 or a mode above 4 gives the empty text.
    std::string EncryptString(std::string_view Text, std::uint8_t Mode, std::uint8_t Chaining, std::uint8_t KeySize);
    std::string DecryptString(std::string_view Text, std::uint8_t Mode, std::uint8_t Chaining, std::uint8_t KeySize);
    // The same, writing the result into storage the caller gives (see TOutputBuffer) and
    // giving its length; Output is not called when the result is empty for want of a routine.
    std::size_t EncryptString(std::string_view Text, std::uint8_t Mode, std::uint8_t Chaining, std::uint8_t KeySize,
        const TOutputBuffer& Output);
    std::size_t DecryptString(std::string_view Text, std::uint8_t Mode, std::uint8_t Chaining, std::uint8_t KeySize,
        const TOutputBuffer& Output);

    // Mode 0: each byte xored with a running key that is advanced by the cipher byte, written
    // as two upper-case hexadecimal digits. Decryption reads pairs (either case), ignores a
    // trailing odd character, and fails with "Invalid conversion during decryption".
    static std::string HexEncrypt(std::string_view Text);
    static std::string HexDecrypt(std::string_view Text);

    // Fills FKey256 with the passphrase's digest (scratch), decrypts the key text, then fills
    // the key field of KeySize with the key text's digest; other fields keep what they held.
    void PrepareKey(std::uint8_t KeySize);
    // The key text behind the built-in values; leaves the passphrase digest in FKey256.
    std::string GetKeyText();

    // The two halves of the built-in values' scheme, for the key generator and its tests.
    static std::string MakeEncryptedKeyText(std::string_view Passphrase, std::string_view KeyText, const Clock& Clock);
    static std::string DecryptKeyText(std::string_view Passphrase, std::string_view EncryptedKeyText);

    const std::array<std::uint8_t, 8>& Key64Field() const { return FKey64; }
    const std::array<std::uint8_t, 16>& Key128Field() const { return FKey128; }
    const std::array<std::uint8_t, 24>& Key192Field() const { return FKey192; }
    const std::array<std::uint8_t, 32>& Key256Field() const { return FKey256; }

private:
    std::size_t Run(bool Encrypt, std::string_view Text, std::uint8_t Mode, std::uint8_t Chaining, std::uint8_t KeySize,
        const TOutputBuffer& Output);
    // The block cipher of modes 1 to 4 under the key fields.
    std::unique_ptr<TBlockCipher> MakeCipher(std::uint8_t Mode, std::uint8_t KeySize) const;
    // The initial block of chained encryption, from millisecond counter readings.
    static std::array<std::uint8_t, TBlockCipher::MaxBlockSize> InitialBlock(std::uint8_t Mode, const Clock& Clock);

    const Clock* FClock;
    std::array<std::uint8_t, 8> FKey64 {};
    std::array<std::uint8_t, 16> FKey128 {};
    std::array<std::uint8_t, 24> FKey192 {};
    std::array<std::uint8_t, 32> FKey256 {};
};
