#include "engine/RunCommands.h"

#include "engine/Commands.h"
#include "engine/RavelinDoc.h"

namespace ravelin {

namespace {

void RunStep(CRavelinDoc& doc)
{
    doc.m_nRunMode = RUN_STEP;
    doc.Advance();
    doc.PostDrawDiagram();
}

void RunAnimate(CRavelinDoc& doc)
{
    doc.m_nRunMode = RUN_ANIMATE;
    doc.Advance();
    doc.PostDrawDiagram();
}

} // namespace

bool ExecuteRunCommand(CRavelinDoc& doc, int id)
{
    switch (id) {
    case ID_RUN_STEP:
        RunStep(doc);
        return true;
    case ID_RUN_ANIMATE:
        // The menu item keeps the current interval, so a fast run stays fast.
        RunAnimate(doc);
        return true;
    case ID_TB_STEP:
        doc.m_nInterval = INTERVAL_NORMAL;
        RunStep(doc);
        return true;
    case ID_TB_ANIMATE:
        doc.m_nInterval = INTERVAL_NORMAL;
        RunAnimate(doc);
        return true;
    case ID_TB_FAST:
        doc.m_nInterval = INTERVAL_FAST;
        RunAnimate(doc);
        return true;
    case ID_TB_REWIND:
        // Step 0 makes the next Advance re-apply the presets; Flush clears the register.
        doc.m_nStep = 0;
        doc.m_nInterval = INTERVAL_NORMAL;
        doc.Flush();
        RunStep(doc);
        return true;
    default:
        return false;
    }
}

CommandState QueryCommandState(const CRavelinDoc& doc, int id)
{
    const bool demo = doc.IsDemoPair();
    switch (id) {
    case ID_RUN_STEP:
        return {demo, doc.m_nRunMode == RUN_STEP};
    case ID_RUN_ANIMATE:
        return {demo, doc.m_nRunMode == RUN_ANIMATE};
    case ID_RUN_FILE:
        return {doc.m_nFilterPreset != FILTER_NONE && doc.m_nInputPreset == INPUT_FILE,
                doc.m_nRunMode == RUN_FILE};
    case ID_TB_STEP:
    case ID_TB_ANIMATE:
    case ID_TB_REWIND:
    case ID_TB_FAST:
        return {demo, false};
    case ID_FILE_SAVE:
        return {demo && doc.m_nStep == DEMO_STEPS, false};
    default:
        return {true, false};
    }
}

} // namespace ravelin
