#include "app/Startup.h"

#include "app/BackupController.h"
#include "app/FramePictures.h"
#include "app/TFrmSetFrm.h"
#include "app/TMainForm.h"
#include "base/AppIdentity.h"
#include "lock/LoginFile.h"
#include "lock_ui/LoginGate.h"
#include "lock_ui/PasswordSettingsDialog.h"
#include "platform/FontConfigWarmUp.h"
#include "platform/FontSubstitutes.h"
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
#include <QMessageBox>
#include <future>
#include <memory>
#include <optional>

namespace {
void errorBox(const QString &text) {
    QMessageBox::critical(nullptr, QString::fromUtf8(AppIdentity::kAppTitle), text);
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

    TMainForm mainForm(paths, {}, nullptr, prepareStore);
    if (checkError) {
        errorBox(*checkError);
        return 1;
    }
    WindowClass::assign(&mainForm, QString::fromLatin1(AppIdentity::kWindowClass));
    mainForm.setWindowIconText(QString::fromUtf8(AppIdentity::kAppTitle));
    if (gate) gate->setWindowIconText(QString::fromUtf8(AppIdentity::kAppTitle));
    // The dialogs are made when first asked for: start-up shows only the main window.
    mainForm.setPasswordDialogMaker([&mainForm, file = paths.loginFile()] {
        return new PasswordSettingsDialog(file, &mainForm);
    });
    mainForm.setSizeDialogMaker([&mainForm, resources = paths.resourceDir()] {
        return new TFrmSetFrm([&mainForm] { return mainForm.settings().width; },
                              [&mainForm](const QSize &size) { return mainForm.applySize(size); },
                              resources, &mainForm);
    });
    auto *backups = new BackupController(paths, mainForm, damagedKeptAt, [](const QString &text) {
        QMessageBox::warning(nullptr, QString::fromUtf8(AppIdentity::kAppTitle), text);
    });
    mainForm.setWallpaperDialog(new WallpaperDialog(paths.wallpaperDir(), &mainForm));
    lines.clear();

    // The session ending or a kill from outside: what can be saved is saved, the rest goes to
    // a recovery file, and the program ends in every case.
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &mainForm,
                     [&mainForm] {
                         if (mainForm.firstShowDone())
                             mainForm.terminate();
                         else
                             QCoreApplication::quit(); // still at the gate: nothing to save
                     });

    // A second start: the gate while it waits for the password, else the main window once it
    // has been shown (never before the gate let it).
    QObject::connect(&instance, &SingleInstance::noticeReceived, &mainForm, [&gate, &mainForm] {
        if (gate && gate->isVisible())
            WindowActivation::bringToFront(gate.get());
        else if (mainForm.firstShowDone())
            WindowActivation::bringToFront(&mainForm);
    });

    const auto enter = [backups, &mainForm] {
        backups->beforeShow();
        mainForm.show();
    };
    if (gate) {
        QObject::connect(gate.get(), &LoginGate::loginAccepted, &mainForm, enter);
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
