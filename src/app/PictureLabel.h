#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QWidget>

#include <functional>

class QWindow;

// A picture of the frame (title strip, background, logo). Stretched pictures fill the widget;
// a missing picture paints the fallback colour. A picture that drags the window moves it when
// the pointer travels with the left button held after a press on the picture itself: through
// a window-manager move, or by itself where the window system offers no such move. The picture
// is kept as read: a palette picture stays a quarter of the size it would take as a pixmap, and
// is converted only where it is painted.
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

    // Hands a move of the window to the window manager; false when it takes none. The default
    // is QWindow::startSystemMove().
    using SystemMove = std::function<bool(QWindow *window)>;
    void setSystemMove(SystemMove start) { m_systemMove = std::move(start); }

signals:
    void pressed();
    void hovered(); // pointer moved over the picture

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    enum class Drag {
        None,
        Pressed, // a left press on the picture; no move yet
        Moving   // the picture moves the window itself
    };

    QImage m_picture;
    QColor m_fallback;
    bool m_stretched = false;
    bool m_dragsWindow = false;
    Drag m_drag = Drag::None;
    QPoint m_pressAt;    // global
    QPoint m_dragOffset; // the press from the window's top left
    SystemMove m_systemMove;
};
