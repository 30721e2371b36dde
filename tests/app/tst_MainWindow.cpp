#include "../TestMounts.h"
#include "BackupFixtures.h"
#include "PageTestSupport.h"
#include "RecordingPrompts.h"
#include "ScratchPage.h"
#include "ScriptedQuestions.h"
#include "UpgradeFixtures.h"
#include "app/BackupDialog.h"
#include "app/CaptionButton.h"
#include "app/DialogPrompts.h"
#include "app/FindBar.h"
#include "app/FontFaceBox.h"
#include "app/FormatBar.h"
#include "app/FrameGeometry.h"
#include "app/HolidayController.h"
#include "app/LocalPageWindow.h"
#include "app/MainWindow.h"
#include "app/PageHost.h"
#include "app/PickerDropDown.h"
#include "app/PictureLabel.h"
#include "app/SystemMenu.h"
#include "app/WindowSizeDialog.h"
#include "base/GbkCodec.h"
#include "base/HolidayTable.h"
#include "calendar_control/DayGrid.h"
#include "calendar_control/LunarCalendarGeometry.h"
#include "calendar_control/LunarCalendarWidget.h"
#include "export/ExportDialogs.h"
#include "export/ExportDocument.h"
#include "lock_ui/PasswordSettingsDialog.h"
#include "pages/AnnualNotesPage.h"
#include "pages/DayRichEdit.h"
#include "pages/DesktopMonthPage.h"
#include "pages/MemoPanel.h"
#include "pages/MonthGridView.h"
#include "pages/NoteLineEdit.h"
#include "pages/SheetPage.h"
#include "pages/YearPageLayout.h"
#include "platform/MessageBoxes.h"
#include "richtext/RichText.h"
#include "store/AppPaths.h"
#include "store/FormIni.h"
#include "store/NoteStore.h"
#include "wallpaper/BmpFile.h"
#include "wallpaper/ContentPicture.h"
#include "wallpaper_ui/WallpaperDialog.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QMenu>
#include <QMessageBox>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>
#include <QTreeWidget>
#include <QWindow>
#include <memory>

namespace {
const QString kSaveFailed = QStringLiteral("系统出现异常,请重新保存!");

// One data folder with a fresh database, and a main window on it whose messages, browser
// hand-offs and program ends are recorded instead of acted on.
struct Harness {
    QTemporaryDir dir;
    AppPaths paths{dir.path(), QStringLiteral(KESTROVA_SOURCE_DIR)};
    RecordingPrompts prompts;
    QStringList &messages = prompts.messages;
    QStringList &questions = prompts.questions; // asked when a close finds saves failing
    bool &answerQuit = prompts.quitAnswer;
    QList<QUrl> &opened = prompts.opened;
    int quits = 0;
    std::unique_ptr<MainWindow> form;

    Harness() {
        // Recovery files may also go to the per-user folder: never the real user's.
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath("xdg")));
        paths.ensureLayout();
    }

    MainWindow &create(std::vector<PageRow> pages = standardPages()) {
        form = std::make_unique<MainWindow>(paths, prompts, std::move(pages));
        QObject::connect(&form->session(), &NotesSession::finished, [this] { ++quits; });
        return *form;
    }

    // Created, shown, and past the start-up timer (editors shown, auto-save armed), the file open
    // for writing: a file whose notes a bare store wrote has its index made first, on the
    // upgrade's thread, and saves wait for that.
    MainWindow &running() {
        create();
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get())) qWarning("window not exposed");
        if (!QTest::qWaitFor([this] { return form->pages().autoSaveTimer()->isActive(); }, 3000) ||
            !QTest::qWaitFor([this] { return form->monthPage()->editorsVisible(); }, 3000))
            qWarning("start-up timers did not run");
        if (!QTest::qWaitFor([this] { return !form->session().isUpgrading(); }, 10000))
            qWarning("the upgrade of the file did not end");
        return *form;
    }

    void writeFormIni(const QByteArray &content) {
        QFile f(paths.formIniFile());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
    }

    QByteArray formIni() const {
        QFile f(paths.formIniFile());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // The plain text stored for cell `editor` (1..42) of the month of `date`.
    QString storedCell(const QDate &date, int editor) const {
        NoteStore store;
        store.open(paths.databaseFile());
        const MonthCells cells = store.readMonth(NoteStore::yearMonthKey(date));
        QTextDocument doc;
        richtext::loadInto(doc, cells[editor - 1]);
        return doc.toPlainText();
    }

    QString storedMonth(int year, int month) const {
        NoteStore store;
        store.open(paths.databaseFile());
        QTextDocument doc;
        richtext::loadInto(doc, store.readYearNotes(year)[month - 1]);
        return doc.toPlainText();
    }

    // Typed through the input method, as Chinese text arrives.
    static void typeInto(QWidget *editor, const QString &text) {
        QInputMethodEvent event;
        event.setCommitString(text);
        QApplication::sendEvent(editor, &event);
    }

    // Another connection takes a table away under the running window.
    void dropTable(const QString &table) const {
        PageTestSupport::alterDatabase(paths.databaseFile(), QStringLiteral("DROP TABLE ") + table);
    }

    // The recovery files beside the database: name -> content.
    QMap<QString, QString> recoveryFiles() const {
        QMap<QString, QString> files;
        const QDir dir(paths.db3Dir());
        for (const QString &name : dir.entryList({"unsaved-*", "recovered-*"}, QDir::Files)) {
            QFile f(dir.filePath(name));
            if (f.open(QIODevice::ReadOnly)) files.insert(name, QString::fromUtf8(f.readAll()));
        }
        return files;
    }

    void type(int editor, const QString &text) {
        DayRichEdit *e = form->monthPage()->dayEditor(editor);
        e->moveCursor(QTextCursor::End);
        QTest::keyClicks(e, text);
    }
};
} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void picturesAreReadWithoutFormatPlugins(); // first: no earlier test may load the plugins
    void creationPreparesHiddenWindow();
    void systemMenuItemsInOrder();
    void holidayListReachesTheCalendars();
    void foundNoteOpensItsPlace_data();
    void foundNoteOpensItsPlace();
    void findSearchesUnsavedTextAndEscapeReturnsTheFocus();
    void foundNoteWaitsForTheSaveOfThePageInFront();
    void passwordItemOpensTheDialogModally();
    void dialogsAreMadeOnFirstUse();
    void fontListWaitsForFirstUseOrStartupTimer();
    void allPageButtonsWork();
    void aPageIsOneClassAndOneRow();
    void annualPageButtonArrangesTheSideControls();
    void pageSwitchKeepsTypedText();
    void pageSwitchWithFailingSaveStays();
    void yearChangeSavesIntoTheTypedYear();
    void closingSavesTheAnnualPage();
    void firstShowActivatesMonthPage();
    void startReadsTheMonthOnce_data();
    void startReadsTheMonthOnce();
    void formIniDecidesSizeAndPlace_data();
    void formIniDecidesSizeAndPlace();
    void closeButtonWritesSettingsAndSaves();
    void escapeSavesWithoutSettings();
    void escapeInAnEditorDoesNotEnd();
    void escapeInAReadOnlyCellEnds_data();
    void escapeInAReadOnlyCellEnds();
    void windowSystemCloseSavesLikeEscape();
    void exitMenuSavesNothing();
    void failedSaveKeepsWindowAndText_data();
    void failedSaveKeepsWindowAndText();
    void autoSaveSkipsWhileLoading_data();
    void autoSaveSkipsWhileLoading();
    void autoSaveWritesOnlyChanges();
    void captionButtonsShowTheirPictures();
    void sizeToggleAndBack();
    void windowSizeDialogAppliesAndCentres();
    void sizeDialogHasOnlyACloseBox();
    void promptBoxesShowTheirKindAndTitle_data();
    void promptBoxesShowTheirKindAndTitle();
    void minimiseSavesAndKeepsWindow();
    void webPanelAndHelpPages();
    void helpPagesWithoutBrowser_data();
    void helpPagesWithoutBrowser();
    void localPageWindowSizeFitsTheScreen_data();
    void localPageWindowSizeFitsTheScreen();
    void backgroundDragMovesTheWindow_data();
    void backgroundDragMovesTheWindow();
    void clickOnTheBackgroundAsksForNoMove();
    void dragInAnEditorNeverMovesTheWindow();
    void dateChangeKeepsTypedText();
    void exportTakesTheMonthTheGridShows();
    void exportThroughTheSaveDialog();
    void exportTakesTheYearThePageShows();
    void pdfHoldsThePageInFrontAsItStands_data();
    void pdfHoldsThePageInFrontAsItStands();
    void printPreviewShowsThePageInFront_data();
    void printPreviewShowsThePageInFront();
    void pageWithoutPrintoutSaysSo();
    void calendarExportSavesThePageInFront_data();
    void calendarExportSavesThePageInFront();
    void calendarExportStopsAtAFailedSave();
    void unopenableDatabaseStillOpensWindow();
    void pageNeverLoadedTakesNoTypingAndLetsTheWindowClose();
    void damagedDatabaseIsReportedOnce();
    void secondProgramOnTheFolderOnlyReads();
    void unwritableDatabaseShowsNotesReadOnly();
    void olderFileIsUpgradedBehindTheProgressDialog();
    void restoredOlderCopyShowsTheProgressOverTheBackupDialog();
    void tooLargeNoteIsNotLoaded();
    void nothingUnsavedClosesWhileSavesFail_data();
    void nothingUnsavedClosesWhileSavesFail();
    void quitWhileSavesFailWritesRecoveryFile();
    void terminationWithTheFailureBoxOpen();
    void autoSaveReportsAFailureOnce();
    void sheetPagesArrangeTheSideControls_data();
    void sheetPagesArrangeTheSideControls();
    void generalPageFollowsThePicker();
    void pickerDigitsDropDownTheCalendar_data();
    void pickerDigitsDropDownTheCalendar();
    void dropDownChoiceSavesThenReloads_data();
    void dropDownChoiceSavesThenReloads();
    void dropDownClosesWithoutAChange_data();
    void dropDownClosesWithoutAChange();
    void dropDownChoiceWithFailingSaveKeepsTheMonth();
    void calendarPageKeepsItsSheetWhateverTheDate();
    void memoListIsLoadedAtFirstShow();
    void closingWritesPendingMemoLines();
    void wallpaperFromTheMonthPage();
    void wallpaperContentUnwritable();
    void wallpaperNotFromTheAnnualPage();
    void wallpaperFromTheGeneralPage();
};

void TestMainWindow::picturesAreReadWithoutFormatPlugins() {
    Harness h;
    MainWindow &f = h.running();
    const auto *background = f.findChild<PictureLabel *>(QStringLiteral("imgBackGround"));
    QVERIFY(background && !background->picture().isNull());
    QFile maps(QStringLiteral("/proc/self/maps"));
    QVERIFY(maps.open(QIODevice::ReadOnly));
    QVERIFY(!maps.readAll().contains("/imageformats/"));
}

void TestMainWindow::creationPreparesHiddenWindow() {
    Harness h;
    MainWindow &f = h.create();
    QVERIFY(!f.isVisible());
    QCOMPARE(f.windowTitle(), QStringLiteral("Kestrova桌面月历K714"));
    QVERIFY(f.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(!f.session().saving().isOpen());
    QVERIFY(!f.monthPage()->document()->isLoading());
    QCOMPARE(f.size(), QSize(1024, 738));
    QCOMPARE(f.dateLine()->text(), FrameGeometry::dateLine(QDate::currentDate()));
    QCOMPARE(f.picker()->dateTime().date(), QDate::currentDate());
    for (int i = 1; i <= 42; ++i) QVERIFY(!f.monthPage()->dayEditor(i)->isVisible());
    // A missing form.ini is written with the defaults.
    QVERIFY(h.formIni().startsWith("1024\r\n738\r\n"));
    QVERIFY(h.messages.isEmpty());
}

void TestMainWindow::holidayListReachesTheCalendars() {
    Harness h;
    MainWindow &f = h.create();
    auto *holidays = f.findChild<HolidayController *>();
    QVERIFY(holidays);
    QVERIFY2(holidays->loadError().isEmpty(), qPrintable(holidays->loadError()));
    QCOMPARE(holidays->yearsText(), QStringLiteral("2007–2026"));
    QVERIFY(f.picker()->holidays());
    QCOMPARE(f.picker()->holidays()->day(QDate(2026, 2, 17)).kind, HolidayTable::Kind::DayOff);

    // A bad list changes nothing; a good one adds its year to every calendar and stays.
    const QString bad = h.dir.filePath(QStringLiteral("bad.tsv"));
    const QString good = h.dir.filePath(QStringLiteral("good.tsv"));
    for (const auto &[path, text] :
         {std::pair{bad, QByteArray("2027-02-06\t春节\n")},
          std::pair{good, QByteArray("2026-12-31\t元旦\t0\n2027-01-01\t元旦\t1\n"
                                     "2027-02-06\t春节\t1\n")}}) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    QString error;
    QVERIFY(!holidays->importFile(bad, &error));
    QVERIFY(error.contains(QStringLiteral("第 1 行")));
    QVERIFY(!QFile::exists(h.paths.db3Dir() + QStringLiteral("/holidays.tsv")));
    QVERIFY2(holidays->importFile(good, &error), qPrintable(error));
    QCOMPARE(holidays->yearsText(), QStringLiteral("2007–2027"));
    QCOMPARE(f.picker()->holidays()->day(QDate(2027, 2, 6)).kind, HolidayTable::Kind::DayOff);
    auto *month = f.pages().builtPage<DesktopMonthPage>();
    QVERIFY(month);
    const HolidayTable &table = *f.picker()->holidays();
    for (int cell = 0; cell < MonthGridModel::CellCount; ++cell) {
        const HolidayTable::Kind kind = table.day(month->grid().cellDate(cell)).kind;
        const MonthStrips::Mark mark = month->gridView()->strips().strip(cell).mark;
        QCOMPARE(mark == MonthStrips::Mark::DayOff, kind == HolidayTable::Kind::DayOff);
        QCOMPARE(mark == MonthStrips::Mark::WorkingDay, kind == HolidayTable::Kind::WorkingDay);
    }
    holidays->load();
    QCOMPARE(holidays->yearsText(), QStringLiteral("2007–2027"));
}

void TestMainWindow::foundNoteOpensItsPlace_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("button"); // the page that opens
    QTest::addColumn<QDate>("pickerDate");
    QTest::addColumn<int>("cell"); // 1-based editor, box or line
    QTest::newRow("month cell") << int(NotePlace::Kind::MonthCell) << "SpeedButton2"
                                << QDate(2023, 5, 12) << 13;
    QTest::newRow("day plan") << int(NotePlace::Kind::DayPlan) << "SpeedButton2"
                              << QDate(2023, 6, 7) << 0;
    QTest::newRow("annual note") << int(NotePlace::Kind::YearNote) << "spdRili" << QDate(2022, 4, 1)
                                 << 4;
    QTest::newRow("general line") << int(NotePlace::Kind::GeneralLine) << "btnYiban"
                                  << QDate(2022, 8, 1) << 5;
    QTest::newRow("calendar line")
        << int(NotePlace::Kind::CalendarLine) << "btnRili" << QDate() << 7;
    QTest::newRow("memo line") << int(NotePlace::Kind::MemoLine) << "" << QDate() << 2;
}

