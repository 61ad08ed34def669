// ravelin-cli as a script uses it: exit status, stdout, stderr and files. The file run
// and the export themselves are tested in the engine tests.
#include "TestSupport.h"

#include "files/TextExport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <sys/wait.h>

namespace ravelin {
namespace {

using namespace test;

struct Outcome {
    int status = -1;
    std::string out, err;
};

class Cli : public testing::Test {
protected:
    // Runs the tool in the test's folder through the shell: shell, when given, comes
    // first (a limit), and args may redirect its standard output elsewhere.
    Outcome Run(const std::string& args, const std::string& shell = "")
    {
        const std::string command = "cd '" + dir.Path() + "' && " + shell + " timeout 20 '" +
                                    RAVELIN_CLI + "' >'" + streams / "out" + "' 2>'" +
                                    streams / "err" + "' </dev/null " + args;
        const int raw = std::system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadText(streams / "out"),
                ReadText(streams / "err")};
    }

    const TempDir dir, streams;
};

TEST_F(Cli, HelpVersionAndPresets)
{
    for (const char* args : {"--help", "filter --help", "demo --help", "presets --help"})
        EXPECT_TRUE(Run(args).out.starts_with("Usage: ravelin-cli")) << args;
    EXPECT_EQ(Run("--version").out, "ravelin-cli 1.0\n");
    const Outcome presets = Run("presets");
    EXPECT_EQ(presets.status, 0);
    EXPECT_NE(presets.out.find("   8  lpf4       低域通過フィルタ1/4\n"), std::string::npos);
    EXPECT_NE(presets.out.find("  11  user3      ユーザ設定３タップ係数フィルタ\n"), std::string::npos);
}

// Exit 2 with one line on stderr that names the problem, nothing else, no file.
TEST_F(Cli, UsageErrorsExitTwoWithOneLine)
{
    WriteFile(dir / "in.wav", MakeWav({}, Samples16({1, 2})));
    for (const auto& [args, word] : {std::pair("", "missing command"), {"bogus", "'bogus'"},
                                     {"filter --bogus in.wav out.wav", "'--bogus'"},
                                     {"filter --preset 12 in.wav out.wav", "'12'"},
                                     {"filter --taps 0,1 in.wav out.wav", "'0,1'"},
                                     {"filter --taps 0,1,8193 in.wav out.wav", "'8193'"},
                                     {"filter --coefs 0,0,2.0001 in.wav out.wav", "'2.0001'"},
                                     {"filter --coefs nan,0,0 in.wav out.wav", "'nan'"},
                                     {"filter in.wav out.wav --preset", "'--preset'"},
                                     {"filter in.wav", "INPUT.wav and OUTPUT.wav"},
                                     {"filter in.wav ''", "empty file name"},
                                     {"demo --input 7", "'7'"}, {"presets extra", "'extra'"}}) {
        const Outcome o = Run(args);
        EXPECT_EQ(o.status, 2) << args;
        EXPECT_TRUE(o.err.starts_with("ravelin-cli: ") && o.err.find(word) != std::string::npos &&
                    std::count(o.err.begin(), o.err.end(), '\n') == 1 && o.out.empty())
            << args << ": " << o.err;
    }
    EXPECT_EQ(dir.List(), std::vector<std::string>{"in.wav"});
}

TEST_F(Cli, FilterWritesOrFailsWithExitOne)
{
    const Bytes wav = MakeWav({1, 1, 22050, 16}, Samples16({100, -200, 300, 0}));
    WriteFile(dir / "in.wav", wav);
    Outcome o = Run("filter in.wav same.wav");
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.out.find("サンプリング周波数: 22050\n"), std::string::npos) << o.out;
    EXPECT_EQ(ReadBytes(dir / "same.wav"), wav);
    // y[n] = x[n] - 2 x[n-1]: the later entry for tap 1 wins.
    EXPECT_EQ(Run("filter --preset user3 --taps 0,1,1 --coefs=1,0.5,-2 in.wav user.wav").status, 0);
    EXPECT_EQ(ReadBytes(dir / "user.wav"), MakeWav({1, 1, 22050, 16}, Samples16({100, -400, 700, -600})));

    o = Run("filter --preset delay5 missing.wav x.wav");
    EXPECT_EQ(std::tuple(o.status, o.out, o.err), std::tuple(1, "", "error .... can't open the file [missing.wav]\n"));
    // Past a file-size limit the tool is not killed: exit 1 and the old file stays.
    WriteFile(dir / "big.wav", MakeWav({}, Bytes(40000, 1)));
    o = Run("filter big.wav same.wav", "ulimit -f 8;");
    EXPECT_EQ(std::tuple(o.status, o.err), std::tuple(1, "error .... can't write the file [same.wav]\n"));
    EXPECT_EQ(ReadBytes(dir / "same.wav"), wav);
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"big.wav", "in.wav", "same.wav", "user.wav"}));

    // Text that never reached standard output is a failure, not a silent success.
    for (const char* args : {"presets", "demo", "filter in.wav x.wav"}) {
        o = Run(std::string(args) + " >/dev/full");
        EXPECT_EQ(std::tuple(o.status, o.err), std::tuple(1, "ravelin-cli: can't write the standard output\n"));
    }
}

TEST_F(Cli, DemoMatchesTheDesktopExport)
{
    EXPECT_EQ(Run("demo --preset ma5 --input impulse2 -o ma.txt").status, 0);
    EXPECT_EQ(ReadText(dir / "ma.txt"),
              FormatTextExport(Finished(FILTER_MA5, INPUT_IMPULSE2), TextEncoding::ShiftJis, "\r\n"));
    EXPECT_EQ(Run("demo --preset 5 --input 0").out,
              FormatTextExport(Finished(FILTER_LAG2, INPUT_IMPULSE), TextEncoding::Utf8, "\n"));
    EXPECT_EQ(Run("demo").out, FormatTextExport(Finished(FILTER_PASS, INPUT_TEST), TextEncoding::Utf8, "\n"));
    for (const char* args : {"demo --preset lpf4 --input test", "demo --input file"}) {
        const Outcome o = Run(args);
        EXPECT_EQ(o.status, 1) << args;
        EXPECT_NE(o.err.find("is not a demonstration pair"), std::string::npos) << o.err;
    }
    const Outcome o = Run("demo -o no/such/folder.txt");
    EXPECT_EQ(std::tuple(o.status, o.err), std::tuple(1, "error .... can't open the file [no/such/folder.txt]\n"));
}

} // namespace
} // namespace ravelin
