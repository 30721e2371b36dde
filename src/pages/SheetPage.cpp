#include "SheetPage.h"

#include "NoteLineEdit.h"
#include "RuledPaper.h"
#include "TChnCalendar.h"

#include <QApplication>
#include <QDateTime>
#include <QMessageBox>

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
    : QWidget(parent), m_config(config), m_flags(flags),
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
        connect(edit, &NoteLineEdit::focusLost, this, [this] {
            if (hasUnsavedChanges()) save();
        });
        m_lines[n - 1] = edit;
        if (n > 1) setTabOrder(m_lines[n - 2], edit);
    }

    // Breaks the rules between the two columns.
    m_split = new QWidget(this);
    m_split->setObjectName(config.splitName);
    fillWhite(m_split, QPalette::Window);

    if (config.variant == SheetLayout::Variant::Calendar) {
        m_calendar = new TChnCalendar(this);
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

void SheetPage::setMessageSink(std::function<void(const QString &)> sink) {
    m_messageSink = std::move(sink);
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

bool SheetPage::load(const QDate &date) {
    // Text typed since the last save belongs to the sheet shown so far.
    if (m_state.isLoaded() && m_state.isModified() && m_flags.savingEnabled && !save())
        return false;
    const bool wasLoading = m_flags.loading;
    m_flags.loading = true;
    bool ok = false;
    QString failure;
    try {
        m_state.load(keyFor(date));
        fillLines();
        ok = true;
    } catch (const StoreError &e) {
        failure = e.message();
    }
    m_flags.loading = wasLoading;
    if (!ok) showMessage(failure, false);
    return ok;
}

bool SheetPage::save() {
    if (!m_flags.savingEnabled || m_saving) return true;
    m_saving = true;
    bool ok = true;
    try {
        m_state.save();
    } catch (const StoreError &) {
        ok = false;
        showMessage(saveFailedMessage(), true);
    }
    m_saving = false;
    return ok;
}

void SheetPage::showToday() {
    if (m_calendar) m_calendar->SetDateTime(QDateTime::currentDateTime());
}

void SheetPage::setLineColor(int line, int color) {
    m_state.setColor(line, color);
    m_lines[line - 1]->setColorValue(m_state.color(line));
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

void SheetPage::fillLines() {
    m_filling = true;
    for (int n = 1; n <= LineCount; ++n) {
        m_lines[n - 1]->setStoredText(m_state.text(n));
        m_lines[n - 1]->setColorValue(m_state.color(n));
    }
    m_filling = false;
}

void SheetPage::showMessage(const QString &text, bool saveFailure) {
    if (m_messageSink) {
        m_messageSink(text);
        return;
    }
    if (saveFailure) {
        QMessageBox box(QMessageBox::Information, saveFailedCaption(), text, QMessageBox::Ok,
                        window());
        box.exec();
    } else {
        QMessageBox::critical(window(), QGuiApplication::applicationDisplayName(), text);
    }
}
