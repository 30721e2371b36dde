#include "app/TMainForm.h"

#include "app/AnchorLayout.h"
#include "app/CaptionButton.h"
#include "app/FontFaceBox.h"
#include "app/FrameGeometry.h"
#include "app/FramePictures.h"
#include "app/PageButton.h"
#include "app/PictureLabel.h"
#include "app/Startup.h"
#include "base/AppIdentity.h"
#include "calendar_control/TChnCalendar.h"
#include "export/ExportController.h"
#include "export/ExportDialogs.h"
#include "export/ExportDocument.h"
#include "pages/AnnualNotesPage.h"
#include "pages/CellCommands.h"
#include "pages/DayRichEdit.h"
#include "pages/DesktopMonthPage.h"
#include "pages/MemoPanel.h"
#include "pages/PageMessageBox.h"
#include "pages/Prompts.h"
#include "pages/RecoveryFile.h"
#include "pages/SheetPage.h"
#include "platform/WebPageOpener.h"
#include "store/DataFolderLock.h"
#include "store/StoreError.h"
#include "wallpaper/ContentCapture.h"
#include "wallpaper/TDeskBGSetFrm.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QColorDialog>
#include <QComboBox>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QTextBrowser>
#include <QTimer>
#include <QVBoxLayout>

namespace {
const QColor kFrameColour(234, 242, 250);
const QColor kBorderColour(160, 166, 176);

QString rgb(const QColor &c) {
    return QStringLiteral("rgb(%1,%2,%3)").arg(c.red()).arg(c.green()).arg(c.blue());
}

void fill(QWidget *w, const QColor &colour) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, colour);
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

// The pages' questions, answered as the window answers its own: their messages through the
// window's message function once it was given one, else in the pages' own boxes; the quit
// question and the colour through the window's current functions.
class WindowPrompts : public Prompts {
public:
    WindowPrompts(QWidget &window, const TMainForm::MessageFunction &message,
                  const bool &useMessageFunction, const TMainForm::QuestionFunction &askQuit,
                  const TMainForm::ColourChooser &chooseColour)
        : m_window(window), m_message(message), m_useMessageFunction(useMessageFunction),
          m_askQuit(askQuit), m_chooseColour(chooseColour) {}

    void showMessage(const PageMessage &message) override {
        if (m_useMessageFunction)
            m_message(message.text);
        else
            PageMessageBox::show(&m_window, message);
    }
    bool confirmQuit(const QString &question) override { return m_askQuit(question); }
    QColor chooseColour(const QColor &initial) override { return m_chooseColour(initial); }

private:
    QWidget &m_window;
    const TMainForm::MessageFunction &m_message;
    const bool &m_useMessageFunction;
    const TMainForm::QuestionFunction &m_askQuit;
    const TMainForm::ColourChooser &m_chooseColour;
};
} // namespace

TMainForm::TMainForm(const AppPaths &paths, MessageFunction message, QWidget *parent,
                     StorePreparation prepareStore)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_paths(paths),
      m_pictures(std::make_unique<FramePictures>(paths.resourceDir())),
      m_message(std::move(message)), m_prepareStore(std::move(prepareStore)),
      m_exportDialogs(std::make_unique<ExportDialogs>(this)),
      m_exportQuestions(m_exportDialogs.get()),
      m_prompts(std::make_unique<WindowPrompts>(*this, m_message, m_pagesUseMessageFunction,
                                                m_askQuit, m_chooseColour)),
      m_context{m_store, m_saveGate, *m_prompts, m_lastSelection} {
    const bool ownMessages = static_cast<bool>(m_message);
    if (!ownMessages) {
        // The application's error box; the pages keep their own information boxes.
        m_message = [this](const QString &text) {
            QMessageBox::critical(isVisible() ? this : nullptr,
                                  QString::fromUtf8(AppIdentity::kAppTitle), text);
        };
    }
    m_openUrl = [](const QUrl &url) { return WebPageOpener::open(url); };
    m_quit = [] { QCoreApplication::quit(); };
    m_askQuit = [this](const QString &text) {
        QMessageBox box(QMessageBox::Warning, QString::fromUtf8(AppIdentity::kAppTitle), text,
                        QMessageBox::NoButton, this);
        QPushButton *quit = box.addButton(QStringLiteral("退出"), QMessageBox::AcceptRole);
        box.setDefaultButton(box.addButton(QStringLiteral("保留窗口"), QMessageBox::RejectRole));
        box.exec();
        return box.clickedButton() == quit;
    };
    m_chooseColour = [this](const QColor &initial) {
        QColorDialog dialog(initial, this);
        dialog.setObjectName(QStringLiteral("ColorDialog1"));
        // The widget dialog always shows its custom colours; a desktop's own may not.
        dialog.setOption(QColorDialog::DontUseNativeDialog);
        return dialog.exec() == QDialog::Accepted ? dialog.selectedColor() : QColor();
    };
    FormCreate();
    if (ownMessages) m_pagesUseMessageFunction = true;
}

TMainForm::~TMainForm() {
    // Focus changes while the widgets go away must not write anything.
    m_saveGate.close();
    m_closing = true;
}

void TMainForm::setSizeDialog(QWidget *dialog) {
    m_makeSizeDialog = nullptr;
    m_sizeDialog = dialog;
    N_SetFrmSize->setEnabled(dialog != nullptr);
}

void TMainForm::setPasswordDialog(QDialog *dialog) {
    m_makePasswordDialog = nullptr;
    m_passwordDialog = dialog;
    N4->setEnabled(dialog != nullptr);
}

