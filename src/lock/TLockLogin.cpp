#include "lock/TLockLogin.h"

#include "lock/GateCheck.h"
#include "lock/LockFrame.h"
#include "lock/LockPictureLabel.h"
#include "lock/LockPictures.h"

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

TLockLogin::TLockLogin(const QString &loginFilePath, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_path(loginFilePath),
      m_message(&LockMessageBox::show) {
    setWindowTitle(QStringLiteral("Kestrova 登录"));
    setFixedSize(246, 144);
    setFont(LockPictures::windowFont());

    Panel1 = new FramedPanel(Qt::white, QColor(146, 168, 218), this);
    Panel1->setGeometry(3, 3, 248, 145);

    Image3 = new LockPictureLabel(LockPictures::load(QStringLiteral("login_side")), false, Panel1);
    Image3->setGeometry(2, 15, 99, 118);
    Image1 = new LockPictureLabel(LockPictures::load(QStringLiteral("login_top")), true, Panel1);
    Image1->setGeometry(1, 1, 245, 10);
    Image2 =
        new LockPictureLabel(LockPictures::load(QStringLiteral("login_bottom")), false, Panel1);
    Image2->setGeometry(1, 133, 246, 11);

    Panel2 = new FramedPanel(QColor(228, 235, 253), QColor(), Panel1);
    Panel2->setGeometry(101, 15, 145, 118);

    img1 = new LockPictureLabel(LockPictures::load(QStringLiteral("login_banner")), false, Panel2);
    img1->setGeometry(0, 0, 145, 35);

    Label1 = new QLabel(QStringLiteral("用户名：rade"), Panel2);
    Label1->move(10, 42);
    Label1->adjustSize();
    Label2 = new QLabel(QStringLiteral("密  码："), Panel2);
    Label2->move(14, 63);
    Label2->adjustSize();

    Edit1 = new QLineEdit(Panel2);
    Edit1->setGeometry(53, 62, 78, 19);
    Edit1->setEchoMode(QLineEdit::Password);
    Edit1->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42;"
                                        " border: 1px solid rgb(146,168,218); background: white;"
                                        " padding: 0px 1px; }"));
    Edit1->installEventFilter(this);

    SpeedButton1 = new QPushButton(QStringLiteral("确定"), Panel2);
    SpeedButton1->setGeometry(15, 98, 42, 15);
    SpeedButton2 = new QPushButton(QStringLiteral("取消"), Panel2);
    SpeedButton2->setGeometry(65, 98, 42, 15);
    for (QPushButton *button : {SpeedButton1, SpeedButton2}) {
        button->setStyleSheet(QLatin1String(kFlatButton));
        button->setFocusPolicy(Qt::NoFocus);
        button->setCursor(Qt::PointingHandCursor);
    }
    connect(SpeedButton1, &QPushButton::clicked, this, &TLockLogin::SpeedButton1Click);
    connect(SpeedButton2, &QPushButton::clicked, this, &TLockLogin::SpeedButton2Click);

    new LockFrame(QColor(153, 168, 206), this);

    Edit1->setFocus();

    // Centred on the desktop.
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
}

void TLockLogin::setMessageFunction(LockMessageBox::Function fn) {
    m_message = std::move(fn);
}

void TLockLogin::SpeedButton1Click() {
    if (m_finished) return;
    QString damage;
    switch (GateCheck::check(m_path, Edit1->text(), &damage)) {
    case GateCheck::Result::Accepted:
        m_finished = true;
        emit loginAccepted(); // the receiver shows the main window first
        hide();
        break;
    case GateCheck::Result::Rejected:
        m_message(this, QStringLiteral("密码不正确,请重新输入登录密码!"),
                  QStringLiteral("登陆提示"), LockMessageBox::Kind::Plain);
        Edit1->clear();
        Edit1->setFocus();
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

void TLockLogin::SpeedButton2Click() {
    close();
}

bool TLockLogin::eventFilter(QObject *watched, QEvent *event) {
    if (watched == Edit1 && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        // Enter confirms whatever modifier keys are held.
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            SpeedButton1Click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TLockLogin::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    // The gate is the first window of the run: take the keyboard so typing goes to Edit1.
    activateWindow();
    Edit1->setFocus();
}

void TLockLogin::closeEvent(QCloseEvent *event) {
    // Closing the gate by any means before the right password ends the program.
    if (!m_finished) {
        m_finished = true;
        emit loginCancelled();
    }
    QWidget::closeEvent(event);
}

void TLockLogin::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.fillRect(rect(), QColor(220, 231, 255));
}
