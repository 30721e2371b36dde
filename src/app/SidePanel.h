#pragma once

#include <QFrame>
#include <QPointer>

#include <vector>

class AnchorLayout;
class FramePictures;
class MemoPanel;
class PictureLabel;
class QTextBrowser;
struct PageContext;

// The panel right of the page area: a header picture, the web panel and, in its lower part, the
// active page's own panel (the month page's day plan) or, for pages without one, the memo list.
class SidePanel : public QFrame {
    Q_OBJECT
public:
    SidePanel(PageContext &context, const FramePictures &pictures, QWidget *parent = nullptr);

    // A page's own panel, placed here hidden; null is ignored.
    void addPagePanel(QWidget *panel);
    // Shows `panel` (one added before) and hides the other pages' panels; null shows the memo
    // list instead.
    void showPagePanel(QWidget *panel);

    QTextBrowser *webPanel() const { return m_webPanel; }
    MemoPanel *memoPanel() const { return m_memoPanel; }

private:
    AnchorLayout *m_layout = nullptr;
    PictureLabel *m_header = nullptr;
    QTextBrowser *m_webPanel = nullptr;
    MemoPanel *m_memoPanel = nullptr;
    std::vector<QPointer<QWidget>> m_pagePanels;
};
