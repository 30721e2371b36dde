#include "app/PictureLabel.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

PictureLabel::PictureLabel(QWidget *parent)
    : QWidget(parent), m_systemMove([](QWindow *window) { return window->startSystemMove(); }) {}

void PictureLabel::setDragsWindow(bool drags) {
    if (m_dragsWindow == drags) return;
    m_dragsWindow = drags;
    setMouseTracking(true);
    if (!drags) return;
    // A press that moved the focus elsewhere (an editor, a dialog) is not this picture's drag;
    // its own press gives the focus to the window.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
        if (now && now != window()) m_drag = Drag::None;
    });
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
    // Focus moves on this signal: the drag state is set after it.
    emit pressed();
    m_drag = Drag::None;
    if (!m_dragsWindow || event->button() != Qt::LeftButton) return;
    m_drag = Drag::Pressed;
    m_pressAt = event->globalPosition().toPoint();
    m_dragOffset = m_pressAt - window()->frameGeometry().topLeft();
}

void PictureLabel::mouseMoveEvent(QMouseEvent *event) {
    if (!(event->buttons() & Qt::LeftButton)) {
        m_drag = Drag::None;
        emit hovered();
        return;
    }
    const QPoint at = event->globalPosition().toPoint();
    if (m_drag == Drag::Pressed) {
        if ((at - m_pressAt).manhattanLength() < QApplication::startDragDistance()) return;
        // The window manager is asked only now, with the button held: asked on the press, a
        // click released before it took over left it moving the window with the pointer.
        QWindow *handle = window()->windowHandle();
        if (handle && m_systemMove && m_systemMove(handle)) {
            m_drag = Drag::None;
            return;
        }
        m_drag = Drag::Moving;
    }
    if (m_drag == Drag::Moving) window()->move(at - m_dragOffset);
}

void PictureLabel::mouseReleaseEvent(QMouseEvent *) {
    m_drag = Drag::None;
}

void PictureLabel::changeEvent(QEvent *event) {
    // A dialog opening over the window takes the release of a press on the picture.
    if (event->type() == QEvent::ActivationChange && !isActiveWindow()) m_drag = Drag::None;
    QWidget::changeEvent(event);
}

void PictureLabel::hideEvent(QHideEvent *event) {
    m_drag = Drag::None;
    QWidget::hideEvent(event);
}
