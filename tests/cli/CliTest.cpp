// ravelin-cli as a script uses it: exit status, stdout, stderr and files.
#include "TestSupport.h"

#include "engine/RavelinDoc.h"
#include "files/TextExport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>

namespace ravelin {
namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

class Cli : public testing::Test {
protected:
    Outcome Run(const std::string& args)
    {
        const auto out = dir / "stdout";
        const auto err = dir / "stderr";
        const std::string command = std::string("'") + RAVELIN_CLI + "' " + args + " >'" +
                                    out.string() + "' 2>'" + err.string() + "' </dev/null";
        const int raw = std::system(command.c_str());
        Outcome o;
        o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        o.out = test::ReadFileText(out);
        o.err = test::ReadFileText(err);
        std::filesystem::remove(out);
        std::filesystem::remove(err);
        return o;
    }
    std::string Path(const std::string& name) const { return (dir / name).string(); }

    test::TempDir dir;
};

TEST_F(Cli, HelpVersionAndPresets)
{
    for (const char* args : {"--help", "filter --help", "demo --help", "presets --help"}) {
        const Outcome o = Run(args);
        EXPECT_EQ(o.status, 0) << args;
        EXPECT_NE(o.out.find("Usage: ravelin-cli"), std::string::npos) << args;
    }
    EXPECT_EQ(Run("--version").out, "ravelin-cli 1.0\n");

    const Outcome presets = Run("presets");
    EXPECT_EQ(presets.status, 0);
    EXPECT_NE(presets.out.find("   8  lpf4       低域通過フィルタ1/4\n"), std::string::npos);
    EXPECT_NE(presets.out.find("  11  user3      ユーザ設定３タップ係数フィルタ\n"), std::string::npos);
}

TEST_F(Cli, UsageErrorsExitTwoAndWriteNothing)
{
    const std::string in = Path("in.wav");
    test::WriteFileBytes(in, test::MakeWav({1, 1, 8000, 16}, test::Samples16({1, 2})));
    const std::string out = Path("out.wav");
    const char* wrong[] = {
        "",
        "frobnicate",
        "filter --bogus IN OUT",
        "filter --preset lpf5 IN OUT",
        "filter --preset 12 IN OUT",
        "filter --taps 0,1,8193 IN OUT",
        "filter --taps 0,1,-1 IN OUT",
        "filter --taps 0,1.5,2 IN OUT",
        "filter --taps 0,1 IN OUT",
        "filter --coefs 0,0,2.0001 IN OUT",
        "filter --coefs 0,x,1 IN OUT",
        "filter --coefs 0,nan,1 IN OUT",
        "filter IN",
        "filter IN OUT extra",
        "filter --preset",
        "demo --input file7",
        "demo extra",
        "presets extra",
    };
    for (std::string args : wrong) {
        for (auto at = args.find("IN"); at != std::string::npos; at = args.find("IN"))
            args.replace(at, 2, in);
        for (auto at = args.find("OUT"); at != std::string::npos; at = args.find("OUT"))
            args.replace(at, 3, out);
        const Outcome o = Run(args);
        EXPECT_EQ(o.status, 2) << args;
        EXPECT_TRUE(o.err.starts_with("ravelin-cli: ")) << args << ": " << o.err;
        EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1) << o.err;
        EXPECT_TRUE(o.out.empty()) << args;
    }
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"in.wav"}));
}

TEST_F(Cli, FilterWritesAndReports)
{
    const test::Bytes wav = test::MakeWav({1, 1, 22050, 16}, test::Samples16({100, -200, 300, 0}));
    test::WriteFileBytes(Path("in.wav"), wav);

    Outcome o = Run("filter " + Path("in.wav") + " " + Path("same.wav"));
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.out.find("サンプリング周波数: 22050\n"), std::string::npos) << o.out;
    EXPECT_TRUE(o.err.empty());
    EXPECT_EQ(test::ReadFileBytes(Path("same.wav")), wav);

    o = Run("filter --preset user3 --taps 0,1,1 --coefs=1,0.5,-2 " + Path("in.wav") + " " +
            Path("user.wav"));
    EXPECT_EQ(o.status, 0) << o.err;
    // y[n] = x[n] - 2 x[n-1] (the later entry for tap 1 wins)
    EXPECT_EQ(test::ReadFileBytes(Path("user.wav")),
              test::MakeWav({1, 1, 22050, 16}, test::Samples16({100, -400, 700, -600})));

    o = Run("filter --preset delay5 " + Path("missing.wav") + " " + Path("x.wav"));
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err, "error .... can't open the file [" + Path("missing.wav") + "]\n");

    test::WriteFileBytes(Path("stereo.wav"), test::MakeWav({1, 2, 8000, 16}, test::Bytes(8, 0)));
    o = Run("filter " + Path("stereo.wav") + " " + Path("x.wav"));
    EXPECT_EQ(o.status, 1);
    EXPECT_TRUE(o.err.ends_with("モノラルでないため扱えません\n")) << o.err;
    EXPECT_FALSE(std::filesystem::exists(Path("x.wav")));
}

TEST_F(Cli, DemoMatchesTheDesktopExport)
{
    struct Pair : CRavelinDoc {
        Pair(int f, int i)
        {
            m_nFilterPreset = f;
            m_nInputPreset = i;
            for (int s = 0; s < 20; ++s)
                Advance();
        }
    };
    Outcome o = Run("demo --preset ma5 --input impulse2 -o " + Path("ma.txt"));
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(test::ReadFileText(Path("ma.txt")), FormatTextExport(Pair(3, 1), TextEncoding::ShiftJis, "\r\n"));

    o = Run("demo --preset 5 --input 0");
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, FormatTextExport(Pair(5, 0), TextEncoding::Utf8, "\n"));
    EXPECT_EQ(Run("demo").out, FormatTextExport(Pair(0, 2), TextEncoding::Utf8, "\n"));

    o = Run("demo --preset lpf4 --input test");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("not a demonstration pair"), std::string::npos);
    o = Run("demo --input file");
    EXPECT_EQ(o.status, 1);

    o = Run("demo -o " + Path("no/such/folder.txt"));
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err, "error .... can't open the file [" + Path("no/such/folder.txt") + "]\n");
}

} // namespace
} // namespace ravelin
