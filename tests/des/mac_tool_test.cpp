// The MAC calculator: compute_mac against OpenSSL's DES-CBC with a zero
// starting value, and the whole dialogue through piped standard input.
#include "child_process.h"
#include "des_engine.h"
#include "des_test_support.h"
#include "mac_tool.h"

#include <gtest/gtest.h>
#include <openssl/des.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>

namespace {

TEST(ComputeMac, EqualsTheLastBlockOfDesCbcWithZeroStart) {
    std::mt19937_64 random(0x3AC0'5EED);
    for (int n = 0; n < 10000; ++n) {
        std::uint8_t key[8];
        std::uint8_t data[16];
        store_big_endian(random(), key);
        std::uint8_t first_block[8];
        std::uint8_t second_block[8];
        store_big_endian(random(), first_block);
        store_big_endian(random(), second_block);
        std::memcpy(data, first_block, 8);
        std::memcpy(data + 8, second_block, 8);
        SCOPED_TRACE("key " + hex_text(key) + ", data " + hex_text(data));

        DES_cblock reference_key;
        std::memcpy(reference_key, key, sizeof reference_key);
        DES_key_schedule schedule;
        DES_set_key_unchecked(&reference_key, &schedule);
        DES_cblock start = {};
        unsigned char chained[16];
        DES_ncbc_encrypt(data, chained, sizeof chained, &schedule, &start, DES_ENCRYPT);

        set_current_key(key);
        compute_mac(data);
        ASSERT_EQ(hex_text(data, 8), hex_text(chained + 8, 8)) << "last block";
        ASSERT_EQ(hex_text(data + 8, 8), hex_text(second_block)) << "second block left as it was";
    }
}

const std::string title = "Calcolo del MAC\n\n";
const std::string key_prompt = "Digitare chiave : ";
const std::string data_prompt = "Digitare dato di 16 bytes : ";
const std::string result = "\nMAC generato : ";
const std::string bel = "\a";

struct DialogueCase {
    const char* name;
    std::string input;
    std::string expected_output;
    int expected_status;
};

const DialogueCase dialogue_cases[] = {
    // "Now is the time " chained from the start value 12 34 56 78 90 AB CD EF
    // gives 43 E9 34 00 ... as its second block; the same start XORed into D1.
    {"chain of two blocks",
     "01 23 45 67 89 AB CD EF\n5C 5B 21 58 F9 D8 ED 9B 68 65 20 74 69 6D 65 20\n",
     title + key_prompt + data_prompt + result + "43 E9 34 00 ", 0},
    {"D2 zero gives E(E(D1))",
     "01 23 45 67 89 AB CD EF\n4E 6F 77 20 69 73 20 74 00 00 00 00 00 00 00 00\n",
     title + key_prompt + data_prompt + result + "86 D3 8A 03 ", 0},
    {"parity bits of the key do not matter",
     "00 22 44 66 88 AA CC EE\n4E 6F 77 20 69 73 20 74 00 00 00 00 00 00 00 00\n",
     title + key_prompt + data_prompt + result + "86 D3 8A 03 ", 0},
    {"separators are not looked at and extra pairs are ignored",
     "01.23.45.67.89.AB.CD.EF\n00-01-02-03-04-05-06-07-08-09-0A-0B-0C-0D-0E-0F-10-11\n",
     title + key_prompt + data_prompt + result + "79 CF 70 CD ", 0},
    {"last line without its line feed",
     "13 34 57 79 9B BC DF F1\n00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F",
     title + key_prompt + data_prompt + result + "C5 32 62 15 ", 0},
    {"lower-case key digits are refused and the key asked again",
     "01 23 45 67 89 ab cd ef\n01 23 45 67 89 AB CD EF\n"
     "4E 6F 77 20 69 73 20 74 00 00 00 00 00 00 00 00\n",
     title + key_prompt + bel + key_prompt + data_prompt + result + "86 D3 8A 03 ", 0},
    {"eight data pairs are refused, not filled from the key line",
     "01 23 45 67 89 AB CD EF\n4E 6F 77 20 69 73 20 74\n"
     "4E 6F 77 20 69 73 20 74 00 00 00 00 00 00 00 00\n",
     title + key_prompt + data_prompt + bel + data_prompt + result + "86 D3 8A 03 ", 0},
    {"a non-hex sixteenth data pair is refused",
     "01 23 45 67 89 AB CD EF\n4E 6F 77 20 69 73 20 74 00 00 00 00 00 00 00 0G\n"
     "4E 6F 77 20 69 73 20 74 00 00 00 00 00 00 00 00\n",
     title + key_prompt + data_prompt + bel + data_prompt + result + "86 D3 8A 03 ", 0},
    {"no input at all", "", title + key_prompt, 1},
    {"input ends after the key", "01 23 45 67 89 AB CD EF\n", title + key_prompt + data_prompt, 1},
    {"input ends after a refused key line", "01 23\n", title + key_prompt + bel + key_prompt, 1},
};

TEST(MacToolDialogue, PrintsExactlyTheseBytes) {
    for (const DialogueCase& each : dialogue_cases) {
        SCOPED_TRACE(each.name);
        const ChildResult child = run_in_child(each.input, [] { return run_mac_tool(); });
        EXPECT_EQ(child.signal_number, 0);
        EXPECT_EQ(child.exit_status, each.expected_status);
        EXPECT_EQ(child.output, each.expected_output);
    }
}

} // namespace
