#include "app/SidePanel.h"

#include "app/AnchorLayout.h"
#include "app/FramePictures.h"
#include "app/PictureLabel.h"
#include "pages/MemoPanel.h"

#include <QTextBrowser>
#include <QVBoxLayout>

namespace {
const QRect kLowerPart(1, 232, 200, 335);
} // namespace

SidePanel::SidePanel(PageContext &context, const FramePictures &pictures, QWidget *parent)
    : QFrame(parent) {
    setObjectName(QStringLiteral("PanelAttach"));
    setStyleSheet(QStringLiteral(
        "QFrame#PanelAttach { border: 1px solid rgb(160,166,176); background: white; }"));
    m_layout = new AnchorLayout(this, QSize(202, 568));

    m_header = new PictureLabel(this);
    m_header->setObjectName(QStringLiteral("Panel4"));
    m_header->setPicture(pictures.image(QStringLiteral("side_header")));
    m_header->setStretched(true);
    m_header->setFallbackColor(QColor(220, 236, 248));
    m_layout->add(m_header, QRect(1, 1, 200, 24), AnchorLayout::TopLeftRight);

    auto *webPlace = new QWidget(this);
    webPlace->setObjectName(QStringLiteral("Panelweblink"));
    QPalette palette = webPlace->palette();
    palette.setColor(QPalette::Window, Qt::white);
    webPlace->setPalette(palette);
    webPlace->setAutoFillBackground(true);
    m_layout->add(webPlace, QRect(1, 26, 200, 539), AnchorLayout::All);
    auto *webLayout = new QVBoxLayout(webPlace);
    webLayout->setContentsMargins(0, 0, 0, 0);
    m_webPanel = new QTextBrowser(webPlace);
    m_webPanel->setObjectName(QStringLiteral("webLink"));
    m_webPanel->setFrameShape(QFrame::NoFrame);
    m_webPanel->setOpenLinks(false);
    m_webPanel->setFocusPolicy(Qt::NoFocus);
    m_webPanel->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_webPanel->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Right-clicking the web panel shows no menu.
    m_webPanel->setContextMenuPolicy(Qt::NoContextMenu);
    m_webPanel->viewport()->setContextMenuPolicy(Qt::NoContextMenu);
    webLayout->addWidget(m_webPanel);

    m_memoPanel = new MemoPanel(context, this);
    m_layout->add(m_memoPanel, kLowerPart, AnchorLayout::All);
    m_memoPanel->hide();
}

void SidePanel::addPagePanel(QWidget *panel) {
    if (!panel) return;
    panel->setParent(this);
    m_layout->add(panel, kLowerPart, AnchorLayout::All);
    panel->hide();
    m_pagePanels.emplace_back(panel);
}

void SidePanel::showPagePanel(QWidget *panel) {
    for (QWidget *other : m_pagePanels)
        if (other && other != panel) other->hide();
    if (panel) panel->show();
    m_memoPanel->setVisible(panel == nullptr);
}
