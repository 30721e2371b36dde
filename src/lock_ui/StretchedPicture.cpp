#include "lock_ui/StretchedPicture.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

StretchedPicture::StretchedPicture(const QImage &image, bool dragMoves, QWidget *parent)
    : QWidget(parent), m_image(image), m_dragMoves(dragMoves) {}

void StretchedPicture::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect(), m_image);
}

void StretchedPicture::mousePressEvent(QMouseEvent *event) {
    QWindow *handle = window()->windowHandle();
    if (m_dragMoves && event->button() == Qt::LeftButton && handle) {
        // The window manager moves the borderless window as if its caption were dragged.
        handle->startSystemMove();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}
