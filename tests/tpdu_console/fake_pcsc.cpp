#include "fake_pcsc.h"

#include <cstdlib>
#include <cstring>
#include <sys/mman.h>

// The T=0 protocol control information the console must hand to transmit.
const SCARD_IO_REQUEST g_rgSCardT0Pci = {SCARD_PROTOCOL_T0, sizeof(SCARD_IO_REQUEST)};
const SCARD_IO_REQUEST g_rgSCardT1Pci = {SCARD_PROTOCOL_T1, sizeof(SCARD_IO_REQUEST)};
const SCARD_IO_REQUEST g_rgSCardRawPci = {SCARD_PROTOCOL_RAW, sizeof(SCARD_IO_REQUEST)};

namespace {

constexpr SCARDCONTEXT fake_context = 0x5C0;
constexpr SCARDHANDLE fake_card = 0xCA2D;

FakePcsc* shared_state() {
    static FakePcsc* state = [] {
        void* memory = mmap(nullptr, sizeof(FakePcsc), PROT_READ | PROT_WRITE,
                            MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        if (memory == MAP_FAILED) {
            std::abort();
        }
        return static_cast<FakePcsc*>(memory);
    }();
    return state;
}

LONG record(PcscCall call) {
    FakePcsc& state = *shared_state();
    if (state.call_count < fake_max_calls) {
        state.calls[state.call_count++] = call;
    }
    return state.results[static_cast<int>(call)];
}

void check_context(SCARDCONTEXT context) {
    if (context != fake_context) {
        shared_state()->handles_match = false;
    }
}

void check_card(SCARDHANDLE card) {
    if (card != fake_card) {
        shared_state()->handles_match = false;
    }
}

} // namespace

FakePcsc& fake_pcsc() { return *shared_state(); }

FakePcsc& fake_pcsc_reset() {
    FakePcsc& state = *shared_state();
    std::memset(&state, 0, sizeof state);
    std::memcpy(state.reader_list, "Reader A\0Reader B\0", 19);
    state.handles_match = true;
    for (int i = 0; i < fake_max_commands; ++i) {
        state.exchanges[i].answer[0] = 0x90;
        state.exchanges[i].answer[1] = 0x00;
        state.exchanges[i].answer_length = 2;
    }
    return state;
}

void fake_pcsc_answer(int command, const std::uint8_t* bytes, DWORD length) {
    FakeExchange& exchange = shared_state()->exchanges[command];
    if (length > 0) {
        std::memcpy(exchange.answer, bytes, length);
    }
    exchange.answer_length = length;
}

LONG SCardEstablishContext(DWORD scope, LPCVOID reserved1, LPCVOID reserved2,
                           LPSCARDCONTEXT context) {
    FakePcsc& state = *shared_state();
    state.scope = scope;
    state.reserved_arguments_null = reserved1 == nullptr && reserved2 == nullptr;
    const LONG result = record(PcscCall::Establish);
    if (result == SCARD_S_SUCCESS) {
        *context = fake_context;
    }
    return result;
}

LONG SCardListReaders(SCARDCONTEXT context, LPCSTR groups, LPSTR readers, LPDWORD readers_length) {
    FakePcsc& state = *shared_state();
    check_context(context);
    state.group_filter_null = groups == nullptr;
    state.list_length_in = *readers_length;
    const LONG result = record(PcscCall::ListReaders);
    if (result == SCARD_S_SUCCESS && *readers_length == SCARD_AUTOALLOCATE &&
        !state.list_without_readers) {
        // With SCARD_AUTOALLOCATE the argument is where the list's address goes.
        *reinterpret_cast<char**>(readers) = state.reader_list;
        *readers_length = sizeof state.reader_list;
    }
    return result;
}

LONG SCardConnect(SCARDCONTEXT context, LPCSTR reader, DWORD share_mode, DWORD preferred_protocols,
                  LPSCARDHANDLE card, LPDWORD active_protocol) {
    FakePcsc& state = *shared_state();
    check_context(context);
    std::strncpy(state.connect_reader, reader, sizeof state.connect_reader - 1);
    state.share_mode = share_mode;
    state.preferred_protocols = preferred_protocols;
    const LONG result = record(PcscCall::Connect);
    if (result == SCARD_S_SUCCESS) {
        *card = fake_card;
        *active_protocol = SCARD_PROTOCOL_T0;
    }
    return result;
}

LONG SCardFreeMemory(SCARDCONTEXT context, LPCVOID memory) {
    FakePcsc& state = *shared_state();
    check_context(context);
    state.freed_the_list = memory == state.reader_list;
    return record(PcscCall::FreeMemory);
}

LONG SCardTransmit(SCARDHANDLE card, const SCARD_IO_REQUEST* send_pci, LPCBYTE send_buffer,
                   DWORD send_length, SCARD_IO_REQUEST* receive_pci, LPBYTE receive_buffer,
                   LPDWORD receive_length) {
    FakePcsc& state = *shared_state();
    check_card(card);
    const LONG result = record(PcscCall::Transmit);
    if (state.transmit_count >= fake_max_commands) {
        return SCARD_F_INTERNAL_ERROR;
    }
    FakeExchange& exchange = state.exchanges[state.transmit_count++];
    exchange.send_length = send_length;
    exchange.receive_length_in = *receive_length;
    exchange.send_pci_is_t0 = send_pci == SCARD_PCI_T0;
    exchange.receive_pci_is_null = receive_pci == nullptr;
    std::memcpy(exchange.sent, send_buffer,
                send_length < fake_max_bytes ? send_length : fake_max_bytes);
    if (result != SCARD_S_SUCCESS) {
        return result;
    }
    DWORD copied = exchange.answer_length;
    if (copied > *receive_length) {
        if (!state.cut_long_answers) {
            return SCARD_E_INSUFFICIENT_BUFFER;
        }
        copied = *receive_length;
    }
    if (copied > 0) {
        std::memcpy(receive_buffer, exchange.answer, copied);
    }
    *receive_length = state.report_uncut_length ? exchange.answer_length : copied;
    return SCARD_S_SUCCESS;
}

LONG SCardDisconnect(SCARDHANDLE card, DWORD disposition) {
    FakePcsc& state = *shared_state();
    check_card(card);
    state.disposition = disposition;
    return record(PcscCall::Disconnect);
}

LONG SCardReleaseContext(SCARDCONTEXT context) {
    check_context(context);
    return record(PcscCall::Release);
}
