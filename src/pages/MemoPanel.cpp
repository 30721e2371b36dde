#include "pages/MemoPanel.h"

#include "pages/NoteLineEdit.h"
#include "pages/RuledPaper.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>

#include <algorithm>

namespace {
// Tops of the eleven lines in the panel.
constexpr std::array<int, MemoDocument::LineCount> LineTops{34,  62,  88,  114, 140, 166,
                                                            192, 218, 244, 270, 296};
// The paper's rows; each is followed by its one-pixel rule.
constexpr int RowHeight = 25;
const QRect PaperRect(6, 28, 179, 303);
} // namespace

MemoPanel::MemoPanel(PageContext &context, QWidget *parent)
    : QWidget(parent), m_document(std::make_unique<MemoDocument>(context)) {
    setObjectName(QStringLiteral("Panel2"));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);
    resize(200, 335);

    m_label = new QLabel(QStringLiteral("备忘录"), this);
    m_label->setObjectName(QStringLiteral("lbl1"));
    QFont labelFont(QStringLiteral("宋体"));
    labelFont.setPixelSize(13);
    m_label->setFont(labelFont);
    m_label->setStyleSheet(QStringLiteral("color: grey;"));
    m_label->move(72, 13);

    m_paper = new RuledPaper(this);
    m_paper->setObjectName(QStringLiteral("drwgrd16"));
    m_paper->setGeometry(PaperRect);
    m_paper->setGrid(1, 0, 14, RowHeight);

    for (int n = 1; n <= LineCount; ++n) {
        auto *edit = new NoteLineEdit(this);
        edit->setObjectName(QStringLiteral("edt%1").arg(n));
        edit->setLineNumber(n);
        edit->setFrame(false);
        edit->setTextMargins(0, 0, 0, 0);
        edit->setContextMenuPolicy(Qt::NoContextMenu);
        const int left = n >= 7 && n <= 9 ? 7 : 6;
        const int width = n >= 8 && n <= 10 ? 178 : 177;
        edit->setGeometry(left, LineTops[n - 1], width, 17);
        connect(edit, &QLineEdit::textChanged, this, [this, edit] { onLineEdited(edit); });
        connect(edit, &NoteLineEdit::focusLost, this, [this, edit] { onLineLeft(edit); });
        connect(edit, &NoteLineEdit::focusGained, this, [this, edit] { onLineEntered(edit); });
        m_lines[n - 1] = edit;
        if (n > 1) setTabOrder(m_lines[n - 2], edit);
    }
    m_failureBar = new QLabel(this);
    m_failureBar->setObjectName(QStringLiteral("lblWriteFailure"));
    m_failureBar->setWordWrap(true);
    m_failureBar->setFrameShape(QFrame::Box);
    m_failureBar->setMargin(2);
    m_failureBar->setFont(labelFont);
    QPalette barPalette = m_failureBar->palette();
    barPalette.setColor(QPalette::Window, QColor(255, 243, 205));
    barPalette.setColor(QPalette::WindowText, QColor(160, 0, 0));
    m_failureBar->setPalette(barPalette);
    m_failureBar->setAutoFillBackground(true);
    m_failureBar->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_failureBar->hide();

    m_document->setWriteFailuresShownByView(true);
    connect(m_document.get(), &MemoDocument::loaded, this, &MemoPanel::fillLines);
    connect(m_document.get(), &MemoDocument::readOnlyChanged, this, &MemoPanel::updateEditable);
    connect(m_document.get(), &MemoDocument::writeFailureChanged, this,
            &MemoPanel::showWriteFailure);
    updateEditable();
}

MemoPanel::~MemoPanel() {
    for (NoteLineEdit *e : m_lines) e->disconnect(this);
}

void MemoPanel::fillLines() {
    m_filling = true;
    for (int n = 1; n <= LineCount; ++n) m_lines[n - 1]->setStoredText(m_document->line(n));
    m_filling = false;
    updateEditable();
}

