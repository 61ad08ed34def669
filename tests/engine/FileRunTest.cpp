// The file run and the text export end to end through scripted dialogs. Their faults
// are tested through ravelin-cli, save those that happen while a dialog is open.
#include "files/FileRun.h"

#include "files/RunSummaries.h"
#include "files/TextExport.h"
#include "support/TestSupport.h"
#include "words/FileCommands.h"
#include "words/Words.h"

#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <tuple>

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
    EXPECT_EQ(doc.m_nRunMode, kRunIdle);
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
    // Eight bits: PassThroughCopiesOnlyAnExactOneTap, and ClipReportInTheCompletionText
    // through these dialogs.
}

// A mono file of two 16-bit samples in the extensible format, whose "fmt " chunk ends
// with the sub-format's first two bytes (1 PCM, 3 floats) and the common GUID tail.
Bytes Extensible(std::uint16_t subFormat)
{
    Bytes b;
    Put(b, "RIFF");
    Put(b, 4 + 48 + 12);
    Put(b, "WAVEfmt ");
    Put(b, 40);
    for (const auto& [value, n] : {std::pair(0xFFFEu, 2),
                                   {1u, 2},
                                   {8000u, 4},
                                   {16000u, 4},
                                   {2u, 2},
                                   {16u, 2},
                                   {22u, 2},
                                   {16u, 2},
                                   {4u, 4},
                                   {subFormat, 2}})
        Put(b, value, n);
    for (const std::uint8_t g :
         {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71})
        b.push_back(g);
    Put(b, "data");
    Put(b, 4);
    const Bytes samples = Samples16({5, -6});
    b.insert(b.end(), samples.begin(), samples.end());
    return b;
}

// Samples that are not linear PCM (A-law, mu-law, ADPCM, floats, the unknown tag 0)
// would come out as noise under their old label: they are refused, with the header
// information and one line, and nothing is written.
TEST(FileRun, OnlyLinearPcmIsFiltered)
{
    const TempDir dir;
    const std::string in = dir / "in.wav", out = dir / "out.wav";
    for (const auto& [name, wav, id] :
         {std::tuple("A-law", MakeWav({6, 1, 8000, 8}, {1, 2}), "6"),
          {"mu-law", MakeWav({7, 1, 8000, 8}, {1, 2}), "7"},
          {"ADPCM", MakeWav({2, 1, 8000, 16}, Samples16({5, 6})), "2"},
          {"floats", MakeWav({3, 1, 8000, 16}, Samples16({5, 6})), "3"},
          {"tag 0", MakeWav({0, 1, 8000, 16}, Samples16({5, 6})), "0"},
          {"extensible floats", Extensible(3), "-2"},
          {"extensible without its extension", MakeWav({-2, 1, 8000, 16}, Samples16({5, 6})),
           "-2"}}) {
        WriteFile(in, wav);
        ScriptedPrompts p;
        EXPECT_EQ(FileRun(p, in, out), RunResult::Refused) << name;
        EXPECT_EQ(p.shown, "|1|ファイル名: " + in + "\nフォーマットID: " + id +
                               "\nチャネル数: 1\nサンプリング周波数: 8000\n量子化ビット数: " +
                               (wav[34] == 8 ? "8" : "16") +
                               "\nサンプル数: 2\nリニアPCM形式でないため扱えません\n")
            << name;
        EXPECT_EQ(dir.List(), std::vector<std::string>{"in.wav"}) << name;
    }
}

// Extensible PCM is linear PCM: filtered, and written with a plain PCM header (tag 1
// in a 16-byte "fmt " chunk), since a 16-byte chunk cannot hold tag 0xFFFE's extension.
TEST(FileRun, ExtensiblePcmComesOutAsPlainPcm)
{
    const TempDir dir;
    const std::string in = dir / "in.wav", out = dir / "out.wav";
    WriteFile(in, Extensible(1));
    ScriptedPrompts p;
    ASSERT_EQ(FileRun(p, in, out), RunResult::Done);
    EXPECT_EQ(ReadBytes(out), MakeWav({1, 1, 8000, 16}, Samples16({5, -6})));
    EXPECT_NE(p.shown.find("フォーマットID: -2\nリニアPCM形式\n"), std::string::npos) << p.shown;
}

