#include "pages/DayRichEdit.h"

#include "richtext/RichText.h"

#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include <algorithm>

DayRichEdit::DayRichEdit(QWidget *parent) : QTextEdit(parent) {}

int DayRichEdit::textLength() const {
    return document()->characterCount() - 1;
}

int DayRichEdit::room() const {
    const QTextCursor c = textCursor();
    const int selected = c.selectionEnd() - c.selectionStart();
    return std::max(0, m_maxLength - (textLength() - selected));
}

void DayRichEdit::keyPressEvent(QKeyEvent *event) {
    if (m_maxLength > 0 && !isReadOnly()) {
        int adds = 0;
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            adds = 1;
        } else if (!(event->modifiers() & Qt::ControlModifier)) {
            const QString text = event->text();
            if (!text.isEmpty() && (text.at(0).isPrint() || text.at(0) == QLatin1Char('\t')))
                adds = text.size();
        }
        if (adds > 0 && adds > room()) {
            event->accept();
            return;
        }
    }
    QTextEdit::keyPressEvent(event);
}

void DayRichEdit::inputMethodEvent(QInputMethodEvent *event) {
    const int left = room();
    if (m_maxLength > 0 && event->commitString().size() > left) {
        QInputMethodEvent cut(event->preeditString(), event->attributes());
        cut.setCommitString(event->commitString().left(left), event->replacementStart(),
                            event->replacementLength());
        QTextEdit::inputMethodEvent(&cut);
        event->accept();
        return;
    }
    QTextEdit::inputMethodEvent(event);
}

bool DayRichEdit::insertWithinLimit(const QString &text) {
    if (isReadOnly() || text.isEmpty()) return false;
    if (m_maxLength > 0 && text.size() > room()) return false;
    QTextCursor cursor = textCursor();
    cursor.insertText(text);
    setTextCursor(cursor);
    ensureCursorVisible();
    return true;
}

void DayRichEdit::insertFromMimeData(const QMimeData *source) {
    if (!source || isReadOnly()) return;
    // Qt's own rich text (from another editor) first, then HTML, then plain text.
    QTextDocumentFragment fragment;
    if (acceptRichText() && source->hasFormat(QStringLiteral("application/x-qrichtext"))) {
        fragment = QTextDocumentFragment::fromHtml(
            QStringLiteral("<meta name=\"qrichtext\" content=\"1\" />") +
            QString::fromUtf8(source->data(QStringLiteral("application/x-qrichtext"))));
    } else if (acceptRichText() && source->hasHtml()) {
        fragment = QTextDocumentFragment::fromHtml(source->html());
    }
    if (!fragment.isEmpty()) {
        fragment = richtext::storable(fragment);
    } else if (source->hasText()) {
        // Plain text takes the formatting at the caret, as typed text does.
        QString plain = source->text();
        plain.replace(QLatin1String("\r\n"), QLatin1String("\n"))
            .replace(QLatin1Char('\r'), QLatin1Char('\n'))
            .remove(QChar::ObjectReplacementCharacter);
        fragment = QTextDocumentFragment::fromPlainText(plain);
    }
    if (fragment.isEmpty()) return;

    QTextCursor cursor = textCursor();
    const int left = room();
    const QString plain = fragment.toPlainText();
    if (m_maxLength <= 0 || plain.size() <= left) {
        const int before = document()->availableUndoSteps();
        cursor.insertFragment(fragment);
        if (m_maxLength <= 0 || textLength() <= m_maxLength) {
            setTextCursor(cursor);
            ensureCursorVisible();
            return;
        }
        // The formatted text came out longer than counted: take it back, insert it plain.
        while (document()->availableUndoSteps() > before) document()->undo();
        cursor = textCursor();
    }
    // Never half of a surrogate pair.
    const int fits = left > 0 && plain.at(left - 1).isHighSurrogate() ? left - 1 : left;
    if (fits == 0) return;
    cursor.insertText(plain.left(fits));
    setTextCursor(cursor);
    ensureCursorVisible();
}

void DayRichEdit::focusOutEvent(QFocusEvent *event) {
    QTextEdit::focusOutEvent(event);
    // Switching to another application or opening a popup menu is not leaving the editor.
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        emit focusLost();
}

void DayRichEdit::mousePressEvent(QMouseEvent *event) {
    if (event->button() == Qt::RightButton) {
        m_rightDown = true;
        m_rightReleaseReported = false;
    }
    QTextEdit::mousePressEvent(event);
}

void DayRichEdit::mouseReleaseEvent(QMouseEvent *event) {
    QTextEdit::mouseReleaseEvent(event);
    if (event->button() == Qt::RightButton) {
        m_rightDown = false;
        if (m_rightReleaseReported) {
            m_rightReleaseReported = false;
            return;
        }
    }
    emit mouseReleased(event->button());
}

void DayRichEdit::contextMenuEvent(QContextMenuEvent *event) {
    // On X11 the menu opens on the right press and takes the release: report the release now,
    // so a right click records the selection and selects the cell before the menu shows.
    if (event->reason() == QContextMenuEvent::Mouse && m_rightDown && !m_rightReleaseReported) {
        m_rightReleaseReported = true;
        emit mouseReleased(Qt::RightButton);
    }
    if (m_cellMenu) {
        m_cellMenu->popup(event->globalPos());
        event->accept();
        return;
    }
    QTextEdit::contextMenuEvent(event);
}
