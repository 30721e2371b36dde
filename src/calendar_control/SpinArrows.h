#pragma once

#include <QWidget>

class QTimer;

// A spin button without a text field: two small arrow buttons stacked vertically. A press
// moves position() one step within minimum()..maximum() (held down, it repeats) and then
// emits stepped(), also when the position is already at its end.
class SpinArrows : public QWidget {
    Q_OBJECT
public:
    SpinArrows(int minimum, int maximum, QWidget *parent = nullptr);

    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    int position() const { return m_position; }
    // Clamped to minimum()..maximum(); emits nothing.
    void setPosition(int value);
    // What a press on the upper (true) or lower arrow does: step, then stepped().
    void step(bool up);

    QSize sizeHint() const override;

signals:
    void stepped(bool up);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void repeatStep();

    int m_minimum;
    int m_maximum;
    int m_position;
    // 0 none, 1 upper arrow, -1 lower arrow held down.
    int m_pressed = 0;
    QTimer *m_repeatTimer;
};
