#include "pages/NoteLineEdit.h"

#include "base/GbkCodec.h"

#include <QFocusEvent>
#include <QValidator>

#include <algorithm>

// Every change of a QLineEdit's text passes its validator, so one check covers typing, input
// method commits, paste, drop and insert().
class NoteLineEdit::ByteLimit : public QValidator {
public:
    explicit ByteLimit(NoteLineEdit *edit) : QValidator(edit), m_edit(edit) {}

    State validate(QString &input, int &pos) const override {
        if (m_edit->m_storing || m_edit->m_maxBytes <= 0) return Acceptable;
        // A stored text longer than the limit may keep its length, not grow.
        const int allowed =
            std::max(m_edit->m_maxBytes, GbkCodec::byteLength(m_edit->m_acceptedText));
        int bytes = GbkCodec::byteLength(input);
        if (bytes <= allowed) return Acceptable;
        // The inserted text ends at the cursor: cut it from its end, keeping surrogate pairs.
        QString cut = input;
        int at = std::clamp(pos, 0, int(cut.size()));
        while (bytes > allowed && at > 0) {
            const int n =
                at >= 2 && cut[at - 1].isLowSurrogate() && cut[at - 2].isHighSurrogate() ? 2 : 1;
            bytes -= GbkCodec::byteLength(QStringView(cut).mid(at - n, n));
            cut.remove(at - n, n);
            at -= n;
        }
        // Nothing of it fits: refusing lets the edit take the change back with its undo history.
        if (bytes > allowed || cut == m_edit->m_acceptedText) return Invalid;
        input = cut;
        pos = at;
        return Acceptable;
    }

private:
    NoteLineEdit *m_edit;
};

NoteLineEdit::NoteLineEdit(QWidget *parent) : QLineEdit(parent) {
    setValidator(new ByteLimit(this));
    connect(this, &QLineEdit::textChanged, this, [this](const QString &t) { m_acceptedText = t; });
}

void NoteLineEdit::setMaxBytes(int bytes) {
    m_maxBytes = bytes;
}

void NoteLineEdit::setStoredText(const QString &text) {
    m_storing = true;
    setText(text);
    m_storing = false;
    m_acceptedText = text;
    setModified(false);
    // setText() leaves the caret at the end, which scrolls a long text to show its end.
    setCursorPosition(0);
}

void NoteLineEdit::setColorValue(int color) {
    m_color = color;
    QPalette pal = palette();
    pal.setColor(QPalette::Text, QColor(color & 0xff, (color >> 8) & 0xff, (color >> 16) & 0xff));
    setPalette(pal);
}

void NoteLineEdit::focusInEvent(QFocusEvent *event) {
    QLineEdit::focusInEvent(event);
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        emit focusGained();
}

void NoteLineEdit::focusOutEvent(QFocusEvent *event) {
    QLineEdit::focusOutEvent(event);
    // Switching to another application or opening a popup menu is not leaving the line.
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        emit focusLost();
}
