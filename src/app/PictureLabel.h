#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QWidget>

// A picture of the frame (title strip, background, logo). Stretched pictures fill the widget;
// a missing picture paints the fallback colour. A picture that drags the window starts a
// window-manager move on a left press, or moves the window itself where the window system
// offers no such move. The picture is kept as read: a palette picture stays a quarter of the
// size it would take as a pixmap, and is converted only where it is painted.
class PictureLabel : public QWidget {
    Q_OBJECT
public:
    explicit PictureLabel(QWidget *parent = nullptr);

    void setPicture(const QImage &picture) {
        m_picture = picture;
        update();
    }
    const QImage &picture() const { return m_picture; }
    void setStretched(bool stretched) { m_stretched = stretched; }
    void setFallbackColor(const QColor &color) { m_fallback = color; }
    void setDragsWindow(bool drags);

signals:
    void pressed();
    void hovered(); // pointer moved over the picture

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QImage m_picture;
    QColor m_fallback;
    bool m_stretched = false;
    bool m_dragsWindow = false;
    bool m_manualDrag = false;
    QPoint m_dragOffset;
};
