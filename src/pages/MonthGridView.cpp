#include "pages/MonthGridView.h"

#include "pages/MonthPageLayout.h"

#include <QMouseEvent>
#include <QPainter>

namespace {
const QColor HeaderColor(166, 202, 240);
const QColor HeaderFrameColor(128, 128, 128);
const QColor HeaderTextColor(0, 128, 128);
const QColor SelectedStripColor(192, 220, 192);
// The frame of a selected cell, in the usual desktop's inactive caption text colour.
const QColor SelectedFrameColor(67, 78, 84);

} // namespace

QFont MonthGridView::dayFont() {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    font.setBold(true);
    return font;
}

void MonthGridView::setHolidays(std::shared_ptr<const HolidayTable> holidays) {
    m_holidays = std::move(holidays);
    update();
}

const MonthStrips &MonthGridView::strips() {
    m_strips.fill(m_model.monthGrid(), m_holidays);
    return m_strips;
}

MonthStrips::Arrangement MonthGridView::stripArrangement(int cell) {
    const MonthStrips &filled = strips();
    if (m_partsSize != size() || m_partsGeneration != filled.generation()) {
        const MonthPageLayout layout(width(), height());
        const QFont font = dayFont();
        for (int k = 0; k < MonthGridModel::CellCount; ++k) {
            const QRect frame = layout.cellRect(k);
            const MonthStrips::Strip &strip = filled.strip(k);
            m_parts[std::size_t(k)] = MonthStrips::arrange(
                QRect(frame.left(), frame.top(), frame.width(), MonthPageLayout::TitleHeight),
                m_model.dayText(k), font, strip.caption, strip.mark);
        }
        m_partsSize = size();
        m_partsGeneration = filled.generation();
    }
    return m_parts.at(std::size_t(cell));
}

MonthGridView::MonthGridView(const MonthGridModel &model, QWidget *parent)
    : QWidget(parent), m_model(model) {
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

int MonthGridView::cellAt(const QPoint &pos) const {
    const MonthPageLayout layout(width(), height());
    for (int k = 0; k < MonthGridModel::CellCount; ++k)
        if (layout.cellRect(k).contains(pos)) return k;
    return -1;
}

void MonthGridView::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    const MonthPageLayout layout(width(), height());
    const QFont font = dayFont();
    p.setFont(font);

    // Weekday header with a raised frame.
    const QRect header(0, 0, width(), MonthPageLayout::HeaderHeight);
    p.fillRect(header, HeaderColor);
    p.setPen(Qt::white);
    p.drawLine(header.topLeft(), header.topRight());
    p.drawLine(header.topLeft(), header.bottomLeft());
    p.setPen(HeaderFrameColor);
    p.drawLine(header.bottomLeft(), header.bottomRight());
    p.drawLine(header.topRight(), header.bottomRight());
    static const char *const letters[] = {"S", "M", "T", "W", "T", "F", "S"};
    p.setPen(HeaderTextColor);
    for (int c = 0; c < MonthGridModel::Columns; ++c) {
        const QRect cell = layout.cellRect(c);
        p.drawText(QRect(cell.left(), 0, cell.width(), header.height()), Qt::AlignCenter,
                   QString::fromLatin1(letters[c]));
    }

    for (int k = 0; k < MonthGridModel::CellCount; ++k) {
        const QRect cell = layout.cellRect(k);
        const bool selected = m_model.isCellSelected(k);
        const QRect strip(cell.left(), cell.top(), cell.width(), MonthPageLayout::TitleHeight);
        p.fillRect(strip, selected ? SelectedStripColor : QColor(Qt::white));
        const QString dayText = m_model.dayText(k);
        const MonthStrips::Strip &marks = strips().strip(k);
        const bool inMonth = m_model.inDisplayedMonth(k);
        MonthStrips::paint(p, strip, dayText, font, m_model.dayColor(k), inMonth, marks,
                           stripArrangement(k));
    }
    // Frames last, selected ones on top, so shared lines keep the selection visible.
    p.setPen(Qt::black);
    for (int k = 0; k < MonthGridModel::CellCount; ++k) {
        const QRect r = layout.cellRect(k);
        p.drawRect(r.adjusted(0, 0, -1, -1));
    }
    p.setPen(SelectedFrameColor);
    for (int k = 0; k < MonthGridModel::CellCount; ++k)
        if (m_model.isCellSelected(k)) p.drawRect(layout.cellRect(k).adjusted(0, 0, -1, -1));
}

void MonthGridView::mousePressEvent(QMouseEvent *event) {
    // Taking the focus first lets the editor that had it save with the old selection.
    setFocus(Qt::MouseFocusReason);
    m_pressed = event->button() == Qt::LeftButton;
    const int cell = cellAt(event->position().toPoint());
    if (cell >= 0 && event->button() == Qt::LeftButton) emit cellPressed(cell, event->modifiers());
}

void MonthGridView::mouseReleaseEvent(QMouseEvent *event) {
    if (m_pressed && event->button() == Qt::LeftButton &&
        rect().contains(event->position().toPoint()))
        emit clicked();
    m_pressed = false;
}
