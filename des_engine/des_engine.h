// Single DES (FIPS 46-3) on one 8-byte block in place, under the current key.
// A table-driven bit machine: every permutation goes through permute_bits,
// and the sixteen subkeys are derived anew inside every block operation, so
// nothing but the pointer to the caller's key is kept between calls. Nothing
// is allocated. Single-threaded: current_key is process-wide.
#pragma once

#include "des_tables.h"

#include <cstdint>

// The 56 key bits after permuted choice 1 as two 28-bit halves, left-justified:
// C in bytes 0-3 (bits 1-28), D in bytes 4-7 (bits 33-60). The low four bits
// of bytes 3 and 7 are always zero.
struct KeyHalves {
    std::uint8_t bytes[8];
};

// The caller's 8-byte key that the block operations use; null until
// set_current_key. Each block operation reads the key once, at its start, and
// never writes it; the key must stay valid until the operation returns.
extern const std::uint8_t (*current_key)[8];

// Makes key (8 bytes, parity bits ignored) the current key. The key is not
// copied.
void set_current_key(const std::uint8_t (&key)[8]);

// Replaces block (8 bytes) by its DES encryption under the current key.
void des_encrypt_block(std::uint8_t (&block)[8]);

// Replaces block (8 bytes) by its DES decryption under the current key.
void des_decrypt_block(std::uint8_t (&block)[8]);

// bit_count is 64 or 32. Writes the first bit_count / 8 bytes of target: output
// bit i + 1 is source bit table[i], or 0 where table[i] is 0. Source bits the
// table does not name are dropped. source and target must not overlap.
void permute_bits(const std::uint8_t* source, std::uint8_t* target, const std::uint8_t* table,
                  int bit_count);

// Rotates C and D each, as 28-bit values, left by shift_schedule[round]
// (round 0 to 15); bits leaving the top of a half come back at its bit 28.
void rotate_halves_left(KeyHalves& halves, int round);

// The inverse of rotate_halves_left for the same round; also clears the low
// four bits of bytes 3 and 7.
void rotate_halves_right(KeyHalves& halves, int round);

// The S-box stage. groups holds eight 6-bit inputs, each in bits 7-2 of its
// byte (bits 1-0 ignored); out (4 bytes) receives S1 in the high half of
// out[0] through S8 in the low half of out[3].
void substitute_sboxes(const std::uint8_t (&groups)[8], std::uint8_t (&out)[4]);
