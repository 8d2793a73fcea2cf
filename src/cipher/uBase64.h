#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Base64 as the list file holds it: the standard alphabet with "=" padding, one unbroken line.
// Reading is strict: the text must be whole groups of four alphabet characters, with "=" only
// as the padding of the last group; anything else (line breaks, blanks, "-", a short group)
// fails with ECipherException "Invalid Base64 Character" and gives nothing.

// Characters needed for Length bytes.
constexpr std::size_t Base64EncodedLength(std::size_t Length)
{
    return (Length + 2) / 3 * 4;
}

// Writes Base64EncodedLength(Length) characters to Out.
void Base64EncodeTo(const std::uint8_t* Bytes, std::size_t Length, char* Out);

std::string Base64Encode(std::string_view Bytes);

// Bytes that Text decodes to; fails for a length that is not a multiple of four. The
// characters themselves are checked by Base64DecodeTo.
std::size_t Base64DecodedLength(std::string_view Text);

// Writes Base64DecodedLength(Text) bytes to Out. On failure Out holds rubbish.
void Base64DecodeTo(std::string_view Text, std::uint8_t* Out);

// Decodes Text to bytes.
std::string Base64Decode(std::string_view Text);
