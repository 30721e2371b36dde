#pragma once

#include <QByteArray>
#include <QString>

#include <iconv.h>

// Conversion between one Windows code page and Unicode through iconv. Qt with ICU knows these
// code pages too, but it turns unassigned bytes into private-use characters without a word;
// here bytes that do not decode become U+FFFD and characters that do not encode are reported.
// The converters are the thread's shared ones (IconvCache): a CodePage is cheap to make and
// must be used on the thread that made it.
class CodePage {
public:
    explicit CodePage(int codePage);

    int number() const { return m_codePage; }

    QString decode(const QByteArray &bytes) const;
    // The bytes of one character (a BMP code unit or a surrogate pair), or empty when the
    // code page cannot represent it or would read it back as another character.
    QByteArray encodeExact(const QString &character) const;

    // The Windows code page of an RTF \fcharset value, or 0 when the charset names none.
    static int forCharset(int charset);

private:
    // Each in its initial state.
    iconv_t toUnicode() const;
    iconv_t fromUnicode() const;

    int m_codePage;
    QByteArray m_name;
};
