#include "child_process.h"
#include "printed_hex.h"
#include "tpdu_console.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

void fill_line(LineBuffer& line, const std::string& text) {
    std::memset(line, 0, sizeof line);
    std::memcpy(line, text.data(), text.size() < 255 ? text.size() : 255);
}

// n data pairs "00 01 02 ..." after a space, as typed.
std::string data_pairs(int n) {
    std::string text;
    char pair[4];
    for (int i = 0; i < n; ++i) {
        std::snprintf(pair, sizeof pair, " %02X", i & 0xFF);
        text += pair;
    }
    return text;
}

// What check_command_line prints for a line, and what it returns.
std::string check_output(const std::string& text, int& verdict) {
    const ChildResult result = run_in_child("", [&text] {
        LineBuffer line;
        fill_line(line, text);
        return check_command_line(line) == 0 ? 0 : 1;
    });
    verdict = result.exit_status == 0 ? 0 : -1;
    return result.output;
}

TEST(ClassifyIns, EveryCodeOfTheTableAndNoOther) {
    const std::uint8_t reader_to_card[] = {0x20, 0x24, 0x82, 0xA4, 0xD2, 0xE2, 0xE4, 0xE6, 0xE8};
    const std::uint8_t card_to_reader[] = {0x84, 0xB2, 0xC0};
    for (int ins = 0; ins < 256; ++ins) {
        SCOPED_TRACE(ins);
        TransferClass expected = TransferClass::Unlisted;
        for (std::uint8_t code : reader_to_card) {
            if (code == ins) {
                expected = TransferClass::ReaderToCard;
            }
        }
        for (std::uint8_t code : card_to_reader) {
            if (code == ins) {
                expected = TransferClass::CardToReader;
            }
        }
        EXPECT_EQ(classify_ins(static_cast<std::uint8_t>(ins)), expected);
    }
}

struct AcceptedCase {
    const char* name;
    std::string line;
    std::string sent; // the bytes to send, as printed
    std::uint32_t send_length;
    std::uint32_t expected_length;
};

TEST(CommandLine, AcceptedLinesBecomeTheseCommands) {
    const AcceptedCase cases[] = {
        {"select with data", "00 A4 00 00 02 3F 00", "00 A4 00 00 02 3F 00 ", 7, 2},
        {"one trailing space", "00 A4 00 00 02 3F 00 ", "00 A4 00 00 02 3F 00 ", 7, 2},
        {"read record", "00 B2 01 04 0A", "00 B2 01 04 0A ", 5, 12},
        {"get response P3 0", "00 C0 00 00 00", "00 C0 00 00 00 ", 5, 2},
        {"header alone when P3 is 0", "00 A4 00 00 00", "00 A4 00 00 00 ", 5, 2},
        {"get challenge P3 FF", "00 84 00 00 FF", "00 84 00 00 FF ", 5, 257},
        {"extra data pairs not sent", "00 A4 00 00 02 3F 00 11 22", "00 A4 00 00 02 3F 00 ", 7, 2},
        {"pairs after card-to-reader header ignored", "00 B2 01 04 0A 11 22", "00 B2 01 04 0A ", 5,
         12},
        {"every byte value", "FF E8 9A 5B 03 C6 7D 10", "FF E8 9A 5B 03 C6 7D 10 ", 8, 2},
        {"verify", "00 20 00 81 04 31 32 33 34", "00 20 00 81 04 31 32 33 34 ", 9, 2},
        {"unlisted, header alone", "80 CA 9F 7F 2D", "80 CA 9F 7F 2D ", 5, 0x2F},
        {"unlisted, header alone with P3 0", "80 CA 00 00 00", "80 CA 00 00 00 ", 5, 2},
        {"unlisted, header and data", "80 E0 00 00 02 AB CD", "80 E0 00 00 02 AB CD ", 7, 2},
        {"80 data bytes, the most a line holds", "00 D2 00 00 50" + data_pairs(80),
         "00 D2 00 00 50" + data_pairs(80) + " ", 85, 2},
    };
    for (const AcceptedCase& c : cases) {
        SCOPED_TRACE(c.name);
        int verdict = -1;
        EXPECT_EQ(check_output(c.line, verdict), "");
        EXPECT_EQ(verdict, 0);
        LineBuffer line;
        fill_line(line, c.line);
        Tpdu tpdu;
        std::memset(&tpdu, 0xEE, sizeof tpdu);
        build_tpdu(line, tpdu);
        EXPECT_EQ(tpdu.send_length, c.send_length);
        EXPECT_EQ(tpdu.expected_length, c.expected_length);
        EXPECT_EQ(printed_hex(tpdu.send_buffer, tpdu.send_length), c.sent);
        // Nothing past the sent bytes is written.
        EXPECT_EQ(tpdu.send_buffer[tpdu.send_length], 0xEE);
    }
}

TEST(CommandLine, RefusedLinesGetOneBel) {
    struct Case {
        const char* name;
        std::string line;
    };
    const Case cases[] = {
        {"two spaces between pairs", "00  A4 00 00 02 3F 00"},
        {"lower-case digit", "00 a4 00 00 02 3F 00"},
        {"leading space", " 00 A4 00 00 02 3F 00"},
        {"single digit", "0"},
        {"three digits in a row", "000 A4 00 00 00"},
        {"two trailing spaces", "00 A4 00 00 02 3F 00  "},
        {"dash separators", "00-A4-00-00-00"},
        {"tab after a pair", "00 A4 00 00 00\t"},
        {"non-hex letter", "00 A4 00 00 0G"},
        {"carriage return kept inside", "00 A4 00\r00 00"},
        {"fewer than five header pairs", "00 A4 00 00"},
        {"fewer data pairs than P3", "00 A4 00 00 02 3F"},
        {"P3 above what a line can carry", "00 D2 00 00 51" + data_pairs(80)},
        {"unlisted, data count differs from P3", "80 CA 00 00 02 AB"},
        {"unlisted, data with P3 0", "80 CA 00 00 00 AB"},
        {"unlisted, more data than P3", "80 CA 00 00 01 AB CD"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int verdict = 0;
        EXPECT_EQ(check_output(c.line, verdict), "\a");
        EXPECT_EQ(verdict, -1);
    }
}

TEST(CommandLine, EmptyLineIsAccepted) {
    int verdict = -1;
    EXPECT_EQ(check_output("", verdict), "");
    EXPECT_EQ(verdict, 0);
}

// Each data pair is taken from its own position: pair k of the data at 15 + 3k.
TEST(BuildTpdu, DataBytesComeFromTheirPositions) {
    LineBuffer line;
    const std::string text = "00 D2 00 00 50" + data_pairs(80);
    fill_line(line, text);
    Tpdu tpdu = {};
    build_tpdu(line, tpdu);
    for (int k = 0; k < 80; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(tpdu.send_buffer[5 + k], k);
    }
}

} // namespace