// A note in each kind of place, found by a query in another width and case: the page in front
// is left for the note's page, the picker goes to its date and the match is selected in its cell.
void TestMainWindow::foundNoteOpensItsPlace() {
    QFETCH(int, kind);
    QFETCH(QString, button);
    QFETCH(QDate, pickerDate);
    QFETCH(int, cell);
    Harness h;
    const QString note = QStringLiteral("前面 Mark目标%1 后面").arg(kind);
    {
        NoteStore store;
        store.setPlainText(&richtext::plainText);
        store.open(h.paths.databaseFile());
        MonthCells cells;
        YearNotes year;
        SheetNotes general, calendar;
        switch (NotePlace::Kind(kind)) {
        case NotePlace::Kind::MonthCell:
            cells[size_t(cell - 1)] = note.toUtf8();
            store.writeMonth(NoteStore::yearMonthKey(2023, 5), cells);
            break;
        case NotePlace::Kind::DayPlan:
            store.writeDayPlan(NoteStore::dayKey(pickerDate), note.toUtf8());
            break;
        case NotePlace::Kind::YearNote:
            year[size_t(cell - 1)] = note.toUtf8();
            store.writeYearNotes(2022, year);
            break;
        case NotePlace::Kind::GeneralLine:
            general.texts[size_t(cell - 1)] = note;
            store.writeSheet(NoteStore::Sheet::General, NoteStore::yearMonthKey(pickerDate),
                             general);
            break;
        case NotePlace::Kind::CalendarLine:
            calendar.texts[size_t(cell - 1)] = note;
            store.writeSheet(NoteStore::Sheet::Calendar, NoteStore::CalendarSheetKey, calendar);
            break;
        case NotePlace::Kind::MemoLine:
            store.writeMemoLine(cell, note);
            break;
        }
    }
    MainWindow &f = h.running();
    // Leave the month page for the annual one first, so that every case moves somewhere.
    QVERIFY(f.pages().openPage(f.pages().page(QStringLiteral("spdRili"))));
    f.openFindBar();
    FindBar *bar = f.findBar();
    QVERIFY(bar && bar->isVisible());
    const QString query = QStringLiteral("ｍａｒｋ目标%1").arg(kind);
    bar->field()->setText(query);
    QTRY_COMPARE(bar->hits().size(), size_t(1));
    QTest::keyClick(bar->field(), Qt::Key_Return);
    QVERIFY(!bar->isVisible());
    QCOMPARE(h.messages, QStringList());

    const QString expected = QStringLiteral("Mark目标%1").arg(kind);
    const auto *picker = f.findChild<LunarCalendarWidget *>(QStringLiteral("ChnCalendar1"));
    if (pickerDate.isValid()) QCOMPARE(picker->date(), pickerDate);
    NotePage *page = f.pages().activePage();
    if (!button.isEmpty()) QCOMPARE(page, f.pages().page(button));
    switch (NotePlace::Kind(kind)) {
    case NotePlace::Kind::MonthCell:
    case NotePlace::Kind::DayPlan: {
        auto *month = qobject_cast<DesktopMonthPage *>(page);
        QVERIFY(month);
        DayRichEdit *edit = cell ? month->dayEditor(cell) : month->dayPlanEditor();
        QCOMPARE(edit->textCursor().selectedText(), expected);
        break;
    }
    case NotePlace::Kind::YearNote:
        QCOMPARE(qobject_cast<AnnualNotesPage *>(page)->box(cell)->textCursor().selectedText(),
                 expected);
        break;
    case NotePlace::Kind::GeneralLine:
    case NotePlace::Kind::CalendarLine:
        QCOMPARE(qobject_cast<SheetPage *>(page)->line(cell)->selectedText(), expected);
        break;
    case NotePlace::Kind::MemoLine:
        QVERIFY(f.memoPanel()->isVisible());
        QCOMPARE(f.memoPanel()->line(cell)->selectedText(), expected);
        break;
    }
}

// Text typed into a cell and not saved yet is found, the result list names its place, and
// Escape closes the bar and gives the focus back to the cell.
void TestMainWindow::findSearchesUnsavedTextAndEscapeReturnsTheFocus() {
    Harness h;
    MainWindow &f = h.running();
    QApplication::setActiveWindow(&f);
    DayRichEdit *edit = f.monthPage()->dayEditor(20);
    edit->setFocus();
    QTest::keyClicks(edit, QStringLiteral("unsaved abc"));
    QVERIFY(f.session().activeDocument()->isModified());
    f.systemMenu()->findAction()->trigger();
    FindBar *bar = f.findBar();
    QTest::keyClicks(bar->field(), QStringLiteral("ABC"));
    QTRY_COMPARE(bar->hits().size(), size_t(1));
    const QDate day = f.monthPage()->grid().cellDate(19);
    QCOMPARE(NoteSearch::placeName(bar->hits()[0].note.place),
             QStringLiteral("%1年%2月%3日 · 月历").arg(day.year()).arg(day.month()).arg(day.day()));
    QCOMPARE(bar->results()->count(), 1);
    QTest::keyClick(bar->field(), Qt::Key_Escape);
    QVERIFY(!bar->isVisible());
    QTRY_VERIFY(edit->hasFocus());
}

// When the page in front cannot be saved, a result takes the user nowhere: the page, its text
// and the bar stay, and the save's message is shown once.
void TestMainWindow::foundNoteWaitsForTheSaveOfThePageInFront() {
    Harness h;
    {
        NoteStore store;
        store.setPlainText(&richtext::plainText);
        store.open(h.paths.databaseFile());
        YearNotes year;
        year[3] = QByteArray("april target");
        store.writeYearNotes(2022, year);
    }
    MainWindow &f = h.running();
    DayRichEdit *edit = f.monthPage()->dayEditor(5);
    QTest::keyClicks(edit, QStringLiteral("typed"));
    PageTestSupport::renameTable(h.paths.databaseFile(), "TailiNew", "TailiNew_off");
    f.openFindBar();
    FindBar *bar = f.findBar();
    bar->field()->setText(QStringLiteral("target"));
    QTRY_COMPARE(bar->hits().size(), size_t(1));
    QTest::keyClick(bar->field(), Qt::Key_Return);
    QCOMPARE(h.messages.size(), 1);
    QCOMPARE(f.pages().activePage(), f.monthPage());
    QVERIFY(bar->isVisible());
    QCOMPARE(edit->toPlainText(), QStringLiteral("typed"));
    PageTestSupport::renameTable(h.paths.databaseFile(), "TailiNew_off", "TailiNew");
    QTest::keyClick(bar->field(), Qt::Key_Return);
    QCOMPARE(f.pages().activePage(), f.pages().page(QStringLiteral("spdRili")));
    QCOMPARE(f.monthPage()->document()->isModified(), false);
}

void TestMainWindow::systemMenuItemsInOrder() {
    Harness h;
    MainWindow &f = h.create();
    QStringList items;
    for (QAction *a : f.systemMenu()->actions())
        items << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(items, QStringList({"设置界面大小", "设为桌面背景", "-", "内容导出", "打印…",
                                 "导出 PDF…", "导出到日历文件 (.ics)…", "查找…", "密码设置", "-",
                                 "节假日…", "帮助说明", "意见反馈", "退出程序"}));
    QVERIFY(f.systemMenu()->action("N_Print")->isEnabled());
    QVERIFY(f.systemMenu()->action("N_ExportPdf")->isEnabled());
    QCOMPARE(f.systemMenu()->action("N_Print")->shortcut(), QKeySequence(QKeySequence::Print));
    QVERIFY(!f.systemMenu()->action("N_SetDeskTopBG")->isEnabled());
    QVERIFY(f.systemMenu()->action("N_NoteToTxt")->isEnabled());
    // Without the dialogs attached, their items do nothing and say so by being disabled.
    QVERIFY(!f.systemMenu()->action("N_SetFrmSize")->isEnabled());
    QVERIFY(!f.systemMenu()->action("N4")->isEnabled());
    QDialog password;
    WindowSizeDialog size([] { return 1024; }, [](const QSize &) { return true; }, QString());
    f.setPasswordDialog(&password);
    f.setSizeDialog(&size);
    QVERIFY(f.systemMenu()->action("N_SetFrmSize")->isEnabled());
    QVERIFY(f.systemMenu()->action("N4")->isEnabled());
    for (const char *name : {"N5", "N7", "N_ExitPrj"})
        QVERIFY(f.systemMenu()->action(name)->isEnabled());
    f.setPasswordDialog(nullptr);
    f.setSizeDialog(nullptr);
}

void TestMainWindow::passwordItemOpensTheDialogModally() {
    Harness h;
    MainWindow &f = h.running();
    auto *dialog = new PasswordSettingsDialog(h.paths.loginFile(), &f);
    f.setPasswordDialog(dialog);
    QVERIFY(f.systemMenu()->action("N4")->isEnabled());
    bool wasModal = false;
    QTimer::singleShot(300, dialog, [&] {
        wasModal = dialog->isVisible() && QApplication::activeModalWidget() == dialog;
        dialog->reject();
    });
    f.systemMenu()->action("N4")->trigger(); // returns when the dialog closes
    QVERIFY(wasModal);
    QVERIFY(!dialog->isVisible());
    // Closing without apply leaves the password file as it was.
    QFile login(h.paths.loginFile());
    QVERIFY(login.open(QIODevice::ReadOnly));
    QCOMPARE(login.readAll(), AppPaths::noPasswordFileContent());
}

void TestMainWindow::dialogsAreMadeOnFirstUse() {
    Harness h;
    MainWindow &f = h.running();
    int sizeMade = 0;
    int passwordMade = 0;
    f.setSizeDialogMaker([&] {
        ++sizeMade;
        return new WindowSizeDialog([&f] { return f.settings().width; },
                                    [&f](const QSize &s) { return f.applySize(s); },
                                    h.paths.resourceDir(), &f);
    });
    f.setPasswordDialogMaker([&] {
        ++passwordMade;
        return new PasswordSettingsDialog(h.paths.loginFile(), &f);
    });
    QVERIFY(f.systemMenu()->action("N_SetFrmSize")->isEnabled());
    QVERIFY(f.systemMenu()->action("N4")->isEnabled());
    QCOMPARE(sizeMade + passwordMade, 0);
    QVERIFY(!f.findChild<WindowSizeDialog *>());
    QVERIFY(!f.findChild<PasswordSettingsDialog *>());

    for (int i = 0; i < 2; ++i) {
        f.systemMenu()->action("N_SetFrmSize")->trigger();
        QCOMPARE(sizeMade, 1);
        QVERIFY(f.findChild<WindowSizeDialog *>()->isVisible());
        f.findChild<WindowSizeDialog *>()->hide();

        QTimer::singleShot(300, &f, [&f] {
            if (auto *dialog = f.findChild<PasswordSettingsDialog *>()) dialog->reject();
        });
        f.systemMenu()->action("N4")->trigger(); // returns when the dialog closes
        QCOMPARE(passwordMade, 1);
        QCOMPARE(f.findChildren<PasswordSettingsDialog *>().size(), 1);
    }
    // A dialog that went away is made again on the next use.
    delete f.findChild<WindowSizeDialog *>();
    f.systemMenu()->action("N_SetFrmSize")->trigger();
    QCOMPARE(sizeMade, 2);
    f.setSizeDialogMaker(nullptr);
    QVERIFY(!f.systemMenu()->action("N_SetFrmSize")->isEnabled());
}

void TestMainWindow::fontListWaitsForFirstUseOrStartupTimer() {
    const int installed = QFontDatabase::families().size();
    {
        Harness h;
        MainWindow &f = h.create();
        auto *box = f.findChild<QComboBox *>("ccbFont");
        QCOMPARE(box->count(), 0);
        f.show();
        QTRY_VERIFY(f.pages().autoSaveTimer()->isActive()); // the start-up timer has run
        QCOMPARE(box->count(), installed);
        QCOMPARE(box->currentIndex(), box->findText(QStringLiteral("宋体")));
    }
    Harness h;
    MainWindow &f = h.create();
    f.show();
    f.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&f));
    auto *box = f.findChild<QComboBox *>("ccbFont");
    QVERIFY(f.startupTimer()->isActive());
    QCOMPARE(box->count(), 0);
    box->setEnabled(true); // as it will be once the font commands work
    box->setFocus(Qt::MouseFocusReason);
    QCOMPARE(box->count(), installed);
}

// Every page button has its page, and the memo list takes typing. Only the month page is built
// at start; a button builds its page on the first press.
void TestMainWindow::allPageButtonsWork() {
    Harness h;
    MainWindow &f = h.running();
    for (const char *name : {"spdRili", "SpeedButton2", "btnYiban", "btnRili"})
        QVERIFY2(f.findChild<QAbstractButton *>(name)->isEnabled(), name);
    QVERIFY(f.memoPanel()->isEnabled());
    QCOMPARE(f.findChildren<NotePage *>().size(), 1);
    QTest::mouseClick(f.findChild<QAbstractButton *>("btnRili"), Qt::LeftButton);
    const QList<SheetPage *> sheets = f.findChildren<SheetPage *>();
    QCOMPARE(sheets.size(), 1);
    QCOMPARE(f.pages().activePage(), static_cast<NotePage *>(sheets.at(0)));
    QVERIFY(sheets.at(0)->isVisible());
    QVERIFY(sheets.at(0)->document()->isLoaded());
    QVERIFY(!sheets.at(0)->document()->isReadOnly());
    QCOMPARE(sheets.at(0)->size(), sheets.at(0)->parentWidget()->size());
    QVERIFY(h.messages.isEmpty());
}

