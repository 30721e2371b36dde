#include "richtext/RtfWriter.h"

#include <QTextBlock>

namespace {

void appendHexBytes(QByteArray &out, const QByteArray &bytes) {
    static constexpr char hex[] = "0123456789abcdef";
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        out += "\\'";
        out += hex[b >> 4];
        out += hex[b & 15];
    }
}

// RTF sizes are half points; a document may give pixels instead, taken at 96 dots an inch.
int halfPointsOf(const QFont &font) {
    qreal points = font.pointSizeF();
    if (points <= 0 && font.pixelSize() > 0) points = font.pixelSize() * 0.75;
    if (points <= 0) points = 12;
    return qBound(1, qRound(points * 2), 3276);
}

const char *underlineWord(int style) {
    switch (style) {
    case QTextCharFormat::SingleUnderline:
        return "ul";
    case QTextCharFormat::DashUnderline:
        return "uldash";
    case QTextCharFormat::DotLine:
        return "uld";
    case QTextCharFormat::DashDotLine:
        return "uldashd";
    case QTextCharFormat::DashDotDotLine:
        return "uldashdd";
    case QTextCharFormat::WaveUnderline:
    case QTextCharFormat::SpellCheckUnderline:
        return "ulwave";
    default:
        return "ulnone";
    }
}

const char *alignmentWord(Qt::Alignment alignment) {
    if (alignment & Qt::AlignHCenter) return "qc";
    if (alignment & Qt::AlignJustify) return "qj";
    if (alignment & Qt::AlignRight) return "qr";
    return nullptr;
}

// Windows picks a face by its charset first: a Latin face marked GB2312 would be drawn in a
// Chinese one. So Chinese faces are marked 134 and the others ANSI (their Chinese text is in
// \uN anyway).
bool isChineseFace(const QString &family) {
    for (const QChar c : family)
        if (c.unicode() >= 0x80) return true;
    static const char *const chineseFaces[] = {
        "simsun", "simhei",  "kaiti",   "fangsong", "yahei",      "dengxian",  "lisu",  "youyuan",
        "stsong", "stkaiti", "stheiti", "stxihei",  "stfangsong", "wenquanyi", "cjk sc"};
    const QString lower = family.toLower();
    for (const char *face : chineseFaces)
        if (lower.contains(QLatin1String(face))) return true;
    return false;
}

} // namespace

QByteArray RtfWriter::write(const QTextDocument &doc) {
    m_body.clear();
    m_fonts.clear();
    m_chineseFaces.clear();
    m_gbkCache.clear();
    m_ansiCache.clear();
    m_colors.clear();
    m_current = CharStyle();
    m_needDelimiter = false;
    m_defaultFont = doc.defaultFont();
    fontIndex(m_defaultFont.family()); // \deff0

    m_body.reserve(256 + doc.characterCount() * 4);
    const char *alignment = "";
    bool first = true;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const char *blockAlignment = alignmentWord(block.blockFormat().alignment());
        if (!blockAlignment) blockAlignment = "";
        if (first || qstrcmp(blockAlignment, alignment) != 0) {
            // pandoc forgets \uc at \pard.
            controlWord("pard");
            controlWord("uc", 1);
            if (*blockAlignment) controlWord(blockAlignment);
            alignment = blockAlignment;
        }
        first = false;
        bool empty = true;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid() || fragment.length() == 0) continue;
            changeStyle(styleOf(fragment.charFormat()));
            writeText(fragment.text());
            empty = false;
        }
        // An empty line keeps its own size and font through the paragraph mark.
        if (empty) changeStyle(styleOf(block.charFormat()));
        controlWord("par");
        m_body += "\r\n";
        m_needDelimiter = false;
    }
    return header() + m_body + "}\r\n";
}