// An 8-bit data chunk of odd size is followed by its pad byte, which the RIFF size counts.
TEST(FileRun, OddEightBitOutputHasItsPadByte)
{
    const TempDir dir;
    const std::string in = dir / "in.wav", out = dir / "out.wav";
    Bytes wav = WavHeaderBytes({1, 1, 8000, 8}, 3);
    for (const std::uint8_t b : {1, 2, 3})
        wav.push_back(b);
    WriteFile(in, wav); // no pad byte in the input: the output gets one anyway
    ScriptedPrompts p;
    ASSERT_EQ(FileRun(p, in, out), RunResult::Done);
    const Bytes written = ReadBytes(out);
    ASSERT_EQ(written.size(), 44u + 3 + 1);
    WavHeader header;
    ASSERT_EQ(ReadHeader(written, header), 44);
    EXPECT_EQ(header.DataSize(), 3u);
    EXPECT_EQ(header.RiffSize(), written.size() - 8);
    EXPECT_EQ(written.back(), 0);
}

// A file holding more data than a WAV header can describe (a recording that went on
// past 4 GiB under a header that says "as much as there is") is refused, never cut short
// without a word: the limit here, the words and the files left through ravelin-cli (the
// desktop shows the same refusal as any other, see OnlyLinearPcmIsFiltered). Sparse files.
TEST(FileRun, DataBeyondWhatAHeaderCanDescribeIsRefused)
{
    const TempDir dir;
    const std::string in = dir / "in.wav";
    constexpr std::uint64_t kMost = 0xFFFFFFFFu - 37; // 36 + data + pad fit 32 bits
    WriteFile(in, WavHeaderBytes({1, 1, 8000, 8}, 0xFFFFFFFFu));
    for (const auto& [bytes, accepted] : {std::pair(kMost, true), {kMost + 1, false}}) {
        fs::resize_file(in, 44 + bytes);
        WavInput input;
        ASSERT_EQ(input.Open(in), accepted) << bytes;
        EXPECT_EQ(input.DataBytes(), accepted ? bytes : 0) << bytes;
        EXPECT_EQ(input.Fault(), accepted ? FileFault::None : FileFault::TooLarge);
    }
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
    for (const std::uint64_t at : {0, 3}) { // the progress, at the start and at the end
        p.cancelAt = at;
        EXPECT_EQ(RunFileFilter(doc, p), RunResult::Cancelled) << at;
    }
    EXPECT_TRUE(info.starts_with("入力ファイル情報|0|"));
    EXPECT_TRUE(p.shown == info + info + info);
    EXPECT_EQ(doc.m_nRunMode, kRunIdle);
    EXPECT_EQ(dir.List(), std::vector<std::string>{"in.wav"});
}

// A filter whose memory reaches across block boundaries and whose sums leave the
// sample range, so that both the state and the clamping are seen at every seam; with a
// short reach for data long enough that the long one's plain loop would take too long.
template <int kReach = 700> void LoadSeamFilter(CRavelinDoc& doc)
{
    doc.m_nFilterPreset = kFilterUser3;
    doc.m_nUserTap = {0, 3, kReach};
    doc.m_dUserCoef = {1.25, -0.75, 0.5};
    ASSERT_TRUE(doc.LoadFilePreset());
}
constexpr auto LoadShortSeamFilter = LoadSeamFilter<5>;

