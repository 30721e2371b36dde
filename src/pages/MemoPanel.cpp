#include "pages/MemoPanel.h"

#include "pages/NoteLineEdit.h"
#include "pages/RuledPaper.h"

#include <QLabel>

namespace {
// Tops of the eleven lines in the panel.
constexpr std::array<int, MemoDocument::LineCount> LineTops{34,  62,  88,  114, 140, 166,
                                                            192, 218, 244, 270, 296};
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
    m_paper->setGeometry(6, 28, 179, 303);
    m_paper->setGrid(1, 0, 14, 25);

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
    connect(m_document.get(), &MemoDocument::loaded, this, &MemoPanel::fillLines);
    connect(m_document.get(), &MemoDocument::readOnlyChanged, this, &MemoPanel::updateEditable);
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
    // A load that failed is tried again when the user comes back to the list.
    if (!m_document->isLoaded() && !m_document->isTelling()) load();
}

void MemoPanel::updateEditable() {
    const bool editable = !m_document->isReadOnly() && m_document->isLoaded();
    for (NoteLineEdit *e : m_lines) e->setReadOnly(!editable);
}
