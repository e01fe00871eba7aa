// Console keys on a POSIX terminal: the terminal is switched to non-canonical,
// no-echo mode only while a key is awaited or read, and always switched back,
// also when a signal ends the program meanwhile.
#include "console_keys.h"

#include <cerrno>
#include <csignal>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int stdin_fd = 0;
constexpr int terminating_signals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
constexpr int terminating_signal_count = sizeof terminating_signals / sizeof terminating_signals[0];

struct termios saved_settings;
struct sigaction saved_actions[terminating_signal_count];

void restore_and_reraise(int signal_number) {
    tcsetattr(stdin_fd, TCSANOW, &saved_settings);
    signal(signal_number, SIG_DFL);
    raise(signal_number);
}

// Switches the terminal to single-key mode; false when it cannot be switched.
bool enter_key_mode() {
    if (tcgetattr(stdin_fd, &saved_settings) != 0) {
        return false;
    }
    struct sigaction action = {};
    action.sa_handler = restore_and_reraise;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < terminating_signal_count; ++i) {
        sigaction(terminating_signals[i], &action, &saved_actions[i]);
    }
    struct termios key_settings = saved_settings;
    key_settings.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    key_settings.c_cc[VMIN] = 1;
    key_settings.c_cc[VTIME] = 0;
    // TCSANOW, not TCSAFLUSH: input typed ahead must stay.
    tcsetattr(stdin_fd, TCSANOW, &key_settings);
    return true;
}

void leave_key_mode() {
    tcsetattr(stdin_fd, TCSANOW, &saved_settings);
    for (int i = 0; i < terminating_signal_count; ++i) {
        sigaction(terminating_signals[i], &saved_actions[i], nullptr);
    }
}

long read_retrying(unsigned char* into, long capacity) {
    for (;;) {
        const ssize_t count = read(stdin_fd, into, static_cast<size_t>(capacity));
        if (count >= 0) {
            return static_cast<long>(count);
        }
        if (errno != EINTR) {
            return 0;
        }
    }
}

} // namespace

bool stdin_is_console() {
    static const bool is_console = isatty(stdin_fd) == 1;
    return is_console;
}

long read_standard_input(unsigned char* into, long capacity) {
    return read_retrying(into, capacity);
}

long read_console_key(unsigned char* into, long capacity) {
    const bool switched = enter_key_mode();
    const long count = read_retrying(into, capacity);
    if (switched) {
        leave_key_mode();
    }
    return count;
}

void wait_console_key_pending() {
    const bool switched = enter_key_mode();
    struct pollfd input = {stdin_fd, POLLIN, 0};
    while (poll(&input, 1, -1) < 0 && errno == EINTR) {
    }
    if (switched) {
        leave_key_mode();
    }
}