// Samples of the given width that swing to full scale now and then: a noise-like
// sequence, the same for every call.
Bytes Swinging(std::size_t samples, int width, unsigned seed = 1)
{
    Bytes b;
    for (std::size_t i = 0; i < samples; ++i) {
        seed = seed * 1103515245u + 12345u;
        const int full = (seed >> 24) % 7 == 0;
        const int v = full ? ((seed >> 8) & 1 ? 32767 : -32768) : int(seed >> 16) % 20000 - 10000;
        if (width == 2)
            Put(b, static_cast<std::uint32_t>(v), 2);
        else
            b.push_back(static_cast<std::uint8_t>((v >> 8) + 128));
    }
    return b;
}

// The reference: Process once per sample, truncation toward zero, clamping; the
// clamped count and the first clamped index beside it, and where each clamped.
Bytes PlainLoop(const Bytes& data, int width, ClipFigures& clip,
                std::vector<std::uint64_t>* clampedAt = nullptr,
                void (*load)(CRavelinDoc&) = LoadSeamFilter<>)
{
    CRavelinDoc doc;
    load(doc);
    const std::size_t n = data.size() / static_cast<std::size_t>(width);
    const double lo = width == 2 ? -32768 : -128, hi = width == 2 ? 32767 : 127;
    Bytes out;
    clip = {};
    for (std::size_t i = 0; i < n; ++i) {
        const double x = width == 2 ? static_cast<std::int16_t>(data[2 * i] | data[2 * i + 1] << 8)
                                    : data[i] - 128.0;
        double y = std::trunc(doc.m_filter.Process(x));
        if (y < lo || y > hi) {
            if (clip.count++ == 0)
                clip.first = i;
            if (clampedAt)
                clampedAt->push_back(i);
            y = std::clamp(y, lo, hi);
        }
        if (width == 2)
            Put(out, static_cast<std::uint32_t>(static_cast<int>(y)), 2);
        else
            out.push_back(static_cast<std::uint8_t>(y + 128));
    }
    return out;
}

// The sample values of whole samples of data (8-bit centred on 0).
std::vector<std::int32_t> SampleValues(const Bytes& data, int width)
{
    std::vector<std::int32_t> v;
    for (std::size_t i = 0; i + static_cast<std::size_t>(width) <= data.size();
         i += static_cast<std::size_t>(width))
        v.push_back(width == 2 ? static_cast<std::int16_t>(data[i] | data[i + 1] << 8)
                               : data[i] - 128);
    return v;
}