// The extra page gets its button and its place from its row, is built when first opened, and the
// shared rules keep its text as they keep every page's.
void TestMainWindow::aPageIsOneClassAndOneRow() {
    Harness h;
    std::vector<PageRow> pages = standardPages();
    pages.push_back({QStringLiteral("btnScratch"), QStringLiteral("tsScratch"),
                     QStringLiteral("便笺"),
                     [](PageContext &context) { return new ScratchPage(context); }});
    MainWindow &f = h.create(std::move(pages));
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    QTRY_VERIFY(f.pages().autoSaveTimer()->isActive());
    auto *button = f.findChild<QAbstractButton *>(QStringLiteral("btnScratch"));
    QVERIFY(button && button->isVisible() && button->isEnabled());
    QVERIFY(f.findChild<QWidget *>(QStringLiteral("tsScratch")));
    QVERIFY(!f.findChild<ScratchPage *>());

    button->click();
    auto *page = qobject_cast<ScratchPage *>(f.pages().activePage());
    QVERIFY(page && page->document()->isLoaded());
    QCOMPARE(page->document()->loadedDate(), QDate::currentDate());
    QVERIFY(!f.picker()->isVisible()); // its side controls: none
    QVERIFY(!f.formatBar().faceBox()->isVisible());
    QVERIFY(f.memoPanel()->isVisible());
    QTest::keyClicks(page->line(), QStringLiteral("one"));
    QVERIFY(page->document()->isModified());
    // Leaving the page saves it into the period it was loaded for.
    QVERIFY(f.pages().openStartPage());
    const QString stored = QStringLiteral("SELECT line1 FROM edtText WHERE edtYearMonth = '%1'")
                               .arg(ScratchDocument::keyFor(QDate::currentDate()));
    QCOMPARE(PageTestSupport::queryDatabase(h.paths.databaseFile(), stored).toString(),
             QStringLiteral("one"));

    // A save that fails keeps the user on the page, with the text and one message.
    button->click();
    QCOMPARE(page->line()->text(), QStringLiteral("one"));
    QTest::keyClicks(page->line(), QStringLiteral(" two"));
    h.dropTable(QStringLiteral("edtText"));
    f.findChild<QAbstractButton *>(QStringLiteral("SpeedButton2"))->click();
    QCOMPARE(f.pages().activePage(), page);
    QCOMPARE(h.messages.size(), 1);
    QCOMPARE(page->line()->text(), QStringLiteral("one two"));
    // Closing asks, and a kept window keeps the text.
    QVERIFY(!f.escapeAction());
    QCOMPARE(h.questions.size(), 1);
    QCOMPARE(h.quits, 0);
    QCOMPARE(page->line()->text(), QStringLiteral("one two"));
}

void TestMainWindow::annualPageButtonArrangesTheSideControls() {
    Harness h;
    MainWindow &f = h.running();
    f.session().context().lastSelection.tabOrder = 9;
    QTest::mouseClick(f.findChild<QAbstractButton *>("spdRili"), Qt::LeftButton);
    AnnualNotesPage *year = f.pages().page<AnnualNotesPage>(QStringLiteral("spdRili"));
    QVERIFY(year);
    QCOMPARE(f.pages().activePage(), static_cast<NotePage *>(year));
    QVERIFY(year->isVisible());
    QVERIFY(year->document()->isLoaded());
    QCOMPARE(year->document()->loadedDate(), QDate::currentDate());
    // The panel fills its sheet and places the boxes for its size.
    QCOMPARE(year->size(), year->parentWidget()->size());
    QCOMPARE(year->box(12)->geometry(), YearPageLayout(year->width(), year->height()).boxRect(12));
    QVERIFY(f.picker()->isVisible());
    QVERIFY(f.picker()->isEnabled());
    QVERIFY(f.memoPanel()->isVisible());
    QVERIFY(f.memoPanel()->isEnabled());
    QVERIFY(!f.dayPlanPanel()->isVisible());
    QVERIFY(f.findChild<QWidget *>("ccbFont")->isVisible());
    QVERIFY(f.findChild<QWidget *>("cbbFontSize")->isVisible());
    QCOMPARE(f.session().context().lastSelection.tabOrder, 0);
    QVERIFY(f.findChild<QAbstractButton *>("spdRili")->isChecked());

    QTest::mouseClick(f.findChild<QAbstractButton *>("SpeedButton2"), Qt::LeftButton);
    QCOMPARE(f.pages().activePage(), static_cast<NotePage *>(f.monthPage()));
    QVERIFY(f.dayPlanPanel()->isVisible());
    QVERIFY(!f.memoPanel()->isVisible());
    QVERIFY(!year->isVisible());
    QVERIFY(h.messages.isEmpty());
}

void TestMainWindow::pageSwitchKeepsTypedText() {
    Harness h;
    MainWindow &f = h.running();
    f.pages().openPage(f.pages().page<AnnualNotesPage>(QStringLiteral("spdRili")));
    DayRichEdit *march = f.pages().page<AnnualNotesPage>(QStringLiteral("spdRili"))->box(3);
    march->setFocus();
    h.typeInto(march, QStringLiteral("三月: 春游"));
    // Page buttons take no focus: the switch itself saves the page being left.
    QVERIFY(f.pages().openStartPage());
    QCOMPARE(h.storedMonth(QDate::currentDate().year(), 3), QStringLiteral("三月: 春游"));
    f.pages().openPage(f.pages().page<AnnualNotesPage>(QStringLiteral("spdRili")));
    QCOMPARE(march->toPlainText(), QStringLiteral("三月: 春游"));
    QVERIFY(h.messages.isEmpty());
}

void TestMainWindow::pageSwitchWithFailingSaveStays() {
    Harness h;
    MainWindow &f = h.running();
    AnnualNotesPage *year = f.pages().page<AnnualNotesPage>(QStringLiteral("spdRili"));
    f.pages().openPage(year);
    h.typeInto(year->box(3), QStringLiteral("keep me"));
    h.dropTable(QStringLiteral("YearJishi"));
    QVERIFY(!f.pages().openStartPage());
    QCOMPARE(h.messages.size(), 1);
    QCOMPARE(f.pages().activePage(), static_cast<NotePage *>(year));
    QVERIFY(f.findChild<QAbstractButton *>("spdRili")->isChecked());
    QCOMPARE(year->box(3)->toPlainText(), QStringLiteral("keep me"));
    // Closing asks; keeping the window keeps the text.
    QVERIFY(!f.escapeAction());
    QCOMPARE(h.quits, 0);
    QCOMPARE(h.questions.size(), 1);
    QVERIFY2(h.questions.at(0).contains("YearJishi"), qPrintable(h.questions.at(0)));
    QCOMPARE(h.messages.size(), 1);
    QCOMPARE(year->box(3)->toPlainText(), QStringLiteral("keep me"));
}

void TestMainWindow::yearChangeSavesIntoTheTypedYear() {
    Harness h;
    MainWindow &f = h.running();
    AnnualNotesPage *year = f.pages().page<AnnualNotesPage>(QStringLiteral("spdRili"));
    f.pages().openPage(year);
    const int thisYear = QDate::currentDate().year();
    h.typeInto(year->box(1), QStringLiteral("this year"));
    f.picker()->setDateTime(QDateTime(QDate(thisYear + 1, 1, 1), QTime(9, 0)));
    QCOMPARE(year->document()->loadedDate().year(), thisYear + 1);
    QCOMPARE(year->box(1)->toPlainText(), QString());
    QCOMPARE(h.storedMonth(thisYear, 1), QStringLiteral("this year"));
    QCOMPARE(h.storedMonth(thisYear + 1, 1), QString());
    h.typeInto(year->box(1), QStringLiteral("next year"));
    f.pages().autoSave();
    QCOMPARE(h.storedMonth(thisYear + 1, 1), QStringLiteral("next year"));
    QCOMPARE(h.storedMonth(thisYear, 1), QStringLiteral("this year"));
}

void TestMainWindow::closingSavesTheAnnualPage() {
    Harness h;
    MainWindow &f = h.running();
    AnnualNotesPage *year = f.pages().page<AnnualNotesPage>(QStringLiteral("spdRili"));
    f.pages().openPage(year);
    h.typeInto(year->box(12), QStringLiteral("年底"));
    QVERIFY(f.closeButtonAction());
    QCOMPARE(h.quits, 1);
    QCOMPARE(h.storedMonth(QDate::currentDate().year(), 12), QStringLiteral("年底"));
}

void TestMainWindow::firstShowActivatesMonthPage() {
    Harness h;
    MainWindow &f = h.create();
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    QVERIFY(f.session().saving().isOpen());
    QCOMPARE(f.pages().activePage(), static_cast<NotePage *>(f.monthPage()));
    QVERIFY(f.dayPlanPanel()->isVisible());
    QVERIFY(!f.memoPanel()->isVisible());
    QVERIFY(f.picker()->isVisible());
    QVERIFY(f.startupTimer()->isActive());
    QVERIFY(!f.pages().autoSaveTimer()->isActive());
    QTRY_VERIFY_WITH_TIMEOUT(f.pages().autoSaveTimer()->isActive(), 3000);
    QCOMPARE(f.pages().autoSaveTimer()->interval(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(f.monthPage()->dayEditor(42)->isVisible(), 3000);
    // The picker sits left of "选项", 22 pixels above its top.
    const QLabel *lblSet = f.findChild<QLabel *>("lblSet");
    QCOMPARE(f.picker()->geometry().topLeft(),
             QPoint(lblSet->x() - f.picker()->width() - 8, lblSet->y() - 22));
    QVERIFY(h.messages.isEmpty());
}

void TestMainWindow::startReadsTheMonthOnce_data() {
    QTest::addColumn<bool>("typeEarly");
    QTest::newRow("untouched") << false;
    QTest::newRow("day plan typed before the timers") << true;
}

// The first show reads the month before the window maps; the start-up and show timers read it
// again only when something was typed meanwhile, and that text is kept and saved.
void TestMainWindow::startReadsTheMonthOnce() {
    QFETCH(bool, typeEarly);
    Harness h;
    const QDate today = QDate::currentDate();
    {
        NoteStore store;
        store.open(h.paths.databaseFile());
        MonthCells cells;
        cells[4] = PageTestSupport::rtfOf(QStringLiteral("stored note"));
        store.writeMonth(NoteStore::yearMonthKey(today), cells);
    }
    MainWindow &f = h.create();
    MonthNotesDocument *notes = f.monthPage()->document();
    int loads = 0;
    connect(notes, &NoteDocument::loadFinished, this, [&loads] { ++loads; });
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    QCOMPARE(loads, 1);
    QVERIFY(f.monthPage()->isEnabled());
    if (typeEarly) h.typeInto(f.monthPage()->dayPlanEditor(), QStringLiteral("typed early"));
    QTRY_VERIFY(f.pages().autoSaveTimer()->isActive() && f.monthPage()->editorsVisible());
    QCOMPARE(f.monthPage()->dayEditor(5)->toPlainText(), QStringLiteral("stored note"));
    QCOMPARE(notes->grid().selection(), QSet<QDate>{today});
    if (!typeEarly) {
        QCOMPARE(loads, 1);
    } else {
        QCOMPARE(f.monthPage()->dayPlanEditor()->toPlainText(), QStringLiteral("typed early"));
        QVERIFY(f.session().saveActive());
        NoteStore store;
        store.open(h.paths.databaseFile());
        QCOMPARE(PageTestSupport::plainOf(store.readDayPlan(NoteStore::dayKey(today))),
                 QStringLiteral("typed early"));
    }
    QVERIFY(h.messages.isEmpty());
}

void TestMainWindow::formIniDecidesSizeAndPlace_data() {
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<bool>("fullWidth");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("place");
    QTest::newRow("stored size and place") << QByteArray("1280\r\n770\r\n10\r\n20\r\n0\r\n")
                                           << false << QSize(1280, 770) << QPoint(10, 20);
    QTest::newRow("spaces around numbers") << QByteArray(" 1366 \r\n 738\r\n30 \r\n40\r\n0")
                                           << false << QSize(1366, 738) << QPoint(30, 40);
    QTest::newRow("full width") << QByteArray("1280\r\n770\r\n10\r\n20\r\n1\r\n") << true << QSize()
                                << QPoint(0, 0);
    // Sizes the size dialog never writes open the default window, which does get mapped.
    QTest::newRow("zero size") << QByteArray("0\r\n0\r\n10\r\n20\r\n0\r\n") << false
                               << QSize(1024, 738) << QPoint(448, 156);
    QTest::newRow("huge size") << QByteArray("99999\r\n99999\r\n10\r\n20\r\n0\r\n") << false
                               << QSize(1024, 738) << QPoint(448, 156);
}

void TestMainWindow::formIniDecidesSizeAndPlace() {
    QFETCH(QByteArray, ini);
    QFETCH(bool, fullWidth);
    QFETCH(QSize, size);
    QFETCH(QPoint, place);
    Harness h;
    h.writeFormIni(ini);
    MainWindow &f = h.create();
    const QSize screen = f.screenSize();
    if (fullWidth) size = QSize(screen.width(), screen.height() - 30);
    QCOMPARE(f.size(), size);
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    QCOMPARE(f.pos(), place);
    // The configured size stays what the file says, also when the window opened screen-wide.
    const int configured = ini.trimmed().startsWith("1366") ? 1366
                           : ini.startsWith("1280")         ? 1280
                                                            : 1024;
    QCOMPARE(f.settings().width, configured);
}

void TestMainWindow::closeButtonWritesSettingsAndSaves() {
    Harness h;
    MainWindow &f = h.running();
    h.type(5, QStringLiteral("close button note"));
    f.move(33, 44);
    QTRY_COMPARE(f.pos(), QPoint(33, 44));
    CaptionButton *close = f.closeButton();
    QTest::mouseClick(close, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(h.quits, 1);
    QVERIFY(f.session().isClosing());
    QVERIFY(!f.session().saving().isOpen());
    QCOMPARE(h.storedCell(QDate::currentDate(), 5), QStringLiteral("close button note"));
    QCOMPARE(h.formIni(), QByteArray("1024\r\n738\r\n33\r\n44\r\n0\r\n"));
    QVERIFY(h.messages.isEmpty());
}

void TestMainWindow::escapeSavesWithoutSettings() {
    Harness h;
    MainWindow &f = h.running();
    h.writeFormIni("1024\r\n738\r\n7\r\n8\r\n0\r\n");
    h.type(9, QStringLiteral("escape note"));
    f.setFocus();
    QApplication::setActiveWindow(&f);
    QTest::keyClick(&f, Qt::Key_Escape);
    QCOMPARE(h.quits, 1);
    QCOMPARE(h.storedCell(QDate::currentDate(), 9), QStringLiteral("escape note"));
    QCOMPARE(h.formIni(), QByteArray("1024\r\n738\r\n7\r\n8\r\n0\r\n"));
}

void TestMainWindow::escapeInAnEditorDoesNotEnd() {
    Harness h;
    MainWindow &f = h.running();
    QApplication::setActiveWindow(&f);
    QVERIFY(QTest::qWaitForWindowActive(&f));
    DayRichEdit *e = f.monthPage()->dayEditor(12);
    e->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(e));
    QTest::keyClick(e, Qt::Key_Escape);
    QCOMPARE(h.quits, 0);
    QVERIFY(!f.session().isClosing());
}

void TestMainWindow::escapeInAReadOnlyCellEnds_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("cell");
    QTest::newRow("day editor") << "SpeedButton2"
                                << "RichEdit12";
    QTest::newRow("day plan") << "SpeedButton2"
                              << "memday";
    QTest::newRow("general line") << "btnYiban"
                                  << "Edit3";
    QTest::newRow("memo line") << "btnYiban"
                               << "edt3";
}

// A second program on the folder shows the notes read-only: with the caret in one of its cells
// Escape ends it as on the window itself, since the cell takes no typing.
void TestMainWindow::escapeInAReadOnlyCellEnds() {
    QFETCH(QString, button);
    QFETCH(QString, cell);
    Harness h;
    h.running();
    RecordingPrompts prompts;
    MainWindow second(h.paths, prompts);
    int quits = 0;
    connect(&second.session(), &NotesSession::finished, this, [&] { ++quits; });
    second.show();
    QTRY_VERIFY(second.monthPage()->editorsVisible());
    QVERIFY(second.session().isReadOnly());
    QTest::mouseClick(second.findChild<QAbstractButton *>(button), Qt::LeftButton);
    QApplication::setActiveWindow(&second);
    QVERIFY(QTest::qWaitForWindowActive(&second));
    auto *target = second.findChild<QWidget *>(cell);
    QVERIFY(target && target->isVisible());
    target->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), target);
    const auto *line = qobject_cast<QLineEdit *>(target);
    QVERIFY(line ? line->isReadOnly() : qobject_cast<QTextEdit *>(target)->isReadOnly());
    QTest::keyClick(target, Qt::Key_Escape);
    QCOMPARE(quits, 1);
    QVERIFY(second.session().isClosing());
    QCOMPARE(h.quits, 0);
}

