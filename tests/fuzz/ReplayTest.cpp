// Every input of the fuzzing corpora through the fuzzed entry points, so a plain build
// (no clang, no libFuzzer) checks again everything the fuzzers kept or found.
#include "FuzzChecks.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

TEST(FuzzCorpus, EveryInputPasses)
{
    for (const auto& [target, check] : {std::pair("wav_header", &ravelin::fuzz::CheckWavHeader),
                                        {"file_run", &ravelin::fuzz::CheckFileRun}}) {
        const std::string corpus = RAVELIN_CORPUS + std::string(target);
        for (const auto& e : std::filesystem::directory_iterator(corpus)) {
            const ravelin::test::Bytes bytes = ravelin::test::ReadBytes(e.path());
            EXPECT_EQ(check(bytes.data(), bytes.size()), "") << e.path();
        }
    }
}
