// The whole console loop over the simulated PC/SC layer: typed lines of any
// kind, card answers of any length, even a layer that reports more bytes than
// it was allowed to write. Nothing may be read or written past a buffer, and
// every command sent must be one the operator typed.
#include "fake_pcsc.h"
#include "fuzz_input.h"
#include "tpdu_console.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    silence_standard_output();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider provider(data, size);
    FakePcsc& state = fake_pcsc_reset();
    state.cut_long_answers = true;
    state.report_uncut_length = provider.ConsumeBool();
    for (int command = 0; command < fake_max_commands; ++command) {
        const std::vector<std::uint8_t> answer = provider.ConsumeBytes<std::uint8_t>(
            provider.ConsumeIntegralInRange<int>(0, fake_max_bytes));
        fake_pcsc_answer(command, answer.data(), static_cast<DWORD>(answer.size()));
    }
    const std::size_t chunk = provider.ConsumeIntegralInRange<std::size_t>(1, 300);
    std::vector<std::uint8_t> typed = provider.ConsumeRemainingBytes<std::uint8_t>();
    // The fake holds sixteen exchanges: keep at most fifteen lines.
    int line_feeds = 0;
    for (std::size_t i = 0; i < typed.size(); ++i) {
        if (typed[i] == '\n' && ++line_feeds == fake_max_commands - 1) {
            typed.resize(i + 1);
            break;
        }
    }
    set_fuzz_input(typed.data(), typed.size(), chunk);
    if (run_console() != 0) {
        std::abort();
    }
    drain_fuzz_input();

    // Every command sent is a typed line's pairs: CLA INS P1 P2 P3 and data.
    const std::string typed_text(typed.begin(), typed.end());
    for (int command = 0; command < state.transmit_count; ++command) {
        const FakeExchange& exchange = state.exchanges[command];
        if (exchange.send_length < 5 || exchange.send_length > 85 ||
            exchange.receive_length_in < 2 || exchange.receive_length_in > receive_buffer_size ||
            !exchange.send_pci_is_t0) {
            std::abort();
        }
        char text[3 * 85 + 1];
        for (DWORD i = 0; i < exchange.send_length; ++i) {
            static const char digits[] = "0123456789ABCDEF";
            text[3 * i] = digits[exchange.sent[i] >> 4];
            text[3 * i + 1] = digits[exchange.sent[i] & 0x0F];
            text[3 * i + 2] = ' ';
        }
        text[3 * exchange.send_length - 1] = '\0';
        if (typed_text.find(text) == std::string::npos) {
            std::abort();
        }
    }
    return 0;
}
