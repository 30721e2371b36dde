#include "app/WindowSizeDialog.h"

#include "app/FramePictures.h"
#include "app/PictureLabel.h"
#include "base/AppIdentity.h"

#include <QButtonGroup>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>

namespace {
struct Choice {
    const char *caption;
    int width;
    int height;
};
constexpr Choice kChoices[WindowSizeDialog::ChoiceCount] = {
    {"1024*768(默认)", 1024, 738},
    {"1280*800", 1280, 770},
    {"1366*768", 1366, 738},
    {"1400*900", 1400, 870},
};
} // namespace

WindowSizeDialog::WindowSizeDialog(WidthSource configuredWidth, SizeSink applySize,
                                   const QString &resourceDir, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_configuredWidth(std::move(configuredWidth)), m_applySize(std::move(applySize)) {
    setObjectName(QStringLiteral("TFrmSetFrm"));
    setWindowTitle(QStringLiteral("窗体大小设置"));
    setFixedSize(335, 308);
    setModal(false);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);

    const FramePictures pictures(resourceDir);
    m_background = new PictureLabel(this);
    m_background->setObjectName(QStringLiteral("Image1"));
    m_background->setPicture(pictures.image(QStringLiteral("size_background")));
    m_background->setStretched(true);
    m_background->setGeometry(0, 62, 335, 246);
    m_title = new PictureLabel(this);
    m_title->setObjectName(QStringLiteral("imgTitle"));
    m_title->setPicture(pictures.image(QStringLiteral("size_title")));
    m_title->setStretched(true);
    m_title->setFallbackColor(QColor(96, 146, 206));
    m_title->setGeometry(0, 0, 335, 62);
    m_banner = new PictureLabel(this);
    m_banner->setObjectName(QStringLiteral("Image2"));
    m_banner->setPicture(pictures.image(QStringLiteral("size_banner")));
    m_banner->setGeometry(0, 66, 356, 65);

    QFont radioFont(QStringLiteral("微软雅黑"));
    radioFont.setPixelSize(14);
    radioFont.setBold(true);
    const QRect places[ChoiceCount] = {QRect(32, 139, 129, 19), QRect(31, 164, 91, 19),
                                       QRect(32, 191, 91, 19), QRect(33, 219, 91, 19)};
    auto *group = new QButtonGroup(this);
    for (int i = 0; i < ChoiceCount; ++i) {
        auto *radio = new QRadioButton(caption(i), this);
        radio->setObjectName(QStringLiteral("JvRadioButton%1").arg(i + 1));
        radio->setFont(radioFont);
        // The captions are wider than the original places in the substituted font.
        radio->setGeometry(places[i].adjusted(0, -2, 60, 4));
        group->addButton(radio, i);
        m_radio[i] = radio;
    }
    m_radio[0]->setChecked(true);

    m_applyButton = new QPushButton(QStringLiteral("确  定"), this);
    m_applyButton->setObjectName(QStringLiteral("btnSave"));
    m_applyButton->setGeometry(240, 272, 75, 25);
    connect(m_applyButton, &QPushButton::clicked, this, &WindowSizeDialog::applyChoice);
}

QString WindowSizeDialog::caption(int choice) {
    return QString::fromUtf8(kChoices[choice].caption);
}

QSize WindowSizeDialog::sizeFor(int choice) {
    return {kChoices[choice].width, kChoices[choice].height};
}

int WindowSizeDialog::choiceFor(int width) {
    for (int i = 1; i < ChoiceCount; ++i)
        if (kChoices[i].width == width) return i;
    return 0;
}

int WindowSizeDialog::selectedChoice() const {
    for (int i = 0; i < ChoiceCount; ++i)
        if (m_radio[i]->isChecked()) return i;
    return 0;
}

void WindowSizeDialog::showEvent(QShowEvent *event) {
    showCurrentSize();
    QDialog::showEvent(event);
}

void WindowSizeDialog::showCurrentSize() {
    m_radio[choiceFor(m_configuredWidth())]->setChecked(true);
    if (const QWidget *owner = parentWidget()) {
        const QRect area = owner->frameGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

void WindowSizeDialog::applyChoice() {
    if (!m_applySize(sizeFor(selectedChoice())))
        QMessageBox::information(this, QString::fromUtf8(AppIdentity::kAppTitle),
                                 QStringLiteral("保存失败!"));
}
