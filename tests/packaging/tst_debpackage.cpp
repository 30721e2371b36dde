// The Debian package as CPack builds it: lintian's verdict, its declared dependencies, the size
// of its shipped files, and the program unpacked from it (dpkg-deb -x) into a temporary root,
// started there on the test's X display with an empty home folder.
#include "Command.h"

#include <QDate>
#include <QDir>
#include <QDirIterator>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <sys/stat.h>

namespace {
const QString kClass = QStringLiteral("Kestrova1024K715");

// True when the opaque pixels of `picture` appear in `shot` with their top-left corner at some
// x of row `y`.
bool containsPicture(const QImage &shot, const QImage &picture, int y) {
    const QImage pic = picture.convertToFormat(QImage::Format_ARGB32);
    const QImage img = shot.convertToFormat(QImage::Format_ARGB32);
    for (int x = 0; x + pic.width() <= img.width(); ++x) {
        int opaque = 0, equal = 0;
        for (int py = 0; py < pic.height() && y + py < img.height(); ++py)
            for (int px = 0; px < pic.width(); ++px) {
                const QRgb p = pic.pixel(px, py);
                if (qAlpha(p) != 255) continue;
                ++opaque;
                if ((img.pixel(x + px, y + py) & 0xffffff) == (p & 0xffffff)) ++equal;
            }
        if (opaque > 0 && equal * 10 >= opaque * 9) return true;
    }
    return false;
}
unsigned modeOf(const QString &path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 01000;
}
} // namespace

