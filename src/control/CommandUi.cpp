#include "control/CommandUi.h"

#include "engine/RunCommands.h"

#include <QAction>

namespace ravelin {

void CommandUi::Add(int id, QAction* action)
{
    m_actions.emplace_back(id, action);
}

void CommandUi::Refresh(const CRavelinDoc& doc) const
{
    for (const auto& [id, action] : m_actions) {
        if (!action)
            continue;
        const CommandState state = QueryCommandState(doc, id);
        action->setEnabled(state.enabled);
        if (action->isCheckable())
            action->setChecked(state.checked);
    }
}

QList<QAction*> CommandUi::Actions(int id) const
{
    QList<QAction*> result;
    for (const auto& [actionId, action] : m_actions)
        if (actionId == id && action)
            result.append(action);
    return result;
}

} // namespace ravelin
