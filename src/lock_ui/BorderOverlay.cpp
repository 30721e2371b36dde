#include "lock_ui/BorderOverlay.h"

#include <QEvent>
#include <QPainter>

BorderOverlay::BorderOverlay(const QColor &pen, QWidget *parent) : QWidget(parent), m_pen(pen) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setGeometry(parent->rect());
    parent->installEventFilter(this);
    raise();
}

void BorderOverlay::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setPen(m_pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

bool BorderOverlay::eventFilter(QObject *watched, QEvent *event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize) {
        setGeometry(parentWidget()->rect());
        raise();
    }
    return QWidget::eventFilter(watched, event);
}
