// The file run end to end, through scripted dialogs.
#include "files/FileRun.h"

#include "engine/RavelinDoc.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace ravelin {
namespace {

using test::Bytes;
using test::ScriptedPrompts;

class FileRun : public testing::Test {
protected:
    std::string Input(const Bytes& wav, const std::string& name = "in.wav")
    {
        const auto p = dir / name;
        test::WriteFileBytes(p, wav);
        return p.string();
    }

    RunResult Run(const std::string& in, const std::string& out, int preset = FILTER_PASS)
    {
        doc.m_nFilterPreset = preset;
        doc.m_nInputPreset = INPUT_FILE;
        prompts.openPath = in;
        prompts.savePath = out;
        const RunResult r = RunFileFilter(doc, prompts);
        EXPECT_EQ(doc.m_nRunMode, 0);
        return r;
    }

    // The single error box of a refused or failed run.
    std::string OnlyError() const
    {
        EXPECT_EQ(prompts.messages.size(), 1u);
        if (prompts.messages.empty())
            return {};
        EXPECT_EQ(prompts.messages.back().icon, MessageIcon::Error);
        return prompts.messages.back().text;
    }

    test::TempDir dir;
    CRavelinDoc doc;
    ScriptedPrompts prompts;
};

TEST_F(FileRun, PassThroughIsByteIdentical)
{
    const Bytes wav16 = test::MakeWav({1, 1, 44100, 16}, test::Samples16({0, 1, -1, 32767, -32768, 1234}));
    const std::string in = Input(wav16);
    const std::string out = (dir / "out.wav").string();
    ASSERT_EQ(Run(in, out), RunResult::Done);
    EXPECT_EQ(test::ReadFileBytes(out), wav16);

    ASSERT_EQ(prompts.messages.size(), 2u);
    EXPECT_EQ(prompts.messages[0].text, "ファイル名: " + in +
                                            "\nフォーマットID: 1\nリニアPCM形式\nチャネル数: 1\n"
                                            "サンプリング周波数: 44100\n量子化ビット数: 16\nサンプル数: 6\n");
    EXPECT_EQ(prompts.messages[0].caption, "入力ファイル情報");
    EXPECT_EQ(prompts.messages[0].icon, MessageIcon::None);
    EXPECT_EQ(prompts.messages[1].text, "ファイル保存が終了しました");
    EXPECT_EQ(prompts.messages[1].caption, out);
    EXPECT_EQ(prompts.titles, (std::vector<std::string>{"モノラル*.wavの読み込み", "*.wavへの保存"}));

    const Bytes wav8 = test::MakeWav({1, 1, 8000, 8}, {0, 1, 127, 128, 129, 255});
    prompts.messages.clear();
    ASSERT_EQ(Run(Input(wav8, "in8.wav"), out), RunResult::Done);
    EXPECT_EQ(test::ReadFileBytes(out), wav8);
}

TEST_F(FileRun, ClampsInsteadOfWrapping)
{
    doc.m_nUserTap = {0, 0, 0};
    doc.m_dUserCoef = {0.0, 0.0, 2.0};
    const std::string out = (dir / "out.wav").string();

    const Bytes in16 = test::MakeWav({1, 1, 8000, 16}, test::Samples16({20000, -20000, 100, -100, 16383}));
    ASSERT_EQ(Run(Input(in16), out, FILTER_USER3), RunResult::Done);
    EXPECT_EQ(test::ReadFileBytes(out),
              test::MakeWav({1, 1, 8000, 16}, test::Samples16({32767, -32768, 200, -200, 32766})));

    const Bytes in8 = test::MakeWav({1, 1, 8000, 8}, {255, 0, 130, 126, 191});
    ASSERT_EQ(Run(Input(in8), out, FILTER_USER3), RunResult::Done);
    // 127*2 -> 255, -128*2 -> 0, 2*2+128, -2*2+128, 63*2+128
    EXPECT_EQ(test::ReadFileBytes(out), test::MakeWav({1, 1, 8000, 8}, {255, 0, 132, 124, 254}));
}

TEST_F(FileRun, TruncatesTowardZero)
{
    doc.m_nUserTap = {0, 0, 0};
    doc.m_dUserCoef = {0.0, 0.0, 0.5};
    const std::string out = (dir / "out.wav").string();
    ASSERT_EQ(Run(Input(test::MakeWav({1, 1, 8000, 16}, test::Samples16({3, -3, 1, -1}))), out,
                  FILTER_USER3),
              RunResult::Done);
    EXPECT_EQ(test::ReadFileBytes(out), test::MakeWav({1, 1, 8000, 16}, test::Samples16({1, -1, 0, 0})));
}

TEST_F(FileRun, RefusalsWithTheirMessages)
{
    const std::string out = (dir / "out.wav").string();

    const std::string stereo = Input(test::MakeWav({1, 2, 8000, 16}, Bytes(8, 0)), "stereo.wav");
    EXPECT_EQ(Run(stereo, out), RunResult::Refused);
    EXPECT_EQ(OnlyError(), "ファイル名: " + stereo +
                               "\nフォーマットID: 1\nリニアPCM形式\nチャネル数: 2\nサンプリング周波数: 8000\n"
                               "量子化ビット数: 16\nサンプル数: 2\nモノラルでないため扱えません");

    prompts.messages.clear();
    const std::string pcm24 = Input(test::MakeWav({1, 1, 8000, 24}, Bytes(9, 0)), "24.wav");
    EXPECT_EQ(Run(pcm24, out), RunResult::Refused);
    EXPECT_TRUE(OnlyError().ends_with("量子化ビット数: 24\nサンプル数: 3\n"
                                      "サンプルビット数が8あるいは16でないため扱えません"));

    prompts.messages.clear();
    Bytes rifx = test::MakeWav({1, 1, 8000, 16}, Bytes(4, 0));
    rifx[3] = 'X';
    const std::string bad = Input(rifx, "rifx.wav");
    EXPECT_EQ(Run(bad, out), RunResult::Refused);
    EXPECT_EQ(OnlyError(), "error .... found wrong WAVE format in the file [" + bad + "]\n");

    for (int align : {0, 4}) {
        prompts.messages.clear();
        test::Format f{1, 1, 8000, 16};
        f.blockAlign = static_cast<std::int16_t>(align);
        const std::string odd = Input(test::MakeWav(f, Bytes(8, 0)), "align.wav");
        EXPECT_EQ(Run(odd, out), RunResult::Refused);
        EXPECT_EQ(OnlyError(), "error .... found wrong WAVE format in the file [" + odd + "]\n")
            << "block align " << align;
    }

    prompts.messages.clear();
    const std::string missing = (dir / "missing.wav").string();
    EXPECT_EQ(Run(missing, out), RunResult::Refused);
    EXPECT_EQ(OnlyError(), "error .... can't open the file [" + missing + "]\n");

    prompts.messages.clear();
    EXPECT_EQ(Run(dir.Path().string(), out), RunResult::Refused); // a folder is no input
    EXPECT_EQ(OnlyError(), "error .... can't open the file [" + dir.Path().string() + "]\n");

    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(FileRun, OtherFormatTagsAreProcessed)
{
    const std::string out = (dir / "out.wav").string();
    for (const auto& [tag, shown] : {std::pair<std::int16_t, std::string>{3, "3"}, {-2, "-2"}}) {
        prompts.messages.clear();
        const Bytes wav = test::MakeWav({tag, 1, 8000, 16}, test::Samples16({5, 6}));
        ASSERT_EQ(Run(Input(wav), out), RunResult::Done);
        EXPECT_EQ(test::ReadFileBytes(out), wav);
        const std::string info = prompts.messages.at(0).text;
        EXPECT_NE(info.find("フォーマットID: " + shown + "\n"), std::string::npos) << info;
        EXPECT_EQ(info.find("リニアPCM形式"), std::string::npos);
    }
}

TEST_F(FileRun, OutputMayBeTheInput)
{
    doc.m_nUserTap = {0, 0, 0};
    doc.m_dUserCoef = {0.0, 0.0, -1.0};
    const std::string in = Input(test::MakeWav({1, 1, 8000, 16}, test::Samples16({7, -9})));
    ASSERT_EQ(Run(in, in, FILTER_USER3), RunResult::Done);
    EXPECT_EQ(test::ReadFileBytes(in), test::MakeWav({1, 1, 8000, 16}, test::Samples16({-7, 9})));
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"in.wav"}));
}