RtfWriter::CharStyle RtfWriter::styleOf(const QTextCharFormat &format) {
    const QFont font = format.font().resolve(m_defaultFont);
    CharStyle style;
    QString family = font.family();
    if (family.isEmpty()) family = m_defaultFont.family();
    style.font = fontIndex(family);
    style.halfPoints = halfPointsOf(font);
    style.bold = font.weight() >= QFont::DemiBold;
    style.italic = font.italic();
    style.strike = font.strikeOut();
    if (format.hasProperty(QTextFormat::TextUnderlineStyle))
        style.underline = format.underlineStyle();
    else
        style.underline =
            font.underline() ? QTextCharFormat::SingleUnderline : QTextCharFormat::NoUnderline;
    const QBrush foreground = format.foreground();
    if (foreground.style() != Qt::NoBrush) style.color = colorIndex(foreground.color());
    const QBrush background = format.background();
    if (background.style() != Qt::NoBrush) style.highlight = colorIndex(background.color());
    style.valign = format.verticalAlignment();
    return style;
}

int RtfWriter::fontIndex(const QString &family) {
    const int index = m_fonts.indexOf(family);
    if (index >= 0) return index;
    m_fonts.append(family);
    m_chineseFaces.append(isChineseFace(family));
    return m_fonts.size() - 1;
}

int RtfWriter::colorIndex(const QColor &color) {
    // Entry 0 of the table is the automatic colour, so real colours count from 1.
    const QRgb rgb = color.rgb() | 0xff000000u;
    const int index = m_colors.indexOf(rgb);
    if (index >= 0) return index + 1;
    m_colors.append(rgb);
    return m_colors.size();
}

void RtfWriter::changeStyle(const CharStyle &to) {
    CharStyle &from = m_current;
    if (to.font != from.font) {
        // The face for double-byte text too, or LibreOffice draws Chinese in its own
        // default Asian font; \loch last, so \f stays the face of the Latin text.
        controlWord("hich");
        controlWord("af", to.font);
        controlWord("dbch");
        controlWord("af", to.font);
        controlWord("loch");
        controlWord("f", to.font);
    }
    if (to.halfPoints != from.halfPoints) controlWord("fs", to.halfPoints);
    if (to.bold != from.bold) to.bold ? controlWord("b") : controlWord("b", 0);
    if (to.italic != from.italic) to.italic ? controlWord("i") : controlWord("i", 0);
    if (to.underline != from.underline) controlWord(underlineWord(to.underline));
    if (to.strike != from.strike) to.strike ? controlWord("strike") : controlWord("strike", 0);
    if (to.color != from.color) controlWord("cf", to.color);
    if (to.highlight != from.highlight) controlWord("highlight", to.highlight);
    if (to.valign != from.valign) {
        if (to.valign == QTextCharFormat::AlignSuperScript)
            controlWord("super");
        else if (to.valign == QTextCharFormat::AlignSubScript)
            controlWord("sub");
        else
            controlWord("nosupersub");
    }
    from = to;
}

void RtfWriter::writeText(const QString &text) {
    const int n = text.size();
    for (int i = 0; i < n; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c >= 0x20 && c < 0x7f) {
            if (c == '\\' || c == '{' || c == '}') {
                m_body += '\\';
                m_body += static_cast<char>(c);
                m_needDelimiter = false;
            } else {
                rawText(static_cast<char>(c));
            }
        } else if (c == '\t') {
            controlWord("tab");
        } else if (c == QChar::LineSeparator) {
            controlWord("line");
        } else if (c == QChar::Nbsp) {
            m_body += "\\~";
            m_needDelimiter = false;
        } else if (c == QChar::ObjectReplacementCharacter || c == 0) {
            // Embedded objects (pictures) are not kept in notes.
        } else if (QChar::isHighSurrogate(c) && i + 1 < n &&
                   QChar::isLowSurrogate(text.at(i + 1).unicode())) {
            writeUnicode(text.mid(i, 2));
            ++i;
        } else {
            writeUnicode(QString(QChar(c)));
        }
    }
}

