// The whole dialogue of the DES calculator, driven through piped standard
// input, against the exact bytes it must print and its exit status.
#include "child_process.h"
#include "des_tool.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string title = "Algoritmo DES\n\n";
const std::string key_prompt = "Digitare chiave : ";
const std::string data_prompt = "Digitare dato da criptare : ";
const std::string choice_prompt = "[C]riptare o [D]ecriptare ? ";
const std::string result = "\nDato generato : ";
const std::string bel = "\a";

// Everything up to and including the choice prompt, for lines accepted at once.
const std::string dialogue_to_choice = title + key_prompt + data_prompt + choice_prompt;

struct DialogueCase {
    const char* name;
    std::string input;
    std::string expected_output;
    int expected_status;
};

const DialogueCase dialogue_cases[] = {
    {"C encrypts", "01 23 45 67 89 AB CD EF\n4E 6F 77 20 69 73 20 74\nC",
     dialogue_to_choice + "C" + result + "3F A4 0E 8A 98 4D 48 15 ", 0},
    {"D decrypts", "01 23 45 67 89 AB CD EF\n3F A4 0E 8A 98 4D 48 15\nD",
     dialogue_to_choice + "D" + result + "4E 6F 77 20 69 73 20 74 ", 0},
    {"lower-case c decrypts", "01 23 45 67 89 AB CD EF\n3F A4 0E 8A 98 4D 48 15\nc",
     dialogue_to_choice + "c" + result + "4E 6F 77 20 69 73 20 74 ", 0},
    {"Enter decrypts and is echoed as a line feed",
     "01 23 45 67 89 AB CD EF\n3F A4 0E 8A 98 4D 48 15\n\n",
     dialogue_to_choice + "\n" + result + "4E 6F 77 20 69 73 20 74 ", 0},
    {"separators are not looked at", "13-34-57-79-9B-BC-DF-F1\n01:23:45:67:89:AB:CD:EF\nC",
     dialogue_to_choice + "C" + result + "85 E8 13 54 0F 0A B4 05 ", 0},
    {"pairs beyond the eighth are ignored",
     "13 34 57 79 9B BC DF F1 00 11\n01 23 45 67 89 AB CD EF FF FF FF\nC",
     dialogue_to_choice + "C" + result + "85 E8 13 54 0F 0A B4 05 ", 0},
    {"carriage returns before the line feeds",
     "13 34 57 79 9B BC DF F1\r\n01 23 45 67 89 AB CD EF\r\nC",
     dialogue_to_choice + "C" + result + "85 E8 13 54 0F 0A B4 05 ", 0},
    {"parity bits of the key do not matter", "12 35 56 78 9A BD DE F0\n01 23 45 67 89 AB CD EF\nC",
     dialogue_to_choice + "C" + result + "85 E8 13 54 0F 0A B4 05 ", 0},
    {"lower-case key digits are refused and the key asked again",
     "01 23 45 67 89 ab cd ef\n01 23 45 67 89 AB CD EF\n4E 6F 77 20 69 73 20 74\nC",
     title + key_prompt + bel + key_prompt + data_prompt + choice_prompt + "C" + result +
         "3F A4 0E 8A 98 4D 48 15 ",
     0},
    {"a short block line is refused, not filled from the key line",
     "01 23 45 67 89 AB CD EF\n4E 6F\n4E 6F 77 20 69 73 20 74\nC",
     title + key_prompt + data_prompt + bel + data_prompt + choice_prompt + "C" + result +
         "3F A4 0E 8A 98 4D 48 15 ",
     0},
    {"empty, non-hex and seven-pair lines are each refused",
     "\nG1 23 45 67 89 AB CD EF\n01 23 45 67 89 AB CD\n01 23 45 67 89 AB CD EF\n"
     "4E 6F 77 20 69 73 20 7:\n4E 6F 77 20 69 73 20 74\nC",
     title + key_prompt + bel + key_prompt + bel + key_prompt + bel + key_prompt + data_prompt +
         bel + data_prompt + choice_prompt + "C" + result + "3F A4 0E 8A 98 4D 48 15 ",
     0},
    {"no input at all", "", title + key_prompt, 1},
    {"input ends after the key", "01 23 45 67 89 AB CD EF\n", title + key_prompt + data_prompt, 1},
    {"input ends after a refused block line", "01 23 45 67 89 AB CD EF\n4E 6F\n",
     title + key_prompt + data_prompt + bel + data_prompt, 1},
    {"input ends before the choice", "01 23 45 67 89 AB CD EF\n4E 6F 77 20 69 73 20 74\n",
     dialogue_to_choice, 1},
    {"block line without its line feed, then no choice",
     "01 23 45 67 89 AB CD EF\n4E 6F 77 20 69 73 20 74", dialogue_to_choice, 1},
};

TEST(DesToolDialogue, PrintsExactlyTheseBytes) {
    for (const DialogueCase& each : dialogue_cases) {
        SCOPED_TRACE(each.name);
        const ChildResult child = run_in_child(each.input, [] { return run_des_tool(); });
        EXPECT_EQ(child.signal_number, 0);
        EXPECT_EQ(child.exit_status, each.expected_status);
        EXPECT_EQ(child.output, each.expected_output);
    }
}

} // namespace
