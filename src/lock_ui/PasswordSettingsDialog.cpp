#include "lock_ui/PasswordSettingsDialog.h"

#include "base/AppIdentity.h"
#include "lock/PasswordSettings.h"
#include "lock_ui/BorderOverlay.h"
#include "lock_ui/LockPictures.h"
#include "lock_ui/StretchedPicture.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

namespace {

QIcon closeIcon() {
    QPixmap pixmap(14, 14);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(52, 86, 148), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(3.5, 3.5), QPointF(10.5, 10.5));
    p.drawLine(QPointF(10.5, 3.5), QPointF(3.5, 10.5));
    return QIcon(pixmap);
}

const char kPasswordEdit[] = "QLineEdit { lineedit-password-character: 42;"
                             " border: 1px solid rgb(146,168,218); background: white; }";

} // namespace

PasswordSettingsDialog::PasswordSettingsDialog(const QString &loginFilePath, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_path(loginFilePath),
      m_message(&LockMessageBox::show) {
    setObjectName(QStringLiteral("TpwsetFrm"));
    setWindowTitle(QStringLiteral("密码设置"));
    setFixedSize(442, 222);
    setModal(true);
    setFont(LockPictures::windowFont());

    m_titleStrip =
        new StretchedPicture(LockPictures::load(QStringLiteral("pwset_title")), true, this);
    m_titleStrip->setObjectName(QStringLiteral("Image1"));
    m_titleStrip->setGeometry(2, 0, 447, 18);
    m_body = new StretchedPicture(LockPictures::load(QStringLiteral("pwset_body")), true, this);
    m_body->setObjectName(QStringLiteral("Image3"));
    m_body->setGeometry(2, 19, 441, 202);
    m_icon = new StretchedPicture(LockPictures::load(QStringLiteral("pwset_icon")), false, this);
    m_icon->setObjectName(QStringLiteral("Image2"));
    m_icon->setGeometry(3, -1, 32, 32);

    m_titleLabel = new QLabel(QStringLiteral("登录密码设置"), this);
    m_titleLabel->setObjectName(QStringLiteral("Label1"));
    QFont titleFont;
    titleFont.setFamilies({QStringLiteral("Verdana"), QStringLiteral("WenQuanYi Zen Hei")});
    titleFont.setPixelSize(19);
    m_titleLabel->setFont(titleFont);
    m_titleLabel->setStyleSheet(QStringLiteral("color: rgb(52,86,148);"));
    m_titleLabel->move(8, 27);
    m_titleLabel->adjustSize();

    m_gateCheckBox = new QCheckBox(QStringLiteral("启动登录密码"), this);
    m_gateCheckBox->setObjectName(QStringLiteral("JCheckbox1"));
    m_gateCheckBox->setGeometry(64, 67, 121, 23);

    m_firstLabel = new QLabel(QStringLiteral("请输入登录密码："), this);
    m_firstLabel->setObjectName(QStringLiteral("Label2"));
    m_firstLabel->move(67, 108);
    m_firstLabel->adjustSize();
    m_firstEdit = new QLineEdit(this);
    m_firstEdit->setObjectName(QStringLiteral("edit1"));
    m_firstEdit->setGeometry(174, 102, 169, 21);

    m_secondLabel = new QLabel(QStringLiteral("请再次输入密码："), this);
    m_secondLabel->setObjectName(QStringLiteral("Label3"));
    m_secondLabel->move(67, 140);
    m_secondLabel->adjustSize();
    m_secondEdit = new QLineEdit(this);
    m_secondEdit->setObjectName(QStringLiteral("edit2"));
    m_secondEdit->setGeometry(175, 135, 169, 21);
    for (QLineEdit *edit : {m_firstEdit, m_secondEdit}) {
        edit->setEchoMode(QLineEdit::Password);
        edit->setStyleSheet(QLatin1String(kPasswordEdit));
    }

    m_applyButton = new QPushButton(QStringLiteral("应   用"), this);
    m_applyButton->setObjectName(QStringLiteral("JvXPButton1"));
    m_applyButton->setGeometry(352, 180, 75, 23);
    m_applyButton->setAutoDefault(false);
    connect(m_applyButton, &QPushButton::clicked, this, &PasswordSettingsDialog::apply);

    m_closeButton = new QToolButton(this);
    m_closeButton->setObjectName(QStringLiteral("JvXPToolButton1"));
    m_closeButton->setGeometry(424, 1, 16, 16);
    m_closeButton->setIcon(closeIcon());
    m_closeButton->setAutoRaise(true);
    m_closeButton->setToolTip(QStringLiteral("关闭"));
    m_closeButton->setFocusPolicy(Qt::NoFocus);
    connect(m_closeButton, &QToolButton::clicked, this,
            &PasswordSettingsDialog::closeWithoutSaving);

    new BorderOverlay(QColor(152, 168, 182), this);
}

void PasswordSettingsDialog::setMessageFunction(LockMessageBox::Function fn) {
    m_message = std::move(fn);
}

void PasswordSettingsDialog::showEvent(QShowEvent *event) {
    // Centred over the main window (or the screen when there is none).
    const QWidget *owner = parentWidget() ? parentWidget()->window() : nullptr;
    QRect area;
    if (owner && owner->isVisible())
        area = owner->frameGeometry();
    else if (const QScreen *screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    if (area.isValid()) move(area.center() - rect().center());
    QDialog::showEvent(event);
    readGateFlag();
}

void PasswordSettingsDialog::readGateFlag() {
    bool on = false;
    QString error;
    if (!PasswordSettings::readGateFlag(m_path, on, error)) {
        // Reported once the dialog is up; the box keeps its state.
        QTimer::singleShot(0, this, [this, error] {
            m_message(this, error, QString::fromUtf8(AppIdentity::kAppTitle),
                      LockMessageBox::Kind::Error);
        });
        return;
    }
    // Only a set flag changes the box; otherwise it keeps the state of the last opening.
    if (on) m_gateCheckBox->setChecked(true);
}

void PasswordSettingsDialog::apply() {
    const PasswordSettings::Result result = PasswordSettings::apply(
        m_path, m_gateCheckBox->isChecked(), m_firstEdit->text(), m_secondEdit->text());
    m_message(this, result.text, result.caption,
              result.isError() ? LockMessageBox::Kind::Error : LockMessageBox::Kind::Plain);
    switch (result.outcome) {
    case PasswordSettings::Outcome::FirstMissing:
        m_firstEdit->setFocus();
        break;
    case PasswordSettings::Outcome::SecondMissing:
        m_secondEdit->setFocus();
        break;
    case PasswordSettings::Outcome::Different:
    case PasswordSettings::Outcome::WriteFailed:
        break;
    case PasswordSettings::Outcome::PasswordSet:
    case PasswordSettings::Outcome::PasswordRemoved:
        accept();
        break;
    }
}

void PasswordSettingsDialog::closeWithoutSaving() {
    reject();
}

void PasswordSettingsDialog::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.fillRect(rect(), QColor(250, 252, 255));
}

void PasswordSettingsDialog::mousePressEvent(QMouseEvent *event) {
    // The frame and anything without its own mouse handling drag the window.
    QWindow *handle = windowHandle();
    if (event->button() == Qt::LeftButton && handle) {
        handle->startSystemMove();
        event->accept();
        return;
    }
    QDialog::mousePressEvent(event);
}
