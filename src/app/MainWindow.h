#pragma once

#include "app/NotesSession.h"
#include "app/PageTable.h"
#include "pages/PagePainter.h"
#include "store/FormIni.h"

#include <QPointer>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <future>
#include <memory>
#include <optional>

class AnchorLayout;
class BackupController;
class CaptionButton;
class DesktopMonthPage;
class ExportDialogs;
class ExportQuestions;
class FormatBar;
class FramePictures;
class LocalPageWindow;
class MemoPanel;
class FindBar;
class QProgressDialog;
class NoteFinder;
class PageHost;
class PickerDropDown;
class PictureLabel;
class QDialog;
class QLabel;
class QStackedWidget;
class QTextBrowser;
class QTimer;
class SidePanel;
class SystemMenu;
class LunarCalendarWidget;
class WallpaperDialog;

// The main window: a borderless frame with its own title strip and caption buttons, the top bar
// (date line, page buttons, format bar, date picker, "选项" menu), the page area and the side
// panel. The notes belong to the session, the pages to the page host;
// the window places them and turns the user's actions into their calls.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr const char *kCaption = "Kestrova桌面月历K714";
    static constexpr int StartupDelay = 500;

    // Reads form.ini, sizes the window and opens the note database (NotesSession::openStore()
    // with `fileCheck`). The window is created hidden; its first show loads the start page.
    // `prompts` answers every question and shows every message; it must outlive the window.
    MainWindow(const AppPaths &paths, Prompts &prompts,
               std::vector<PageRow> pages = standardPages(),
               NotesSession::FileCheck fileCheck = NotesSession::FileCheck::None,
               QWidget *parent = nullptr);
    ~MainWindow() override;

    NotesSession &session() { return *m_session; }
    PageHost &pages() { return *m_pages; }
    FormatBar &formatBar() { return *m_formatBar; }
    SystemMenu *systemMenu() const { return m_menu; }
    // "查找" (Ctrl+F): the find bar over the page area, built when first opened (null before).
    FindBar *findBar() const { return m_findBar; }
    void openFindBar();

    // The dialogs of the menu: attached, or made at the first use of their item (and again
    // should one be deleted). Without one, its item stays disabled.
    void setSizeDialog(QWidget *dialog);
    void setSizeDialogMaker(std::function<QWidget *()> make);
    void setPasswordDialog(QDialog *dialog);
    void setPasswordDialogMaker(std::function<QDialog *()> make);
    void setWallpaperDialog(WallpaperDialog *dialog);
    // The export's questions (default: the dialogs of exportDialogs()); the caller keeps
    // ownership, null restores the dialogs.
    void setExportQuestions(ExportQuestions *questions);
    ExportDialogs &exportDialogs() const { return *m_exportDialogs; }
    // The backups' menu item, and their daily copy right after the first show.
    void attachBackups(BackupController &backups);

    const WindowSettings &settings() const { return m_settings; }
    // Apply size (window size dialog): becomes the configured size, the window takes it,
    // centred on the screen, the picker is placed and the caption buttons rest.
    bool applySize(const QSize &size);
    QSize screenSize() const;
    QSize availableSize() const; // the screen less the desktop's panels

    // The caption buttons and keys. Closing saves the visible page and ends the program
    // (NotesSession::close()); the close button also writes form.ini. True when it ends.
    bool closeButtonAction();
    bool escapeAction();
    void sizeToggle();
    void minimise();
    // "内容导出": the active page's notes as they stand, to a text file the user names.
    void exportNotes();
    // "打印…" (Ctrl+P): the front page's printout in a preview, printed from there through the
    // print dialog (a printer or its "print to file").
    void printPage();
    // "导出 PDF…": the front page's printout as a PDF file the user names, written as the text
    // export writes (replace question, atomic write, failure message).
    void exportPdf();
    // "导出到日历文件 (.ics)…": the day notes of the months the user chooses, from the store,
    // after the page in front is saved; the same from every page.
    void exportCalendar();
    // "设为桌面背景": the front page's notes into the wallpaper picture, then the dialog.
    void setNotesAsWallpaper();

    DesktopMonthPage *monthPage() const;
    LunarCalendarWidget *picker() const { return m_picker; }
    PickerDropDown &pickerDropDown() const { return *m_pickerDropDown; }
    MemoPanel *memoPanel() const;
    QTextBrowser *webPanel() const;
    // The window of the local pages when there is no browser; null until first needed.
    LocalPageWindow *pageWindow() const;
    QWidget *dayPlanPanel() const;
    QLabel *dateLine() const { return m_dateLine; }
    CaptionButton *closeButton() const { return m_closeButton; }
    CaptionButton *maxButton() const { return m_maxButton; }
    CaptionButton *miniButton() const { return m_miniButton; }
    QTimer *startupTimer() const { return m_startupTimer; }
    // "正在为查找整理记事…" while an upgrade of the notes' file runs (shown after a moment); null
    // otherwise.
    QProgressDialog *indexProgress() const;
    bool firstShowDone() const { return m_shown; }

signals:
    void firstShowFinished();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildFrame();
    void buildTopBar();
    void buildCaptionButtons();
    void buildPageArea();
    void connectMenu();
    void firstShow();
    void afterFirstPaint();
    void onPickerDateChanged();
    void openIndexProgress();
    void showIndexProgress(int done, int total);
    void closeIndexProgress();
    void placePicker();
    void captionRest();
    QRect screenGeometry() const;
    bool endProgram(bool writeSettings);
    void openWebPage(const QString &name);
    void showPage(const QUrl &url); // in the browser, else (a local page) in pageWindow()
    // The printout of the front page; nothing, after a message, for a page that has none.
    std::optional<PagePainter> frontPrintout() const;

    AppPaths m_paths;
    std::unique_ptr<FramePictures> m_pictures;
    std::future<QImage> m_background; // read while the window is built; shown at the first show
    std::unique_ptr<NotesSession> m_session;
    WindowSettings m_settings;
    std::unique_ptr<ExportDialogs> m_exportDialogs;
    ExportQuestions *m_exportQuestions = nullptr;
    bool m_shown = false;

    QWidget *m_surface = nullptr;
    AnchorLayout *m_frameLayout = nullptr;
    PictureLabel *m_backgroundPicture = nullptr;
    QLabel *m_dateLine = nullptr;
    QLabel *m_optionsLabel = nullptr;
    LunarCalendarWidget *m_picker = nullptr;
    PickerDropDown *m_pickerDropDown = nullptr;
    FormatBar *m_formatBar = nullptr;
    CaptionButton *m_closeButton = nullptr;
    CaptionButton *m_maxButton = nullptr; // also shows the restore pictures
    CaptionButton *m_miniButton = nullptr;
    QStackedWidget *m_pageStack = nullptr;
    SidePanel *m_sidePanel = nullptr;
    std::unique_ptr<PageHost> m_pages;
    SystemMenu *m_menu = nullptr;
    QTimer *m_startupTimer = nullptr;
    QPointer<QWidget> m_sizeDialog;
    QPointer<QDialog> m_passwordDialog;
    std::function<QWidget *()> m_makeSizeDialog;
    std::function<QDialog *()> m_makePasswordDialog;
    QPointer<WallpaperDialog> m_wallpaperDialog;
    QPointer<LocalPageWindow> m_pageWindow;
    std::unique_ptr<NoteFinder> m_finder;
    FindBar *m_findBar = nullptr;
    QPointer<QProgressDialog> m_indexProgress; // over the window or a dialog in front of it
};
