#include "des_engine.h"

const std::uint8_t (*current_key)[8] = nullptr;

namespace {

constexpr int block_size = 8;
constexpr int half_block_size = 4;
constexpr int half_key_size = 4; // bytes of C or of D in KeyHalves
constexpr int round_count = 16;
constexpr int sbox_count = 8;
constexpr int sbox_size = 64; // entries of one box in sbox_table

// Copies source bits into target as the table says. The output bits gather in
// one word, output bit 1 at its top, so that no bit waits for the one before.
// Always inlined: with a constant table the loop unrolls into fixed bit moves.
[[gnu::always_inline]] inline void permute_bits_inline(const std::uint8_t* source,
                                                       std::uint8_t* target,
                                                       const std::uint8_t* table, int bit_count) {
    std::uint64_t value = 0;
#pragma GCC unroll 64
    for (int i = 0; i < bit_count; ++i) {
        const unsigned entry = table[i];
        // An entry of 0 reads source bit 1 and masks it off, with no branch.
        const unsigned named = entry != 0 ? 1U : 0U;
        const unsigned index = entry - named;
        const unsigned source_bit = (source[index >> 3] & bit_mask[index & 7]) != 0 ? named : 0U;
        value |= std::uint64_t{source_bit} << (63 - i);
    }
#pragma GCC unroll 8
    for (int byte = 0; byte < bit_count / 8; ++byte) {
        target[byte] = static_cast<std::uint8_t>(value >> (56 - 8 * byte));
    }
}

// One 28-bit half (four bytes, low nibble of the last one zero) rotated left
// by 1 or 2.
inline void rotate_half_left(std::uint8_t* half, unsigned amount) {
    const unsigned first = half[0];
    for (int k = 0; k < half_key_size - 1; ++k) {
        const unsigned pair = (unsigned{half[k]} << 8) | half[k + 1];
        half[k] = static_cast<std::uint8_t>((pair << amount) >> 8);
    }
    // The bits that left the top enter below bit 25 of the half, at bit 28.
    const unsigned top_nibble = unsigned{half[3]} >> 4;
    const unsigned wrapped = (((top_nibble << 8) | first) << amount) >> 8;
    half[3] = static_cast<std::uint8_t>((wrapped & 0x0F) << 4);
}

inline void rotate_half_right(std::uint8_t* half, unsigned amount) {
    const unsigned last = half[3];
    for (int k = half_key_size - 1; k > 0; --k) {
        const unsigned pair = (unsigned{half[k - 1]} << 8) | half[k];
        half[k] = static_cast<std::uint8_t>(pair >> amount);
    }
    // The bits that left bit 28 enter at the top of the half.
    const unsigned pair = ((last >> 4) << 8) | half[0];
    half[0] = static_cast<std::uint8_t>(pair >> amount);
    half[3] = static_cast<std::uint8_t>(half[3] & 0xF0);
}

// The value of box `box` for one 6-bit group held in bits 7-2 of group.
inline unsigned sbox_value(int box, unsigned group) {
    const unsigned row = ((group >> 6) & 2U) | ((group >> 2) & 1U);
    const unsigned column = (group >> 3) & 0x0FU;
    return sbox_table[sbox_size * box + 16 * row + column];
}

// One round: R becomes L XOR f(R, subkey) and L becomes the old R.
inline void des_round(std::uint8_t (&left)[half_block_size], std::uint8_t (&right)[half_block_size],
                      const KeyHalves& halves) {
    std::uint8_t subkey[block_size];
    permute_bits_inline(halves.bytes, subkey, pc2_table, 64);

    std::uint8_t expanded[block_size];
    permute_bits_inline(right, expanded, e_table, 64);
    for (int i = 0; i < block_size; ++i) {
        expanded[i] = static_cast<std::uint8_t>(expanded[i] ^ subkey[i]);
    }

    std::uint8_t substituted[half_block_size];
    substitute_sboxes(expanded, substituted);
    std::uint8_t function_value[half_block_size];
    permute_bits_inline(substituted, function_value, p_table, 32);

    for (int i = 0; i < half_block_size; ++i) {
        const std::uint8_t saved_left = left[i];
        left[i] = right[i];
        right[i] = static_cast<std::uint8_t>(saved_left ^ function_value[i]);
    }
}

// IP of the block into L and R, and PC-1 of the current key into the halves.
inline void start_block(const std::uint8_t (&block)[block_size],
                        std::uint8_t (&left)[half_block_size],
                        std::uint8_t (&right)[half_block_size], KeyHalves& halves) {
    std::uint8_t permuted[block_size];
    permute_bits_inline(block, permuted, ip_table, 64);
    for (int i = 0; i < half_block_size; ++i) {
        left[i] = permuted[i];
        right[i] = permuted[half_block_size + i];
    }
    permute_bits_inline(*current_key, halves.bytes, pc1_table, 64);
}

// IP^-1 of R || L over the caller's block.
inline void finish_block(const std::uint8_t (&left)[half_block_size],
                         const std::uint8_t (&right)[half_block_size],
                         std::uint8_t (&block)[block_size]) {
    std::uint8_t swapped[block_size];
    for (int i = 0; i < half_block_size; ++i) {
        swapped[i] = right[i];
        swapped[half_block_size + i] = left[i];
    }
    permute_bits_inline(swapped, block, fp_table, 64);
}

} // namespace

void set_current_key(const std::uint8_t (&key)[8]) { current_key = &key; }

void permute_bits(const std::uint8_t* source, std::uint8_t* target, const std::uint8_t* table,
                  int bit_count) {
    permute_bits_inline(source, target, table, bit_count);
}

void rotate_halves_left(KeyHalves& halves, int round) {
    const unsigned amount = shift_schedule[round];
    rotate_half_left(halves.bytes, amount);
    rotate_half_left(halves.bytes + half_key_size, amount);
}

void rotate_halves_right(KeyHalves& halves, int round) {
    const unsigned amount = shift_schedule[round];
    rotate_half_right(halves.bytes, amount);
    rotate_half_right(halves.bytes + half_key_size, amount);
}

void substitute_sboxes(const std::uint8_t (&groups)[8], std::uint8_t (&out)[4]) {
    // Boxes 2k and 2k + 1 fill the high and low halves of out[k].
    for (int k = 0; k < sbox_count / 2; ++k) {
        const int even_box = 2 * k;
        const unsigned high = sbox_value(even_box, groups[even_box]);
        const unsigned low = sbox_value(even_box + 1, groups[even_box + 1]);
        out[k] = static_cast<std::uint8_t>((high << 4) | low);
    }
}

void des_encrypt_block(std::uint8_t (&block)[8]) {
    std::uint8_t left[half_block_size];
    std::uint8_t right[half_block_size];
    KeyHalves halves;
    start_block(block, left, right, halves);
    for (int round = 0; round < round_count; ++round) {
        rotate_halves_left(halves, round);
        des_round(left, right, halves);
    }
    finish_block(left, right, block);
}

void des_decrypt_block(std::uint8_t (&block)[8]) {
    std::uint8_t left[half_block_size];
    std::uint8_t right[half_block_size];
    KeyHalves halves;
    start_block(block, left, right, halves);
    // The sixteen rotations add up to one full turn: the halves of round 16
    // equal those after PC-1.
    for (int round = 0; round < round_count; ++round) {
        rotate_halves_left(halves, round);
    }
    for (int round = round_count - 1; round >= 0; --round) {
        des_round(left, right, halves);
        rotate_halves_right(halves, round);
    }
    finish_block(left, right, block);
}
