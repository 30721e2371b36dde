#include "pages/PageMessageBox.h"

#include "platform/MessageBoxes.h"

#include <QGuiApplication>

void PageMessageBox::show(QWidget *parent, const PageMessage &message) {
    const QString caption =
        message.caption.isEmpty() ? QGuiApplication::applicationDisplayName() : message.caption;
    if (message.kind == PageMessage::Kind::Information)
        MessageBoxes::information(parent, caption, message.text);
    else
        MessageBoxes::critical(parent, caption, message.text);
}
