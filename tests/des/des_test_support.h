// Small helpers of the DES tests: blocks written as 64-bit numbers, and bytes
// shown in hexadecimal so that a failure prints both sides readably.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>

// The eight bytes of value, most significant first: 0x0123... gives 01 23 ...
inline void store_big_endian(std::uint64_t value, std::uint8_t (&bytes)[8]) {
    for (int i = 0; i < 8; ++i) {
        bytes[i] = static_cast<std::uint8_t>(value >> (56 - 8 * i));
    }
}

// "01 23 45 ..." for count bytes.
inline std::string hex_text(const std::uint8_t* bytes, std::size_t count) {
    std::string text;
    char pair[8];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(pair, sizeof pair, i == 0 ? "%02X" : " %02X", bytes[i]);
        text += pair;
    }
    return text;
}

template <std::size_t count> std::string hex_text(const std::uint8_t (&bytes)[count]) {
    return hex_text(bytes, count);
}

inline std::string hex_text(std::uint64_t value) {
    std::uint8_t bytes[8];
    store_big_endian(value, bytes);
    return hex_text(bytes);
}

// Seeded, so that a failure can be reproduced.
inline constexpr std::uint64_t random_seed = 0x5EED'0DE5'2024'0001;

inline void random_bytes(std::mt19937_64& random, std::uint8_t (&bytes)[8]) {
    store_big_endian(random(), bytes);
}
