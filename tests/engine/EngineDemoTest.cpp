// The ten-tap demonstration: presets, Step, Advance, Flush and Reset.
#include "engine/RavelinDoc.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace ravelin {
namespace {

std::vector<double> RunDemo(int filter, int input)
{
    CRavelinDoc doc;
    doc.m_nFilterPreset = filter;
    doc.m_nInputPreset = input;
    for (int i = 0; i < 20; ++i)
        doc.Advance();
    EXPECT_EQ(doc.m_nStep, 20);
    return {doc.m_out.begin(), doc.m_out.begin() + 20};
}

// Outputs written out by hand for times -1..18 (index 0..19).
TEST(Demo, WorkedExamples)
{
    std::vector<double> pass(20, 0.0);
    pass[1] = 1.0;
    EXPECT_EQ(RunDemo(0, 0), pass);

    std::vector<double> delay(20, 0.0);
    delay[6] = 1.0; // time 5
    EXPECT_EQ(RunDemo(1, 0), delay);

    const std::vector<double> ma = RunDemo(3, 1);
    const std::array<double, 20> maExpected = {0,   0.2, 0.2, 0.2, 0.4, 0.4, 0.2, 0.2, 0.2, 0,
                                               0,   0,   0,   0,   0,   0,   0,   0,   0,   0};
    for (int i = 0; i < 20; ++i)
        EXPECT_NEAR(ma[i], maExpected[i], 1e-15) << "index " << i;

    const std::vector<double> echo = RunDemo(2, 2);
    const std::array<double, 20> echoExpected = {0,   0.8, -0.4, 0, 0.8, -0.4, 0.2, 0.1, 0, 0.2,
                                                 -0.1, 0,  0.05, 0, 0,   0,    0,   0,   0, 0};
    for (int i = 0; i < 20; ++i)
        EXPECT_NEAR(echo[i], echoExpected[i], 1e-15) << "index " << i;

    const std::array<double, 10> lag2 = {0.773205939585,   0.646019966472,   0.349084795337,
                                         0.132356675362,   0.0245018477994,  -0.0121672575329,
                                         -0.0162079257203, -0.0105414474117, -0.00481064134581,
                                         -0.00141984176048};
    const std::vector<double> second = RunDemo(5, 0);
    EXPECT_EQ(second[0], 0.0);
    for (int t = 0; t < 10; ++t)
        EXPECT_EQ(second[t + 1], lag2[t]) << "time " << t;
    for (int i = 11; i < 20; ++i)
        EXPECT_EQ(second[i], 0.0) << "index " << i;
}

// Every demonstration pair against a plain convolution of hand-written taps and inputs,
// summed the same way (from 0.0, increasing tap), so the bits must agree.
TEST(Demo, EveryPairMatchesPlainConvolution)
{
    std::array<std::array<double, 10>, 6> taps{};
    taps[0][0] = 1.0;
    taps[1][5] = 1.0;
    taps[2][0] = 0.8;
    taps[2][5] = 0.2;
    for (int k = 0; k < 5; ++k)
        taps[3][k] = 0.2;
    taps[4] = {0.893853546824,  0.443874535094,  0.220421570855,   0.109458112725,
               0.0543552901601, 0.0269920382768, 0.0134038495276,  0.00665615468966,
               0.00330534859865, 0.00164138753799};
    taps[5] = {0.773205939585,   0.646019966472,   0.349084795337,   0.132356675362,
               0.0245018477994,  -0.0121672575329, -0.0162079257203, -0.0105414474117,
               -0.00481064134581, -0.00141984176048};
    std::array<std::array<double, 20>, 3> inputs{};
    inputs[0][1] = 1.0;
    inputs[1][1] = inputs[1][4] = 1.0;
    inputs[2][1] = 1.0;
    inputs[2][2] = -0.5;
    inputs[2][4] = 1.0;
    inputs[2][5] = -0.5;
    inputs[2][7] = 0.25;

    for (int f = 0; f < 6; ++f) {
        for (int in = 0; in < 3; ++in) {
            const auto out = RunDemo(f, in);
            for (int n = 0; n < 20; ++n) {
                double sum = 0.0;
                for (int k = 0; k < 10; ++k)
                    sum += taps[f][k] * (n - k >= 0 ? inputs[in][n - k] : 0.0);
                EXPECT_EQ(out[n], sum) << "filter " << f << " input " << in << " index " << n;
            }
        }
    }
}

TEST(Demo, AdvanceStopsAfterTwentySteps)
{
    CRavelinDoc doc;
    doc.m_nFilterPreset = 2;
    doc.m_nInputPreset = 2;
    for (int i = 0; i < 20; ++i)
        doc.Advance();
    const auto x = doc.m_x;
    const auto out = doc.m_out;
    doc.Advance();
    EXPECT_EQ(doc.m_nStep, 20);
    EXPECT_EQ(doc.m_x, x);
    EXPECT_EQ(doc.m_out, out);
}

TEST(Demo, StepWithoutTapsStoresSampleAndReturnsZero)
{
    CRavelinDoc doc;
    doc.m_x[1] = 7.0;
    EXPECT_EQ(doc.Step(3.5), 0.0);
    EXPECT_EQ(doc.m_x[0], 3.5);
    EXPECT_EQ(doc.m_x[1], 7.0); // no shift below two taps

    doc.Flush();
    EXPECT_EQ(doc.m_x[0], 0.0);
    EXPECT_EQ(doc.m_x[1], 7.0);
}

TEST(Demo, FlushClearsTenTapRegister)
{
    CRavelinDoc doc;
    doc.m_nInputPreset = 2;
    for (int i = 0; i < 6; ++i)
        doc.Advance();
    ASSERT_NE(doc.m_x[1], 0.0);
    doc.Flush();
    for (int k = 0; k < 10; ++k)
        EXPECT_EQ(doc.m_x[k], 0.0);
}

TEST(Demo, PresetsWriteOnlyTheirElements)
{
    CRavelinDoc doc;
    doc.m_h[7] = 9.0;
    doc.m_nFilterPreset = 1;
    doc.ApplyDemoFilterPreset();
    EXPECT_EQ(doc.m_nTaps, 10);
    EXPECT_EQ(doc.m_h[5], 1.0);
    EXPECT_EQ(doc.m_h[7], 9.0);

    CRavelinDoc fileOnly;
    fileOnly.m_nFilterPreset = 7;
    fileOnly.m_nInputPreset = 3;
    fileOnly.ApplyDemoFilterPreset();
    fileOnly.ApplyDemoInputPreset();
    EXPECT_EQ(fileOnly.m_nTaps, 0);
    for (int i = 0; i < CRavelinDoc::kArraySize; ++i) {
        ASSERT_EQ(fileOnly.m_h[i], 0.0);
        ASSERT_EQ(fileOnly.m_in[i], 0.0);
    }
}

class CountingListener : public IDocListener {
public:
    int updates = 0;
    int draws = 0;
    void UpdateAllViews() override { ++updates; }
    void PostDrawDiagram() override { ++draws; }
};

TEST(Document, ConstructionDefaultsAndReset)
{
    CRavelinDoc doc;
    EXPECT_EQ(doc.m_nFilterPreset, 0);
    EXPECT_EQ(doc.m_nInputPreset, 2);
    EXPECT_EQ(doc.m_nRunMode, 0);
    EXPECT_EQ(doc.m_nInterval, 500);
    EXPECT_EQ(doc.m_nUserTap, (std::array<int, 3>{0, 1, 2}));
    EXPECT_EQ(doc.m_dUserCoef[0], 0.5);
    EXPECT_EQ(doc.m_dUserCoef[1], 0.25);
    EXPECT_EQ(doc.m_dUserCoef[2], 0.5 / 3);
    EXPECT_EQ(doc.m_filter.Length(), 0);
    EXPECT_TRUE(doc.IsDemoPair());

    CountingListener listener;
    doc.SetListener(&listener);
    doc.m_nFilterPreset = 3;
    doc.m_nRunMode = 2;
    doc.m_nInterval = 100;
    for (int i = 0; i < 12; ++i)
        doc.Advance();
    doc.Reset();
    EXPECT_EQ(listener.updates, 1);
    EXPECT_EQ(doc.m_nStep, 0);
    EXPECT_EQ(doc.m_nTaps, 0);
    EXPECT_EQ(doc.m_nRunMode, 0);
    EXPECT_EQ(doc.m_nInterval, 500);
    EXPECT_EQ(doc.m_nFilterPreset, 3); // presets survive a reset
    for (int i = 0; i < CRavelinDoc::kArraySize; ++i) {
        ASSERT_EQ(doc.m_x[i], 0.0);
        ASSERT_EQ(doc.m_h[i], 0.0);
        ASSERT_EQ(doc.m_in[i], 0.0);
        ASSERT_EQ(doc.m_out[i], 0.0);
    }
}

TEST(Document, ApplySettingsTwiceLeavesAllZero)
{
    CRavelinDoc doc;
    for (int i = 0; i < 9; ++i)
        doc.Advance();
    SettingsValues v = doc.Settings();
    v.nFilter = 4;
    v.nInput = 0;
    v.nTap = {3, 4, 5};
    v.dCoef = {1.0, -1.0, 2.0};
    for (int round = 0; round < 2; ++round) {
        doc.m_nRunMode = 2;
        doc.ApplySettings(v);
        EXPECT_EQ(doc.m_nStep, 0);
        EXPECT_EQ(doc.m_nRunMode, 0);
        EXPECT_EQ(doc.m_nFilterPreset, 4);
        EXPECT_EQ(doc.m_nUserTap, v.nTap);
        EXPECT_EQ(doc.m_dUserCoef, v.dCoef);
        for (int i = 0; i < 20; ++i)
            ASSERT_EQ(doc.m_out[i], 0.0);
    }
}

} // namespace
} // namespace ravelin
