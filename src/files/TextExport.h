#pragma once

#include "files/FileRun.h"

#include <string>

namespace ravelin {

class CRavelinDoc;
class IUserPrompts;

enum class TextEncoding { ShiftJis, Utf8 };

// The coefficient table and the 20 time/input/output rows of a finished
// demonstration. The file form is Shift_JIS with CR LF; the console form UTF-8 with LF.
std::string FormatTextExport(const CRavelinDoc& doc, TextEncoding encoding, const char* eol);

// Writes the file form to path through a temporary file and an atomic rename.
// On failure returns the message to show (empty on success), and in systemError when
// given the reason (an errno value, kNotRegularFile or 0); nothing is left behind.
std::string WriteTextExport(const CRavelinDoc& doc, const std::string& path,
                            int* systemError = nullptr);

// The ID_FILE_SAVE command: the save dialog, the export, and its error box.
RunResult RunTextExport(const CRavelinDoc& doc, IUserPrompts& prompts);

namespace textexport {
inline constexpr const char* kSaveTitle = "アニメーション結果の*.txtへの保存";
inline constexpr const char* kFilter = "Text File(*.txt)|*.txt|All Files(*.*)|*.*||";
} // namespace textexport

} // namespace ravelin