class TestDebPackage : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY(m_work.isValid());
        const QString out = m_work.filePath("package");
        const CommandResult r =
            runCommand(QStringLiteral(KESTROVA_CPACK),
                       {"-G", "DEB", "-B", out, "--config",
                        QStringLiteral(KESTROVA_BUILD_DIR "/CPackConfig.cmake")},
                       600000, QStringLiteral(KESTROVA_BUILD_DIR));
        QVERIFY2(r.ok(), qPrintable(r.output));
        const QStringList debs = QDir(out).entryList({"kestrova_*.deb"}, QDir::Files);
        QCOMPARE(debs.size(), 1);
        m_deb = QDir(out).filePath(debs.first());
    }

    void packageDeclaresWhatItNeeds() {
        const CommandResult r = runCommand("dpkg-deb", {"-f", m_deb, "Depends"});
        QVERIFY2(r.ok(), qPrintable(r.output));
        // From dpkg-shlibdeps (print support with its CUPS plug-in too), and the plug-ins and
        // texts Qt loads at run time.
        for (const char *package :
             {"libqt6widgets6", "libqt6sql6 ", "libqt6printsupport6", "libsodium23", "libc6",
              "libqt6sql6-sqlite", "qt6-qpa-plugins", "qt6-translations-l10n"})
            QVERIFY2(r.output.contains(QString::fromLatin1(package).trimmed()),
                     qPrintable(QStringLiteral("%1 not in: %2").arg(package, r.output)));
    }

    // What a Debian maintainer checks first: no errors, and every warning left is one the README
    // explains.
    void lintianFindsNoErrors() {
        if (!runCommand("sh", {"-c", "command -v lintian"}).ok()) QSKIP("lintian is needed");
        const CommandResult r = runCommand("lintian", {m_deb}, 600000);
        QFile readme(QStringLiteral(KESTROVA_SOURCE_DIR "/README.md"));
        QVERIFY(readme.open(QIODevice::ReadOnly));
        const QString explained = QString::fromUtf8(readme.readAll());
        QStringList errors;
        QStringList unexplained;
        for (const QString &line : r.output.split('\n', Qt::SkipEmptyParts)) {
            const QString tag = line.section(' ', 2, 2);
            if (line.startsWith("E: "))
                errors << line;
            else if (line.startsWith("W: ") && !explained.contains('`' + tag + '`'))
                unexplained << line;
        }
        QVERIFY2(errors.isEmpty(), qPrintable(r.output));
        QVERIFY2(unexplained.isEmpty(),
                 qPrintable("warnings not explained in README.md: " + unexplained.join('\n')));
        QVERIFY2(r.ok(), qPrintable(r.output));
    }

    // The shipped pictures, pages and backgrounds stay small: the backgrounds are PNG files.
    void sharedFilesAreSmall() {
        const QString root = m_work.filePath("sizes");
        const CommandResult unpack = runCommand("dpkg-deb", {"-x", m_deb, root});
        QVERIFY2(unpack.ok(), qPrintable(unpack.output));
        qint64 bytes = 0;
        QDirIterator it(root + "/usr/share/kestrova", QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            bytes += it.fileInfo().size();
        }
        QVERIFY(bytes > 0);
        QVERIFY2(bytes < 2 * 1024 * 1024, qPrintable(QString::number(bytes)));
        const QStringList backgrounds =
            QDir(root + "/usr/share/kestrova/DeskTopBG").entryList(QDir::Files);
        QCOMPARE(backgrounds, (QStringList{"A1.png", "A2.png"}));
    }

    void unpackedProgramStartsWithAnEmptyHome() {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) QSKIP("needs an X display (run through Xvfb)");
        if (!runCommand("sh", {"-c", "command -v xdotool && command -v import"}).ok())
            QSKIP("xdotool and ImageMagick's import are needed");
        const QString root = m_work.filePath("root");
        const CommandResult unpack = runCommand("dpkg-deb", {"-x", m_deb, root});
        QVERIFY2(unpack.ok(), qPrintable(unpack.output));
        const QString home = m_work.filePath("home");
        const QString runtime = m_work.filePath("runtime");
        QVERIFY(QDir().mkpath(home));
        QVERIFY(QDir().mkpath(runtime));
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"QT_QPA_PLATFORM", "XDG_DATA_HOME", "XDG_CONFIG_HOME"})
            env.remove(name);
        env.insert("HOME", home);
        env.insert("XDG_RUNTIME_DIR", runtime);
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.start(root + "/usr/bin/kestrova", {});
        QVERIFY(program.waitForStarted());
        const auto stop = qScopeGuard([&] {
            if (program.state() == QProcess::Running) {
                program.kill();
                program.waitForFinished();
            }
        });

        QString window;
        QVERIFY2(QTest::qWaitFor(
                     [&] {
                         const CommandResult r = runCommand(
                             "xdotool", {"search", "--onlyvisible", "--class", kClass}, 5000);
                         window = r.output.section('\n', 0, 0).trimmed();
                         return r.ok() && !window.isEmpty();
                     },
                     30000),
                 qPrintable(QString::fromLocal8Bit(program.readAll())));

        // The data folder is laid out in the user's folder, nothing beside the program.
        const QString data = home + "/.local/share/kestrova";
        for (const char *file : {"DB3/CalendarD.db", "DB3/form.ini", "DB3/loginstr.db"})
            QTRY_VERIFY2(QFileInfo(data + '/' + file).isFile(), file);
        QVERIFY(QFileInfo(data + "/source/DeskTopBG").isDir());
        QCOMPARE(QDir(root + "/usr/bin").entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList({"chncal", "kestrova"}));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(data + "/DB3/backup/CalendarD-" +
                                                   QDate::currentDate().toString("yyyy-MM-dd") +
                                                   ".db"),
                                 10000);

        // Its pictures come from share/kestrova: the close button and the title strip as shipped.
        const QString pictures = root + "/usr/share/kestrova/pictures/";
        const QImage close(pictures + "img_close_normal.png");
        const QImage logo(pictures + "logo.png");
        QVERIFY(!close.isNull() && !logo.isNull());
        const QString shotFile = m_work.filePath("shot.png");
        QImage shot;
        const bool shown = QTest::qWaitFor(
            [&] {
                if (!runCommand("import", {"-window", window, "png:" + shotFile}, 10000).ok())
                    return false;
                shot = QImage(shotFile);
                return !shot.isNull() && containsPicture(shot, close, 0) &&
                       containsPicture(shot, logo, 19);
            },
            15000);
        QVERIFY2(shown,
                 qPrintable(QStringLiteral("pictures not seen; screenshot in %1").arg(shotFile)));
        // Kept as the screenshot of the package (packaging/screenshots/ holds a copy).
        const QString kept = QStringLiteral(KESTROVA_BUILD_DIR "/screenshots/main-window.png");
        QDir().mkpath(QFileInfo(kept).absolutePath());
        QFile::remove(kept);
        QVERIFY(QFile::copy(shotFile, kept));

        // Ended from outside it closes like Escape; the log is then in the .db file, and every
        // connection is closed, so SQLite has removed the log and its index.
        program.terminate();
        QVERIFY(program.waitForFinished(15000));
        QCOMPARE(
            QDir(data + "/DB3")
                .entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden, QDir::Name),
            (QStringList{"CalendarD.db", "backup", "form.ini", "kestrova.lock", "loginstr.db"}));

        // The notes, their copies and the password settings are the user's alone.
        for (const char *folder : {"DB3", "DB3/backup"})
            QCOMPARE(modeOf(data + '/' + folder), 0700u);
        for (const QString &file :
             {QStringLiteral("DB3/CalendarD.db"), QStringLiteral("DB3/loginstr.db"),
              "DB3/backup/CalendarD-" + QDate::currentDate().toString("yyyy-MM-dd") + ".db"})
            QCOMPARE(modeOf(data + '/' + file), 0600u);
    }

private:
    QTemporaryDir m_work;
    QString m_deb;
};

QTEST_MAIN(TestDebPackage)
#include "tst_debpackage.moc"
