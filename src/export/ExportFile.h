#pragma once

#include <QByteArray>
#include <QString>

// The export file's name and bytes.
class ExportFile {
public:
    enum class Encoding {
        Gbk,         // strict GBK, "?" for every character it cannot hold
        Utf8WithBom, // UTF-8 after a byte order mark, which editors on every system detect
    };

    // The name written for the name the user chose: `suffix` is appended unless the name already
    // ends in it, in any case ("abc.txt" and "abc.TXT" stay, "abc" becomes "abc.txt").
    static QString finalName(const QString &chosen, const QString &suffix = QStringLiteral(".txt"));

    // True when every character of `text` has a code in strict GBK: not the euro sign, which
    // Windows writes as 0x80 but GB18030 readers (Python, iconv, LibreOffice) reject.
    static bool fitsGbk(const QString &text);
    static QByteArray encode(const QString &text, Encoding encoding);
};
