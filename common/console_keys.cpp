#include "console_keys.h"
#include "hex_text.h"

namespace {

// Bytes read from standard input but not yet taken; a pipe is read in large
// pieces, a console one line or one key press at a time.
unsigned char pending[4096];
long pending_next = 0;
long pending_end = 0;

bool has_pending() { return pending_next < pending_end; }

void store_pending(long count) {
    pending_next = 0;
    pending_end = count > 0 ? count : 0;
}

} // namespace

int next_input_char() {
    if (!has_pending()) {
        store_pending(read_standard_input(pending, sizeof pending));
        if (!has_pending()) {
            return -1;
        }
    }
    return pending[pending_next++];
}

void wait_for_key() {
    if (!stdin_is_console() || has_pending()) {
        return;
    }
    wait_console_key_pending();
}

bool try_read_key(char& key) {
    if (!has_pending()) {
        if (stdin_is_console()) {
            store_pending(read_console_key(pending, sizeof pending));
        } else {
            store_pending(read_standard_input(pending, sizeof pending));
        }
        if (!has_pending()) {
            return false;
        }
    }
    key = static_cast<char>(pending[pending_next++]);
    return true;
}

char read_key() {
    char key = '\0';
    return try_read_key(key) ? key : '\0';
}
