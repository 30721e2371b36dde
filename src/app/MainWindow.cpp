#include "app/MainWindow.h"

#include "app/AnchorLayout.h"
#include "app/BackupController.h"
#include "app/CaptionButton.h"
#include "app/FindBar.h"
#include "app/FormatBar.h"
#include "app/FrameGeometry.h"
#include "app/FramePictures.h"
#include "app/HolidayController.h"
#include "app/LocalPageWindow.h"
#include "app/NoteFinder.h"
#include "app/PageButton.h"
#include "app/PageHost.h"
#include "app/PickerDropDown.h"
#include "app/PictureLabel.h"
#include "app/SidePanel.h"
#include "app/SystemMenu.h"
#include "calendar_control/LunarCalendarWidget.h"
#include "export/ExportController.h"
#include "export/ExportDialogs.h"
#include "pages/DayRichEdit.h"
#include "pages/DesktopMonthPage.h"
#include "pages/MemoDocument.h"
#include "pages/MemoPanel.h"
#include "pages/NoteDocument.h"
#include "pages/Prompts.h"
#include "pages/WallpaperNotes.h"
#include "wallpaper/ContentCapture.h"
#include "wallpaper_ui/WallpaperDialog.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QScreen>
#include <QShortcut>
#include <QStackedWidget>
#include <QTextBrowser>
#include <QTimer>
#include <QVBoxLayout>

namespace {
const QColor kFrameColour(234, 242, 250);

// The page buttons' places in the top bar: two pairs, each on its rounded strip; further pages
// continue to the right.
int buttonLeft(std::size_t index) {
    constexpr int kLefts[] = {17, 85, 167, 233};
    constexpr std::size_t kSlots = sizeof(kLefts) / sizeof(kLefts[0]);
    return index < kSlots ? kLefts[index] : kLefts[kSlots - 1] + 66 * int(index - kSlots + 1);
}
} // namespace

