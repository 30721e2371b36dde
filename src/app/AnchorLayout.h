#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <vector>

// Places children at fixed design positions in their parent and keeps those anchored to the
// right or bottom edge at their distance from it when the parent changes size; a child
// anchored to both opposite edges grows with the parent.
class AnchorLayout : public QObject {
    Q_OBJECT
public:
    enum Anchor { Left = 1, Top = 2, Right = 4, Bottom = 8 };
    static constexpr int TopLeft = Left | Top;
    static constexpr int TopRight = Top | Right;
    static constexpr int TopLeftRight = Left | Top | Right;
    static constexpr int TopRightBottom = Top | Right | Bottom;
    static constexpr int All = Left | Top | Right | Bottom;

    // Watches `parent`'s resizes; `designSize` is the parent size the design rects are for.
    AnchorLayout(QWidget *parent, const QSize &designSize);

    void add(QWidget *child, const QRect &design, int anchors = TopLeft);
    // Gives an added child a new design rect (for example after moving it in code) and
    // places it at once.
    void setDesignRect(QWidget *child, const QRect &design);
    QRect designRect(const QWidget *child) const;
    void apply(const QSize &parentSize);

    // The anchoring rule itself.
    static QRect place(const QRect &design, int anchors, const QSize &designParent,
                       const QSize &parent);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Item {
        QPointer<QWidget> widget;
        QRect design;
        int anchors;
    };
    const Item *find(const QWidget *child) const;

    QWidget *m_parent;
    QSize m_designSize;
    std::vector<Item> m_items;
};
