#include "platform/WebPageOpener.h"

#include <QDesktopServices>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace {

QString program(const QString &name) {
    return QStandardPaths::findExecutable(name);
}

// What xdg-mime knows as the default application of the page's type; true also when it cannot
// tell (no xdg-mime, or it failed), as xdg-open may still find one.
bool xdgHasApplicationFor(const QUrl &url) {
    const QString xdgMime = program(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty()) return true;
    const QString type = url.isLocalFile()
                             ? QMimeDatabase().mimeTypeForFile(url.toLocalFile()).name()
                             : QStringLiteral("x-scheme-handler/") + url.scheme();
    QProcess query;
    query.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), type});
    if (!query.waitForFinished(3000)) {
        query.kill();
        query.waitForFinished();
        return true;
    }
    if (query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0) return true;
    return !query.readAllStandardOutput().trimmed().isEmpty();
}

} // namespace

QString WebPageOpener::browserProgram() {
    // $BROWSER may list several commands separated by colons; the first one found wins.
    for (const QString &entry : qEnvironmentVariable("BROWSER").split(':', Qt::SkipEmptyParts)) {
        const QString found = program(entry.section(' ', 0, 0, QString::SectionSkipEmpty));
        if (!found.isEmpty()) return found;
    }
    for (const char *name : {"x-www-browser", "firefox", "firefox-esr", "chromium", "google-chrome",
                             "epiphany", "konqueror", "falkon", "midori", "opera"}) {
        const QString found = program(QString::fromLatin1(name));
        if (!found.isEmpty()) return found;
    }
    return {};
}

bool WebPageOpener::hasProgramFor(const QUrl &url) {
    // Desktops that open pages their own way (KDE, GNOME) come with xdg-open as well.
    if (!program(QStringLiteral("xdg-open")).isEmpty() && xdgHasApplicationFor(url)) return true;
    return !browserProgram().isEmpty();
}

bool WebPageOpener::open(const QUrl &url) {
    if (!hasProgramFor(url)) return false;
    if (QDesktopServices::openUrl(url)) return true;
    // The toolkit hands local files only to a desktop's opener; a browser takes them as well.
    const QString browser = browserProgram();
    return !browser.isEmpty() && QProcess::startDetached(browser, {url.toString()});
}
