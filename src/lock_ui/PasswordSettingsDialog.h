#pragma once

#include "lock_ui/LockMessageBox.h"

#include <QDialog>
#include <QString>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class StretchedPicture;

// The password settings dialog, borderless, opened modally from the main window's system
// menu ("密码设置"). Create ONE instance per run and reuse it for every opening: the check
// box and both fields keep their state between openings; when it opens the box is ticked
// if the file's flag is "-1", otherwise left as it was. Changes take effect at the next
// start. Apply writes the file (a hash of the password, or the no-password marker) and
// closes with accept(); the close button closes with reject() and writes nothing.
// A read failure on opening or a write failure on apply is shown as an error box.
class PasswordSettingsDialog : public QDialog {
    Q_OBJECT
public:
    explicit PasswordSettingsDialog(const QString &loginFilePath, QWidget *parent = nullptr);

    // Replaces the message box (tests).
    void setMessageFunction(LockMessageBox::Function fn);

    QCheckBox *checkBox() const { return m_gateCheckBox; }
    QLineEdit *firstEdit() const { return m_firstEdit; }
    QLineEdit *secondEdit() const { return m_secondEdit; }

public slots:
    void apply();
    void closeWithoutSaving();

protected:
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void readGateFlag();

    QString m_path;
    LockMessageBox::Function m_message;

    StretchedPicture *m_titleStrip = nullptr;
    StretchedPicture *m_icon = nullptr;
    StretchedPicture *m_body = nullptr;
    QLabel *m_titleLabel = nullptr;
    QCheckBox *m_gateCheckBox = nullptr;
    QLabel *m_firstLabel = nullptr;
    QLineEdit *m_firstEdit = nullptr;
    QLabel *m_secondLabel = nullptr;
    QLineEdit *m_secondEdit = nullptr;
    QPushButton *m_applyButton = nullptr;
    QToolButton *m_closeButton = nullptr;
};
