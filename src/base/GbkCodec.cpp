#include "base/GbkCodec.h"

#include "base/IconvCache.h"

#include <vector>

namespace {

// Runs one whole conversion; false on any invalid or unrepresentable character.
bool convert(const char *to, const char *from, const QByteArray &in, QByteArray &out) {
    const iconv_t cd = IconvCache::converter(to, from);
    if (cd == IconvCache::invalid()) return false;
    std::vector<char> buffer(static_cast<size_t>(in.size()) * 4 + 16);
    char *inPtr = const_cast<char *>(in.constData());
    size_t inLeft = static_cast<size_t>(in.size());
    char *outPtr = buffer.data();
    size_t outLeft = buffer.size();
    bool ok = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1);
    // Flush any shift state; GBK has none, but the call is cheap and correct.
    if (ok) ok = iconv(cd, nullptr, nullptr, &outPtr, &outLeft) != static_cast<size_t>(-1);
    if (!ok || inLeft != 0) return false;
    out = QByteArray(buffer.data(), static_cast<qsizetype>(buffer.size() - outLeft));
    return true;
}

// True when every byte above 0x7F leads a two-byte character, as strict GBK has them; glibc's
// "GBK" and "CP936" both write the euro sign as the lone byte 0x80.
bool isStrictGbk(const QByteArray &bytes) {
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) continue;
        if (b == 0x80 || b == 0xff || i + 1 == bytes.size()) return false;
        ++i;
    }
    return true;
}

} // namespace

// Code page 936 as Windows writes it: GBK plus the euro sign at 0x80.
constexpr char kCodePage[] = "CP936";

bool GbkCodec::decode(const QByteArray &bytes, QString &text) {
    QByteArray utf8;
    if (!convert("UTF-8", kCodePage, bytes, utf8)) return false;
    text = QString::fromUtf8(utf8);
    return true;
}

bool GbkCodec::encode(const QString &text, QByteArray &bytes, Table table) {
    // UTF-8 conversion would turn a lone surrogate into '?' silently.
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            return false;
    }
    QByteArray out;
    if (!convert(kCodePage, "UTF-8", text.toUtf8(), out)) return false;
    if (table == Table::Strict && !isStrictGbk(out)) return false;
    bytes = out;
    return true;
}

QByteArray GbkCodec::encodeReplacing(const QString &text, char replacement, bool *replaced,
                                     Table table) {
    QByteArray bytes;
    if (replaced) *replaced = false;
    if (encode(text, bytes, table)) return bytes;
    bytes.clear();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2
                                                                                             : 1;
        QByteArray one;
        if (encode(text.mid(i, length), one, table)) {
            bytes += one;
        } else {
            bytes += replacement;
            if (replaced) *replaced = true;
        }
        i += length - 1;
    }
    return bytes;
}

int GbkCodec::byteLength(QStringView text) {
    int bytes = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].unicode() < 0x80) {
            bytes += 1;
        } else if (text[i].isHighSurrogate() && i + 1 < text.size() &&
                   text[i + 1].isLowSurrogate()) {
            bytes += 4;
            ++i;
        } else {
            bytes += 2;
        }
    }
    return bytes;
}
