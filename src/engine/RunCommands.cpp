#include "engine/RunCommands.h"

#include "engine/Commands.h"
#include "engine/RavelinDoc.h"

namespace ravelin {

namespace {

void RunStep(CRavelinDoc& doc)
{
    doc.m_nRunMode = kRunStep;
    doc.Advance();
    doc.PostDrawDiagram();
}

void RunAnimate(CRavelinDoc& doc)
{
    doc.m_nRunMode = kRunAnimate;
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
        doc.m_nInterval = kIntervalNormal;
        RunStep(doc);
        return true;
    case ID_TB_ANIMATE:
        doc.m_nInterval = kIntervalNormal;
        RunAnimate(doc);
        return true;
    case ID_TB_FAST:
        doc.m_nInterval = kIntervalFast;
        RunAnimate(doc);
        return true;
    case ID_TB_REWIND:
        // Step 0 makes the next Advance re-apply the presets; Flush clears the register.
        doc.m_nStep = 0;
        doc.m_nInterval = kIntervalNormal;
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
        return {demo, doc.m_nRunMode == kRunStep};
    case ID_RUN_ANIMATE:
        return {demo, doc.m_nRunMode == kRunAnimate};
    case ID_RUN_FILE:
        return {(doc.m_nFilterPreset != kFilterNone || doc.HasCustomFilter()) &&
                    doc.m_nInputPreset == kInputFile,
                doc.m_nRunMode == kRunFile};
    case ID_TB_STEP:
    case ID_TB_ANIMATE:
    case ID_TB_REWIND:
    case ID_TB_FAST:
        return {demo, false};
    case ID_FILE_SAVE:
        return {demo && doc.m_nStep == kDemoSteps, false};
    default:
        return {true, false};
    }
}

} // namespace ravelin
