#include "lock_ui/LockMessageBox.h"

#include "platform/MessageBoxes.h"

#include <QMessageBox>

void LockMessageBox::show(QWidget *owner, const QString &text, const QString &caption, Kind kind) {
    QMessageBox box(kind == Kind::Error ? QMessageBox::Critical : QMessageBox::NoIcon, caption,
                    text, QMessageBox::Ok, owner);
    MessageBoxes::prepare(box);
    box.exec();
}
