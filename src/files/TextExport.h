#pragma once

#include "files/FileRun.h"

#include <string>

namespace ravelin {

class CRavelinDoc;

enum class TextEncoding { ShiftJis, Utf8 };

// The coefficient table and the 20 time/input/output rows of a finished
// demonstration. The file form is Shift_JIS with CR LF; the console form UTF-8 with LF.
std::string FormatTextExport(const CRavelinDoc& doc, TextEncoding encoding, const char* eol);

// Writes the file form to path through a temporary file and an atomic rename.
// Returns FileFault::None when written, CantOpen or CantWrite otherwise, and in
// systemError when given the reason (an errno value, kNotRegularFile or 0); a failure
// leaves nothing behind.
FileFault WriteTextExport(const CRavelinDoc& doc, const std::string& path,
                          int* systemError = nullptr);

} // namespace ravelin