void TestMainWindow::windowSystemCloseSavesLikeEscape() {
    Harness h;
    MainWindow &f = h.running();
    h.writeFormIni("1024\r\n738\r\n7\r\n8\r\n0\r\n");
    h.type(41, QStringLiteral("closed from outside"));
    QVERIFY(f.close());
    QCOMPARE(h.quits, 1);
    QCOMPARE(h.storedCell(QDate::currentDate(), 41), QStringLiteral("closed from outside"));
    QCOMPARE(h.formIni(), QByteArray("1024\r\n738\r\n7\r\n8\r\n0\r\n"));
}

void TestMainWindow::exitMenuSavesNothing() {
    Harness h;
    MainWindow &f = h.running();
    h.writeFormIni("1024\r\n738\r\n7\r\n8\r\n0\r\n");
    h.type(2, QStringLiteral("lost on exit"));
    f.systemMenu()->action("N_ExitPrj")->trigger();
    QCOMPARE(h.quits, 1);
    QVERIFY(!f.session().saving().isOpen());
    // Focus changes while the program ends write nothing either.
    f.monthPage()->document()->save();
    QCOMPARE(h.storedCell(QDate::currentDate(), 2), QString());
    QCOMPARE(h.formIni(), QByteArray("1024\r\n738\r\n7\r\n8\r\n0\r\n"));
}

void TestMainWindow::failedSaveKeepsWindowAndText_data() {
    QTest::addColumn<bool>("closeButton");
    QTest::newRow("close button") << true;
    QTest::newRow("escape") << false;
}

void TestMainWindow::failedSaveKeepsWindowAndText() {
    QFETCH(bool, closeButton);
    Harness h;
    MainWindow &f = h.running();
    h.type(7, QStringLiteral("must not be lost"));
    h.dropTable(QStringLiteral("TailiNew"));
    // The user keeps the window open.
    const bool ended = closeButton ? f.closeButtonAction() : f.escapeAction();
    QVERIFY(!ended);
    QCOMPARE(h.quits, 0);
    QCOMPARE(h.questions.size(), 1);
    QVERIFY2(h.questions.at(0).contains("TailiNew"), qPrintable(h.questions.at(0)));
    QCOMPARE(h.messages, QStringList());
    QVERIFY(h.recoveryFiles().isEmpty());
    QVERIFY(!f.session().isClosing());
    QVERIFY(f.session().saving().isOpen());
    QVERIFY(f.pages().autoSaveTimer()->isActive());
    QCOMPARE(f.monthPage()->dayEditor(7)->toPlainText(), QStringLiteral("must not be lost"));
}

void TestMainWindow::autoSaveSkipsWhileLoading_data() {
    QTest::addColumn<bool>("loading");
    QTest::newRow("idle") << false;
    QTest::newRow("loading") << true;
}

void TestMainWindow::autoSaveSkipsWhileLoading() {
    QFETCH(bool, loading);
    Harness h;
    MainWindow &f = h.running();
    NoteDocument *month = f.monthPage()->document();
    if (!loading) {
        h.type(20, QStringLiteral("auto"));
        f.pages().autoSave();
    } else {
        // Text that arrives while a load runs, and an auto-save tick right then.
        connect(month, &NoteDocument::loaded, this, [&] {
            QVERIFY(month->isLoading());
            h.type(20, QStringLiteral("auto"));
            f.pages().autoSave();
        });
        QVERIFY(month->load(QDate::currentDate()));
    }
    QCOMPARE(h.storedCell(QDate::currentDate(), 20), loading ? QString() : QStringLiteral("auto"));
}

// Without changes the auto-save writes nothing, so a lost table is noticed only when there is
// something to save, and then once per tick.
void TestMainWindow::autoSaveWritesOnlyChanges() {
    Harness h;
    MainWindow &f = h.running();
    int saves = 0;
    connect(f.monthPage()->document(), &NoteDocument::saveFinished, this, [&] { ++saves; });
    h.dropTable(QStringLiteral("TailiNew"));
    f.pages().autoSave();
    f.pages().autoSave();
    QCOMPARE(saves, 0);
    QVERIFY(h.messages.isEmpty());
    h.type(20, QStringLiteral("auto"));
    f.pages().autoSave();
    QCOMPARE(saves, 1);
    QCOMPARE(h.messages, QStringList{kSaveFailed});
}

void TestMainWindow::captionButtonsShowTheirPictures() {
    Harness h;
    MainWindow &f = h.running();
    CaptionButton *close = f.closeButton();
    CaptionButton *max = f.maxButton();
    CaptionButton *mini = f.miniButton();
    // The offscreen screen is narrower than the window: the restore picture rests there.
    QCOMPARE(max->usesAlternate(), f.width() > f.screenSize().width());
    QTest::mouseMove(mini, QPoint(5, 5));
    QTRY_COMPARE(mini->look(), CaptionButton::Look::Highlight);
    QTest::mouseMove(max, QPoint(5, 5));
    QTRY_COMPARE(max->look(), CaptionButton::Look::Highlight);
    QCOMPARE(mini->look(), CaptionButton::Look::Normal);
    QTest::mousePress(close, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(close->look(), CaptionButton::Look::Down);
    QCOMPARE(max->look(), CaptionButton::Look::Normal);
    // Released away from the button: no click, nothing ends.
    QTest::mouseRelease(close, Qt::LeftButton, {}, QPoint(-50, 5));
    QCOMPARE(h.quits, 0);
    QCOMPARE(close->look(), CaptionButton::Look::Normal);
    // The pointer over the title strip puts every button to rest.
    QTest::mouseMove(mini, QPoint(5, 5));
    QTRY_COMPARE(mini->look(), CaptionButton::Look::Highlight);
    QWidget *strip = f.findChild<QWidget *>("img1");
    QTest::mouseMove(strip, QPoint(200, 10));
    QTRY_COMPARE(mini->look(), CaptionButton::Look::Normal);
}

void TestMainWindow::sizeToggleAndBack() {
    Harness h;
    MainWindow &f = h.running();
    const QSize screen = f.screenSize();
    h.type(3, QStringLiteral("toggle"));
    f.sizeToggle();
    // The toggle saves the page first.
    QCOMPARE(h.storedCell(QDate::currentDate(), 3), QStringLiteral("toggle"));
    QTRY_COMPARE(f.size(), QSize(screen.width(), screen.height() - 30));
    QTRY_COMPARE(f.pos(), QPoint(0, 0));
    QVERIFY(!f.maxButton()->usesAlternate());
    f.sizeToggle();
    QTRY_COMPARE(f.size(), QSize(1024, 738));
    QTRY_COMPARE(f.pos(), FrameGeometry::centred(QSize(1024, 738), screen));
    QCOMPARE(f.maxButton()->usesAlternate(), 1024 > screen.width());
    const QLabel *lblSet = f.findChild<QLabel *>("lblSet");
    QTRY_COMPARE(f.picker()->geometry().topLeft(),
                 QPoint(lblSet->x() - f.picker()->width() - 8, lblSet->y() - 22));
    QCOMPARE(f.closeButton()->look(), CaptionButton::Look::Normal);
}

void TestMainWindow::sizeDialogHasOnlyACloseBox() {
    WindowSizeDialog dialog([] { return 1024; }, [](const QSize &) { return true; }, QString());
    const Qt::WindowFlags flags = dialog.windowFlags();
    QCOMPARE(flags & Qt::WindowType_Mask, Qt::Dialog);
    // The hints bind the window manager only with CustomizeWindowHint.
    QVERIFY(flags & Qt::CustomizeWindowHint);
    QVERIFY(flags & Qt::WindowTitleHint);
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
}

void TestMainWindow::promptBoxesShowTheirKindAndTitle_data() {
    QTest::addColumn<bool>("information");
    QTest::newRow("information") << true;
    QTest::newRow("error") << false;
}

void TestMainWindow::promptBoxesShowTheirKindAndTitle() {
    // The program's boxes over the main window: information with its icon, not the critical
    // one, and wide enough for the window manager to show the whole application title.
    QFETCH(bool, information);
    Harness h;
    MainWindow &f = h.running();
    DialogPrompts prompts;
    prompts.setWindow(&f);
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;
    int width = 0;
    int least = 0;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        icon = box->icon();
        title = box->windowTitle();
        width = box->width();
        least = MessageBoxes::titleWidth(title, box->font());
        box->accept();
    });
    poll.start(20);
    prompts.showMessage({information ? PageMessage::Kind::Information : PageMessage::Kind::Error,
                         QStringLiteral("没有找到"),
                         {}});
    QCOMPARE(icon, information ? QMessageBox::Information : QMessageBox::Critical);
    QCOMPARE(title, QStringLiteral("Kestrova KESTROVA"));
    QVERIFY2(width >= least, qPrintable(QStringLiteral("%1 < %2").arg(width).arg(least)));
}

void TestMainWindow::windowSizeDialogAppliesAndCentres() {
    Harness h;
    MainWindow &f = h.running();
    auto *dialog = new WindowSizeDialog([&f] { return f.settings().width; },
                                        [&f](const QSize &s) { return f.applySize(s); },
                                        h.paths.resourceDir(), &f);
    f.setSizeDialog(dialog);
    f.systemMenu()->action("N_SetFrmSize")->trigger();
    QVERIFY(dialog->isVisible());
    QVERIFY(!dialog->isModal());
    QVERIFY(dialog->radioButton(0)->isChecked());
    dialog->radioButton(1)->setChecked(true);
    const QSize screen = f.screenSize();
    for (int i = 0; i < 2; ++i) {
        QTest::mouseClick(dialog->applyButton(), Qt::LeftButton);
        QTRY_COMPARE(f.size(), QSize(1280, 770));
        QTRY_COMPARE(f.pos(), FrameGeometry::centred(QSize(1280, 770), screen));
    }
    QCOMPARE(f.settings().width, 1280);
    QCOMPARE(f.settings().height, 770);
    QVERIFY(dialog->isVisible());
    // Wider than the screen: the caption shows the restore picture.
    QCOMPARE(f.maxButton()->usesAlternate(), 1280 > screen.width());
    dialog->hide();
    dialog->radioButton(3)->setChecked(true);
    f.systemMenu()->action("N_SetFrmSize")->trigger();
    QVERIFY(dialog->radioButton(1)->isChecked());
    // Nothing reaches form.ini until the close button.
    QVERIFY(h.formIni().startsWith("1024\r\n738\r\n"));
    f.closeButtonAction();
    QVERIFY(h.formIni().startsWith("1280\r\n770\r\n"));
}

void TestMainWindow::minimiseSavesAndKeepsWindow() {
    Harness h;
    MainWindow &f = h.running();
    h.type(30, QStringLiteral("before minimise"));
    f.minimise();
    QCOMPARE(h.storedCell(QDate::currentDate(), 30), QStringLiteral("before minimise"));
    QVERIFY(f.isMinimized());
    QVERIFY(f.isVisible());
    QVERIFY(!f.monthPage()->dayEditor(30)->isVisible());
    f.showNormal();
    QTRY_VERIFY_WITH_TIMEOUT(f.monthPage()->dayEditor(30)->isVisible(), 3000);
    QCOMPARE(f.monthPage()->dayEditor(30)->toPlainText(), QStringLiteral("before minimise"));
}