MainWindow::MainWindow(const AppPaths &paths, Prompts &prompts, std::vector<PageRow> pages,
                       NotesSession::FileCheck fileCheck, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_paths(paths),
      m_pictures(std::make_unique<FramePictures>(paths.resourceDir())),
      m_session(std::make_unique<NotesSession>(paths, prompts)),
      m_exportDialogs(std::make_unique<ExportDialogs>(this)),
      m_exportQuestions(m_exportDialogs.get()) {
    setWindowTitle(QString::fromUtf8(kCaption));
    QFont f(QStringLiteral("宋体"));
    f.setPixelSize(12);
    setFont(f);
    // The window takes the focus from a press on its own surface (mousePressEvent), not from a
    // press on a control that takes none: the format bar acts on the cell that keeps it.
    setFocusPolicy(Qt::NoFocus);
    // The background takes a few milliseconds to decode: it is read beside the building of the
    // window and needed only for the first paint.
    m_background = m_pictures->imageLater(QStringLiteral("background"));
    const QPixmap icon = m_pictures->load(QStringLiteral("app_icon"));
    if (!icon.isNull()) setWindowIcon(icon);

    buildFrame();
    buildPageArea();
    m_sidePanel = new SidePanel(m_session->context(), *m_pictures, m_surface);
    m_frameLayout->add(m_sidePanel, QRect(801, 110, 202, 568), AnchorLayout::TopRightBottom);
    m_picker = new LunarCalendarWidget(m_surface);
    m_pages = std::make_unique<PageHost>(*m_session, std::move(pages), m_surface, m_pageStack,
                                         *m_sidePanel, *m_picker);
    buildTopBar();
    buildCaptionButtons();
    m_menu = new SystemMenu(this);
    connectMenu();

    m_settings = FormIni(m_paths.formIniFile()).read(screenSize());
    const QSize opening = FrameGeometry::openingSize(m_settings, screenSize());
    resize(m_settings.fullWidth ? opening : FrameGeometry::fitted(opening, availableSize()));

    QTextBrowser *web = m_sidePanel->webPanel();
    connect(web, &QTextBrowser::anchorClicked, this,
            [this, web](const QUrl &url) { showPage(web->source().resolved(url)); });
    web->setSource(QUrl::fromLocalFile(m_pictures->webPage(QStringLiteral("welcome.html"))));
    if (web->toPlainText().isEmpty())
        web->setHtml(QStringLiteral("<p style='color:#34588a'>Kestrova 桌面月历</p>"));

    // The picker shows today from its creation; its changes are followed only from now on, so
    // no page reloads before the database is open.
    m_pages->setPickerToToday();
    connect(m_picker, &LunarCalendarWidget::dateChanged, this, &MainWindow::onPickerDateChanged);
    m_dateLine->setText(FrameGeometry::dateLine(QDate::currentDate()));
    connect(m_pages.get(), &PageHost::sideControlsChanged, this,
            [this](const SideControls &controls) {
                m_picker->setVisible(controls.pickerVisible);
                m_picker->setEnabled(controls.pickerEnabled);
                m_formatBar->setFontListsVisible(controls.fontLists);
            });

    connect(m_session.get(), &NotesSession::resumed, m_pages.get(), &PageHost::openStartPage);

    connect(m_session.get(), &NotesSession::upgradeStarted, this, &MainWindow::openIndexProgress);
    connect(m_session.get(), &NotesSession::upgradeProgress, this, &MainWindow::showIndexProgress);
    connect(m_session.get(), &NotesSession::upgradeFinished, this, &MainWindow::closeIndexProgress);
    // A search asked while the notes were being indexed is answered once they are: queued, so
    // that the session has opened the upgraded file first.
    connect(
        m_session.get(), &NotesSession::upgradeFinished, this,
        [this] {
            if (m_findBar && m_findBar->isVisible()) m_findBar->search();
        },
        Qt::QueuedConnection);
    m_session->openStore(fileCheck);
    m_session->setMemo(m_sidePanel->memoPanel()->document());
    m_session->context().lastSelection.clear();

    m_startupTimer = new QTimer(this);
    m_startupTimer->setObjectName(QStringLiteral("Timer2"));
    m_startupTimer->setSingleShot(true);
    m_startupTimer->setInterval(StartupDelay);
    connect(m_startupTimer, &QTimer::timeout, this, &MainWindow::afterFirstPaint);
}

MainWindow::~MainWindow() {
    // The pages go while the session they write to is still there, and write nothing.
    m_session->stopSaving();
    delete m_surface;
}

void MainWindow::buildFrame() {
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    m_surface = new QWidget(this);
    m_surface->setObjectName(QStringLiteral("pnlbg"));
    QPalette palette = m_surface->palette();
    palette.setColor(QPalette::Window, kFrameColour);
    m_surface->setPalette(palette);
    m_surface->setAutoFillBackground(true);
    outer->addWidget(m_surface);
    m_surface->resize(FrameGeometry::DesignSize);
    m_frameLayout = new AnchorLayout(m_surface, FrameGeometry::DesignSize);

    m_backgroundPicture = new PictureLabel(m_surface);
    m_backgroundPicture->setObjectName(QStringLiteral("imgBackGround"));
    m_backgroundPicture->setStretched(true);
    m_backgroundPicture->setDragsWindow(true);
    m_frameLayout->add(m_backgroundPicture, QRect(2, 18, 1007, 670), AnchorLayout::All);

    auto *titleStrip = new PictureLabel(m_surface);
    titleStrip->setObjectName(QStringLiteral("img1"));
    titleStrip->setPicture(m_pictures->image(QStringLiteral("title_strip")));
    titleStrip->setStretched(true);
    titleStrip->setFallbackColor(QColor(206, 225, 244));
    titleStrip->setDragsWindow(true);
    m_frameLayout->add(titleStrip, QRect(0, 0, 1008, 21), AnchorLayout::TopLeftRight);
    for (PictureLabel *strip : {titleStrip, m_backgroundPicture}) {
        connect(strip, &PictureLabel::hovered, this, &MainWindow::captionRest);
        // A press on the window's own surface takes the focus, so an editor that had it saves.
        connect(strip, &PictureLabel::pressed, this, [this] { setFocus(Qt::MouseFocusReason); });
    }
}

void MainWindow::buildPageArea() {
    auto *border = new QFrame(m_surface);
    border->setObjectName(QStringLiteral("shpMainBorder"));
    border->setStyleSheet(
        QStringLiteral("QFrame#shpMainBorder { border: 1px solid rgb(160,166,176); }"));
    m_frameLayout->add(border, QRect(4, 111, 793, 566), AnchorLayout::All);

    auto *area = new QWidget(m_surface);
    area->setObjectName(QStringLiteral("PanelCanlender"));
    m_frameLayout->add(area, QRect(6, 112, 790, 564), AnchorLayout::All);
    auto *layout = new QVBoxLayout(area);
    layout->setContentsMargins(0, 0, 0, 0);
    m_pageStack = new QStackedWidget(area);
    m_pageStack->setObjectName(QStringLiteral("PageControl1"));
    layout->addWidget(m_pageStack);
}

void MainWindow::buildTopBar() {
    auto *logo = new PictureLabel(m_surface);
    logo->setObjectName(QStringLiteral("img2"));
    logo->setPicture(m_pictures->image(QStringLiteral("logo")));
    m_frameLayout->add(logo, QRect(15, 19, 225, 62));

    m_dateLine = new QLabel(m_surface);
    m_dateLine->setObjectName(QStringLiteral("lblDateTime"));
    m_dateLine->setStyleSheet(QStringLiteral("color: rgb(40,84,140);"));
    m_frameLayout->add(m_dateLine, QRect(327, 36, 300, 16));

    const QString stripStyle =
        QStringLiteral("QFrame { background: rgb(233,242,250); border: 1px solid rgb(152,168,182);"
                       " border-radius: 6px; }");
    // The page buttons were made before the strips they sit on: the strips go below them.
    for (const auto &[name, left] : {std::pair{"Shape1", 5}, std::pair{"Shape3", 155}}) {
        auto *strip = new QFrame(m_surface);
        strip->setObjectName(QString::fromLatin1(name));
        strip->setStyleSheet(stripStyle);
        m_frameLayout->add(strip, QRect(left, 83, 148, 23));
        strip->stackUnder(m_pages->buttons().front());
    }

    const QPixmap normal = m_pictures->load(QStringLiteral("page_button_normal"));
    const QPixmap hot = m_pictures->load(QStringLiteral("page_button_hot"));
    const QPixmap down = m_pictures->load(QStringLiteral("page_button_down"));
    const std::vector<PageButton *> buttons = m_pages->buttons();
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        buttons[i]->setPictures(normal, hot, down);
        m_frameLayout->add(buttons[i], QRect(buttonLeft(i), 84, 59, 21));
    }

    m_formatBar = new FormatBar(*m_pages, m_session->context(), *m_pictures, m_surface);
    m_frameLayout->add(m_formatBar, QRect(329, 80, 212, 28));

    m_picker->setObjectName(QStringLiteral("ChnCalendar1"));
    m_picker->setCursor(Qt::PointingHandCursor);
    m_picker->setBackgroundYearColor(Qt::white);
    m_picker->setBackgroundMonthColor(Qt::white);
    m_picker->setMonthLabelColor(Qt::blue);
    m_picker->setBackgroundImage(m_pictures->load(QStringLiteral("picker_background")).toImage());
    m_picker->setAlphaBlend(50);
    m_picker->setVisible(false);
    m_picker->raise();
    m_frameLayout->add(m_picker, QRect(554, 66, 242, 42), AnchorLayout::TopRight);
    m_pickerDropDown = new PickerDropDown(*m_picker, this);

    m_optionsLabel = new QLabel(QStringLiteral("|  选项"), m_surface);
    m_optionsLabel->setObjectName(QStringLiteral("lblSet"));
    m_optionsLabel->setCursor(Qt::PointingHandCursor);
    m_optionsLabel->setStyleSheet(QStringLiteral("color: rgb(40,84,140);"));
    m_optionsLabel->installEventFilter(this);
    m_frameLayout->add(m_optionsLabel, QRect(804, 88, 48, 14), AnchorLayout::TopRight);
}

