// testcard: a small deterministic T=0 smart card behind the virtual reader
// driver of vsmartcard (vpcd). A test and demo tool, not part of the programs.
//
// The card connects by TCP to the reader's port on 127.0.0.1. Every message in
// both directions is a 2-byte big-endian length followed by that many bytes. A
// 1-byte message from the reader is a control code; a longer one is a command
// (T=0: the 5-byte header, then the data of a command that carries data), and
// the card answers it with one message holding the response bytes. Closing the
// connection removes the card.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Control codes sent by the reader as 1-byte messages.
constexpr std::uint8_t control_power_off = 0x00;
constexpr std::uint8_t control_power_on = 0x01;
constexpr std::uint8_t control_reset = 0x02;
constexpr std::uint8_t control_get_atr = 0x04;

// Instructions the card knows.
constexpr std::uint8_t ins_verify = 0x20;
constexpr std::uint8_t ins_get_challenge = 0x84;
constexpr std::uint8_t ins_select = 0xA4;
constexpr std::uint8_t ins_read_record = 0xB2;
constexpr std::uint8_t ins_get_response = 0xC0;

constexpr std::size_t header_size = 5;
constexpr std::uint8_t filler_byte = 0xEE; // the bytes of an over-long answer

// ATRs: T=0 only (no interface bytes, so T=0 is implied), and T=1 only
// (TD1 = 01 names T=1, followed by the check byte).
const Bytes atr_t0 = {0x3B, 0x02, 0x14, 0x50};
const Bytes atr_t1 = {0x3B, 0x80, 0x01, 0x81};

const Bytes pin_code = {0x31, 0x32, 0x33, 0x34, 0xFF, 0xFF, 0xFF, 0xFF}; // "1234"
constexpr int pin_tries = 3;
constexpr std::uint8_t pin_reference = 0x01;

constexpr std::size_t record_size = 10;

struct CardFile {
    std::uint16_t id;
    const char* name;
    Bytes fci;                  // the answer of GET RESPONSE after SELECT
    std::vector<Bytes> records; // linear fixed records, empty when none
};

// The card's files. Any of them can be selected from anywhere.
const std::vector<CardFile> card_files = {
    {0x3F00, "MF", {0x62, 0x0A, 0x82, 0x01, 0x38, 0x83, 0x02, 0x3F, 0x00, 0x8A, 0x01, 0x05}, {}},
    {0x2FE2,
     "EF serial number",
     {0x62, 0x0E, 0x82, 0x01, 0x01, 0x83, 0x02, 0x2F, 0xE2, 0x80, 0x02, 0x00, 0x0A, 0x8A, 0x01,
      0x05},
     {}},
    {0x7F10,
     "DF application",
     {0x62, 0x0A, 0x82, 0x01, 0x38, 0x83, 0x02, 0x7F, 0x10, 0x8A, 0x01, 0x05},
     {}},
    {0x6F3A,
     "EF records",
     {0x62, 0x0E, 0x82, 0x05, 0x02, 0x21, 0x00, 0x0A, 0x03, 0x83, 0x02, 0x6F, 0x3A, 0x8A, 0x01,
      0x05},
     {{'R', 'E', 'C', 'O', 'R', 'D', '-', '0', '0', '1'},
      {'R', 'E', 'C', 'O', 'R', 'D', '-', '0', '0', '2'},
      {'R', 'E', 'C', 'O', 'R', 'D', '-', '0', '0', '3'}}},
};

struct Options {
    int port = 35963;
    bool t1_only = false;
    int extra_bytes = 0;    // bytes added to every answer before the status
    long drop_after = -1;   // commands answered before the card is pulled out
                            // (right after the last answer)
    int delay_ms = 0;       // wait before every answer
    std::uint32_t seed = 1; // of the GET CHALLENGE generator
    std::string log_path;   // every command received, as hex, one per line
};

struct CardState {
    const CardFile* current = nullptr;
    Bytes pending_response; // what GET RESPONSE returns
    int tries_left = pin_tries;
    bool pin_verified = false;
    std::uint32_t generator = 1;
};

[[noreturn]] void usage() {
    std::fprintf(stderr, "usage: testcard [--port N] [--t1] [--extra-bytes N] [--drop-after N]\n"
                         "                [--delay-ms N] [--seed N] [--log FILE]\n");
    std::exit(2);
}

long number_argument(int argc, char** argv, int& i) {
    if (i + 1 >= argc) {
        usage();
    }
    char* end = nullptr;
    const long value = std::strtol(argv[++i], &end, 0);
    if (*end != '\0' || value < 0) {
        usage();
    }
    return value;
}