TEST(FileRunStream, SameBytesAsThePlainLoopAtEveryBlockBoundary)
{
    const TempDir dir;
    const std::string in = dir / "in.wav", out = dir / "out.wav";
    constexpr std::size_t B = kFileRunBlock;
    for (const int width : {1, 2}) {
        // Up to more blocks than the reader's ring of buffers holds, threads on.
        for (const std::size_t n : {std::size_t{0}, std::size_t{1}, B - 1, B, B + 1, 6 * B + 5}) {
            // 16 bits with an odd byte at the end (declared and present): it is dropped.
            for (const bool oddByte : {false, true}) {
                if (oddByte && width == 1)
                    continue;
                Bytes data = Swinging(n, width, static_cast<unsigned>(n));
                if (oddByte)
                    data.push_back(0x5A);
                const Format format{1, 1, 8000, 8 * width};
                WriteFile(in, MakeWav(format, data));
                ClipFigures clip;
                std::vector<std::uint64_t> clampedAt;
                const Bytes expected = PlainLoop(data, width, clip, &clampedAt);
                for (const bool observed : {false, true}) {
                    CRavelinDoc doc;
                    LoadSeamFilter<>(doc);
                    doc.m_filter.SetThreads(2);
                    RunSummaries seen;
                    const FileRunOutcome o =
                        FilterWavFile(doc.m_filter, in, out, {}, observed ? &seen : nullptr);
                    ASSERT_EQ(o.result, RunResult::Done) << FaultText(o.fault, o.faultPath);
                    EXPECT_EQ(ReadBytes(out), MakeWav(format, expected)) << width << " " << n;
                    EXPECT_EQ(o.samples, n);
                    EXPECT_EQ(std::pair(o.clip.count, o.clip.first),
                              std::pair(clip.count, clip.first));
                    if (!observed)
                        continue;
                    // The summaries made while the run streamed equal those made from
                    // the files afterwards, the output marked where the plain loop clamped.
                    WaveSummary input, output;
                    const std::vector<std::int32_t> x = SampleValues(data, width);
                    const std::vector<std::int32_t> y = SampleValues(expected, width);
                    input.Append(x.data(), x.size());
                    output.Append(y.data(), y.size());
                    for (std::uint64_t i : clampedAt)
                        output.Mark(i);
                    EXPECT_TRUE(seen.Input() == input) << width << " " << n;
                    EXPECT_TRUE(seen.Output() == output) << width << " " << n;
                    EXPECT_EQ(seen.Clipped(), clip.count);
                    EXPECT_EQ(std::tuple(seen.Total(), seen.SampleRate(), seen.Bits()),
                              std::tuple(std::uint64_t{n}, 8000, 8 * width));
                }
            }
        }
    }
    // A file cut short of its declared size: only the samples present, and the header
    // says so. The same in place, over the input, from more than one block.
    Bytes data = Swinging(2 * B + 3, 2);
    WriteFile(in, MakeWav({}, data, static_cast<std::uint32_t>(data.size() + 1000)));
    ClipFigures clip;
    const Bytes expected = MakeWav({}, PlainLoop(data, 2, clip));
    CRavelinDoc doc;
    doc.m_nInputPreset = kInputFile;
    LoadSeamFilter<>(doc);
    ScriptedPrompts p;
    p.openPath = p.savePath = in;
    ASSERT_EQ(RunFileFilter(doc, p), RunResult::Done);
    EXPECT_EQ(ReadBytes(in), expected);
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"in.wav", "out.wav"}));
}

void LoadLowPass(CRavelinDoc& doc)
{
    doc.m_nFilterPreset = kFilterLpf4;
    ASSERT_TRUE(doc.LoadFilePreset());
}

// A dense filter takes the FFT path, in blocks of whole FFT segments rather than of
// kFileRunBlock samples: the plain loop's bytes and clamps all the same, and the
// summaries of every sample.
TEST(FileRunStream, SameBytesInTheFftPathsOwnBlocks)
{
    const TempDir dir;
    const std::string in = dir / "in.wav", out = dir / "out.wav";
    const std::size_t n = 3 * kFileRunBlock + 5;
    const Bytes data = Swinging(n, 2, 11);
    WriteFile(in, MakeWav({}, data));
    ClipFigures clip;
    const Bytes expected = MakeWav({}, PlainLoop(data, 2, clip, nullptr, LoadLowPass));
    ASSERT_GT(clip.count, 0u);
    for (const bool observed : {false, true}) {
        CRavelinDoc doc;
        LoadLowPass(doc);
        EXPECT_LT(doc.m_filter.Anticipate(kFileRunBlock, -32768, 32767), kFileRunBlock);
        RunSummaries seen;
        const FileRunOutcome o =
            FilterWavFile(doc.m_filter, in, out, {}, observed ? &seen : nullptr);
        ASSERT_EQ(o.result, RunResult::Done) << FaultText(o.fault, o.faultPath);
        EXPECT_TRUE(ReadBytes(out) == expected) << "observed " << observed;
        EXPECT_EQ(std::pair(o.clip.count, o.clip.first), std::pair(clip.count, clip.first));
        if (observed) {
            EXPECT_EQ(std::pair(seen.Total(), std::uint64_t{seen.Clipped()}),
                      std::pair(std::uint64_t{n}, std::uint64_t{clip.count}));
        }
    }
}

