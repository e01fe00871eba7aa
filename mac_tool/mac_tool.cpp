#include "mac_tool.h"

#include "des_engine.h"
#include "hex_text.h"

namespace {

constexpr int mac_size = 4;

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
    if (!read_hex_bytes("Digitare chiave : ", line, key, sizeof key) ||
        !read_hex_bytes("Digitare dato di 16 bytes : ", line, data, sizeof data)) {
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
