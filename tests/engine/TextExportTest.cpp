// The text export: exact bytes, and atomic writing.
#include "files/TextExport.h"

#include "engine/RavelinDoc.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace ravelin {
namespace {

const std::string kCoefTitle = "\x83\x5E\x83\x62\x83\x76\x8C\x57\x90\x94"; // タップ係数
const std::string kCoefHead = "\x8C\x57\x90\x94\x94\xD4\x8D\x86\x81\x40" + kCoefTitle;
const std::string kResultTitle =
    "\x83\x41\x83\x6A\x83\x81\x81\x5B\x83\x56\x83\x87\x83\x93\x82\xCC\x8C\x8B\x89\xCA";
const std::string kResultHead = "\x8E\x9E\x8D\x8F\x81\x40\x93\xFC\x97\xCD\x90\x4D\x8D\x86\x81\x40"
                                "\x8F\x6F\x97\xCD\x90\x4D\x8D\x86";

// A document after the 20 steps of a demonstration pair.
struct Finished : CRavelinDoc {
    Finished(int filter, int input)
    {
        m_nFilterPreset = filter;
        m_nInputPreset = input;
        for (int i = 0; i < 20; ++i)
            Advance();
    }
};

TEST(TextExport, PassThroughWithUnitImpulse)
{
    std::string expected = kCoefTitle + "\r\n" + kCoefHead + "\r\n";
    expected += "       0     1.00000\r\n";
    for (int k = 1; k < 10; ++k)
        expected += "       " + std::to_string(k) + "     0.00000\r\n";
    expected += "\r\n" + kResultTitle + "\r\n" + kResultHead + "\r\n";
    expected += "  -1     0.000     0.000\r\n";
    expected += "   0     1.000     1.000\r\n";
    for (int t = 1; t <= 18; ++t) {
        char line[64];
        std::snprintf(line, sizeof line, "%4d     0.000     0.000\r\n", t);
        expected += line;
    }

    test::TempDir dir;
    const auto path = dir / "result";
    EXPECT_EQ(WriteTextExport(Finished(0, 0), path.string()), "");
    EXPECT_EQ(test::ReadFileText(path), expected);
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"result"})); // no extension added
}

TEST(TextExport, EchoWithTestSignal)
{
    const std::string text = FormatTextExport(Finished(2, 2), TextEncoding::ShiftJis, "\r\n");
    EXPECT_NE(text.find("\r\n       0     0.80000\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n       5     0.20000\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n   1    -0.500    -0.400\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n   9     0.000    -0.100\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n  11     0.000     0.050\r\n"), std::string::npos);
    EXPECT_TRUE(text.ends_with("\r\n  18     0.000     0.000\r\n"));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 35);

    const std::string console = FormatTextExport(Finished(2, 2), TextEncoding::Utf8, "\n");
    EXPECT_TRUE(console.starts_with("タップ係数\n係数番号　タップ係数\n"));
    EXPECT_NE(console.find("\n\nアニメーションの結果\n時刻　入力信号　出力信号\n  -1"), std::string::npos);
}

TEST(TextExport, FailuresKeepTheExistingFile)
{
    test::TempDir dir;
    test::ScriptedPrompts prompts;
    const Finished doc(3, 1);

    prompts.savePath = (dir / "no" / "x.txt").string();
    EXPECT_EQ(RunTextExport(doc, prompts), RunResult::Failed);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, "error .... can't open the file [" + *prompts.savePath + "]\n");
    EXPECT_EQ(prompts.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(prompts.titles.at(0), "アニメーション結果の*.txtへの保存");

    std::filesystem::create_directory(dir / "folder");
    prompts.messages.clear();
    prompts.savePath = (dir / "folder").string();
    EXPECT_EQ(RunTextExport(doc, prompts), RunResult::Failed);
    EXPECT_EQ(prompts.messages.at(0).text, "error .... can't open the file [" + *prompts.savePath + "]\n");
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"folder"}));

    prompts.messages.clear();
    prompts.savePath.reset();
    EXPECT_EQ(RunTextExport(doc, prompts), RunResult::Cancelled);
    EXPECT_TRUE(prompts.messages.empty());

    test::WriteFileBytes(dir / "old.txt", {'o', 'l', 'd'});
    prompts.savePath = (dir / "old.txt").string();
    EXPECT_EQ(RunTextExport(doc, prompts), RunResult::Done);
    EXPECT_EQ(test::ReadFileText(dir / "old.txt"), FormatTextExport(doc, TextEncoding::ShiftJis, "\r\n"));
}

} // namespace
} // namespace ravelin
