#pragma once

#include <QAbstractButton>
#include <QPixmap>

// A page button of the top bar: a picture (normal, pointer over it, pressed or current page)
// with its caption drawn over it. A disabled button is drawn faded.
class PageButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit PageButton(const QString &caption, QWidget *parent = nullptr);

    void setPictures(const QPixmap &normal, const QPixmap &hot, const QPixmap &down);
    QSize sizeHint() const override { return {59, 21}; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    QPixmap m_normal, m_hot, m_down;
    bool m_hover = false;
};