Options parse_options(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--port") {
            options.port = static_cast<int>(number_argument(argc, argv, i));
        } else if (option == "--t1") {
            options.t1_only = true;
        } else if (option == "--extra-bytes") {
            options.extra_bytes = static_cast<int>(number_argument(argc, argv, i));
        } else if (option == "--drop-after") {
            options.drop_after = number_argument(argc, argv, i);
        } else if (option == "--delay-ms") {
            options.delay_ms = static_cast<int>(number_argument(argc, argv, i));
        } else if (option == "--seed") {
            options.seed = static_cast<std::uint32_t>(number_argument(argc, argv, i));
        } else if (option == "--log" && i + 1 < argc) {
            options.log_path = argv[++i];
        } else {
            usage();
        }
    }
    return options;
}

Bytes status(std::uint8_t sw1, std::uint8_t sw2) { return {sw1, sw2}; }

Bytes with_status(Bytes data, std::uint8_t sw1, std::uint8_t sw2) {
    data.push_back(sw1);
    data.push_back(sw2);
    return data;
}

// xorshift32, its state scrambled into the byte: the same seed gives the same
// challenges after every reset.
std::uint8_t next_random_byte(CardState& card) {
    std::uint32_t x = card.generator;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    card.generator = x;
    return static_cast<std::uint8_t>((x * 0x9E3779B1u) >> 24);
}

void power_up(CardState& card, const Options& options) {
    card.current = &card_files[0];
    card.pending_response.clear();
    card.pin_verified = false;
    card.generator = options.seed != 0 ? options.seed : 1;
}

const CardFile* find_file(std::uint16_t id) {
    for (const CardFile& file : card_files) {
        if (file.id == id) {
            return &file;
        }
    }
    return nullptr;
}

// Answers one command: its header and, for a command that carries data, the data.
Bytes answer_command(CardState& card, const Bytes& command) {
    const std::uint8_t cla = command[0];
    const std::uint8_t ins = command[1];
    const std::uint8_t p1 = command[2];
    const std::uint8_t p2 = command[3];
    const std::uint8_t p3 = command.size() >= header_size ? command[4] : 0;
    const Bytes data(command.begin() + static_cast<long>(std::min(command.size(), header_size)),
                     command.end());
    const bool carries_data = !data.empty();

    // GET RESPONSE may only follow the command that left a response.
    Bytes pending;
    pending.swap(card.pending_response);

    if (command.size() < header_size) {
        return status(0x67, 0x00);
    }
    if (cla != 0x00 && cla != 0xA0) {
        return status(0x6E, 0x00);
    }
    switch (ins) {
    case ins_select: {
        if (p3 != 2 || data.size() != 2) {
            return status(0x67, 0x00);
        }
        const CardFile* file = find_file(static_cast<std::uint16_t>(data[0] << 8 | data[1]));
        if (file == nullptr) {
            return status(0x6A, 0x82);
        }
        card.current = file;
        card.pending_response = file->fci;
        return status(0x61, static_cast<std::uint8_t>(file->fci.size()));
    }
    case ins_get_response: {
        if (carries_data) {
            return status(0x67, 0x00);
        }
        if (pending.empty()) {
            return status(0x69, 0x85);
        }
        if (p3 == 0 || p3 > pending.size()) {
            card.pending_response = pending;
            return status(0x6C, static_cast<std::uint8_t>(pending.size()));
        }
        const Bytes part(pending.begin(), pending.begin() + p3);
        if (p3 < pending.size()) {
            card.pending_response.assign(pending.begin() + p3, pending.end());
            return with_status(part, 0x61, static_cast<std::uint8_t>(card.pending_response.size()));
        }
        return with_status(part, 0x90, 0x00);
    }
    case ins_read_record: {
        if (carries_data) {
            return status(0x67, 0x00);
        }
        if (card.current == nullptr || card.current->records.empty()) {
            return status(0x69, 0x86);
        }
        if (p2 != 0x04) {
            return status(0x6A, 0x86);
        }
        if (p1 == 0 || p1 > card.current->records.size()) {
            return status(0x6A, 0x83);
        }
        if (p3 != record_size) {
            return status(0x6C, static_cast<std::uint8_t>(record_size));
        }
        return with_status(card.current->records[p1 - 1u], 0x90, 0x00);
    }
    case ins_get_challenge: {
        if (carries_data) {
            return status(0x67, 0x00);
        }
        if (p3 == 0) {
            return status(0x6C, 0x08);
        }
        Bytes challenge;
        for (int i = 0; i < p3; ++i) {
            challenge.push_back(next_random_byte(card));
        }
        return with_status(challenge, 0x90, 0x00);
    }
    case ins_verify: {
        if (p1 != 0x00 || p2 != pin_reference) {
            return status(0x6A, 0x86);
        }
        if (data.size() != p3 || (p3 != 0 && p3 != pin_code.size())) {
            return status(0x67, 0x00);
        }
        if (card.tries_left == 0) {
            return status(0x69, 0x83);
        }
        if (p3 == 0) { // asks for the tries left
            return card.pin_verified
                       ? status(0x90, 0x00)
                       : status(0x63, static_cast<std::uint8_t>(0xC0 | card.tries_left));
        }
        if (data == pin_code) {
            card.tries_left = pin_tries;
            card.pin_verified = true;
            return status(0x90, 0x00);
        }
        card.pin_verified = false;
        --card.tries_left;
        return status(0x63, static_cast<std::uint8_t>(0xC0 | card.tries_left));
    }
    default:
        return status(0x6D, 0x00);
    }
}

