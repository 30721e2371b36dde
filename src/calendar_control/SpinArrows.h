#pragma once

#include <QWidget>

class QTimer;

// A spin button without a text field: two small arrow buttons stacked vertically. A press
// moves Position one step within Min..Max (held down, it repeats) and then fires Click,
// also when the position is already at its end.
class SpinArrows : public QWidget {
    Q_OBJECT
public:
    SpinArrows(int min, int max, QWidget *parent = nullptr);

    int Min() const { return FMin; }
    int Max() const { return FMax; }
    int Position() const { return FPosition; }
    // Clamped to Min..Max; fires nothing.
    void SetPosition(int value);
    // What a press on the upper (true) or lower arrow does: step, then Click.
    void Step(bool up);

    QSize sizeHint() const override;

signals:
    void Click(bool up);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void Repeat();

    int FMin;
    int FMax;
    int FPosition;
    // 0 none, 1 upper arrow, -1 lower arrow held down.
    int FPressed = 0;
    QTimer *FRepeatTimer;
};
