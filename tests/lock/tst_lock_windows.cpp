// The gate and the settings dialog as the user meets them, with their message boxes read
// instead of shown.
#include "RawFile.h"
#include "lock/LoginFile.h"
#include "lock_ui/LockPictures.h"
#include "lock_ui/LoginGate.h"
#include "lock_ui/PasswordSettingsDialog.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Message {
    QString text;
    QString caption;
    LockMessageBox::Kind kind;
};

} // namespace

class TestLockWindows : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_path;
    QList<Message> m_messages;

    LockMessageBox::Function recorder() {
        return [this](QWidget *, const QString &text, const QString &caption,
                      LockMessageBox::Kind kind) {
            m_messages.append({text, caption, kind});
        };
    }
    void writeRaw(const QByteArray &bytes) { RawFile::write(m_path, bytes); }
    QByteArray readRaw() const { return RawFile::read(m_path); }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_path = m_dir.filePath(QStringLiteral("loginstr.db"));
    }
    void init() { m_messages.clear(); }

    void gateRejectsWrongPasswordAndClears() {
        writeRaw("right\r\nright\r\n-1\r\n");
        LoginGate gate(m_path);
        gate.setMessageFunction(recorder());
        QSignalSpy accepted(&gate, &LoginGate::loginAccepted);
        QSignalSpy cancelled(&gate, &LoginGate::loginCancelled);
        gate.show();
        QVERIFY(QTest::qWaitForWindowExposed(&gate));
        QCOMPARE(gate.size(), QSize(246, 144));
        QVERIFY(gate.windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(gate.focusWidget(), gate.passwordEdit());
        QCOMPARE(gate.objectName(), QStringLiteral("TLockLogin"));
        QCOMPARE(gate.findChild<QLineEdit *>(QStringLiteral("Edit1")), gate.passwordEdit());

        QTest::keyClicks(gate.passwordEdit(), QStringLiteral("wrong"));
        QCOMPARE(gate.passwordEdit()->displayText(), QStringLiteral("*****"));
        QTest::keyClick(gate.passwordEdit(), Qt::Key_Return);
        QCOMPARE(m_messages.size(), 1);
        QCOMPARE(m_messages.at(0).text, QStringLiteral("密码不正确,请重新输入登录密码!"));
        QCOMPARE(m_messages.at(0).caption, QStringLiteral("登陆提示"));
        QCOMPARE(m_messages.at(0).kind, LockMessageBox::Kind::Plain);
        QVERIFY(gate.passwordEdit()->text().isEmpty());
        QCOMPARE(gate.focusWidget(), gate.passwordEdit());
        QVERIFY(gate.isVisible());
        QCOMPARE(accepted.count(), 0);
        QCOMPARE(cancelled.count(), 0);
    }

    void gateAccepts_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("button") << QByteArray("pw\r\npw\r\n-1\r\n") << "pw" << 0 << 0;
        QTest::newRow("Return") << QByteArray("pw\r\npw\r\n-1\r\n") << "pw" << int(Qt::Key_Return)
                                << 0;
        QTest::newRow("keypad Enter with Shift")
            << QByteArray("pw\r\npw\r\n-1\r\n") << "pw" << int(Qt::Key_Enter)
            << int(Qt::ShiftModifier | Qt::KeypadModifier);
        QTest::newRow("Ctrl+Return") << QByteArray("pw\r\npw\r\n-1\r\n") << "pw"
                                     << int(Qt::Key_Return) << int(Qt::ControlModifier);
        QTest::newRow("marker, empty entry")
            << QByteArray("NOKEY4817203\r\nNOKEY4817203\r\n-1\r\n") << "" << 0 << 0;
    }
    void gateAccepts() {
        QFETCH(QByteArray, file);
        QFETCH(QString, typed);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        writeRaw(file);
        LoginGate gate(m_path);
        gate.setMessageFunction(recorder());
        QSignalSpy accepted(&gate, &LoginGate::loginAccepted);
        QSignalSpy cancelled(&gate, &LoginGate::loginCancelled);
        bool visibleWhenAccepted = false;
        connect(&gate, &LoginGate::loginAccepted, this,
                [&] { visibleWhenAccepted = gate.isVisible(); });
        gate.show();
        QVERIFY(QTest::qWaitForWindowExposed(&gate));
        QTest::keyClicks(gate.passwordEdit(), typed);
        if (key)
            QTest::keyClick(gate.passwordEdit(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        else
            gate.confirm();
        QCOMPARE(accepted.count(), 1);
        QVERIFY2(visibleWhenAccepted, "the main window is shown before the gate hides");
        QVERIFY(!gate.isVisible());
        QVERIFY(m_messages.isEmpty());
        // Hidden, it stays quiet when the program later closes it.
        gate.close();
        QCOMPARE(cancelled.count(), 0);
    }

    void gateCancel() {
        writeRaw("pw\r\npw\r\n-1\r\n");
        LoginGate gate(m_path);
        gate.setMessageFunction(recorder());
        QSignalSpy accepted(&gate, &LoginGate::loginAccepted);
        QSignalSpy cancelled(&gate, &LoginGate::loginCancelled);
        QSignalSpy failed(&gate, &LoginGate::readFailed);
        gate.show();
        QVERIFY(QTest::qWaitForWindowExposed(&gate));
        gate.cancel();
        QCOMPARE(cancelled.count(), 1);
        QCOMPARE(accepted.count(), 0);
        QCOMPARE(failed.count(), 0);
        QVERIFY(!gate.isVisible());
        gate.close();
        QCOMPARE(cancelled.count(), 1);
    }

    void gateClosedByWindowManager() {
        writeRaw("pw\r\npw\r\n-1\r\n");
        LoginGate gate(m_path);
        QSignalSpy cancelled(&gate, &LoginGate::loginCancelled);
        gate.show();
        QVERIFY(QTest::qWaitForWindowExposed(&gate));
        gate.close();
        QCOMPARE(cancelled.count(), 1);
    }

    void gateReadFailureEndsSilently() {
        writeRaw("pw\r\npw\r\n-1\r\n");
        LoginGate gate(m_path);
        gate.setMessageFunction(recorder());
        QSignalSpy cancelled(&gate, &LoginGate::loginCancelled);
        QSignalSpy failed(&gate, &LoginGate::readFailed);
        QSignalSpy accepted(&gate, &LoginGate::loginAccepted);
        gate.show();
        QVERIFY(QTest::qWaitForWindowExposed(&gate));
        QVERIFY(QFile::remove(m_path));
        QTest::keyClicks(gate.passwordEdit(), QStringLiteral("pw"));
        QTest::keyClick(gate.passwordEdit(), Qt::Key_Return);
        QCOMPARE(failed.count(), 1);
        QCOMPARE(cancelled.count(), 1);
        QCOMPARE(accepted.count(), 0);
        QVERIFY(m_messages.isEmpty());
        QVERIFY(!gate.isVisible());
    }

    void settingsValidationInOrder() {
        writeRaw("NOKEY4817203\r\nNOKEY4817203\r\n0\r\n");
        PasswordSettingsDialog dialog(m_path);
        dialog.setMessageFunction(recorder());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.size(), QSize(442, 222));
        QVERIFY(dialog.windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(!dialog.checkBox()->isChecked());
        QCOMPARE(dialog.objectName(), QStringLiteral("TpwsetFrm"));
        QCOMPARE(dialog.findChild<QCheckBox *>(QStringLiteral("JCheckbox1")), dialog.checkBox());
        QCOMPARE(dialog.findChild<QLineEdit *>(QStringLiteral("edit1")), dialog.firstEdit());
        QCOMPARE(dialog.findChild<QLineEdit *>(QStringLiteral("edit2")), dialog.secondEdit());
        dialog.checkBox()->setChecked(true);

        dialog.secondEdit()->setFocus();
        dialog.apply();
        QCOMPARE(dialog.focusWidget(), dialog.firstEdit());

        QTest::keyClicks(dialog.firstEdit(), QStringLiteral("abc"));
        QCOMPARE(dialog.firstEdit()->displayText(), QStringLiteral("***"));
        dialog.apply();
        QCOMPARE(dialog.focusWidget(), dialog.secondEdit());

        QTest::keyClicks(dialog.secondEdit(), QStringLiteral("abd"));
        dialog.firstEdit()->setFocus();
        dialog.apply();
        QCOMPARE(dialog.focusWidget(), dialog.firstEdit()); // stays where it was

        QCOMPARE(m_messages.size(), 3);
        const QStringList texts{m_messages.at(0).text, m_messages.at(1).text,
                                m_messages.at(2).text};
        QCOMPARE(texts, (QStringList{QStringLiteral("请输入登录密码!"),
                                     QStringLiteral("请再次输入登录密码!"),
                                     QStringLiteral("两次输入的密码不一致!")}));
        for (const Message &m : std::as_const(m_messages)) {
            QCOMPARE(m.caption, QStringLiteral("Kestrova KESTROVA"));
            QCOMPARE(m.kind, LockMessageBox::Kind::Plain);
        }
        QVERIFY(dialog.isVisible());
        QCOMPARE(readRaw(), QByteArray("NOKEY4817203\r\nNOKEY4817203\r\n0\r\n"));
    }

    void settingsApplySetsAndCloses() {
        writeRaw("NOKEY4817203\r\nNOKEY4817203\r\n0\r\n");
        PasswordSettingsDialog dialog(m_path);
        dialog.setMessageFunction(recorder());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.checkBox()->setChecked(true);
        dialog.firstEdit()->setText(QStringLiteral("新密码"));
        dialog.secondEdit()->setText(QStringLiteral("新密码"));
        dialog.apply();
        QCOMPARE(m_messages.size(), 1);
        QCOMPARE(m_messages.at(0).text, QStringLiteral("设置登录密码成功!"));
        QCOMPARE(m_messages.at(0).caption, QStringLiteral("提示"));
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));

        // The next start asks for the new password.
        LoginGate gate(m_path);
        gate.setMessageFunction(recorder());
        QSignalSpy accepted(&gate, &LoginGate::loginAccepted);
        gate.passwordEdit()->setText(QStringLiteral("新密码"));
        gate.confirm();
        QCOMPARE(accepted.count(), 1);
    }

    void settingsUntickedApplyRemoves() {
        writeRaw("pw\r\npw\r\n0\r\n");
        PasswordSettingsDialog dialog(m_path);
        dialog.setMessageFunction(recorder());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.firstEdit()->setText(QStringLiteral("left"));
        dialog.secondEdit()->setText(QStringLiteral("over"));
        dialog.apply();
        QCOMPARE(m_messages.size(), 1);
        QCOMPARE(m_messages.at(0).text, QStringLiteral("取消密码成功!"));
        QCOMPARE(m_messages.at(0).caption, QStringLiteral("提示"));
        QVERIFY(!dialog.isVisible());
        QCOMPARE(readRaw(), QByteArray("NOKEY4817203\r\nNOKEY4817203\r\n0\r\n"));
    }

    void settingsWriteFailureStaysOpen() {
        writeRaw("NOKEY4817203\r\nNOKEY4817203\r\n0\r\n");
        QVERIFY(QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
        PasswordSettingsDialog dialog(m_path);
        dialog.setMessageFunction(recorder());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.checkBox()->setChecked(true);
        dialog.firstEdit()->setText(QStringLiteral("pw"));
        dialog.secondEdit()->setText(QStringLiteral("pw"));
        dialog.apply();
        QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QCOMPARE(m_messages.size(), 1);
        QCOMPARE(m_messages.at(0).kind, LockMessageBox::Kind::Error);
        QVERIFY2(m_messages.at(0).text.contains(m_path), qPrintable(m_messages.at(0).text));
        QVERIFY(m_messages.at(0).text != QStringLiteral("设置登录密码成功!"));
        QVERIFY(dialog.isVisible());
        QCOMPARE(readRaw(), QByteArray("NOKEY4817203\r\nNOKEY4817203\r\n0\r\n"));
        // The fields are kept for another try.
        QCOMPARE(dialog.firstEdit()->text(), QStringLiteral("pw"));
    }

    void settingsKeepStateBetweenOpenings() {
        writeRaw("NOKEY4817203\r\nNOKEY4817203\r\n0\r\n");
        PasswordSettingsDialog dialog(m_path);
        dialog.setMessageFunction(recorder());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(!dialog.checkBox()->isChecked());
        dialog.checkBox()->setChecked(true);
        dialog.firstEdit()->setText(QStringLiteral("typed"));
        dialog.closeWithoutSaving(); // close: nothing written
        QVERIFY(!dialog.isVisible());
        QCOMPARE(readRaw(), QByteArray("NOKEY4817203\r\nNOKEY4817203\r\n0\r\n"));

        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(dialog.checkBox()->isChecked()); // although the file says "0"
        QCOMPARE(dialog.firstEdit()->text(), QStringLiteral("typed"));
        dialog.checkBox()->setChecked(false);
        dialog.closeWithoutSaving();

        writeRaw("pw\r\npw\r\n-1\r\n");
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(dialog.checkBox()->isChecked()); // the flag ticks it
        QVERIFY(m_messages.isEmpty());
        dialog.closeWithoutSaving();
    }

    void pictures_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        QTest::newRow("settings title") << "pwset_title" << QSize(447, 18);
        QTest::newRow("settings icon") << "pwset_icon" << QSize(32, 32);
        QTest::newRow("settings body") << "pwset_body" << QSize(441, 202);
        QTest::newRow("gate top") << "login_top" << QSize(245, 10);
        QTest::newRow("gate bottom") << "login_bottom" << QSize(246, 11);
        QTest::newRow("gate side") << "login_side" << QSize(99, 118);
        QTest::newRow("gate banner") << "login_banner" << QSize(145, 35);
    }
    void pictures() {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        QVERIFY(LockPictures::names().contains(name));
        // The shipped file and the painted stand-in agree, so a missing file changes nothing.
        const QImage shipped(QStringLiteral(KESTROVA_SOURCE_DIR "/resources/lock/") + name +
                             QStringLiteral(".png"));
        QCOMPARE(shipped.size(), size);
        QCOMPARE(LockPictures::paint(name).size(), size);
        QCOMPARE(LockPictures::load(name).size(), size);
    }

    void settingsReadFailureOnOpening() {
        QFile::remove(m_path);
        PasswordSettingsDialog dialog(m_path);
        dialog.setMessageFunction(recorder());
        dialog.checkBox()->setChecked(true);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTRY_COMPARE(m_messages.size(), 1);
        QCOMPARE(m_messages.at(0).kind, LockMessageBox::Kind::Error);
        QVERIFY2(m_messages.at(0).text.contains(m_path), qPrintable(m_messages.at(0).text));
        QVERIFY(dialog.checkBox()->isChecked());
        QVERIFY(dialog.isVisible());
    }
};

QTEST_MAIN(TestLockWindows)
#include "tst_lock_windows.moc"
