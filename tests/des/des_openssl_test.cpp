// The engine against an independent DES: OpenSSL's libcrypto.
#include "des_engine.h"
#include "des_test_support.h"

#include <gtest/gtest.h>
#include <openssl/des.h>

#include <cstring>

namespace {

// OpenSSL's single DES, as the independent reference.
void reference_des(const std::uint8_t (&key)[8], std::uint8_t (&block)[8], int direction) {
    DES_cblock reference_key;
    std::memcpy(reference_key, key, sizeof reference_key);
    DES_key_schedule schedule;
    DES_set_key_unchecked(&reference_key, &schedule);
    DES_cblock input;
    DES_cblock output;
    std::memcpy(input, block, sizeof input);
    DES_ecb_encrypt(&input, &output, &schedule, direction);
    std::memcpy(block, output, sizeof output);
}

TEST(DesAgainstOpenSsl, RandomKeysAndBlocksInBothDirections) {
    constexpr int pair_count = 100000;
    constexpr int failures_shown = 10;
    std::mt19937_64 random(random_seed);
    int failures = 0;
    for (int n = 0; n < pair_count && failures < failures_shown; ++n) {
        std::uint8_t key[8];
        std::uint8_t block[8];
        random_bytes(random, key);
        random_bytes(random, block);
        set_current_key(key);
        const struct {
            const char* name;
            void (*engine)(std::uint8_t (&)[8]);
            int direction;
        } directions[] = {
            {"encryption", des_encrypt_block, DES_ENCRYPT},
            {"decryption", des_decrypt_block, DES_DECRYPT},
        };
        for (const auto& direction : directions) {
            std::uint8_t ours[8];
            std::uint8_t theirs[8];
            std::memcpy(ours, block, sizeof ours);
            std::memcpy(theirs, block, sizeof theirs);
            direction.engine(ours);
            reference_des(key, theirs, direction.direction);
            if (hex_text(ours) != hex_text(theirs)) {
                ADD_FAILURE() << direction.name << " of pair " << n << ": key " << hex_text(key)
                              << ", block " << hex_text(block) << " gives " << hex_text(ours)
                              << ", OpenSSL " << hex_text(theirs);
                ++failures;
            }
        }
    }
}

} // namespace