void TestMainWindow::webPanelAndHelpPages() {
    Harness h;
    MainWindow &f = h.running();
    QTextBrowser *web = f.webPanel();
    QCOMPARE(web->contextMenuPolicy(), Qt::NoContextMenu);
    QCOMPARE(web->viewport()->contextMenuPolicy(), Qt::NoContextMenu);
    QVERIFY(web->toPlainText().contains(QStringLiteral("Kestrova")));
    QVERIFY(!web->openLinks());
    emit web->anchorClicked(QUrl(QStringLiteral("help.html")));
    f.systemMenu()->action("N5")->trigger();
    f.systemMenu()->action("N7")->trigger();
    QCOMPARE(h.opened.size(), 3);
    for (const QUrl &url : h.opened) {
        QVERIFY(url.isLocalFile());
        QVERIFY2(QFile::exists(url.toLocalFile()), qPrintable(url.toString()));
    }
    QVERIFY(h.opened[0].toLocalFile().endsWith("/resources/web/help.html"));
    QVERIFY(h.opened[1].toLocalFile().endsWith("/resources/web/help.html"));
    QVERIFY(h.opened[2].toLocalFile().endsWith("/resources/web/feedback.html"));
    QVERIFY(h.messages.isEmpty());
}

void TestMainWindow::helpPagesWithoutBrowser_data() {
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("page");
    QTest::newRow("help") << "N5"
                          << "help.html";
    QTest::newRow("feedback") << "N7"
                              << "feedback.html";
}

void TestMainWindow::helpPagesWithoutBrowser() {
    // No program on the system takes web pages: the page exists, so the user is told (as
    // information, not as an error) why it is not in a browser and reads it in a window of its
    // own, sized to read; the web panel keeps its welcome page.
    QFETCH(QString, item);
    QFETCH(QString, page);
    Harness h;
    MainWindow &f = h.running();
    const QUrl welcome = f.webPanel()->source();
    h.prompts.browserThere = false;
    QVERIFY(!f.pageWindow());
    f.systemMenu()->action(item)->trigger();
    QCOMPARE(h.opened.size(), 1);
    QCOMPARE(h.messages,
             QStringList{QStringLiteral("没有找到打开网页的程序, 页面显示在单独的窗口中。")});
    QVERIFY(h.prompts.shown[0].kind == PageMessage::Kind::Information);
    QCOMPARE(f.webPanel()->source(), welcome);

    LocalPageWindow *window = f.pageWindow();
    QVERIFY(window);
    QTRY_VERIFY(window->isVisible());
    QVERIFY(window->isWindow());
    QVERIFY(!window->isModal());
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(window->size(), QSize(640, 720));
    QVERIFY(window->screen()->availableGeometry().contains(window->geometry()));
    QCOMPARE(window->browser()->source(), h.opened[0]);
    QVERIFY(window->browser()->source().toLocalFile().endsWith("/resources/web/" + page));
    QFile file(h.opened[0].toLocalFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QTextDocument expected;
    expected.setHtml(QString::fromUtf8(file.readAll()));
    QCOMPARE(window->browser()->toPlainText(), expected.toPlainText());
    QVERIFY(window->windowTitle().startsWith(QStringLiteral("Kestrova")));

    // Asked again, after its window was closed: the same window comes back.
    window->close();
    f.systemMenu()->action(item)->trigger();
    QCOMPARE(f.pageWindow(), window);
    QCOMPARE(f.findChildren<LocalPageWindow *>().size(), 1);
    QTRY_VERIFY(window->isVisible());
}

void TestMainWindow::localPageWindowSizeFitsTheScreen_data() {
    QTest::addColumn<QSize>("available");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("desktop") << QSize(1920, 1040) << QSize(640, 720);
    QTest::newRow("low screen") << QSize(1366, 728) << QSize(640, 668);
    QTest::newRow("netbook") << QSize(600, 560) << QSize(560, 500);
}

void TestMainWindow::localPageWindowSizeFitsTheScreen() {
    QFETCH(QSize, available);
    QFETCH(QSize, expected);
    QCOMPARE(LocalPageWindow::readingSize(available), expected);
}

void TestMainWindow::backgroundDragMovesTheWindow_data() {
    QTest::addColumn<bool>("windowManagerMoves");
    QTest::newRow("window manager") << true;
    QTest::newRow("by itself") << false;
}

void TestMainWindow::backgroundDragMovesTheWindow() {
    QFETCH(bool, windowManagerMoves);
    Harness h;
    MainWindow &f = h.running();
    auto *background = f.findChild<PictureLabel *>(QStringLiteral("imgBackGround"));
    QVERIFY(background);
    int asked = 0;
    background->setSystemMove([&](QWindow *) {
        ++asked;
        return windowManagerMoves;
    });
    f.move(128, 128);
    const QPoint start = f.pos();
    const QPoint at(400, 60);
    // One move: the pointer's place is given in the picture, which moves with the window.
    QTest::mousePress(background, Qt::LeftButton, {}, at);
    QTest::mouseMove(background, at + QPoint(60, 40));
    QTest::mouseRelease(background, Qt::LeftButton, {}, at + QPoint(60, 40) - (f.pos() - start));
    QCOMPARE(asked, 1);
    QCOMPARE(f.pos(), windowManagerMoves ? start : start + QPoint(60, 40));
}

void TestMainWindow::clickOnTheBackgroundAsksForNoMove() {
    // The window manager takes a move only while the button is held: asked on a press, a click
    // released before it took over left the window following the pointer.
    Harness h;
    MainWindow &f = h.running();
    auto *background = f.findChild<PictureLabel *>(QStringLiteral("imgBackGround"));
    QVERIFY(background);
    int asked = 0;
    background->setSystemMove([&](QWindow *) {
        ++asked;
        return true;
    });
    QTest::mouseClick(background, Qt::LeftButton, {}, QPoint(400, 60));
    QTest::mousePress(background, Qt::LeftButton, {}, QPoint(400, 60));
    QTest::mouseMove(background, QPoint(401, 61)); // within the drag distance
    QTest::mouseRelease(background, Qt::LeftButton, {}, QPoint(401, 61));
    QCOMPARE(asked, 0);
    QCOMPARE(f.focusWidget(), &f); // the press still takes the focus to the window
}

void TestMainWindow::dragInAnEditorNeverMovesTheWindow() {
    // A press on the background whose release goes to a dialog (the colour dialog opened over
    // the window) leaves no drag behind: a drag selection in a day cell afterwards, or moves
    // that reach the background without a press of its own, leave the window where it is.
    Harness h;
    MainWindow &f = h.running();
    auto *background = f.findChild<PictureLabel *>(QStringLiteral("imgBackGround"));
    QVERIFY(background);
    int asked = 0;
    background->setSystemMove([&](QWindow *) {
        ++asked;
        return false;
    });
    f.move(128, 128);
    const QPoint start = f.pos();
    QTest::mousePress(background, Qt::LeftButton, {}, QPoint(400, 60));

    QDialog dialog(&f);
    dialog.setObjectName(QStringLiteral("ColorDialog1"));
    dialog.resize(200, 100);
    dialog.open();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QApplication::setActiveWindow(&dialog);
    QTRY_VERIFY(!f.isActiveWindow());
    QTest::mouseRelease(&dialog, Qt::LeftButton, {}, QPoint(50, 50));
    dialog.accept();
    QApplication::setActiveWindow(&f);
    QTRY_VERIFY(f.isActiveWindow());

    DayRichEdit *editor = f.monthPage()->dayEditor(15);
    editor->setPlainText(QStringLiteral("drag across this text"));
    QWidget *viewport = editor->viewport();
    QTest::mousePress(viewport, Qt::LeftButton, {}, QPoint(5, 5));
    for (int x = 10; x <= 80; x += 10) QTest::mouseMove(viewport, QPoint(x, 8));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, QPoint(80, 8));
    QVERIFY(editor->textCursor().hasSelection());
    QCOMPARE(f.pos(), start);

    // Moves with the button held that reach the background without its press.
    for (const QPoint &p : {QPoint(300, 300), QPoint(500, 420)}) {
        QMouseEvent move(QEvent::MouseMove, p, background->mapToGlobal(p), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(background, &move);
    }
    QCOMPARE(f.pos(), start);
    QCOMPARE(asked, 0);
}

void TestMainWindow::dateChangeKeepsTypedText() {
    Harness h;
    MainWindow &f = h.running();
    const QDate today = QDate::currentDate();
    h.type(15, QStringLiteral("typed, then the picker moved"));
    // The spin button moves the month while the editor still holds unsaved text.
    f.picker()->setDateTime(QDateTime(today.addMonths(1), QTime(12, 0)));
    QCOMPARE(h.storedCell(today, 15), QStringLiteral("typed, then the picker moved"));
    QCOMPARE(f.monthPage()->dayEditor(15)->toPlainText(), QString());
    // The month page button brings today's month back with the text.
    f.pages().openStartPage();
    QCOMPARE(f.picker()->dateTime().date(), today);
    QCOMPARE(f.monthPage()->dayEditor(15)->toPlainText(),
             QStringLiteral("typed, then the picker moved"));
    QVERIFY(h.messages.isEmpty());
}

void TestMainWindow::unopenableDatabaseStillOpensWindow() {
    Harness h;
    QVERIFY(QFile::remove(h.paths.databaseFile()));
    MainWindow &f = h.create();
    QCOMPARE(h.messages.size(), 1);
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    QCOMPARE(f.pages().activePage(), static_cast<NotePage *>(f.monthPage()));
    // Once the database is back, the next date change opens it and saving works again.
    {
        NoteStore restored;
        restored.open(h.paths.databaseFile(), NoteStore::OpenMode::CreateIfMissing);
    }
    QTRY_VERIFY_WITH_TIMEOUT(f.monthPage()->editorsVisible(), 3000);
    h.messages.clear();
    f.picker()->setDateTime(QDateTime(QDate::currentDate().addMonths(-1), QTime(9, 0)));
    f.pages().openStartPage();
    QVERIFY(f.session().store().isOpen());
    h.type(4, QStringLiteral("after repair"));
    QVERIFY(f.session().saveActive());
    QCOMPARE(h.storedCell(QDate::currentDate(), 4), QStringLiteral("after repair"));
    QCOMPARE(h.messages, QStringList());
}

// A page whose notes could not be read takes no typing, so closing has nothing to refuse.
void TestMainWindow::pageNeverLoadedTakesNoTypingAndLetsTheWindowClose() {
    Harness h;
    QVERIFY(QFile::remove(h.paths.databaseFile()));
    MainWindow &f = h.create();
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    QVERIFY(!f.monthPage()->document()->isLoaded());
    QVERIFY(!f.monthPage()->isEnabled());
    QVERIFY(!f.dayPlanPanel()->isEnabled());
    const int shown = h.messages.size();
    QVERIFY(f.escapeAction());
    QCOMPARE(h.quits, 1);
    QCOMPARE(h.messages.size(), shown);
}

// One box with the cause and the path, not one more per load.
void TestMainWindow::damagedDatabaseIsReportedOnce() {
    Harness h;
    {
        QFile f(h.paths.databaseFile());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QByteArray(8192, 'G'));
    }
    MainWindow &f = h.running();
    QTRY_VERIFY(f.monthPage()->editorsVisible());
    f.monthPage()->showDayPlan();
    QCOMPARE(h.messages.size(), 1);
    QVERIFY2(h.messages.at(0).contains(h.paths.databaseFile()), qPrintable(h.messages.at(0)));
    QVERIFY2(h.messages.at(0).contains("not a database"), qPrintable(h.messages.at(0)));
    QVERIFY(f.session().isReadOnly());
    QVERIFY(f.monthPage()->dayEditor(1)->isReadOnly());
    // Nothing to save: closing closes.
    QVERIFY(f.escapeAction());
    QCOMPARE(h.quits, 1);
    QCOMPARE(h.messages.size(), 1);
}

// Two sessions on one data folder: the second program shows the notes and writes nothing.
void TestMainWindow::secondProgramOnTheFolderOnlyReads() {
    Harness h;
    MainWindow &first = h.running();
    h.type(6, QStringLiteral("from the first"));
    QVERIFY(first.session().saveActive());
    RecordingPrompts prompts;
    const QStringList &messages = prompts.messages;
    MainWindow second(h.paths, prompts);
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.at(0).contains(h.paths.db3Dir()), qPrintable(messages.at(0)));
    second.show();
    QTRY_VERIFY(second.monthPage()->editorsVisible());
    QVERIFY(second.session().isReadOnly());
    QVERIFY(second.monthPage()->dayEditor(6)->isReadOnly());
    QCOMPARE(second.monthPage()->dayEditor(6)->toPlainText(), QStringLiteral("from the first"));
    QVERIFY(second.session().saveActive());
    h.type(6, QStringLiteral(", still saved"));
    QVERIFY(first.session().saveActive());
    QCOMPARE(h.storedCell(QDate::currentDate(), 6), QStringLiteral("from the first, still saved"));
    QCOMPARE(messages.size(), 1);
    QVERIFY(h.messages.isEmpty());
}

void TestMainWindow::unwritableDatabaseShowsNotesReadOnly() {
    Harness h;
    {
        NoteStore store;
        store.open(h.paths.databaseFile());
        MonthCells cells;
        cells[9] = "kept note";
        store.writeMonth(NoteStore::yearMonthKey(QDate::currentDate()), cells);
    }
    const auto mount = TestMount::readOnly(h.paths.db3Dir());
    if (!mount->ok()) QSKIP("cannot mount read-only here (not root?)");
    MainWindow &f = h.running();
    QTRY_VERIFY(f.monthPage()->editorsVisible());
    QCOMPARE(f.monthPage()->dayEditor(10)->toPlainText(), QStringLiteral("kept note"));
    QVERIFY(f.monthPage()->dayEditor(10)->isReadOnly());
    QCOMPARE(h.messages.size(), 1);
    QVERIFY2(h.messages.at(0).contains(h.paths.databaseFile()), qPrintable(h.messages.at(0)));
    f.picker()->setDateTime(QDateTime(QDate::currentDate().addMonths(1), QTime(9, 0)));
    f.pages().autoSave();
    QCOMPARE(h.messages.size(), 1); // said once
    // A page built after the store opened is read-only too.
    QVERIFY(f.pages().openPage(f.pages().page<AnnualNotesPage>(QStringLiteral("spdRili"))));
    QVERIFY(f.pages().page<AnnualNotesPage>(QStringLiteral("spdRili"))->document()->isReadOnly());
    QVERIFY(f.pages().page<AnnualNotesPage>(QStringLiteral("spdRili"))->box(1)->isReadOnly());
    QCOMPARE(h.messages.size(), 1);
    QVERIFY(f.escapeAction());
}