void TMainForm::setSizeDialogMaker(std::function<QWidget *()> make) {
    m_sizeDialog = nullptr;
    m_makeSizeDialog = std::move(make);
    N_SetFrmSize->setEnabled(static_cast<bool>(m_makeSizeDialog));
}

void TMainForm::setPasswordDialogMaker(std::function<QDialog *()> make) {
    m_passwordDialog = nullptr;
    m_makePasswordDialog = std::move(make);
    N4->setEnabled(static_cast<bool>(m_makePasswordDialog));
}

void TMainForm::setWallpaperDialog(TDeskBGSetFrm *dialog) {
    m_wallpaperDialog = dialog;
    N_SetDeskTopBG->setEnabled(dialog != nullptr);
}

void TMainForm::setMessageFunction(MessageFunction fn) {
    m_message = std::move(fn);
    m_pagesUseMessageFunction = true;
}

void TMainForm::setUrlOpener(UrlOpener fn) {
    m_openUrl = std::move(fn);
}

void TMainForm::setQuitFunction(std::function<void()> fn) {
    m_quit = std::move(fn);
}

void TMainForm::setQuitQuestion(QuestionFunction fn) {
    m_askQuit = std::move(fn);
}

void TMainForm::setColourChooser(ColourChooser fn) {
    m_chooseColour = std::move(fn);
}

void TMainForm::setExportQuestions(ExportQuestions *questions) {
    m_exportQuestions = questions ? questions : m_exportDialogs.get();
}

QSize TMainForm::screenSize() const {
    return screenGeometry().size();
}

QRect TMainForm::screenGeometry() const {
    const QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen();
    return s ? s->geometry() : QRect(0, 0, 1024, 768);
}

bool TMainForm::isReadOnly() const {
    return !m_store.isOpen() || m_store.isReadOnly();
}

QSize TMainForm::availableSize() const {
    const QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen();
    return s ? s->availableGeometry().size() : QSize();
}

QAction *TMainForm::menuAction(const QString &objectName) const {
    return popSysset->findChild<QAction *>(objectName);
}

// ---- creation -------------------------------------------------------------------------------

void TMainForm::FormCreate() {
    m_saveGate.close();
    setWindowTitle(QString::fromUtf8(kCaption));
    QFont f(QStringLiteral("宋体"));
    f.setPixelSize(12);
    setFont(f);
    // The window takes the focus from a press on its own surface (mousePressEvent), not from a
    // press on a control that takes none: the "√" and "X" buttons and the colour picture act
    // on the cell that keeps it.
    setFocusPolicy(Qt::NoFocus);
    // The background takes a few milliseconds to decode: it is read beside the building of
    // the window and needed only for the first paint.
    m_background = m_pictures->imageLater(QStringLiteral("background"));
    const QPixmap icon = m_pictures->load(QStringLiteral("app_icon"));
    if (!icon.isNull()) setWindowIcon(icon);

    buildFrame();

    m_settings = FormIni(m_paths.formIniFile()).read(screenSize());
    const QSize opening = FrameGeometry::openingSize(m_settings, screenSize());
    resize(m_settings.fullWidth ? opening : FrameGeometry::fitted(opening, availableSize()));

    webLink->setSource(QUrl::fromLocalFile(m_pictures->webPage(QStringLiteral("welcome.html"))));
    if (webLink->toPlainText().isEmpty())
        webLink->setHtml(QStringLiteral("<p style='color:#34588a'>Kestrova 桌面月历</p>"));

    // The picker shows today from its creation; the change notification is connected only
    // now, so no page reloads before the database is open.
    setPickerToToday();
    ChnCalendar1->OnChange = [this](TChnCalendar *) { ChnCalendar1Change(); };

    lblDateTime->setText(FrameGeometry::dateLine(QDate::currentDate()));

    // A failed preparation ends the program before the window shows: nothing is opened.
    if (m_prepareStore && !m_prepareStore()) return;
    m_folderLock = std::make_unique<DataFolderLock>(m_paths.db3Dir());
    openStore(false);
    announceRecoveryFiles();

    cbbFontSize->addItems({QStringLiteral("10"), QStringLiteral("11"), QStringLiteral("12"),
                           QStringLiteral("13"), QStringLiteral("14")});
    cbbFontSize->setCurrentIndex(0);

    m_lastSelection.clear();

    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setSingleShot(true);
    Timer2->setInterval(StartupDelay);
    connect(Timer2, &QTimer::timeout, this, &TMainForm::Timer2Timer);
    tmrAutoSave = new QTimer(this);
    tmrAutoSave->setObjectName(QStringLiteral("tmrAutoSave"));
    tmrAutoSave->setInterval(AutoSaveInterval);
    connect(tmrAutoSave, &QTimer::timeout, this, &TMainForm::autoSave);
}

