// The ten-tap demonstration and the run commands.
#include "engine/Commands.h"
#include "engine/RunCommands.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <array>
#include <gtest/gtest.h>
#include <tuple>

namespace ravelin {
namespace {

using test::Finished;

// Every pair against a plain convolution of the taps and inputs written out here,
// summed the same way (from 0.0, increasing tap), so the bits must agree.
TEST(Demo, EveryPairMatchesPlainConvolution)
{
    const double taps[6][10] = {{1.0},
                                {0, 0, 0, 0, 0, 1.0},
                                {0.8, 0, 0, 0, 0, 0.2},
                                {0.2, 0.2, 0.2, 0.2, 0.2},
                                {0.893853546824, 0.443874535094, 0.220421570855, 0.109458112725,
                                 0.0543552901601, 0.0269920382768, 0.0134038495276,
                                 0.00665615468966, 0.00330534859865, 0.00164138753799},
                                {0.773205939585, 0.646019966472, 0.349084795337, 0.132356675362,
                                 0.0245018477994, -0.0121672575329, -0.0162079257203,
                                 -0.0105414474117, -0.00481064134581, -0.00141984176048}};
    // Index i is time i - 1: the impulse, two impulses, the test signal.
    const double inputs[3][20] = {
        {0, 1.0}, {0, 1.0, 0, 0, 1.0}, {0, 1.0, -0.5, 0, 1.0, -0.5, 0, 0.25}};
    for (int f = 0; f < 6; ++f)
        for (int in = 0; in < 3; ++in) {
            const Finished doc(f, in);
            EXPECT_EQ(doc.m_nStep, 20);
            for (int n = 0; n < 20; ++n) {
                double sum = 0.0;
                for (int k = 0; k < 10; ++k)
                    sum += taps[f][k] * (n - k >= 0 ? inputs[in][n - k] : 0.0);
                EXPECT_EQ(std::pair(doc.m_in[n], doc.m_out[n]), std::pair(inputs[in][n], sum))
                    << "filter " << f << " input " << in << " index " << n;
            }
        }
}

// Advance at step 20 is checked through the run commands below.
TEST(Demo, StepWithoutTapsOnlyStores)
{
    CRavelinDoc fresh; // m_nTaps stays 0 until the first Advance applies the preset
    fresh.m_x[1] = 7.0;
    EXPECT_EQ(fresh.Step(3.5), 0.0);
    EXPECT_EQ(std::pair(fresh.m_x[0], fresh.m_x[1]), std::pair(3.5, 7.0)); // no shift
}

class Listener : public IDocListener {
  public:
    int updates = 0, posts = 0;
    void UpdateAllViews() override { ++updates; }
    void PostDrawDiagram() override { ++posts; }
};

// Filter and input preset, step, run mode and interval.
auto State(const CRavelinDoc& d)
{
    return std::tuple(d.m_nFilterPreset, d.m_nInputPreset, d.m_nStep, d.m_nRunMode, d.m_nInterval);
}

TEST(Document, DefaultsAndReset)
{
    CRavelinDoc doc;
    EXPECT_EQ(State(doc), std::tuple(0, 2, 0, 0, 500));
    EXPECT_TRUE(doc.m_nUserTap == (std::array{0, 1, 2}));
    EXPECT_TRUE(doc.m_filter.Length() == 0);
    EXPECT_EQ(doc.m_dUserCoef, (std::array{0.5, 0.25, 0.5 / 3}));

    Listener listener;
    doc.SetListener(&listener);
    doc.m_nFilterPreset = kFilterMa5;
    doc.m_nRunMode = kRunAnimate;
    doc.m_nInterval = 100;
    for (int i = 0; i < 12; ++i)
        doc.Advance();
    doc.Reset();
    EXPECT_EQ(State(doc), std::tuple(3, 2, 0, 0, 500)); // the presets survive
    EXPECT_EQ(std::pair(listener.updates, doc.m_nTaps), std::pair(1, 0));
    const std::array<double, CRavelinDoc::kArraySize> zero{};
    EXPECT_TRUE(doc.m_x == zero);
    EXPECT_TRUE(doc.m_h == zero);
    EXPECT_TRUE(doc.m_in == zero);
    EXPECT_TRUE(doc.m_out == zero);
}

TEST(RunCommands, ModesIntervalsStepTwentyAndRewind)
{
    CRavelinDoc doc;
    Listener listener;
    doc.SetListener(&listener);
    doc.m_nFilterPreset = kFilterEcho5;
    // The toolbar sets its interval, the menu keeps the current one; each steps once.
    for (const auto& [id, mode, interval] : {std::tuple(ID_TB_FAST, kRunAnimate, 100),
                                             {ID_RUN_ANIMATE, kRunAnimate, 100},
                                             {ID_RUN_STEP, kRunStep, 100},
                                             {ID_TB_ANIMATE, kRunAnimate, 500},
                                             {ID_TB_FAST, kRunAnimate, 100},
                                             {ID_TB_STEP, kRunStep, 500}}) {
        ASSERT_TRUE(ExecuteRunCommand(doc, id));
        EXPECT_EQ(std::pair(doc.m_nRunMode, doc.m_nInterval), std::pair(mode, interval)) << id;
    }
    EXPECT_FALSE(ExecuteRunCommand(doc, ID_SETTINGS) || ExecuteRunCommand(doc, ID_DRAW_DIAGRAM));
    EXPECT_EQ(std::pair(doc.m_nStep, listener.posts), std::pair(6, 6));

    while (doc.m_nStep < 20)
        ExecuteRunCommand(doc, ID_RUN_ANIMATE);
    const auto firstRun = doc.m_out;
    const auto firstX = doc.m_x;
    ExecuteRunCommand(doc, ID_RUN_STEP); // at step 20 only the mode changes
    EXPECT_TRUE(doc.m_nStep == 20 && doc.m_nRunMode == kRunStep);
    EXPECT_TRUE(doc.m_out == firstRun && doc.m_x == firstX);

    ExecuteRunCommand(doc, ID_TB_FAST);
    ExecuteRunCommand(doc, ID_TB_REWIND); // flushed, then time -1 (input 0) stepped in
    EXPECT_EQ(State(doc), std::tuple(int{kFilterEcho5}, 2, 1, kRunStep, 500));
    EXPECT_TRUE(std::all_of(&doc.m_x[0], &doc.m_x[10], [](double v) { return v == 0.0; }));
    EXPECT_EQ(doc.m_out[5], firstRun[5]); // old outputs stay until overwritten
    while (doc.m_nStep < 20)
        ExecuteRunCommand(doc, ID_RUN_STEP);
    EXPECT_EQ(doc.m_out, firstRun);
}

TEST(RunCommands, EnableAndCheckRules)
{
    for (int filter = -1; filter < kFilterCount; ++filter)
        for (int input = -1; input < kInputCount; ++input)
            for (int step : {0, 19, 20})
                for (int mode = 0; mode <= 3; ++mode) {
                    CRavelinDoc doc;
                    doc.m_nFilterPreset = filter;
                    doc.m_nInputPreset = input;
                    doc.m_nStep = step;
                    doc.m_nRunMode = mode;
                    const bool pair = filter >= 0 && filter <= 5 && input >= 0 && input <= 2;
                    SCOPED_TRACE(testing::Message() << "filter " << filter << " input " << input
                                                    << " step " << step << " mode " << mode);
                    EXPECT_EQ(doc.IsDemoPair(), pair);
                    for (int id : {ID_RUN_STEP, ID_RUN_ANIMATE, ID_TB_STEP, ID_TB_ANIMATE,
                                   ID_TB_REWIND, ID_TB_FAST})
                        EXPECT_EQ(QueryCommandState(doc, id).enabled, pair) << id;
                    EXPECT_EQ(QueryCommandState(doc, ID_RUN_STEP).checked, mode == 1);
                    EXPECT_EQ(QueryCommandState(doc, ID_RUN_ANIMATE).checked, mode == 2);
                    EXPECT_FALSE(QueryCommandState(doc, ID_TB_STEP).checked ||
                                 QueryCommandState(doc, ID_TB_ANIMATE).checked);
                    EXPECT_EQ(QueryCommandState(doc, ID_RUN_FILE),
                              (CommandState{filter != -1 && input == 3, mode == 3}));
                    EXPECT_EQ(QueryCommandState(doc, ID_FILE_SAVE),
                              (CommandState{pair && step == 20, false}));
                    EXPECT_EQ(QueryCommandState(doc, ID_SETTINGS), (CommandState{true, false}));
                }
}

} // namespace
} // namespace ravelin