void MainWindow::buildCaptionButtons() {
    const auto caption = [&](const char *name, const QRect &place) {
        auto *b = new CaptionButton(m_surface);
        b->setObjectName(QString::fromLatin1(name));
        const QString base = QString::fromLatin1(name);
        b->setPictures(m_pictures->load(base + QStringLiteral("_normal")),
                       m_pictures->load(base + QStringLiteral("_highlight")),
                       m_pictures->load(base + QStringLiteral("_down")));
        m_frameLayout->add(b, place, AnchorLayout::TopRight);
        return b;
    };
    m_closeButton = caption("img_close", QRect(968, 0, 39, 20));
    m_maxButton = caption("img_max", QRect(939, 0, 28, 20));
    m_maxButton->setAlternatePictures(m_pictures->load(QStringLiteral("img_restore_normal")),
                                      m_pictures->load(QStringLiteral("img_restore_highlight")),
                                      m_pictures->load(QStringLiteral("img_restore_down")));
    m_miniButton = caption("img_mini", QRect(911, 0, 28, 20));
    for (CaptionButton *b : {m_closeButton, m_maxButton, m_miniButton}) {
        const auto othersRest = [this, b] {
            for (CaptionButton *other : {m_closeButton, m_maxButton, m_miniButton})
                if (other != b) other->rest();
        };
        connect(b, &CaptionButton::highlighted, this, othersRest);
        connect(b, &CaptionButton::pressedDown, this, othersRest);
    }
    connect(m_closeButton, &CaptionButton::clicked, this, [this] { closeButtonAction(); });
    connect(m_maxButton, &CaptionButton::clicked, this, &MainWindow::sizeToggle);
    connect(m_miniButton, &CaptionButton::clicked, this, &MainWindow::minimise);
}