// The spectra made while the run streams: a short run taken whole equals the accumulator
// fed the whole file; a long one, sampled block by block, still reads the same levels.
TEST(FileRunStream, SpectraMadeWhileTheRunStreams)
{
    const TempDir dir;
    const std::string in = dir / "in.wav", out = dir / "out.wav";
    // Half full scale at bin 512 of 4096: 1000 Hz at 8000 Hz.
    const auto sine = [](std::size_t n) {
        std::vector<int> x(n);
        for (std::size_t i = 0; i < n; ++i)
            x[i] =
                static_cast<int>(std::lround(16384.0 * std::sin(2.0 * M_PI * 0.125 * double(i))));
        return x;
    };
    const auto peak = [](const std::vector<double>& db) {
        return std::max_element(db.begin(), db.end()) - db.begin();
    };
    for (const std::size_t n : {3 * kFileRunBlock, 20 * kFileRunBlock}) {
        const std::vector<int> x = sine(n);
        WriteFile(in, MonoWav(x));
        CStreamFilter filter;
        filter.SetLength(1);
        filter.SetCoef(0, 0.5);
        RunSpectra spectra;
        ASSERT_EQ(FilterWavFile(filter, in, out, {}, &spectra).result, RunResult::Done);
        const std::vector<double> inDb = spectra.InputDb(), outDb = spectra.OutputDb();
        ASSERT_EQ(inDb.size(), std::size_t{2049});
        ASSERT_EQ(outDb.size(), std::size_t{2049});
        EXPECT_EQ(peak(inDb), 512) << n;
        EXPECT_EQ(peak(outDb), 512) << n;
        EXPECT_NEAR(inDb[512], -6.02, 0.02) << n;
        EXPECT_NEAR(outDb[512], -12.04, 0.02) << n;
        if (n <= RunSpectra::kWholeSamples) {
            SpectrumAccumulator whole;
            const std::vector<std::int32_t> samples(x.begin(), x.end());
            whole.Add(samples.data(), samples.size());
            EXPECT_EQ(inDb, whole.ResultDb());
        }
    }
}

TEST(FileRunStream, ClipReportInTheCompletionText)
{
    const TempDir dir;
    const std::string in = dir / "in.wav";
    ScriptedPrompts p;
    // x 1.5: in 16 bits at 1000 Hz, samples 2B + 2 and 2B + 2003 clip; in 8 bits, 1 and 2
    // of a short file, B + 1 and B + 2 of a long one. The first after block 0 is counted
    // from the start of the file.
    constexpr std::size_t B = kFileRunBlock;
    Bytes wide = Samples16(std::vector<int>(2 * B + 2500, 0));
    wide[4 * B + 4] = 0x00, wide[4 * B + 5] = 0x60, wide[4 * B + 4006] = 0x00,
                 wide[4 * B + 4007] = 0xA0;
    Bytes narrow(B + 5, 128);
    narrow[B + 1] = 0, narrow[B + 2] = 255, narrow[B + 3] = 140;
    for (const auto& [wav, line] :
         {std::pair(MakeWav({1, 1, 1000, 16}, wide), "2 (最初は 131.074 秒)"),
          {MakeWav({1, 1, 8000, 8}, {128, 0, 255, 140}), "2 (最初は 0.000 秒)"},
          {MakeWav({1, 1, 0, 8}, narrow), "2 (最初は サンプル番号 65537)"}}) {
        WriteFile(in, wav);
        p.shown.clear();
        ASSERT_EQ(FileRun(p, in, in, 1.5), RunResult::Done);
        EXPECT_TRUE(p.shown.ends_with(
            in + "|0|ファイル保存が終了しました\nクリップしたサンプル: " + line + "\n"))
            << p.shown;
    }
    CRavelinDoc doc; // the figures reach the caller too
    FileRunReport report;
    p.openPath = p.savePath = in;
    ASSERT_EQ(RunFileFilter(doc, p, &report), RunResult::Done);
    EXPECT_EQ(std::tuple(report.inputPath, report.outputPath, report.clip.count),
              std::tuple(in, in, 0u));
}

