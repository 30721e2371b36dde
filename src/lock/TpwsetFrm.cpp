#include "lock/TpwsetFrm.h"

#include "base/AppIdentity.h"
#include "lock/LockFrame.h"
#include "lock/LockPictureLabel.h"
#include "lock/LockPictures.h"
#include "lock/PasswordSettings.h"

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

TpwsetFrm::TpwsetFrm(const QString &loginFilePath, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_path(loginFilePath),
      m_message(&LockMessageBox::show) {
    setWindowTitle(QStringLiteral("密码设置"));
    setFixedSize(442, 222);
    setModal(true);
    setFont(LockPictures::windowFont());

    Image1 = new LockPictureLabel(LockPictures::load(QStringLiteral("pwset_title")), true, this);
    Image1->setGeometry(2, 0, 447, 18);
    Image3 = new LockPictureLabel(LockPictures::load(QStringLiteral("pwset_body")), true, this);
    Image3->setGeometry(2, 19, 441, 202);
    Image2 = new LockPictureLabel(LockPictures::load(QStringLiteral("pwset_icon")), false, this);
    Image2->setGeometry(3, -1, 32, 32);

    Label1 = new QLabel(QStringLiteral("登录密码设置"), this);
    QFont titleFont;
    titleFont.setFamilies({QStringLiteral("Verdana"), QStringLiteral("WenQuanYi Zen Hei")});
    titleFont.setPixelSize(19);
    Label1->setFont(titleFont);
    Label1->setStyleSheet(QStringLiteral("color: rgb(52,86,148);"));
    Label1->move(8, 27);
    Label1->adjustSize();

    JCheckbox1 = new QCheckBox(QStringLiteral("启动登录密码"), this);
    JCheckbox1->setGeometry(64, 67, 121, 23);

    Label2 = new QLabel(QStringLiteral("请输入登录密码："), this);
    Label2->move(67, 108);
    Label2->adjustSize();
    edit1 = new QLineEdit(this);
    edit1->setGeometry(174, 102, 169, 21);

    Label3 = new QLabel(QStringLiteral("请再次输入密码："), this);
    Label3->move(67, 140);
    Label3->adjustSize();
    edit2 = new QLineEdit(this);
    edit2->setGeometry(175, 135, 169, 21);
    for (QLineEdit *edit : {edit1, edit2}) {
        edit->setEchoMode(QLineEdit::Password);
        edit->setStyleSheet(QLatin1String(kPasswordEdit));
    }

    JvXPButton1 = new QPushButton(QStringLiteral("应   用"), this);
    JvXPButton1->setGeometry(352, 180, 75, 23);
    JvXPButton1->setAutoDefault(false);
    connect(JvXPButton1, &QPushButton::clicked, this, &TpwsetFrm::JvXPButton1Click);

    JvXPToolButton1 = new QToolButton(this);
    JvXPToolButton1->setGeometry(424, 1, 16, 16);
    JvXPToolButton1->setIcon(closeIcon());
    JvXPToolButton1->setAutoRaise(true);
    JvXPToolButton1->setToolTip(QStringLiteral("关闭"));
    JvXPToolButton1->setFocusPolicy(Qt::NoFocus);
    connect(JvXPToolButton1, &QToolButton::clicked, this, &TpwsetFrm::JvXPToolButton1Click);

    new LockFrame(QColor(152, 168, 182), this);
}

void TpwsetFrm::setMessageFunction(LockMessageBox::Function fn) {
    m_message = std::move(fn);
}

void TpwsetFrm::showEvent(QShowEvent *event) {
    // Centred over the main window (or the screen when there is none).
    const QWidget *owner = parentWidget() ? parentWidget()->window() : nullptr;
    QRect area;
    if (owner && owner->isVisible())
        area = owner->frameGeometry();
    else if (const QScreen *screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    if (area.isValid()) move(area.center() - rect().center());
    QDialog::showEvent(event);
    FormShow();
}

void TpwsetFrm::FormShow() {
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
    if (on) JCheckbox1->setChecked(true);
}

void TpwsetFrm::JvXPButton1Click() {
    const PasswordSettings::Result result =
        PasswordSettings::apply(m_path, JCheckbox1->isChecked(), edit1->text(), edit2->text());
    m_message(this, result.text, result.caption,
              result.isError() ? LockMessageBox::Kind::Error : LockMessageBox::Kind::Plain);
    switch (result.outcome) {
    case PasswordSettings::Outcome::FirstMissing:
        edit1->setFocus();
        break;
    case PasswordSettings::Outcome::SecondMissing:
        edit2->setFocus();
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

void TpwsetFrm::JvXPToolButton1Click() {
    reject();
}

void TpwsetFrm::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.fillRect(rect(), QColor(250, 252, 255));
}

void TpwsetFrm::mousePressEvent(QMouseEvent *event) {
    // The frame and anything without its own mouse handling drag the window.
    QWindow *handle = windowHandle();
    if (event->button() == Qt::LeftButton && handle) {
        handle->startSystemMove();
        event->accept();
        return;
    }
    QDialog::mousePressEvent(event);
}
