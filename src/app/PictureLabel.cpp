#include "app/PictureLabel.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

PictureLabel::PictureLabel(QWidget *parent) : QWidget(parent) {}

void PictureLabel::setDragsWindow(bool drags) {
    m_dragsWindow = drags;
    setMouseTracking(true);
}

void PictureLabel::paintEvent(QPaintEvent *) {
    QPainter p(this);
    if (m_picture.isNull()) {
        if (m_fallback.isValid()) p.fillRect(rect(), m_fallback);
        return;
    }
    if (m_stretched)
        p.drawImage(rect(), m_picture);
    else
        p.drawImage(0, 0, m_picture);
}

void PictureLabel::mousePressEvent(QMouseEvent *event) {
    emit pressed();
    if (!m_dragsWindow || event->button() != Qt::LeftButton) return;
    QWidget *top = window();
    QWindow *handle = top->windowHandle();
    if (handle && handle->startSystemMove()) return;
    m_manualDrag = true;
    m_dragOffset = event->globalPosition().toPoint() - top->frameGeometry().topLeft();
}

void PictureLabel::mouseMoveEvent(QMouseEvent *event) {
    if (m_manualDrag && (event->buttons() & Qt::LeftButton)) {
        window()->move(event->globalPosition().toPoint() - m_dragOffset);
        return;
    }
    emit hovered();
}

void PictureLabel::mouseReleaseEvent(QMouseEvent *) {
    m_manualDrag = false;
}
