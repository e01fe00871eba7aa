// reader_probe: asks the PC/SC service about its readers, for the end-to-end
// tests and the demo script. A test and demo tool, not part of the programs.
//
//   reader_probe list                          reader names, one per line
//   reader_probe wait READER present|absent S  until the reader has (or has
//                                              not) a card; status 2 after S
//                                              seconds
//   reader_probe hold READER                   connects exclusively, prints
//                                              "held", keeps the card until
//                                              standard input ends
#include <unistd.h>
#include <winscard.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

namespace {

constexpr DWORD poll_ms = 200;

[[noreturn]] void usage() {
    std::fprintf(stderr, "usage: reader_probe list\n"
                         "       reader_probe wait READER present|absent SECONDS\n"
                         "       reader_probe hold READER\n");
    std::exit(64);
}

[[noreturn]] void fail(const char* call, LONG result) {
    std::fprintf(stderr, "reader_probe: %s: %s (0x%08lX)\n", call, pcsc_stringify_error(result),
                 static_cast<unsigned long>(result));
    std::exit(1);
}

SCARDCONTEXT open_context() {
    SCARDCONTEXT context = 0;
    const LONG result = SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &context);
    if (result != SCARD_S_SUCCESS) {
        fail("SCardEstablishContext", result);
    }
    return context;
}

std::vector<std::string> reader_names(SCARDCONTEXT context) {
    std::vector<std::string> names;
    DWORD length = 0;
    LONG result = SCardListReaders(context, nullptr, nullptr, &length);
    if (result == SCARD_E_NO_READERS_AVAILABLE) {
        return names;
    }
    if (result != SCARD_S_SUCCESS) {
        fail("SCardListReaders", result);
    }
    std::vector<char> list(length);
    result = SCardListReaders(context, nullptr, list.data(), &length);
    if (result == SCARD_E_NO_READERS_AVAILABLE) {
        return names;
    }
    if (result != SCARD_S_SUCCESS) {
        fail("SCardListReaders", result);
    }
    for (const char* name = list.data(); *name != '\0'; name += std::strlen(name) + 1) {
        names.emplace_back(name);
    }
    return names;
}

int list_readers() {
    const SCARDCONTEXT context = open_context();
    for (const std::string& name : reader_names(context)) {
        std::printf("%s\n", name.c_str());
    }
    SCardReleaseContext(context);
    return 0;
}

// Waits until the reader is known and its card present or absent as asked.
int wait_for_state(const char* reader, bool want_present, long seconds) {
    const SCARDCONTEXT context = open_context();
    const std::time_t deadline = std::time(nullptr) + seconds;
    SCARD_READERSTATE state = {};
    state.szReader = reader;
    state.dwCurrentState = SCARD_STATE_UNAWARE;
    while (std::time(nullptr) <= deadline) {
        const LONG result = SCardGetStatusChange(context, poll_ms, &state, 1);
        if (result == SCARD_S_SUCCESS || result == SCARD_E_TIMEOUT) {
            const DWORD event = state.dwEventState;
            const bool present = (event & SCARD_STATE_PRESENT) != 0;
            const bool known = (event & (SCARD_STATE_UNKNOWN | SCARD_STATE_UNAVAILABLE)) == 0;
            if (known && present == want_present) {
                SCardReleaseContext(context);
                return 0;
            }
            state.dwCurrentState = event & ~static_cast<DWORD>(SCARD_STATE_CHANGED);
        } else if (result == SCARD_E_UNKNOWN_READER) {
            // Not listed yet: ask again a little later.
            state.dwCurrentState = SCARD_STATE_UNAWARE;
            usleep(poll_ms * 1000);
        } else {
            fail("SCardGetStatusChange", result);
        }
    }
    std::fprintf(stderr, "reader_probe: %s: no card %s after %ld s\n", reader,
                 want_present ? "present" : "absent", seconds);
    SCardReleaseContext(context);
    return 2;
}

int hold_card(const char* reader) {
    const SCARDCONTEXT context = open_context();
    SCARDHANDLE card = 0;
    DWORD protocol = 0;
    const LONG result = SCardConnect(context, reader, SCARD_SHARE_EXCLUSIVE,
                                     SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &card, &protocol);
    if (result != SCARD_S_SUCCESS) {
        fail("SCardConnect", result);
    }
    std::printf("held\n");
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    SCardDisconnect(card, SCARD_LEAVE_CARD);
    SCardReleaseContext(context);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "list") == 0) {
        return list_readers();
    }
    if (argc == 5 && std::strcmp(argv[1], "wait") == 0) {
        const bool present = std::strcmp(argv[3], "present") == 0;
        if (!present && std::strcmp(argv[3], "absent") != 0) {
            usage();
        }
        return wait_for_state(argv[2], present, std::strtol(argv[4], nullptr, 10));
    }
    if (argc == 3 && std::strcmp(argv[1], "hold") == 0) {
        return hold_card(argv[2]);
    }
    usage();
}