void MainWindow::connectMenu() {
    connect(m_menu->windowSizeAction(), &QAction::triggered, this, [this] {
        if (!m_sizeDialog && m_makeSizeDialog) m_sizeDialog = m_makeSizeDialog();
        if (!m_sizeDialog) return;
        m_sizeDialog->show();
        m_sizeDialog->raise();
        m_sizeDialog->activateWindow();
    });
    connect(m_menu->wallpaperAction(), &QAction::triggered, this, &MainWindow::setNotesAsWallpaper);
    auto *holidays = new HolidayController(
        m_paths.resourceDir() + QStringLiteral("/holidays/cn_public_holidays.tsv"),
        m_paths.db3Dir() + QStringLiteral("/holidays.tsv"), this);
    connect(holidays, &HolidayController::changed, this,
            [this](const std::shared_ptr<const HolidayTable> &table) {
                m_picker->setHolidays(table);
                if (LunarCalendarWidget *dropDown = m_pickerDropDown->calendar())
                    dropDown->setHolidays(table);
                m_pages->setHolidays(table);
            });
    holidays->load();
    connect(m_menu->holidaysAction(), &QAction::triggered, holidays,
            [this, holidays] { holidays->showDialog(this); });
    connect(m_menu->exportAction(), &QAction::triggered, this, &MainWindow::exportNotes);
    connect(m_menu->printAction(), &QAction::triggered, this, &MainWindow::printPage);
    connect(m_menu->pdfAction(), &QAction::triggered, this, &MainWindow::exportPdf);
    // The menu's shortcut works only while it is open; the window's works from any editor.
    auto *printKey = new QShortcut(QKeySequence::Print, this);
    printKey->setContext(Qt::WindowShortcut);
    connect(printKey, &QShortcut::activated, this, &MainWindow::printPage);
    connect(m_menu->calendarExportAction(), &QAction::triggered, this, &MainWindow::exportCalendar);
    m_finder = std::make_unique<NoteFinder>(*m_session, *m_pages, *m_picker, *m_sidePanel);
    connect(m_menu->findAction(), &QAction::triggered, this, &MainWindow::openFindBar);
    auto *findKey = new QShortcut(QKeySequence::Find, this);
    findKey->setContext(Qt::WindowShortcut);
    connect(findKey, &QShortcut::activated, this, &MainWindow::openFindBar);
    connect(m_menu->passwordAction(), &QAction::triggered, this, [this] {
        if (!m_passwordDialog && m_makePasswordDialog) m_passwordDialog = m_makePasswordDialog();
        if (m_passwordDialog) m_passwordDialog->exec();
    });
    connect(m_menu->helpAction(), &QAction::triggered, this,
            [this] { openWebPage(QStringLiteral("help.html")); });
    connect(m_menu->feedbackAction(), &QAction::triggered, this,
            [this] { openWebPage(QStringLiteral("feedback.html")); });
    connect(m_menu->exitAction(), &QAction::triggered, m_session.get(), &NotesSession::quitNow);
}