// A pass-through with nobody watching writes its input's bytes unread, over several
// blocks, in both widths (the 8-bit data of odd length); a one tap of any other value still
// filters (and clamps) every sample.
TEST(FileRunStream, PassThroughCopiesOnlyAnExactOneTap)
{
    const TempDir dir;
    const std::string in = dir / "in.wav", out = dir / "out.wav";
    const std::size_t n = 2 * kFileRunBlock + 3;
    for (const int width : {1, 2}) {
        Bytes data = Swinging(n, width, 5);
        WriteFile(in, MakeWav({.rate = 8000, .bits = 8 * width}, data));
        CRavelinDoc pass;
        pass.m_nFilterPreset = kFilterPass;
        ASSERT_TRUE(pass.LoadFilePreset());
        const FileRunOutcome o = FilterWavFile(pass.m_filter, in, out);
        ASSERT_EQ(o.result, RunResult::Done);
        EXPECT_TRUE(ReadBytes(out) == ReadBytes(in)) << width;
        EXPECT_EQ(std::pair(o.samples, o.clip.count),
                  std::pair(std::uint64_t{n}, std::uint64_t{0}));
        EXPECT_EQ(pass.m_filter.Process(-3.0), -3.0);

        const auto negate = [](CRavelinDoc& doc) {
            doc.UseCustomFilter({-1.0}, "");
            ASSERT_TRUE(doc.LoadFilePreset());
        };
        CRavelinDoc negated;
        negate(negated);
        const FileRunOutcome m = FilterWavFile(negated.m_filter, in, out);
        ClipFigures clip;
        ASSERT_EQ(m.result, RunResult::Done);
        EXPECT_TRUE(ReadBytes(out) == MakeWav({.rate = 8000, .bits = 8 * width},
                                              PlainLoop(data, width, clip, nullptr, negate)))
            << width;
        EXPECT_GT(clip.count, 0u);
        EXPECT_EQ(std::pair(m.clip.count, m.clip.first), std::pair(clip.count, clip.first));
    }
}

// Data long enough to be read ahead and written behind by threads, in a long run's
// blocks (chunks of one 16-bit block, of two 8-bit ones), ending in part of a chunk and
// part of a block: the plain loop's bytes, the progress told once a block; and an input
// cut short while the reader runs ahead.
TEST(FileRunStream, LongDataThroughTheThreads)
{
    const TempDir dir;
    const std::string in = dir / "in.wav", out = dir / "out.wav";
    constexpr std::size_t B = kFileRunLongBlock; // a long run's blocks
    const std::size_t n = kFileRunThreadedBytes / 2 + 3 * B + 5;
    const Bytes data = Swinging(n, 2, 7);
    WriteFile(in, MakeWav({}, data));
    CRavelinDoc doc;
    LoadShortSeamFilter(doc);
    std::vector<std::uint64_t> asked;
    const auto record = [&](std::uint64_t done, std::uint64_t) {
        asked.push_back(done);
        return true;
    };
    const FileRunOutcome o = FilterWavFile(doc.m_filter, in, out, record);
    ClipFigures clip;
    const Bytes expected = MakeWav({}, PlainLoop(data, 2, clip, nullptr, LoadShortSeamFilter));
    ASSERT_EQ(o.result, RunResult::Done) << FaultText(o.fault, o.faultPath);
    EXPECT_TRUE(ReadBytes(out) == expected);
    EXPECT_EQ(std::pair(o.clip.count, o.clip.first), std::pair(clip.count, clip.first));
    ASSERT_EQ(asked.size(), (n + B - 1) / B + 1);
    for (std::size_t k = 0; k + 1 < asked.size(); ++k)
        EXPECT_EQ(asked[k], k * B);
    EXPECT_EQ(asked.back(), n);

    WriteFile(out, {'k', 'e', 'e', 'p'});
    const auto cut = [&](std::uint64_t done, std::uint64_t) {
        if (done == 16 * B)
            fs::resize_file(in, 3 * B);
        return true;
    };
    const FileRunOutcome cutShort = FilterWavFile(doc.m_filter, in, out, cut);
    EXPECT_EQ(std::tuple(cutShort.result, FaultText(cutShort.fault, cutShort.faultPath),
                         cutShort.systemError),
              std::tuple(RunResult::Refused, "error .... can't open the file [" + in + "]\n",
                         kFileShrank));
    EXPECT_EQ(ReadText(out), "keep");
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"in.wav", "out.wav"}));

    // Long 8-bit data of odd length: the pad byte follows what the writer put past the
    // page cache, in the unnamed temporary file that becomes the output.
    const Bytes eight = Swinging(kFileRunThreadedBytes + 2 * B + 3, 1, 5);
    WriteFile(in, MakeWav({.bits = 8}, eight));
    CRavelinDoc fresh;
    LoadShortSeamFilter(fresh);
    ASSERT_EQ(FilterWavFile(fresh.m_filter, in, out).result, RunResult::Done);
    EXPECT_TRUE(ReadBytes(out) ==
                MakeWav({.bits = 8}, PlainLoop(eight, 1, clip, nullptr, LoadShortSeamFilter)));
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"in.wav", "out.wav"}));
}

