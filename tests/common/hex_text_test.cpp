#include "child_process.h"
#include "hex_text.h"
#include "printed_hex.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

TEST(PrintHexByte, EveryByteAsTwoUpperCaseDigitsAndASpace) {
    const ChildResult result = run_in_child("", [] {
        for (int b = 0; b < 256; ++b) {
            print_hex_byte(static_cast<std::uint8_t>(b));
        }
        return 0;
    });
    std::uint8_t all_bytes[256];
    for (int b = 0; b < 256; ++b) {
        all_bytes[b] = static_cast<std::uint8_t>(b);
    }
    EXPECT_EQ(result.output, printed_hex(all_bytes, sizeof all_bytes));
    EXPECT_EQ(result.output.substr(0, 3), "00 ");
    EXPECT_EQ(result.output.substr(5 * 3, 3), "05 ");
    EXPECT_EQ(result.output.substr(0xAB * 3, 3), "AB ");
}

// _exit skips the flush at exit: what is not flushed by the print itself is lost.
TEST(Printing, EveryPrintIsFlushedBeforeItReturns) {
    const ChildResult result = run_in_child("", [] {
        print_text("-> ");
        print_hex_byte(0x3F);
        sound_bel();
        _exit(0);
        return 0;
    });
    EXPECT_EQ(result.output, "-> 3F \a");
}

// Reads every line of the input and reports each as "[text]" with its outcome.
int echo_lines() {
    LineBuffer line;
    std::memset(line, '#', sizeof line);
    for (;;) {
        const LineRead outcome = read_line_bounded(line);
        if (outcome == LineRead::EndOfInput) {
            print_text("<end>");
            return 0;
        }
        print_text(outcome == LineRead::TooLong ? "long[" : "[");
        print_text(line);
        print_text("]");
    }
}

TEST(ReadLine, SplitsTheInputIntoLines) {
    struct Case {
        const char* name;
        std::string input;
        std::string lines;
    };
    const std::string long_line(300, 'A');
    const std::string full_line(255, 'B');
    const Case cases[] = {
        {"plain lines", "3F 00\nA4\n", "[3F 00][A4]<end>"},
        {"empty line", "\n\n", "[][]<end>"},
        {"carriage return before line feed", "00 A4\r\n\r\n", "[00 A4][]<end>"},
        {"carriage return inside kept", "A\rB\n", "[A\rB]<end>"},
        {"last line without line feed", "00\n11", "[00][11]<end>"},
        {"no input at all", "", "<end>"},
        {"255 characters fit", full_line + "\n", "[" + full_line + "]<end>"},
        {"255 characters and CR LF fit", full_line + "\r\n", "[" + full_line + "]<end>"},
        {"over-long line cut, its rest dropped", long_line + "\nNEXT\n",
         "long[" + long_line.substr(0, 255) + "][NEXT]<end>"},
        {"over-long line at end of input", long_line,
         "long[" + long_line.substr(0, 255) + "]<end>"},
        {"NUL byte inside a line", std::string("AB\0CD\nEF\n", 9), "[AB][EF]<end>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(run_in_child(c.input, echo_lines).output, c.lines);
    }
}

TEST(ReadLine, WritesOnlyTheLineAndItsZeroByte) {
    const ChildResult result = run_in_child("AB\n", [] {
        LineBuffer line;
        std::memset(line, 'x', sizeof line);
        read_line(line);
        const bool rest_untouched = line[3] == 'x' && line[255] == 'x';
        print_text(std::strcmp(line, "AB") == 0 && rest_untouched ? "ok" : "bad");
        return 0;
    });
    EXPECT_EQ(result.output, "ok");
}

TEST(ReadLine, EndOfInputLeavesTheBufferAsItWas) {
    const ChildResult result = run_in_child("", [] {
        LineBuffer line;
        std::memset(line, 'x', sizeof line);
        const bool read = read_line(line);
        bool untouched = true;
        for (char c : line) {
            untouched = untouched && c == 'x';
        }
        print_text(!read && untouched ? "ok" : "bad");
        return 0;
    });
    EXPECT_EQ(result.output, "ok");
}

TEST(ReadLine, OverLongLineNeverWritesPastTheBuffer) {
    struct Guarded {
        LineBuffer line;
        char guard[16];
    };
    const ChildResult result = run_in_child(std::string(1000, '7') + "\n", [] {
        Guarded guarded;
        std::memset(&guarded, 'g', sizeof guarded);
        read_line(guarded.line);
        bool guard_intact = true;
        for (char c : guarded.guard) {
            guard_intact = guard_intact && c == 'g';
        }
        print_text(guard_intact && guarded.line[255] == '\0' ? "ok" : "bad");
        return 0;
    });
    EXPECT_EQ(result.output, "ok");
}

// On a pipe, read_key takes the character right after the last line: nothing
// is lost to read-ahead between the two readers.
TEST(ReadKey, TakesTheNextCharacterOfTheSameStream) {
    const ChildResult result = run_in_child("KEY LINE\nCrest\n", [] {
        LineBuffer line;
        read_line(line);
        const char key = read_key();
        read_line(line);
        char text[300];
        std::snprintf(text, sizeof text, "%c|%s", key, line);
        print_text(text);
        return 0;
    });
    EXPECT_EQ(result.output, "C|rest");
}

TEST(ReadKey, EndOfInputIsToldApart) {
    const ChildResult result = run_in_child("", [] {
        char key = 'x';
        const bool got = try_read_key(key);
        print_text(!got && read_key() == '\0' ? "end" : "key");
        return 0;
    });
    EXPECT_EQ(result.output, "end");
}

TEST(WaitForKey, ReturnsAtOnceOnAPipeAndConsumesNothing) {
    const ChildResult result = run_in_child("Z", [] {
        wait_for_key();
        wait_for_key();
        char text[2] = {read_key(), '\0'};
        print_text(text);
        return 0;
    });
    EXPECT_EQ(result.output, "Z");
}

} // namespace