void MainWindow::setSizeDialog(QWidget *dialog) {
    m_makeSizeDialog = nullptr;
    m_sizeDialog = dialog;
    m_menu->windowSizeAction()->setEnabled(dialog != nullptr);
}

void MainWindow::setSizeDialogMaker(std::function<QWidget *()> make) {
    m_sizeDialog = nullptr;
    m_makeSizeDialog = std::move(make);
    m_menu->windowSizeAction()->setEnabled(static_cast<bool>(m_makeSizeDialog));
}

void MainWindow::setPasswordDialog(QDialog *dialog) {
    m_makePasswordDialog = nullptr;
    m_passwordDialog = dialog;
    m_menu->passwordAction()->setEnabled(dialog != nullptr);
}

void MainWindow::setPasswordDialogMaker(std::function<QDialog *()> make) {
    m_passwordDialog = nullptr;
    m_makePasswordDialog = std::move(make);
    m_menu->passwordAction()->setEnabled(static_cast<bool>(m_makePasswordDialog));
}

void MainWindow::setWallpaperDialog(WallpaperDialog *dialog) {
    m_wallpaperDialog = dialog;
    m_menu->wallpaperAction()->setEnabled(dialog != nullptr);
}

void MainWindow::attachBackups(BackupController &backups) {
    m_menu->addDataAction(backups.menuAction());
    // The daily copy once the window has shown and the file has passed its check.
    connect(m_session.get(), &NotesSession::ready, &backups,
            [&backups] { QTimer::singleShot(0, &backups, &BackupController::dailyBackup); });
}

void MainWindow::setExportQuestions(ExportQuestions *questions) {
    m_exportQuestions = questions ? questions : m_exportDialogs.get();
}

DesktopMonthPage *MainWindow::monthPage() const {
    return m_pages->builtPage<DesktopMonthPage>();
}

MemoPanel *MainWindow::memoPanel() const {
    return m_sidePanel->memoPanel();
}

QTextBrowser *MainWindow::webPanel() const {
    return m_sidePanel->webPanel();
}

QWidget *MainWindow::dayPlanPanel() const {
    const DesktopMonthPage *month = monthPage();
    return month ? month->sidePanel() : nullptr;
}

void MainWindow::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        firstShow();
    }
}

void MainWindow::firstShow() {
    if (m_background.valid()) m_backgroundPicture->setPicture(m_background.get());
    m_pages->firstShow();
    placePicker();
    memoPanel()->document()->load();
    if (m_startupTimer) m_startupTimer->start();
    m_session->start();
    const QRect screenRect = screenGeometry();
    move(FrameGeometry::reachable(FrameGeometry::openingPosition(m_settings, screenRect.size()),
                                  size(), screenRect));
    captionRest();
    setFocus(Qt::OtherFocusReason);
    emit firstShowFinished();
}

void MainWindow::afterFirstPaint() {
    m_formatBar->listFontFaces();
    m_pages->confirmStartPage();
    m_pages->autoSaveTimer()->start();
}

void MainWindow::openFindBar() {
    // Built at its first use: start-up builds only what the first window shows.
    if (!m_findBar) {
        m_findBar =
            new FindBar([this](const QString &query) { return m_finder->find(query); }, this);
        m_findBar->setWaitNotice([this] { return m_finder->waitNotice(); });
        connect(m_findBar, &FindBar::activated, this,
                [this](const NotePlace &place, const QString &query) {
                    if (m_finder->goTo(place, query)) m_findBar->hide();
                });
    }
    const int width = std::min(380, this->width() - 20);
    const int height = std::min(420, this->height() - 60);
    m_findBar->setGeometry(this->width() - width - 10, 40, width, height);
    m_findBar->open();
}

