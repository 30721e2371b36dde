#include "app/AnchorLayout.h"

#include <QEvent>

AnchorLayout::AnchorLayout(QWidget *parent, const QSize &designSize)
    : QObject(parent), m_parent(parent), m_designSize(designSize) {
    parent->installEventFilter(this);
}

void AnchorLayout::add(QWidget *child, const QRect &design, int anchors) {
    m_items.push_back({child, design, anchors});
    child->setGeometry(place(design, anchors, m_designSize, m_parent->size()));
}

void AnchorLayout::setDesignRect(QWidget *child, const QRect &design) {
    for (Item &item : m_items) {
        if (item.widget == child) {
            item.design = design;
            child->setGeometry(place(design, item.anchors, m_designSize, m_parent->size()));
            return;
        }
    }
    add(child, design);
}

QRect AnchorLayout::designRect(const QWidget *child) const {
    const Item *item = find(child);
    return item ? item->design : QRect();
}

void AnchorLayout::apply(const QSize &parentSize) {
    for (const Item &item : m_items) {
        if (item.widget)
            item.widget->setGeometry(place(item.design, item.anchors, m_designSize, parentSize));
    }
}

QRect AnchorLayout::place(const QRect &design, int anchors, const QSize &designParent,
                          const QSize &parent) {
    const int dw = parent.width() - designParent.width();
    const int dh = parent.height() - designParent.height();
    QRect r = design;
    if ((anchors & Right) && (anchors & Left))
        r.setWidth(qMax(0, design.width() + dw));
    else if (anchors & Right)
        r.moveLeft(design.left() + dw);
    if ((anchors & Bottom) && (anchors & Top))
        r.setHeight(qMax(0, design.height() + dh));
    else if (anchors & Bottom)
        r.moveTop(design.top() + dh);
    return r;
}

bool AnchorLayout::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_parent && event->type() == QEvent::Resize) apply(m_parent->size());
    return QObject::eventFilter(watched, event);
}

const AnchorLayout::Item *AnchorLayout::find(const QWidget *child) const {
    for (const Item &item : m_items)
        if (item.widget == child) return &item;
    return nullptr;
}
