// Drives the two console keys for the terminal tests: prints a prompt, waits
// until a key is pending, then reads that key and prints it.
#include "hex_text.h"

#include <cstdio>

int main() {
    print_text("press a key: ");
    wait_for_key();
    print_text("pending\n");
    const char key = read_key();
    std::printf("key %c\n", key);
    return 0;
}
