#pragma once

#include "pages/LastSelection.h"
#include "pages/NotePage.h"
#include "pages/PageContext.h"
#include "pages/SaveGate.h"
#include "store/AppPaths.h"
#include "store/FormIni.h"
#include "store/NoteStore.h"

#include <QPointer>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <future>
#include <vector>

class AnchorLayout;
class CaptionButton;
class DataFolderLock;
class DesktopMonthPage;
class FontFaceBox;
class ExportDialogs;
class ExportQuestions;
class QAbstractButton;
class FramePictures;
class MemoPanel;
class PageButton;
class PictureLabel;
class Prompts;
class QButtonGroup;
class QComboBox;
class QDialog;
class QFrame;
class QLabel;
class QMenu;
class QAction;
class QPushButton;
class QStackedWidget;
class QTextBrowser;
class QTimer;
class TChnCalendar;
class TDeskBGSetFrm;

// The main window: a borderless window with its own title strip and caption buttons, the top
// bar (date line, page buttons, font boxes, date picker `ChnCalendar1`, "选项" menu), the page
// area `PageControl1` and the side panel with the web panel and the day plan.
//
// The page logic knows the pages only as NotePage: each is registered with its page button and
// tab sheet in registerPages(); a sheet without a page stays an empty, disabled placeholder and
// its button stays disabled. Only the month page, the one shown at start, is built with the
// window; the others are built when first opened or asked for (page<T>()), so the loops over
// the pages see only pages that exist. The memo list `Panel2` takes the side panel's lower part
// whenever the active page has no side panel of its own; it is loaded at the first show. The menu
// items of later features are in place but disabled.
class TMainForm : public QWidget {
    Q_OBJECT
public:
    static constexpr const char *kCaption = "Kestrova桌面月历K714";
    static constexpr int StartupDelay = 500;       // Timer2
    static constexpr int AutoSaveInterval = 10000; // tmrAutoSave

    using MessageFunction = std::function<void(const QString &text)>;
    using UrlOpener = std::function<bool(const QUrl &url)>;
    // Asks the user a yes/no question; true means yes.
    using QuestionFunction = std::function<bool(const QString &text)>;
    // Asks the user for a colour, starting on `initial`; an invalid colour means Cancel.
    using ColourChooser = std::function<QColor(const QColor &initial)>;

    // Runs the creation steps (FormCreate): reads form.ini, sizes the window, opens the note
    // database. The window is created hidden; its first show loads the month page.
    // `message` shows an error to the user (default: an error box captioned with the
    // application title, while the pages show their own information boxes); a given function
    // receives the pages' messages too, so tests can read them all.
    // `prepareStore` runs right before the database is opened, so that work on the database
    // file can go on beside the building of the window; false leaves the database closed
    // (the caller then ends the program).
    using StorePreparation = std::function<bool()>;
    explicit TMainForm(const AppPaths &paths, MessageFunction message = {},
                       QWidget *parent = nullptr, StorePreparation prepareStore = {});
    ~TMainForm() override;

    // The windows created after this one (in start-up order). A null password dialog leaves
    // "密码设置" disabled.
    void setSizeDialog(QWidget *dialog);
    void setPasswordDialog(QDialog *dialog);
    // The same dialogs made by `make` at the first use of their menu item (and again should
    // one be deleted), so start-up does not build windows and pictures that may never show.
    void setSizeDialogMaker(std::function<QWidget *()> make);
    void setPasswordDialogMaker(std::function<QDialog *()> make);
    // The wallpaper dialog; null leaves "设为桌面背景" disabled.
    void setWallpaperDialog(TDeskBGSetFrm *dialog);

    // Test seams: the messages (as for the constructor), the browser hand-off, and how the
    // program ends.
    void setMessageFunction(MessageFunction fn);
    void setUrlOpener(UrlOpener fn);
    void setQuitFunction(std::function<void()> fn);
    // The question of a close while saves fail: true quits (default: a box with "退出" and
    // "保留窗口").
    void setQuitQuestion(QuestionFunction fn);
    // Default: the colour dialog `ColorDialog1` with its custom colours shown.
    void setColourChooser(ColourChooser fn);
    // The export's questions (default: the dialogs of exportDialogs()); the caller keeps
    // ownership, null restores the dialogs.
    void setExportQuestions(ExportQuestions *questions);
    ExportDialogs &exportDialogs() const { return *m_exportDialogs; }

    // ---- window size ------------------------------------------------------------------------
    const WindowSettings &settings() const { return m_settings; }
    // Apply size (window size dialog): becomes the configured size, the window takes it,
    // centred on the screen, the picker is placed and the caption buttons rest.
    bool applySize(const QSize &size);
    QSize screenSize() const;
    QSize availableSize() const; // the screen less the desktop's panels

