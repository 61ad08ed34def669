// A libFuzzer target; RAVELIN_FUZZ_CHECK names the check it runs (see FuzzChecks.h).
#include "FuzzChecks.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string failure = ravelin::fuzz::RAVELIN_FUZZ_CHECK(data, size);
    if (!failure.empty()) {
        std::fprintf(stderr, "check failed: %s\n", failure.c_str());
        std::abort();
    }
    return 0;
}