// The first start on a file from before the search index: the progress dialog is made over the
// window for the upgrade (it shows only when that takes more than a moment) and goes with its
// end; then the notes are written and found.
void TestMainWindow::olderFileIsUpgradedBehindTheProgressDialog() {
    Harness h;
    testfiles::fillDatabase(h.paths.databaseFile(), 2);
    QCOMPARE(testfiles::makeVersionOne(h.paths.databaseFile()), QString());
    MainWindow &f = h.create();
    QVERIFY(f.session().isUpgrading());
    QPointer<QProgressDialog> progress = f.indexProgress();
    QVERIFY(progress);
    QCOMPARE(progress->parentWidget(), &f);
    QCOMPARE(progress->labelText(), QStringLiteral("正在为查找整理记事…"));
    QVERIFY(!progress->isVisible());
    QTRY_VERIFY(!f.session().isUpgrading());
    QVERIFY(!progress);
    QVERIFY(!f.session().isReadOnly());
    f.openFindBar();
    f.findBar()->field()->setText(QStringLiteral("NOTE 1/5 round"));
    f.findBar()->search();
    QCOMPARE(f.findBar()->hits().size(), size_t(1));
    QCOMPARE(h.messages, QStringList());
}

// "恢复…" of a copy made by an older build: the upgrade runs while the modal backup dialog is
// open, and its progress dialog shows over that dialog after a moment, without a cancel button
// and without blocking the window; it stays when the backup dialog closes first. A search
// meanwhile says the notes are still being indexed.
void TestMainWindow::restoredOlderCopyShowsTheProgressOverTheBackupDialog() {
    testfiles::HeldPlainText held(1); // the upgrade's first note waits until released
    Harness h;
    MainWindow &f = h.running();
    f.session().store().setPlainText(held.function());
    QVERIFY(QDir().mkpath(h.paths.backupDir()));
    const QString older =
        QDir(h.paths.backupDir()).filePath(BackupManager::dailyFileName(QDate(2025, 7, 1)));
    testfiles::fillDatabase(older, 2);
    QCOMPARE(testfiles::makeVersionOne(older), QString());

    QStringList told;
    BackupDialog::Hooks hooks;
    hooks.confirm = [](const QString &) { return true; };
    hooks.message = [&](const QString &text) { told << text; };
    hooks.releaseDatabase = [&] { return f.session().suspend(); };
    hooks.reopenDatabase = [&] { f.session().resume(); };
    hooks.now = [] { return QDateTime(QDate(2025, 7, 8), QTime(9, 0)); };
    BackupDialog dialog(BackupManager(h.paths.databaseFile(), h.paths.backupDir()), hooks, &f);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.show();
    QTRY_COMPARE(QApplication::activeModalWidget(), &dialog);
    QCOMPARE(dialog.list()->topLevelItemCount(), 1);
    dialog.list()->setCurrentItem(dialog.list()->topLevelItem(0));
    QTRY_VERIFY(dialog.restoreButton()->isEnabled()); // once the copy has passed its check
    dialog.restoreButton()->click();
    QCOMPARE(told.size(), 1);
    QVERIFY2(told[0].startsWith(QStringLiteral("已恢复")), qPrintable(told[0]));

    QTRY_VERIFY(held.reached());
    QVERIFY(f.session().isUpgrading());
    QPointer<QProgressDialog> progress = f.indexProgress();
    QVERIFY(progress);
    QCOMPARE(progress->parentWidget(), &dialog);
    QTRY_VERIFY(progress->isVisible());
    QCOMPARE(progress->labelText(), QStringLiteral("正在为查找整理记事…"));
    QCOMPARE(progress->windowTitle(), QString::fromUtf8(MainWindow::kCaption));
    QCOMPARE(progress->windowModality(), Qt::NonModal);
    // Not made active (the offscreen platform activates every window it shows: only the wish is
    // seen here).
    QVERIFY(progress->testAttribute(Qt::WA_ShowWithoutActivating));
    QVERIFY(progress->findChildren<QPushButton *>().isEmpty());
    QVERIFY(dialog.isVisible());
    // Leaving the backup dialog leaves the progress over the window.
    dialog.reject();
    QVERIFY(progress);
    QCOMPARE(progress->parentWidget(), &f);
    QVERIFY(progress->isVisible());

    f.openFindBar();
    FindBar *bar = f.findBar();
    bar->field()->setText(QStringLiteral("note 1/5 round"));
    bar->search();
    QVERIFY(bar->hits().empty());
    QStringList said;
    for (const QLabel *label : bar->findChildren<QLabel *>()) said << label->text();
    QVERIFY2(said.contains(QStringLiteral("记事还在为查找整理中，请稍后再查找。")),
             qPrintable(said.join(QLatin1Char('|'))));

    held.release();
    QTRY_VERIFY(!f.session().isUpgrading());
    QVERIFY(!progress);
    QVERIFY(!f.session().isReadOnly());
    QVERIFY(f.session().saving().isOpen());
    // The search asked meanwhile is answered without being asked again.
    QTRY_COMPARE(bar->hits().size(), size_t(1));
    QCOMPARE(h.messages, QStringList());
}

// A huge stored cell would freeze the window for minutes: it is shown as a notice, read-only,
// and the saves of its month leave it as it is.
void TestMainWindow::tooLargeNoteIsNotLoaded() {
    Harness h;
    const QString key = NoteStore::yearMonthKey(QDate::currentDate());
    const QByteArray huge = "{\\rtf1 " + QByteArray(2 * 1024 * 1024, 'x') + "}";
    {
        NoteStore store;
        store.open(h.paths.databaseFile());
        MonthCells cells;
        cells[2] = huge;
        store.writeMonth(key, cells);
    }
    MainWindow &f = h.running();
    QTRY_VERIFY(f.monthPage()->editorsVisible());
    DayRichEdit *big = f.monthPage()->dayEditor(3);
    QVERIFY(f.monthPage()->isTooLarge(3));
    QVERIFY(big->isReadOnly());
    QVERIFY2(big->toPlainText().contains(QStringLiteral("太大")), qPrintable(big->toPlainText()));
    QVERIFY(!f.monthPage()->dayEditor(4)->isReadOnly());
    h.type(4, QStringLiteral("next to it"));
    QVERIFY(f.session().saveActive());
    NoteStore store;
    store.open(h.paths.databaseFile());
    QCOMPARE(store.readMonth(key)[2], huge);
    QCOMPARE(h.storedCell(QDate::currentDate(), 4), QStringLiteral("next to it"));
    QVERIFY(h.messages.isEmpty());
}

void TestMainWindow::nothingUnsavedClosesWhileSavesFail_data() {
    QTest::addColumn<bool>("closeButton");
    QTest::newRow("close button") << true;
    QTest::newRow("escape") << false;
}

void TestMainWindow::nothingUnsavedClosesWhileSavesFail() {
    QFETCH(bool, closeButton);
    Harness h;
    MainWindow &f = h.running();
    h.dropTable(QStringLiteral("TailiNew"));
    f.pages().autoSave();
    QVERIFY(closeButton ? f.closeButtonAction() : f.escapeAction());
    QCOMPARE(h.quits, 1);
    QVERIFY(h.questions.isEmpty());
    QVERIFY(h.messages.isEmpty());
    QVERIFY(h.recoveryFiles().isEmpty());
}

void TestMainWindow::quitWhileSavesFailWritesRecoveryFile() {
    Harness h;
    MainWindow &f = h.running();
    h.type(7, QStringLiteral("typed before the failure"));
    f.monthPage()->dayPlanEditor()->textCursor().insertText(QStringLiteral("计划"));
    h.dropTable(QStringLiteral("TailiNew"));
    h.answerQuit = true;
    QVERIFY(f.escapeAction());
    QCOMPARE(h.quits, 1);
    QCOMPARE(h.questions.size(), 1);
    const QMap<QString, QString> files = h.recoveryFiles();
    QCOMPARE(files.size(), 1);
    QVERIFY(files.firstKey().startsWith("unsaved-"));
    const QString text = files.first();
    const QDate cellDate = f.monthPage()->grid().cellDate(6);
    QVERIFY2(
        text.contains(QStringLiteral("桌面月历 %1 第 7 格").arg(cellDate.toString(Qt::ISODate))),
        qPrintable(text));
    QVERIFY(text.contains("typed before the failure"));
    QVERIFY(text.contains(QStringLiteral("日安排 ")));
    QVERIFY(text.contains(QStringLiteral("计划")));
    QVERIFY(text.contains("{\\rtf1"));
    QVERIFY(text.contains(h.paths.databaseFile()));

    // The next start says where the file is, once.
    h.form.reset();
    h.messages.clear();
    h.create();
    QCOMPARE(h.messages.size(), 1);
    const QString recovered = h.paths.db3Dir() + "/recovered-" + files.firstKey().mid(8);
    QVERIFY2(h.messages.at(0).contains(recovered), qPrintable(h.messages.at(0)));
    QVERIFY(QFile::exists(recovered));
    h.form.reset();
    h.messages.clear();
    h.create();
    QVERIFY(h.messages.isEmpty());
}

// SIGTERM while the save-failed box is open: the save waiting in the box is no success, the
// typed text goes to the recovery file and the program ends.
void TestMainWindow::terminationWithTheFailureBoxOpen() {
    Harness h;
    MainWindow &f = h.running();
    h.type(12, QStringLiteral("in the box"));
    h.dropTable(QStringLiteral("TailiNew"));
    h.prompts.whileShown = [&](const PageMessage &m) {
        if (m.text == kSaveFailed) f.session().terminate(); // arrives while the box would be open
    };
    QVERIFY(!f.session().saveActive());
    QCOMPARE(h.messages, QStringList{kSaveFailed});
    QCOMPARE(h.quits, 1);
    QVERIFY(f.session().isClosing());
    const QMap<QString, QString> files = h.recoveryFiles();
    QCOMPARE(files.size(), 1);
    QVERIFY(files.first().contains("in the box"));
}

void TestMainWindow::autoSaveReportsAFailureOnce() {
    Harness h;
    MainWindow &f = h.running();
    h.type(3, QStringLiteral("one"));
    h.dropTable(QStringLiteral("TailiNew"));
    f.pages().autoSave();
    QCOMPARE(h.messages, QStringList{kSaveFailed});
    h.type(3, QStringLiteral(" two"));
    f.pages().autoSave();
    f.pages().autoSave();
    QCOMPARE(h.messages.size(), 1);
    // Opening the file again makes the table again: the next save works and a later failure
    // is reported again.
    f.session().store().open(h.paths.databaseFile());
    QVERIFY(f.session().saveActive());
    h.dropTable(QStringLiteral("TailiNew"));
    h.type(3, QStringLiteral(" three"));
    f.pages().autoSave();
    QCOMPARE(h.messages.size(), 2);
}

void TestMainWindow::sheetPagesArrangeTheSideControls_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("panel");
    QTest::addColumn<bool>("picker");
    QTest::newRow("一般记事") << "btnYiban"
                              << "pnlJishi" << true;
    QTest::newRow("日历") << "btnRili"
                          << "pnlRili" << false;
}

void TestMainWindow::sheetPagesArrangeTheSideControls() {
    QFETCH(QString, button);
    QFETCH(QString, panel);
    QFETCH(bool, picker);
    Harness h;
    MainWindow &f = h.running();
    QTest::mouseClick(f.findChild<QAbstractButton *>(button), Qt::LeftButton);
    QCOMPARE(f.pages().activePage()->objectName(), panel);
    QVERIFY(f.pages().activePage()->isVisible());
    QCOMPARE(f.picker()->isVisible(), picker);
    if (picker) QVERIFY(f.picker()->isEnabled());
    QVERIFY(f.memoPanel()->isVisible());
    QVERIFY(!f.dayPlanPanel()->isVisible());
    QVERIFY(!f.findChild<QWidget *>("ccbFont")->isVisible());
    QVERIFY(!f.findChild<QWidget *>("cbbFontSize")->isVisible());
    // The page fills the page area and is laid out for it.
    const auto *sheet = static_cast<SheetPage *>(f.pages().activePage());
    const SheetLayout layout(sheet->width(), sheet->height(), sheet->config().variant,
                             SheetPage::CalendarSize);
    QCOMPARE(sheet->line(42)->geometry(), layout.lineRect(42));
    QVERIFY(h.messages.isEmpty());
}

void TestMainWindow::generalPageFollowsThePicker() {
    Harness h;
    MainWindow &f = h.running();
    const QDate today = QDate::currentDate();
    QTest::mouseClick(f.findChild<QAbstractButton *>("btnYiban"), Qt::LeftButton);
    auto *general = static_cast<SheetPage *>(f.pages().activePage());
    general->line(5)->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(general->line(5), QStringLiteral("this month"));
    f.picker()->setDateTime(QDateTime(today.addMonths(1), QTime(12, 0)));
    QCOMPARE(general->state().loadedKey(), NoteStore::yearMonthKey(today.addMonths(1)));
    QCOMPARE(general->line(5)->text(), QString());
    NoteStore store;
    store.open(h.paths.databaseFile());
    QCOMPARE(store.readSheet(NoteStore::Sheet::General, NoteStore::yearMonthKey(today)).texts[4],
             QStringLiteral("this month"));
    // The page button comes back to today's month.
    QTest::mouseClick(f.findChild<QAbstractButton *>("btnYiban"), Qt::LeftButton);
    QCOMPARE(general->line(5)->text(), QStringLiteral("this month"));
    QVERIFY(h.messages.isEmpty());
}

