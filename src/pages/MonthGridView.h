#pragma once

#include "pages/MonthGridModel.h"
#include "pages/MonthStrips.h"

#include <QWidget>

#include <array>
#include <memory>

// The month grid of the desktop month page: weekday header "S M T W T F S", cells with white title
// strips holding the day number, its official mark and its lunar caption, selected cells with a
// green strip. Draws a MonthGridModel it does not own; a press takes the focus first and then
// reports the cell, so that an editor losing the focus saves before the selection changes.
class MonthGridView : public QWidget {
    Q_OBJECT
public:
    explicit MonthGridView(const MonthGridModel &model, QWidget *parent = nullptr);

    // The cell under a point, or -1 (header, outside).
    int cellAt(const QPoint &pos) const;

    // The official days off and working days marked in the strips; none without a table.
    void setHolidays(std::shared_ptr<const HolidayTable> holidays);
    // The strips of the model's current month (filled when the month changed since last time).
    const MonthStrips &strips();
    // Where the parts of cell k's strip go at the view's current size.
    MonthStrips::Arrangement stripArrangement(int cell);
    static QFont dayFont();

signals:
    void cellPressed(int cell, Qt::KeyboardModifiers modifiers);
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    const MonthGridModel &m_model;
    std::shared_ptr<const HolidayTable> m_holidays;
    MonthStrips m_strips;
    // The strips' arrangement for one size and fill: text measuring is kept out of the paints.
    std::array<MonthStrips::Arrangement, MonthGridModel::CellCount> m_parts;
    QSize m_partsSize;
    int m_partsGeneration = -1;
    bool m_pressed = false;
};
