#include "wallpaper/install/GSettingsWallpaper.h"

#include <QUrl>

namespace {
const QString kGsettings = QStringLiteral("gsettings");
}

QString GSettingsWallpaper::quoted(const QString &text) {
    QString out = QStringLiteral("'");
    for (const QChar c : text) {
        if (c == u'\\' || c == u'\'') out += QLatin1Char('\\');
        out += c;
    }
    return out + QLatin1Char('\'');
}

bool GSettingsWallpaper::setKey(const QString &schema, const QString &key, const QString &value,
                                QString *error) const {
    const auto r = m_runner.run(kGsettings, {QStringLiteral("set"), schema, key, quoted(value)});
    if (!r.ok && error) *error = r.error;
    return r.ok;
}

bool GSettingsWallpaper::set(DesktopKind desktop, const QString &path, QString *error) const {
    QString schema;
    QStringList keys;
    QString value = QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
    switch (desktop) {
    case DesktopKind::Gnome:
        schema = QStringLiteral("org.gnome.desktop.background");
        keys = {QStringLiteral("picture-uri")};
        break;
    case DesktopKind::Cinnamon:
        schema = QStringLiteral("org.cinnamon.desktop.background");
        keys = {QStringLiteral("picture-uri")};
        break;
    case DesktopKind::Mate:
        schema = QStringLiteral("org.mate.background");
        keys = {QStringLiteral("picture-filename")};
        value = path;
        break;
    default:
        if (error) *error = QStringLiteral("gsettings: not a gsettings desktop");
        return false;
    }

    const auto listed = m_runner.run(kGsettings, {QStringLiteral("list-keys"), schema});
    if (!listed.ok) {
        if (error) *error = listed.error;
        return false;
    }
    const QStringList schemaKeys = QString::fromUtf8(listed.output).split(QLatin1Char('\n'));
    if (desktop == DesktopKind::Gnome && schemaKeys.contains(QStringLiteral("picture-uri-dark")))
        keys << QStringLiteral("picture-uri-dark");

    for (const QString &key : keys)
        if (!setKey(schema, key, value, error)) return false;

    if (schemaKeys.contains(QStringLiteral("picture-options"))) {
        const auto options = m_runner.run(
            kGsettings, {QStringLiteral("get"), schema, QStringLiteral("picture-options")});
        if (options.ok && options.output.trimmed() == "'none'")
            return setKey(schema, QStringLiteral("picture-options"), QStringLiteral("zoom"), error);
    }
    return true;
}
