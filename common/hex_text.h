// Hex text and console keys shared by the three programs: the line buffer and
// its reader, the digit rule, the byte printer and the two console-key
// operations. Every print is flushed before it returns.
#pragma once

#include <cstdint>

constexpr int line_buffer_size = 256;
constexpr int line_max_length = line_buffer_size - 1;

// One typed line without its line feed, then a zero byte.
using LineBuffer = char[line_buffer_size];

enum class LineRead {
    Line,      // a line was stored
    TooLong,   // a line of more than 255 characters: its first 255 were
               // stored and the rest of it was read and discarded
    EndOfInput // nothing was read; the buffer is untouched
};

// Reads standard input up to the next line feed into line[0..], dropping the
// line feed and a carriage return right before it, and stores a zero byte
// after the characters. Bytes after that zero are not touched. At end of input
// after at least one character, those characters make the line.
LineRead read_line_bounded(LineBuffer& line);

// read_line_bounded, true when a line (over-long or not) was stored.
bool read_line(LineBuffer& line);

// c - 0x30 when c, as an unsigned 8-bit value, is at most '9'; c - 0x37
// otherwise; modulo 256. 'A'..'F' give 10..15; no other check is made.
std::uint8_t hex_digit_value(char c);

// 16 * digit(line[position]) + digit(line[position + 1]), modulo 256.
// position must be at most line_buffer_size - 2.
std::uint8_t hex_pair_to_byte(const LineBuffer& line, int position);

// True when line[position] and line[position + 1] are both '0'-'9' or 'A'-'F'.
// It does not look at the line's length: bytes an earlier, longer line left
// after the zero byte can pass it, so callers bound position by line_length.
bool is_hex_pair(const LineBuffer& line, int position);

// Length of the zero-terminated line (at most 255).
int line_length(const LineBuffer& line);

// Prints prompt and reads lines until one holds count upper-case hex pairs at
// positions 0, 3, 6, ... (the characters between them are not looked at), then
// converts them into bytes[0..count-1]. Each refused line is answered with BEL
// and the prompt again. False at end of input, bytes untouched. count <= 85.
bool read_hex_bytes(const char* prompt, LineBuffer& line, std::uint8_t* bytes, int count);

// Prints b as two upper-case hex digits and a space, e.g. "3F ".
void print_hex_byte(std::uint8_t b);

// Prints text as it stands.
void print_text(const char* text);

// Prints the BEL character alone: the refusal of a typed line.
void sound_bel();

// Returns once a key press is pending at the console, without consuming it.
// Returns at once when standard input is not a console.
void wait_for_key();

// Takes the next key press without echo and returns its character. When
// standard input is not a console, takes the next character of the stream
// read_line reads. Returns '\0' at end of input.
char read_key();

// read_key that tells end of input apart: false when no key could be had.
bool try_read_key(char& key);
