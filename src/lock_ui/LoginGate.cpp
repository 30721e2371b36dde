#include "lock_ui/LoginGate.h"

#include "lock/GateCheck.h"
#include "lock_ui/BorderOverlay.h"
#include "lock_ui/LockPictures.h"
#include "lock_ui/StretchedPicture.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

namespace {

// A plain white panel with a one-pixel frame.
class FramedPanel : public QWidget {
public:
    FramedPanel(const QColor &fill, const QColor &pen, QWidget *parent)
        : QWidget(parent), m_fill(fill), m_pen(pen) {}

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        p.fillRect(rect(), m_fill);
        if (m_pen.isValid()) {
            p.setPen(m_pen);
            p.drawRect(rect().adjusted(0, 0, -1, -1));
        }
    }

private:
    QColor m_fill;
    QColor m_pen;
};

const char kFlatButton[] =
    "QPushButton { border: 1px solid rgb(146,168,218); background: rgb(240,245,255);"
    " color: rgb(40,60,110); padding: 0px; }"
    "QPushButton:hover { background: rgb(214,228,250); }"
    "QPushButton:pressed { background: rgb(190,210,244); }";

} // namespace

LoginGate::LoginGate(const QString &loginFilePath, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_path(loginFilePath),
      m_message(&LockMessageBox::show) {
    setObjectName(QStringLiteral("TLockLogin"));
    setWindowTitle(QStringLiteral("Kestrova 登录"));
    setFixedSize(246, 144);
    setFont(LockPictures::windowFont());

    m_framePanel = new FramedPanel(Qt::white, QColor(146, 168, 218), this);
    m_framePanel->setObjectName(QStringLiteral("Panel1"));
    m_framePanel->setGeometry(3, 3, 248, 145);

    m_sidePicture =
        new StretchedPicture(LockPictures::load(QStringLiteral("login_side")), false, m_framePanel);
    m_sidePicture->setObjectName(QStringLiteral("Image3"));
    m_sidePicture->setGeometry(2, 15, 99, 118);
    m_topStrip =
        new StretchedPicture(LockPictures::load(QStringLiteral("login_top")), true, m_framePanel);
    m_topStrip->setObjectName(QStringLiteral("Image1"));
    m_topStrip->setGeometry(1, 1, 245, 10);
    m_bottomStrip = new StretchedPicture(LockPictures::load(QStringLiteral("login_bottom")), false,
                                         m_framePanel);
    m_bottomStrip->setObjectName(QStringLiteral("Image2"));
    m_bottomStrip->setGeometry(1, 133, 246, 11);

    m_entryPanel = new FramedPanel(QColor(228, 235, 253), QColor(), m_framePanel);
    m_entryPanel->setObjectName(QStringLiteral("Panel2"));
    m_entryPanel->setGeometry(101, 15, 145, 118);

    m_banner = new StretchedPicture(LockPictures::load(QStringLiteral("login_banner")), false,
                                    m_entryPanel);
    m_banner->setObjectName(QStringLiteral("img1"));
    m_banner->setGeometry(0, 0, 145, 35);

    m_userLabel = new QLabel(QStringLiteral("用户名：rade"), m_entryPanel);
    m_userLabel->setObjectName(QStringLiteral("Label1"));
    m_userLabel->move(10, 42);
    m_userLabel->adjustSize();
    m_passwordLabel = new QLabel(QStringLiteral("密  码："), m_entryPanel);
    m_passwordLabel->setObjectName(QStringLiteral("Label2"));
    m_passwordLabel->move(14, 63);
    m_passwordLabel->adjustSize();

    m_passwordEdit = new QLineEdit(m_entryPanel);
    m_passwordEdit->setObjectName(QStringLiteral("Edit1"));
    m_passwordEdit->setGeometry(53, 62, 78, 19);
    m_passwordEdit->setEchoMode(QLineEdit::Password);
    m_passwordEdit->setStyleSheet(
        QStringLiteral("QLineEdit { lineedit-password-character: 42;"
                       " border: 1px solid rgb(146,168,218); background: white;"
                       " padding: 0px 1px; }"));
    m_passwordEdit->installEventFilter(this);

    m_okButton = new QPushButton(QStringLiteral("确定"), m_entryPanel);
    m_okButton->setObjectName(QStringLiteral("SpeedButton1"));
    m_okButton->setGeometry(15, 98, 42, 15);
    m_cancelButton = new QPushButton(QStringLiteral("取消"), m_entryPanel);
    m_cancelButton->setObjectName(QStringLiteral("SpeedButton2"));
    m_cancelButton->setGeometry(65, 98, 42, 15);
    for (QPushButton *button : {m_okButton, m_cancelButton}) {
        button->setStyleSheet(QLatin1String(kFlatButton));
        button->setFocusPolicy(Qt::NoFocus);
        button->setCursor(Qt::PointingHandCursor);
    }
    connect(m_okButton, &QPushButton::clicked, this, &LoginGate::confirm);
    connect(m_cancelButton, &QPushButton::clicked, this, &LoginGate::cancel);

    new BorderOverlay(QColor(153, 168, 206), this);

    m_passwordEdit->setFocus();

    // Centred on the desktop.
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
}

void LoginGate::setMessageFunction(LockMessageBox::Function fn) {
    m_message = std::move(fn);
}

void LoginGate::confirm() {
    if (m_finished) return;
    QString damage;
    switch (GateCheck::check(m_path, m_passwordEdit->text(), &damage)) {
    case GateCheck::Result::Accepted:
        m_finished = true;
        emit loginAccepted(); // the receiver shows the main window first
        hide();
        break;
    case GateCheck::Result::Rejected:
        m_message(this, QStringLiteral("密码不正确,请重新输入登录密码!"),
                  QStringLiteral("登陆提示"), LockMessageBox::Kind::Plain);
        m_passwordEdit->clear();
        m_passwordEdit->setFocus();
        break;
    case GateCheck::Result::Damaged:
        // No password can pass: say which file is at fault instead of refusing every entry.
        m_message(this, damage, QStringLiteral("登陆提示"), LockMessageBox::Kind::Error);
        emit readFailed();
        close();
        break;
    case GateCheck::Result::ReadFailed:
        // The program ends without a word: nothing is shown before the main window.
        emit readFailed();
        close();
        break;
    }
}

void LoginGate::cancel() {
    close();
}

bool LoginGate::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_passwordEdit && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        // Enter confirms whatever modifier keys are held.
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            confirm();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void LoginGate::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    // The gate is the first window of the run: take the keyboard so typing reaches the field.
    activateWindow();
    m_passwordEdit->setFocus();
}

void LoginGate::closeEvent(QCloseEvent *event) {
    // Closing the gate by any means before the right password ends the program.
    if (!m_finished) {
        m_finished = true;
        emit loginCancelled();
    }
    QWidget::closeEvent(event);
}

void LoginGate::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.fillRect(rect(), QColor(220, 231, 255));
}
