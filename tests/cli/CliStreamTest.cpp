// ravelin-cli's streaming file run from outside: an input whose size cannot be
// confirmed, and the memory of a long run. (The clip report's words are the desktop's,
// checked in FileRunTest; the tool prints them in CliLanguageTest and CliDesignTest.)
#include "files/FileRun.h"
#include "support/TestSupport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ravelin {
namespace {

using namespace test;

struct CliRun {
    int status = -1;
    std::string out, err;
    long maxRssKb = 0;
};

// Runs ravelin-cli with args in dir, with exactly the environment strings env.
CliRun Cli(const std::string& dir, const std::vector<std::string>& args,
           const std::vector<std::string>& env = {})
{
    const TempDir streams;
    const std::string out = streams / "out", err = streams / "err";
    std::vector<char*> argv{const_cast<char*>(RAVELIN_CLI)}, envp;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (const auto& e : env)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int o = ::open(out.c_str(), O_WRONLY | O_CREAT, 0600);
        const int e = ::open(err.c_str(), O_WRONLY | O_CREAT, 0600);
        if (o < 0 || e < 0 || ::dup2(o, 1) < 0 || ::dup2(e, 2) < 0 || ::chdir(dir.c_str()) != 0)
            ::_exit(126);
        ::alarm(60); // a hang ends the child, not the suite
        ::execve(RAVELIN_CLI, argv.data(), envp.data());
        ::_exit(127);
    }
    CliRun r;
    int raw = 0;
    struct rusage usage {};
    if (pid < 0 || ::wait4(pid, &raw, 0, &usage) != pid)
        return r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = ReadText(out);
    r.err = ReadText(err);
    r.maxRssKb = usage.ru_maxrss;
    return r;
}

// A regular file whose size the system reports as 0 although it reads as a WAV file:
// the tool's own /proc/self/environ, its environment strings spelling the bytes (each
// string ends in a zero byte, an empty one is a lone zero). No sample count can be
// confirmed: the input is refused, nothing written.
TEST(CliStream, RefusesAnInputWhoseSizeCannotBeConfirmed)
{
    struct stat st {};
    if (::stat("/proc/self/environ", &st) != 0 || !S_ISREG(st.st_mode) || st.st_size != 0)
        GTEST_SKIP() << "no /proc/self/environ of size 0 here";
    const TempDir dir;
    Bytes wav = MakeWav({1, 1, 8000, 16}, Samples16({7, 9, 11, 1}));
    ASSERT_EQ(wav.back(), 0);
    std::vector<std::string> env(1);
    for (std::size_t i = 0; i + 1 < wav.size(); ++i) {
        if (wav[i] == 0)
            env.emplace_back();
        else
            env.back() += static_cast<char>(wav[i]);
    }
    const CliRun r = Cli(dir.Path(), {"filter", "/proc/self/environ", "out.wav"}, env);
    EXPECT_EQ(std::tuple(r.status, r.out, r.err),
              std::tuple(1, std::string(),
                         std::string("error .... can't open the file "
                                     "[/proc/self/environ]\n")));
    EXPECT_TRUE(dir.List().empty());
}

// 256 MiB of samples, most of them a hole in a sparse file: the run's peak resident
// memory stays at a few blocks and the filter, far below the file's size.
TEST(CliStream, MemoryStaysBoundedOnALongFile)
{
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "AddressSanitizer's shadow memory is not the program's";
#endif
    const TempDir dir;
    constexpr std::uint32_t kBytes = 256u << 20;
    const std::string in = dir / "long.wav";
    WriteFile(in, MakeWav({1, 1, 44100, 16}, Samples16({1000, -1000}), kBytes));
    fs::resize_file(in, 44 + std::uint64_t{kBytes});
    struct stat st {};
    ASSERT_EQ(::stat(in.c_str(), &st), 0);
    if (st.st_blocks * 512 > 16 << 20)
        GTEST_SKIP() << "the temporary folder's filesystem does not keep holes";
    const CliRun r = Cli(dir.Path(), {"filter", "--preset", "echo1023", "long.wav", "out.wav"});
    ASSERT_EQ(std::tuple(r.status, r.err), std::tuple(0, std::string()));
    EXPECT_EQ(fs::file_size(dir / "out.wav"), 44 + std::uint64_t{kBytes});
    EXPECT_GT(r.maxRssKb, 0);
    EXPECT_LT(r.maxRssKb, 32 * 1024) << "peak resident memory in KiB";
}

} // namespace
} // namespace ravelin
