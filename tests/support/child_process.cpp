#include "child_process.h"

#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A file with the input in it, so that the child never blocks on a full pipe.
int input_file(const std::string& input) {
    const int fd = memfd_create("child-stdin", 0);
    if (fd < 0) {
        std::perror("memfd_create");
        std::abort();
    }
    size_t written = 0;
    while (written < input.size()) {
        const ssize_t n = write(fd, input.data() + written, input.size() - written);
        if (n <= 0) {
            std::abort();
        }
        written += static_cast<size_t>(n);
    }
    lseek(fd, 0, SEEK_SET);
    return fd;
}

// Forks a child that reads standard input from child_input (the parent's copy
// of it is closed) and writes standard output into a pipe.
InteractiveChild fork_child(int child_input, int parent_input, const std::function<int()>& body) {
    std::fflush(stdout);
    int output_pipe[2];
    if (pipe(output_pipe) != 0) {
        std::abort();
    }
    const pid_t child = fork();
    if (child < 0) {
        std::abort();
    }
    if (child == 0) {
        dup2(child_input, 0);
        dup2(output_pipe[1], 1);
        close(child_input);
        if (parent_input >= 0) {
            close(parent_input);
        }
        close(output_pipe[0]);
        close(output_pipe[1]);
        std::exit(body());
    }
    close(child_input);
    close(output_pipe[1]);
    return InteractiveChild{child, parent_input, output_pipe[0], ""};
}

} // namespace

ChildResult run_in_child(const std::string& input, const std::function<int()>& body) {
    InteractiveChild child = fork_child(input_file(input), -1, body);
    return finish_child(child);
}

InteractiveChild start_child(const std::function<int()>& body) {
    int input_pipe[2];
    if (pipe(input_pipe) != 0) {
        std::abort();
    }
    return fork_child(input_pipe[0], input_pipe[1], body);
}

bool read_until(InteractiveChild& child, const std::string& text, int hang_guard_ms) {
    for (;;) {
        if (child.output.size() >= text.size() &&
            child.output.compare(child.output.size() - text.size(), text.size(), text) == 0) {
            return true;
        }
        struct pollfd readable = {child.output_fd, POLLIN, 0};
        if (poll(&readable, 1, hang_guard_ms) <= 0) {
            return false;
        }
        char chunk[4096];
        const ssize_t n = read(child.output_fd, chunk, sizeof chunk);
        if (n <= 0) {
            return false;
        }
        child.output.append(chunk, static_cast<size_t>(n));
    }
}

void send_input(InteractiveChild& child, const std::string& text) {
    if (write(child.input_fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        std::abort();
    }
}

ChildResult finish_child(InteractiveChild& child) {
    if (child.input_fd >= 0) {
        close(child.input_fd);
    }
    ChildResult result{child.output, -1, 0};
    char chunk[4096];
    for (;;) {
        const ssize_t n = read(child.output_fd, chunk, sizeof chunk);
        if (n <= 0) {
            break;
        }
        result.output.append(chunk, static_cast<size_t>(n));
    }
    close(child.output_fd);
    int status = 0;
    waitpid(child.pid, &status, 0);
    if (WIFEXITED(status)) {
        result.exit_status = WEXITSTATUS(status);
    }
    if (WIFSIGNALED(status)) {
        result.signal_number = WTERMSIG(status);
    }
    return result;
}
