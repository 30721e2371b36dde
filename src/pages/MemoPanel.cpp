#include "pages/MemoPanel.h"

#include "pages/NoteLineEdit.h"
#include "pages/RuledPaper.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>

namespace {
// Tops of edt1 .. edt11 in the panel.
constexpr std::array<int, MemoList::LineCount> LineTops{34,  62,  88,  114, 140, 166,
                                                        192, 218, 244, 270, 296};
} // namespace

MemoPanel::MemoPanel(NoteStore &store, PageFlags &flags, QWidget *parent)
    : QWidget(parent), m_memo(store), m_flags(flags) {
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
        connect(edit, &QLineEdit::textChanged, this, [this, edit] { edt1Change(edit); });
        connect(edit, &NoteLineEdit::focusLost, this, [this, edit] { edt1Exit(edit); });
        connect(edit, &NoteLineEdit::focusGained, this, [this, edit] { edt1Enter(edit); });
        m_lines[n - 1] = edit;
        if (n > 1) setTabOrder(m_lines[n - 2], edit);
    }
    setEditable(false);
}

MemoPanel::~MemoPanel() {
    for (NoteLineEdit *e : m_lines) e->disconnect(this);
}

void MemoPanel::setMessageSink(std::function<void(const QString &)> sink) {
    m_messageSink = std::move(sink);
}

bool MemoPanel::LoadMemoList() {
    const bool wasLoading = m_flags.loading;
    m_flags.loading = true;
    const std::optional<QString> failure = m_memo.load();
    if (!failure) {
        m_filling = true;
        for (int n = 1; n <= LineCount; ++n) m_lines[n - 1]->setStoredText(m_memo.line(n));
        m_filling = false;
        setEditable(m_storeWritable);
    }
    m_flags.loading = wasLoading;
    if (m_storeWritable) tell(failure);
    return !failure;
}

bool MemoPanel::writePending(bool tellFailure) {
    const std::optional<QString> failure = m_memo.writePending();
    if (tellFailure) tell(failure);
    return !failure;
}

QList<UnsavedCell> MemoPanel::unsavedCells() const {
    QList<UnsavedCell> cells;
    for (int n = 1; n <= LineCount; ++n) {
        if (const std::optional<QString> &text = m_memo.pending(n))
            cells.append({QStringLiteral("备忘录"), QDate(), QStringLiteral("第 %1 行").arg(n),
                          *text, text->toUtf8()});
    }
    return cells;
}

void MemoPanel::edt1Change(NoteLineEdit *edit) {
    // Text set without the focus (the load) never writes back.
    if (m_filling || !(edit->hasFocus() || edit->window()->focusWidget() == edit)) return;
    tell(m_memo.lineChanged(edit->lineNumber(), edit->text()));
}

void MemoPanel::edt1Exit(NoteLineEdit *edit) {
    if (m_memo.isLoaded()) tell(m_memo.lineLeft(edit->lineNumber(), edit->text()));
}

void MemoPanel::edt1Enter(NoteLineEdit *edit) {
    m_currentLine = edit->lineNumber();
    // A load that failed is tried again when the user comes back to the list.
    if (!m_memo.isLoaded() && !m_telling) LoadMemoList();
}

void MemoPanel::setStoreWritable(bool writable) {
    m_storeWritable = writable;
    setEditable(writable && m_memo.isLoaded());
}

void MemoPanel::setEditable(bool editable) {
    for (NoteLineEdit *e : m_lines) e->setReadOnly(!editable);
}

void MemoPanel::tell(const std::optional<QString> &message) {
    if (!message || m_telling) return;
    // The box takes the focus; the line losing it to the box must not tell a second time.
    m_telling = true;
    if (m_messageSink)
        m_messageSink(*message);
    else
        QMessageBox::information(window(), QGuiApplication::applicationDisplayName(), *message);
    m_telling = false;
}
