#pragma once

#include <stdexcept>

// The failures of the text cipher. what() is the message the user reads (UTF-8, plain
// English); callers pass it on unchanged, so the texts below are part of the program.
class ECipherException : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The cipher's messages, one per kind of failure.
namespace CipherMessage {
// Mode 0 has no chained form.
inline constexpr const char* InvalidMode = "Invalid encryption mode for the selection";
// Rijndael asked for with a key size it has no key for.
inline constexpr const char* InvalidKey = "Invalid key value for encryption/decryption";
// Hexadecimal cipher text with a pair that is not two hexadecimal digits.
inline constexpr const char* InvalidConversion = "Invalid conversion during decryption";
// Block cipher text too short for its framing, or with a broken final block.
inline constexpr const char* InvalidFileFormat = "Invalid file format";
// Base64 text that is not a whole number of well-formed groups of four characters.
inline constexpr const char* InvalidBase64 = "Invalid Base64 Character";
} // namespace CipherMessage
