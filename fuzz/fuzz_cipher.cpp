// libFuzzer target for the text cipher's reading side: the strict Base64 reader and
// DecryptString in every mode, chaining and key size code, the list file's combination
// (mode 1, chaining 0, key size 2) among them. Broken input may only ever raise
// ECipherException; anything else (a crash, a sanitizer report, another exception) is a fault.
//
// Input: the first byte picks the combination, the rest is the cipher text.
#include "CipherError.h"
#include "uBase64.h"
#include "uKorEncryptLibBO.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace {

// Stops the run with a message libFuzzer shows beside the input.
void Check(bool Condition, const char* What)
{
    if (!Condition) {
        std::fprintf(stderr, "check failed: %s\n", What);
        std::abort();
    }
}

bool InAlphabet(char C)
{
    return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || (C >= '0' && C <= '9') || C == '+' || C == '/';
}

// A plain statement of which texts the Base64 reader accepts, to hold the fast reader to.
bool IsWellFormedBase64(std::string_view Text)
{
    if (Text.size() % 4 != 0)
        return false;
    std::size_t Padding = 0;
    if (!Text.empty() && Text.back() == '=')
        Padding = Text[Text.size() - 2] == '=' ? 2 : 1;
    for (std::size_t I = 0; I < Text.size() - Padding; ++I)
        if (!InAlphabet(Text[I]))
            return false;
    return true;
}

void FuzzBase64(std::string_view Text)
{
    std::string Bytes;
    bool Accepted = true;
    try {
        Bytes = Base64Decode(Text);
    } catch (const ECipherException& E) {
        Check(std::strcmp(E.what(), CipherMessage::InvalidBase64) == 0, "Base64 reader raised another message");
        Accepted = false;
    }
    Check(Accepted == IsWellFormedBase64(Text), "Base64 reader accepts the wrong texts");
    if (!Accepted)
        return;
    Check(Base64Encode(Bytes).size() == Text.size(), "decoded length");
    Check(Base64Decode(Base64Encode(Bytes)) == Bytes, "Base64 round trip");
}

void FuzzDecrypt(std::uint8_t Selector, std::string_view Text)
{
    const std::uint8_t Mode = Selector % 6, Chaining = (Selector / 6) % 3, KeySize = (Selector / 18) % 6;
    // Uninitialised storage of exactly the size asked for, as the list file's caller gives.
    std::unique_ptr<char[]> Storage;
    std::size_t Asked = 0;
    const TOutputBuffer Output = [&](std::size_t Size) {
        Storage.reset(new char[Size ? Size : 1]);
        Asked = Size;
        return Storage.get();
    };
    std::size_t Length = 0;
    try {
        TKorEncryptLibBO Cipher;
        Length = Cipher.DecryptString(Text, Mode, Chaining, KeySize, Output);
    } catch (const ECipherException&) {
        return;
    }
    Check(Length <= Asked, "result longer than its storage");
    // What decrypts must survive a round trip.
    const std::string Plain(Storage.get() ? Storage.get() : "", Length);
    TKorEncryptLibBO Cipher;
    const std::string Again = Cipher.EncryptString(Plain, Mode, Chaining, KeySize);
    Check(TKorEncryptLibBO().DecryptString(Again, Mode, Chaining, KeySize) == Plain, "decrypt round trip");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    if (Size == 0)
        return 0;
    const std::string_view Text(reinterpret_cast<const char*>(Data + 1), Size - 1);
    FuzzBase64(Text);
    FuzzDecrypt(Data[0], Text);
    // The list file's combination on every input, whatever the first byte picked.
    FuzzDecrypt(1 + 2 * 18, Text);
    return 0;
}
