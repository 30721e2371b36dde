#include "app/FontFaceBox.h"

#include "platform/FontSubstitutes.h"

#include <QFontDatabase>

FontFaceBox::FontFaceBox(QWidget *parent) : QComboBox(parent) {
    const QString noteFace = QString::fromUtf8(NoteFace);
    if (!FontSubstitutes::installedFace(noteFace).isEmpty()) addItem(noteFace);
    setCurrentIndex(count() > 0 ? 0 : -1);
}

void FontFaceBox::ensureFilled() {
    if (m_filled) return;
    m_filled = true;
    const QString current = currentText();
    const bool noteFaceListed = count() > 0;
    const QString noteFace = QString::fromUtf8(NoteFace);
    QStringList families = QFontDatabase::families();
    if (noteFaceListed) families.removeAll(noteFace);
    // Filling must not count as the user's choice.
    const QSignalBlocker blocker(this);
    addItems(families);
    setCurrentIndex(current.isEmpty() ? -1 : findText(current));
}

void FontFaceBox::showPopup() {
    ensureFilled();
    QComboBox::showPopup();
}

void FontFaceBox::focusInEvent(QFocusEvent *event) {
    ensureFilled();
    QComboBox::focusInEvent(event);
}

void FontFaceBox::wheelEvent(QWheelEvent *event) {
    ensureFilled();
    QComboBox::wheelEvent(event);
}
