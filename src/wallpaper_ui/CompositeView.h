#pragma once

#include <QImage>
#include <QWidget>

// Shows a picture at its natural size, painted straight from the image (a pixmap copy of a
// 4K composite would cost another 33 MB).
class CompositeView : public QWidget {
    Q_OBJECT
public:
    explicit CompositeView(QWidget *parent = nullptr) : QWidget(parent) {}
    void setImage(const QImage &image);
    const QImage &image() const { return m_image; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_image;
};
