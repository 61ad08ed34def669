#include "words/FileCommands.h"

#include "engine/Commands.h"
#include "engine/RavelinDoc.h"
#include "files/TextExport.h"
#include "words/UserPrompts.h"
#include "words/Words.h"

namespace ravelin {

namespace {

// Sets the run mode for the duration of the run and back to idle on every path.
class RunModeScope {
  public:
    explicit RunModeScope(CRavelinDoc& doc) : m_doc(doc) { m_doc.m_nRunMode = kRunFile; }
    ~RunModeScope() { m_doc.m_nRunMode = kRunIdle; }
    RunModeScope(const RunModeScope&) = delete;
    RunModeScope& operator=(const RunModeScope&) = delete;

  private:
    CRavelinDoc& m_doc;
};

} // namespace

RunResult RunFileFilter(CRavelinDoc& doc, IUserPrompts& prompts, FileRunReport* report,
                        IRunObserver* observer)
{
    RunModeScope mode(doc);
    FileRunReport ignored;
    FileRunReport& told = report ? *report : ignored;
    told = {};
    if (!doc.LoadFilePreset()) {
        prompts.ShowMessage(filerun::kFilterMemory, "", MessageIcon::Error);
        return RunResult::Refused;
    }

    const auto chosen = prompts.AskOpenPath(filerun::kOpenTitle.Text(), filerun::kFilter);
    if (!chosen || chosen->empty())
        return RunResult::Cancelled;
    told.inputPath = *chosen;

    WavInput input;
    if (!input.Open(*chosen)) {
        prompts.ShowMessage(FaultText(input.Fault(), input.Path(), input.Header()), "",
                            MessageIcon::Error);
        return RunResult::Refused;
    }
    // A designed or loaded filter is named under the file's fields.
    const std::string note = doc.HasCustomFilter() ? doc.CustomNote() + "\n" : "";
    prompts.ShowMessage(InformationText(input.Path(), input.Header()) + note,
                        filerun::kInfoCaption.Text(), MessageIcon::None);

    const auto saveAs = prompts.AskSavePath(filerun::kSaveTitle.Text(), filerun::kFilter);
    if (!saveAs || saveAs->empty())
        return RunResult::Cancelled;
    told.outputPath = *saveAs;

    // The filter and the observer belong to the run until it returns.
    FileRunOutcome outcome;
    prompts.RunWithProgress([&](const IUserPrompts::WorkProgress& progress) {
        outcome = FilterWavFile(doc.m_filter, input, *saveAs, progress, observer);
    });
    switch (outcome.result) {
    case RunResult::Done:
        told.clip = outcome.clip;
        prompts.ShowMessage(CompletionText(outcome), *saveAs, MessageIcon::None);
        break;
    case RunResult::Refused:
    case RunResult::Failed:
        prompts.ShowMessage(FaultText(outcome.fault, outcome.faultPath, outcome.input), "",
                            MessageIcon::Error);
        break;
    case RunResult::Cancelled:
        break;
    }
    return outcome.result;
}

RunResult RunTextExport(const CRavelinDoc& doc, IUserPrompts& prompts)
{
    const auto path = prompts.AskSavePath(textexport::kSaveTitle.Text(), textexport::kFilter);
    if (!path || path->empty())
        return RunResult::Cancelled;
    const FileFault fault = WriteTextExport(doc, *path);
    if (fault != FileFault::None) {
        prompts.ShowMessage(FaultText(fault, *path), "", MessageIcon::Error);
        return RunResult::Failed;
    }
    return RunResult::Done;
}

} // namespace ravelin