    // ---- actions ------------------------------------------------------------------------------
    // A page button: saves the active page when it has unsaved changes (and stays when that
    // fails), sets the picker to today (which reloads the active page when the date changes),
    // activates `page`, arranges the side controls and opens it (NotePage::open()).
    bool openPage(NotePage *page);
    bool SpeedButton2Click(); // the start page's button (the desktop month page)
    void sizeToggle();        // maximise / restore caption button
    void minimise();          // minimise caption button
    void AppEvent1Restore();  // back from minimised
    // Closing actions. The first two save the visible page when it has unsaved changes and
    // end the program. When that save fails the user is asked whether to keep the window open
    // (nothing is lost, the auto-save goes on) or to quit: then the unsaved cells go to a
    // recovery file (RecoveryFile) first, and when even that fails the window stays open.
    // Return true when the program ends.
    bool closeButtonAction(); // also writes form.ini
    bool escapeAction();
    void exitAction(); // "退出程序": ends at once, saves nothing
    // The session ends (SIGTERM, SIGHUP): saves what it can without asking, writes whatever
    // is still unsaved (also text of a save still waiting in its failure box) to a recovery
    // file, and ends the program in every case.
    void terminate();
    // tmrAutoSave: the visible page, when it has unsaved changes. A failure is reported once;
    // the following auto-saves stay quiet until a save succeeds again.
    void autoSave();
    bool saveVisiblePage(); // the visible page, when it has unsaved changes
    // The cells of all pages whose text is not in the store.
    QList<UnsavedCell> unsavedCells() const;
    // Where recovery files go: beside the database, else the per-user data folder.
    QStringList recoveryFolders() const;
    // "内容导出": the active page's notes as they stand in its cells, to a text file the user
    // names (NotePage::exportDocument()); nothing for a page that is not exported.
    void N_NoteToTxtClick();

    // ---- editing commands of the top bar -------------------------------------------------------
    // btn3 "√" and btn4 "X": a tick or a cross mark into the active page's focused cell.
    void btn3Click();
    void btn4Click();
    // img4: the colour dialog for the active page's focused cell; on an empty line or with no
    // focused cell nothing happens and no dialog opens.
    void img4Click();
    // A choice in the face or size list: applied to the selection of the last selection record
    // on the annual and month pages.
    void ccbFontSelect();
    void cbbFontSizeSelect();
    // The colour chosen last (black at first); the dialog starts on it.
    QColor lastColour() const { return m_lastColour; }
    // "设为桌面背景": the front page's notes into Content.bmp, then the wallpaper dialog.
    void N_SetDeskTopBGClick();

    // ---- parts (for the pages that plug in later, and for tests) ----------------------------
    NotePage *activePage() const { return m_activePage; }
    // The first registered page of class T (built now if it was not yet), or null.
    template <class T> T *page() {
        for (PageEntry &e : m_pageEntries)
            if (e.type->inherits(&T::staticMetaObject)) return static_cast<T *>(buildPage(e));
        return nullptr;
    }
    // Whether saving is open and whether the auto-save is held as during a load, as the tests
    // read them; `loading` may be set to hold the auto-save.
    struct PageFlags {
        bool savingEnabled;
        bool &loading;
    };
    PageFlags flags() { return {m_saveGate.isOpen(), m_holdAutoSave}; }
    SaveGate &saveGate() { return m_saveGate; }
    LastSelection &lastSelection() { return m_lastSelection; }
    NoteStore &store() { return m_store; }
    bool isReadOnly() const; // the notes cannot be saved (store read-only or not open)
    DesktopMonthPage *monthPage() const;
    TChnCalendar *picker() const { return ChnCalendar1; }
    QMenu *systemMenu() const { return popSysset; }
    QAction *menuAction(const QString &objectName) const;
    QTextBrowser *webPanel() const { return webLink; }
    MemoPanel *memoPanel() const { return Panel2; }
    QWidget *dayPlanPanel() const; // the month page's side panel
    QLabel *dateLine() const { return lblDateTime; }
    CaptionButton *closeButton() const { return img_close; }
    CaptionButton *maxButton() const { return img_max; }
    CaptionButton *miniButton() const { return img_mini; }
    QTimer *startupTimer() const { return Timer2; }
    QTimer *autoSaveTimer() const { return tmrAutoSave; }
    bool firstShowDone() const { return m_shown; }
    bool isClosing() const { return m_closing; }

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
    void FormCreate();
    void FormShow();
    void buildFrame();
    void buildTopBar();
    void buildPageArea();
    void buildSidePanel();
    void buildSystemMenu();
    void Timer2Timer();
    void ChnCalendar1Change();
    void registerPages();
    struct PageEntry {
        PageButton *button;
        QWidget *sheet;
        const QMetaObject *type;
        std::function<NotePage *()> make;
        NotePage *page = nullptr; // null until built
    };
    NotePage *pageOfButton(const QAbstractButton *button);
    // `T` is built by `make` now (`now`) or when the page is first needed.
    template <class T>
    void registerPage(PageButton *button, QWidget *sheet, std::function<T *()> make, bool now) {
        m_pageEntries.push_back({button, sheet, &T::staticMetaObject, std::move(make)});
        enablePageButton(m_pageEntries.size() - 1);
        if (now) buildPage(m_pageEntries.back());
    }
    void enablePageButton(std::size_t entry);
    NotePage *buildPage(PageEntry &entry);
    std::vector<NotePage *> builtPages() const; // in the order of registration
    void activatePage(NotePage *page);
    void setSidePanelFor(const NotePage *page);
    void placePicker();
    void captionRest();
    QRect screenGeometry() const;
    void setPickerToToday();
    // Opens (or reopens) the note database, read-only when another program holds the data
    // folder or the file cannot be written; the page follows. Says why once per new cause.
    void openStore(bool again);
    bool endProgram(bool writeSettings);
    void finish();
    void announceRecoveryFiles();
    void showError(const QString &text);
    bool isLoading() const; // a page or the memo list is loading, or flags().loading is set
    void openWebPage(const QString &name);
    void insertMark(QChar mark);
    void applyFontChoice(bool faceChosen);
    void showPage(const QUrl &url); // in the browser, else (a local page) in the web panel

