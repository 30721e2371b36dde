#include "app/PageButton.h"

#include <QPainter>

PageButton::PageButton(const QString &caption, QWidget *parent) : QAbstractButton(parent) {
    setText(caption);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
}

void PageButton::setPictures(const QPixmap &normal, const QPixmap &hot, const QPixmap &down) {
    m_normal = normal;
    m_hot = hot;
    m_down = down;
    update();
}

void PageButton::paintEvent(QPaintEvent *) {
    QPainter p(this);
    const bool down = isDown() || isChecked();
    const QPixmap &pic = down ? m_down : (m_hover && isEnabled() ? m_hot : m_normal);
    if (!isEnabled()) p.setOpacity(0.55);
    if (!pic.isNull())
        p.drawPixmap(rect(), pic);
    else
        p.fillRect(rect(), down ? QColor(120, 170, 226) : QColor(226, 238, 250));
    p.setOpacity(1.0);
    p.setPen(!isEnabled() ? QColor(150, 158, 168) : down ? Qt::white : QColor(40, 70, 110));
    p.drawText(rect(), Qt::AlignCenter, text());
}

void PageButton::enterEvent(QEnterEvent *) {
    m_hover = true;
    update();
}

void PageButton::leaveEvent(QEvent *) {
    m_hover = false;
    update();
}
