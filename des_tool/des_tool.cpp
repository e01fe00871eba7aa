#include "des_tool.h"

#include "des_engine.h"
#include "hex_text.h"

#include <cstdint>
#include <cstdio>

namespace {

constexpr char encrypt_choice = 'C';

} // namespace

int run_des_tool() {
    LineBuffer line;
    std::uint8_t key[8];
    std::uint8_t block[8];

    print_text("Algoritmo DES\n\n");
    if (!read_hex_bytes("Digitare chiave : ", line, key, sizeof key) ||
        !read_hex_bytes("Digitare dato da criptare : ", line, block, sizeof block)) {
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
    } else {
        des_decrypt_block(block);
    }

    print_text("\nDato generato : ");
    for (const std::uint8_t byte : block) {
        print_hex_byte(byte);
    }
    wait_for_key();
    return 0;
}
