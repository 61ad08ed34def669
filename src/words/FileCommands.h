#pragma once

#include "files/FileRun.h"

#include <string>

namespace ravelin {

class CRavelinDoc;
class IUserPrompts;

// What the file run tells its caller besides the result.
struct FileRunReport {
    std::string inputPath, outputPath; // as chosen; empty when not chosen
    ClipFigures clip;                  // Done: what was clamped
};

// The ID_RUN_FILE command: loads the chosen preset into doc.m_filter, asks for the
// input, shows its header information, asks for the output and writes the filtered
// WAV file. Sets doc.m_nRunMode to kRunFile for its duration and back to kRunIdle
// on every path. The observer sees the filtering as FilterWavFile describes, on the
// thread that prompts.RunWithProgress gives the filtering.
RunResult RunFileFilter(CRavelinDoc& doc, IUserPrompts& prompts, FileRunReport* report = nullptr,
                        IRunObserver* observer = nullptr);

// The ID_FILE_SAVE command: the save dialog, the export, and its error box.
RunResult RunTextExport(const CRavelinDoc& doc, IUserPrompts& prompts);

} // namespace ravelin
