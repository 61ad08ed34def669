// ravelin-cli as a script uses it: exit status, stdout, stderr and files; and through
// it the faults that the file run and the text export must survive, losing nothing.
#include "TestSupport.h"

#include "files/TextExport.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <tuple>

namespace ravelin {
namespace {

using namespace test;

#ifdef __SANITIZE_ADDRESS__
constexpr bool kAddressSanitizer = true; // it reserves terabytes of address space
#else
constexpr bool kAddressSanitizer = false;
#endif

struct Outcome {
    int status = -1;
    std::string out, err;
};

// Runs a shell command line in dir. $CLI is the tool (a hang ends after 20 s); nobody
// runs a command as that user, so that permission bits apply even to root.
Outcome Shell(const std::string& dir, const std::string& line)
{
    const TempDir streams;
    const std::string script = "cd " + dir + " && export CLI='timeout 20 " RAVELIN_CLI "' && "
                               "nobody() { if [ $(id -u) = 0 ]; then setpriv --reuid=65534 "
                               "--regid=65534 --clear-groups \"$@\"; else \"$@\"; fi; } && " + line;
    const int raw = std::system(("(" + script + ") >" + streams / "out" + " 2>" + streams / "err" +
                                 " </dev/null").c_str());
    const int status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return {status, ReadText(streams / "out"), ReadText(streams / "err")};
}

// Every entry under dir with its kind, mode and link target; the checksum of every file.
std::string Snapshot(const std::string& dir)
{
    return Shell(dir, "find . -printf '%p %M %l\\n' | sort; md5sum $(find . -type f | sort)").out;
}

class Cli : public testing::Test {
protected:
    Outcome Tool(const std::string& args) { return Shell(dir.Path(), "$CLI " + args); }
    const TempDir dir;
};

TEST_F(Cli, HelpVersionAndPresets)
{
    for (const char* args : {"--help", "filter --help", "demo --help", "presets --help"})
        EXPECT_TRUE(Tool(args).out.starts_with("Usage: ravelin-cli")) << args;
    EXPECT_EQ(Tool("--version").out, "ravelin-cli 1.0\n");
    const Outcome presets = Tool("presets");
    EXPECT_EQ(presets.status, 0);
    EXPECT_NE(presets.out.find("   8  lpf4       低域通過フィルタ1/4\n"), std::string::npos);
    EXPECT_NE(presets.out.find("  11  user3      ユーザ設定３タップ係数フィルタ\n"),
              std::string::npos);
}

// Exit 2 with one line on stderr that names the problem, nothing else, no file.
TEST_F(Cli, UsageErrorsExitTwoWithOneLine)
{
    WriteFile(dir / "in.wav", MakeWav({}, Samples16({1, 2})));
    for (const auto& [args, word] :
         {std::pair("", "missing command"), {"bogus", "'bogus'"}, {"filter -b in.wav o", "'-b'"},
          {"filter --preset 12 in.wav o", "'12'"}, {"filter --taps 0,1 in.wav o", "'0,1'"},
          {"filter --taps 0,1,8193 in.wav o", "'8193'"},
          {"filter --coefs 0,0,2.001 in.wav o", "'2.001'"},
          {"filter --coefs nan,0,0 in.wav o", "'nan'"}, {"filter in.wav o --preset", "'--preset'"},
          {"filter in.wav", "INPUT.wav and OUTPUT.wav"}, {"filter in.wav ''", "empty file name"},
          {"demo --input 7", "'7'"}, {"presets extra", "'extra'"}}) {
        const Outcome o = Tool(args);
        EXPECT_EQ(o.status, 2) << args;
        EXPECT_TRUE(o.err.starts_with("ravelin-cli: ") && o.err.find(word) != std::string::npos &&
                    std::count(o.err.begin(), o.err.end(), '\n') == 1 && o.out.empty())
            << args << ": " << o.err;
    }
    EXPECT_EQ(dir.List(), std::vector<std::string>{"in.wav"});
}

TEST_F(Cli, FilterAndDemo)
{
    const Bytes wav = MakeWav({1, 1, 22050}, Samples16({100, -200, 300, 0}));
    WriteFile(dir / "in.wav", wav);
    const Outcome o = Tool("filter in.wav same.wav");
    EXPECT_EQ(std::pair(o.status, o.err), std::pair(0, std::string()));
    EXPECT_NE(o.out.find("サンプリング周波数: 22050\n"), std::string::npos) << o.out;
    EXPECT_EQ(ReadBytes(dir / "same.wav"), wav);
    // y[n] = x[n] - 2 x[n-1]: the later entry for tap 1 wins.
    EXPECT_EQ(Tool("filter --preset user3 --taps 0,1,1 --coefs=1,0.5,-2 in.wav u.wav").status, 0);
    EXPECT_EQ(ReadBytes(dir / "u.wav"), MakeWav({1, 1, 22050}, Samples16({100, -400, 700, -600})));

    EXPECT_EQ(Tool("demo --preset ma5 --input impulse2 -o ma.txt").status, 0);
    EXPECT_EQ(ReadText(dir / "ma.txt"), FormatTextExport(Finished(kFilterMa5, kInputImpulse2),
                                                          TextEncoding::ShiftJis, "\r\n"));
    EXPECT_EQ(Tool("demo --preset 5 --input 0").out,
              FormatTextExport(Finished(kFilterLag2, kInputImpulse), TextEncoding::Utf8, "\n"));
    EXPECT_EQ(Tool("demo").out,
              FormatTextExport(Finished(kFilterPass, kInputTest), TextEncoding::Utf8, "\n"));
    for (const char* args : {"demo --preset lpf4 --input test", "demo --input file"}) {
        const Outcome no = Tool(args);
        EXPECT_EQ(no.status, 1) << args;
        EXPECT_NE(no.err.find("is not a demonstration pair"), std::string::npos) << no.err;
    }
    // Text that never reached standard output is a failure, not a silent success.
    for (const std::string args : {"presets", "demo", "filter in.wav x.wav"})
        EXPECT_EQ(Tool(args + " >/dev/full").err, "ravelin-cli: can't write the standard output\n");
}

std::string Err(const char* what, const std::string& path)
{
    return std::string("error .... ") + what + " the file [" + path + "]\n";
}
const char* const kOpen = "can't open";
const char* const kWrong = "found wrong WAVE format in";

// Each fault is a setup and a command line, run in a fresh folder that holds in.wav
// (40 KB), out.wav (an existing file) and the inputs below. The command must exit 1
// with just its message on stderr (or succeed where none is given) and leave the
// folder as the setup left it.
TEST(CliFault, FaultsLoseNothing)
{
    std::vector<std::tuple<std::string, std::string, std::string>> faults = {
        // Inputs, refused at once: never a hang, never an endless read.
        {"", "$CLI filter missing.wav out.wav", Err(kOpen, "missing.wav")},
        {"mkdir dir", "$CLI filter dir out.wav", Err(kOpen, "dir")},
        {"mkfifo fifo", "$CLI filter fifo out.wav", Err(kOpen, "fifo")},
        {"mkfifo fifo", "exec 3<>fifo && $CLI filter fifo out.wav", Err(kOpen, "fifo")},
        {"", "$CLI filter /dev/zero out.wav", Err(kOpen, "/dev/zero")},
        {"", "$CLI filter /dev/null out.wav", Err(kOpen, "/dev/null")},
        {"ln -s /dev/zero zero.wav", "$CLI filter zero.wav out.wav", Err(kOpen, "zero.wav")},
        {"chmod 200 in.wav", "nobody $CLI filter in.wav out.wav", Err(kOpen, "in.wav")},
        {": >e.wav", "$CLI filter e.wav out.wav", Err(kWrong, "e.wav")},
        {"printf X | dd of=in.wav bs=1 seek=3 conv=notrunc", "$CLI filter in.wav out.wav",
         Err(kWrong, "in.wav")}, // RIFX
        {"", "$CLI filter align0.wav out.wav", Err(kWrong, "align0.wav")},
        {"", "$CLI filter align4.wav out.wav", Err(kWrong, "align4.wav")},
        {"", "$CLI filter stereo.wav out.wav",
         "ファイル名: stereo.wav\nフォーマットID: 1\nリニアPCM形式\nチャネル数: 2\n"
         "サンプリング周波数: 8000\n量子化ビット数: 16\nサンプル数: 2\n"
         "モノラルでないため扱えません\n"},
        {"", "$CLI filter 24.wav out.wav",
         "ファイル名: 24.wav\nフォーマットID: 1\nリニアPCM形式\nチャネル数: 1\n"
         "サンプリング周波数: 8000\n量子化ビット数: 24\nサンプル数: 3\n"
         "サンプルビット数が8あるいは16でないため扱えません\n"},
        // Declares almost 4 GiB over 11 bytes: the five samples present are filtered, in
        // memory that follows the file, not the header.
        {"", std::string(kAddressSanitizer ? "" : "ulimit -v 500000; ") +
                 "$CLI filter huge.wav x.wav >/dev/null && cmp x.wav five.wav && rm x.wav", ""},
        // A full disk, outside the process: the existing file stays, no temporary file.
        {"mkdir disk",
         "unshare -m sh -c 'mount -t tmpfs -o size=4k none disk || exit 77; echo keep >disk/o; "
         "$CLI filter in.wav disk/o; s=$?; ls -A disk >&2; cat disk/o >&2; exit $s'",
         Err("can't write", "disk/o") + "o\nkeep\n"}};
    // Outputs, for the file run and the text export alike.
    const char* lock = "mkdir locked && cp in.wav locked && chmod 666 locked/* && chmod 555 locked";
    for (const auto& [setup, prefix, out, what] :
         {std::tuple("", "ulimit -f 1;", "out.wav", "can't write"),
          {"", "ulimit -f 1;", "in.wav", "can't write"}, {lock, "nobody", "locked/in.wav", kOpen},
          {lock, "cd locked && nobody", "in.wav", kOpen}, {"mkdir dir", "", "dir", kOpen},
          {"mkdir dir", "", "dir/", kOpen}, {"mkfifo fifo", "", "fifo", kOpen},
          {"mkfifo fifo && ln -s fifo link", "", "link", kOpen},
          {"ln -s nowhere/x.wav link", "", "link", kOpen}, {"", "", "no/out.wav", kOpen}}) {
        for (const char* command : {" $CLI filter in.wav ", " $CLI demo -o "})
            faults.emplace_back(setup, (std::string(prefix) += command) += out, Err(what, out));
    }

    Bytes huge = MakeWav({}, Samples16({10, 20, 30, 40, 50}), 0xFFFFFFFEu);
    huge.push_back(0x55);
    for (const auto& [setup, command, err] : faults) {
        const TempDir dir;
        for (const auto& [name, wav] : {std::pair("in.wav", MakeWav({}, Bytes(40000, 7))),
                                        {"out.wav", Bytes{'k', 'e', 'e', 'p'}}, {"huge.wav", huge},
                                        {"five.wav", MakeWav({}, Samples16({10, 20, 30, 40, 50}))},
                                        {"align0.wav", MakeWav({1, 1, 8000, 16, 0}, Bytes(8))},
                                        {"align4.wav", MakeWav({1, 1, 8000, 16, 4}, Bytes(8))},
                                        {"stereo.wav", MakeWav({1, 2, 8000, 16}, Bytes(8))},
                                        {"24.wav", MakeWav({1, 1, 8000, 24}, Bytes(9))}})
            WriteFile(dir / name, wav);
        ASSERT_EQ(Shell(dir.Path(), setup.empty() ? "true" : setup).status, 0) << setup;
        const auto before = Snapshot(dir.Path());
        const Outcome o = Shell(dir.Path(), command);
        if (o.status == 77) // a private tmpfs needs CAP_SYS_ADMIN; the file-size limit stays
            continue;
        EXPECT_EQ(std::tuple(o.status, o.err), std::tuple(err.empty() ? 0 : 1, err)) << command;
        EXPECT_EQ(Snapshot(dir.Path()), before) << command;
    }
}

} // namespace
} // namespace ravelin
