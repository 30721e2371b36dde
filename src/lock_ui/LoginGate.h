#pragma once

#include "lock_ui/LockMessageBox.h"

#include <QString>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class StretchedPicture;

// The login gate: a small borderless window asking for the start-up password.
//
// Right password (or no password set): emits loginAccepted(), then hides itself. The
// receiver shows the main window; the gate stays alive, hidden.
// Wrong password: shows "密码不正确,请重新输入登录密码!" ("登陆提示"), clears the entry and
// keeps the focus in it.
// Cancel, closing the gate window, or a failure to read the password file at confirmation:
// the gate closes and emits loginCancelled(); the receiver ends the program. A read failure
// shows no message (the program ends silently), a damaged password hash says which file is
// damaged; readFailed() is emitted just before
// loginCancelled() in that case, for callers that want to tell the two apart.
class LoginGate : public QWidget {
    Q_OBJECT
public:
    explicit LoginGate(const QString &loginFilePath, QWidget *parent = nullptr);

    // Replaces the message box (tests).
    void setMessageFunction(LockMessageBox::Function fn);

    QLineEdit *passwordEdit() const { return m_passwordEdit; }

signals:
    void loginAccepted();
    void loginCancelled();
    void readFailed();

public slots:
    void confirm();
    void cancel();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString m_path;
    LockMessageBox::Function m_message;
    bool m_finished = false; // accepted or cancelled: no second signal

    QWidget *m_framePanel = nullptr;
    QWidget *m_entryPanel = nullptr;
    StretchedPicture *m_topStrip = nullptr;
    StretchedPicture *m_bottomStrip = nullptr;
    StretchedPicture *m_sidePicture = nullptr;
    StretchedPicture *m_banner = nullptr;
    QLabel *m_userLabel = nullptr;
    QLabel *m_passwordLabel = nullptr;
    QLineEdit *m_passwordEdit = nullptr;
    QPushButton *m_okButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
};
