#pragma once

#include "files/FileRun.h"

#include <string>

namespace ravelin {

// The information box: the input's path and header fields, one "\n"-ended line each.
std::string InformationText(const std::string& path, const WavHeader& header);

// The error message of a fault concerning path. A refused channel count or sample
// width is told after the information text of header.
std::string FaultText(FileFault fault, const std::string& path, const WavHeader& header = {});

// The completion text: "ファイル保存が終了しました", followed, when samples were clamped,
// by a line saying how many and where the first was.
std::string CompletionText(const FileRunOutcome& outcome);

// The texts the run shows, for the callers that word their own dialogs.
namespace filerun {
inline constexpr const char* kOpenTitle = "モノラル*.wavの読み込み";
inline constexpr const char* kSaveTitle = "*.wavへの保存";
inline constexpr const char* kFilter = "wav Files(*.wav)|*.wav|All Files(*.*)|*.*||";
inline constexpr const char* kInfoCaption = "入力ファイル情報";
inline constexpr const char* kDoneText = "ファイル保存が終了しました";
inline constexpr const char* kFilterMemory = "error .... can't allocate memory for the filter\n";
} // namespace filerun

namespace textexport {
inline constexpr const char* kSaveTitle = "アニメーション結果の*.txtへの保存";
inline constexpr const char* kFilter = "Text File(*.txt)|*.txt|All Files(*.*)|*.*||";
} // namespace textexport

} // namespace ravelin
