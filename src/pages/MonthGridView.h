#pragma once

#include "pages/MonthGridModel.h"

#include <QWidget>

// The month grid of the desktop month page: weekday header "S M T W T F S", cells with white title
// strips and day numbers, selected cells with a green strip. Draws a MonthGridModel it does not
// own; a press takes the focus first and then reports the cell, so that an editor losing the
// focus saves before the selection changes.
class MonthGridView : public QWidget {
    Q_OBJECT
public:
    explicit MonthGridView(const MonthGridModel &model, QWidget *parent = nullptr);

    // The cell under a point, or -1 (header, outside).
    int cellAt(const QPoint &pos) const;

signals:
    void cellPressed(int cell, Qt::KeyboardModifiers modifiers);
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    const MonthGridModel &m_model;
    bool m_pressed = false;
};