TEST_F(FileRun, UnwritableOutputLeavesNothingBehind)
{
    const Bytes wav = test::MakeWav({1, 1, 8000, 16}, test::Samples16({1, 2, 3}));
    const std::string in = Input(wav);

    const std::string noFolder = (dir / "no" / "out.wav").string();
    EXPECT_EQ(Run(in, noFolder), RunResult::Failed);
    EXPECT_EQ(prompts.messages.back().text, "error .... can't open the file [" + noFolder + "]\n");
    EXPECT_EQ(prompts.messages.back().icon, MessageIcon::Error);

    // A folder at the output path is never replaced.
    std::filesystem::create_directory(dir / "taken");
    const std::string folder = (dir / "taken").string();
    prompts.messages.clear();
    EXPECT_EQ(Run(in, folder), RunResult::Failed);
    EXPECT_EQ(prompts.messages.back().text, "error .... can't open the file [" + folder + "]\n");
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"in.wav", "taken"}));
    EXPECT_EQ(test::ReadFileBytes(in), wav);
}

TEST_F(FileRun, CancelsWriteNothing)
{
    const std::string in = Input(test::MakeWav({1, 1, 8000, 16}, test::Samples16({1, 2, 3})));
    const std::string out = (dir / "out.wav").string();

    doc.m_nFilterPreset = FILTER_LPF4;
    prompts.openPath.reset();
    EXPECT_EQ(RunFileFilter(doc, prompts), RunResult::Cancelled);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(doc.m_filter.Length(), 511); // the preset is loaded before the dialog

    prompts.openPath = in;
    prompts.savePath.reset();
    EXPECT_EQ(RunFileFilter(doc, prompts), RunResult::Cancelled);
    EXPECT_EQ(prompts.messages.size(), 1u); // the information box only

    prompts.savePath = out;
    prompts.cancelAt = 0;
    EXPECT_EQ(RunFileFilter(doc, prompts), RunResult::Cancelled);
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"in.wav"}));
}

