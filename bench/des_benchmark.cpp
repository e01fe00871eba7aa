// Time of one DES encryption with its key schedule: the engine, which derives
// the subkeys inside every block operation, against OpenSSL's
// DES_set_key_unchecked + DES_ecb_encrypt on the same key and block. After the
// runs the two times are printed side by side with their ratio.
#include "des_engine.h"

#include <benchmark/benchmark.h>
#include <openssl/des.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::uint8_t bench_key[8] = {0x13, 0x34, 0x57, 0x79, 0x9B, 0xBC, 0xDF, 0xF1};
constexpr std::uint8_t bench_block[8] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};

constexpr const char* engine_name = "engine_encrypt_block";
constexpr const char* openssl_name = "openssl_set_key_and_encrypt";

void engine_encrypt_block(benchmark::State& state) {
    std::uint8_t key[8];
    std::uint8_t block[8];
    std::memcpy(key, bench_key, sizeof key);
    std::memcpy(block, bench_block, sizeof block);
    for (auto _ : state) {
        set_current_key(key);
        des_encrypt_block(block);
        benchmark::DoNotOptimize(block);
    }
}

void openssl_set_key_and_encrypt(benchmark::State& state) {
    DES_cblock key;
    DES_cblock block;
    std::memcpy(key, bench_key, sizeof key);
    std::memcpy(block, bench_block, sizeof block);
    DES_key_schedule schedule;
    for (auto _ : state) {
        DES_set_key_unchecked(&key, &schedule);
        DES_ecb_encrypt(&block, &block, &schedule, DES_ENCRYPT);
        benchmark::DoNotOptimize(block);
    }
}

BENCHMARK(engine_encrypt_block)->Name(engine_name);
BENCHMARK(openssl_set_key_and_encrypt)->Name(openssl_name);

// The console report, keeping the time per block of each benchmark: of its
// single run, or the median when runs are repeated.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") {
                continue;
            }
            const std::string& name = run.run_name.function_name;
            if (name == engine_name) {
                engine_ns = run.GetAdjustedRealTime();
            } else if (name == openssl_name) {
                openssl_ns = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    double engine_ns = 0;
    double openssl_ns = 0;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    if (reporter.engine_ns > 0 && reporter.openssl_ns > 0) {
        std::printf("\nns per block with key schedule: engine %.1f, OpenSSL %.1f, "
                    "engine / OpenSSL = %.2f\n",
                    reporter.engine_ns, reporter.openssl_ns,
                    reporter.engine_ns / reporter.openssl_ns);
    }
    return 0;
}
