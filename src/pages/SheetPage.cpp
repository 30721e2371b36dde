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

SheetDocument::Kind SheetPage::Config::documentKind() const {
    return {sheet, keyedByMonth, emptiedLineTurnsBlack};
}

SheetPage::SheetPage(const Config &config, PageContext &context, QWidget *parent)
    : NotePage(std::make_unique<SheetDocument>(context, config.documentKind()), parent),
      m_config(config) {
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
                [this, edit](const QString &text) { lineEdited(edit, text); });
        // Leaving a line unchanged writes nothing.
        connect(edit, &NoteLineEdit::focusLost, this, [this] { document()->saveIfModified(); });
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
    SheetDocument *sheet = document();
    connect(sheet, &NoteDocument::loaded, this, &SheetPage::fillLines);
    connect(sheet, &SheetDocument::lineChanged, this, &SheetPage::showLine);
    connect(sheet, &NoteDocument::saveFinished, this, [this](bool ok) {
        if (!ok) return;
        for (NoteLineEdit *e : m_lines) e->setModified(false);
    });
    layoutPage();
}

SheetPage::~SheetPage() {
    // Lines losing the focus while the widgets are torn down must not save.
    for (NoteLineEdit *e : m_lines) e->disconnect(this);
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

void SheetPage::fillLines() {
    m_filling = true;
    for (int n = 1; n <= LineCount; ++n) {
        m_lines[n - 1]->setStoredText(document()->text(n));
        m_lines[n - 1]->setColorValue(document()->color(n));
    }
    m_filling = false;
}

void SheetPage::applyReadOnly(bool readOnly) {
    for (NoteLineEdit *e : m_lines) e->setReadOnly(readOnly);
}

void SheetPage::setLineColor(int line, int color) {
    document()->setColor(line, color);
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

void SheetPage::lineEdited(NoteLineEdit *edit, const QString &text) {
    if (m_filling) return;
    document()->setText(edit->lineNumber(), text);
}

void SheetPage::showLine(int line) {
    NoteLineEdit *edit = m_lines[line - 1];
    const QString &text = document()->text(line);
    if (edit->text() != text) {
        m_filling = true;
        edit->setStoredText(text);
        m_filling = false;
    }
    if (edit->colorValue() != document()->color(line)) edit->setColorValue(document()->color(line));
}

void SheetPage::setHolidays(std::shared_ptr<const HolidayTable> holidays) {
    if (m_calendar) m_calendar->setHolidays(std::move(holidays));
}