namespace {
// A left click on the picker's month or year digits; the drop-down's popup once it is up.
QWidget *clickDigits(MainWindow &f, bool year) {
    QLabel *digits = year ? f.picker()->yearLabel() : f.picker()->monthLabel();
    QTest::mouseClick(digits, Qt::LeftButton, {}, digits->rect().center());
    if (!QTest::qWaitFor([&f] { return f.pickerDropDown().isOpen(); }, 3000)) return nullptr;
    return f.pickerDropDown().popup();
}

// Where day `day` of the month the calendar shows lies in its grid (grid coordinates).
QPoint dayPoint(const LunarCalendarWidget &calendar, int day) {
    for (int i = 1; i <= 37; ++i)
        if (calendar.cell(i).valid && calendar.cell(i).day == day) {
            const QPoint at = LunarCalendarGeometry::cellPosition(i);
            return calendar.dayGrid()->cellRect(at.x(), at.y()).center();
        }
    return {-1, -1};
}
} // namespace

void TestMainWindow::pickerDigitsDropDownTheCalendar_data() {
    QTest::addColumn<bool>("year");
    QTest::newRow("month digits") << false;
    QTest::newRow("year digits") << true;
}

// The compact picker drops the full calendar down under itself, at its own date, with the lunar
// texts and the "今天" link; the picker's month and year menus stay shut.
void TestMainWindow::pickerDigitsDropDownTheCalendar() {
    QFETCH(bool, year);
    Harness h;
    MainWindow &f = h.running();
    f.picker()->setDateTime(QDateTime(QDate(2020, 6, 21), QTime(9, 0)));
    QWidget *popup = clickDigits(f, year);
    QVERIFY(popup);
    QCOMPARE(QApplication::activePopupWidget(), popup);
    QVERIFY(popup->windowFlags().testFlag(Qt::Popup));
    QCOMPARE(popup->geometry().topLeft(), f.picker()->mapToGlobal(QPoint(0, f.picker()->height())));
    const LunarCalendarWidget *calendar = f.pickerDropDown().calendar();
    QCOMPARE(popup->size(), QSize(313, 253));
    QCOMPARE(calendar->date(), QDate(2020, 6, 21));
    QCOMPARE(calendar->lunarDateText(), QStringLiteral("五月初一"));
    QVERIFY(calendar->dayGrid()->isVisible());
    QVERIFY(calendar->todayLabel()->isVisible());
    QCOMPARE(calendar->todayLabel()->text(), QStringLiteral("今天"));
    // The same official holidays as the picker.
    QVERIFY(calendar->holidays());
    QCOMPARE(calendar->holidays(), f.picker()->holidays());
    QVERIFY(!f.picker()->monthMenu()->isVisible());
    QVERIFY(!f.picker()->yearMenu()->isVisible());
    QCOMPARE(f.picker()->date(), QDate(2020, 6, 21));
}

void TestMainWindow::dropDownChoiceSavesThenReloads_data() {
    QTest::addColumn<bool>("byKey");
    QTest::newRow("click on the day") << false;
    QTest::newRow("Return on the day") << true;
}

// A day chosen in the drop-down (here in the next month, reached in the drop-down) becomes the
// picker's date: the text typed on the month page is saved first, then the page shows that month.
void TestMainWindow::dropDownChoiceSavesThenReloads() {
    QFETCH(bool, byKey);
    Harness h;
    MainWindow &f = h.running();
    const QDate today = QDate::currentDate();
    const QDate target(today.addMonths(1).year(), today.addMonths(1).month(), 15);
    DayRichEdit *editor = f.monthPage()->dayEditor(15);
    editor->setFocus(Qt::MouseFocusReason);
    h.type(15, QStringLiteral("typed before the drop-down"));
    QWidget *popup = clickDigits(f, false);
    QVERIFY(popup);
    LunarCalendarWidget *calendar = f.pickerDropDown().calendar();
    // Moving about in the drop-down changes nothing yet.
    calendar->setDateTime(QDateTime(target.addDays(-14), QTime(0, 0)));
    QCOMPARE(f.picker()->date(), today);
    if (byKey) {
        calendar->setDateTime(QDateTime(target, QTime(0, 0)));
        QTest::keyClick(calendar->dayGrid(), Qt::Key_Return);
    } else {
        const QPoint day = dayPoint(*calendar, 15);
        QVERIFY(day.x() >= 0);
        QTest::mouseClick(calendar->dayGrid(), Qt::LeftButton, {}, day);
    }
    QTRY_VERIFY(!popup->isVisible());
    QCOMPARE(f.picker()->date(), target);
    QCOMPARE(h.storedCell(today, 15), QStringLiteral("typed before the drop-down"));
    QCOMPARE(f.monthPage()->grid().displayDate().month(), target.month());
    QCOMPARE(editor->toPlainText(), QString());
    QVERIFY(h.messages.isEmpty());
}

void TestMainWindow::dropDownClosesWithoutAChange_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("Escape") << "escape";
    QTest::newRow("click outside") << "outside";
    QTest::newRow("click on the digits again") << "digits";
}

// Escape or a click elsewhere closes the drop-down: the picker, the page and its unsaved text
// stay as they were, and the window stays open.
void TestMainWindow::dropDownClosesWithoutAChange() {
    QFETCH(QString, how);
    Harness h;
    MainWindow &f = h.running();
    const QDate today = QDate::currentDate();
    const QDate shown = f.monthPage()->grid().displayDate();
    h.type(15, QStringLiteral("still here"));
    QWidget *popup = clickDigits(f, true);
    QVERIFY(popup);
    LunarCalendarWidget *calendar = f.pickerDropDown().calendar();
    calendar->setDateTime(QDateTime(today.addMonths(3), QTime(0, 0)));
    if (how == "escape") {
        QTest::keyClick(calendar->dayGrid(), Qt::Key_Escape);
    } else if (how == "outside") {
        // On the picker's own surface, left of its digits.
        QTest::mouseClick(popup, Qt::LeftButton, {}, QPoint(3, -f.picker()->height() / 2));
    } else {
        // Through the window system, as a real click reaches the popup first.
        QLabel *digits = f.picker()->yearLabel();
        QTest::mouseClick(f.windowHandle(), Qt::LeftButton, {},
                          digits->mapTo(&f, digits->rect().center()));
    }
    // Closed, and not opened again by the release that ends the click.
    QTRY_VERIFY(!popup->isVisible());
    QVERIFY(!f.pickerDropDown().isOpen());
    QVERIFY(!f.picker()->yearMenu()->isVisible());
    QCOMPARE(f.picker()->date(), today);
    QCOMPARE(f.monthPage()->grid().displayDate(), shown);
    QCOMPARE(f.monthPage()->dayEditor(15)->toPlainText(), QStringLiteral("still here"));
    QVERIFY(f.isVisible());
    QVERIFY(!f.session().isClosing());
    QCOMPARE(h.quits, 0);
    QVERIFY(h.messages.isEmpty());
}

// When the save before the reload fails, the page keeps its month and the typed text.
void TestMainWindow::dropDownChoiceWithFailingSaveKeepsTheMonth() {
    Harness h;
    MainWindow &f = h.running();
    const QDate shown = f.monthPage()->grid().displayDate();
    h.type(9, QStringLiteral("not lost"));
    h.dropTable(QStringLiteral("TailiNew"));
    QWidget *popup = clickDigits(f, false);
    QVERIFY(popup);
    LunarCalendarWidget *calendar = f.pickerDropDown().calendar();
    calendar->setDateTime(QDateTime(shown.addMonths(2), QTime(0, 0)));
    QTest::keyClick(calendar->dayGrid(), Qt::Key_Return);
    QTRY_VERIFY(!popup->isVisible());
    QVERIFY(h.messages.contains(kSaveFailed));
    QCOMPARE(f.monthPage()->grid().displayDate().month(), shown.month());
    QCOMPARE(f.monthPage()->dayEditor(9)->toPlainText(), QStringLiteral("not lost"));
}

void TestMainWindow::calendarPageKeepsItsSheetWhateverTheDate() {
    Harness h;
    MainWindow &f = h.running();
    QTest::mouseClick(f.findChild<QAbstractButton *>("btnRili"), Qt::LeftButton);
    auto *calendar = static_cast<SheetPage *>(f.pages().activePage());
    QCOMPARE(calendar->calendar()->dateTime().date(), QDate::currentDate());
    calendar->line(13)->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(calendar->line(13), QStringLiteral("beside the calendar"));
    calendar->calendar()->setDateTime(QDateTime(QDate(2012, 5, 5), QTime(12, 0)));
    f.picker()->setDateTime(QDateTime(QDate(2012, 5, 5), QTime(12, 0)));
    QCOMPARE(calendar->line(13)->text(), QStringLiteral("beside the calendar"));
    QVERIFY(calendar->document()->isModified()); // neither calendar reloads nor saves the sheet
    QVERIFY(f.session().saveActive());
    NoteStore store;
    store.open(h.paths.databaseFile());
    QCOMPARE(store.readSheet(NoteStore::Sheet::Calendar, NoteStore::CalendarSheetKey).texts[12],
             QStringLiteral("beside the calendar"));
}

void TestMainWindow::memoListIsLoadedAtFirstShow() {
    Harness h;
    {
        NoteStore store;
        store.open(h.paths.databaseFile());
        store.writeMemoLine(4, QStringLiteral("remember"));
    }
    MainWindow &f = h.running();
    QCOMPARE(f.memoPanel()->line(4)->text(), QStringLiteral("remember"));
    QVERIFY(!f.memoPanel()->line(4)->isReadOnly());
    QVERIFY(h.messages.isEmpty());
}

// A memo line whose write failed while typing makes the close ask; keeping the window keeps the
// line until it is written.
void TestMainWindow::closingWritesPendingMemoLines() {
    Harness h;
    MainWindow &f = h.running();
    QTest::mouseClick(f.findChild<QAbstractButton *>("btnYiban"), Qt::LeftButton);
    NoteLineEdit *line = f.memoPanel()->line(2);
    line->setFocus(Qt::MouseFocusReason);
    PageTestSupport::renameTable(h.paths.databaseFile(), "Beiwanglu", "Beiwanglu_off");
    QTest::keyClicks(line, QStringLiteral("pending"));
    // The failure shows on the memo list itself, not in a box.
    QVERIFY(f.memoPanel()->writeFailureBar()->isVisible());
    QCOMPARE(h.messages.size(), 0);
    QVERIFY(!f.escapeAction());
    QCOMPARE(h.messages.size(), 0);
    QCOMPARE(h.questions.size(), 1);
    QCOMPARE(h.quits, 0);
    PageTestSupport::renameTable(h.paths.databaseFile(), "Beiwanglu_off", "Beiwanglu");
    QVERIFY(f.escapeAction());
    QCOMPARE(h.quits, 1);
    NoteStore store;
    store.open(h.paths.databaseFile());
    QCOMPARE(store.readMemoLines()[1], QStringLiteral("pending"));
}

// "设为桌面背景" captures the editors as they stand with the labels of the month shown, writes
// Content.bmp and opens the dialog modally; apply writes Mix.bmp and installs a copy.
void TestMainWindow::wallpaperFromTheMonthPage() {
    Harness h;
    MainWindow &f = h.running();
    auto *dialog = new WallpaperDialog(h.paths.wallpaperDir(), h.paths.shippedWallpaperDir(), &f);
    QStringList dialogMessages;
    QStringList installed;
    dialog->setMessageSink([&](const QString &m) { dialogMessages << m; });
    dialog->setInstaller([&](const QString &file, const QImage &, QString *) {
        installed << file;
        return true;
    });
    dialog->setScreenSize(QSize());
    f.setWallpaperDialog(dialog);
    QVERIFY(f.systemMenu()->action("N_SetDeskTopBG")->isEnabled());

    const QDate first =
        f.monthPage()->grid().displayDate().addDays(1 - f.monthPage()->grid().displayDate().day());
    const int cell = f.monthPage()->grid().cellOf(first);
    h.type(cell + 1, QStringLiteral("  A&B meeting  "));
    bool wasModal = false;
    QTimer::singleShot(300, dialog, [&] {
        wasModal = QApplication::activeModalWidget() == dialog;
        dialog->apply();
    });
    f.systemMenu()->action("N_SetDeskTopBG")->trigger(); // returns when the dialog closes
    QVERIFY(wasModal);
    QCOMPARE(dialogMessages, QStringList());
    const WallpaperCells &cells = dialog->cells();
    QCOMPARE(cells[cell].dayLabel, QStringLiteral("1"));
    QCOMPARE(cells[cell].note, QStringLiteral("A&B meeting"));
    if (cell > 0) QCOMPARE(cells[cell - 1].dayLabel, QStringLiteral("S"));
    QCOMPARE(BmpFile::load(h.paths.wallpaperFile("Content.bmp")), ContentPicture::drawMonth(cells));
    QVERIFY(QFile::exists(h.paths.wallpaperFile("Mix.bmp")));
    QCOMPARE(installed.size(), 1);
    QVERIFY(h.messages.isEmpty());
}

// Content.bmp cannot be written: a message, and the dialog does not open.
void TestMainWindow::wallpaperContentUnwritable() {
    Harness h;
    MainWindow &f = h.running();
    auto *dialog = new WallpaperDialog(h.paths.wallpaperDir(), h.paths.shippedWallpaperDir(), &f);
    QStringList dialogMessages;
    dialog->setMessageSink([&](const QString &m) { dialogMessages << m; });
    f.setWallpaperDialog(dialog);
    QVERIFY(QDir().mkpath(h.paths.wallpaperFile("Content.bmp")));
    bool opened = false;
    QTimer::singleShot(300, dialog, [&] {
        opened = dialog->isVisible();
        dialog->reject();
    });
    f.systemMenu()->action("N_SetDeskTopBG")->trigger();
    QVERIFY(!opened);
    QCOMPARE(dialogMessages.size(), 1);
    QVERIFY(dialogMessages[0].contains("Content.bmp"));
}