// The first open of a file from before the search index (at the start, or a restored older
// backup) indexes every note on the upgrade's thread: a few seconds for decades of notes, shown
// once it takes longer than a moment. Over the dialog in front (a restore's), else over the
// window; not modal and never active, so the window keeps painting and taking typing.
void MainWindow::openIndexProgress() {
    closeIndexProgress();
    QWidget *over = QApplication::activeModalWidget();
    m_indexProgress = new QProgressDialog(QStringLiteral("正在为查找整理记事…"), QString(), 0, 0,
                                          over ? over : this);
    m_indexProgress->setObjectName(QStringLiteral("IndexProgress"));
    m_indexProgress->setWindowTitle(QString::fromUtf8(kCaption));
    m_indexProgress->setWindowModality(Qt::NonModal);
    // Keys typed into a note while it appears stay with the note.
    m_indexProgress->setAttribute(Qt::WA_ShowWithoutActivating);
    m_indexProgress->setCancelButton(nullptr);
    m_indexProgress->setMinimumDuration(500);
    m_indexProgress->setValue(0);
    // The dialog in front may close first (the user leaves the backup dialog): the progress
    // stays, over the window.
    if (auto *dialog = qobject_cast<QDialog *>(over))
        connect(dialog, &QDialog::finished, m_indexProgress, [this] {
            const bool shown = m_indexProgress->isVisible();
            m_indexProgress->setParent(this, m_indexProgress->windowFlags());
            if (shown) m_indexProgress->show();
        });
}

void MainWindow::showIndexProgress(int done, int total) {
    if (!m_indexProgress) return;
    m_indexProgress->setMaximum(total);
    m_indexProgress->setValue(done);
}

QProgressDialog *MainWindow::indexProgress() const {
    return m_indexProgress;
}

void MainWindow::closeIndexProgress() {
    delete m_indexProgress;
}

void MainWindow::onPickerDateChanged() {
    m_pages->pickerDateChanged();
}

void MainWindow::exportNotes() {
    const NotePage *page = m_pages->activePage();
    if (!page) return;
    if (const std::optional<ExportDocument> document = page->document()->exportDocument())
        ExportController(*m_exportQuestions).run(*document);
}

std::optional<PagePainter> MainWindow::frontPrintout() const {
    const NotePage *page = m_pages->activePage();
    std::optional<PagePainter> printout =
        page ? PagePainter::forDocument(*page->document(), m_pages->holidays()) : std::nullopt;
    if (!printout)
        m_session->prompts().showError(
            QStringLiteral("这一页没有可以打印的内容。请打开“桌面月历”、“年度记事”、"
                           "“一般记事”或“日历”页。"));
    return printout;
}

namespace {

// Every page of `printout` on `printer`, in the printer's printable area; false when the
// printer (or the file printed to) could not be opened or written.
bool printOn(QPrinter &printer, const PagePainter &printout) {
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    const QRectF target(QPointF(0, 0),
                        printer.pageLayout().paintRectPixels(printer.resolution()).size());
    const int pages = printout.pageCount(PagePainter::designArea(printer.pageLayout()));
    for (int page = 0; page < pages; ++page) {
        if (page > 0 && !printer.newPage()) return false;
        printout.paint(painter, target, page);
    }
    return painter.end();
}

QString printFailure(const QPrinter &printer) {
    if (!printer.outputFileName().isEmpty())
        return QStringLiteral("打印未能完成，文件未能写入：\n%1")
            .arg(QDir::toNativeSeparators(printer.outputFileName()));
    return QStringLiteral("打印未能完成，打印机“%1”无法使用。").arg(printer.printerName());
}

} // namespace

void MainWindow::printPage() {
    // Unsaved text is printed as it stands, as the export does.
    const std::optional<PagePainter> printout = frontPrintout();
    if (!printout) return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(printout->pageLayout());
    printer.setDocName(printout->title());
    QPrintPreviewDialog preview(&printer, this);
    preview.setObjectName(QStringLiteral("PrintPreview"));
    preview.setWindowTitle(QStringLiteral("打印预览 - ") + printout->title());
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [this, &printout](QPrinter *target) {
                if (!printOn(*target, *printout))
                    m_session->prompts().showError(printFailure(*target));
            });
    preview.exec();
}

