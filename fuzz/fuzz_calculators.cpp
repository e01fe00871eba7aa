// The two calculators over arbitrary typed input: refused lines, short lines,
// lines that end early, any choice key. Whatever is typed, each dialogue ends
// with status 0 (a result) or 1 (input ended first) and touches nothing
// outside its buffers.
#include "des_tool.h"
#include "fuzz_input.h"
#include "mac_tool.h"

#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    silence_standard_output();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    const std::size_t chunk = data[0] % 64 + 1;
    const bool mac = (data[0] & 0x80) != 0;
    set_fuzz_input(data + 1, size - 1, chunk);
    const int status = mac ? run_mac_tool() : run_des_tool();
    drain_fuzz_input();
    if (status != 0 && status != 1) {
        std::abort();
    }
    return 0;
}
