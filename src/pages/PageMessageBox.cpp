#include "pages/PageMessageBox.h"

#include <QGuiApplication>
#include <QMessageBox>

void PageMessageBox::show(QWidget *parent, const PageMessage &message) {
    const QString caption =
        message.caption.isEmpty() ? QGuiApplication::applicationDisplayName() : message.caption;
    if (message.kind == PageMessage::Kind::Information)
        QMessageBox::information(parent, caption, message.text);
    else
        QMessageBox::critical(parent, caption, message.text);
}
