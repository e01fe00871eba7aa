// The constant tables of the DES engine, with the values of FIPS 46-3 laid out
// for the engine's storage: 28-bit key halves and 6-bit S-box inputs are kept
// left-justified in whole bytes, so several tables are padded with zeros.
//
// In every permutation table entry i (counted from 0) gives output bit i + 1,
// and its value is the 1-based number of the source bit copied there; the
// value 0 means that output bit is always 0. Bit n of a byte string lies in
// byte (n - 1) / 8 under bit_mask[(n - 1) % 8].
#pragma once

#include <cstdint>
#include <iterator>

// clang-format off

// bit_mask[k]: the mask of bit k + 1 of a byte, counted from the top.
inline constexpr std::uint8_t bit_mask[] = {
    0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01,
};
static_assert(std::size(bit_mask) == 8);

// ip_table[i]: the block bit that the initial permutation IP moves to bit i + 1.
inline constexpr std::uint8_t ip_table[] = {
    58, 50, 42, 34, 26, 18, 10,  2,
    60, 52, 44, 36, 28, 20, 12,  4,
    62, 54, 46, 38, 30, 22, 14,  6,
    64, 56, 48, 40, 32, 24, 16,  8,
    57, 49, 41, 33, 25, 17,  9,  1,
    59, 51, 43, 35, 27, 19, 11,  3,
    61, 53, 45, 37, 29, 21, 13,  5,
    63, 55, 47, 39, 31, 23, 15,  7,
};
static_assert(std::size(ip_table) == 64);

// fp_table[i]: the bit of R16 || L16 that the final permutation IP^-1 moves to
// output bit i + 1.
inline constexpr std::uint8_t fp_table[] = {
    40,  8, 48, 16, 56, 24, 64, 32,
    39,  7, 47, 15, 55, 23, 63, 31,
    38,  6, 46, 14, 54, 22, 62, 30,
    37,  5, 45, 13, 53, 21, 61, 29,
    36,  4, 44, 12, 52, 20, 60, 28,
    35,  3, 43, 11, 51, 19, 59, 27,
    34,  2, 42, 10, 50, 18, 58, 26,
    33,  1, 41,  9, 49, 17, 57, 25,
};
static_assert(std::size(fp_table) == 64);

// pc1_table[i]: the key bit that permuted choice 1 moves to bit i + 1 of the
// key halves. Bits 1-28 are C, 33-60 are D; bits 29-32 and 61-64 stay 0. The
// parity bits 8, 16, ..., 64 are never named.
inline constexpr std::uint8_t pc1_table[] = {
    57, 49, 41, 33, 25, 17,  9,  1,  // C
    58, 50, 42, 34, 26, 18, 10,  2,
    59, 51, 43, 35, 27, 19, 11,  3,
    60, 52, 44, 36,  0,  0,  0,  0,
    63, 55, 47, 39, 31, 23, 15,  7,  // D
    62, 54, 46, 38, 30, 22, 14,  6,
    61, 53, 45, 37, 29, 21, 13,  5,
    28, 20, 12,  4,  0,  0,  0,  0,
};
static_assert(std::size(pc1_table) == 64);

// pc2_table[i]: the bit of the key halves that permuted choice 2 moves to bit
// i + 1 of the subkey. One row per 6-bit group, in the top six bits of its
// byte. PC-2 entries 29-56 name D, stored at 33-60, so they are stored plus 4.
inline constexpr std::uint8_t pc2_table[] = {
    14, 17, 11, 24,  1,  5,  0,  0,
     3, 28, 15,  6, 21, 10,  0,  0,
    23, 19, 12,  4, 26,  8,  0,  0,
    16,  7, 27, 20, 13,  2,  0,  0,
    45, 56, 35, 41, 51, 59,  0,  0,
    34, 44, 55, 49, 37, 52,  0,  0,
    48, 53, 43, 60, 38, 57,  0,  0,
    50, 46, 54, 40, 33, 36,  0,  0,
};
static_assert(std::size(pc2_table) == 64);

// e_table[i]: the bit of the 32-bit half R that the expansion E moves to bit
// i + 1 of the expanded value. One row per 6-bit group, in the top six bits of
// its byte.
inline constexpr std::uint8_t e_table[] = {
    32,  1,  2,  3,  4,  5,  0,  0,
     4,  5,  6,  7,  8,  9,  0,  0,
     8,  9, 10, 11, 12, 13,  0,  0,
    12, 13, 14, 15, 16, 17,  0,  0,
    16, 17, 18, 19, 20, 21,  0,  0,
    20, 21, 22, 23, 24, 25,  0,  0,
    24, 25, 26, 27, 28, 29,  0,  0,
    28, 29, 30, 31, 32,  1,  0,  0,
};
static_assert(std::size(e_table) == 64);

