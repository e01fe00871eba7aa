// The MAC calculator: a 4-byte MAC over 16 typed bytes under a typed DES key,
// two chained DES encryptions from an all-zero start.
#pragma once

#include <cstdint>

// With the key already the engine's current key: encrypts data bytes 0-7,
// XORs bytes 8-15 into them and encrypts them again. Bytes 0-7 then hold the
// last block; the MAC is bytes 0-3. Bytes 8-15 are left as they were.
void compute_mac(std::uint8_t (&data)[16]);

// The whole dialogue. A key or data line whose pairs are not all upper-case
// hexadecimal is refused with BEL and its prompt again. Returns 0 after
// printing the MAC, 1 when input ends before it can be had.
int run_mac_tool();
