#include "hex_text.h"

#include "console_keys.h"

#include <cstdio>

namespace {

constexpr int line_feed = '\n';
constexpr char carriage_return = '\r';

bool is_hex_digit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

} // namespace

LineRead read_line_bounded(LineBuffer& line) {
    long read_count = 0; // characters before the line feed
    bool last_was_carriage_return = false;
    for (;;) {
        const int c = next_input_char();
        if (c < 0) {
            if (read_count == 0) {
                return LineRead::EndOfInput;
            }
            break;
        }
        if (c == line_feed) {
            break;
        }
        // Past the buffer's room the characters are read and dropped.
        if (read_count < line_max_length) {
            line[read_count] = static_cast<char>(c);
        }
        ++read_count;
        last_was_carriage_return = c == carriage_return;
    }
    // A carriage return right before the line end is no part of the line.
    const long length = last_was_carriage_return ? read_count - 1 : read_count;
    if (length > line_max_length) {
        line[line_max_length] = '\0';
        return LineRead::TooLong;
    }
    line[length] = '\0';
    return LineRead::Line;
}

bool read_line(LineBuffer& line) { return read_line_bounded(line) != LineRead::EndOfInput; }

std::uint8_t hex_digit_value(char c) {
    const auto code = static_cast<std::uint8_t>(c);
    return static_cast<std::uint8_t>(code <= '9' ? code - 0x30 : code - 0x37);
}

std::uint8_t hex_pair_to_byte(const LineBuffer& line, int position) {
    return static_cast<std::uint8_t>(16 * hex_digit_value(line[position]) +
                                     hex_digit_value(line[position + 1]));
}

bool is_hex_pair(const LineBuffer& line, int position) {
    return is_hex_digit(line[position]) && is_hex_digit(line[position + 1]);
}

int line_length(const LineBuffer& line) {
    int length = 0;
    while (length < line_max_length && line[length] != '\0') {
        ++length;
    }
    return length;
}

bool read_hex_bytes(const char* prompt, LineBuffer& line, std::uint8_t* bytes, int count) {
    for (;;) {
        print_text(prompt);
        if (!read_line(line)) {
            return false;
        }
        // The last pair must lie within the line itself, never behind its end.
        bool holds_pairs = line_length(line) >= 3 * count - 1;
        for (int n = 0; holds_pairs && n < count; ++n) {
            holds_pairs = is_hex_pair(line, 3 * n);
        }
        if (holds_pairs) {
            break;
        }
        sound_bel();
    }
    for (int n = 0; n < count; ++n) {
        bytes[n] = hex_pair_to_byte(line, 3 * n);
    }
    return true;
}

void print_hex_byte(std::uint8_t b) {
    // Lower-case base-16 text, a '0' in front of a single digit, letters made
    // upper case.
    char digits[3];
    std::snprintf(digits, sizeof digits, "%x", static_cast<unsigned>(b));
    if (digits[1] == '\0') {
        digits[1] = digits[0];
        digits[0] = '0';
    }
    for (int i = 0; i < 2; ++i) {
        if (digits[i] >= 'a' && digits[i] <= 'f') {
            digits[i] = static_cast<char>(digits[i] - 32);
        }
    }
    std::printf("%c%c ", digits[0], digits[1]);
    std::fflush(stdout);
}

void print_text(const char* text) {
    std::fputs(text, stdout);
    std::fflush(stdout);
}

void sound_bel() { print_text("\a"); }
