#include "app/Startup.h"

#include "app/BackupController.h"
#include "app/DialogPrompts.h"
#include "app/FramePictures.h"
#include "app/MainWindow.h"
#include "app/QtTranslation.h"
#include "app/WindowSizeDialog.h"
#include "base/AppIdentity.h"
#include "lock/LoginFile.h"
#include "lock_ui/LoginGate.h"
#include "lock_ui/PasswordSettingsDialog.h"
#include "platform/FontConfigWarmUp.h"
#include "platform/FontSubstitutes.h"
#include "platform/MessageBoxes.h"
#include "platform/SingleInstance.h"
#include "platform/TerminationSignals.h"
#include "platform/WindowActivation.h"
#include "platform/WindowClass.h"
#include "store/AppPaths.h"
#include "store/StoreError.h"
#include "wallpaper_ui/WallpaperDialog.h"

#include <QApplication>
#include <QDialog>
#include <QIcon>
#include <QTimer>
#include <memory>

namespace {
void errorBox(const QString &text) {
    MessageBoxes::critical(nullptr, QString::fromUtf8(AppIdentity::kAppTitle), text);
}

// Boxes run event loops of their own, also outside the program's (before it starts and after it
// ended): each is closed as if unanswered.
void closeOpenBoxes() {
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows)
        if (auto *dialog = qobject_cast<QDialog *>(window); dialog && dialog->isVisible())
            dialog->reject();
}
} // namespace

int Startup::run(QApplication &app) {
    // The application title is the application's name, not a display name: the toolkit
    // appends a display name to every window title, while the name only stands in for it
    // (message box captions, the class of the windows other than the main window). The task
    // bar gets the title as the windows' icon name.
    QCoreApplication::setApplicationName(QString::fromUtf8(AppIdentity::kAppTitle));
    // Where windows carry it (Wayland), docks find the desktop entry and its name by this.
    QGuiApplication::setDesktopFileName(QString::fromLatin1(AppIdentity::kDesktopEntry));
    FontSubstitutes::install();
    QtTranslation::installChinese(app);

    // A running instance gets the notice and brings its window to the front; this start ends
    // before it reads or writes any file of the data folder.
    SingleInstance instance(QString::fromLatin1(AppIdentity::kWindowClass));
    switch (instance.claim()) {
    case SingleInstance::Role::Secondary:
        return 0;
    case SingleInstance::Role::Failed:
        errorBox(QStringLiteral("无法确认程序是否已在运行: %1").arg(instance.errorString()));
        return 1;
    case SingleInstance::Role::Primary:
        break;
    }
    // A second start ends above without a word on screen: only this one loads the fonts.
    const FontConfigWarmUp fontConfig;

    const AppPaths paths = AppPaths::detect(QCoreApplication::applicationDirPath());
    try {
        paths.ensureLayout();
    } catch (const StoreError &e) {
        errorBox(e.message());
        return 1;
    }

    const QIcon icon(FramePictures(paths.resourceDir()).load(QStringLiteral("app_icon")));
    if (!icon.isNull()) QApplication::setWindowIcon(icon);

    QStringList lines;
    QString error;
    if (!LoginFile::read(paths.loginFile(), lines, error) ||
        (LoginFile::gateOn(lines) &&
         !LoginFile::checkPasswordLine(paths.loginFile(), lines, error))) {
        errorBox(error);
        return 1;
    }

    // With the gate on it is the first window; the main window waits hidden behind it.
    std::unique_ptr<LoginGate> gate;
    if (LoginFile::gateOn(lines)) gate = std::make_unique<LoginGate>(paths.loginFile());

    // The whole note database is checked on a thread of its own while the window and the notes
    // show; a damaged file is asked about after the gate.
    DialogPrompts prompts;
    MainWindow mainWindow(paths, prompts, standardPages(), NotesSession::FileCheck::BeforeWrites);
    prompts.setWindow(&mainWindow);
    WindowClass::assign(&mainWindow, QString::fromLatin1(AppIdentity::kWindowClass));
    mainWindow.setWindowIconText(QString::fromUtf8(AppIdentity::kAppTitle));
    if (gate) gate->setWindowIconText(QString::fromUtf8(AppIdentity::kAppTitle));
    // The dialogs are made when first asked for: start-up shows only the main window.
    mainWindow.setPasswordDialogMaker([&mainWindow, file = paths.loginFile()] {
        return new PasswordSettingsDialog(file, &mainWindow);
    });
    mainWindow.setSizeDialogMaker([&mainWindow, resources = paths.resourceDir()] {
        return new WindowSizeDialog(
            [&mainWindow] { return mainWindow.settings().width; },
            [&mainWindow](const QSize &size) { return mainWindow.applySize(size); }, resources,
            &mainWindow);
    });
    auto *backups =
        new BackupController(paths, mainWindow.session(), &mainWindow, [](const QString &text) {
            MessageBoxes::warning(nullptr, QString::fromUtf8(AppIdentity::kAppTitle), text);
        });
    mainWindow.attachBackups(*backups);
    QObject::connect(&mainWindow.session(), &NotesSession::finished, &app, &QCoreApplication::quit);
    mainWindow.setWallpaperDialog(
        new WallpaperDialog(paths.wallpaperDir(), paths.shippedWallpaperDir(), &mainWindow));
    lines.clear();

    // The session ending or a kill from outside: what can be saved is saved, the rest goes to
    // a recovery file, and the program ends in every case, also from a box that waits for an
    // answer (the damaged-database question, a message at start or at the end): such a box
    // goes away unanswered, and what it asked about is left as it was.
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &app,
                     [&mainWindow, backups] {
                         backups->cancelCopies();
                         mainWindow.session().terminate();
                         closeOpenBoxes();
                     });

    // A second start: the gate while it waits for the password, else the main window once it
    // has been shown (never before the gate let it).
    QObject::connect(&instance, &SingleInstance::noticeReceived, &mainWindow, [&gate, &mainWindow] {
        if (gate && gate->isVisible())
            WindowActivation::bringToFront(gate.get());
        else if (mainWindow.firstShowDone() && !mainWindow.session().isClosing())
            WindowActivation::bringToFront(&mainWindow);
    });

    const auto enter = [backups, &mainWindow] {
        backups->allowQuestions();
        if (!mainWindow.session().isClosing()) mainWindow.show();
    };
    if (gate) {
        QObject::connect(gate.get(), &LoginGate::loginAccepted, &mainWindow, enter);
        QObject::connect(gate.get(), &LoginGate::loginCancelled, &app, &QCoreApplication::quit,
                         Qt::QueuedConnection);
        gate->show();
    } else {
        // Inside the event loop, so that an end asked for during a question ends it.
        QTimer::singleShot(0, &mainWindow, enter);
    }
    const int code = app.exec();
    backups->atExit();
    return code;
}
