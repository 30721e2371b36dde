#include "app/DialogPrompts.h"

#include "base/AppIdentity.h"
#include "platform/MessageBoxes.h"
#include "platform/WebPageOpener.h"

#include <QColorDialog>
#include <QMessageBox>
#include <QPushButton>

QWidget *DialogPrompts::parentWindow() const {
    return m_window && m_window->isVisible() ? m_window.data() : nullptr;
}

void DialogPrompts::showMessage(const PageMessage &message) {
    const QString caption =
        message.caption.isEmpty() ? QString::fromUtf8(AppIdentity::kAppTitle) : message.caption;
    if (message.kind == PageMessage::Kind::Information)
        MessageBoxes::information(parentWindow(), caption, message.text);
    else
        MessageBoxes::critical(parentWindow(), caption, message.text);
}

bool DialogPrompts::confirmQuit(const QString &question) {
    QMessageBox box(QMessageBox::Warning, QString::fromUtf8(AppIdentity::kAppTitle), question,
                    QMessageBox::NoButton, parentWindow());
    QPushButton *quit = box.addButton(QStringLiteral("退出"), QMessageBox::AcceptRole);
    box.setDefaultButton(box.addButton(QStringLiteral("保留窗口"), QMessageBox::RejectRole));
    MessageBoxes::prepare(box);
    box.exec();
    return box.clickedButton() == quit;
}

QColor DialogPrompts::chooseColour(const QColor &initial) {
    QColorDialog dialog(initial, parentWindow());
    dialog.setObjectName(QStringLiteral("ColorDialog1"));
    // The widget dialog always shows its custom colours; a desktop's own may not.
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedColor() : QColor();
}

bool DialogPrompts::openInBrowser(const QUrl &url) {
    return WebPageOpener::open(url);
}
