// Qt's own dialogs as the program opens them, in Chinese under the C locale (the test runs with
// LANG=C), once the catalogue the program loads at start is in.
#include "app/BackupDialog.h"
#include "app/DialogPrompts.h"
#include "app/QtTranslation.h"
#include "export/ExportDialogs.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {
// The texts of the buttons and labels of the next modal dialog, without their shortcut marks
// ("保存(&S)" reads "保存"); the dialog is then closed unanswered. `open` runs the dialog.
QStringList dialogTexts(const std::function<void()> &open) {
    QStringList texts;
    QTimer reader;
    QObject::connect(&reader, &QTimer::timeout, [&] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog) return;
        reader.stop();
        const QRegularExpression mark(QStringLiteral("\\(&.\\)|&"));
        for (const QPushButton *button : dialog->findChildren<QPushButton *>())
            texts << button->text().remove(mark);
        for (const QLabel *label : dialog->findChildren<QLabel *>())
            texts << label->text().remove(mark);
        dialog->reject();
    });
    reader.start(10);
    open();
    return texts;
}
} // namespace

class TestQtTranslation : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        // Only meaningful where the user's locale is not Chinese.
        QCOMPARE(QLocale::system().language(), QLocale::C);
        QVERIFY(QtTranslation::installChinese(*QCoreApplication::instance()));
    }

    void dialogsReadChinese_data() {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("export's save dialog") << "save" << QStringList{"保存", "取消", "文件类型"};
        QTest::newRow("colour dialog")
            << "colour"
            << QStringList{"确定", "取消", "基本颜色", "自定义颜色", "添加到自定义颜色"};
        QTest::newRow("message box") << "message" << QStringList{"确定"};
    }

    void dialogsReadChinese() {
        QFETCH(QString, dialog);
        QFETCH(QStringList, expected);
        ExportDialogs exportDialogs(nullptr);
        exportDialogs.setUseNativeDialog(false);
        DialogPrompts prompts;
        const QStringList texts = dialogTexts([&] {
            if (dialog == "save")
                exportDialogs.chooseFile(QStringLiteral("2010年6月-月记事"));
            else if (dialog == "colour")
                prompts.chooseColour(Qt::red);
            else
                prompts.showMessage({PageMessage::Kind::Information, QStringLiteral("已备份"), {}});
        });
        for (const QString &text : expected) {
            const bool found = std::any_of(texts.begin(), texts.end(),
                                           [&](const QString &t) { return t.startsWith(text); });
            QVERIFY2(found, qPrintable(text + " not in: " + texts.join(" | ")));
        }
        for (const char *english : {"Save", "Cancel", "OK", "Basic colors", "Files of type:"})
            QVERIFY2(!texts.contains(QString::fromLatin1(english)), english);
    }

    void backupSizesReadChinese_data() {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("bytes") << qint64(512) << "512 字节";
        QTest::newRow("kilobytes") << qint64(1536) << "1.5 kB";
        QTest::newRow("megabytes") << qint64(3 * 1024 * 1024 + 300 * 1024) << "3.3 MB";
    }

    void backupSizesReadChinese() {
        QFETCH(qint64, bytes);
        QFETCH(QString, text);
        QCOMPARE(BackupDialog::sizeText(bytes), text);
    }
};

QTEST_MAIN(TestQtTranslation)
#include "tst_QtTranslation.moc"
