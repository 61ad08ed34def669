#pragma once

namespace ravelin {

class CRavelinDoc;

// Enabled and checked state of one command, as menus and toolbar buttons show it.
struct CommandState {
    bool enabled = true;
    bool checked = false;
    bool operator==(const CommandState&) const = default;
};

// Runs one of the demonstration commands (ID_RUN_STEP, ID_RUN_ANIMATE, ID_TB_STEP,
// ID_TB_ANIMATE, ID_TB_FAST, ID_TB_REWIND): sets the mode and interval, advances one
// step and posts ID_DRAW_DIAGRAM through the document's listener.
// Returns false for any other identifier, which it leaves alone.
bool ExecuteRunCommand(CRavelinDoc& doc, int id);

// The enable and check rule of a command. Commands without a rule of the document
// (ID_SETTINGS and everything that is not a run command) are enabled and unchecked.
CommandState QueryCommandState(const CRavelinDoc& doc, int id);

} // namespace ravelin