// With the annual page in front nothing is drawn or opened; a message names the two pages.
// The general notes page gives its 42 lines as they stand, drawn in the two-column layout; the
// calendar notes page gives a message like the annual page.
void TestMainWindow::wallpaperFromTheGeneralPage() {
    Harness h;
    MainWindow &f = h.running();
    auto *dialog = new WallpaperDialog(h.paths.wallpaperDir(), h.paths.shippedWallpaperDir(), &f);
    dialog->setInstaller([](const QString &, const QImage &, QString *) { return true; });
    dialog->setScreenSize(QSize());
    f.setWallpaperDialog(dialog);
    QTest::mouseClick(f.findChild<QAbstractButton *>("btnYiban"), Qt::LeftButton);
    auto *general = static_cast<SheetPage *>(f.pages().activePage());
    general->line(5)->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(general->line(5), QStringLiteral(" line five "));
    QTimer::singleShot(300, dialog, [&] { dialog->reject(); });
    f.systemMenu()->action("N_SetDeskTopBG")->trigger();
    const WallpaperCells &cells = dialog->cells();
    QCOMPARE(cells[4].note, QStringLiteral("line five"));
    QCOMPARE(cells[5].note, QString());
    QCOMPARE(BmpFile::load(h.paths.wallpaperFile("Content.bmp")), ContentPicture::drawNotes(cells));
    QVERIFY(h.messages.isEmpty());

    QFile::remove(h.paths.wallpaperFile("Content.bmp"));
    QTest::mouseClick(f.findChild<QAbstractButton *>("btnRili"), Qt::LeftButton);
    f.systemMenu()->action("N_SetDeskTopBG")->trigger();
    QVERIFY(!QFile::exists(h.paths.wallpaperFile("Content.bmp")));
    QCOMPARE(h.messages.size(), 1);
}

void TestMainWindow::wallpaperNotFromTheAnnualPage() {
    Harness h;
    MainWindow &f = h.running();
    auto *dialog = new WallpaperDialog(h.paths.wallpaperDir(), h.paths.shippedWallpaperDir(), &f);
    f.setWallpaperDialog(dialog);
    QVERIFY(f.pages().openPage(f.pages().page<AnnualNotesPage>(QStringLiteral("spdRili"))));
    bool opened = false;
    QTimer::singleShot(300, dialog, [&] {
        opened = dialog->isVisible();
        dialog->reject();
    });
    f.systemMenu()->action("N_SetDeskTopBG")->trigger();
    QVERIFY(!opened);
    QVERIFY(!QFile::exists(h.paths.wallpaperFile("Content.bmp")));
    QCOMPARE(h.messages.size(), 1);
    QVERIFY(h.messages[0].contains(QStringLiteral("桌面月历")));
    QVERIFY(h.messages[0].contains(QStringLiteral("一般记事")));
}

// The export reads the editors as they stand, for the month the grid shows: after a failed save
// the picker has moved on but the grid and the typed text have not.
void TestMainWindow::exportTakesTheMonthTheGridShows() {
    Harness h;
    MainWindow &f = h.running();
    const QDate shown = f.monthPage()->grid().displayDate();
    QTextCursor cursor(f.monthPage()->dayEditor(9)->document());
    cursor.insertText(QStringLiteral("  unsaved \U0001F600\n"));
    h.dropTable(QStringLiteral("TailiNew"));
    f.picker()->setDateTime(QDateTime(shown.addMonths(2), QTime(12, 0)));
    QCOMPARE(h.messages, QStringList{kSaveFailed});
    QCOMPARE(f.monthPage()->grid().displayDate().month(), shown.month());

    QTemporaryDir out;
    ScriptedQuestions q;
    q.choose(out.filePath(QStringLiteral("month")));
    q.encoding = ScriptedQuestions::EncodingAnswer::Utf8WithBom;
    f.setExportQuestions(&q);
    f.systemMenu()->action("N_NoteToTxt")->trigger();
    f.setExportQuestions(nullptr);

    const QString title = QStringLiteral("%1年%2月-月记事").arg(shown.year()).arg(shown.month());
    QCOMPARE(q.asked, QStringList({"file:" + title, "encoding:month.txt"}));
    QFile file(out.filePath(QStringLiteral("month.txt")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines =
        QString::fromUtf8(file.readAll().mid(3)).split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 44); // 43 lines, each ended by CR LF
    QCOMPARE(lines[0], title);
    QVERIFY2(lines[9].endsWith(QStringLiteral("unsaved \U0001F600")), qPrintable(lines[9]));
}

// The menu item through the save dialog itself (Qt's own, filled in here): the proposed name is
// the title, ".txt" is added once, and a page without text fits GBK.
void TestMainWindow::exportThroughTheSaveDialog() {
    Harness h;
    MainWindow &f = h.running();
    QTextCursor(f.monthPage()->dayEditor(3)->document()).insertText(QStringLiteral("记事"));
    f.exportDialogs().setUseNativeDialog(false);
    QTemporaryDir out;
    QString proposed;
    // The dialog's exec() blocks: a timer fills it in once it is up.
    QTimer filler;
    QObject::connect(&filler, &QTimer::timeout, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog) return;
        filler.stop();
        auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        proposed = name->text();
        name->setText(out.filePath(QStringLiteral("abc.txt")));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    filler.start(20);
    f.systemMenu()->action("N_NoteToTxt")->trigger();
    const QDate shown = f.monthPage()->grid().displayDate();
    QCOMPARE(proposed, QStringLiteral("%1年%2月-月记事").arg(shown.year()).arg(shown.month()));
    QCOMPARE(QDir(out.path()).entryList(QDir::Files), QStringList{"abc.txt"});
    QFile file(out.filePath(QStringLiteral("abc.txt")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.endsWith("\r\n"));
    QVERIFY(bytes.contains("\xBC\xC7\xCA\xC2\r\n")); // 记事 in GBK
    QVERIFY(h.messages.isEmpty());
}

// The annual page exports the year its boxes hold, unsaved text included, even after the picker
// moved on and the save that should have let it go failed.
void TestMainWindow::exportTakesTheYearThePageShows() {
    Harness h;
    MainWindow &f = h.running();
    AnnualNotesPage *year = f.pages().page<AnnualNotesPage>(QStringLiteral("spdRili"));
    f.pages().openPage(year);
    const int shown = QDate::currentDate().year();
    h.typeInto(year->box(3), QStringLiteral("三月计划"));
    h.typeInto(year->box(12), QStringLiteral("年底"));
    h.dropTable(QStringLiteral("YearJishi"));
    f.picker()->setDateTime(QDateTime(QDate(shown + 1, 1, 1), QTime(12, 0)));
    QCOMPARE(h.messages.size(), 1);

    QTemporaryDir out;
    ScriptedQuestions q;
    q.choose(out.filePath(QStringLiteral("year")));
    f.setExportQuestions(&q);
    f.systemMenu()->action("N_NoteToTxt")->trigger();
    f.setExportQuestions(nullptr);

    const QString title = QStringLiteral("%1年-年度记事").arg(shown);
    QCOMPARE(q.asked, QStringList{"file:" + title});
    QFile file(out.filePath(QStringLiteral("year.txt")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QString text;
    QVERIFY(GbkCodec::decode(file.readAll(), text));
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 14);
    QCOMPARE(lines[0], title);
    QCOMPARE(lines[3], QStringLiteral("三月份：三月计划"));
    QCOMPARE(lines[12], QStringLiteral("十二月份年底"));
    QCOMPARE(h.messages.size(), 1);
}

// "导出 PDF…" writes the printout of the page in front, unsaved text included, through the
// export's steps; pdftotext reads the title and the text back.
void TestMainWindow::pdfHoldsThePageInFrontAsItStands_data() {
    QTest::addColumn<QString>("page"); // its button
    QTest::newRow("month") << "SpeedButton2";
    QTest::newRow("year") << "spdRili";
}

void TestMainWindow::pdfHoldsThePageInFrontAsItStands() {
    QFETCH(QString, page);
    Harness h;
    MainWindow &f = h.running();
    const QDate today = QDate::currentDate();
    QString title = QStringLiteral("%1年%2月").arg(today.year()).arg(today.month());
    if (page == QLatin1String("spdRili")) {
        AnnualNotesPage *year = f.pages().page<AnnualNotesPage>(page);
        f.pages().openPage(year);
        h.typeInto(year->box(4), QStringLiteral("四月打印"));
        title = QStringLiteral("%1年 年度记事").arg(today.year());
    } else {
        QTextCursor(f.monthPage()->dayEditor(9)->document()).insertText(QStringLiteral("四月打印"));
    }
    QTemporaryDir out;
    ScriptedQuestions q;
    q.choose(out.filePath(QStringLiteral("page")));
    f.setExportQuestions(&q);
    f.systemMenu()->action("N_ExportPdf")->trigger();
    f.setExportQuestions(nullptr);

    QCOMPARE(q.asked, QStringList{".pdf file:" + title});
    QVERIFY(h.messages.isEmpty());
    QProcess text;
    text.start(QStringLiteral("pdftotext"),
               {QStringLiteral("-enc"), QStringLiteral("UTF-8"),
                out.filePath(QStringLiteral("page.pdf")), QStringLiteral("-")});
    QVERIFY(text.waitForFinished());
    const QString read = QString::fromUtf8(text.readAllStandardOutput()).remove(QLatin1Char(' '));
    QVERIFY2(read.contains(title.remove(QLatin1Char(' '))), qPrintable(read));
    QVERIFY2(read.contains(QStringLiteral("四月打印")), qPrintable(read));
}

// "打印…" and Ctrl+P open the preview of the page in front, drawn by the same routine.
void TestMainWindow::printPreviewShowsThePageInFront_data() {
    QTest::addColumn<bool>("byKey");
    QTest::newRow("menu") << false;
    QTest::newRow("Ctrl+P") << true;
}

void TestMainWindow::printPreviewShowsThePageInFront() {
    QFETCH(bool, byKey);
    Harness h;
    MainWindow &f = h.running();
    int pages = -1;
    QString caption;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        auto *preview = qobject_cast<QPrintPreviewDialog *>(QApplication::activeModalWidget());
        if (!preview) return;
        closer.stop();
        caption = preview->windowTitle();
        pages = preview->findChild<QPrintPreviewWidget *>()->pageCount();
        preview->reject();
    });
    closer.start(20);
    if (byKey) {
        f.monthPage()->dayEditor(5)->setFocus();
        QTest::keyClick(f.monthPage()->dayEditor(5), Qt::Key_P, Qt::ControlModifier);
    } else {
        f.systemMenu()->action("N_Print")->trigger();
    }
    QTRY_COMPARE(pages, 1);
    const QDate shown = f.monthPage()->grid().displayDate();
    QVERIFY2(caption.endsWith(QStringLiteral("%1年%2月").arg(shown.year()).arg(shown.month())),
             qPrintable(caption));
    QVERIFY(h.messages.isEmpty());
}

// A page whose document has no printed form says so and opens nothing.
void TestMainWindow::pageWithoutPrintoutSaysSo() {
    Harness h;
    std::vector<PageRow> rows = standardPages();
    rows.push_back({QStringLiteral("btnScratch"), QStringLiteral("tsScratch"),
                    QStringLiteral("便笺"),
                    [](PageContext &context) { return new ScratchPage(context); }});
    MainWindow &f = h.create(std::move(rows));
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    f.findChild<QAbstractButton *>(QStringLiteral("btnScratch"))->click();
    QVERIFY(qobject_cast<ScratchPage *>(f.pages().activePage()));
    ScriptedQuestions q;
    f.setExportQuestions(&q);
    f.systemMenu()->action("N_ExportPdf")->trigger();
    f.systemMenu()->action("N_Print")->trigger();
    f.setExportQuestions(nullptr);
    QVERIFY(q.asked.isEmpty());
    QCOMPARE(h.messages.size(), 2);
    QVERIFY(h.messages[0].contains(QStringLiteral("没有可以打印的内容")));
    QCOMPARE(h.messages[1], h.messages[0]);
}

// The calendar file is read from the store: the page in front is saved first, whichever it is,
// so the text just typed on the month page is in the file.
void TestMainWindow::calendarExportSavesThePageInFront_data() {
    QTest::addColumn<QString>("page");
    QTest::newRow("month page") << QString();
    QTest::newRow("annual notes") << QStringLiteral("spdRili");
    QTest::newRow("general notes") << QStringLiteral("btnYiban");
    QTest::newRow("calendar notes") << QStringLiteral("btnRili");
}

void TestMainWindow::calendarExportSavesThePageInFront() {
    QFETCH(QString, page);
    Harness h;
    MainWindow &f = h.running();
    const QDate shown = f.monthPage()->grid().displayDate();
    const QDate day(shown.year(), shown.month(), 15);
    h.typeInto(f.monthPage()->dayEditor(f.monthPage()->grid().cellOf(day) + 1),
               QStringLiteral("十五日, 记事"));
    if (!page.isEmpty()) {
        QVERIFY(f.pages().openPage(f.pages().page(page)));
        auto *annual = qobject_cast<AnnualNotesPage *>(f.pages().activePage());
        auto *sheet = qobject_cast<SheetPage *>(f.pages().activePage());
        h.typeInto(annual ? static_cast<QWidget *>(annual->box(1)) : sheet->line(1),
                   QStringLiteral("别页"));
    }
    QVERIFY(f.pages().activePage()->document()->isModified());

    QTemporaryDir out;
    ScriptedQuestions q;
    q.months = CalendarExport::Months{shown, shown};
    q.choose(out.filePath(QStringLiteral("notes")));
    f.setExportQuestions(&q);
    f.systemMenu()->action("N_NoteToIcs")->trigger();
    f.setExportQuestions(nullptr);

    QVERIFY(!f.pages().activePage()->document()->isModified());
    QCOMPARE(h.messages, QStringList());
    QFile file(out.filePath(QStringLiteral("notes.ics")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll().replace("\r\n ", "");
    QVERIFY(bytes.contains("DTSTART;VALUE=DATE:" + day.toString("yyyyMMdd").toLatin1() + "\r\n"));
    QVERIFY(bytes.contains(QStringLiteral("SUMMARY:十五日\\, 记事\r\n").toUtf8()));
}

// A save that fails stops the export before its first question: the text stays on the page.
void TestMainWindow::calendarExportStopsAtAFailedSave() {
    Harness h;
    MainWindow &f = h.running();
    h.typeInto(f.monthPage()->dayEditor(10), QStringLiteral("未保存"));
    h.dropTable(QStringLiteral("TailiNew"));
    ScriptedQuestions q;
    f.setExportQuestions(&q);
    f.systemMenu()->action("N_NoteToIcs")->trigger();
    f.setExportQuestions(nullptr);
    QCOMPARE(h.messages, QStringList{kSaveFailed});
    QCOMPARE(q.asked, QStringList());
    QCOMPARE(f.monthPage()->dayEditor(10)->toPlainText(), QStringLiteral("未保存"));
}

QTEST_MAIN(TestMainWindow)
#include "tst_MainWindow.moc"
