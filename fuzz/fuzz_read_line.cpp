// The line reader over arbitrary bytes: no newline, over-long lines, NUL and
// 0xFF bytes, CR LF. The buffer sits between guards that must stay intact,
// and every line must be zero-terminated within its 256 bytes.
#include "fuzz_input.h"
#include "hex_text.h"

#include <cstdlib>
#include <cstring>

namespace {

struct GuardedLine {
    unsigned char before[32];
    LineBuffer line;
    unsigned char after[32];
};

bool guards_intact(const GuardedLine& guarded) {
    for (int i = 0; i < 32; ++i) {
        if (guarded.before[i] != 0xA5 || guarded.after[i] != 0xA5) {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    set_fuzz_input(data + 1, size - 1, data[0] % 64 + 1);
    GuardedLine guarded;
    std::memset(&guarded, 0xA5, sizeof guarded);
    std::size_t line_feeds = 0;
    for (std::size_t i = 1; i < size; ++i) {
        line_feeds += data[i] == '\n';
    }
    std::size_t lines = 0;
    for (;;) {
        const LineRead outcome = read_line_bounded(guarded.line);
        if (outcome == LineRead::EndOfInput) {
            break;
        }
        ++lines;
        if (!guards_intact(guarded) ||
            std::memchr(guarded.line, 0, sizeof guarded.line) == nullptr) {
            std::abort();
        }
        if (outcome == LineRead::TooLong && guarded.line[line_max_length] != '\0') {
            std::abort();
        }
    }
    // One line per line feed, plus the unterminated last one if any.
    const bool unterminated_tail = size > 1 && data[size - 1] != '\n';
    if (lines != line_feeds + (unterminated_tail ? 1 : 0)) {
        std::abort();
    }
    drain_fuzz_input();
    return 0;
}