void MemoPanel::onLineEdited(NoteLineEdit *edit) {
    // Text set without the focus (the load) never writes back.
    if (m_filling || !(edit->hasFocus() || edit->window()->focusWidget() == edit)) return;
    m_document->lineChanged(edit->lineNumber(), edit->text());
}

void MemoPanel::onLineLeft(NoteLineEdit *edit) {
    if (m_document->isLoaded()) m_document->lineLeft(edit->lineNumber(), edit->text());
}

void MemoPanel::onLineEntered(NoteLineEdit *edit) {
    m_currentLine = edit->lineNumber();
    placeFailureBar();
    // A load that failed is tried again when the user comes back to the list.
    if (!m_document->isLoaded() && !m_document->isTelling()) load();
}

void MemoPanel::updateEditable() {
    const bool editable = !m_document->isReadOnly() && m_document->isLoaded();
    for (NoteLineEdit *e : m_lines) e->setReadOnly(!editable);
}

QRect MemoPanel::rowRect(int n) const {
    const int pitch = RowHeight + 1;
    const int row = (LineTops[n - 1] - PaperRect.top()) / pitch;
    return QRect(PaperRect.left(), PaperRect.top() + row * pitch, PaperRect.width(), pitch);
}

NoteLineEdit *MemoPanel::lineAt(const QPoint &pos) const {
    for (int n = 1; n <= LineCount; ++n)
        if (rowRect(n).contains(pos)) return m_lines[n - 1];
    return nullptr;
}

void MemoPanel::forwardTo(NoteLineEdit *edit, QMouseEvent *event) {
    QPoint at = edit->mapFrom(this, event->position().toPoint());
    at.setY(edit->height() / 2);
    QMouseEvent forwarded(event->type(), QPointF(at), event->scenePosition(),
                          event->globalPosition(), event->button(), event->buttons(),
                          event->modifiers(), event->pointingDevice());
    QApplication::sendEvent(edit, &forwarded);
}

// Presses on the paper come here too: the paper takes none.
void MemoPanel::mousePressEvent(QMouseEvent *event) {
    NoteLineEdit *edit = lineAt(event->position().toPoint());
    if (!edit) {
        QWidget::mousePressEvent(event);
        return;
    }
    // A click on the edit itself gives it the focus before its press; a forwarded one does not.
    edit->setFocus(Qt::MouseFocusReason);
    m_pressedLine = edit;
    forwardTo(edit, event);
    event->accept();
}

void MemoPanel::mouseMoveEvent(QMouseEvent *event) {
    if (!m_pressedLine) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    forwardTo(m_pressedLine, event);
    event->accept();
}

void MemoPanel::mouseReleaseEvent(QMouseEvent *event) {
    if (!m_pressedLine) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    NoteLineEdit *edit = m_pressedLine;
    if (!event->buttons()) m_pressedLine = nullptr;
    forwardTo(edit, event);
    event->accept();
}

void MemoPanel::mouseDoubleClickEvent(QMouseEvent *event) {
    NoteLineEdit *edit = lineAt(event->position().toPoint());
    if (!edit) {
        QWidget::mouseDoubleClickEvent(event);
        return;
    }
    m_pressedLine = edit;
    forwardTo(edit, event);
    event->accept();
}

void MemoPanel::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    placeFailureBar();
}

void MemoPanel::showWriteFailure(const QString &message) {
    m_failureBar->setText(message);
    m_failureBar->setVisible(!message.isEmpty());
    placeFailureBar();
}

void MemoPanel::placeFailureBar() {
    if (m_failureBar->isHidden()) return;
    const int barWidth = std::max(0, width() - 4);
    const int barHeight = std::min(m_failureBar->heightForWidth(barWidth), height() / 2 - 4);
    // At the bottom of the list, or at its top while a line of the lower half is being typed in.
    const bool lowerLine =
        m_currentLine > 0 && line(m_currentLine)->geometry().center().y() > height() / 2;
    m_failureBar->setGeometry(2, lowerLine ? 2 : height() - barHeight - 2, barWidth, barHeight);
    m_failureBar->raise();
}
