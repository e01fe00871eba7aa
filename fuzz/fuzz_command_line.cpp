// The command-line check and the command it builds, on whatever a line can
// hold. An accepted line never sends more bytes than it carries pairs, never
// expects more than the receive buffer holds, and sends exactly its own pairs;
// a refused line changes nothing.
#include "fuzz_input.h"
#include "tpdu_console.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    silence_standard_output();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The buffer as read_line leaves it: up to 255 characters, a zero after
    // them, and whatever an earlier line left beyond.
    LineBuffer line;
    std::memset(line, 'F', sizeof line);
    const std::size_t length = size < line_max_length ? size : line_max_length;
    std::memcpy(line, data, length);
    line[length] = '\0';
    LineBuffer line_before;
    std::memcpy(line_before, line, sizeof line);

    Tpdu tpdu;
    std::memset(&tpdu, 0xEE, sizeof tpdu);
    Tpdu tpdu_before;
    std::memcpy(&tpdu_before, &tpdu, sizeof tpdu);

    const int verdict = check_command_line(line);
    if (std::memcmp(line, line_before, sizeof line) != 0) {
        std::abort();
    }
    if (verdict != 0 || line[0] == '\0') {
        if (std::memcmp(&tpdu, &tpdu_before, sizeof tpdu) != 0) {
            std::abort();
        }
        return 0;
    }
    build_tpdu(line, tpdu);
    const std::uint32_t pairs_on_line = static_cast<std::uint32_t>(line_length(line) + 2) / 3;
    if (tpdu.send_length < 5 || tpdu.send_length > pairs_on_line || tpdu.expected_length < 2 ||
        tpdu.expected_length > receive_buffer_size) {
        std::abort();
    }
    for (std::uint32_t i = 0; i < tpdu.send_length; ++i) {
        if (!is_hex_pair(line, static_cast<int>(3 * i)) ||
            tpdu.send_buffer[i] != hex_pair_to_byte(line, static_cast<int>(3 * i))) {
            std::abort();
        }
    }
    // Nothing is written past the bytes sent.
    for (std::uint32_t i = tpdu.send_length; i < send_buffer_size; ++i) {
        if (tpdu.send_buffer[i] != 0xEE) {
            std::abort();
        }
    }
    return 0;
}
