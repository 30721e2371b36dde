#include "calendar_control/SpinArrows.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QTimer>

#include <algorithm>

SpinArrows::SpinArrows(int minimum, int maximum, QWidget *parent)
    : QWidget(parent), m_minimum(minimum), m_maximum(maximum), m_position(minimum),
      m_repeatTimer(new QTimer(this)) {
    setFocusPolicy(Qt::NoFocus);
    resize(sizeHint());
    connect(m_repeatTimer, &QTimer::timeout, this, &SpinArrows::repeatStep);
}

void SpinArrows::setPosition(int value) {
    m_position = std::clamp(value, m_minimum, m_maximum);
}

void SpinArrows::step(bool up) {
    setPosition(m_position + (up ? 1 : -1));
    emit stepped(up);
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
        const bool down = (i == 0 && m_pressed == 1) || (i == 1 && m_pressed == -1);
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
    m_pressed = event->position().y() < height() / 2 ? 1 : -1;
    update();
    step(m_pressed == 1);
    m_repeatTimer->start(400);
}

void SpinArrows::mouseReleaseEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton) return;
    m_pressed = 0;
    m_repeatTimer->stop();
    update();
}

void SpinArrows::repeatStep() {
    // The release may have gone elsewhere, for instance to a dialog opened by the handler.
    if (m_pressed == 0 || !(QGuiApplication::mouseButtons() & Qt::LeftButton)) {
        m_pressed = 0;
        m_repeatTimer->stop();
        update();
        return;
    }
    m_repeatTimer->start(100);
    step(m_pressed == 1);
}
