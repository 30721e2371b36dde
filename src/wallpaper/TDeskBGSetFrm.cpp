#include "wallpaper/TDeskBGSetFrm.h"

#include "base/AppIdentity.h"
#include "base/AtomicFile.h"
#include "wallpaper/BmpFile.h"
#include "wallpaper/CompositeView.h"
#include "wallpaper/ContentPicture.h"
#include "wallpaper/WallpaperBlend.h"
#include "wallpaper/install/DesktopWallpaper.h"
#include "wallpaper/install/WallpaperCopies.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

TDeskBGSetFrm::TDeskBGSetFrm(const QString &picPath, QWidget *parent)
    : QDialog(parent), PicPath(picPath), ContentFile(picPath + QStringLiteral("/Content.bmp")) {
    setObjectName(QStringLiteral("TDeskBGSetFrm"));
    setWindowTitle(QStringLiteral("桌面背景设置"));
    setModal(true);

    scbBG = new QScrollArea(this);
    scbBG->setObjectName(QStringLiteral("scbBG"));
    scbBG->setFrameShape(QFrame::NoFrame);
    scbBG->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    imgPicBG = new CompositeView;
    imgPicBG->setObjectName(QStringLiteral("imgPicBG"));
    scbBG->setWidget(imgPicBG);

    btnOk = new QPushButton(QStringLiteral("确  定"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setToolTip(QStringLiteral("应用到桌面背景"));
    btnOk->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("取  消"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(btnOk, &QPushButton::clicked, this, [this] { apply(); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 6, 6);
    layout->addWidget(scbBG, 1);
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

void TDeskBGSetFrm::showMessage(const QString &text) {
    if (m_message) m_message(text);
}

bool TDeskBGSetFrm::saveContent(const QImage &picture) {
    QString error;
    if (BmpFile::save(ContentFile, picture, &error)) return true;
    showMessage(QStringLiteral("无法写入文件 %1：%2").arg(ContentFile, error));
    return false;
}

bool TDeskBGSetFrm::DrawMonthContent() {
    return saveContent(ContentPicture::drawMonth(MonthCons_));
}

bool TDeskBGSetFrm::DrawNoteContent() {
    return saveContent(ContentPicture::drawNotes(MonthCons_));
}

bool TDeskBGSetFrm::prepare() {
    const bool first = BGToggle_ == 0;
    BGFile_ = PicPath + (first ? QStringLiteral("/A1.bmp") : QStringLiteral("/A2.bmp"));
    m_strength = first ? 2 : 4;
    m_composite = QImage(); // the last opening's pictures go before the next ones come in
    imgPicBG->setImage(QImage());
    const QImage background = BmpFile::load(BGFile_);
    const QImage content = BmpFile::load(ContentFile);
    BGToggle_ = BGToggle_ == 0 ? 1 : 0; // every opening advances, whatever happens next
    if (background.isNull() || content.isNull()) {
        showMessage(QStringLiteral("加载失败！"));
        return false;
    }
    m_composite = WallpaperBlend::compose(WallpaperBlend::coverScreen(background, m_screenSize),
                                          content, m_strength);
    imgPicBG->setImage(m_composite);
    return true;
}

void TDeskBGSetFrm::openDialog() {
    if (prepare()) exec();
    // The dialog lives for the run; its pictures (25 MB at 4K) only while it shows.
    m_composite = QImage();
    imgPicBG->setImage(QImage());
}

bool TDeskBGSetFrm::apply() {
    if (m_composite.isNull()) return false;
    const QByteArray bytes = BmpFile::encode(m_composite);
    const QString mixFile = PicPath + QStringLiteral("/Mix.bmp");
    QString error;
    if (!AtomicFile::write(mixFile, bytes, &error)) {
        showMessage(QStringLiteral("无法写入文件 %1：%2").arg(mixFile, error));
        return false;
    }
    const QString copy = WallpaperCopies::writeNext(PicPath, bytes, &error);
    if (copy.isEmpty()) {
        showMessage(QStringLiteral("无法写入文件 %1：%2").arg(PicPath, error));
        return false;
    }
    m_installedFile = copy;
    if (!m_installer || !m_installer(copy, m_composite, &error))
        showMessage(QStringLiteral("桌面背景未能自动设置，图片已保存在：%1").arg(mixFile));
    WallpaperCopies::prune(PicPath);
    accept();
    return true;
}
