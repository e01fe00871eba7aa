// Runs a piece of a program in a child process with the given bytes as its
// standard input and collects what it writes to standard output and how it
// ends. The programs end through exit(), so a child keeps that from the test.
#pragma once

#include <functional>
#include <string>

struct ChildResult {
    std::string output; // everything written to standard output
    int exit_status;    // exit status, or -1 when the child did not exit
    int signal_number;  // signal that ended the child, 0 when none
};

// Runs body in a child whose standard input holds input (then end of input)
// and whose standard output is captured; the child exits with body's return
// value unless body ends the process itself.
ChildResult run_in_child(const std::string& input, const std::function<int()>& body);

// A child whose standard input is a pipe the test writes to while it runs, to
// see what the program has shown before it waits for input.
struct InteractiveChild {
    int pid;
    int input_fd;  // the write end of the child's standard input (-1: none)
    int output_fd; // the read end of the child's standard output
    std::string output;
};

InteractiveChild start_child(const std::function<int()>& body);

// Reads the child's output until it ends with text; false when the child
// ends, or shows nothing more for hang_guard_ms, before that.
bool read_until(InteractiveChild& child, const std::string& text, int hang_guard_ms = 5000);

void send_input(InteractiveChild& child, const std::string& text);

// Closes the child's input, reads the rest of its output and waits for it.
ChildResult finish_child(InteractiveChild& child);
