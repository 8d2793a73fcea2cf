#include "uBlockCipher.h"

#include <nettle/aes.h>
#include <nettle/des.h>

#include <cstring>
#include <stdexcept>

namespace {

class TDesCipher final : public TBlockCipher
{
public:
    explicit TDesCipher(const std::uint8_t* Key)
    {
        // Nettle reports weak keys with 0 but sets the schedule all the same; the text
        // cipher's default DES key is all zero, so the answer is ignored on purpose.
        (void)des_set_key(&FContext, Key);
    }

    std::size_t BlockSize() const override { return DES_BLOCK_SIZE; }
    void EncryptBlocks(std::uint8_t* Dst, const std::uint8_t* Src, std::size_t Length) const override
    {
        des_encrypt(&FContext, Length, Dst, Src);
    }
    void DecryptBlocks(std::uint8_t* Dst, const std::uint8_t* Src, std::size_t Length) const override
    {
        des_decrypt(&FContext, Length, Dst, Src);
    }

private:
    des_ctx FContext;
};

class TTripleDesCipher final : public TBlockCipher
{
public:
    explicit TTripleDesCipher(const std::uint8_t* Key)
    {
        // Nettle takes three keys; two-key triple DES repeats K1 as the third.
        std::uint8_t Keys[DES3_KEY_SIZE];
        std::memcpy(Keys, Key, 16);
        std::memcpy(Keys + 16, Key, 8);
        (void)des3_set_key(&FContext, Keys);
    }

    std::size_t BlockSize() const override { return DES3_BLOCK_SIZE; }
    void EncryptBlocks(std::uint8_t* Dst, const std::uint8_t* Src, std::size_t Length) const override
    {
        des3_encrypt(&FContext, Length, Dst, Src);
    }
    void DecryptBlocks(std::uint8_t* Dst, const std::uint8_t* Src, std::size_t Length) const override
    {
        des3_decrypt(&FContext, Length, Dst, Src);
    }

private:
    des3_ctx FContext;
};

// Nettle's AES contexts differ per key length; this picks the matching set of functions.
template <typename Context, auto SetEncryptKey, auto SetDecryptKey, auto Encrypt, auto Decrypt>
class TRijndaelCipher final : public TBlockCipher
{
public:
    explicit TRijndaelCipher(const std::uint8_t* Key)
    {
        SetEncryptKey(&FEncrypt, Key);
        SetDecryptKey(&FDecrypt, Key);
    }

    std::size_t BlockSize() const override { return AES_BLOCK_SIZE; }
    void EncryptBlocks(std::uint8_t* Dst, const std::uint8_t* Src, std::size_t Length) const override
    {
        Encrypt(&FEncrypt, Length, Dst, Src);
    }
    void DecryptBlocks(std::uint8_t* Dst, const std::uint8_t* Src, std::size_t Length) const override
    {
        Decrypt(&FDecrypt, Length, Dst, Src);
    }

private:
    Context FEncrypt;
    Context FDecrypt;
};

using TRijndael128
    = TRijndaelCipher<aes128_ctx, aes128_set_encrypt_key, aes128_set_decrypt_key, aes128_encrypt, aes128_decrypt>;
using TRijndael192
    = TRijndaelCipher<aes192_ctx, aes192_set_encrypt_key, aes192_set_decrypt_key, aes192_encrypt, aes192_decrypt>;
using TRijndael256
    = TRijndaelCipher<aes256_ctx, aes256_set_encrypt_key, aes256_set_decrypt_key, aes256_encrypt, aes256_decrypt>;

} // namespace

std::unique_ptr<TBlockCipher> MakeDesCipher(const std::uint8_t* Key)
{
    return std::make_unique<TDesCipher>(Key);
}

std::unique_ptr<TBlockCipher> MakeTripleDesCipher(const std::uint8_t* Key)
{
    return std::make_unique<TTripleDesCipher>(Key);
}

std::unique_ptr<TBlockCipher> MakeRijndaelCipher(const std::uint8_t* Key, std::size_t KeyLength)
{
    switch (KeyLength) {
    case AES128_KEY_SIZE:
        return std::make_unique<TRijndael128>(Key);
    case AES192_KEY_SIZE:
        return std::make_unique<TRijndael192>(Key);
    case AES256_KEY_SIZE:
        return std::make_unique<TRijndael256>(Key);
    default:
        throw std::invalid_argument("Rijndael takes a key of 16, 24 or 32 bytes");
    }
}
