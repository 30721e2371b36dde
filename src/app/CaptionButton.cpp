#include "app/CaptionButton.h"

#include <QMouseEvent>
#include <QPainter>

CaptionButton::CaptionButton(QWidget *parent) : QWidget(parent) {
    setMouseTracking(true);
}

void CaptionButton::setPictures(const QPixmap &normal, const QPixmap &highlight,
                                const QPixmap &down) {
    m_pictures[0][0] = normal;
    m_pictures[0][1] = highlight;
    m_pictures[0][2] = down;
    update();
}

void CaptionButton::setAlternatePictures(const QPixmap &normal, const QPixmap &highlight,
                                         const QPixmap &down) {
    m_pictures[1][0] = normal;
    m_pictures[1][1] = highlight;
    m_pictures[1][2] = down;
    update();
}

void CaptionButton::setUseAlternate(bool alternate) {
    if (m_alternate == alternate) return;
    m_alternate = alternate;
    update();
}

void CaptionButton::setLook(Look look) {
    if (m_look == look) return;
    m_look = look;
    update();
}

void CaptionButton::paintEvent(QPaintEvent *) {
    QPainter p(this);
    const QPixmap &pic = m_pictures[m_alternate ? 1 : 0][static_cast<int>(m_look)];
    if (!pic.isNull()) {
        p.drawPixmap(rect(), pic);
        return;
    }
    // Without pictures: a flat button that still shows its state.
    const QColor fill = m_look == Look::Normal      ? QColor(214, 230, 246)
                        : m_look == Look::Highlight ? QColor(170, 204, 240)
                                                    : QColor(120, 160, 210);
    p.fillRect(rect(), fill);
}

void CaptionButton::enterEvent(QEnterEvent *) {
    setLook(m_pressed ? Look::Down : Look::Highlight);
    emit highlighted();
}

void CaptionButton::leaveEvent(QEvent *) {
    if (!m_pressed) setLook(Look::Normal);
}

void CaptionButton::mouseMoveEvent(QMouseEvent *event) {
    if (m_pressed)
        setLook(rect().contains(event->position().toPoint()) ? Look::Down : Look::Normal);
    else if (m_look == Look::Normal) {
        setLook(Look::Highlight);
        emit highlighted();
    }
}

void CaptionButton::mousePressEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton) return;
    m_pressed = true;
    setLook(Look::Down);
    emit pressedDown();
}

void CaptionButton::mouseReleaseEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton || !m_pressed) return;
    m_pressed = false;
    const bool inside = rect().contains(event->position().toPoint());
    setLook(inside ? Look::Highlight : Look::Normal);
    if (inside) emit clicked();
}
