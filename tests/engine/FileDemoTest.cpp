// The demonstration on samples taken from a file.

#include "engine/RavelinDoc.h"
#include "files/WavSamples.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <vector>

namespace ravelin {
namespace {

using test::MonoWav;

TEST(FileDemo, TakesTwentyValuesUntilAnInputPresetIsChosen)
{
    CRavelinDoc doc;
    SettingsValues s = doc.Settings();
    s.filter = kFilterEcho5;
    s.input = kInputFile;
    doc.ApplySettings(s);
    EXPECT_FALSE(doc.IsDemoPair()); // file data alone is no demonstration input
    std::vector<double> values(25);
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = 0.01 * double(i + 1) * (i % 2 ? -1 : 1);
    doc.SetFileDemoInput(values);
    EXPECT_TRUE(doc.IsDemoPair());
    for (int i = 0; i < kDemoSteps; ++i)
        doc.Advance();
    // Every one of the 20 steps is a sample of the file: times -1 .. 18.
    for (int i = 0; i < kDemoSteps; ++i) {
        EXPECT_EQ(doc.m_in[i], values[std::size_t(i)]);
        double sum = 0.0; // the step's own order: tap 0, then tap 5
        sum += 0.8 * values[std::size_t(i)];
        sum += i >= 5 ? 0.2 * values[std::size_t(i - 5)] : 0.0;
        EXPECT_EQ(doc.m_out[i], sum) << i;
    }
    EXPECT_EQ(doc.m_in[kDemoSteps], 0.0);

    // Confirming file data again keeps the samples; an input preset returns to it.
    doc.ApplySettings(doc.Settings());
    EXPECT_TRUE(doc.HasFileDemoInput());
    s.input = kInputImpulse;
    doc.ApplySettings(s);
    EXPECT_FALSE(doc.HasFileDemoInput());
    doc.Advance();
    doc.Advance();
    EXPECT_EQ(doc.m_in[0], 0.0);
    EXPECT_EQ(doc.m_in[1], 1.0);

    // Fewer values than steps: zeros after them.
    doc.SetFileDemoInput(std::vector<double>{0.5});
    EXPECT_EQ(doc.m_nStep, 0); // starts over
    doc.Advance();
    EXPECT_EQ(doc.m_in[0], 0.5);
    EXPECT_EQ(doc.m_in[1], 0.0);
}

TEST(FileDemo, ScaledSamplesOfBothWidthsFromAnyPosition)
{
    test::TempDir dir;
    const auto path16 = (dir / "16.wav");
    test::WriteFile(path16, MonoWav({-32768, -1, 0, 1, 16384, 32767}, 16));
    std::vector<double> v;
    ASSERT_EQ(ReadScaledSamples(path16, 1, 4, v), WavReadResult::Ok);
    EXPECT_EQ(v, (std::vector<double>{-1.0 / 32768, 0.0, 1.0 / 32768, 0.5}));
    // Past the end: zeros, as many as asked.
    ASSERT_EQ(ReadScaledSamples(path16, 4, 5, v), WavReadResult::Ok);
    EXPECT_EQ(v, (std::vector<double>{0.5, 32767.0 / 32768, 0.0, 0.0, 0.0}));
    ASSERT_EQ(ReadScaledSamples(path16, 100, 2, v), WavReadResult::Ok);
    EXPECT_EQ(v, (std::vector<double>{0.0, 0.0}));

    // 8-bit samples are the byte minus 128, over 128.
    const auto path8 = (dir / "8.wav");
    test::WriteFile(path8, MonoWav({-128, -64, 0, 127}, 8));
    ASSERT_EQ(ReadScaledSamples(path8, 0, 4, v), WavReadResult::Ok);
    EXPECT_EQ(v, (std::vector<double>{-1.0, -0.5, 0.0, 127.0 / 128}));

    // A file whose header promises more than it holds gives zeros for the rest.
    const auto cut = (dir / "cut.wav");
    test::Bytes bytes = MonoWav({100, 200, 300, 400}, 16);
    bytes.erase(bytes.end() - 4, bytes.end()); // the last two samples
    test::WriteFile(cut, bytes);
    ASSERT_EQ(ReadScaledSamples(cut, 1, 3, v), WavReadResult::Ok);
    EXPECT_EQ(v, (std::vector<double>{200.0 / 32768, 0.0, 0.0}));

    EXPECT_EQ(ReadScaledSamples((dir / "none.wav"), 0, 1, v), WavReadResult::CantOpen);
    test::WriteFile((dir / "text.wav"), test::Bytes{'h', 'i'});
    EXPECT_EQ(ReadScaledSamples((dir / "text.wav"), 0, 1, v), WavReadResult::WrongFormat);
}

} // namespace
} // namespace ravelin
