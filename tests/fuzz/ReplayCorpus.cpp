// Feeds every file of the fuzzing corpora through the fuzzed entry points, so a plain
// build (no clang, no libFuzzer) checks again everything the fuzzers found.
//
//   ravelin-fuzz-replay wav_header=DIR|FILE file_run=DIR|FILE ...
//
// Exit status 0 when every input passed, 1 when any failed, 2 on a usage error.
#include "FuzzChecks.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

int main(int argc, char* argv[])
{
    int failures = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto eq = arg.find('=');
        const std::string target = arg.substr(0, eq);
        auto* check = target == "wav_header" ? &ravelin::fuzz::CheckWavHeader
                      : target == "file_run" ? &ravelin::fuzz::CheckFileRun
                                             : nullptr;
        if (eq == std::string::npos || !check) {
            std::fprintf(stderr, "usage: %s wav_header=PATH file_run=PATH ...\n", argv[0]);
            return 2;
        }
        const fs::path where = arg.substr(eq + 1);
        std::vector<fs::path> files;
        std::error_code ec;
        if (fs::is_directory(where, ec)) {
            for (const auto& entry : fs::directory_iterator(where))
                if (entry.is_regular_file())
                    files.push_back(entry.path());
        } else if (fs::is_regular_file(where, ec)) {
            files.push_back(where);
        }
        if (files.empty()) {
            std::fprintf(stderr, "%s: no corpus at %s\n", target.c_str(), where.c_str());
            return 2;
        }
        std::sort(files.begin(), files.end());
        for (const auto& file : files) {
            std::ifstream stream(file, std::ios::binary);
            const std::vector<char> bytes{std::istreambuf_iterator<char>(stream), {}};
            const std::string failure =
                check(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
            if (!failure.empty()) {
                std::fprintf(stderr, "FAIL %s %s: %s\n", target.c_str(), file.c_str(),
                             failure.c_str());
                ++failures;
            }
        }
        std::printf("%s: %zu inputs replayed from %s\n", target.c_str(), files.size(),
                    where.c_str());
    }
    return failures == 0 ? 0 : 1;
}