// p_table[i]: the bit of the S-box output that the permutation P moves to bit
// i + 1 of the round function's value.
inline constexpr std::uint8_t p_table[] = {
    16,  7, 20, 21, 29, 12, 28, 17,
     1, 15, 23, 26,  5, 18, 31, 10,
     2,  8, 24, 14, 32, 27,  3,  9,
    19, 13, 30,  6, 22, 11,  4, 25,
};
static_assert(std::size(p_table) == 32);

// sbox_table[64 * j + 16 * row + column]: the 4-bit value of S-box S(j + 1)
// at that row (0-3) and column (0-15). One row of the box per line.
inline constexpr std::uint8_t sbox_table[] = {
    // S1
    14,  4, 13,  1,  2, 15, 11,  8,  3, 10,  6, 12,  5,  9,  0,  7,
     0, 15,  7,  4, 14,  2, 13,  1, 10,  6, 12, 11,  9,  5,  3,  8,
     4,  1, 14,  8, 13,  6,  2, 11, 15, 12,  9,  7,  3, 10,  5,  0,
    15, 12,  8,  2,  4,  9,  1,  7,  5, 11,  3, 14, 10,  0,  6, 13,
    // S2
    15,  1,  8, 14,  6, 11,  3,  4,  9,  7,  2, 13, 12,  0,  5, 10,
     3, 13,  4,  7, 15,  2,  8, 14, 12,  0,  1, 10,  6,  9, 11,  5,
     0, 14,  7, 11, 10,  4, 13,  1,  5,  8, 12,  6,  9,  3,  2, 15,
    13,  8, 10,  1,  3, 15,  4,  2, 11,  6,  7, 12,  0,  5, 14,  9,
    // S3
    10,  0,  9, 14,  6,  3, 15,  5,  1, 13, 12,  7, 11,  4,  2,  8,
    13,  7,  0,  9,  3,  4,  6, 10,  2,  8,  5, 14, 12, 11, 15,  1,
    13,  6,  4,  9,  8, 15,  3,  0, 11,  1,  2, 12,  5, 10, 14,  7,
     1, 10, 13,  0,  6,  9,  8,  7,  4, 15, 14,  3, 11,  5,  2, 12,
    // S4
     7, 13, 14,  3,  0,  6,  9, 10,  1,  2,  8,  5, 11, 12,  4, 15,
    13,  8, 11,  5,  6, 15,  0,  3,  4,  7,  2, 12,  1, 10, 14,  9,
    10,  6,  9,  0, 12, 11,  7, 13, 15,  1,  3, 14,  5,  2,  8,  4,
     3, 15,  0,  6, 10,  1, 13,  8,  9,  4,  5, 11, 12,  7,  2, 14,
    // S5
     2, 12,  4,  1,  7, 10, 11,  6,  8,  5,  3, 15, 13,  0, 14,  9,
    14, 11,  2, 12,  4,  7, 13,  1,  5,  0, 15, 10,  3,  9,  8,  6,
     4,  2,  1, 11, 10, 13,  7,  8, 15,  9, 12,  5,  6,  3,  0, 14,
    11,  8, 12,  7,  1, 14,  2, 13,  6, 15,  0,  9, 10,  4,  5,  3,
    // S6
    12,  1, 10, 15,  9,  2,  6,  8,  0, 13,  3,  4, 14,  7,  5, 11,
    10, 15,  4,  2,  7, 12,  9,  5,  6,  1, 13, 14,  0, 11,  3,  8,
     9, 14, 15,  5,  2,  8, 12,  3,  7,  0,  4, 10,  1, 13, 11,  6,
     4,  3,  2, 12,  9,  5, 15, 10, 11, 14,  1,  7,  6,  0,  8, 13,
    // S7
     4, 11,  2, 14, 15,  0,  8, 13,  3, 12,  9,  7,  5, 10,  6,  1,
    13,  0, 11,  7,  4,  9,  1, 10, 14,  3,  5, 12,  2, 15,  8,  6,
     1,  4, 11, 13, 12,  3,  7, 14, 10, 15,  6,  8,  0,  5,  9,  2,
     6, 11, 13,  8,  1,  4, 10,  7,  9,  5,  0, 15, 14,  2,  3, 12,
    // S8
    13,  2,  8,  4,  6, 15, 11,  1, 10,  9,  3, 14,  5,  0, 12,  7,
     1, 15, 13,  8, 10,  3,  7,  4, 12,  5,  6, 11,  0, 14,  9,  2,
     7, 11,  4,  1,  9, 12, 14,  2,  0,  6, 10, 13, 15,  3,  5,  8,
     2,  1, 14,  7,  4, 10,  8, 13, 15, 12,  9,  0,  3,  5,  6, 11,
};
static_assert(std::size(sbox_table) == 512);

// shift_schedule[round]: how far both key halves rotate left in round
// round + 1. The amounts add up to 28, one full turn of a half.
inline constexpr std::uint8_t shift_schedule[] = {
    1, 1, 2, 2, 2, 2, 2, 2, 1, 2, 2, 2, 2, 2, 2, 1,
};
static_assert(std::size(shift_schedule) == 16);

// clang-format on
