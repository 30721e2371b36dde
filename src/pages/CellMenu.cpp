#include "pages/CellMenu.h"

#include <QAction>

CellMenu::CellMenu(const QString &name, const ItemNames &itemNames, Target target, QWidget *parent)
    : QMenu(parent) {
    setObjectName(name);
    for (int i = 0; i < CellCommands::CommandCount; ++i) {
        const auto command = static_cast<CellCommands::Command>(i);
        QAction *action = addAction(CellCommands::caption(command));
        action->setObjectName(QString::fromLatin1(itemNames[i]));
        connect(action, &QAction::triggered, this,
                [target, command] { CellCommands::run(command, target()); });
        m_items[i] = action;
    }
}

QAction *CellMenu::item(CellCommands::Command command) const {
    return m_items[static_cast<int>(command)];
}
