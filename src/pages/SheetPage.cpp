#include "pages/SheetPage.h"

#include "calendar_control/LunarCalendarWidget.h"
#include "pages/CellCommands.h"
#include "pages/NoteLineEdit.h"
#include "pages/RuledPaper.h"

#include <QDateTime>

#include <algorithm>

namespace {
void fillWhite(QWidget *widget, QPalette::ColorRole role) {
    QPalette pal = widget->palette();
    pal.setColor(role, Qt::white);
    widget->setPalette(pal);
    widget->setAutoFillBackground(true);
}
} // namespace

SheetPage::Config SheetPage::Config::general() {
    Config c;
    c.panelName = QStringLiteral("pnlJishi");
    c.paperName = QStringLiteral("DrawGrid1");
    c.linePrefix = QStringLiteral("Edit");
    c.splitName = QStringLiteral("pnlHide");
    c.sheet = NoteStore::Sheet::General;
    c.variant = SheetLayout::Variant::General;
    c.maxLineBytes = GeneralLineBytes;
    c.keyedByMonth = true;
    return c;
}

SheetPage::Config SheetPage::Config::calendar() {
    Config c;
    c.panelName = QStringLiteral("pnlRili");
    c.paperName = QStringLiteral("drwgrd1");
    c.linePrefix = QStringLiteral("edtr");
    c.splitName = QStringLiteral("pnlSplit");
    c.sheet = NoteStore::Sheet::Calendar;
    c.variant = SheetLayout::Variant::Calendar;
    c.emptiedLineTurnsBlack = true;
    return c;
}

SheetPage::SheetPage(const Config &config, NoteStore &store, PageFlags &flags, QWidget *parent)
    : NotePage(store, flags, parent), m_config(config),
      m_state(store, config.sheet, config.emptiedLineTurnsBlack) {
    setObjectName(config.panelName);
    fillWhite(this, QPalette::Window);

    m_paper = new RuledPaper(this);
    m_paper->setObjectName(config.paperName);

    QFont lineFont(QStringLiteral("Verdana"));
    lineFont.setPointSize(10);
    for (int n = 1; n <= LineCount; ++n) {
        auto *edit = new NoteLineEdit(this);
        edit->setObjectName(config.linePrefix + QString::number(n));
        edit->setLineNumber(n);
        edit->setMaxBytes(config.maxLineBytes);
        edit->setFrame(false);
        edit->setFont(lineFont);
        edit->setTextMargins(0, 0, 0, 0);
        fillWhite(edit, QPalette::Base);
        connect(edit, &QLineEdit::textChanged, this,
                [this, edit](const QString &text) { lineChanged(edit, text); });
        // Edit1Exit / edtr1Exit; leaving a line unchanged writes nothing.
        connect(edit, &NoteLineEdit::focusLost, this, [this] { saveIfModified(); });
        m_lines[n - 1] = edit;
        if (n > 1) setTabOrder(m_lines[n - 2], edit);
    }

    // Breaks the rules between the two columns.
    m_split = new QWidget(this);
    m_split->setObjectName(config.splitName);
    fillWhite(m_split, QPalette::Window);

    if (config.variant == SheetLayout::Variant::Calendar) {
        m_calendar = new LunarCalendarWidget(this);
        m_calendar->setObjectName(QStringLiteral("chnRili"));
        m_calendar->resize(CalendarSize);
        m_calendar->raise();
    }
    layoutPage();
}

SheetPage::~SheetPage() {
    // Lines losing the focus while the widgets are torn down must not save.
    for (NoteLineEdit *e : m_lines) e->disconnect(this);
}

QString SheetPage::keyFor(const QDate &date) const {
    return m_config.keyedByMonth ? NoteStore::yearMonthKey(date) : NoteStore::CalendarSheetKey;
}