TEST_F(FileRun, OnlyBytesPresentAreProcessed)
{
    // Declares 4 GiB - 2 of data but holds three samples and a stray byte.
    Bytes wav = test::MakeWav({1, 1, 8000, 16}, test::Samples16({10, 20, 30}));
    wav.push_back(0x55);
    wav[40] = wav[41] = wav[42] = wav[43] = 0xFF;
    wav[40] = 0xFE;
    const std::string out = (dir / "out.wav").string();
    ASSERT_EQ(Run(Input(wav), out), RunResult::Done);
    EXPECT_NE(prompts.messages[0].text.find("サンプル数: 2147483647\n"), std::string::npos);
    EXPECT_EQ(test::ReadFileBytes(out), test::MakeWav({1, 1, 8000, 16}, test::Samples16({10, 20, 30})));
}

TEST_F(FileRun, LongEchoOnSixteenBits)
{
    std::vector<std::int16_t> in(1100, 1000);
    const std::string out = (dir / "out.wav").string();
    ASSERT_EQ(Run(Input(test::MakeWav({1, 1, 8000, 16}, test::Samples16(in))), out, FILTER_ECHO1023),
              RunResult::Done);
    std::vector<std::int16_t> expected(1100, 900);
    for (std::size_t i = 1023; i < expected.size(); ++i)
        expected[i] = 1100;
    EXPECT_EQ(test::ReadFileBytes(out), test::MakeWav({1, 1, 8000, 16}, test::Samples16(expected)));
}

} // namespace
} // namespace ravelin
