#include "platform/MessageBoxes.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

int MessageBoxes::titleWidth(const QString &title, const QFont &font) {
    QFont bold = font;
    bold.setBold(true);
    const int text = QFontMetrics(bold).horizontalAdvance(title);
    return text + text / 5 + kTitleBarButtonsWidth;
}

void MessageBoxes::prepare(QMessageBox &box) {
    // The hints bind the window manager only with CustomizeWindowHint; without it the frame's
    // buttons are left to its defaults.
    box.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                       Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    // The box fixes its size from its layout's least width whenever it is shown: a spacer of the
    // title's width across the layout holds it open. A box lays itself out anew when its icon or
    // texts change, which is why this comes last.
    auto *grid = qobject_cast<QGridLayout *>(box.layout());
    if (!grid || box.windowTitle().isEmpty()) return;
    const QMargins margins = grid->contentsMargins();
    const int width = titleWidth(box.windowTitle(), box.font()) - margins.left() - margins.right();
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Fixed, QSizePolicy::Minimum),
                  grid->rowCount(), 0, 1, grid->columnCount());
}

namespace {
void showBox(QMessageBox::Icon icon, QWidget *parent, const QString &title, const QString &text) {
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    MessageBoxes::prepare(box);
    box.exec();
}
} // namespace

void MessageBoxes::information(QWidget *parent, const QString &title, const QString &text) {
    showBox(QMessageBox::Information, parent, title, text);
}

void MessageBoxes::warning(QWidget *parent, const QString &title, const QString &text) {
    showBox(QMessageBox::Warning, parent, title, text);
}

void MessageBoxes::critical(QWidget *parent, const QString &title, const QString &text) {
    showBox(QMessageBox::Critical, parent, title, text);
}
