#include "wallpaper/install/KdeWallpaper.h"

#include <QDBusMessage>
#include <QUrl>

QString KdeWallpaper::jsString(const QString &text) {
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'\\':
            out += QStringLiteral("\\\\");
            break;
        case u'"':
            out += QStringLiteral("\\\"");
            break;
        case u'\n':
            out += QStringLiteral("\\n");
            break;
        case u'\r':
            out += QStringLiteral("\\r");
            break;
        case 0x2028:
            out += QStringLiteral("\\u2028");
            break;
        case 0x2029:
            out += QStringLiteral("\\u2029");
            break;
        default:
            if (c.unicode() < 0x20)
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    return out + QLatin1Char('"');
}

QString KdeWallpaper::script(const QString &path) {
    const QString uri = QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
    return QStringLiteral(
               "var all = desktops();\n"
               "for (var i = 0; i < all.length; i++) {\n"
               "    var d = all[i];\n"
               "    d.wallpaperPlugin = \"org.kde.image\";\n"
               "    d.currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", \"General\"];\n"
               "    d.writeConfig(\"Image\", %1);\n"
               "}\n")
        .arg(jsString(uri));
}

bool KdeWallpaper::set(const QString &path, QString *error) const {
    QString why;
    if (m_bus.isConnected()) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.kde.plasmashell"), QStringLiteral("/PlasmaShell"),
            QStringLiteral("org.kde.PlasmaShell"), QStringLiteral("evaluateScript"));
        call << script(path);
        const QDBusMessage reply = m_bus.call(call, QDBus::Block, m_timeoutMs);
        if (reply.type() == QDBusMessage::ReplyMessage) return true;
        why = reply.errorMessage();
    } else {
        why = QStringLiteral("no session bus");
    }
    const auto r = m_runner.run(QStringLiteral("plasma-apply-wallpaperimage"), {path});
    if (r.ok) return true;
    if (error) *error = why + QStringLiteral("; ") + r.error;
    return false;
}
