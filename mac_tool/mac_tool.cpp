#include "mac_tool.h"

#include "des_engine.h"
#include "hex_text.h"

namespace {

constexpr int mac_size = 4;

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

void compute_mac(std::uint8_t (&data)[16]) {
    // D1 is bytes 0-7, D2 bytes 8-15; the chain runs in place in D1.
    auto& chain = *reinterpret_cast<std::uint8_t(*)[8]>(&data[0]);
    des_encrypt_block(chain);
    for (int i = 0; i < 8; ++i) {
        chain[i] = static_cast<std::uint8_t>(chain[i] ^ data[8 + i]);
    }
    des_encrypt_block(chain);
}

int run_mac_tool() {
    LineBuffer line;
    std::uint8_t key[8];
    std::uint8_t data[16];

    print_text("Calcolo del MAC\n\n");
    if (!prompt_for_bytes("Digitare chiave : ", line, key) ||
        !prompt_for_bytes("Digitare dato di 16 bytes : ", line, data)) {
        return 1;
    }
    set_current_key(key);
    compute_mac(data);

    print_text("\nMAC generato : ");
    for (int i = 0; i < mac_size; ++i) {
        print_hex_byte(data[i]);
    }
    wait_for_key();
    return 0;
}
