#pragma once

#include <QImage>
#include <QWidget>

// A picture stretched over its whole area; a left press on it moves its borderless window
// (QWindow::startSystemMove), when `dragMoves` is set.
class StretchedPicture : public QWidget {
    Q_OBJECT
public:
    StretchedPicture(const QImage &image, bool dragMoves, QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    QImage m_image;
    bool m_dragMoves;
};