bool read_exactly(int fd, std::uint8_t* into, std::size_t count) {
    while (count > 0) {
        // The reader writes a message's length and its bytes separately; an
        // ACK held back here would stall the second write for 40 ms.
        const int on = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
        const ssize_t got = recv(fd, into, count, 0);
        if (got == 0) {
            return false;
        }
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        into += got;
        count -= static_cast<std::size_t>(got);
    }
    return true;
}

bool send_message(int fd, const Bytes& bytes) {
    Bytes message = {static_cast<std::uint8_t>(bytes.size() >> 8),
                     static_cast<std::uint8_t>(bytes.size() & 0xFF)};
    message.insert(message.end(), bytes.begin(), bytes.end());
    std::size_t sent = 0;
    while (sent < message.size()) {
        const ssize_t count = send(fd, message.data() + sent, message.size() - sent, MSG_NOSIGNAL);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return false;
        }
        sent += static_cast<std::size_t>(count);
    }
    return true;
}

// Connects to the reader, retrying until its driver listens.
int insert_card(int port) {
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool told = false;
    for (;;) {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        if (fd < 0) {
            std::perror("testcard: socket");
            std::exit(1);
        }
        if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
            // Answers go out at once, not held back for the reader's ACK.
            const int on = 1;
            setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            return fd;
        }
        close(fd);
        if (!told) {
            std::fprintf(stderr, "testcard: waiting for the reader on port %d\n", port);
            told = true;
        }
        usleep(100 * 1000);
    }
}

void log_command(std::FILE* log, const Bytes& command) {
    if (log == nullptr) {
        return;
    }
    for (std::size_t i = 0; i < command.size(); ++i) {
        std::fprintf(log, i == 0 ? "%02X" : " %02X", command[i]);
    }
    std::fputc('\n', log);
    std::fflush(log);
}

int run_card(const Options& options) {
    std::FILE* log = nullptr;
    if (!options.log_path.empty()) {
        log = std::fopen(options.log_path.c_str(), "w");
        if (log == nullptr) {
            std::perror("testcard: log file");
            return 1;
        }
    }
    const int fd = insert_card(options.port);
    std::fprintf(stderr, "testcard: inserted in the reader on port %d\n", options.port);
    CardState card;
    power_up(card, options);
    long answered = 0;
    for (;;) {
        std::uint8_t length_bytes[2];
        if (!read_exactly(fd, length_bytes, sizeof length_bytes)) {
            break;
        }
        Bytes message(static_cast<std::size_t>(length_bytes[0] << 8 | length_bytes[1]));
        if (!read_exactly(fd, message.data(), message.size())) {
            break;
        }
        if (message.size() == 1) {
            switch (message[0]) {
            case control_get_atr:
                send_message(fd, options.t1_only ? atr_t1 : atr_t0);
                break;
            case control_power_on:
            case control_reset:
                power_up(card, options);
                break;
            case control_power_off:
            default:
                break;
            }
            continue;
        }
        log_command(log, message);
        Bytes response = answer_command(card, message);
        if (options.extra_bytes > 0) {
            response.insert(response.end() - 2, static_cast<std::size_t>(options.extra_bytes),
                            filler_byte);
        }
        if (options.delay_ms > 0) {
            usleep(static_cast<useconds_t>(options.delay_ms) * 1000);
        }
        if (!send_message(fd, response)) {
            break;
        }
        ++answered;
        if (answered == options.drop_after) {
            std::fprintf(stderr, "testcard: pulled out after %ld commands\n", answered);
            break;
        }
    }
    close(fd);
    if (log != nullptr) {
        std::fclose(log);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) { return run_card(parse_options(argc, argv)); }
