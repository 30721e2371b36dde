#include "calendar_control/SpinArrows.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QTimer>

#include <algorithm>

SpinArrows::SpinArrows(int min, int max, QWidget *parent)
    : QWidget(parent), FMin(min), FMax(max), FPosition(min), FRepeatTimer(new QTimer(this)) {
    setFocusPolicy(Qt::NoFocus);
    resize(sizeHint());
    connect(FRepeatTimer, &QTimer::timeout, this, &SpinArrows::Repeat);
}

void SpinArrows::SetPosition(int value) {
    FPosition = std::clamp(value, FMin, FMax);
}

void SpinArrows::Step(bool up) {
    SetPosition(FPosition + (up ? 1 : -1));
    emit Click(up);
}

QSize SpinArrows::sizeHint() const {
    return QSize(17, 24);
}

void SpinArrows::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    const int half = height() / 2;
    const QRect halves[2] = {QRect(0, 0, width(), half), QRect(0, half, width(), height() - half)};
    for (int i = 0; i < 2; ++i) {
        QStyleOptionButton button;
        button.initFrom(this);
        button.rect = halves[i];
        const bool down = (i == 0 && FPressed == 1) || (i == 1 && FPressed == -1);
        button.state |= down ? QStyle::State_Sunken : QStyle::State_Raised;
        style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &button, &painter, this);
        QStyleOption arrow;
        arrow.initFrom(this);
        arrow.rect = halves[i].adjusted(3, 2, -3, -2);
        style()->drawPrimitive(i == 0 ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown,
                               &arrow, &painter, this);
    }
}

void SpinArrows::mousePressEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton) return;
    FPressed = event->position().y() < height() / 2 ? 1 : -1;
    update();
    Step(FPressed == 1);
    FRepeatTimer->start(400);
}

void SpinArrows::mouseReleaseEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton) return;
    FPressed = 0;
    FRepeatTimer->stop();
    update();
}

void SpinArrows::Repeat() {
    // The release may have gone elsewhere, for instance to a dialog opened by the handler.
    if (FPressed == 0 || !(QGuiApplication::mouseButtons() & Qt::LeftButton)) {
        FPressed = 0;
        FRepeatTimer->stop();
        update();
        return;
    }
    FRepeatTimer->start(100);
    Step(FPressed == 1);
}
