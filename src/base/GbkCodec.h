#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// GBK (code page 936) conversion through iconv. Qt 6 built with ICU, as Debian's is, converts
// GBK too (QStringDecoder "GBK"), but it maps bytes GBK leaves unassigned (0xFF, the
// user-defined rows) to private-use characters without an error, where iconv refuses them.
class GbkCodec {
public:
    // Which characters an encoding takes.
    enum class Table {
        // As Windows writes code page 936: GBK and the euro sign as the single byte 0x80.
        CodePage936,
        // Only what strict GBK and GB18030 readers take (Python's "gbk", iconv -f GB18030):
        // no single byte above 0x7F, so no euro sign.
        Strict,
    };

    // False for bytes that are not valid GBK; `text` is only changed on success.
    static bool decode(const QByteArray &bytes, QString &text);
    // False when `text` holds a character that GBK (as `table` has it) cannot represent.
    static bool encode(const QString &text, QByteArray &bytes, Table table = Table::CodePage936);
    // Encodes what GBK can hold; every other character (a surrogate pair counts as one) becomes
    // `replacement`. `replaced` (when given) tells whether any did.
    static QByteArray encodeReplacing(const QString &text, char replacement = '?',
                                      bool *replaced = nullptr, Table table = Table::CodePage936);
    // Length of `text` as a code page 936 edit control counts it: 1 byte for ASCII, 4 for a
    // surrogate pair (GB18030's width), 2 for any other character.
    static int byteLength(QStringView text);
};