    AppPaths m_paths;
    std::unique_ptr<FramePictures> m_pictures;
    std::future<QImage> m_background; // read while the window is built; shown at the first show
    std::unique_ptr<DataFolderLock> m_folderLock; // held until the window goes
    NoteStore m_store;
    QString m_storeNotice; // the last thing said about the store (not said again)
    SaveGate m_saveGate;
    bool m_holdAutoSave = false;
    LastSelection m_lastSelection;
    WindowSettings m_settings;
    MessageFunction m_message;
    StorePreparation m_prepareStore;
    UrlOpener m_openUrl;
    std::function<void()> m_quit;
    QuestionFunction m_askQuit;
    ColourChooser m_chooseColour;
    QColor m_lastColour = Qt::black;
    std::unique_ptr<ExportDialogs> m_exportDialogs;
    ExportQuestions *m_exportQuestions = nullptr;
    std::vector<PageEntry> m_pageEntries;
    bool m_pagesUseMessageFunction = false;
    std::unique_ptr<Prompts> m_prompts; // the pages' questions, answered as the window's own
    PageContext m_context;
    NotePage *m_activePage = nullptr;
    bool m_shown = false;
    bool m_closing = false;

    QWidget *pnlbg = nullptr;
    AnchorLayout *m_frameLayout = nullptr;
    AnchorLayout *m_sideLayout = nullptr;
    PictureLabel *img1 = nullptr;
    PictureLabel *imgBackGround = nullptr;
    PictureLabel *img2 = nullptr;
    QLabel *lblDateTime = nullptr;
    QFrame *Shape1 = nullptr;
    QFrame *Shape3 = nullptr;
    PageButton *spdRili = nullptr;
    PageButton *SpeedButton2 = nullptr;
    PageButton *btnYiban = nullptr;
    PageButton *btnRili = nullptr;
    QButtonGroup *m_pageButtons = nullptr;
    PictureLabel *img4 = nullptr;
    FontFaceBox *ccbFont = nullptr;
    QComboBox *cbbFontSize = nullptr;
    QPushButton *btn3 = nullptr;
    QPushButton *btn4 = nullptr;
    TChnCalendar *ChnCalendar1 = nullptr;
    QLabel *lblSet = nullptr;
    CaptionButton *img_close = nullptr;
    CaptionButton *img_max = nullptr; // also shows the restore pictures
    CaptionButton *img_mini = nullptr;
    QFrame *shpMainBorder = nullptr;
    QWidget *PanelCanlender = nullptr;
    QStackedWidget *PageControl1 = nullptr;
    QWidget *tsTaiLi = nullptr;
    QWidget *tsJiShi = nullptr;
    QWidget *tsYearjishi = nullptr;
    QWidget *tsRili = nullptr;
    QFrame *PanelAttach = nullptr;
    PictureLabel *Panel4 = nullptr;
    QWidget *Panelweblink = nullptr;
    QTextBrowser *webLink = nullptr;
    MemoPanel *Panel2 = nullptr;
    QMenu *popSysset = nullptr;
    QAction *N_SetFrmSize = nullptr;
    QAction *N_SetDeskTopBG = nullptr;
    QAction *N_NoteToTxt = nullptr;
    QAction *N4 = nullptr;
    QAction *N5 = nullptr;
    QAction *N7 = nullptr;
    QAction *N_ExitPrj = nullptr;
    QTimer *Timer2 = nullptr;
    QTimer *tmrAutoSave = nullptr;
    QPointer<QWidget> m_sizeDialog;
    QPointer<QDialog> m_passwordDialog;
    std::function<QWidget *()> m_makeSizeDialog;
    std::function<QDialog *()> m_makePasswordDialog;
    QPointer<TDeskBGSetFrm> m_wallpaperDialog;
};
