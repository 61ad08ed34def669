#pragma once

#include "files/FileRun.h"

#include <string>

namespace ravelin {

class CRavelinDoc;

enum class TextEncoding { ShiftJis, Utf8 };

// The four headings of the text: the coefficients' title and column heads, the
// results' title and column heads. The file's own are Japanese, in either encoding.
struct TextExportLabels {
    const char* coefTitle;   // タップ係数
    const char* coefHead;    // 係数番号　タップ係数
    const char* resultTitle; // アニメーションの結果
    const char* resultHead;  // 時刻　入力信号　出力信号
};

// The coefficient table and the 20 time/input/output rows of a finished
// demonstration. The file form is Shift_JIS with CR LF; the console form UTF-8 with LF.
std::string FormatTextExport(const CRavelinDoc& doc, TextEncoding encoding, const char* eol);
// The same rows under the caller's headings (UTF-8), for a listing shown, not stored.
std::string FormatTextExport(const CRavelinDoc& doc, const TextExportLabels& labels,
                             const char* eol);

// Writes the file form to path through a temporary file and an atomic rename.
// Returns FileFault::None when written, CantOpen or CantWrite otherwise, and in
// systemError when given the reason (an errno value, kNotRegularFile or 0); a failure
// leaves nothing behind.
FileFault WriteTextExport(const CRavelinDoc& doc, const std::string& path,
                          int* systemError = nullptr);

} // namespace ravelin
