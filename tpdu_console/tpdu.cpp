#include "tpdu_console.h"

namespace {

struct InsClass {
    std::uint8_t ins;
    TransferClass transfer;
};

// The INS codes whose transfer direction is known; every other code is
// Unlisted.
constexpr InsClass ins_table[] = {
    {0x20, TransferClass::ReaderToCard}, {0x24, TransferClass::ReaderToCard},
    {0x82, TransferClass::ReaderToCard}, {0x84, TransferClass::CardToReader},
    {0xA4, TransferClass::ReaderToCard}, {0xB2, TransferClass::CardToReader},
    {0xC0, TransferClass::CardToReader}, {0xD2, TransferClass::ReaderToCard},
    {0xE2, TransferClass::ReaderToCard}, {0xE4, TransferClass::ReaderToCard},
    {0xE6, TransferClass::ReaderToCard}, {0xE8, TransferClass::ReaderToCard},
};
static_assert(sizeof ins_table / sizeof ins_table[0] == 12, "twelve INS codes");

constexpr int header_length = 5;
constexpr int ins_index = 1;
constexpr int p3_index = 4;
constexpr std::uint32_t status_length = 2;

int pair_position(int pair) { return 3 * pair; }

// Number of pairs of a line of upper-case hex pairs with single spaces
// between them (one trailing space allowed); -1 for any other line.
int count_pairs(const LineBuffer& line) {
    const int length = line_length(line);
    int pairs = 0;
    for (int i = 0; i < length; i += 3) {
        const char separator = line[i + 2];
        if (!is_hex_pair(line, i) || (separator != ' ' && separator != '\0')) {
            return -1;
        }
        ++pairs;
    }
    return pairs;
}

struct CommandPlan {
    bool accepted;
    int data_count;                // data pairs sent after the header
    std::uint32_t expected_length; // answer bytes expected
};

// How a well-formed line of pair_count pairs is sent. The data always comes
// from the line itself, never from an earlier command.
CommandPlan plan_command(const LineBuffer& line, int pair_count) {
    constexpr CommandPlan refused = {false, 0, 0};
    if (pair_count < header_length) {
        return refused;
    }
    const std::uint8_t p3 = hex_pair_to_byte(line, pair_position(p3_index));
    const int data_pairs = pair_count - header_length;
    const CommandPlan header_alone = {true, 0, p3 + status_length};
    const CommandPlan header_and_data = {true, p3, status_length};
    switch (classify_ins(hex_pair_to_byte(line, pair_position(ins_index)))) {
    case TransferClass::ReaderToCard:
        return data_pairs >= p3 ? header_and_data : refused;
    case TransferClass::CardToReader:
        return header_alone;
    case TransferClass::Unlisted:
        // The line itself says which way the data goes.
        if (data_pairs == 0) {
            return header_alone;
        }
        return p3 >= 1 && data_pairs == p3 ? header_and_data : refused;
    }
    return refused;
}

} // namespace

TransferClass classify_ins(std::uint8_t ins) {
    for (const InsClass& entry : ins_table) {
        if (entry.ins == ins) {
            return entry.transfer;
        }
    }
    return TransferClass::Unlisted;
}

int check_command_line(const LineBuffer& line) {
    if (line[0] == '\0') {
        return 0;
    }
    const int pairs = count_pairs(line);
    if (pairs < 0 || !plan_command(line, pairs).accepted) {
        sound_bel();
        return -1;
    }
    return 0;
}

void build_tpdu(const LineBuffer& line, Tpdu& tpdu) {
    const CommandPlan plan = plan_command(line, count_pairs(line));
    if (!plan.accepted) {
        return;
    }
    for (int i = 0; i < header_length + plan.data_count; ++i) {
        tpdu.send_buffer[i] = hex_pair_to_byte(line, pair_position(i));
    }
    tpdu.send_length = static_cast<std::uint32_t>(header_length + plan.data_count);
    tpdu.expected_length = plan.expected_length;
}
