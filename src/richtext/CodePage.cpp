#include "CodePage.h"

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

CodePage::CodePage(int codePage) : m_codePage(codePage) {}

CodePage::~CodePage() {
    if (m_toUnicode != invalid()) iconv_close(m_toUnicode);
    if (m_fromUnicode != invalid()) iconv_close(m_fromUnicode);
}

iconv_t CodePage::toUnicode() {
    if (!m_toOpened) {
        m_toOpened = true;
        m_toUnicode = iconv_open("UTF-16LE", iconvName(m_codePage).constData());
    }
    return m_toUnicode;
}

iconv_t CodePage::fromUnicode() {
    if (!m_fromOpened) {
        m_fromOpened = true;
        m_fromUnicode = iconv_open(iconvName(m_codePage).constData(), "UTF-16LE");
    }
    return m_fromUnicode;
}

QString CodePage::decode(const QByteArray &bytes) {
    if (bytes.isEmpty()) return {};
    if (isAscii(bytes) || toUnicode() == invalid()) {
        // Every supported code page keeps ASCII; an unknown one is read as Latin-1 so no byte
        // is lost.
        return QString::fromLatin1(bytes);
    }
    iconv(m_toUnicode, nullptr, nullptr, nullptr, nullptr);
    // No code page yields more UTF-16 units than bytes, and a bad byte becomes one U+FFFD.
    QString out(bytes.size(), Qt::Uninitialized);
    char *in = const_cast<char *>(bytes.constData());
    size_t inLeft = static_cast<size_t>(bytes.size());
    char *const outStart = reinterpret_cast<char *>(out.data());
    char *outPtr = outStart;
    size_t outLeft = static_cast<size_t>(out.size()) * 2;
    while (inLeft > 0) {
        if (iconv(m_toUnicode, &in, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1)) break;
        if (errno == E2BIG || outLeft < 2) break;
        // An invalid or truncated sequence: replace one byte and go on after it.
        const char16_t replacement = 0xFFFD;
        memcpy(outPtr, &replacement, 2);
        outPtr += 2;
        outLeft -= 2;
        ++in;
        --inLeft;
        iconv(m_toUnicode, nullptr, nullptr, nullptr, nullptr);
    }
    out.truncate(static_cast<int>((outPtr - outStart) / 2));
    return out;
}

QByteArray CodePage::encodeExact(const QString &character) {
    if (character.isEmpty() || fromUnicode() == invalid()) return {};
    iconv(m_fromUnicode, nullptr, nullptr, nullptr, nullptr);
    char buffer[16];
    char *in = reinterpret_cast<char *>(const_cast<QChar *>(character.constData()));
    size_t inLeft = static_cast<size_t>(character.size()) * 2;
    char *outPtr = buffer;
    size_t outLeft = sizeof buffer;
    if (iconv(m_fromUnicode, &in, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) ||
        inLeft != 0)
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