void TMainForm::buildFrame() {
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    pnlbg = new QWidget(this);
    pnlbg->setObjectName(QStringLiteral("pnlbg"));
    fill(pnlbg, kFrameColour);
    outer->addWidget(pnlbg);
    pnlbg->resize(FrameGeometry::DesignSize);
    m_frameLayout = new AnchorLayout(pnlbg, FrameGeometry::DesignSize);

    imgBackGround = new PictureLabel(pnlbg);
    imgBackGround->setObjectName(QStringLiteral("imgBackGround"));
    imgBackGround->setStretched(true);
    imgBackGround->setDragsWindow(true);
    m_frameLayout->add(imgBackGround, QRect(2, 18, 1007, 670), AnchorLayout::All);

    img1 = new PictureLabel(pnlbg);
    img1->setObjectName(QStringLiteral("img1"));
    img1->setPicture(m_pictures->image(QStringLiteral("title_strip")));
    img1->setStretched(true);
    img1->setFallbackColor(QColor(206, 225, 244));
    img1->setDragsWindow(true);
    m_frameLayout->add(img1, QRect(0, 0, 1008, 21), AnchorLayout::TopLeftRight);
    for (PictureLabel *strip : {img1, imgBackGround}) {
        connect(strip, &PictureLabel::hovered, this, &TMainForm::captionRest);
        // A press on the window's own surface takes the focus, so an editor that had it saves.
        connect(strip, &PictureLabel::pressed, this, [this] { setFocus(Qt::MouseFocusReason); });
    }

    buildTopBar();
    buildPageArea();
    buildSidePanel();
    buildSystemMenu();
    registerPages();
}

void TMainForm::buildTopBar() {
    img2 = new PictureLabel(pnlbg);
    img2->setObjectName(QStringLiteral("img2"));
    img2->setPicture(m_pictures->image(QStringLiteral("logo")));
    m_frameLayout->add(img2, QRect(15, 19, 225, 62));

    lblDateTime = new QLabel(pnlbg);
    lblDateTime->setObjectName(QStringLiteral("lblDateTime"));
    lblDateTime->setStyleSheet(QStringLiteral("color: rgb(40,84,140);"));
    m_frameLayout->add(lblDateTime, QRect(327, 36, 300, 16));

    const QString shapeStyle =
        QStringLiteral("QFrame { background: rgb(233,242,250); border: 1px solid rgb(152,168,182);"
                       " border-radius: 6px; }");
    Shape1 = new QFrame(pnlbg);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setStyleSheet(shapeStyle);
    m_frameLayout->add(Shape1, QRect(5, 83, 148, 23));
    Shape3 = new QFrame(pnlbg);
    Shape3->setObjectName(QStringLiteral("Shape3"));
    Shape3->setStyleSheet(shapeStyle);
    m_frameLayout->add(Shape3, QRect(155, 83, 148, 23));

    const QPixmap normal = m_pictures->load(QStringLiteral("page_button_normal"));
    const QPixmap hot = m_pictures->load(QStringLiteral("page_button_hot"));
    const QPixmap down = m_pictures->load(QStringLiteral("page_button_down"));
    m_pageButtons = new QButtonGroup(this);
    const auto makeButton = [&](const char *name, const QString &caption, int left) {
        auto *b = new PageButton(caption, pnlbg);
        b->setObjectName(QString::fromLatin1(name));
        b->setPictures(normal, hot, down);
        b->setCheckable(true);
        m_pageButtons->addButton(b);
        m_frameLayout->add(b, QRect(left, 84, 59, 21));
        return b;
    };
    spdRili = makeButton("spdRili", QStringLiteral("年度记事"), 17);
    SpeedButton2 = makeButton("SpeedButton2", QStringLiteral("桌面月历"), 85);
    btnYiban = makeButton("btnYiban", QStringLiteral("一般记事"), 167);
    btnRili = makeButton("btnRili", QStringLiteral("日历"), 233);
    // A button comes alive when its page is registered (registerPages()).
    for (PageButton *b : {spdRili, SpeedButton2, btnYiban, btnRili}) b->setEnabled(false);

    // The editing commands of the top bar. The mark buttons take no focus, so the caret stays
    // in the cell they write into.
    img4 = new PictureLabel(pnlbg);
    img4->setObjectName(QStringLiteral("img4"));
    img4->setPicture(m_pictures->image(QStringLiteral("colour")));
    img4->setCursor(Qt::PointingHandCursor);
    m_frameLayout->add(img4, QRect(329, 88, 20, 20));
    // The dialog opens once the press is over.
    connect(img4, &PictureLabel::pressed, this, &TMainForm::img4Click, Qt::QueuedConnection);
    ccbFont = new FontFaceBox(pnlbg);
    ccbFont->setObjectName(QStringLiteral("ccbFont"));
    m_frameLayout->add(ccbFont, QRect(357, 83, 87, 22));
    connect(ccbFont, &QComboBox::activated, this, &TMainForm::ccbFontSelect);
    cbbFontSize = new QComboBox(pnlbg);
    cbbFontSize->setObjectName(QStringLiteral("cbbFontSize"));
    m_frameLayout->add(cbbFontSize, QRect(448, 83, 42, 22));
    connect(cbbFontSize, &QComboBox::activated, this, &TMainForm::cbbFontSizeSelect);
    const auto markButton = [this](const char *name, const QString &caption, int pixels, int left) {
        auto *b = new QPushButton(caption, pnlbg);
        b->setObjectName(QString::fromLatin1(name));
        b->setFlat(true);
        b->setFocusPolicy(Qt::NoFocus);
        QFont font(QStringLiteral("Arial Black"));
        font.setPixelSize(pixels);
        b->setFont(font);
        m_frameLayout->add(b, QRect(left, 80, 23, 22));
        return b;
    };
    btn3 = markButton("btn3", QStringLiteral("√"), 14, 494);
    connect(btn3, &QPushButton::clicked, this, &TMainForm::btn3Click);
    btn4 = markButton("btn4", QStringLiteral("X"), 12, 518);
    connect(btn4, &QPushButton::clicked, this, &TMainForm::btn4Click);

    ChnCalendar1 = new TChnCalendar(pnlbg);
    ChnCalendar1->setObjectName(QStringLiteral("ChnCalendar1"));
    ChnCalendar1->setCursor(Qt::PointingHandCursor);
    ChnCalendar1->SetColorBackYear(Qt::white);
    ChnCalendar1->SetColorBackMonth(Qt::white);
    ChnCalendar1->SetColorTitleMonth(Qt::blue);
    ChnCalendar1->SetBackGround(m_pictures->load(QStringLiteral("picker_background")).toImage());
    ChnCalendar1->SetAlphaBlend(50);
    ChnCalendar1->setVisible(false);
    m_frameLayout->add(ChnCalendar1, QRect(554, 66, 242, 42), AnchorLayout::TopRight);

    lblSet = new QLabel(QStringLiteral("|  选项"), pnlbg);
    lblSet->setObjectName(QStringLiteral("lblSet"));
    lblSet->setCursor(Qt::PointingHandCursor);
    lblSet->setStyleSheet(QStringLiteral("color: rgb(40,84,140);"));
    lblSet->installEventFilter(this);
    m_frameLayout->add(lblSet, QRect(804, 88, 48, 14), AnchorLayout::TopRight);

    const auto caption = [&](const char *name, const QRect &place) {
        auto *b = new CaptionButton(pnlbg);
        b->setObjectName(QString::fromLatin1(name));
        const QString base = QString::fromLatin1(name);
        b->setPictures(m_pictures->load(base + QStringLiteral("_normal")),
                       m_pictures->load(base + QStringLiteral("_highlight")),
                       m_pictures->load(base + QStringLiteral("_down")));
        m_frameLayout->add(b, place, AnchorLayout::TopRight);
        return b;
    };
    img_close = caption("img_close", QRect(968, 0, 39, 20));
    img_max = caption("img_max", QRect(939, 0, 28, 20));
    img_max->setAlternatePictures(m_pictures->load(QStringLiteral("img_restore_normal")),
                                  m_pictures->load(QStringLiteral("img_restore_highlight")),
                                  m_pictures->load(QStringLiteral("img_restore_down")));
    img_mini = caption("img_mini", QRect(911, 0, 28, 20));
    for (CaptionButton *b : {img_close, img_max, img_mini}) {
        const auto othersRest = [this, b] {
            for (CaptionButton *other : {img_close, img_max, img_mini})
                if (other != b) other->rest();
        };
        connect(b, &CaptionButton::highlighted, this, othersRest);
        connect(b, &CaptionButton::pressedDown, this, othersRest);
    }
    connect(img_close, &CaptionButton::clicked, this, [this] { closeButtonAction(); });
    connect(img_max, &CaptionButton::clicked, this, &TMainForm::sizeToggle);
    connect(img_mini, &CaptionButton::clicked, this, &TMainForm::minimise);
}

