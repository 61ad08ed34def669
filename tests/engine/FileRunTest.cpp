// The file run and the text export end to end through scripted dialogs. Their faults
// are tested through ravelin-cli, save those that happen while a dialog is open.
#include "files/FileRun.h"
#include "files/TextExport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <sys/stat.h>

namespace ravelin {
namespace {

using namespace test;

// The file run from in to out through a one-tap filter of the given gain.
RunResult FileRun(ScriptedPrompts& p, const std::string& in, const std::string& out, double k = 1)
{
    CRavelinDoc doc;
    doc.m_nFilterPreset = kFilterUser3;
    doc.m_nUserTap = {0, 0, 0};
    doc.m_dUserCoef = {0.0, 0.0, k};
    p.openPath = in;
    p.savePath = out;
    const RunResult result = RunFileFilter(doc, p);
    EXPECT_EQ(doc.m_nRunMode, 0);
    return result;
}

TEST(FileRun, PassThroughIsByteIdentical)
{
    const TempDir dir;
    const std::string in = dir / "in.wav", out = dir / "out.wav";
    ScriptedPrompts p;
    WriteFile(in, MakeWav({1, 1, 44100, 16}, Samples16({0, 1, -1, 32767, -32768, 1234})));
    ASSERT_EQ(FileRun(p, in, out), RunResult::Done);
    EXPECT_EQ(ReadBytes(out), ReadBytes(in));
    EXPECT_EQ(p.shown, "入力ファイル情報|0|ファイル名: " + in +
                           "\nフォーマットID: 1\nリニアPCM形式\nチャネル数: 1\n"
                           "サンプリング周波数: 44100\n量子化ビット数: 16\nサンプル数: 6\n\n" +
                           out + "|0|ファイル保存が終了しました\n");
    EXPECT_EQ(p.titles, (std::vector<std::string>{"モノラル*.wavの読み込み", "*.wavへの保存"}));

    // Eight bits, and other format tags, which are filtered as PCM too; only 1 is named.
    const std::pair<Bytes, std::string> others[] = {
        {MakeWav({1, 1, 8000, 8}, {0, 1, 127, 128, 129, 255}), "1\nリニアPCM形式"},
        {MakeWav({3, 1, 8000, 16}, Samples16({5, 6})), "3"},
        {MakeWav({-2, 1, 8000, 16}, Samples16({5, 6})), "-2"}};
    for (const auto& [wav, id] : others) {
        WriteFile(in, wav);
        ASSERT_EQ(FileRun(p, in, out), RunResult::Done);
        EXPECT_EQ(ReadBytes(out), wav);
        EXPECT_NE(p.shown.find("\nフォーマットID: " + id + "\nチャネル数: 1\n"), std::string::npos);
    }
}

TEST(FileRun, ClampsAndTruncatesTowardZeroOverTheInput)
{
    const TempDir dir;
    const std::string in = dir / "in.wav";
    ScriptedPrompts p;
    // x 1.5: 30000 -> 32767, -30000 -> -32768, 3 -> 4.5 -> 4, -3 -> -4.5 -> -4
    WriteFile(in, MakeWav({}, Samples16({30000, -30000, 3, -3, 0})));
    ASSERT_EQ(FileRun(p, in, in, 1.5), RunResult::Done);
    EXPECT_EQ(ReadBytes(in), MakeWav({}, Samples16({32767, -32768, 4, -4, 0})));
    // Eight bits around 128: 127 -> 127, -128 -> -128, 3 -> 4, -3 -> -4
    WriteFile(in, MakeWav({1, 1, 8000, 8}, {255, 0, 131, 125, 128}));
    ASSERT_EQ(FileRun(p, in, in, 1.5), RunResult::Done);
    EXPECT_EQ(ReadBytes(in), MakeWav({1, 1, 8000, 8}, {255, 0, 132, 124, 128}));
    EXPECT_EQ(dir.List(), std::vector<std::string>{"in.wav"});
}

TEST(FileRun, ThroughALinkAndFromAReplacedInput)
{
    const TempDir dir;
    const std::string in = dir / "in.wav", target = dir / "real/target.wav";
    WriteFile(in, MakeWav({}, Samples16({7, -9})));
    fs::create_directory(dir / "real");
    WriteFile(target, {'o', 'l', 'd'});
    fs::permissions(target, fs::perms(0640));
    fs::create_symlink("real/target.wav", dir / "link.wav");
    // The file a link names gets the output and keeps its mode; the link stays.
    ScriptedPrompts p;
    ASSERT_EQ(FileRun(p, in, dir / "link.wav"), RunResult::Done);
    EXPECT_EQ(ReadBytes(target), ReadBytes(in));
    EXPECT_TRUE(fs::is_symlink(dir / "link.wav"));
    EXPECT_EQ(fs::status(target).permissions(), fs::perms(0640));
    EXPECT_EQ(std::distance(fs::recursive_directory_iterator(dir.Path()), {}), 4); // nothing else

    // Replaced by another file after its header was read: the run goes on with the file
    // it opened, so the output matches the information shown.
    WriteFile(dir / "other.wav", MakeWav({}, Samples16({1})));
    p.whileSave = [&] { fs::rename(dir / "other.wav", in); };
    ASSERT_EQ(FileRun(p, in, dir / "out.wav"), RunResult::Done);
    EXPECT_EQ(ReadBytes(dir / "out.wav"), ReadBytes(target));
}

TEST(FileRun, CancelsWriteNothing)
{
    const TempDir dir;
    WriteFile(dir / "in.wav", MakeWav({}, Samples16({1, 2, 3})));
    CRavelinDoc doc;
    doc.m_nFilterPreset = kFilterLpf4;
    ScriptedPrompts p;
    EXPECT_EQ(RunFileFilter(doc, p), RunResult::Cancelled); // no input chosen
    EXPECT_EQ(doc.m_filter.Length(), 511);                  // but the preset is loaded
    p.openPath = dir / "in.wav";
    EXPECT_EQ(RunFileFilter(doc, p), RunResult::Cancelled); // no output chosen
    const std::string info = p.shown;
    p.savePath = dir / "out.wav";
    p.cancelAt = 0;
    EXPECT_EQ(RunFileFilter(doc, p), RunResult::Cancelled); // the progress
    EXPECT_TRUE(info.starts_with("入力ファイル情報|0|") && p.shown == info + info);
    EXPECT_EQ(doc.m_nRunMode, 0);
    EXPECT_EQ(dir.List(), std::vector<std::string>{"in.wav"});
}

// The file form written out: Shift_JIS labels, CR LF; tap k's value taps[k] (else 0),
// then time t's input and output rows[t] (else both 0).
std::string ExportFile(std::map<int, const char*> taps, std::map<int, const char*> rows)
{
    const std::string title = "\x83\x5E\x83\x62\x83\x76\x8C\x57\x90\x94"; // タップ係数
    std::string s = title + "\r\n\x8C\x57\x90\x94\x94\xD4\x8D\x86\x81\x40" + title + "\r\n";
    for (int k = 0; k < 10; ++k)
        s += "       " + std::to_string(k) + "     " + (taps[k] ? taps[k] : "0.00000") + "\r\n";
    s += "\r\n\x83\x41\x83\x6A\x83\x81\x81\x5B\x83\x56\x83\x87\x83\x93\x82\xCC\x8C\x8B\x89\xCA\r\n"
         "\x8E\x9E\x8D\x8F\x81\x40\x93\xFC\x97\xCD\x90\x4D\x8D\x86\x81\x40\x8F\x6F\x97\xCD\x90"
         "\x4D\x8D\x86\r\n";
    for (int t = -1; t <= 18; ++t) {
        const std::string time = std::to_string(t);
        s += std::string(4 - time.size(), ' ') + time +
             (rows[t] ? rows[t] : "     0.000     0.000") + "\r\n";
    }
    return s;
}

TEST(TextExport, ExactBytesOfTwoPairs)
{
    const TempDir dir;
    const std::string path = dir / "result";
    EXPECT_EQ(WriteTextExport(Finished(kFilterPass, kInputImpulse), path), "");
    EXPECT_EQ(ReadText(path), ExportFile({{0, "1.00000"}}, {{0, "     1.000     1.000"}}));
    EXPECT_EQ(dir.List(), std::vector<std::string>{"result"}); // no extension added

    ScriptedPrompts p; // through the command, over the existing file
    p.savePath = path;
    EXPECT_EQ(RunTextExport(Finished(kFilterEcho5, kInputTest), p), RunResult::Done);
    EXPECT_EQ(p.shown, "");
    EXPECT_EQ(p.titles, std::vector<std::string>{"アニメーション結果の*.txtへの保存"});
    const char* one = "     1.000     0.800";
    const char* half = "    -0.500    -0.400";
    EXPECT_EQ(ReadText(path), ExportFile({{0, "0.80000"}, {5, "0.20000"}},
                                         {{0, one}, {1, half}, {3, one}, {4, half},
                                          {5, "     0.000     0.200"}, {6, "     0.250     0.100"},
                                          {8, "     0.000     0.200"}, {9, "     0.000    -0.100"},
                                          {11, "     0.000     0.050"}}));

    // The console form: UTF-8 and LF.
    const Finished echo(kFilterEcho5, kInputTest);
    const std::string text = FormatTextExport(echo, TextEncoding::Utf8, "\n");
    EXPECT_TRUE(text.starts_with("タップ係数\n係数番号　タップ係数\n       0     0.80000\n"));
    EXPECT_NE(text.find("\n\nアニメーションの結果\n時刻　入力信号　出力信号\n  -1"), text.npos);
}

// The input changes while a dialog is open: removed, replaced by a folder or a FIFO once
// chosen, or cut short after its header was read. Refused with the one message (after
// the information, maybe), and the existing output stays.
TEST(FileRunFault, InputChangedWhileADialogIsOpen)
{
    using Change = std::function<void(const std::string&)>;
    for (const auto& [afterHeader, change] :
         {std::pair<bool, Change>(false, [](auto& in) { fs::remove(in); }),
          {false, [](auto& in) { fs::remove(in), fs::create_directory(in); }},
          {false, [](auto& in) { fs::remove(in), ::mkfifo(in.c_str(), 0644); }},
          {true, [](auto& in) { fs::resize_file(in, 100); }}}) {
        const TempDir dir;
        const std::string in = dir / "in.wav", out = dir / "out.wav";
        WriteFile(in, MakeWav({}, Bytes(40000, 7)));
        WriteFile(out, {'k', 'e', 'e', 'p'});
        ScriptedPrompts p;
        (afterHeader ? p.whileSave : p.whileOpen) = [&] { change(in); };
        EXPECT_EQ(FileRun(p, in, out), RunResult::Refused);
        const std::string error = "|1|error .... can't open the file [" + in + "]\n\n";
        EXPECT_TRUE(p.shown == error || (afterHeader && p.shown.ends_with("\n" + error)))
            << p.shown;
        const auto names = dir.List(); // no file beside them, and the output as it was
        EXPECT_TRUE(names.size() <= 2 && names.back() == "out.wav" && ReadText(out) == "keep");
    }
}

} // namespace
} // namespace ravelin
