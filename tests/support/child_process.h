// Runs a piece of a program in a child process with the given bytes as its
// standard input and collects what it writes to standard output and how it
// ends. The programs end through exit(), so a child keeps that from the test.
#pragma once

#include <functional>
#include <string>

struct ChildResult {
    std::string output;  // everything written to standard output
    int exit_status;     // exit status, or -1 when the child did not exit
    int signal_number;   // signal that ended the child, 0 when none
};

// Runs body in a child whose standard input holds input (then end of input)
// and whose standard output is captured; the child exits with body's return
// value unless body ends the process itself.
ChildResult run_in_child(const std::string& input, const std::function<int()>& body);
