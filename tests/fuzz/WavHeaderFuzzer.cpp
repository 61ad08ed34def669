// libFuzzer target: the WAV header reader on bytes from memory.
#include "FuzzChecks.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string failure = ravelin::fuzz::CheckWavHeader(data, size);
    if (!failure.empty()) {
        std::fprintf(stderr, "wav header check failed: %s\n", failure.c_str());
        std::abort();
    }
    return 0;
}
