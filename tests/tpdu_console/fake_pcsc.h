// A simulated PC/SC layer, linked into the console tests in place of the
// system's library. It records what each call was given and answers as the
// test told it. Its state lives in memory shared with forked children, so a
// test can read what a child's console did after the child has ended.
#pragma once

#include <winscard.h>

#include <cstdint>

enum class PcscCall { Establish, ListReaders, Connect, FreeMemory, Transmit, Disconnect, Release };
constexpr int pcsc_call_kinds = 7;

constexpr int fake_max_calls = 64;
constexpr int fake_max_commands = 16;
constexpr int fake_max_bytes = 320;

struct FakeExchange {
    // What the console sent.
    std::uint8_t sent[fake_max_bytes];
    DWORD send_length;
    DWORD receive_length_in; // the in-out length as handed in
    bool send_pci_is_t0;
    bool receive_pci_is_null;
    // What the card answers to it.
    std::uint8_t answer[fake_max_bytes];
    DWORD answer_length;
};

struct FakePcsc {
    LONG results[pcsc_call_kinds]; // returned by each call, SCARD_S_SUCCESS by default
    char reader_list[128];         // the multi-string ListReaders hands out
    bool list_without_readers;     // success, but no list handed out

    PcscCall calls[fake_max_calls];
    int call_count;

    DWORD scope;
    bool reserved_arguments_null;
    bool group_filter_null;
    DWORD list_length_in;
    char connect_reader[128];
    DWORD share_mode;
    DWORD preferred_protocols;
    bool freed_the_list;
    DWORD disposition;
    bool handles_match; // every call got the handles handed out before

    // A real layer fails a transmit whose answer does not fit the in-out
    // length. For the fuzz target the fake can instead cut the answer to the
    // length, and even report the uncut length, as a faulty layer would.
    bool cut_long_answers;
    bool report_uncut_length;

    FakeExchange exchanges[fake_max_commands];
    int transmit_count;
};

// Resets the shared state: every call succeeds, two readers are listed, and
// every command is answered 90 00.
FakePcsc& fake_pcsc_reset();

FakePcsc& fake_pcsc();

// Sets the answer to the command-th transmit (from 0).
void fake_pcsc_answer(int command, const std::uint8_t* bytes, DWORD length);
