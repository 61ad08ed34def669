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
// On failure returns the message to show (empty on success); nothing is left behind.
std::string WriteTextExport(const CRavelinDoc& doc, const std::string& path);

} // namespace ravelin
