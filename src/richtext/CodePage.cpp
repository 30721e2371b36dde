#include "richtext/CodePage.h"

#include "base/IconvCache.h"

#include <cerrno>
#include <cstring>

namespace {

QByteArray iconvName(int codePage) {
    switch (codePage) {
    case 65001:
        return "UTF-8";
    case 10000:
        return "MACINTOSH";
    default:
        return "CP" + QByteArray::number(codePage);
    }
}

bool isAscii(const QByteArray &bytes) {
    for (const char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

} // namespace

CodePage::CodePage(int codePage) : m_codePage(codePage), m_name(iconvName(codePage)) {}

iconv_t CodePage::toUnicode() const {
    return IconvCache::converter("UTF-16LE", m_name.constData());
}

iconv_t CodePage::fromUnicode() const {
    return IconvCache::converter(m_name.constData(), "UTF-16LE");
}

QString CodePage::decode(const QByteArray &bytes) const {
    if (bytes.isEmpty()) return {};
    // Every supported code page keeps ASCII; an unknown one is read as Latin-1 so no byte is lost.
    if (isAscii(bytes)) return QString::fromLatin1(bytes);
    const iconv_t converter = toUnicode();
    if (converter == IconvCache::invalid()) return QString::fromLatin1(bytes);
    // No code page yields more UTF-16 units than bytes, and a bad byte becomes one U+FFFD.
    QString out(bytes.size(), Qt::Uninitialized);
    char *in = const_cast<char *>(bytes.constData());
    size_t inLeft = static_cast<size_t>(bytes.size());
    char *const outStart = reinterpret_cast<char *>(out.data());
    char *outPtr = outStart;
    size_t outLeft = static_cast<size_t>(out.size()) * 2;
    while (inLeft > 0) {
        if (iconv(converter, &in, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1)) break;
        if (errno == E2BIG || outLeft < 2) break;
        // An invalid or truncated sequence: replace one byte and go on after it.
        const char16_t replacement = 0xFFFD;
        memcpy(outPtr, &replacement, 2);
        outPtr += 2;
        outLeft -= 2;
        ++in;
        --inLeft;
        iconv(converter, nullptr, nullptr, nullptr, nullptr);
    }
    out.truncate(static_cast<int>((outPtr - outStart) / 2));
    return out;
}

QByteArray CodePage::encodeExact(const QString &character) const {
    if (character.isEmpty()) return {};
    const iconv_t converter = fromUnicode();
    if (converter == IconvCache::invalid()) return {};
    char buffer[16];
    char *in = reinterpret_cast<char *>(const_cast<QChar *>(character.constData()));
    size_t inLeft = static_cast<size_t>(character.size()) * 2;
    char *outPtr = buffer;
    size_t outLeft = sizeof buffer;
    if (iconv(converter, &in, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) || inLeft != 0)
        return {};
    const QByteArray bytes(buffer, static_cast<int>(outPtr - buffer));
    if (bytes.isEmpty() || decode(bytes) != character) return {};
    return bytes;
}

int CodePage::forCharset(int charset) {
    switch (charset) {
    case 0: // ANSI
    case 2: // symbol: its glyph codes are kept as Latin text
        return 1252;
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 130:
        return 1361;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 254:
    case 255:
        return 437;
    default:
        return 0;
    }
}
