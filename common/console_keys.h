// The console input of one platform, behind the portable input stream of
// console_keys.cpp. One implementation file per platform.
#pragma once

// True when standard input is an interactive console (a terminal).
bool stdin_is_console();

// Reads up to capacity bytes of standard input as the stream gives them,
// blocking until at least one byte is there. 0 at end of input or on error.
long read_standard_input(unsigned char* into, long capacity);

// Console only: reads the bytes of one key press without echo, blocking until
// a key is pressed. 0 at end of input or on error.
long read_console_key(unsigned char* into, long capacity);

// Console only: blocks until a key press is pending; consumes nothing.
void wait_console_key_pending();

// The next byte of standard input, 0..255, or -1 at end of input. All readers
// of standard input share its one buffer, so nothing read ahead is lost.
int next_input_char();
