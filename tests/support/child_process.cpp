#include "child_process.h"

#include <cstdio>
#include <cstdlib>
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

} // namespace

ChildResult run_in_child(const std::string& input, const std::function<int()>& body) {
    std::fflush(stdout);
    const int stdin_fd = input_file(input);
    int output_pipe[2];
    if (pipe(output_pipe) != 0) {
        std::abort();
    }
    const pid_t child = fork();
    if (child < 0) {
        std::abort();
    }
    if (child == 0) {
        dup2(stdin_fd, 0);
        dup2(output_pipe[1], 1);
        close(stdin_fd);
        close(output_pipe[0]);
        close(output_pipe[1]);
        std::exit(body());
    }
    close(stdin_fd);
    close(output_pipe[1]);
    ChildResult result{"", -1, 0};
    char chunk[4096];
    for (;;) {
        const ssize_t n = read(output_pipe[0], chunk, sizeof chunk);
        if (n <= 0) {
            break;
        }
        result.output.append(chunk, static_cast<size_t>(n));
    }
    close(output_pipe[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFEXITED(status)) {
        result.exit_status = WEXITSTATUS(status);
    }
    if (WIFSIGNALED(status)) {
        result.signal_number = WTERMSIG(status);
    }
    return result;
}
