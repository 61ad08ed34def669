#pragma once

#include <QString>

namespace ravelin {

// CommandWord(text): a text of this header (kReadyText, ...) in the program's language.
QString CommandWord(const char* text);

// The program's string table for commands: each entry is the status-bar prompt,
// then, after a line feed, the tooltip. Commands without an entry have neither.
QString CommandString(int id);

// The part before the line feed: shown in the status bar while the pointer is on
// the menu item or toolbar button.
QString CommandPrompt(int id);

// The part after the line feed; empty for menu-only commands.
QString CommandTooltip(int id);

// The idle text of the status bar's message pane.
inline constexpr const char* kReadyText = QT_TRANSLATE_NOOP("CommandStrings", "ﾚﾃﾞｨ");

// The title of a document that has no file.
inline constexpr const char* kUntitled = QT_TRANSLATE_NOOP("CommandStrings", "無題");

// The window title that follows the document's title.
inline constexpr const char* kAppTitle = "Ravelin";

// Texts of the lock-key panes of the status bar.
inline constexpr const char* kIndicatorKana = QT_TRANSLATE_NOOP("CommandStrings", "ｶﾅ");
inline constexpr const char* kIndicatorCaps = "CAP";
inline constexpr const char* kIndicatorNum = "NUM";
inline constexpr const char* kIndicatorScrl = "SCRL";

} // namespace ravelin
