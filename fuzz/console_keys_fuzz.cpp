// Console keys for the fuzz build: standard input is a memory buffer the fuzz
// target fills, never a console.
#include "../common/console_keys.h"
#include "fuzz_input.h"

#include <cstdio>
#include <cstring>

namespace {
const std::uint8_t* input_bytes = nullptr;
std::size_t input_left = 0;
std::size_t input_chunk = 1;
} // namespace

void set_fuzz_input(const std::uint8_t* bytes, std::size_t size, std::size_t chunk) {
    input_bytes = bytes;
    input_left = size;
    input_chunk = chunk == 0 ? 1 : chunk;
}

void drain_fuzz_input() {
    input_left = 0;
    while (next_input_char() >= 0) {
    }
}

void silence_standard_output() {
    if (std::freopen("/dev/null", "w", stdout) == nullptr) {
        std::perror("freopen");
    }
}

bool stdin_is_console() { return false; }

long read_standard_input(unsigned char* into, long capacity) {
    std::size_t count = input_left < input_chunk ? input_left : input_chunk;
    if (count > static_cast<std::size_t>(capacity)) {
        count = static_cast<std::size_t>(capacity);
    }
    if (count > 0) {
        std::memcpy(into, input_bytes, count);
    }
    input_bytes += count;
    input_left -= count;
    return static_cast<long>(count);
}

long read_console_key(unsigned char* into, long capacity) {
    return read_standard_input(into, capacity);
}

void wait_console_key_pending() {}