void TMainForm::buildPageArea() {
    shpMainBorder = new QFrame(pnlbg);
    shpMainBorder->setObjectName(QStringLiteral("shpMainBorder"));
    shpMainBorder->setStyleSheet(
        QStringLiteral("QFrame#shpMainBorder { border: 1px solid %1; }").arg(rgb(kBorderColour)));
    m_frameLayout->add(shpMainBorder, QRect(4, 111, 793, 566), AnchorLayout::All);

    PanelCanlender = new QWidget(pnlbg);
    PanelCanlender->setObjectName(QStringLiteral("PanelCanlender"));
    m_frameLayout->add(PanelCanlender, QRect(6, 112, 790, 564), AnchorLayout::All);
    auto *layout = new QVBoxLayout(PanelCanlender);
    layout->setContentsMargins(0, 0, 0, 0);
    PageControl1 = new QStackedWidget(PanelCanlender);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    layout->addWidget(PageControl1);

    const auto placeholder = [this](const char *name) {
        auto *page = new QWidget(PageControl1);
        page->setObjectName(QString::fromLatin1(name));
        fill(page, Qt::white);
        page->setEnabled(false);
        return page;
    };
    tsTaiLi = placeholder("tsTaiLi");
    tsJiShi = placeholder("tsJiShi");
    tsYearjishi = placeholder("tsYearjishi");
    tsRili = placeholder("tsRili");
    for (QWidget *page : {tsTaiLi, tsJiShi, tsYearjishi, tsRili}) PageControl1->addWidget(page);
}

void TMainForm::buildSidePanel() {
    PanelAttach = new QFrame(pnlbg);
    PanelAttach->setObjectName(QStringLiteral("PanelAttach"));
    PanelAttach->setStyleSheet(
        QStringLiteral("QFrame#PanelAttach { border: 1px solid %1; background: white; }")
            .arg(rgb(kBorderColour)));
    m_frameLayout->add(PanelAttach, QRect(801, 110, 202, 568), AnchorLayout::TopRightBottom);
    m_sideLayout = new AnchorLayout(PanelAttach, QSize(202, 568));

    Panel4 = new PictureLabel(PanelAttach);
    Panel4->setObjectName(QStringLiteral("Panel4"));
    Panel4->setPicture(m_pictures->image(QStringLiteral("side_header")));
    Panel4->setStretched(true);
    Panel4->setFallbackColor(QColor(220, 236, 248));
    m_sideLayout->add(Panel4, QRect(1, 1, 200, 24), AnchorLayout::TopLeftRight);

    Panelweblink = new QWidget(PanelAttach);
    Panelweblink->setObjectName(QStringLiteral("Panelweblink"));
    fill(Panelweblink, Qt::white);
    m_sideLayout->add(Panelweblink, QRect(1, 26, 200, 539), AnchorLayout::All);
    auto *webLayout = new QVBoxLayout(Panelweblink);
    webLayout->setContentsMargins(0, 0, 0, 0);
    webLink = new QTextBrowser(Panelweblink);
    webLink->setObjectName(QStringLiteral("webLink"));
    webLink->setFrameShape(QFrame::NoFrame);
    webLink->setOpenLinks(false);
    webLink->setFocusPolicy(Qt::NoFocus);
    webLink->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    webLink->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Right-clicking the web panel shows no menu.
    webLink->setContextMenuPolicy(Qt::NoContextMenu);
    webLink->viewport()->setContextMenuPolicy(Qt::NoContextMenu);
    webLayout->addWidget(webLink);
    connect(webLink, &QTextBrowser::anchorClicked, this,
            [this](const QUrl &url) { showPage(webLink->source().resolved(url)); });

    Panel2 = new MemoPanel(m_context, PanelAttach);
    m_sideLayout->add(Panel2, QRect(1, 232, 200, 335), AnchorLayout::All);
    Panel2->hide();
}

