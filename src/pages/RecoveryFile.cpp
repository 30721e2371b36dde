#include "pages/RecoveryFile.h"

#include "base/AtomicFile.h"

#include <QDir>
#include <QFileInfo>

namespace {
const QString kUnsaved = QStringLiteral("unsaved-");
const QString kRecovered = QStringLiteral("recovered-");
} // namespace

QByteArray RecoveryFile::format(const QList<UnsavedCell> &cells, const QString &databaseFile,
                                const QDateTime &when) {
    QString out;
    out += QStringLiteral("Kestrova 未能保存的笔记，写于 %1\n")
               .arg(when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    out += QStringLiteral("数据库：%1\n").arg(databaseFile);
    out += QStringLiteral("每条笔记先是纯文本，后是 RTF 格式的原样内容。\n");
    for (const UnsavedCell &cell : cells) {
        QString title = cell.page + QLatin1Char(' ') + cell.date.toString(Qt::ISODate);
        if (!cell.place.isEmpty()) title += QLatin1Char(' ') + cell.place;
        out += QStringLiteral("\n===== %1 =====\n").arg(title);
        out += cell.text;
        if (!cell.text.endsWith(QLatin1Char('\n'))) out += QLatin1Char('\n');
        out += QStringLiteral("----- RTF -----\n");
        out += QString::fromUtf8(cell.rtf);
        if (!cell.rtf.endsWith('\n')) out += QLatin1Char('\n');
    }
    return out.toUtf8();
}

bool RecoveryFile::write(const QStringList &folders, const QList<UnsavedCell> &cells,
                         const QString &databaseFile, QString &path, QString &error) {
    const QDateTime now = QDateTime::currentDateTime();
    const QByteArray content = format(cells, databaseFile, now);
    QStringList reasons;
    for (const QString &folder : folders) {
        if (!QDir().mkpath(folder)) {
            reasons << QStringLiteral("%1：无法创建文件夹").arg(folder);
            continue;
        }
        const QString stamp = now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
        QString candidate = QDir(folder).filePath(kUnsaved + stamp + QStringLiteral(".txt"));
        for (int n = 2; QFileInfo::exists(candidate); ++n)
            candidate = QDir(folder).filePath(kUnsaved + stamp + QStringLiteral("-%1.txt").arg(n));
        QString reason;
        if (AtomicFile::write(candidate, content, &reason)) {
            path = candidate;
            return true;
        }
        reasons << QStringLiteral("%1：%2").arg(candidate, reason);
    }
    error = reasons.join(QLatin1Char('\n'));
    return false;
}

QStringList RecoveryFile::claim(const QString &folder) {
    QStringList claimed;
    const QDir dir(folder);
    // Filtered by hand: a name filter would load the regular expression engine at every start.
    const QStringList names = dir.entryList(QDir::Files, QDir::Name);
    for (const QString &name : names) {
        if (!name.startsWith(kUnsaved, Qt::CaseInsensitive) ||
            !name.endsWith(QStringLiteral(".txt"), Qt::CaseInsensitive))
            continue;
        const QString target = dir.filePath(kRecovered + name.mid(kUnsaved.size()));
        if (!QFileInfo::exists(target) && QFile::rename(dir.filePath(name), target))
            claimed << target;
        else
            claimed << dir.filePath(name);
    }
    return claimed;
}
