// Bytes as the programs print them: two upper-case digits and a space each,
// written independently of the code under test (snprintf "%02X ").
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

inline std::string printed_hex(const std::uint8_t* bytes, std::size_t count) {
    std::string text;
    char pair[4];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(pair, sizeof pair, "%02X ", bytes[i]);
        text += pair;
    }
    return text;
}