// ---- pages ----------------------------------------------------------------------------------

void TMainForm::registerPages() {
    registerPage<AnnualNotesPage>(
        spdRili, tsYearjishi, [this] { return new AnnualNotesPage(m_context); }, false);
    registerPage<DesktopMonthPage>(
        SpeedButton2, tsTaiLi, [this] { return new DesktopMonthPage(m_context); }, true);
    registerPage<SheetPage>(
        btnYiban, tsJiShi,
        [this] { return new SheetPage(SheetPage::Config::general(), m_context); }, false);
    registerPage<SheetPage>(
        btnRili, tsRili, [this] { return new SheetPage(SheetPage::Config::calendar(), m_context); },
        false);
}

void TMainForm::enablePageButton(std::size_t entry) {
    const PageEntry &e = m_pageEntries[entry];
    e.sheet->setEnabled(true);
    e.button->setEnabled(true);
    connect(e.button, &QAbstractButton::clicked, this,
            [this, entry] { openPage(buildPage(m_pageEntries[entry])); });
}

NotePage *TMainForm::buildPage(PageEntry &entry) {
    if (entry.page) return entry.page;
    NotePage *page = entry.make();
    entry.page = page;
    auto *layout = new QVBoxLayout(entry.sheet);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(page);
    page->setDateSource([this] { return ChnCalendar1->DateTime().date(); });
    if (QWidget *side = page->sidePanel()) {
        side->setParent(PanelAttach);
        m_sideLayout->add(side, QRect(1, 232, 200, 335), AnchorLayout::All);
        side->hide();
    }
    // Until the store opens (openStore() tells every built page), a page takes no typing.
    page->setReadOnly(isReadOnly());
    page->show();
    if (m_shown) page->firstShow();
    return page;
}

NotePage *TMainForm::pageOfButton(const QAbstractButton *button) {
    for (PageEntry &e : m_pageEntries)
        if (e.button == button) return buildPage(e);
    return nullptr;
}

std::vector<NotePage *> TMainForm::builtPages() const {
    std::vector<NotePage *> pages;
    for (const PageEntry &e : m_pageEntries)
        if (e.page) pages.push_back(e.page);
    return pages;
}

DesktopMonthPage *TMainForm::monthPage() const {
    for (NotePage *p : builtPages())
        if (auto *month = qobject_cast<DesktopMonthPage *>(p)) return month;
    return nullptr;
}

QWidget *TMainForm::dayPlanPanel() const {
    const DesktopMonthPage *month = monthPage();
    return month ? month->sidePanel() : nullptr;
}

