// The card command console: typed command lines turned into T=0 commands, and
// the PC/SC session that sends them and prints the card's answers.
#pragma once

#include "hex_text.h"
#include "pcsc_platform.h"

#include <cstdint>

constexpr int send_buffer_size = 256;
// The largest answer is P3 = 0xFF data bytes and the two status bytes.
constexpr int receive_buffer_size = 258;

struct Tpdu {
    std::uint8_t send_buffer[send_buffer_size]; // CLA INS P1 P2 P3, then data
    std::uint32_t send_length;                  // bytes of send_buffer sent
    std::uint32_t expected_length;              // in: answer bytes expected; out: received
};

enum class TransferClass {
    ReaderToCard, // header and P3 data bytes; the card answers status only
    CardToReader, // header alone; the card answers P3 bytes and status
    Unlisted
};

// Transfer class of an INS byte, from the fixed table of twelve codes.
TransferClass classify_ins(std::uint8_t ins);

// 0 when the line may be sent (or is empty, which ends the session); -1 after
// printing BEL alone when it may not. A line is pairs of upper-case hex digits
// with one space between them and at most one space after the last, holding
// the five header pairs and the data pairs its command needs.
int check_command_line(const LineBuffer& line);

// Fills tpdu from a line that check_command_line accepted and is not empty.
void build_tpdu(const LineBuffer& line, Tpdu& tpdu);

struct CardConnection {
    SCARDCONTEXT context;
    LPSTR reader_list; // multi-string allocated by the PC/SC layer
    SCARDHANDLE card;
    std::uint32_t active_protocol;
    LineBuffer line;
    Tpdu tpdu;
    std::uint8_t receive_buffer[receive_buffer_size];
};

// The whole run of the console: banner, connection to the card in the first
// reader (T=0, exclusive), then one command per typed line until an empty line
// or end of input. Returns 0 after a clean close; failures end the process.
int run_console();

// Prints message, waits for a key and ends the process with status 1. No
// further PC/SC call is made.
[[noreturn]] void fail_and_exit(const char* message);

// Prints "<- ", the count bytes, and an empty line.
void print_response(const std::uint8_t* bytes, std::uint32_t count);
