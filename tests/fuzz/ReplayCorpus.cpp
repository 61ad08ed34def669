// Feeds every file of the fuzzing corpora through the fuzzed entry points, so a plain
// build (no clang, no libFuzzer) checks again everything the fuzzers found.
//
//   ravelin-fuzz-replay wav_header=DIR|FILE file_run=DIR|FILE ...
//
// Exit status 0 when every input passed, 1 when any failed, 2 on a usage error.
#include "FuzzChecks.h"

#include "TestSupport.h"

#include <algorithm>
#include <cstdio>

namespace fs = std::filesystem;

int main(int argc, char* argv[])
{
    int failures = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i], target = arg.substr(0, arg.find('='));
        auto* check = target == "wav_header" ? &ravelin::fuzz::CheckWavHeader
                      : target == "file_run" ? &ravelin::fuzz::CheckFileRun
                                             : nullptr;
        const fs::path where = arg.substr(std::min(arg.size(), target.size() + 1));
        std::vector<fs::path> files;
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(where, ec))
            files.push_back(entry.path());
        if (fs::is_regular_file(where, ec))
            files.push_back(where);
        if (!check || files.empty()) {
            std::fprintf(stderr, "usage: %s wav_header=PATH file_run=PATH ... (%s: no corpus)\n",
                         argv[0], arg.c_str());
            return 2;
        }
        std::sort(files.begin(), files.end());
        for (const auto& file : files) {
            const ravelin::test::Bytes bytes = ravelin::test::ReadBytes(file);
            const std::string failure = check(bytes.data(), bytes.size());
            if (!failure.empty()) {
                std::fprintf(stderr, "FAIL %s %s: %s\n", target.c_str(), file.c_str(), failure.c_str());
                ++failures;
            }
        }
        std::printf("%s: %zu inputs replayed from %s\n", target.c_str(), files.size(), where.c_str());
    }
    return failures == 0 ? 0 : 1;
}