void TMainForm::buildSystemMenu() {
    popSysset = new QMenu(this);
    popSysset->setObjectName(QStringLiteral("popSysset"));
    const auto item = [this](const char *name, const QString &caption) {
        QAction *a = popSysset->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    N_SetFrmSize = item("N_SetFrmSize", QStringLiteral("设置界面大小"));
    N_SetDeskTopBG = item("N_SetDeskTopBG", QStringLiteral("设为桌面背景"));
    popSysset->addSeparator()->setObjectName(QStringLiteral("N10"));
    N_NoteToTxt = item("N_NoteToTxt", QStringLiteral("内容导出"));
    N4 = item("N4", QStringLiteral("密码设置"));
    popSysset->addSeparator()->setObjectName(QStringLiteral("N8"));
    N5 = item("N5", QStringLiteral("帮助说明"));
    N7 = item("N7", QStringLiteral("意见反馈"));
    N_ExitPrj = item("N_ExitPrj", QStringLiteral("退出程序"));

    // The two dialogs are attached at start-up (and made on first use).
    for (QAction *a : {N_SetFrmSize, N_SetDeskTopBG, N4}) a->setEnabled(false);
    connect(N_SetFrmSize, &QAction::triggered, this, [this] {
        if (!m_sizeDialog && m_makeSizeDialog) m_sizeDialog = m_makeSizeDialog();
        if (!m_sizeDialog) return;
        m_sizeDialog->show();
        m_sizeDialog->raise();
        m_sizeDialog->activateWindow();
    });
    connect(N_SetDeskTopBG, &QAction::triggered, this, &TMainForm::N_SetDeskTopBGClick);
    connect(N_NoteToTxt, &QAction::triggered, this, &TMainForm::N_NoteToTxtClick);
    connect(N4, &QAction::triggered, this, [this] {
        if (!m_passwordDialog && m_makePasswordDialog) m_passwordDialog = m_makePasswordDialog();
        if (m_passwordDialog) m_passwordDialog->exec();
    });
    connect(N5, &QAction::triggered, this, [this] { openWebPage(QStringLiteral("help.html")); });
    connect(N7, &QAction::triggered, this,
            [this] { openWebPage(QStringLiteral("feedback.html")); });
    connect(N_ExitPrj, &QAction::triggered, this, &TMainForm::exitAction);
}

// ---- wallpaper --------------------------------------------------------------------------------

void TMainForm::N_SetDeskTopBGClick() {
    if (!m_wallpaperDialog) return;
    const auto *month = qobject_cast<const DesktopMonthPage *>(m_activePage);
    const auto *sheet = qobject_cast<const SheetPage *>(m_activePage);
    if (sheet && sheet->config().keyedByMonth) {
        // The general notes page: its 42 lines as they stand, in the two-column layout.
        QStringList texts;
        for (int k = 0; k < sheet->cellCount(); ++k) texts << sheet->cellText(k);
        ContentCapture::CaptureNoteCells(m_wallpaperDialog->monthCons(), texts);
        if (m_wallpaperDialog->DrawNoteContent()) m_wallpaperDialog->openDialog();
        return;
    }
    if (!month) {
        // An old Content.bmp would show another month's notes: nothing opens.
        m_message(QStringLiteral("桌面背景由“桌面月历”页或“一般记事”页的内容生成，"
                                 "请先打开其中一页。"));
        return;
    }
    // The cells as they stand and the month the grid shows (not the picker's: the two differ
    // after a failed save or load).
    const MonthGridModel &grid = month->grid();
    QStringList texts;
    std::array<QDate, 42> dates;
    for (int k = 0; k < int(dates.size()); ++k) {
        texts << month->cellText(k).replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
        dates[k] = grid.cellDate(k);
    }
    ContentCapture::CaptureMonthCells(m_wallpaperDialog->monthCons(), texts, dates,
                                      grid.displayDate().month());
    if (m_wallpaperDialog->DrawMonthContent()) m_wallpaperDialog->openDialog();
}

// ---- first show -----------------------------------------------------------------------------

void TMainForm::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void TMainForm::FormShow() {
    if (m_background.valid()) imgBackGround->setPicture(m_background.get());
    activatePage(pageOfButton(SpeedButton2));
    placePicker();
    for (NotePage *page : builtPages()) page->firstShow();
    Panel2->LoadMemoList();
    Timer2->start();
    m_saveGate.open();
    const QRect screenRect = screenGeometry();
    move(FrameGeometry::reachable(FrameGeometry::openingPosition(m_settings, screenRect.size()),
                                  size(), screenRect));
    captionRest();
    setFocus(Qt::OtherFocusReason);
    emit firstShowFinished();
}

void TMainForm::Timer2Timer() {
    Timer2->stop();
    // Listing every installed face takes a while: after the first paint, unless the user
    // reached the list before.
    ccbFont->ensureFilled();
    SpeedButton2Click();
    tmrAutoSave->start();
}

void TMainForm::openStore(bool again) {
    const bool elsewhere = m_folderLock->state() == DataFolderLock::State::HeldElsewhere;
    QString notice;
    try {
        if (again)
            m_store.reconnect();
        else
            m_store.open(m_paths.databaseFile(), elsewhere ? NoteStore::OpenMode::ReadOnly
                                                           : NoteStore::OpenMode::OpenExisting);
        QStringList lines;
        if (elsewhere)
            lines << QStringLiteral("笔记文件夹 %1 已被另一个正在运行的本程序打开（也许在另一个"
                                    "会话中）。本窗口只能查看笔记，修改不会被保存。")
                         .arg(m_paths.db3Dir());
        else if (m_store.isReadOnly())
            lines << QStringLiteral(
                         "数据库 %1 不能写入（%2）。笔记以只读方式打开，修改不会被保存。")
                         .arg(m_store.databaseFile(), m_store.readOnlyReason());
        lines << m_store.shapeProblems();
        notice = lines.join(QLatin1Char('\n'));
    } catch (const StoreError &e) {
        // The real cause and the path, once; the pages stay quiet about a store that is closed.
        notice = e.message();
    }
    const bool readOnly = isReadOnly();
    for (NotePage *page : builtPages()) page->setReadOnly(readOnly);
    Panel2->setStoreWritable(!readOnly);
    if (notice == m_storeNotice) return;
    m_storeNotice = notice;
    if (!notice.isEmpty()) showError(notice);
}

void TMainForm::setPickerToToday() {
    const QDate today = QDate::currentDate();
    if (ChnCalendar1->DateTime().date() != today)
        ChnCalendar1->SetDateTime(QDateTime(today, QTime::currentTime()));
}

bool TMainForm::openPage(NotePage *page) {
    if (!page) return false;
    // Text typed on the page being left is written first; when that fails the user stays there
    // with the text and the message.
    if (m_activePage && !m_activePage->saveIfModified()) {
        activatePage(m_activePage);
        return false;
    }
    // A date change reloads the page still active, for today, before the switch.
    setPickerToToday();
    activatePage(page);
    return page->open();
}

bool TMainForm::SpeedButton2Click() {
    return openPage(pageOfButton(SpeedButton2));
}

void TMainForm::ChnCalendar1Change() {
    if (m_closing) return;
    // Reopens the file named at creation, so a database that could not be opened then (or at an
    // earlier change) gets another chance here.
    openStore(true);
    if (m_activePage) m_activePage->pickerDateChanged();
}

void TMainForm::activatePage(NotePage *page) {
    m_activePage = page;
    for (const PageEntry &e : m_pageEntries) {
        if (!page || e.page != page) continue;
        PageControl1->setCurrentWidget(e.sheet);
        e.button->setChecked(true);
    }
    for (NotePage *p : builtPages())
        if (p != page) p->setActive(false);
    if (page) page->setActive(true);
    setSidePanelFor(page);
}

void TMainForm::setSidePanelFor(const NotePage *page) {
    const SideControls controls = page ? page->sideControls() : SideControls();
    ChnCalendar1->setVisible(controls.pickerVisible);
    ChnCalendar1->setEnabled(controls.pickerEnabled);
    QWidget *own = page ? page->sidePanel() : nullptr;
    for (const NotePage *p : builtPages())
        if (QWidget *side = p->sidePanel(); side && side != own) side->hide();
    if (own) own->show();
    Panel2->setVisible(own == nullptr);
    ccbFont->setVisible(controls.fontLists);
    cbbFontSize->setVisible(controls.fontLists);
}

bool TMainForm::saveVisiblePage() {
    return !m_activePage || m_activePage->saveIfModified();
}

void TMainForm::N_NoteToTxtClick() {
    if (!m_activePage) return;
    if (const std::optional<ExportDocument> document = m_activePage->exportDocument())
        ExportController(*m_exportQuestions).run(*document);
}

void TMainForm::autoSave() {
    if (isLoading() || !m_activePage) return;
    // The user has been told about the failure; the next word is a save that works again.
    m_activePage->saveIfModified(!m_activePage->lastSaveFailed());
}

// ---- editing commands ---------------------------------------------------------------------

void TMainForm::btn3Click() {
    insertMark(CellCommands::TickMark);
}

void TMainForm::btn4Click() {
    insertMark(CellCommands::CrossMark);
}

void TMainForm::insertMark(QChar mark) {
    if (m_activePage) CellCommands::insertMark(m_activePage->focusedCell(), mark);
}

void TMainForm::img4Click() {
    if (!m_activePage) return;
    const QPointer<QWidget> cell = m_activePage->focusedCell();
    if (!cell || !CellCommands::takesColour(cell)) return;
    const QPointer<NotePage> page = m_activePage;
    const QColor colour = m_chooseColour(m_lastColour);
    if (!colour.isValid()) return;
    m_lastColour = colour;
    // The page or its cell may have gone while the dialog was open (the program ending).
    if (page && cell) page->setCellColour(cell, colour);
}

void TMainForm::ccbFontSelect() {
    applyFontChoice(true);
}

void TMainForm::cbbFontSizeSelect() {
    applyFontChoice(false);
}

void TMainForm::applyFontChoice(bool faceChosen) {
    if (!m_activePage) return;
    const FontTarget target = m_activePage->fontTarget();
    if (!target.box) return;
    const QString face = faceChosen || target.bothAttributes ? ccbFont->currentText() : QString();
    const int points =
        !faceChosen || target.bothAttributes ? cbbFontSize->currentText().toInt() : 0;
    CellCommands::applyFont(*target.box, m_lastSelection, face, points);
}

// ---- size and caption buttons ---------------------------------------------------------------

void TMainForm::placePicker() {
    const QRect lbl = m_frameLayout->designRect(lblSet);
    const QPoint at = FrameGeometry::pickerPlace(lbl, ChnCalendar1->size());
    m_frameLayout->setDesignRect(ChnCalendar1, QRect(at, ChnCalendar1->size()));
}

void TMainForm::captionRest() {
    for (CaptionButton *b : {img_close, img_max, img_mini}) b->rest();
    img_max->setUseAlternate(FrameGeometry::showsRestore(width(), screenSize().width()));
}

void TMainForm::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    img_max->setUseAlternate(FrameGeometry::showsRestore(width(), screenSize().width()));
}