void MainWindow::exportPdf() {
    const std::optional<PagePainter> printout = frontPrintout();
    if (!printout) return;
    const ExportQuestions::FileKind pdf{QStringLiteral("导出 PDF"),
                                        QStringLiteral("PDF 文件 (*.pdf)"), QStringLiteral(".pdf")};
    ExportController(*m_exportQuestions).runFile(pdf, printout->title(), [&printout] {
        return printout->pdf();
    });
}

void MainWindow::exportCalendar() {
    // The notes are read from the store: the page in front is saved first, as before every move,
    // so that its text is in the file; a failed save has said so and keeps it.
    if (!m_session->saveActive()) return;
    ExportController(*m_exportQuestions).runCalendar(m_session->store(), QDate::currentDate());
}

void MainWindow::setNotesAsWallpaper() {
    if (!m_wallpaperDialog) return;
    const NotePage *page = m_pages->activePage();
    const std::optional<WallpaperNotes> notes =
        page ? page->document()->wallpaperNotes() : std::nullopt;
    if (!notes) {
        // An old picture would show another month's notes: nothing opens.
        m_session->prompts().showError(
            QStringLiteral("桌面背景由“桌面月历”页或“一般记事”页的内容生成，"
                           "请先打开其中一页。"));
        return;
    }
    if (notes->layout == WallpaperNotes::Layout::NoteLines) {
        ContentCapture::captureNoteCells(m_wallpaperDialog->cells(), notes->texts);
        if (m_wallpaperDialog->drawNoteContent()) m_wallpaperDialog->prepareAndExec();
        return;
    }
    std::array<QDate, 42> dates;
    std::copy_n(notes->dates.begin(), std::min<std::size_t>(42, notes->dates.size()),
                dates.begin());
    ContentCapture::captureMonthCells(m_wallpaperDialog->cells(), notes->texts, dates,
                                      notes->month);
    if (m_wallpaperDialog->drawMonthContent()) m_wallpaperDialog->prepareAndExec();
}

QSize MainWindow::screenSize() const {
    return screenGeometry().size();
}

QRect MainWindow::screenGeometry() const {
    const QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen();
    return s ? s->geometry() : QRect(0, 0, 1024, 768);
}

QSize MainWindow::availableSize() const {
    const QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen();
    return s ? s->availableGeometry().size() : QSize();
}

void MainWindow::placePicker() {
    const QRect label = m_frameLayout->designRect(m_optionsLabel);
    const QPoint at = FrameGeometry::pickerPlace(label, m_picker->size());
    m_frameLayout->setDesignRect(m_picker, QRect(at, m_picker->size()));
}

void MainWindow::captionRest() {
    for (CaptionButton *b : {m_closeButton, m_maxButton, m_miniButton}) b->rest();
    m_maxButton->setUseAlternate(FrameGeometry::showsRestore(width(), screenSize().width()));
}

void MainWindow::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    m_maxButton->setUseAlternate(FrameGeometry::showsRestore(width(), screenSize().width()));
}

bool MainWindow::applySize(const QSize &size) {
    if (!size.isValid()) return false;
    m_settings.width = size.width();
    m_settings.height = size.height();
    resize(size);
    move(FrameGeometry::centred(size, screenSize()));
    placePicker();
    captionRest();
    return true;
}

void MainWindow::sizeToggle() {
    m_session->saveActive();
    m_closeButton->rest();
    const QSize target = FrameGeometry::toggledSize(
        width(), QSize(m_settings.width, m_settings.height), screenSize());
    resize(target);
    move(FrameGeometry::centred(target, screenSize()));
    placePicker();
    // The rest picture follows the new width, not the one the resize event may not have
    // delivered yet.
    for (CaptionButton *b : {m_closeButton, m_maxButton, m_miniButton}) b->rest();
    m_maxButton->setUseAlternate(FrameGeometry::showsRestore(target.width(), screenSize().width()));
}

void MainWindow::minimise() {
    m_pages->windowMinimised();
    // The window stays mapped as minimised (not hidden), so the task bar keeps a way back.
    setWindowState((windowState() & ~Qt::WindowActive) | Qt::WindowMinimized);
    captionRest();
}

