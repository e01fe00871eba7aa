#include "des_tool.h"

#include "des_engine.h"
#include "hex_text.h"

#include <cstdint>
#include <cstdio>

namespace {

constexpr char encrypt_choice = 'C';

// True when the line holds count upper-case hex pairs at positions 0, 3, ...;
// the characters between them are not looked at.
template <int count>
bool holds_hex_pairs(const LineBuffer& line) {
    // The last pair ends at 3 * count - 2; without this, a short line would
    // pass on what an earlier, longer line left behind its end.
    if (line_length(line) < 3 * count - 1) {
        return false;
    }
    for (int n = 0; n < count; ++n) {
        if (!is_hex_pair(line, 3 * n)) {
            return false;
        }
    }
    return true;
}

// Prints prompt and reads lines until one holds the bytes, sounding BEL and
// prompting again on each refused line. False at end of input.
template <int count>
bool prompt_for_bytes(const char* prompt, LineBuffer& line, std::uint8_t (&bytes)[count]) {
    for (;;) {
        print_text(prompt);
        if (!read_line(line)) {
            return false;
        }
        if (holds_hex_pairs<count>(line)) {
            break;
        }
        sound_bel();
    }
    for (int n = 0; n < count; ++n) {
        bytes[n] = hex_pair_to_byte(line, 3 * n);
    }
    return true;
}

} // namespace

int run_des_tool() {
    LineBuffer line;
    std::uint8_t key[8];
    std::uint8_t block[8];

    print_text("Algoritmo DES\n\n");
    if (!prompt_for_bytes("Digitare chiave : ", line, key) ||
        !prompt_for_bytes("Digitare dato da criptare : ", line, block)) {
        return 1;
    }
    set_current_key(key);

    print_text("[C]riptare o [D]ecriptare ? ");
    char choice = '\0';
    if (!try_read_key(choice)) {
        return 1;
    }
    std::printf("%c", choice);
    std::fflush(stdout);
    if (choice == encrypt_choice) {
        des_encrypt_block(block);
    }
    else {
        des_decrypt_block(block);
    }

    print_text("\nDato generato : ");
    for (const std::uint8_t byte : block) {
        print_hex_byte(byte);
    }
    wait_for_key();
    return 0;
}