void RtfWriter::writeUnicode(const QString &character) {
    // The fallback is in the code page of the font's charset: GBK for Chinese faces, 1252 else.
    const bool chinese = m_current.font >= 0 && m_chineseFaces.at(m_current.font);
    QHash<QString, QByteArray> &cache = chinese ? m_gbkCache : m_ansiCache;
    auto cached = cache.constFind(character);
    if (cached == cache.constEnd()) {
        // A pair outside the BMP is written as two \u words, each with its own fallback.
        CodePage &codePage = chinese ? m_gbk : m_ansi;
        QByteArray bytes = character.size() == 1 ? codePage.encodeExact(character) : "";
        // Readers that skip one token after \u whatever \uc says (unrtf) would show a trail
        // byte that is a character on its own (ASCII, or 0x80 for the euro sign); those
        // characters get '?' like the ones without bytes.
        if (bytes.size() > 1 && static_cast<unsigned char>(bytes.back()) <= 0x80) bytes.clear();
        cached = cache.insert(character, bytes);
    }
    const QByteArray &fallback = *cached;
    // \u takes a signed 16-bit number. The fallback '?' goes as \'3f: after a literal '?'
    // unrtf drops the rest of the word and pandoc the next character.
    if (fallback.size() > 1) {
        // \uc2 only inside the character's own group, so no reader has to keep it past a
        // \pard, and a reader that skips just one byte loses the lone trail byte at the '}'.
        m_body += "{\\uc" + QByteArray::number(fallback.size()) + "\\u" +
                  QByteArray::number(static_cast<int16_t>(character.at(0).unicode()));
        appendHexBytes(m_body, fallback);
        m_body += '}';
        m_needDelimiter = false;
        return;
    }
    for (const QChar unit : character) {
        controlWord("u", static_cast<int16_t>(unit.unicode()));
        appendHexBytes(m_body, fallback.isEmpty() ? QByteArray("?") : fallback);
        m_needDelimiter = false;
    }
}

void RtfWriter::controlWord(const char *word) {
    m_body += '\\';
    m_body += word;
    m_needDelimiter = true;
}

void RtfWriter::controlWord(const char *word, int parameter) {
    controlWord(word);
    m_body += QByteArray::number(parameter);
}

void RtfWriter::rawText(char c) {
    if (m_needDelimiter) {
        m_body += ' ';
        m_needDelimiter = false;
    }
    m_body += c;
}

QByteArray RtfWriter::header() {
    QByteArray out = "{\\rtf1\\ansi\\ansicpg936\\deff0\\deflang1033\\deflangfe2052{\\fonttbl";
    for (int i = 0; i < m_fonts.size(); ++i) {
        out += "{\\f" + QByteArray::number(i) +
               (m_chineseFaces.at(i) ? "\\fnil\\fcharset134 " : "\\fnil\\fcharset0 ");
        // Font names in GBK bytes as rich edit writes them; anything else as \uN.
        for (const QChar ch : m_fonts.at(i)) {
            const char16_t c = ch.unicode();
            if (c >= 0x20 && c < 0x7f && c != '\\' && c != '{' && c != '}' && c != ';') {
                out += static_cast<char>(c);
                continue;
            }
            const QByteArray bytes = m_gbk.encodeExact(QString(ch));
            const QByteArray encoded = bytes.isEmpty() && c < 0x80 ? QByteArray(1, char(c)) : bytes;
            if (encoded.isEmpty()) {
                out += "\\u" + QByteArray::number(static_cast<int16_t>(c)) + '?';
                continue;
            }
            appendHexBytes(out, encoded);
        }
        out += ";}";
    }
    out += "}\r\n";
    if (!m_colors.isEmpty()) {
        out += "{\\colortbl ;";
        for (const QRgb rgb : m_colors) {
            out += "\\red" + QByteArray::number(qRed(rgb)) + "\\green" +
                   QByteArray::number(qGreen(rgb)) + "\\blue" + QByteArray::number(qBlue(rgb)) +
                   ';';
        }
        out += "}\r\n";
    }
    out += "{\\*\\generator Kestrova richtext;}\\viewkind4\\uc1";
    // The body starts with a control word, so no delimiter is needed here.
    return out;
}
