// The DES engine against the published answers, against OpenSSL's DES, and
// on the properties that catch table-layout faults.
#include "des_engine.h"
#include "des_test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>

namespace {

struct KnownAnswer {
    std::uint64_t key;
    std::uint64_t plaintext;
    std::uint64_t ciphertext;
};

// clang-format off

// Worked examples: the sample round key of the validation suite, the classic
// textbook key, and the first blocks of "Now is the time for all ".
constexpr KnownAnswer worked_examples[] = {
    {0x10316E028C8F3B4A, 0x0000000000000000, 0x82DCBAFBDEAB6602},
    {0x133457799BBCDFF1, 0x0123456789ABCDEF, 0x85E813540F0AB405},
    {0x0123456789ABCDEF, 0x4E6F772069732074, 0x3FA40E8A984D4815},
    {0x0123456789ABCDEF, 0x68652074696D6520, 0x6A271787AB8883F9},
    {0x0123456789ABCDEF, 0x666F7220616C6C20, 0x893D51EC4B563B53},
};

// Variable plaintext (IP and E): key zero (parity bits set), plaintext bit i.
// Decrypting gives the inverse-permutation test.
constexpr KnownAnswer variable_plaintext[] = {
    {0x0101010101010101, 0x8000000000000000, 0x95F8A5E5DD31D900},
    {0x0101010101010101, 0x4000000000000000, 0xDD7F121CA5015619},
    {0x0101010101010101, 0x2000000000000000, 0x2E8653104F3834EA},
    {0x0101010101010101, 0x1000000000000000, 0x4BD388FF6CD81D4F},
    {0x0101010101010101, 0x0800000000000000, 0x20B9E767B2FB1456},
    {0x0101010101010101, 0x0400000000000000, 0x55579380D77138EF},
    {0x0101010101010101, 0x0200000000000000, 0x6CC5DEFAAF04512F},
    {0x0101010101010101, 0x0100000000000000, 0x0D9F279BA5D87260},
    {0x0101010101010101, 0x0080000000000000, 0xD9031B0271BD5A0A},
    {0x0101010101010101, 0x0040000000000000, 0x424250B37C3DD951},
    {0x0101010101010101, 0x0020000000000000, 0xB8061B7ECD9A21E5},
    {0x0101010101010101, 0x0010000000000000, 0xF15D0F286B65BD28},
    {0x0101010101010101, 0x0008000000000000, 0xADD0CC8D6E5DEBA1},
    {0x0101010101010101, 0x0004000000000000, 0xE6D5F82752AD63D1},
    {0x0101010101010101, 0x0002000000000000, 0xECBFE3BD3F591A5E},
    {0x0101010101010101, 0x0001000000000000, 0xF356834379D165CD},
    {0x0101010101010101, 0x0000800000000000, 0x2B9F982F20037FA9},
    {0x0101010101010101, 0x0000400000000000, 0x889DE068A16F0BE6},
    {0x0101010101010101, 0x0000200000000000, 0xE19E275D846A1298},
    {0x0101010101010101, 0x0000100000000000, 0x329A8ED523D71AEC},
    {0x0101010101010101, 0x0000080000000000, 0xE7FCE22557D23C97},
    {0x0101010101010101, 0x0000040000000000, 0x12A9F5817FF2D65D},
    {0x0101010101010101, 0x0000020000000000, 0xA484C3AD38DC9C19},
    {0x0101010101010101, 0x0000010000000000, 0xFBE00A8A1EF8AD72},
    {0x0101010101010101, 0x0000008000000000, 0x750D079407521363},
    {0x0101010101010101, 0x0000004000000000, 0x64FEED9C724C2FAF},
    {0x0101010101010101, 0x0000002000000000, 0xF02B263B328E2B60},
    {0x0101010101010101, 0x0000001000000000, 0x9D64555A9A10B852},
    {0x0101010101010101, 0x0000000800000000, 0xD106FF0BED5255D7},
    {0x0101010101010101, 0x0000000400000000, 0xE1652C6B138C64A5},
    {0x0101010101010101, 0x0000000200000000, 0xE428581186EC8F46},
    {0x0101010101010101, 0x0000000100000000, 0xAEB5F5EDE22D1A36},
    {0x0101010101010101, 0x0000000080000000, 0xE943D7568AEC0C5C},
    {0x0101010101010101, 0x0000000040000000, 0xDF98C8276F54B04B},
    {0x0101010101010101, 0x0000000020000000, 0xB160E4680F6C696F},
    {0x0101010101010101, 0x0000000010000000, 0xFA0752B07D9C4AB8},
    {0x0101010101010101, 0x0000000008000000, 0xCA3A2B036DBC8502},
    {0x0101010101010101, 0x0000000004000000, 0x5E0905517BB59BCF},
    {0x0101010101010101, 0x0000000002000000, 0x814EEB3B91D90726},
    {0x0101010101010101, 0x0000000001000000, 0x4D49DB1532919C9F},
    {0x0101010101010101, 0x0000000000800000, 0x25EB5FC3F8CF0621},
    {0x0101010101010101, 0x0000000000400000, 0xAB6A20C0620D1C6F},
    {0x0101010101010101, 0x0000000000200000, 0x79E90DBC98F92CCA},
    {0x0101010101010101, 0x0000000000100000, 0x866ECEDD8072BB0E},
    {0x0101010101010101, 0x0000000000080000, 0x8B54536F2F3E64A8},
    {0x0101010101010101, 0x0000000000040000, 0xEA51D3975595B86B},
    {0x0101010101010101, 0x0000000000020000, 0xCAFFC6AC4542DE31},
    {0x0101010101010101, 0x0000000000010000, 0x8DD45A2DDF90796C},
    {0x0101010101010101, 0x0000000000008000, 0x1029D55E880EC2D0},
    {0x0101010101010101, 0x0000000000004000, 0x5D86CB23639DBEA9},
    {0x0101010101010101, 0x0000000000002000, 0x1D1CA853AE7C0C5F},
    {0x0101010101010101, 0x0000000000001000, 0xCE332329248F3228},
    {0x0101010101010101, 0x0000000000000800, 0x8405D1ABE24FB942},
    {0x0101010101010101, 0x0000000000000400, 0xE643D78090CA4207},
    {0x0101010101010101, 0x0000000000000200, 0x48221B9937748A23},
    {0x0101010101010101, 0x0000000000000100, 0xDD7C0BBD61FAFD54},
    {0x0101010101010101, 0x0000000000000080, 0x2FBC291A570DB5C4},
    {0x0101010101010101, 0x0000000000000040, 0xE07C30D7E4E26E12},
    {0x0101010101010101, 0x0000000000000020, 0x0953E2258E8E90A1},
    {0x0101010101010101, 0x0000000000000010, 0x5B711BC4CEEBF2EE},
    {0x0101010101010101, 0x0000000000000008, 0xCC083F1E6D9E85F6},
    {0x0101010101010101, 0x0000000000000004, 0xD2FD8867D50D2DFE},
    {0x0101010101010101, 0x0000000000000002, 0x06E7EA22CE92708F},
    {0x0101010101010101, 0x0000000000000001, 0x166B40B44ABA4BD6},
};

// Variable key (PC-1 and PC-2): plaintext zero, key bit i for each of the 56
// key bits, parity bits set.
constexpr KnownAnswer variable_key[] = {
    {0x8001010101010101, 0x0000000000000000, 0x95A8D72813DAA94D},
    {0x4001010101010101, 0x0000000000000000, 0x0EEC1487DD8C26D5},
    {0x2001010101010101, 0x0000000000000000, 0x7AD16FFB79C45926},
    {0x1001010101010101, 0x0000000000000000, 0xD3746294CA6A6CF3},
    {0x0801010101010101, 0x0000000000000000, 0x809F5F873C1FD761},
    {0x0401010101010101, 0x0000000000000000, 0xC02FAFFEC989D1FC},
    {0x0201010101010101, 0x0000000000000000, 0x4615AA1D33E72F10},
    {0x0180010101010101, 0x0000000000000000, 0x2055123350C00858},
    {0x0140010101010101, 0x0000000000000000, 0xDF3B99D6577397C8},
    {0x0120010101010101, 0x0000000000000000, 0x31FE17369B5288C9},
    {0x0110010101010101, 0x0000000000000000, 0xDFDD3CC64DAE1642},
    {0x0108010101010101, 0x0000000000000000, 0x178C83CE2B399D94},
    {0x0104010101010101, 0x0000000000000000, 0x50F636324A9B7F80},
    {0x0102010101010101, 0x0000000000000000, 0xA8468EE3BC18F06D},
    {0x0101800101010101, 0x0000000000000000, 0xA2DC9E92FD3CDE92},
    {0x0101400101010101, 0x0000000000000000, 0xCAC09F797D031287},
    {0x0101200101010101, 0x0000000000000000, 0x90BA680B22AEB525},
    {0x0101100101010101, 0x0000000000000000, 0xCE7A24F350E280B6},
    {0x0101080101010101, 0x0000000000000000, 0x882BFF0AA01A0B87},
    {0x0101040101010101, 0x0000000000000000, 0x25610288924511C2},
    {0x0101020101010101, 0x0000000000000000, 0xC71516C29C75D170},
    {0x0101018001010101, 0x0000000000000000, 0x5199C29A52C9F059},
    {0x0101014001010101, 0x0000000000000000, 0xC22F0A294A71F29F},
    {0x0101012001010101, 0x0000000000000000, 0xEE371483714C02EA},
    {0x0101011001010101, 0x0000000000000000, 0xA81FBD448F9E522F},
    {0x0101010801010101, 0x0000000000000000, 0x4F644C92E192DFED},
    {0x0101010401010101, 0x0000000000000000, 0x1AFA9A66A6DF92AE},
    {0x0101010201010101, 0x0000000000000000, 0xB3C1CC715CB879D8},
    {0x0101010180010101, 0x0000000000000000, 0x19D032E64AB0BD8B},
    {0x0101010140010101, 0x0000000000000000, 0x3CFAA7A7DC8720DC},
    {0x0101010120010101, 0x0000000000000000, 0xB7265F7F447AC6F3},
    {0x0101010110010101, 0x0000000000000000, 0x9DB73B3C0D163F54},
    {0x0101010108010101, 0x0000000000000000, 0x8181B65BABF4A975},
    {0x0101010104010101, 0x0000000000000000, 0x93C9B64042EAA240},
    {0x0101010102010101, 0x0000000000000000, 0x5570530829705592},
    {0x0101010101800101, 0x0000000000000000, 0x8638809E878787A0},
    {0x0101010101400101, 0x0000000000000000, 0x41B9A79AF79AC208},
    {0x0101010101200101, 0x0000000000000000, 0x7A9BE42F2009A892},
    {0x0101010101100101, 0x0000000000000000, 0x29038D56BA6D2745},
    {0x0101010101080101, 0x0000000000000000, 0x5495C6ABF1E5DF51},
    {0x0101010101040101, 0x0000000000000000, 0xAE13DBD561488933},
    {0x0101010101020101, 0x0000000000000000, 0x024D1FFA8904E389},
    {0x0101010101018001, 0x0000000000000000, 0xD1399712F99BF02E},
    {0x0101010101014001, 0x0000000000000000, 0x14C1D7C1CFFEC79E},
    {0x0101010101012001, 0x0000000000000000, 0x1DE5279DAE3BED6F},
    {0x0101010101011001, 0x0000000000000000, 0xE941A33F85501303},
    {0x0101010101010801, 0x0000000000000000, 0xDA99DBBC9A03F379},
    {0x0101010101010401, 0x0000000000000000, 0xB7FC92F91D8E92E9},
    {0x0101010101010201, 0x0000000000000000, 0xAE8E5CAA3CA04E85},
    {0x0101010101010180, 0x0000000000000000, 0x9CC62DF43B6EED74},
    {0x0101010101010140, 0x0000000000000000, 0xD863DBB5C59A91A0},
    {0x0101010101010120, 0x0000000000000000, 0xA1AB2190545B91D7},
    {0x0101010101010110, 0x0000000000000000, 0x0875041E64C570F7},
    {0x0101010101010108, 0x0000000000000000, 0x5A594528BEBEF1CC},
    {0x0101010101010104, 0x0000000000000000, 0xFCDB3291DE21F0C0},
    {0x0101010101010102, 0x0000000000000000, 0x869EFD7F9F265A09},
};

// Permutation operation (P): plaintext zero under 32 keys chosen to exercise
// every bit of P.
constexpr KnownAnswer permutation_operation[] = {
    {0x1046913489980131, 0x0000000000000000, 0x88D55E54F54C97B4},
    {0x1007103489988020, 0x0000000000000000, 0x0C0CC00C83EA48FD},
    {0x10071034C8980120, 0x0000000000000000, 0x83BC8EF3A6570183},
    {0x1046103489988020, 0x0000000000000000, 0xDF725DCAD94EA2E9},
    {0x1086911519190101, 0x0000000000000000, 0xE652B53B550BE8B0},
    {0x1086911519580101, 0x0000000000000000, 0xAF527120C485CBB0},
    {0x5107B01519580101, 0x0000000000000000, 0x0F04CE393DB926D5},
    {0x1007B01519190101, 0x0000000000000000, 0xC9F00FFC74079067},
    {0x3107915498080101, 0x0000000000000000, 0x7CFD82A593252B4E},
    {0x3107919498080101, 0x0000000000000000, 0xCB49A2F9E91363E3},
    {0x10079115B9080140, 0x0000000000000000, 0x00B588BE70D23F56},
    {0x3107911598080140, 0x0000000000000000, 0x406A9A6AB43399AE},
    {0x1007D01589980101, 0x0000000000000000, 0x6CB773611DCA9ADA},
    {0x9107911589980101, 0x0000000000000000, 0x67FD21C17DBB5D70},
    {0x9107D01589190101, 0x0000000000000000, 0x9592CB4110430787},
    {0x1007D01598980120, 0x0000000000000000, 0xA6B7FF68A318DDD3},
    {0x1007940498190101, 0x0000000000000000, 0x4D102196C914CA16},
    {0x0107910491190401, 0x0000000000000000, 0x2DFA9F4573594965},
    {0x0107910491190101, 0x0000000000000000, 0xB46604816C0E0774},
    {0x0107940491190401, 0x0000000000000000, 0x6E7E6221A4F34E87},
    {0x19079210981A0101, 0x0000000000000000, 0xAA85E74643233199},
    {0x1007911998190801, 0x0000000000000000, 0x2E5A19DB4D1962D6},
    {0x10079119981A0801, 0x0000000000000000, 0x23A866A809D30894},
    {0x1007921098190101, 0x0000000000000000, 0xD812D961F017D320},
    {0x100791159819010B, 0x0000000000000000, 0x055605816E58608F},
    {0x1004801598190101, 0x0000000000000000, 0xABD88E8B1B7716F1},
    {0x1004801598190102, 0x0000000000000000, 0x537AC95BE69DA1E1},
    {0x1004801598190108, 0x0000000000000000, 0xAED0F6AE3C25CDD8},
    {0x1002911498100104, 0x0000000000000000, 0xB3E35A5EE53E7B8D},
    {0x1002911598190104, 0x0000000000000000, 0x61C79C71921A2EF8},
    {0x1002911598100201, 0x0000000000000000, 0xE2F5728F0995013C},
    {0x1002911698100101, 0x0000000000000000, 0x1AEAC39A61F0A464},
};

// Substitution table: 19 key and data pairs that together use every entry of
// every S-box.
constexpr KnownAnswer substitution[] = {
    {0x7CA110454A1A6E57, 0x01A1D6D039776742, 0x690F5B0D9A26939B},
    {0x0131D9619DC1376E, 0x5CD54CA83DEF57DA, 0x7A389D10354BD271},
    {0x07A1133E4A0B2686, 0x0248D43806F67172, 0x868EBB51CAB4599A},
    {0x3849674C2602319E, 0x51454B582DDF440A, 0x7178876E01F19B2A},
    {0x04B915BA43FEB5B6, 0x42FD443059577FA2, 0xAF37FB421F8C4095},
    {0x0113B970FD34F2CE, 0x059B5E0851CF143A, 0x86A560F10EC6D85B},
    {0x0170F175468FB5E6, 0x0756D8E0774761D2, 0x0CD3DA020021DC09},
    {0x43297FAD38E373FE, 0x762514B829BF486A, 0xEA676B2CB7DB2B7A},
    {0x07A7137045DA2A16, 0x3BDD119049372802, 0xDFD64A815CAF1A0F},
    {0x04689104C2FD3B2F, 0x26955F6835AF609A, 0x5C513C9C4886C088},
    {0x37D06BB516CB7546, 0x164D5E404F275232, 0x0A2AEEAE3FF4AB77},
    {0x1F08260D1AC2465E, 0x6B056E18759F5CCA, 0xEF1BF03E5DFA575A},
    {0x584023641ABA6176, 0x004BD6EF09176062, 0x88BF0DB6D70DEE56},
    {0x025816164629B007, 0x480D39006EE762F2, 0xA1F9915541020B56},
    {0x49793EBC79B3258F, 0x437540C8698F3CFA, 0x6FBF1CAFCFFD0556},
    {0x4FB05E1515AB73A7, 0x072D43A077075292, 0x2F22E49BAB7CA1AC},
    {0x49E95D6D4CA229BF, 0x02FE55778117F12A, 0x5A6B612CC26CCE4A},
    {0x018310DC409B26D6, 0x1D9D5C5018F728C2, 0x5F4C038ED12B2E41},
    {0x1C587F1C13924FEF, 0x305532286D6F295A, 0x63FAC0D034D9F793},
};

// clang-format on

// Each case encrypts to its ciphertext and decrypts back to its plaintext.
template <std::size_t count> void check_known_answers(const KnownAnswer (&cases)[count]) {
    for (const KnownAnswer& known : cases) {
        SCOPED_TRACE("key " + hex_text(known.key) + ", plaintext " + hex_text(known.plaintext));
        std::uint8_t key[8];
        std::uint8_t block[8];
        store_big_endian(known.key, key);
        set_current_key(key);

        store_big_endian(known.plaintext, block);
        des_encrypt_block(block);
        EXPECT_EQ(hex_text(block), hex_text(known.ciphertext)) << "encryption";

        store_big_endian(known.ciphertext, block);
        des_decrypt_block(block);
        EXPECT_EQ(hex_text(block), hex_text(known.plaintext)) << "decryption";
    }
}

TEST(DesKnownAnswers, WorkedExamples) { check_known_answers(worked_examples); }
TEST(DesKnownAnswers, VariablePlaintextAndInversePermutation) {
    check_known_answers(variable_plaintext);
}
TEST(DesKnownAnswers, VariableKey) { check_known_answers(variable_key); }
TEST(DesKnownAnswers, PermutationOperation) { check_known_answers(permutation_operation); }
TEST(DesKnownAnswers, SubstitutionTable) { check_known_answers(substitution); }

TEST(DesProperties, ParityBitsDoNotMatter) {
    std::mt19937_64 random(random_seed + 1);
    for (int n = 0; n < 2000; ++n) {
        std::uint8_t key[8];
        std::uint8_t flipped_key[8];
        std::uint8_t block[8];
        random_bytes(random, key);
        random_bytes(random, block);
        const std::uint64_t parity_flips = random() & 0x0101010101010101;
        store_big_endian(parity_flips, flipped_key);
        for (int i = 0; i < 8; ++i) {
            flipped_key[i] = static_cast<std::uint8_t>(flipped_key[i] ^ key[i]);
        }
        SCOPED_TRACE("key " + hex_text(key) + ", with parity bits changed " +
                     hex_text(flipped_key) + ", block " + hex_text(block));

        std::uint8_t encrypted[8];
        std::uint8_t encrypted_flipped[8];
        std::memcpy(encrypted, block, sizeof block);
        std::memcpy(encrypted_flipped, block, sizeof block);
        set_current_key(key);
        des_encrypt_block(encrypted);
        set_current_key(flipped_key);
        des_encrypt_block(encrypted_flipped);
        ASSERT_EQ(hex_text(encrypted), hex_text(encrypted_flipped));

        std::uint8_t decrypted[8];
        std::uint8_t decrypted_flipped[8];
        std::memcpy(decrypted, block, sizeof block);
        std::memcpy(decrypted_flipped, block, sizeof block);
        set_current_key(key);
        des_decrypt_block(decrypted);
        set_current_key(flipped_key);
        des_decrypt_block(decrypted_flipped);
        ASSERT_EQ(hex_text(decrypted), hex_text(decrypted_flipped));
    }
}

TEST(DesProperties, DecryptionAndEncryptionInvertEachOther) {
    std::mt19937_64 random(random_seed + 2);
    for (int n = 0; n < 2000; ++n) {
        std::uint8_t key[8];
        std::uint8_t original[8];
        random_bytes(random, key);
        random_bytes(random, original);
        SCOPED_TRACE("key " + hex_text(key) + ", block " + hex_text(original));
        set_current_key(key);

        std::uint8_t block[8];
        std::memcpy(block, original, sizeof block);
        des_encrypt_block(block);
        des_decrypt_block(block);
        ASSERT_EQ(hex_text(block), hex_text(original)) << "decrypt(encrypt(x))";

        des_decrypt_block(block);
        des_encrypt_block(block);
        ASSERT_EQ(hex_text(block), hex_text(original)) << "encrypt(decrypt(x))";
    }
}

TEST(DesProperties, KeyIsReadOnlyAndReadBeforeTheBlockIsWritten) {
    constexpr std::uint64_t key_value = 0x133457799BBCDFF1;
    std::uint8_t key[8];
    store_big_endian(key_value, key);
    std::uint8_t block[8];
    store_big_endian(0x0123456789ABCDEF, block);
    set_current_key(key);
    des_encrypt_block(block);
    EXPECT_EQ(hex_text(block), hex_text(0x85E813540F0AB405)) << "the block is replaced in place";
    EXPECT_EQ(hex_text(key), hex_text(key_value)) << "encryption leaves the key alone";
    des_decrypt_block(block);
    EXPECT_EQ(hex_text(block), hex_text(0x0123456789ABCDEF));
    EXPECT_EQ(hex_text(key), hex_text(key_value)) << "decryption leaves the key alone";

    // One buffer as key and block: the key must be taken before the block is
    // overwritten, so the result is that of the key's first value.
    std::uint8_t key_and_block[8];
    store_big_endian(key_value, key_and_block);
    std::uint8_t separate_key[8];
    std::uint8_t separate_block[8];
    store_big_endian(key_value, separate_key);
    store_big_endian(key_value, separate_block);
    set_current_key(separate_key);
    des_encrypt_block(separate_block);
    set_current_key(key_and_block);
    des_encrypt_block(key_and_block);
    EXPECT_EQ(hex_text(key_and_block), hex_text(separate_block));
}

struct PermutationCase {
    const char* name;
    std::uint8_t table[64];
    int bit_count;
    std::uint64_t source;
    std::uint64_t expected; // the bit_count / 8 written bytes, left-justified
};

// clang-format off
constexpr PermutationCase permutation_cases[] = {
    {"32-bit identity", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16,
                         17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32},
     32, 0x12345678'00000000, 0x12345678'00000000},
    {"32-bit reversal", {32, 31, 30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20, 19, 18, 17,
                         16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1},
     32, 0x12345678'00000000, 0x1E6A2C48'00000000},
    {"all entries 0 clear the target", {}, 64, 0xFFFFFFFFFFFFFFFF, 0},
    {"one source bit copied to many places", {3, 3, 0, 3, 0, 0, 0, 3}, 64, 0x20000000'00000000,
     0xD1000000'00000000},
};
// clang-format on

TEST(PermuteBits, WritesOnlyTheBytesOfItsBitCount) {
    constexpr std::uint8_t untouched = 0xA5;
    for (const PermutationCase& each : permutation_cases) {
        SCOPED_TRACE(each.name);
        std::uint8_t source[8];
        store_big_endian(each.source, source);
        std::uint8_t target[8];
        std::memset(target, untouched, sizeof target);
        permute_bits(source, target, each.table, each.bit_count);

        std::uint8_t expected[8];
        store_big_endian(each.expected, expected);
        const int written = each.bit_count / 8;
        for (int i = written; i < 8; ++i) {
            expected[i] = untouched;
        }
        EXPECT_EQ(hex_text(target), hex_text(expected));
    }
}

struct EngineTableCase {
    const char* name;
    const std::uint8_t* table;
    int bit_count;
    std::uint64_t source; // only the bytes the table names are read
    std::uint64_t expected;
};

// The engine's own tables on sources whose image is known.
constexpr EngineTableCase engine_table_cases[] = {
    // Every key bit set: C and D full, their padding bits 0.
    {"pc1_table on all ones", pc1_table, 64, 0xFFFFFFFFFFFFFFFF, 0xFFFFFFF0FFFFFFF0},
    // The parity bits alone give no key bit.
    {"pc1_table on parity bits", pc1_table, 64, 0x0101010101010101, 0},
    // R's bits 1 and 32 each appear twice in E: output bits 1, 2, 61, 62.
    {"e_table on R bits 1 and 32", e_table, 64, 0x80000001'00000000, 0xC0000000'0000000C},
    // Every entry of PC-2 names a set bit; the padding of each group stays 0.
    {"pc2_table on all ones", pc2_table, 64, 0xFFFFFFF0FFFFFFF0, 0xFCFCFCFCFCFCFCFC},
    // S1's output bit 1 goes to bit 9 of P's output.
    {"p_table on bit 1", p_table, 32, 0x80000000'00000000, 0x00800000'00000000},
};

TEST(PermuteBits, EngineTablesOnKnownSources) {
    for (const EngineTableCase& each : engine_table_cases) {
        SCOPED_TRACE(each.name);
        std::uint8_t source[8];
        store_big_endian(each.source, source);
        std::uint8_t target[8] = {};
        permute_bits(source, target, each.table, each.bit_count);
        std::uint8_t expected[8];
        store_big_endian(each.expected, expected);
        EXPECT_EQ(hex_text(target), hex_text(expected));
    }
}

// The low nibbles of bytes 3 and 7 of the halves.
bool padding_is_zero(const KeyHalves& halves) {
    return (halves.bytes[3] & 0x0F) == 0 && (halves.bytes[7] & 0x0F) == 0;
}

TEST(KeyRotations, SixteenLeftRotationsAreOneFullTurn) {
    std::mt19937_64 random(random_seed + 3);
    for (int n = 0; n < 1000; ++n) {
        std::uint8_t key[8];
        random_bytes(random, key);
        KeyHalves start;
        permute_bits(key, start.bytes, pc1_table, 64);
        SCOPED_TRACE("halves " + hex_text(start.bytes));

        KeyHalves halves = start;
        for (int round = 0; round < 16; ++round) {
            rotate_halves_left(halves, round);
            ASSERT_TRUE(padding_is_zero(halves))
                << "after left rotation " << round << ": " << hex_text(halves.bytes);
        }
        ASSERT_EQ(hex_text(halves.bytes), hex_text(start.bytes)) << "after sixteen left rotations";
        for (int round = 15; round >= 0; --round) {
            rotate_halves_right(halves, round);
            ASSERT_TRUE(padding_is_zero(halves))
                << "after right rotation " << round << ": " << hex_text(halves.bytes);
        }
        ASSERT_EQ(hex_text(halves.bytes), hex_text(start.bytes)) << "after sixteen right rotations";
    }
}

struct RotationCase {
    const char* name;
    int round; // round 0 rotates by 1, round 2 by 2
    std::uint64_t before;
    std::uint64_t after_left;
};

constexpr RotationCase rotation_cases[] = {
    {"bit 1 of each half wraps to bit 28", 0, 0x80000000'80000000, 0x00000010'00000010},
    {"bits 1 and 2 wrap to 27 and 28", 2, 0xC0000000'C0000000, 0x00000030'00000030},
    {"carry across bytes of C only", 0, 0x00800000'00000000, 0x01000000'00000000},
    {"bit 28 of D moves up into bit 26", 2, 0x00000000'00000010, 0x00000000'00000040},
    {"a full half stays full", 2, 0xFFFFFFF0'00000000, 0xFFFFFFF0'00000000},
};

TEST(KeyRotations, MoveBitsWithinEachHalf) {
    for (const RotationCase& each : rotation_cases) {
        SCOPED_TRACE(each.name);
        KeyHalves halves;
        store_big_endian(each.before, halves.bytes);
        rotate_halves_left(halves, each.round);
        EXPECT_EQ(hex_text(halves.bytes), hex_text(each.after_left)) << "left";
        rotate_halves_right(halves, each.round);
        EXPECT_EQ(hex_text(halves.bytes), hex_text(each.before)) << "right";
    }
}

struct SboxCase {
    const char* name;
    std::uint8_t groups[8];
    std::uint32_t expected; // S1 in the top nibble, S8 in the bottom one
};

constexpr SboxCase sbox_cases[] = {
    {"row 0, column 0 of every box", {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, 0xEFA72C4D},
    {"the two low bits of a group are ignored",
     {0x03, 0x03, 0x03, 0x03, 0x03, 0x03, 0x03, 0x03},
     0xEFA72C4D},
    {"row 3, column 15 of every box", {0xFC, 0xFC, 0xFC, 0xFC, 0xFC, 0xFC, 0xFC, 0xFC}, 0xD9CE3DCB},
    {"outer bits give row 3, column 0",
     {0x84, 0x84, 0x84, 0x84, 0x84, 0x84, 0x84, 0x84},
     0xFD13B462},
    {"row 1 and row 2, column 1", {0x0C, 0x88, 0x0C, 0x88, 0x0C, 0x88, 0x0C, 0x88}, 0xFE76BE0B},
};

TEST(SubstituteSboxes, PicksRowFromOuterBitsAndColumnFromInnerBits) {
    for (const SboxCase& each : sbox_cases) {
        SCOPED_TRACE(each.name);
        std::uint8_t out[4] = {0xFF, 0xFF, 0xFF, 0xFF};
        substitute_sboxes(each.groups, out);
        const std::uint8_t expected[4] = {static_cast<std::uint8_t>(each.expected >> 24),
                                          static_cast<std::uint8_t>(each.expected >> 16),
                                          static_cast<std::uint8_t>(each.expected >> 8),
                                          static_cast<std::uint8_t>(each.expected)};
        EXPECT_EQ(hex_text(out), hex_text(expected));
    }
}

} // namespace
