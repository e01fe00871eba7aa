// The digit rule and the pair positions: pure functions, run on every platform.
#include "hex_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

void fill_line(LineBuffer& line, const char* text) {
    std::memset(line, 0, sizeof line);
    std::strncpy(line, text, line_max_length);
}

TEST(HexDigitValue, FollowsTheTwoFormulasForEveryCode) {
    for (int code = 0; code < 256; ++code) {
        SCOPED_TRACE(code);
        const int expected = code <= 0x39 ? (code - 0x30) & 0xFF : (code - 0x37) & 0xFF;
        EXPECT_EQ(hex_digit_value(static_cast<char>(code)), expected);
    }
}

TEST(HexDigitValue, NamedCharacters) {
    struct Case {
        char c;
        int value;
    };
    const Case cases[] = {{'0', 0},    {'9', 9},    {'A', 10},    {'F', 15}, {'a', 0x2A},
                          {'f', 0x2F}, {' ', 0xF0}, {'\0', 0xD0}, {':', 3},  {'@', 9}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(1, c.c));
        EXPECT_EQ(hex_digit_value(c.c), c.value);
    }
}

TEST(HexPairToByte, ReadsFixedPositionsWhateverTheSeparators) {
    struct Case {
        const char* line;
        int position;
        int value;
    };
    const Case cases[] = {
        {"3F 00", 0, 0x3F}, {"3F 00", 3, 0x00}, {"3F-00", 3, 0x00}, {"a0", 0, 0xA0},
        {"0a", 0, 0x2A},    {"FF", 0, 0xFF},    {"A4", 0, 0xA4},    {"00 11 22 3C", 9, 0x3C},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.line) + " @" + std::to_string(c.position));
        LineBuffer line;
        fill_line(line, c.line);
        EXPECT_EQ(hex_pair_to_byte(line, c.position), c.value);
    }
}

TEST(HexPairToByte, LastPairOfAFullLine) {
    LineBuffer line;
    std::memset(line, 0, sizeof line);
    line[253] = 'C';
    line[254] = '3';
    EXPECT_EQ(hex_pair_to_byte(line, 253), 0xC3);
}

TEST(IsHexPair, OnlyUpperCaseDigits) {
    struct Case {
        const char* text;
        bool pair;
    };
    const Case cases[] = {{"09", true}, {"AF", true},  {"af", false}, {"0G", false},
                          {"0", false}, {" 0", false}, {":0", false}, {"@A", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        LineBuffer line;
        fill_line(line, c.text);
        EXPECT_EQ(is_hex_pair(line, 0), c.pair);
    }
}

} // namespace