bool TMainForm::applySize(const QSize &size) {
    if (!size.isValid()) return false;
    m_settings.width = size.width();
    m_settings.height = size.height();
    resize(size);
    move(FrameGeometry::centred(size, screenSize()));
    placePicker();
    captionRest();
    return true;
}

void TMainForm::sizeToggle() {
    saveVisiblePage();
    img_close->rest();
    const QSize target = FrameGeometry::toggledSize(
        width(), QSize(m_settings.width, m_settings.height), screenSize());
    resize(target);
    move(FrameGeometry::centred(target, screenSize()));
    placePicker();
    // The rest picture follows the new width, not the one the resize event may not have
    // delivered yet.
    for (CaptionButton *b : {img_close, img_max, img_mini}) b->rest();
    img_max->setUseAlternate(FrameGeometry::showsRestore(target.width(), screenSize().width()));
}

void TMainForm::minimise() {
    if (m_activePage) {
        saveVisiblePage();
        m_activePage->windowMinimised();
    }
    // The window stays mapped as minimised (not hidden), so the task bar keeps a way back.
    setWindowState((windowState() & ~Qt::WindowActive) | Qt::WindowMinimized);
    captionRest();
}

void TMainForm::AppEvent1Restore() {
    if (m_activePage) m_activePage->windowRestored();
}

void TMainForm::changeEvent(QEvent *event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange) return;
    const auto *change = static_cast<QWindowStateChangeEvent *>(event);
    if ((change->oldState() & Qt::WindowMinimized) && !(windowState() & Qt::WindowMinimized))
        AppEvent1Restore();
}

// ---- closing --------------------------------------------------------------------------------

