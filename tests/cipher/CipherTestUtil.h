#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <string_view>

// Small helpers shared by the cipher tests.

inline std::string FromHex(std::string_view Hex)
{
    std::string Bytes;
    for (std::size_t I = 0; I + 1 < Hex.size(); I += 2)
        Bytes += static_cast<char>(std::stoi(std::string(Hex.substr(I, 2)), nullptr, 16));
    return Bytes;
}

inline std::string ToHex(std::string_view Bytes)
{
    static constexpr char Digits[] = "0123456789abcdef";
    std::string Hex;
    for (const char C : Bytes) {
        Hex += Digits[static_cast<std::uint8_t>(C) >> 4];
        Hex += Digits[static_cast<std::uint8_t>(C) & 15];
    }
    return Hex;
}

inline const std::uint8_t* Data(const std::string& Bytes)
{
    return reinterpret_cast<const std::uint8_t*>(Bytes.data());
}

// Random bytes that always hold a 0 and a 255 when long enough, from a fixed seed.
inline std::string RandomBytes(std::size_t Length, unsigned Seed)
{
    std::mt19937 Engine(Seed);
    std::uniform_int_distribution<int> Byte(0, 255);
    std::string Bytes(Length, '\0');
    for (auto& C : Bytes)
        C = static_cast<char>(Byte(Engine));
    if (Length >= 2) {
        Bytes[Length / 2] = '\0';
        Bytes[Length - 1] = static_cast<char>(255);
    }
    return Bytes;
}
