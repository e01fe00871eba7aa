// Console keys on the Windows console: key presses are peeked in the console
// input buffer without removing them, and read one at a time with line input
// and echo switched off only for the read.
#include "console_keys.h"

#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace {

// Text shows the same bytes as on other systems: a line feed stays a line
// feed (the console starts a new line on it all the same).
bool make_output_binary() { return _setmode(_fileno(stdout), _O_BINARY) != -1; }
const bool output_is_binary = make_output_binary();

HANDLE input_handle() { return GetStdHandle(STD_INPUT_HANDLE); }

bool is_modifier(WORD virtual_key) {
    switch (virtual_key) {
    case VK_SHIFT:
    case VK_CONTROL:
    case VK_MENU:
    case VK_CAPITAL:
    case VK_NUMLOCK:
    case VK_SCROLL:
    case VK_LSHIFT:
    case VK_RSHIFT:
    case VK_LCONTROL:
    case VK_RCONTROL:
    case VK_LMENU:
    case VK_RMENU:
    case VK_LWIN:
    case VK_RWIN:
    case VK_APPS:
        return true;
    default:
        return false;
    }
}

// A key press: a key-down that yields a character or is an extended key.
bool is_key_press(const INPUT_RECORD& record) {
    if (record.EventType != KEY_EVENT || !record.Event.KeyEvent.bKeyDown) {
        return false;
    }
    const KEY_EVENT_RECORD& key = record.Event.KeyEvent;
    return key.uChar.AsciiChar != 0 || !is_modifier(key.wVirtualKeyCode);
}

DWORD saved_mode = 0;

// Ctrl+C or closing the window while a key is read: give the console back its
// mode before the process goes.
BOOL WINAPI restore_on_break(DWORD) {
    SetConsoleMode(input_handle(), saved_mode);
    return FALSE;
}

} // namespace

bool stdin_is_console() {
    DWORD mode = 0;
    static const bool is_console = GetConsoleMode(input_handle(), &mode) != 0;
    return is_console;
}

long read_standard_input(unsigned char* into, long capacity) {
    DWORD count = 0;
    if (!ReadFile(input_handle(), into, static_cast<DWORD>(capacity), &count, nullptr)) {
        return 0; // a closed pipe is the end of input
    }
    return static_cast<long>(count);
}

long read_console_key(unsigned char* into, long capacity) {
    if (capacity < 1) {
        return 0;
    }
    const HANDLE input = input_handle();
    if (!GetConsoleMode(input, &saved_mode)) {
        return 0;
    }
    SetConsoleCtrlHandler(restore_on_break, TRUE);
    SetConsoleMode(input, saved_mode & ~static_cast<DWORD>(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT));
    long count = 0;
    for (;;) {
        INPUT_RECORD record;
        DWORD events_read = 0;
        if (!ReadConsoleInputA(input, &record, 1, &events_read) || events_read == 0) {
            break;
        }
        if (is_key_press(record)) {
            into[0] = static_cast<unsigned char>(record.Event.KeyEvent.uChar.AsciiChar);
            count = 1;
            break;
        }
    }
    SetConsoleMode(input, saved_mode);
    SetConsoleCtrlHandler(restore_on_break, FALSE);
    return count;
}

void wait_console_key_pending() {
    const HANDLE input = input_handle();
    for (;;) {
        INPUT_RECORD records[512];
        DWORD events_peeked = 0;
        if (!PeekConsoleInputA(input, records, 512, &events_peeked)) {
            return;
        }
        for (DWORD i = 0; i < events_peeked; ++i) {
            if (is_key_press(records[i])) {
                return;
            }
        }
        // Nothing yet: sleep until the console input changes, or a little.
        WaitForSingleObject(input, 50);
        if (events_peeked > 0) {
            Sleep(20);
        }
    }
}