void SheetPage::layoutPage() {
    const QSize calendarSize = m_calendar ? m_calendar->size() : QSize();
    const SheetLayout layout(width(), height(), m_config.variant, calendarSize);
    m_paper->setGeometry(rect());
    m_paper->setGrid(SheetLayout::Columns, std::max(0, layout.columnWidth()), SheetLayout::Rows,
                     std::max(0, layout.rowHeight()));
    for (int n = 1; n <= LineCount; ++n) {
        const QRect r = layout.lineRect(n);
        m_lines[n - 1]->setGeometry(r.x(), r.y(), std::max(0, r.width()), r.height());
    }
    const QRect split = layout.splitRect();
    m_split->setGeometry(split.x(), split.y(), std::max(0, split.width()), split.height());
    if (m_calendar) m_calendar->move(layout.calendarRect().topLeft());
}

SideControls SheetPage::sideControls() const {
    SideControls controls;
    controls.pickerVisible = m_config.keyedByMonth;
    controls.pickerEnabled = m_config.keyedByMonth;
    controls.fontLists = false;
    return controls;
}

QString SheetPage::cellText(int index) const {
    return index >= 0 && index < LineCount ? m_lines[index]->text() : QString();
}

void SheetPage::pickerDateChanged() {
    if (m_config.keyedByMonth)
        NotePage::pickerDateChanged();
    else
        layoutPage();
}

void SheetPage::prepareOpen() {
    if (!m_calendar) return;
    layoutPage();
    m_calendar->setDateTime(QDateTime::currentDateTime());
}

void SheetPage::readCells(const QDate &date) {
    m_state.load(keyFor(date));
    m_filling = true;
    for (int n = 1; n <= LineCount; ++n) {
        m_lines[n - 1]->setStoredText(m_state.text(n));
        m_lines[n - 1]->setColorValue(m_state.color(n));
    }
    m_filling = false;
}

void SheetPage::writeCells(const QDate &) {
    // The state writes under the key it was loaded for, which is the key of the loaded date.
    m_state.save();
}

void SheetPage::setUnmodified(bool) {
    // Stored text goes in without undo history; the state's flag is the page's.
    m_state.setUnmodified();
    for (NoteLineEdit *e : m_lines) e->setModified(false);
}

QList<UnsavedCell> SheetPage::unsavedCells() const {
    QList<UnsavedCell> cells;
    if (!m_state.isModified()) return cells;
    const QString page =
        m_config.keyedByMonth ? QStringLiteral("一般记事") : QStringLiteral("日历");
    const QDate loaded = loadedDate();
    const QDate month = m_config.keyedByMonth && loaded.isValid()
                            ? QDate(loaded.year(), loaded.month(), 1)
                            : QDate();
    for (int n = 1; n <= LineCount; ++n) {
        if (!m_lines[n - 1]->isModified()) continue;
        // A line is plain text with one colour; the colour goes beside it.
        const QString text = m_lines[n - 1]->text();
        cells.append({page, month, QStringLiteral("第 %1 行").arg(n), text,
                      QStringLiteral("颜色 %1: %2").arg(m_state.color(n)).arg(text).toUtf8()});
    }
    return cells;
}

void SheetPage::applyReadOnly(bool readOnly) {
    for (NoteLineEdit *e : m_lines) e->setReadOnly(readOnly);
}

PageMessage SheetPage::saveFailureMessage(const QString &) const {
    return {PageMessage::Kind::Information, saveFailedMessage(), saveFailedCaption()};
}

void SheetPage::setLineColor(int line, int color) {
    m_state.setColor(line, color);
    m_lines[line - 1]->setColorValue(m_state.color(line));
}

QWidget *SheetPage::focusedCell() const {
    for (NoteLineEdit *e : m_lines)
        if (CellCommands::isFocused(e)) return e;
    return nullptr;
}

void SheetPage::setCellColour(QWidget *cell, const QColor &colour) {
    const auto *edit = qobject_cast<NoteLineEdit *>(cell);
    if (edit && std::find(m_lines.begin(), m_lines.end(), edit) != m_lines.end())
        setLineColor(edit->lineNumber(), CellCommands::colourValue(colour));
}

void SheetPage::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    layoutPage();
}

void SheetPage::lineChanged(NoteLineEdit *edit, const QString &text) {
    if (m_filling) return;
    const int n = edit->lineNumber();
    if (m_state.setText(n, text)) edit->setColorValue(m_state.color(n));
}
