#include "export/ExportController.h"
#include "export/ExportDialogs.h"
#include "export/MonthRangeDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

// Acts on the next modal dialog once it is up (the dialog's exec() blocks the test).
void whenModal(std::function<void(QWidget *)> act) {
    QTimer::singleShot(10, [act] {
        if (QWidget *modal = QApplication::activeModalWidget())
            act(modal);
        else
            whenModal(act);
    });
}

void clickButton(QWidget *modal, const QString &text) {
    auto *box = qobject_cast<QMessageBox *>(modal);
    QVERIFY(box);
    for (QAbstractButton *b : box->buttons())
        if (b->text() == text) return b->click();
    QFAIL(qPrintable("no button " + text));
}

} // namespace

class TestExportDialogs : public QObject {
    Q_OBJECT

private slots:
    // The save dialog proposes the title, does not ask about replacing by itself and tells
    // which filter was chosen.
    void saveDialogProposesTitleAndReportsFilter_data() {
        QTest::addColumn<bool>("utf8");
        QTest::newRow("GBK filter") << false;
        QTest::newRow("UTF-8 filter") << true;
    }
    void saveDialogProposesTitleAndReportsFilter() {
        QFETCH(bool, utf8);
        QTemporaryDir dir;
        QWidget parent;
        ExportDialogs dialogs(&parent);
        dialogs.setUseNativeDialog(false);
        QString proposed;
        QStringList filters;
        bool confirmsOverwrite = true;
        whenModal([&](QWidget *modal) {
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            QVERIFY(dialog);
            QCOMPARE(dialog->objectName(), QStringLiteral("svdNoteToTxt"));
            QCOMPARE(dialog->windowTitle(), QStringLiteral("内容导出"));
            proposed = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->text();
            filters = dialog->nameFilters();
            confirmsOverwrite = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
            dialog->selectNameFilter(utf8 ? ExportDialogs::utf8Filter()
                                          : ExportDialogs::gbkFilter());
            dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))
                ->setText(dir.filePath(QStringLiteral("abc")));
            QMetaObject::invokeMethod(dialog, "accept");
        });
        const auto choice = dialogs.chooseFile(QStringLiteral("2010年6月-月记事"));
        QCOMPARE(proposed, QStringLiteral("2010年6月-月记事"));
        QCOMPARE(filters, QStringList({ExportDialogs::gbkFilter(), ExportDialogs::utf8Filter()}));
        QVERIFY(!confirmsOverwrite);
        QVERIFY(choice);
        QCOMPARE(choice->name, dir.filePath(QStringLiteral("abc")));
        QCOMPARE(choice->encoding,
                 utf8 ? ExportFile::Encoding::Utf8WithBom : ExportFile::Encoding::Gbk);
    }

    // The save dialog of another kind of file: its caption and one filter, and no replace
    // question of its own.
    void saveDialogOfAnotherKind() {
        QTemporaryDir dir;
        QWidget parent;
        ExportDialogs dialogs(&parent);
        dialogs.setUseNativeDialog(false);
        QString caption, proposed;
        QStringList filters;
        bool confirmsOverwrite = true;
        whenModal([&](QWidget *modal) {
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            QVERIFY(dialog);
            caption = dialog->windowTitle();
            proposed = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->text();
            filters = dialog->nameFilters();
            confirmsOverwrite = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
            dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))
                ->setText(dir.filePath(QStringLiteral("month")));
            QMetaObject::invokeMethod(dialog, "accept");
        });
        const ExportQuestions::FileKind pdf{QStringLiteral("导出 PDF"),
                                            QStringLiteral("PDF (*.pdf)"), QStringLiteral(".pdf")};
        QCOMPARE(dialogs.chooseFileOf(pdf, QStringLiteral("2026年10月")),
                 std::optional<QString>(dir.filePath(QStringLiteral("month"))));
        QCOMPARE(caption, QStringLiteral("导出 PDF"));
        QCOMPARE(proposed, QStringLiteral("2026年10月"));
        QCOMPARE(filters, QStringList{QStringLiteral("PDF (*.pdf)")});
        QVERIFY(!confirmsOverwrite);
    }

    void nextDialogStartsInTheLastFolder() {
        QTemporaryDir dir;
        QWidget parent;
        ExportDialogs dialogs(&parent);
        dialogs.setUseNativeDialog(false);
        QString folder;
        whenModal([&](QWidget *modal) {
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))
                ->setText(dir.filePath(QStringLiteral("first")));
            QMetaObject::invokeMethod(dialog, "accept");
        });
        QVERIFY(dialogs.chooseFile(QStringLiteral("x")));
        whenModal([&](QWidget *modal) {
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            folder = dialog->directory().absolutePath();
            dialog->reject();
        });
        QVERIFY(!dialogs.chooseFile(QStringLiteral("x")));
        QCOMPARE(folder, QDir(dir.path()).absolutePath());
    }

    void cancelledSaveDialogChoosesNothing() {
        QWidget parent;
        ExportDialogs dialogs(&parent);
        dialogs.setUseNativeDialog(false);
        whenModal([](QWidget *modal) { qobject_cast<QDialog *>(modal)->reject(); });
        QVERIFY(!dialogs.chooseFile(QStringLiteral("x")));
    }

    // The calendar file's own dialog: one filter, the proposed name, no replace question of its
    // own; it starts where the text export went last.
    void calendarSaveDialog() {
        QTemporaryDir dir;
        QWidget parent;
        ExportDialogs dialogs(&parent);
        dialogs.setUseNativeDialog(false);
        whenModal([&](QWidget *modal) {
            // A name in the folder the dialog shows: a folder made after the dialog listed its
            // parent may be taken for a missing one.
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            dialog->setDirectory(dir.path());
            dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))
                ->setText(QStringLiteral("first"));
            QMetaObject::invokeMethod(dialog, "accept");
        });
        QVERIFY(dialogs.chooseFile(QStringLiteral("x")));

        QString proposed, folder;
        QStringList filters;
        bool confirmsOverwrite = true;
        whenModal([&](QWidget *modal) {
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            QVERIFY(dialog);
            QCOMPARE(dialog->objectName(), QStringLiteral("svdNoteToIcs"));
            QCOMPARE(dialog->windowTitle(), QStringLiteral("导出到日历文件"));
            proposed = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->text();
            filters = dialog->nameFilters();
            folder = dialog->directory().absolutePath();
            confirmsOverwrite = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
            dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))
                ->setText(QStringLiteral("notes"));
            QMetaObject::invokeMethod(dialog, "accept");
        });
        const ExportQuestions::FileKind kind = ExportController::calendarFileKind();
        const auto name =
            dialogs.chooseFileOf(kind, QStringLiteral("日历记事 2026年1月-2026年12月"));
        QCOMPARE(proposed, QStringLiteral("日历记事 2026年1月-2026年12月"));
        QCOMPARE(filters, QStringList{QStringLiteral("iCalendar (*.ics)")});
        QCOMPARE(folder, QDir(dir.path()).absolutePath());
        QVERIFY(!confirmsOverwrite);
        QCOMPARE(name, std::optional<QString>(dir.filePath(QStringLiteral("notes"))));

        whenModal([](QWidget *modal) { qobject_cast<QDialog *>(modal)->reject(); });
        QVERIFY(!dialogs.chooseFileOf(kind, QStringLiteral("x")));
    }

    // The months dialog shows the proposed range and gives back what was set; cancel gives
    // nothing.
    void monthsDialog_data() {
        QTest::addColumn<bool>("accept");
        QTest::newRow("OK") << true;
        QTest::newRow("cancel") << false;
    }
    void monthsDialog() {
        QFETCH(bool, accept);
        QWidget parent;
        ExportDialogs dialogs(&parent);
        QString shown;
        whenModal([&](QWidget *modal) {
            auto *dialog = qobject_cast<MonthRangeDialog *>(modal);
            QVERIFY(dialog);
            shown = QStringLiteral("%1-%2 %3-%4")
                        .arg(dialog->fromYear()->value())
                        .arg(dialog->fromMonth()->currentText())
                        .arg(dialog->toYear()->value())
                        .arg(dialog->toMonth()->currentText());
            dialog->fromYear()->setValue(1999);
            dialog->fromMonth()->setCurrentIndex(11);
            dialog->toYear()->setValue(2000);
            dialog->toMonth()->setCurrentIndex(1);
            if (accept)
                QTest::keyClick(dialog, Qt::Key_Return);
            else
                QTest::keyClick(dialog, Qt::Key_Escape);
        });
        const auto months = dialogs.chooseMonths({QDate(2026, 1, 1), QDate(2026, 12, 1)});
        QCOMPARE(shown, QStringLiteral("2026-1 月 2026-12 月"));
        QCOMPARE(bool(months), accept);
        if (!accept) return;
        QCOMPARE(months->first, QDate(1999, 12, 1));
        QCOMPARE(months->last, QDate(2000, 2, 1));
    }

    // Enter takes UTF-8, Escape cancels.
    void encodingQuestion_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("answer");
        using A = ExportQuestions::EncodingAnswer;
        QTest::newRow("Enter") << int(Qt::Key_Return) << QString() << int(A::Utf8WithBom);
        QTest::newRow("Escape") << int(Qt::Key_Escape) << QString() << int(A::Cancel);
        QTest::newRow("GBK button") << 0 << "GBK" << int(A::GbkWithQuestionMarks);
        QTest::newRow("cancel button") << 0 << "取消" << int(A::Cancel);
    }
    void encodingQuestion() {
        QFETCH(int, key);
        QFETCH(QString, button);
        QFETCH(int, answer);
        QWidget parent;
        ExportDialogs dialogs(&parent);
        QString text;
        whenModal([&](QWidget *modal) {
            text = qobject_cast<QMessageBox *>(modal)->text();
            if (key)
                QTest::keyClick(modal, Qt::Key(key));
            else
                clickButton(modal, button);
        });
        QCOMPARE(int(dialogs.askEncoding(QStringLiteral("/d/notes.txt"))), answer);
        QVERIFY(text.contains(QStringLiteral("/d/notes.txt")));
    }

    // Replacing needs the explicit button; Enter keeps the old file.
    void replaceQuestion_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("replace");
        QTest::newRow("Enter") << QString() << false;
        QTest::newRow("replace") << "替换" << true;
        QTest::newRow("cancel") << "取消" << false;
    }
    void replaceQuestion() {
        QFETCH(QString, button);
        QFETCH(bool, replace);
        QWidget parent;
        ExportDialogs dialogs(&parent);
        whenModal([&](QWidget *modal) {
            if (button.isEmpty())
                QTest::keyClick(modal, Qt::Key_Return);
            else
                clickButton(modal, button);
        });
        QCOMPARE(dialogs.confirmReplace(QStringLiteral("/d/abc.txt")), replace);
    }
};

QTEST_MAIN(TestExportDialogs)
#include "tst_ExportDialogs.moc"
