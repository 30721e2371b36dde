#pragma once

#include <QPixmap>
#include <QWidget>

// One caption button of the borderless main window with its three pictures: normal,
// highlight (pointer over it) and down (pressed). The maximise place holds a second set, the
// restore pictures, shown instead while useAlternate is on. A release over the button after
// a press on it is a click.
class CaptionButton : public QWidget {
    Q_OBJECT
public:
    enum class Look { Normal, Highlight, Down };

    explicit CaptionButton(QWidget *parent = nullptr);

    void setPictures(const QPixmap &normal, const QPixmap &highlight, const QPixmap &down);
    void setAlternatePictures(const QPixmap &normal, const QPixmap &highlight, const QPixmap &down);
    void setUseAlternate(bool alternate);
    bool usesAlternate() const { return m_alternate; }

    Look look() const { return m_look; }
    // The normal picture (rest state).
    void rest() { setLook(Look::Normal); }

signals:
    void highlighted(); // the pointer came over the button
    void pressedDown();
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void setLook(Look look);

    QPixmap m_pictures[2][3];
    bool m_alternate = false;
    bool m_pressed = false;
    Look m_look = Look::Normal;
};
