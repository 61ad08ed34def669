// libFuzzer target: the whole file run (header, checks, filter, atomic output) on one
// input file; the first byte chooses the preset and whether the output replaces the input.
#include "FuzzChecks.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string failure = ravelin::fuzz::CheckFileRun(data, size);
    if (!failure.empty()) {
        std::fprintf(stderr, "file run check failed: %s\n", failure.c_str());
        std::abort();
    }
    return 0;
}
