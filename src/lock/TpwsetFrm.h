#pragma once

#include "lock/LockMessageBox.h"

#include <QDialog>
#include <QString>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class LockPictureLabel;

// The password settings dialog, borderless, opened modally from the main window's system
// menu ("密码设置"). Create ONE instance per run and reuse it for every opening: the check
// box and both fields keep their state between openings; when it opens the box is ticked
// if the file's flag is "-1", otherwise left as it was. Changes take effect at the next
// start. Apply writes the file (a hash of the password, or the no-password marker) and
// closes with accept(); the close button closes with reject() and writes nothing.
// A read failure on opening or a write failure on apply is shown as an error box.
class TpwsetFrm : public QDialog {
    Q_OBJECT
public:
    explicit TpwsetFrm(const QString &loginFilePath, QWidget *parent = nullptr);

    // Replaces the message box (tests).
    void setMessageFunction(LockMessageBox::Function fn);

    QCheckBox *checkBox() const { return JCheckbox1; }
    QLineEdit *firstEdit() const { return edit1; }
    QLineEdit *secondEdit() const { return edit2; }

public slots:
    void JvXPButton1Click();     // apply
    void JvXPToolButton1Click(); // close without saving

protected:
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void FormShow();

    QString m_path;
    LockMessageBox::Function m_message;

    LockPictureLabel *Image1 = nullptr;
    LockPictureLabel *Image2 = nullptr;
    LockPictureLabel *Image3 = nullptr;
    QLabel *Label1 = nullptr;
    QCheckBox *JCheckbox1 = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *edit1 = nullptr;
    QLabel *Label3 = nullptr;
    QLineEdit *edit2 = nullptr;
    QPushButton *JvXPButton1 = nullptr;
    QToolButton *JvXPToolButton1 = nullptr;
};
