#pragma once

#include "pages/CellCommands.h"

#include <QMenu>

#include <array>
#include <functional>

// The context menu of a page's rich-text cells (the day editors of the month page, the month boxes
// of the annual page): the seven editing commands in their order, without shortcut
// keys or accelerators. An item acts on the cell that `target` gives when the item is chosen:
// the page's focused cell, which is the cell that opened the menu (a press gives a cell the
// focus before its menu opens); with no focused cell it does nothing.
class CellMenu : public QMenu {
    Q_OBJECT
public:
    using Target = std::function<QWidget *()>;
    using ItemNames = std::array<const char *, CellCommands::CommandCount>;

    // `itemNames`: the object names of the items, in the commands' order.
    CellMenu(const QString &name, const ItemNames &itemNames, Target target,
             QWidget *parent = nullptr);

    QAction *item(CellCommands::Command command) const;

private:
    std::array<QAction *, CellCommands::CommandCount> m_items{};
};
