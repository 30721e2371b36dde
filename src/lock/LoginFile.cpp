#include "lock/LoginFile.h"

#include "base/AtomicFile.h"
#include "base/GbkCodec.h"
#include "lock/PasswordHash.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

QString LoginFile::defaultPath() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/DB3/loginstr.db");
}

QStringList LoginFile::splitLines(const QString &text) {
    QStringList lines;
    QString current;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c == u'\r' || c == u'\n') {
            lines.append(current);
            current.clear();
            if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n') ++i;
        } else {
            current.append(c);
        }
    }
    // A last line without terminator still counts; a final terminator adds no empty line.
    if (!current.isEmpty()) lines.append(current);
    return lines;
}

bool LoginFile::readLines(const QString &path, QStringList &lines, QString &error) {
    QFile file(path);
    if (!file.exists()) {
        error = QStringLiteral("无法读取密码文件 %1：文件不存在。").arg(path);
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("无法读取密码文件 %1：%2").arg(path, file.errorString());
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        error = QStringLiteral("无法读取密码文件 %1：%2").arg(path, file.errorString());
        return false;
    }
    QString text;
    if (!GbkCodec::decode(bytes, text)) {
        error = QStringLiteral("无法读取密码文件 %1：内容不是有效的 GBK 文本。").arg(path);
        return false;
    }
    lines = splitLines(text);
    return true;
}

bool LoginFile::read(const QString &path, QStringList &lines, QString &error) {
    QStringList read;
    if (!readLines(path, read, error)) return false;
    if (read.size() < 3) {
        error = QStringLiteral("无法读取密码文件 %1：文件只有 %2 行，应有 3 行。")
                    .arg(path)
                    .arg(read.size());
        return false;
    }
    lines = read;
    return true;
}

bool LoginFile::checkPasswordLine(const QString &path, const QStringList &lines, QString &error) {
    if (lines.isEmpty() || !PasswordHash::isDamagedHash(lines.at(0))) return true;
    error = QStringLiteral("密码文件 %1 已损坏：第 1 行保存的密码不完整或格式错误，"
                           "任何密码都无法通过。")
                .arg(path);
    return false;
}

bool LoginFile::gateOn(const QStringList &lines) {
    return lines.size() > 2 && lines.at(2) == QLatin1String(kGateOn);
}

bool LoginFile::encode(const QStringList &lines, QByteArray &bytes, QString &error) {
    QByteArray out;
    for (const QString &line : lines) {
        if (line.contains(u'\r') || line.contains(u'\n')) {
            error = QStringLiteral("密码文件的一行不能含有换行符。");
            return false;
        }
        QByteArray encoded;
        if (!GbkCodec::encode(line, encoded)) {
            error = QStringLiteral("密码文件的内容含有 GBK 无法表示的字符。");
            return false;
        }
        out += encoded;
        out += "\r\n";
    }
    bytes = out;
    return true;
}

bool LoginFile::write(const QString &path, const QStringList &lines, QString &error) {
    QByteArray bytes;
    QString encodeError;
    if (!encode(lines, bytes, encodeError)) {
        error = QStringLiteral("无法写入密码文件 %1：%2").arg(path, encodeError);
        return false;
    }
    // An atomic write renames a new file over the old one, which would replace even a file the
    // user marked read-only (and root may write anything): honour the mark ourselves.
    const QFileInfo info(path);
    if (info.exists() && !(info.permissions() & QFileDevice::WriteOwner)) {
        error = QStringLiteral("无法写入密码文件 %1：文件是只读的。").arg(path);
        return false;
    }
    QString writeError;
    if (!AtomicFile::write(path, bytes, &writeError, AtomicFile::Access::OwnerOnly)) {
        error = QStringLiteral("无法写入密码文件 %1：%2").arg(path, writeError);
        return false;
    }
    return true;
}
