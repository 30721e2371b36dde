#include "app/LocalPageWindow.h"

#include "base/AppIdentity.h"

#include <QFileInfo>
#include <QScreen>
#include <QTextBrowser>
#include <QVBoxLayout>

#include <algorithm>

LocalPageWindow::LocalPageWindow(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowMaximizeButtonHint) {
    setObjectName(QStringLiteral("LocalPageWindow"));
    setModal(false);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("LocalPage"));
    m_browser->setFrameShape(QFrame::NoFrame);
    m_browser->setOpenLinks(false);
    layout->addWidget(m_browser);
    connect(m_browser, &QTextBrowser::anchorClicked, this, [this](const QUrl &link) {
        const QUrl url = m_browser->source().resolved(link);
        if (url.isLocalFile() && QFileInfo::exists(url.toLocalFile()))
            showPage(url);
        else
            emit linkClicked(url);
    });
}

QSize LocalPageWindow::readingSize(const QSize &available) {
    // Some room is left for the window's frame and the desktop around it.
    return QSize(640, 720).boundedTo(available - QSize(40, 60)).expandedTo(QSize(320, 240));
}

void LocalPageWindow::showPage(const QUrl &url) {
    m_browser->setSource(url);
    const QString title = m_browser->documentTitle();
    setWindowTitle(title.isEmpty() ? QString::fromUtf8(AppIdentity::kAppTitle) : title);
    if (!m_placed) placeOnScreen();
    showNormal();
    raise();
    activateWindow();
}

void LocalPageWindow::placeOnScreen() {
    m_placed = true;
    const QWidget *owner = parentWidget() ? parentWidget()->window() : nullptr;
    QScreen *screen = owner && owner->screen() ? owner->screen() : this->screen();
    if (!screen) return;
    const QRect free = screen->availableGeometry();
    resize(readingSize(free.size()));
    move(free.center() - rect().center());
}
