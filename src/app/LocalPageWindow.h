#pragma once

#include <QDialog>
#include <QUrl>

class QTextBrowser;

// The program's local pages (help, feedback) in a window of their own, for a system without a
// browser: one window for every page, sized to read, never modal. Links between the local
// pages stay in it; any other link goes to `linkClicked`.
class LocalPageWindow : public QDialog {
    Q_OBJECT
public:
    explicit LocalPageWindow(QWidget *parent = nullptr);

    // Shows the local page `url` and brings the window to the front; the first time sized to
    // read and centred on the screen of the window's parent.
    void showPage(const QUrl &url);
    QTextBrowser *browser() const { return m_browser; }

    // Room for a page of text: 640 x 720 where the screen's free area allows it.
    static QSize readingSize(const QSize &available);

signals:
    void linkClicked(const QUrl &url);

private:
    void placeOnScreen();

    QTextBrowser *m_browser = nullptr;
    bool m_placed = false;
};
