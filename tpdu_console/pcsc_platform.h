// The one place that includes the system's PC/SC header and maps the names
// the console uses onto it. Windows' WinSCard has the ANSI entry points
// SCardListReadersA and SCardConnectA; pcsc-lite names them without the
// suffix. Every length handed to a call is a DWORD of the library's own width
// (unsigned long, 64-bit, in pcsc-lite on x86-64).
#pragma once

#if defined(_WIN32)
#include <windows.h>
#include <winscard.h>
#elif defined(__APPLE__)
#include <PCSC/winscard.h>
#include <PCSC/wintypes.h>
#else
#include <winscard.h>

inline LONG SCardListReadersA(SCARDCONTEXT context, LPCSTR groups, LPSTR readers,
                              LPDWORD readers_length) {
    return SCardListReaders(context, groups, readers, readers_length);
}

inline LONG SCardConnectA(SCARDCONTEXT context, LPCSTR reader, DWORD share_mode,
                          DWORD preferred_protocols, LPSCARDHANDLE card, LPDWORD active_protocol) {
    return SCardConnect(context, reader, share_mode, preferred_protocols, card, active_protocol);
}
#endif
