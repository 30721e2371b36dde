#include "export/ExportFile.h"

#include "base/GbkCodec.h"

QString ExportFile::finalName(const QString &chosen, const QString &suffix) {
    if (chosen.endsWith(suffix, Qt::CaseInsensitive)) return chosen;
    return chosen + suffix;
}

bool ExportFile::fitsGbk(const QString &text) {
    QByteArray bytes;
    return GbkCodec::encode(text, bytes, GbkCodec::Table::Strict);
}

QByteArray ExportFile::encode(const QString &text, Encoding encoding) {
    if (encoding == Encoding::Utf8WithBom) return QByteArrayLiteral("\xEF\xBB\xBF") + text.toUtf8();
    return GbkCodec::encodeReplacing(text, '?', nullptr, GbkCodec::Table::Strict);
}
