#include "wallpaper_ui/WallpaperDialog.h"

#include "base/AppIdentity.h"
#include "base/AtomicFile.h"
#include "wallpaper/BmpFile.h"
#include "wallpaper/ContentPicture.h"
#include "wallpaper/WallpaperBlend.h"
#include "wallpaper/install/DesktopWallpaper.h"
#include "wallpaper/install/WallpaperCopies.h"
#include "wallpaper_ui/CompositeView.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

WallpaperDialog::WallpaperDialog(const QString &pictureFolder, const QString &shippedFolder,
                                 QWidget *parent)
    : QDialog(parent), m_pictureFolder(pictureFolder), m_shippedFolder(shippedFolder),
      m_contentFile(pictureFolder + QStringLiteral("/Content.bmp")) {
    setObjectName(QStringLiteral("TDeskBGSetFrm"));
    setWindowTitle(QStringLiteral("桌面背景设置"));
    setModal(true);

    m_scrollArea = new QScrollArea(this);
    m_scrollArea->setObjectName(QStringLiteral("scbBG"));
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    m_scrollArea->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_compositeView = new CompositeView;
    m_compositeView->setObjectName(QStringLiteral("imgPicBG"));
    m_scrollArea->setWidget(m_compositeView);

    m_okButton = new QPushButton(QStringLiteral("确  定"), this);
    m_okButton->setObjectName(QStringLiteral("btnOk"));
    m_okButton->setToolTip(QStringLiteral("应用到桌面背景"));
    m_okButton->setDefault(true);
    m_cancelButton = new QPushButton(QStringLiteral("取  消"), this);
    m_cancelButton->setObjectName(QStringLiteral("btnCancel"));
    connect(m_okButton, &QPushButton::clicked, this, [this] { apply(); });
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 6, 6);
    layout->addWidget(m_scrollArea, 1);
    layout->addLayout(buttons);

    setPalette(QPalette(Qt::white));
    setAutoFillBackground(true);

    // Sized once: 1024 x 738 when it fits, otherwise the available area, centred in it.
    if (const QScreen *s = QGuiApplication::primaryScreen()) {
        const QRect avail = s->availableGeometry();
        const QSize size = QSize(1024, 738).boundedTo(avail.size());
        resize(size);
        move(avail.center() - QPoint(size.width() / 2, size.height() / 2));
        m_screenSize = s->size() * s->devicePixelRatio();
    }

    m_message = [this](const QString &text) {
        QMessageBox::information(this, QString::fromUtf8(AppIdentity::kAppTitle), text);
    };
    m_installer = [](const QString &file, const QImage &picture, QString *error) {
        return DesktopWallpaper::forThisSession().install(file, picture, error);
    };
}

void WallpaperDialog::showMessage(const QString &text) {
    if (m_message) m_message(text);
}

bool WallpaperDialog::saveContent(const QImage &picture) {
    QString error;
    if (BmpFile::save(m_contentFile, picture, &error)) return true;
    showMessage(QStringLiteral("无法写入文件 %1：%2").arg(m_contentFile, error));
    return false;
}

bool WallpaperDialog::drawMonthContent() {
    return saveContent(ContentPicture::drawMonth(m_cells));
}

bool WallpaperDialog::drawNoteContent() {
    return saveContent(ContentPicture::drawNotes(m_cells));
}

// The shipped backgrounds come as PNG, a fraction of the bitmap's size; the picture folder gets
// the bitmap when a background is first needed there, and the user may replace it with an own one.
bool WallpaperDialog::writeShippedBackground(const QString &name) {
    QImage picture;
    if (m_shippedFolder.isEmpty() ||
        !picture.load(m_shippedFolder + QLatin1Char('/') + name + QStringLiteral(".png"), "PNG"))
        return true; // nothing to write: the load that follows says "加载失败！"
    QString error;
    if (BmpFile::save(m_backgroundFile, picture, &error)) return true;
    showMessage(QStringLiteral("无法写入文件 %1：%2").arg(m_backgroundFile, error));
    return false;
}

bool WallpaperDialog::prepare() {
    const bool first = m_backgroundToggle == 0;
    const QString name = first ? QStringLiteral("A1") : QStringLiteral("A2");
    m_backgroundFile = m_pictureFolder + QLatin1Char('/') + name + QStringLiteral(".bmp");
    m_strength = first ? 2 : 4;
    m_composite = QImage(); // the last opening's pictures go before the next ones come in
    m_compositeView->setImage(QImage());
    // Every opening advances, whatever happens next.
    m_backgroundToggle = m_backgroundToggle == 0 ? 1 : 0;
    if (!QFileInfo::exists(m_backgroundFile) && !writeShippedBackground(name)) return false;
    const QImage background = BmpFile::load(m_backgroundFile);
    const QImage content = BmpFile::load(m_contentFile);
    if (background.isNull() || content.isNull()) {
        showMessage(QStringLiteral("加载失败！"));
        return false;
    }
    m_composite = WallpaperBlend::compose(WallpaperBlend::coverScreen(background, m_screenSize),
                                          content, m_strength);
    m_compositeView->setImage(m_composite);
    return true;
}

void WallpaperDialog::prepareAndExec() {
    if (prepare()) exec();
    // The dialog lives for the run; its pictures (25 MB at 4K) only while it shows.
    m_composite = QImage();
    m_compositeView->setImage(QImage());
}

bool WallpaperDialog::apply() {
    if (m_composite.isNull()) return false;
    const QByteArray bytes = BmpFile::encode(m_composite);
    const QString mixFile = m_pictureFolder + QStringLiteral("/Mix.bmp");
    QString error;
    if (!AtomicFile::write(mixFile, bytes, &error)) {
        showMessage(QStringLiteral("无法写入文件 %1：%2").arg(mixFile, error));
        return false;
    }
    const QString copy = WallpaperCopies::writeNext(m_pictureFolder, bytes, &error);
    if (copy.isEmpty()) {
        showMessage(QStringLiteral("无法写入文件 %1：%2").arg(m_pictureFolder, error));
        return false;
    }
    m_installedFile = copy;
    if (!m_installer || !m_installer(copy, m_composite, &error))
        showMessage(QStringLiteral("桌面背景未能自动设置，图片已保存在：%1").arg(mixFile));
    WallpaperCopies::prune(m_pictureFolder);
    accept();
    return true;
}