// Progress counts samples, whatever their width: before each block and at the end. The
// user who cancels exactly once, at the third block, stops the run there; it is not
// asked again, shows nothing more and writes nothing.
TEST(FileRunStream, ProgressInSamplesAndACancelTakenOnce)
{
    using Asked = std::vector<std::pair<std::uint64_t, std::uint64_t>>;
    struct CancelOnce : ScriptedPrompts {
        Asked asked;
        std::size_t cancelAtCall = 0; // 0: never
        bool Progress(std::uint64_t done, std::uint64_t total) override
        {
            asked.emplace_back(done, total);
            return asked.size() != cancelAtCall;
        }
    };
    const TempDir dir;
    const std::string in = dir / "in.wav", out = dir / "out.wav";
    constexpr std::uint64_t B = kFileRunBlock, T = 2 * B + 7;
    for (const int bits : {8, 16}) {
        WriteFile(in, MakeWav({.bits = bits}, Swinging(T, bits / 8)));
        CancelOnce all;
        EXPECT_EQ(FileRun(all, in, out), RunResult::Done);
        EXPECT_EQ(all.asked, (Asked{{0, T}, {B, T}, {2 * B, T}, {T, T}})) << bits << " bits";
    }
    WriteFile(in, MakeWav({}, Swinging(5 * B, 2)));
    WriteFile(out, {'k', 'e', 'e', 'p'});
    CancelOnce p;
    p.cancelAtCall = 3;
    EXPECT_EQ(FileRun(p, in, out), RunResult::Cancelled);
    EXPECT_EQ(p.asked, (Asked{{0, 5 * B}, {B, 5 * B}, {2 * B, 5 * B}}));
    EXPECT_TRUE(p.shown.starts_with("入力ファイル情報|0|"));
    EXPECT_TRUE(p.shown.find("終了") == p.shown.npos);
    EXPECT_EQ(ReadText(out), "keep");
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"in.wav", "out.wav"}));
}

