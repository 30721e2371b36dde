#pragma once

#include <QColor>
#include <QWidget>

// A one-pixel frame drawn over the whole of its parent, above every other child, so the
// border of a borderless window stays visible where pictures reach its edge. Mouse presses
// pass through to what lies beneath.
class BorderOverlay : public QWidget {
    Q_OBJECT
public:
    BorderOverlay(const QColor &pen, QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QColor m_pen;
};
