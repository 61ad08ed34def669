#pragma once

#include "engine/Presets.h"
#include "files/CoefFile.h"
#include "files/FileRun.h"
#include "files/TextExport.h"
#include "words/Language.h"

#include <array>
#include <string>

namespace ravelin {

// The settings dialog's caption of each preset, in the presets' order.
inline constexpr std::array<Word, kFilterCount> kFilterCaptions = {{
    {"通過δ(t)", "Pass-through δ(t)"},
    {"ディレイδ(t-5)", "Delay δ(t-5)"},
    {"エコー0.8δ(t)+0.2δ(t-5)", "Echo 0.8δ(t)+0.2δ(t-5)"},
    {"移動平均５", "Moving average (5)"},
    {"一次遅れ要素", "First-order lag"},
    {"二次遅れ要素", "Second-order lag"},
    {"ディレイδ(t-1023) *", "Delay δ(t-1023) *"},
    {"エコー0.9δ(t)+0.2δ(t-1023) *", "Echo 0.9δ(t)+0.2δ(t-1023) *"},
    {"低域通過フィルタ1/4", "Low-pass filter 1/4"},
    {"低域通過フィルタ1/8", "Low-pass filter 1/8"},
    {"低域通過フィルタ1/20", "Low-pass filter 1/20"},
    {"ユーザ設定３タップ係数フィルタ", "User three-tap filter"},
}};
inline constexpr std::array<Word, kInputCount> kInputCaptions = {{
    {"単位インパルス関数", "Unit impulse"},
    {"２×単位インパルス関数", "2 × unit impulse"},
    {"単純テスト信号", "Simple test signal"},
    {"ファイルデータ *", "File data *"},
}};

// The information box: the input's path and header fields, one "\n"-ended line each.
std::string InformationText(const std::string& path, const WavHeader& header);

// The error message of a fault concerning path. A refused channel count or sample
// width is told after the information text of header.
std::string FaultText(FileFault fault, const std::string& path, const WavHeader& header = {});

// What the completion box and the waveform panel call the outputs the run clamped, so
// that both speak of the one count.
inline constexpr Word kClampedSamples{"クリップしたサンプル", "Clipped samples"};

// The system's reason for a fault, on a line of its own after the fault's text: the
// text of an errno value, of kNotRegularFile or of kFileShrank; empty for 0.
std::string ReasonText(int systemError);

// The completion text: kDoneText, followed, when samples were clamped,
// by a line saying how many and where the first was.
std::string CompletionText(const FileRunOutcome& outcome);

// Why a coefficient file cannot be read (or written, CantWrite): the desktop
// program's sentence, and ravelin-cli's line ("file:line: ..." where a line is at fault).
std::string CoefFileText(const std::string& path, const CoefFileResult& result);
std::string CoefFileLine(const std::string& path, const CoefFileResult& result);

// The demonstration's coefficients and results as ravelin-cli prints them (UTF-8, LF):
// the saved file's text in Japanese, with English headings in English. The file itself
// keeps its Japanese headings in either language.
std::string DemoListing(const CRavelinDoc& doc);

// The texts the run shows, for the callers that word their own dialogs.
namespace filerun {
inline constexpr Word kOpenTitle{"モノラル*.wavの読み込み", "Open a mono *.wav file"};
inline constexpr Word kSaveTitle{"*.wavへの保存", "Save the output as *.wav"};
inline constexpr const char* kFilter = "wav Files(*.wav)|*.wav|All Files(*.*)|*.*||";
inline constexpr Word kInfoCaption{"入力ファイル情報", "Input file information"};
inline constexpr Word kDoneText{"ファイル保存が終了しました", "The file has been saved."};
inline constexpr const char* kFilterMemory = "error .... can't allocate memory for the filter\n";
} // namespace filerun

namespace textexport {
inline constexpr Word kSaveTitle{"アニメーション結果の*.txtへの保存",
                                 "Save the animation results as *.txt"};
inline constexpr const char* kFilter = "Text File(*.txt)|*.txt|All Files(*.*)|*.*||";
} // namespace textexport

} // namespace ravelin
