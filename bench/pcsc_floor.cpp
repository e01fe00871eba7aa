// The floor under the console's time per command: a minimal PC/SC client that
// connects to the first reader as the console does (T=0, exclusive), then sends
// the commands of a file in a loop with no console work at all. Each line of
// the file is one command as typed at the console.
//   pcsc_floor COMMAND_FILE
#include "tpdu_console.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

constexpr int max_commands = 4096;

// Commands made exactly as the console makes them, before the clock matters.
Tpdu commands[max_commands];

int read_commands(const char* path) {
    std::FILE* file = std::fopen(path, "r");
    if (file == nullptr) {
        return -1;
    }
    LineBuffer line;
    int count = 0;
    while (count < max_commands && std::fgets(line, sizeof line, file) != nullptr) {
        line[std::strcspn(line, "\r\n")] = '\0';
        if (line[0] != '\0' && check_command_line(line) == 0) {
            build_tpdu(line, commands[count++]);
        }
    }
    std::fclose(file);
    return count;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: pcsc_floor COMMAND_FILE\n");
        return 2;
    }
    const int count = read_commands(argv[1]);
    if (count < 0) {
        std::perror(argv[1]);
        return 2;
    }
    SCARDCONTEXT context;
    if (SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &context) != SCARD_S_SUCCESS) {
        return 1;
    }
    LPSTR readers = nullptr;
    DWORD readers_length = SCARD_AUTOALLOCATE;
    if (SCardListReadersA(context, nullptr, reinterpret_cast<LPSTR>(&readers), &readers_length) !=
        SCARD_S_SUCCESS) {
        return 1;
    }
    SCARDHANDLE card;
    DWORD protocol;
    if (SCardConnectA(context, readers, SCARD_SHARE_EXCLUSIVE, SCARD_PROTOCOL_T0, &card,
                      &protocol) != SCARD_S_SUCCESS) {
        return 1;
    }
    SCardFreeMemory(context, readers);
    std::uint8_t answer[258];
    for (int i = 0; i < count; ++i) {
        DWORD answer_length = commands[i].expected_length;
        if (SCardTransmit(card, SCARD_PCI_T0, commands[i].send_buffer, commands[i].send_length,
                          nullptr, answer, &answer_length) != SCARD_S_SUCCESS) {
            return 1;
        }
    }
    SCardDisconnect(card, SCARD_LEAVE_CARD);
    SCardReleaseContext(context);
    std::printf("%d commands\n", count);
    return 0;
}