void MainWindow::changeEvent(QEvent *event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange) return;
    const auto *change = static_cast<QWindowStateChangeEvent *>(event);
    if ((change->oldState() & Qt::WindowMinimized) && !(windowState() & Qt::WindowMinimized))
        m_pages->windowRestored();
}

bool MainWindow::endProgram(bool writeSettings) {
    if (m_session->isClosing()) return true;
    if (writeSettings) {
        m_settings.left = x();
        m_settings.top = y();
        FormIni(m_paths.formIniFile()).write(m_settings, width(), screenSize().width());
    }
    QTimer *autoSave = m_pages->autoSaveTimer();
    autoSave->stop();
    if (m_session->close()) return true;
    // The window stays: the auto-save goes on once start-up has armed it.
    if (m_startupTimer && !m_startupTimer->isActive()) autoSave->start();
    return false;
}

bool MainWindow::closeButtonAction() {
    m_closeButton->rest();
    return endProgram(true);
}

bool MainWindow::escapeAction() {
    return endProgram(false);
}

void MainWindow::keyPressEvent(QKeyEvent *event) {
    const QWidget *focus = QApplication::focusWidget();
    // A read-only cell takes no typing: Escape there acts as on the window itself.
    const auto *line = qobject_cast<const QLineEdit *>(focus);
    const auto *box = qobject_cast<const QTextEdit *>(focus);
    const bool readOnlyCell = (line && line->isReadOnly()) || (box && box->isReadOnly());
    if (event->key() == Qt::Key_Escape && (focus == nullptr || focus == this || readOnlyCell)) {
        escapeAction();
        return;
    }
    QWidget::keyPressEvent(event);
}

void MainWindow::mousePressEvent(QMouseEvent *event) {
    // Reached by presses no child took. Where a widget under the pointer takes the focus on a
    // click it has it already (an editor passes its right press on for the menu); elsewhere
    // (labels, frames, the page area's margins) the window takes it, so the cell that had it
    // saves. Controls that take presses but no focus never get here.
    bool focusTaken = false;
    for (QWidget *w = childAt(event->position().toPoint()); w && w != this; w = w->parentWidget())
        focusTaken = focusTaken || (w->focusPolicy() & Qt::ClickFocus);
    if (!focusTaken) setFocus(Qt::MouseFocusReason);
    QWidget::mousePressEvent(event);
}

void MainWindow::closeEvent(QCloseEvent *event) {
    // Closed by the window system (a key of the desktop, the session ending): the notes are
    // saved as by Escape; a failed save keeps the window.
    if (m_session->isClosing() || escapeAction())
        event->accept();
    else
        event->ignore();
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_optionsLabel && event->type() == QEvent::MouseButtonPress) {
        m_menu->popup(m_optionsLabel->mapToGlobal(QPoint(0, m_optionsLabel->height())));
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::openWebPage(const QString &name) {
    const QString path = m_pictures->webPage(name);
    if (!QFileInfo::exists(path))
        m_session->prompts().showError(QStringLiteral("无法打开页面 %1").arg(path));
    else
        showPage(QUrl::fromLocalFile(path));
}

LocalPageWindow *MainWindow::pageWindow() const {
    return m_pageWindow;
}

void MainWindow::showPage(const QUrl &url) {
    if (m_session->prompts().openInBrowser(url)) return;
    // Without a browser a local page can still be read, in a window of its own: the web
    // panel is too small for a page of help.
    if (!url.isLocalFile()) {
        m_session->prompts().showError(
            QStringLiteral("没有找到打开网页的程序, 无法打开 %1").arg(url.toString()));
        return;
    }
    if (!m_pageWindow) {
        m_pageWindow = new LocalPageWindow(this);
        connect(m_pageWindow, &LocalPageWindow::linkClicked, this, &MainWindow::showPage);
    }
    m_pageWindow->showPage(url);
    m_session->prompts().showMessage(
        {PageMessage::Kind::Information,
         QStringLiteral("没有找到打开网页的程序, 页面显示在单独的窗口中。"),
         {}});
}
