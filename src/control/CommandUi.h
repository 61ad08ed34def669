#pragma once

#include <QPointer>
#include <utility>
#include <vector>

class QAction;

namespace ravelin {

class CRavelinDoc;

// Menu items and toolbar buttons that carry the document's commands, each with the
// enable and check rule of its command. Several actions may share one command
// (a menu item and a key, say); they always show the same state.
class CommandUi {
  public:
    // Registers action under command id. The action's lifetime is its owner's;
    // a deleted action is skipped.
    void Add(int id, QAction* action);

    // Applies the document's current rule to every registered action: enabled as
    // the rule says, and, for checkable actions, checked as it says.
    void Refresh(const CRavelinDoc& doc) const;

  private:
    std::vector<std::pair<int, QPointer<QAction>>> m_actions;
};

} // namespace ravelin
