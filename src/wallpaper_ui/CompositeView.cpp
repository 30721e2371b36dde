#include "wallpaper_ui/CompositeView.h"

#include <QPaintEvent>
#include <QPainter>

void CompositeView::setImage(const QImage &image) {
    m_image = image;
    resize(m_image.size());
    update();
}

void CompositeView::paintEvent(QPaintEvent *event) {
    if (m_image.isNull()) return;
    QPainter p(this);
    const QRect r = event->rect();
    p.drawImage(r.topLeft(), m_image, r);
}