bool TMainForm::endProgram(bool writeSettings) {
    if (m_closing) return true;
    if (writeSettings) {
        m_settings.left = x();
        m_settings.top = y();
        FormIni(m_paths.formIniFile()).write(m_settings, width(), screenSize().width());
    }
    tmrAutoSave->stop();
    const auto keepOpen = [this] {
        if (Timer2 && !Timer2->isActive()) tmrAutoSave->start();
        return false;
    };
    // One question instead of the page's own failure box; memo lines whose write failed while
    // typing get a last chance too.
    const bool memoWritten = Panel2->writePending(false);
    if (memoWritten && (!m_activePage || m_activePage->saveIfModified(false))) {
        finish();
        return true;
    }
    const bool pageFailed = m_activePage && m_activePage->lastSaveFailed();
    const QString cause = !memoWritten && !pageFailed ? QStringLiteral("备忘录未能写入数据库")
                          : pageFailed                ? m_activePage->lastSaveError()
                                                      : QString();
    const QString question =
        QStringLiteral(
            "笔记未能保存：%1\n\n选“退出”，未保存的笔记会先写入一个恢复文件（在 %2 中）；"
            "选“保留窗口”，笔记留在窗口中，可以稍后再保存。")
            .arg(cause.isEmpty() ? QStringLiteral("保存尚未完成") : cause,
                 recoveryFolders().value(0));
    if (!m_askQuit(question)) return keepOpen();
    QString path, error;
    if (!RecoveryFile::write(recoveryFolders(), unsavedCells(), m_store.databaseFile(), path,
                             error)) {
        showError(
            QStringLiteral("无法写入恢复文件，窗口保持打开，笔记仍在窗口中：\n%1").arg(error));
        return keepOpen();
    }
    finish();
    return true;
}

void TMainForm::terminate() {
    if (m_closing) return;
    tmrAutoSave->stop();
    // A save still waiting in its failure box is not a success: its text goes to the file.
    Panel2->writePending(false);
    const bool saved = !m_activePage || m_activePage->saveIfModified(false);
    const QList<UnsavedCell> cells = unsavedCells();
    if (!saved || !cells.isEmpty()) {
        QString path, error;
        if (!RecoveryFile::write(recoveryFolders(), cells, m_store.databaseFile(), path, error))
            qWarning("%s", qPrintable(QStringLiteral("无法写入恢复文件：%1").arg(error)));
    }
    finish();
}

void TMainForm::finish() {
    m_saveGate.close();
    m_closing = true;
    tmrAutoSave->stop();
    m_quit();
}

QList<UnsavedCell> TMainForm::unsavedCells() const {
    QList<UnsavedCell> cells;
    for (const NotePage *page : builtPages()) cells << page->unsavedCells();
    cells << Panel2->unsavedCells();
    return cells;
}

QStringList TMainForm::recoveryFolders() const {
    return {m_paths.db3Dir(), AppPaths::userDataRoot() + QStringLiteral("/recovery")};
}

void TMainForm::announceRecoveryFiles() {
    QStringList files;
    for (const QString &folder : recoveryFolders()) files << RecoveryFile::claim(folder);
    if (files.isEmpty()) return;
    showError(QStringLiteral(
                  "上次结束时未能保存的笔记已写入：\n%1\n请打开该文件，把需要的内容抄回记事中。")
                  .arg(files.join(QLatin1Char('\n'))));
}

bool TMainForm::closeButtonAction() {
    img_close->rest();
    return endProgram(true);
}

bool TMainForm::escapeAction() {
    return endProgram(false);
}

void TMainForm::exitAction() {
    finish();
}

void TMainForm::keyPressEvent(QKeyEvent *event) {
    const QWidget *focus = QApplication::focusWidget();
    if (event->key() == Qt::Key_Escape && (focus == nullptr || focus == this)) {
        escapeAction();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TMainForm::mousePressEvent(QMouseEvent *event) {
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

void TMainForm::closeEvent(QCloseEvent *event) {
    // Closed by the window system (a key of the desktop, the session ending): the notes are
    // saved as by Escape; a failed save keeps the window.
    if (m_closing || escapeAction())
        event->accept();
    else
        event->ignore();
}

bool TMainForm::eventFilter(QObject *watched, QEvent *event) {
    if (watched == lblSet && event->type() == QEvent::MouseButtonPress) {
        popSysset->popup(lblSet->mapToGlobal(QPoint(0, lblSet->height())));
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// ---- helpers --------------------------------------------------------------------------------

void TMainForm::showError(const QString &text) {
    m_message(text);
}

bool TMainForm::isLoading() const {
    if (m_holdAutoSave || (Panel2 && Panel2->document()->isLoading())) return true;
    for (const NotePage *page : builtPages())
        if (page->document()->isLoading()) return true;
    return false;
}

void TMainForm::openWebPage(const QString &name) {
    const QString path = m_pictures->webPage(name);
    if (!QFileInfo::exists(path))
        showError(QStringLiteral("无法打开页面 %1").arg(path));
    else
        showPage(QUrl::fromLocalFile(path));
}

void TMainForm::showPage(const QUrl &url) {
    if (m_openUrl(url)) return;
    // Without a browser a local page can still be read, in the web panel.
    if (!url.isLocalFile()) {
        showError(QStringLiteral("没有找到打开网页的程序, 无法打开 %1").arg(url.toString()));
        return;
    }
    webLink->setSource(url);
    showError(QStringLiteral("没有找到打开网页的程序, 页面显示在右边的网页面板中。"));
}
