#pragma once

#include "uBlockCipher.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// The block string routines of the text cipher: a byte string encrypted block by block with
// a final block that carries the leftover bytes and their count in its last byte, then written
// as Base64. With chaining, an encrypted initial block goes first and serves as the first
// chaining value. Cipher text that is too short for this framing, or whose final block
// counts more bytes than a block can carry, fails with "Invalid file format"; bytes after the
// last whole block are ignored.

// Room for a result, given by the caller so large texts are written once, straight into the
// caller's own storage: called at most once per routine with the size needed, it returns a
// buffer of at least that many bytes that stays valid until the routine returns.
using TOutputBuffer = std::function<char*(std::size_t Size)>;

// Stream encryption: ((N div B) + 1) blocks without chaining, ((N div B) + 2) with it.
// InitialBlock (one block, encrypted to make the first block) is given exactly when chained.
std::string EncryptStream(std::string_view Text, const TBlockCipher& Cipher, const std::uint8_t* InitialBlock);

// Stream decryption in place: the text ends up at the start of Data; gives its length.
std::size_t DecryptStream(std::uint8_t* Data, std::size_t Length, const TBlockCipher& Cipher, bool Chained);

// The routines on Base64 text. They give the length of the result, written to Output.
std::size_t EncryptBlockString(
    std::string_view Text, const TBlockCipher& Cipher, const std::uint8_t* InitialBlock, const TOutputBuffer& Output);
std::size_t DecryptBlockString(
    std::string_view Text, const TBlockCipher& Cipher, bool Chained, const TOutputBuffer& Output);

// The same, giving strings.
std::string EncryptBlockString(std::string_view Text, const TBlockCipher& Cipher, const std::uint8_t* InitialBlock);
std::string DecryptBlockString(std::string_view Text, const TBlockCipher& Cipher, bool Chained);
