#pragma once

#include <string>

namespace ravelin {

class CRavelinDoc;
class IUserPrompts;

// How a file run or a text export ended; the prompts have already told the user.
enum class RunResult {
    Done,      // the output was written
    Cancelled, // the user cancelled a dialog or the progress; nothing was written
    Refused,   // the input was rejected (cannot open, wrong format, not mono, ...)
    Failed,    // the output could not be written; any existing file is untouched
};

// The ID_RUN_FILE command: loads the chosen preset into doc.m_filter, asks for the
// input, shows its header information, asks for the output and writes the filtered
// WAV file. Sets doc.m_nRunMode to RUN_FILE for its duration and back to RUN_IDLE
// on every path.
RunResult RunFileFilter(CRavelinDoc& doc, IUserPrompts& prompts);

// The texts the run shows, for the callers that word their own dialogs.
namespace filerun {
inline constexpr const char* kOpenTitle = "モノラル*.wavの読み込み";
inline constexpr const char* kSaveTitle = "*.wavへの保存";
inline constexpr const char* kFilter = "wav Files(*.wav)|*.wav|All Files(*.*)|*.*||";
inline constexpr const char* kInfoCaption = "入力ファイル情報";
inline constexpr const char* kDoneText = "ファイル保存が終了しました";
} // namespace filerun

} // namespace ravelin
