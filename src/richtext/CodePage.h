#pragma once

#include <QByteArray>
#include <QString>

#include <iconv.h>

// Conversion between one Windows code page and Unicode through iconv (Qt 6.4 has no GBK).
// Bytes that do not decode become U+FFFD; characters that do not encode are reported.
class CodePage {
public:
    explicit CodePage(int codePage);
    ~CodePage();
    CodePage(const CodePage &) = delete;
    CodePage &operator=(const CodePage &) = delete;

    int number() const { return m_codePage; }

    QString decode(const QByteArray &bytes);
    // The bytes of one character (a BMP code unit or a surrogate pair), or empty when the
    // code page cannot represent it or would read it back as another character.
    QByteArray encodeExact(const QString &character);

    // The Windows code page of an RTF \fcharset value, or 0 when the charset names none.
    static int forCharset(int charset);

private:
    static iconv_t invalid() { return reinterpret_cast<iconv_t>(-1); }
    // Opened on first use: glibc unloads a converter module soon after its last user closes
    // it, so opening converters that are never used makes the ones in use load again.
    iconv_t toUnicode();
    iconv_t fromUnicode();

    int m_codePage;
    bool m_toOpened = false;
    bool m_fromOpened = false;
    iconv_t m_toUnicode = invalid();
    iconv_t m_fromUnicode = invalid();
};
