#include "app/Startup.h"

#include "app/BackupController.h"
#include "app/DialogPrompts.h"
#include "app/FramePictures.h"
#include "app/MainWindow.h"
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
#include <QDateTime>
#include <QIcon>
#include <future>
#include <memory>
#include <optional>

namespace {
void errorBox(const QString &text) {
    MessageBoxes::critical(nullptr, QString::fromUtf8(AppIdentity::kAppTitle), text);
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

    // A damaged note database is set aside before the main window opens it; what to do about
    // it is asked after the gate. The check runs on a thread of its own while the window is
    // built; the window waits for it right before it opens the database.
    std::future<QString> check = std::async(std::launch::async | std::launch::deferred, [paths] {
        return BackupController::checkBeforeOpen(paths, QDateTime::currentDateTime());
    });
    QString damagedKeptAt;
    std::optional<QString> checkError;
    const auto prepareStore = [&check, &damagedKeptAt, &checkError] {
        try {
            damagedKeptAt = check.get();
            return true;
        } catch (const StoreError &e) {
            checkError = e.message();
            return false;
        }
    };

    // With the gate on it is the first window; the main window waits hidden behind it.
    std::unique_ptr<LoginGate> gate;
    if (LoginFile::gateOn(lines)) gate = std::make_unique<LoginGate>(paths.loginFile());

    DialogPrompts prompts;
    MainWindow mainWindow(paths, prompts, standardPages(), prepareStore);
    prompts.setWindow(&mainWindow);
    if (checkError) {
        errorBox(*checkError);
        return 1;
    }
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
    auto *backups = new BackupController(
        paths, mainWindow.session(), &mainWindow, damagedKeptAt, [](const QString &text) {
            MessageBoxes::warning(nullptr, QString::fromUtf8(AppIdentity::kAppTitle), text);
        });
    mainWindow.attachBackups(*backups);
    QObject::connect(&mainWindow.session(), &NotesSession::finished, &app, &QCoreApplication::quit);
    mainWindow.setWallpaperDialog(new WallpaperDialog(paths.wallpaperDir(), &mainWindow));
    lines.clear();

    // The session ending or a kill from outside: what can be saved is saved, the rest goes to
    // a recovery file, and the program ends in every case.
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &mainWindow,
                     [&mainWindow] {
                         if (mainWindow.firstShowDone())
                             mainWindow.session().terminate();
                         else
                             QCoreApplication::quit(); // still at the gate: nothing to save
                     });

    // A second start: the gate while it waits for the password, else the main window once it
    // has been shown (never before the gate let it).
    QObject::connect(&instance, &SingleInstance::noticeReceived, &mainWindow, [&gate, &mainWindow] {
        if (gate && gate->isVisible())
            WindowActivation::bringToFront(gate.get());
        else if (mainWindow.firstShowDone())
            WindowActivation::bringToFront(&mainWindow);
    });

    const auto enter = [backups, &mainWindow] {
        backups->beforeShow();
        mainWindow.show();
    };
    if (gate) {
        QObject::connect(gate.get(), &LoginGate::loginAccepted, &mainWindow, enter);
        QObject::connect(gate.get(), &LoginGate::loginCancelled, &app, &QCoreApplication::quit,
                         Qt::QueuedConnection);
        gate->show();
    } else {
        enter();
    }
    const int code = app.exec();
    backups->atExit();
    return code;
}
