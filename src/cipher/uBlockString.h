#pragma once

#include "uBlockCipher.h"

#include <cstdint>
#include <string>
#include <string_view>

// The block string routines of the text cipher: a byte string encrypted block by block with
// a final block that carries the leftover bytes and their count in its last byte, then written
// as Base64. With chaining, an encrypted initial block goes first and serves as the first
// chaining value. Cipher text that is too short for this framing, or whose final block
// counts more bytes than a block can carry, fails with "Invalid file format"; bytes after the
// last whole block are ignored.

// Stream encryption without chaining: ((N div B) + 1) blocks.
std::string EncryptStreamECB(std::string_view Text, const TBlockCipher& Cipher);

// Stream encryption with chaining: ((N div B) + 2) blocks. InitialBlock holds one block
// (BlockSize bytes) and is encrypted to make the first block.
std::string EncryptStreamCBC(std::string_view Text, const TBlockCipher& Cipher, const std::uint8_t* InitialBlock);

// Stream decryption, in place: Bytes becomes the text.
void DecryptStreamECB(std::string& Bytes, const TBlockCipher& Cipher);
void DecryptStreamCBC(std::string& Bytes, const TBlockCipher& Cipher);

// The routines on Base64 text. InitialBlock is used only when Chained.
std::string EncryptBlockString(
    std::string_view Text, const TBlockCipher& Cipher, bool Chained, const std::uint8_t* InitialBlock = nullptr);
std::string DecryptBlockString(std::string_view Text, const TBlockCipher& Cipher, bool Chained);
