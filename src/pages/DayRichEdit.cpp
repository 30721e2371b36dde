#include "pages/DayRichEdit.h"

#include "richtext/RichText.h"

#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include <algorithm>

namespace {
// The mark of hidden text: three dots of 2 x 2 pixels, 2 apart, on a patch of the ground colour.
constexpr int MarkWidth = 14;
constexpr int MarkHeight = 7;
const QColor MarkColor(96, 96, 96);
} // namespace

DayRichEdit::DayRichEdit(QWidget *parent) : QTextEdit(parent) {
    // The text area repaints only what changed: the mark's corner must follow the text's length
    // and scrolling too.
    const auto updateMark = [this] { viewport()->update(hiddenTextMarkRect()); };
    connect(verticalScrollBar(), &QScrollBar::rangeChanged, this, updateMark);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, updateMark);
}

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

void DayRichEdit::focusInEvent(QFocusEvent *event) {
    QTextEdit::focusInEvent(event);
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        emit focusGained(event->reason());
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

bool DayRichEdit::hasHiddenTextBelow() const {
    if (verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff) return false;
    // The document's bottom margin holds no text: scrolled to the caret at the end, it may stay
    // out of view.
    const QTextDocument *doc = document();
    const int textBottom = int(doc->size().height() - doc->documentMargin());
    return textBottom > verticalScrollBar()->value() + viewport()->height();
}

QRect DayRichEdit::hiddenTextMarkRect() const {
    const QRect area = viewport()->rect();
    return QRect(area.right() - MarkWidth + 1, area.bottom() - MarkHeight + 1, MarkWidth,
                 MarkHeight);
}

void DayRichEdit::paintEvent(QPaintEvent *event) {
    QTextEdit::paintEvent(event);
    if (!hasHiddenTextBelow()) return;
    QPainter painter(viewport());
    const QRect mark = hiddenTextMarkRect();
    painter.fillRect(mark, palette().color(QPalette::Base));
    for (int i = 0; i < 3; ++i)
        painter.fillRect(mark.left() + 2 + 4 * i, mark.bottom() - 2, 2, 2, MarkColor);
}
