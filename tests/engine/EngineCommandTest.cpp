// The run commands: mode and interval transitions, and the enable/check rules.
#include "engine/Commands.h"
#include "engine/RavelinDoc.h"
#include "engine/RunCommands.h"

#include <gtest/gtest.h>

namespace ravelin {
namespace {

class PostCounter : public IDocListener {
public:
    int posts = 0;
    void UpdateAllViews() override {}
    void PostDrawDiagram() override { ++posts; }
};

TEST(RunCommands, ModesIntervalsAndPosts)
{
    CRavelinDoc doc;
    PostCounter listener;
    doc.SetListener(&listener);

    ASSERT_TRUE(ExecuteRunCommand(doc, ID_TB_FAST));
    EXPECT_EQ(doc.m_nRunMode, RUN_ANIMATE);
    EXPECT_EQ(doc.m_nInterval, 100);
    EXPECT_EQ(doc.m_nStep, 1);

    // The menu's commands keep the current interval.
    ExecuteRunCommand(doc, ID_RUN_ANIMATE);
    EXPECT_EQ(doc.m_nInterval, 100);
    ExecuteRunCommand(doc, ID_RUN_STEP);
    EXPECT_EQ(doc.m_nRunMode, RUN_STEP);
    EXPECT_EQ(doc.m_nInterval, 100);
    EXPECT_EQ(doc.m_nStep, 3);

    ExecuteRunCommand(doc, ID_TB_ANIMATE);
    EXPECT_EQ(doc.m_nInterval, 500);
    EXPECT_EQ(doc.m_nRunMode, RUN_ANIMATE);
    doc.m_nInterval = 100;
    ExecuteRunCommand(doc, ID_TB_STEP);
    EXPECT_EQ(doc.m_nInterval, 500);
    EXPECT_EQ(doc.m_nRunMode, RUN_STEP);
    EXPECT_EQ(doc.m_nStep, 5);
    EXPECT_EQ(listener.posts, 5);

    EXPECT_FALSE(ExecuteRunCommand(doc, ID_SETTINGS));
    EXPECT_FALSE(ExecuteRunCommand(doc, ID_DRAW_DIAGRAM));
    EXPECT_EQ(listener.posts, 5);
}

TEST(RunCommands, AtStepTwentyOnlyTheModeChanges)
{
    CRavelinDoc doc;
    for (int i = 0; i < 20; ++i)
        ExecuteRunCommand(doc, ID_RUN_ANIMATE);
    const auto out = doc.m_out;
    ExecuteRunCommand(doc, ID_RUN_STEP);
    EXPECT_EQ(doc.m_nRunMode, RUN_STEP);
    EXPECT_EQ(doc.m_nStep, 20);
    EXPECT_EQ(doc.m_out, out);
}

TEST(RunCommands, RewindRestartsAtStepOne)
{
    CRavelinDoc doc;
    doc.m_nFilterPreset = FILTER_ECHO5;
    for (int i = 0; i < 20; ++i)
        ExecuteRunCommand(doc, ID_TB_FAST);
    const auto firstRun = doc.m_out;

    ExecuteRunCommand(doc, ID_TB_REWIND);
    EXPECT_EQ(doc.m_nStep, 1);
    EXPECT_EQ(doc.m_nRunMode, RUN_STEP);
    EXPECT_EQ(doc.m_nInterval, 500);
    for (int k = 0; k < 10; ++k)
        EXPECT_EQ(doc.m_x[k], 0.0) << k; // flushed, then time -1 (input 0) stepped in
    // The old outputs beyond the new step stay until overwritten.
    EXPECT_EQ(doc.m_out[5], firstRun[5]);

    for (int i = 1; i < 20; ++i)
        ExecuteRunCommand(doc, ID_RUN_STEP);
    EXPECT_EQ(doc.m_out, firstRun);
}

struct StateCase {
    int filter;
    int input;
    int step;
    int mode;
};

TEST(RunCommands, EnableAndCheckRules)
{
    const int demo[] = {ID_RUN_STEP, ID_RUN_ANIMATE, ID_TB_STEP, ID_TB_ANIMATE, ID_TB_REWIND,
                        ID_TB_FAST};
    for (int filter = -1; filter < FILTER_COUNT; ++filter) {
        for (int input = -1; input < INPUT_COUNT; ++input) {
            for (int step : {0, 19, 20}) {
                for (int mode = 0; mode <= 3; ++mode) {
                    CRavelinDoc doc;
                    doc.m_nFilterPreset = filter;
                    doc.m_nInputPreset = input;
                    doc.m_nStep = step;
                    doc.m_nRunMode = mode;
                    const bool pair = filter >= 0 && filter <= 5 && input >= 0 && input <= 2;
                    SCOPED_TRACE(testing::Message() << "filter " << filter << " input " << input
                                                    << " step " << step << " mode " << mode);
                    for (int id : demo)
                        EXPECT_EQ(QueryCommandState(doc, id).enabled, pair) << id;
                    EXPECT_EQ(QueryCommandState(doc, ID_RUN_STEP).checked, mode == 1);
                    EXPECT_EQ(QueryCommandState(doc, ID_RUN_ANIMATE).checked, mode == 2);
                    EXPECT_FALSE(QueryCommandState(doc, ID_TB_STEP).checked);
                    EXPECT_FALSE(QueryCommandState(doc, ID_TB_ANIMATE).checked);
                    EXPECT_EQ(QueryCommandState(doc, ID_RUN_FILE),
                              (CommandState{filter != -1 && input == 3, mode == 3}));
                    EXPECT_EQ(QueryCommandState(doc, ID_FILE_SAVE),
                              (CommandState{pair && step == 20, false}));
                    EXPECT_EQ(QueryCommandState(doc, ID_SETTINGS), (CommandState{true, false}));
                }
            }
        }
    }
}

} // namespace
} // namespace ravelin
