// Makes the two built-in values of the text cipher: a 16-character hexadecimal passphrase
// and the matching encrypted key text. Run it once, paste its output into
// src/cipher/uBuiltInKey.cpp, and never again: list files written under one pair can be read
// only by a build with the same pair.
//
//   make-cipher-key                       random passphrase and random 24-character key text
//   make-cipher-key PASSPHRASE KEYTEXT    the given ones (16 hex digits; 16 to 31 bytes)
#include "uKorEncryptLibBO.h"

#include <cstdio>
#include <random>
#include <string>

namespace {

bool IsPassphrase(const std::string& Text)
{
    if (Text.size() != 16)
        return false;
    for (const char C : Text)
        if (!((C >= '0' && C <= '9') || (C >= 'A' && C <= 'F')))
            return false;
    return true;
}

std::string RandomText(std::size_t Length, const char* Alphabet, std::size_t AlphabetSize)
{
    std::random_device Source;
    std::uniform_int_distribution<std::size_t> Pick(0, AlphabetSize - 1);
    std::string Text;
    for (std::size_t I = 0; I < Length; ++I)
        Text += Alphabet[Pick(Source)];
    return Text;
}

} // namespace

int main(int argc, char** argv)
{
    static constexpr char Hex[] = "0123456789ABCDEF";
    static constexpr char Letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    if (argc != 1 && argc != 3) {
        std::fprintf(stderr, "usage: %s [PASSPHRASE KEYTEXT]\n", argv[0]);
        return 2;
    }
    const std::string Passphrase = argc == 3 ? argv[1] : RandomText(16, Hex, sizeof Hex - 1);
    const std::string KeyText = argc == 3 ? argv[2] : RandomText(24, Letters, sizeof Letters - 1);
    if (!IsPassphrase(Passphrase)) {
        std::fprintf(stderr, "the passphrase must be 16 characters 0-9 or A-F\n");
        return 2;
    }
    if (KeyText.size() < 16 || KeyText.size() > 31) {
        std::fprintf(stderr, "the key text must be 16 to 31 bytes long\n");
        return 2;
    }

    const std::string Encrypted = TKorEncryptLibBO::MakeEncryptedKeyText(Passphrase, KeyText, SystemClock::Instance());
    // Prove the pair before anyone pastes it.
    if (TKorEncryptLibBO::DecryptKeyText(Passphrase, Encrypted) != KeyText || Encrypted.size() != 64) {
        std::fprintf(stderr, "the encrypted key text does not decrypt to the key text\n");
        return 1;
    }
    std::printf("const std::string_view TKorEncryptLibBO::KeyPassphrase = \"%s\";\n", Passphrase.c_str());
    std::printf("const std::string_view TKorEncryptLibBO::EncryptedKeyText = \"%s\";\n", Encrypted.c_str());
    return 0;
}
