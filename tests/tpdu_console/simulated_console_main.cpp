// tpdu_console linked against the simulated PC/SC layer: a card that answers
// 61 15 to its first command and 90 00 to the others, and a reader list of
// two. For whole-program checks (memcheck) that need no PC/SC service.
#include "fake_pcsc.h"
#include "tpdu_console.h"

int main() {
    fake_pcsc_reset();
    const std::uint8_t more_data[] = {0x61, 0x15};
    fake_pcsc_answer(0, more_data, sizeof more_data);
    return run_console();
}
