// The rules of the gate and of the settings dialog's apply, on real files.
#include "RawFile.h"
#include "lock/GateCheck.h"
#include "lock/LoginFile.h"
#include "lock/PasswordHash.h"
#include "lock/PasswordSettings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using Outcome = PasswordSettings::Outcome;
Q_DECLARE_METATYPE(PasswordSettings::Outcome)

class TestPasswordRules : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_path;

    void writeRaw(const QByteArray &bytes) { RawFile::write(m_path, bytes); }
    QByteArray readRaw() const { return RawFile::read(m_path); }
    QStringList lines() const {
        QStringList result;
        QString error;
        return LoginFile::read(m_path, result, error) ? result : QStringList{};
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_path = m_dir.filePath(QStringLiteral("loginstr.db"));
    }

    void markerLetsAnyEntryIn_data() {
        QTest::addColumn<QString>("typed");
        QTest::newRow("empty") << QString();
        QTest::newRow("anything") << QStringLiteral("whatever");
        QTest::newRow("the marker") << QStringLiteral("NOKEY4817203");
    }
    void markerLetsAnyEntryIn() {
        QFETCH(QString, typed);
        writeRaw("NOKEY4817203\r\nNOKEY4817203\r\n-1\r\n");
        QCOMPARE(GateCheck::check(m_path, typed), GateCheck::Result::Accepted);
    }

    void legacyPlainText_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("its password") << QStringLiteral("密码 Ab") << true;
        QTest::newRow("other case") << QStringLiteral("密码 ab") << false;
        QTest::newRow("trailing space") << QStringLiteral("密码 Ab ") << false;
        QTest::newRow("without space") << QStringLiteral("密码Ab") << false;
        QTest::newRow("empty") << QString() << false;
    }
    void legacyPlainText() {
        QFETCH(QString, typed);
        QFETCH(bool, accepted);
        // An older version stored "密码 Ab" itself, in GBK.
        writeRaw("\xc3\xdc\xc2\xeb Ab\r\n\xc3\xdc\xc2\xeb Ab\r\n-1\r\n");
        QCOMPARE(GateCheck::check(m_path, typed),
                 accepted ? GateCheck::Result::Accepted : GateCheck::Result::Rejected);
        const QStringList after = lines();
        QCOMPARE(after.size(), 3);
        QCOMPARE(after.at(2), QStringLiteral("-1"));
        if (accepted) {
            // The first successful login leaves no plain text on disk; the hash opens the gate.
            QVERIFY(PasswordHash::isHash(after.at(0)));
            QCOMPARE(after.at(1), after.at(0));
            // The hash is ASCII, so it can hold "Ab" by chance but never the GBK password.
            QVERIFY(!readRaw().contains("\xc3\xdc\xc2\xeb Ab"));
            QCOMPARE(GateCheck::check(m_path, typed), GateCheck::Result::Accepted);
        } else {
            QCOMPARE(after.at(0), QStringLiteral("密码 Ab"));
        }
    }

    void damagedHashNamesTheFile_data() {
        QTest::addColumn<int>("cut");
        QTest::addColumn<QString>("replace");
        QTest::newRow("last characters cut") << 4 << QString();
        QTest::newRow("salt and hash cut") << 60 << QString();
        QTest::newRow("only the prefix") << 0 << QStringLiteral("$argon2id$");
        QTest::newRow("truncated prefix") << 0 << QStringLiteral("$argon2i");
        QTest::newRow("bad character") << 0 << QStringLiteral("#");
    }
    void damagedHashNamesTheFile() {
        QFETCH(int, cut);
        QFETCH(QString, replace);
        QString line, error;
        QVERIFY(PasswordHash::hash(QStringLiteral("pw"), line, error));
        QVERIFY(!PasswordHash::isDamagedHash(line));
        if (cut)
            line.chop(cut);
        else if (replace == QLatin1String("#"))
            line[line.size() - 3] = QLatin1Char('#');
        else
            line = replace;
        QVERIFY(PasswordHash::isDamagedHash(line));
        writeRaw(line.toLatin1() + "\r\n" + line.toLatin1() + "\r\n-1\r\n");
        QString message;
        QCOMPARE(GateCheck::check(m_path, QStringLiteral("pw"), &message),
                 GateCheck::Result::Damaged);
        QVERIFY2(message.contains(m_path), qPrintable(message));
        const QStringList read = lines();
        QVERIFY(!LoginFile::checkPasswordLine(m_path, read, error));
        QCOMPARE(error, message);
    }

    void readFailureAtGate_data() {
        QTest::addColumn<QByteArray>("bytes"); // null: no file
        QTest::newRow("missing") << QByteArray();
        QTest::newRow("empty file") << QByteArray("");
        QTest::newRow("not GBK") << QByteArray("\x81\r\n");
    }
    void readFailureAtGate() {
        QFETCH(QByteArray, bytes);
        QFile::remove(m_path);
        if (!bytes.isNull()) writeRaw(bytes);
        QCOMPARE(GateCheck::check(m_path, QStringLiteral("x")), GateCheck::Result::ReadFailed);
    }

    void eachCheckReadsTheFileAfresh() {
        writeRaw("one\r\none\r\n-1\r\n");
        QCOMPARE(GateCheck::check(m_path, QStringLiteral("two")), GateCheck::Result::Rejected);
        writeRaw("two\r\ntwo\r\n-1\r\n");
        QCOMPARE(GateCheck::check(m_path, QStringLiteral("two")), GateCheck::Result::Accepted);
    }

    void validationInOrder_data() {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<QString>("text");
        QTest::newRow("both empty") << ""
                                    << "" << Outcome::FirstMissing << "请输入登录密码!";
        QTest::newRow("first empty") << ""
                                     << "b" << Outcome::FirstMissing << "请输入登录密码!";
        QTest::newRow("second empty") << "a"
                                      << "" << Outcome::SecondMissing << "请再次输入登录密码!";
        QTest::newRow("different") << "a"
                                   << "b" << Outcome::Different << "两次输入的密码不一致!";
        QTest::newRow("differ by a space") << "a"
                                           << "a " << Outcome::Different << "两次输入的密码不一致!";
    }
    void validationInOrder() {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(Outcome, outcome);
        QFETCH(QString, text);
        writeRaw("NOKEY4817203\r\nNOKEY4817203\r\n0\r\n");
        const PasswordSettings::Result result =
            PasswordSettings::apply(m_path, true, first, second);
        QCOMPARE(result.outcome, outcome);
        QCOMPARE(result.text, text);
        QCOMPARE(result.caption, QStringLiteral("Kestrova KESTROVA"));
        QVERIFY(!result.closesDialog());
        QCOMPARE(readRaw(), QByteArray("NOKEY4817203\r\nNOKEY4817203\r\n0\r\n"));
    }

    void applyWritesAHash_data() {
        QTest::addColumn<QString>("password");
        QTest::newRow("ascii") << QStringLiteral("s3cret");
        QTest::newRow("spaces only") << QStringLiteral("   ");
        QTest::newRow("chinese") << QStringLiteral("农历密码");
        QTest::newRow("the marker text") << QStringLiteral("NOKEY4817203");
        QTest::newRow("beyond GBK") << QStringLiteral("key\U0001F511");
    }
    void applyWritesAHash() {
        QFETCH(QString, password);
        writeRaw("NOKEY4817203\r\nNOKEY4817203\r\n0\r\n");
        const PasswordSettings::Result result =
            PasswordSettings::apply(m_path, true, password, password);
        QCOMPARE(result.outcome, Outcome::PasswordSet);
        QCOMPARE(result.text, QStringLiteral("设置登录密码成功!"));
        QCOMPARE(result.caption, QStringLiteral("提示"));

        const QByteArray raw = readRaw();
        QVERIFY2(!raw.contains(password.toUtf8()), "the password itself must not be stored");
        const QStringList stored = lines();
        QCOMPARE(stored.size(), 3);
        QVERIFY2(stored.at(0).startsWith(QLatin1String("$argon2id$v=19$m=")),
                 qPrintable(stored.at(0)));
        QCOMPARE(stored.at(1), stored.at(0));
        QCOMPARE(stored.at(2), QStringLiteral("-1"));
        QCOMPARE(raw, (stored.at(0) + "\r\n" + stored.at(1) + "\r\n-1\r\n").toLatin1());

        QCOMPARE(GateCheck::check(m_path, password), GateCheck::Result::Accepted);
        QCOMPARE(GateCheck::check(m_path, password + QLatin1Char('x')),
                 GateCheck::Result::Rejected);
        QCOMPARE(GateCheck::check(m_path, QString()), GateCheck::Result::Rejected);
        // A password equal to the marker is a password like any other.
        if (password != QLatin1String("NOKEY4817203"))
            QCOMPARE(GateCheck::check(m_path, QStringLiteral("NOKEY4817203")),
                     GateCheck::Result::Rejected);
    }

    void saltedHashesDiffer() {
        QString a, b, error;
        QVERIFY(PasswordHash::hash(QStringLiteral("same"), a, error));
        QVERIFY(PasswordHash::hash(QStringLiteral("same"), b, error));
        QVERIFY(a != b);
        QVERIFY(PasswordHash::verify(a, QStringLiteral("same")));
        QVERIFY(PasswordHash::verify(b, QStringLiteral("same")));
    }

    void brokenHashRejectsEverything() {
        QString line, error;
        QVERIFY(PasswordHash::hash(QStringLiteral("pw"), line, error));
        line.chop(4);
        QVERIFY(PasswordHash::isHash(line));
        QVERIFY(!GateCheck::matches(line, QStringLiteral("pw")));
        QVERIFY(!GateCheck::matches(QStringLiteral("$argon2id$"), QString()));
    }

    void untickedApplyWritesMarker_data() {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::newRow("empty fields") << ""
                                      << "";
        QTest::newRow("filled, equal") << "abc"
                                       << "abc";
        QTest::newRow("filled, different") << "abc"
                                           << "xyz";
    }
    void untickedApplyWritesMarker() {
        QFETCH(QString, first);
        QFETCH(QString, second);
        writeRaw("old\r\nold\r\n-1\r\n");
        const PasswordSettings::Result result =
            PasswordSettings::apply(m_path, false, first, second);
        QCOMPARE(result.outcome, Outcome::PasswordRemoved);
        QCOMPARE(result.text, QStringLiteral("取消密码成功!"));
        QCOMPARE(result.caption, QStringLiteral("提示"));
        QCOMPARE(readRaw(), QByteArray("NOKEY4817203\r\nNOKEY4817203\r\n0\r\n"));
    }

    void writeFailureIsNoSuccess_data() {
        QTest::addColumn<bool>("ticked");
        QTest::newRow("set") << true;
        QTest::newRow("remove") << false;
    }
    void writeFailureIsNoSuccess() {
        QFETCH(bool, ticked);
        writeRaw("old\r\nold\r\n0\r\n");
        QVERIFY(QFile::setPermissions(m_path, QFileDevice::ReadOwner));
        const PasswordSettings::Result result =
            PasswordSettings::apply(m_path, ticked, QStringLiteral("pw"), QStringLiteral("pw"));
        QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QCOMPARE(result.outcome, Outcome::WriteFailed);
        QVERIFY(result.isError());
        QVERIFY(!result.closesDialog());
        QVERIFY2(result.text.contains(m_path), qPrintable(result.text));
        QCOMPARE(readRaw(), QByteArray("old\r\nold\r\n0\r\n"));

        const QString missing = m_dir.filePath(QStringLiteral("nofolder/loginstr.db"));
        QCOMPARE(
            PasswordSettings::apply(missing, ticked, QStringLiteral("pw"), QStringLiteral("pw"))
                .outcome,
            Outcome::WriteFailed);
    }

    void gateFlagOnOpening() {
        bool on = false;
        QString error;
        writeRaw("a\r\na\r\n-1\r\n");
        QVERIFY(PasswordSettings::readGateFlag(m_path, on, error));
        QVERIFY(on);
        writeRaw("a\r\na\r\n0\r\n");
        QVERIFY(PasswordSettings::readGateFlag(m_path, on, error));
        QVERIFY(!on);
        on = true;
        QVERIFY(
            !PasswordSettings::readGateFlag(m_dir.filePath(QStringLiteral("none.db")), on, error));
        QVERIFY(on);
        QVERIFY(!error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestPasswordRules)
#include "tst_password_rules.moc"