// Faults in the middle of the run, through the progress seam: the input cut short
// while it is read, and the target replaced by a non-empty folder just before the
// commit. One message each, nothing left behind, the target as it was.
TEST(FileRunStream, FaultsDuringTheRun)
{
    const TempDir dir;
    const std::string in = dir / "in.wav", out = dir / "out.wav";
    WriteFile(in, MakeWav({}, Swinging(8 * kFileRunBlock, 2)));
    WriteFile(out, {'k', 'e', 'e', 'p'});
    CRavelinDoc doc;
    const auto cut = [&](std::uint64_t done, std::uint64_t) {
        if (done == 2 * kFileRunBlock)
            fs::resize_file(in, 3 * kFileRunBlock);
        return true;
    };
    FileRunOutcome o = FilterWavFile(doc.m_filter, in, out, cut);
    EXPECT_EQ(std::tuple(o.result, FaultText(o.fault, o.faultPath)),
              std::tuple(RunResult::Refused, "error .... can't open the file [" + in + "]\n"));
    EXPECT_EQ(ReadText(out), "keep");
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"in.wav", "out.wav"}));

    WriteFile(in, MakeWav({}, Swinging(2 * kFileRunBlock, 2)));
    const auto replace = [&](std::uint64_t done, std::uint64_t total) {
        if (done == total) {
            fs::remove(out);
            fs::create_directory(out);
            WriteFile(dir / "out.wav/inside", {'k'});
        }
        return true;
    };
    o = FilterWavFile(doc.m_filter, in, out, replace);
    EXPECT_EQ(std::tuple(o.result, FaultText(o.fault, o.faultPath)),
              std::tuple(RunResult::Failed, "error .... can't write the file [" + out + "]\n"));
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"in.wav", "out.wav"}));
    EXPECT_EQ(ReadText(dir / "out.wav/inside"), "k");
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
    EXPECT_EQ(WriteTextExport(Finished(kFilterPass, kInputImpulse), path), FileFault::None);
    EXPECT_EQ(ReadText(path), ExportFile({{0, "1.00000"}}, {{0, "     1.000     1.000"}}));
    EXPECT_EQ(dir.List(), std::vector<std::string>{"result"}); // no extension added

    ScriptedPrompts p; // through the command, over the existing file
    p.savePath = path;
    EXPECT_EQ(RunTextExport(Finished(kFilterEcho5, kInputTest), p), RunResult::Done);
    EXPECT_EQ(p.shown, "");
    EXPECT_EQ(p.titles, std::vector<std::string>{"アニメーション結果の*.txtへの保存"});
    const char* one = "     1.000     0.800";
    const char* half = "    -0.500    -0.400";
    EXPECT_EQ(ReadText(path),
              ExportFile({{0, "0.80000"}, {5, "0.20000"}}, {{0, one},
                                                            {1, half},
                                                            {3, one},
                                                            {4, half},
                                                            {5, "     0.000     0.200"},
                                                            {6, "     0.250     0.100"},
                                                            {8, "     0.000     0.200"},
                                                            {9, "     0.000    -0.100"},
                                                            {11, "     0.000     0.050"}}));

    // The console form: UTF-8 and LF.
    const Finished echo(kFilterEcho5, kInputTest);
    const std::string text = FormatTextExport(echo, TextEncoding::Utf8, "\n");
    EXPECT_TRUE(text.starts_with("タップ係数\n係数番号　タップ係数\n       0     0.80000\n"));
    EXPECT_NE(text.find("\n\nアニメーションの結果\n時刻　入力信号　出力信号\n  -1"), text.npos);
}

// The input cut short after its header was read, while the save dialog is open: refused
// with the one message after the information, and the existing output stays. (One
// removed or replaced before it is opened is any input that cannot be opened, as in
// CliFault's MissingInput, FolderInput and FifoInput; the desktop shows that refusal as
// in OnlyLinearPcmIsFiltered.)
TEST(FileRunFault, InputCutShortWhileTheSaveDialogIsOpen)
{
    const TempDir dir;
    const std::string in = dir / "in.wav", out = dir / "out.wav";
    WriteFile(in, MakeWav({}, Bytes(40000, 7)));
    WriteFile(out, {'k', 'e', 'e', 'p'});
    ScriptedPrompts p;
    p.whileSave = [&] { fs::resize_file(in, 100); };
    EXPECT_EQ(FileRun(p, in, out), RunResult::Refused);
    EXPECT_TRUE(p.shown.starts_with("入力ファイル情報|0|") &&
                p.shown.ends_with("\n|1|error .... can't open the file [" + in + "]\n\n"))
        << p.shown;
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"in.wav", "out.wav"}));
    EXPECT_EQ(ReadText(out), "keep");
}

} // namespace
} // namespace ravelin
