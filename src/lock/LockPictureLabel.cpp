#include "lock/LockPictureLabel.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

LockPictureLabel::LockPictureLabel(const QImage &image, bool dragMoves, QWidget *parent)
    : QWidget(parent), m_image(image), m_dragMoves(dragMoves) {}

void LockPictureLabel::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect(), m_image);
}

void LockPictureLabel::mousePressEvent(QMouseEvent *event) {
    QWindow *handle = window()->windowHandle();
    if (m_dragMoves && event->button() == Qt::LeftButton && handle) {
        // The window manager moves the borderless window as if its caption were dragged.
        handle->startSystemMove();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}
