#include "richtext/RtfReader.h"

#include <QTextBlockFormat>
#include <QTextCursor>

#include <algorithm>
#include <climits>
#include <unordered_map>

namespace {

// Groups nested deeper than this share the state of the deepest one; real documents stay far
// below it.
constexpr std::size_t kMaxDepth = 200;
constexpr int kMaxHalfPoints = 3276;

enum class Word {
    Par,
    Line,
    Tab,
    Char,
    Unicode,
    UnicodeSkip,
    Plain,
    Bold,
    Italic,
    AssociatedBold,
    AssociatedItalic,
    AssociatedFont,
    AssociatedFontSize,
    RunTypeWord,
    Underline,
    UnderlineStyle,
    Strike,
    Hidden,
    Font,
    FontSize,
    Color,
    Highlight,
    VAlign,
    Pard,
    Align,
    AnsiCodePage,
    CodePageWord,
    DefaultFont,
    Binary,
    FontCharset,
    FontCodePage,
    Red,
    Green,
    Blue,
    Utf8Rtf,
    FontTable,
    ColorTable,
    SkipDestination,
};

struct Entry {
    Word word;
    int value;
};

const std::unordered_map<std::string_view, Entry> &words() {
    static const std::unordered_map<std::string_view, Entry> table = {
        {"par", {Word::Par, 0}},
        {"sect", {Word::Par, 0}},
        {"page", {Word::Par, 0}},
        {"row", {Word::Par, 0}},
        {"nestrow", {Word::Par, 0}},
        {"line", {Word::Line, 0}},
        {"softline", {Word::Line, 0}},
        {"tab", {Word::Tab, 0}},
        {"cell", {Word::Tab, 0}},
        {"nestcell", {Word::Tab, 0}},
        {"emdash", {Word::Char, 0x2014}},
        {"endash", {Word::Char, 0x2013}},
        {"bullet", {Word::Char, 0x2022}},
        {"lquote", {Word::Char, 0x2018}},
        {"rquote", {Word::Char, 0x2019}},
        {"ldblquote", {Word::Char, 0x201c}},
        {"rdblquote", {Word::Char, 0x201d}},
        {"emspace", {Word::Char, 0x2003}},
        {"enspace", {Word::Char, 0x2002}},
        {"qmspace", {Word::Char, 0x2005}},
        {"zwbo", {Word::Char, 0x200b}},
        {"zwj", {Word::Char, 0x200d}},
        {"zwnj", {Word::Char, 0x200c}},
        {"ltrmark", {Word::Char, 0x200e}},
        {"rtlmark", {Word::Char, 0x200f}},
        {"u", {Word::Unicode, 0}},
        {"uc", {Word::UnicodeSkip, 0}},
        {"plain", {Word::Plain, 0}},
        {"b", {Word::Bold, 0}},
        {"i", {Word::Italic, 0}},
        {"ab", {Word::AssociatedBold, 0}},
        {"ai", {Word::AssociatedItalic, 0}},
        {"af", {Word::AssociatedFont, 0}},
        {"afs", {Word::AssociatedFontSize, 0}},
        {"dbch", {Word::RunTypeWord, 1}},
        {"loch", {Word::RunTypeWord, 0}},
        {"hich", {Word::RunTypeWord, 0}},
        {"rtlch", {Word::RunTypeWord, 0}},
        {"ltrch", {Word::RunTypeWord, 0}},
        {"ul", {Word::Underline, 0}},
        {"ulnone", {Word::UnderlineStyle, QTextCharFormat::NoUnderline}},
        {"uldb", {Word::UnderlineStyle, QTextCharFormat::SingleUnderline}},
        {"ulth", {Word::UnderlineStyle, QTextCharFormat::SingleUnderline}},
        {"ulw", {Word::UnderlineStyle, QTextCharFormat::SingleUnderline}},
        {"uld", {Word::UnderlineStyle, QTextCharFormat::DotLine}},
        {"ulthd", {Word::UnderlineStyle, QTextCharFormat::DotLine}},
        {"uldash", {Word::UnderlineStyle, QTextCharFormat::DashUnderline}},
        {"ulldash", {Word::UnderlineStyle, QTextCharFormat::DashUnderline}},
        {"ulthdash", {Word::UnderlineStyle, QTextCharFormat::DashUnderline}},
        {"uldashd", {Word::UnderlineStyle, QTextCharFormat::DashDotLine}},
        {"ulthdashd", {Word::UnderlineStyle, QTextCharFormat::DashDotLine}},
        {"uldashdd", {Word::UnderlineStyle, QTextCharFormat::DashDotDotLine}},
        {"ulthdashdd", {Word::UnderlineStyle, QTextCharFormat::DashDotDotLine}},
        {"ulwave", {Word::UnderlineStyle, QTextCharFormat::WaveUnderline}},
        {"ulhwave", {Word::UnderlineStyle, QTextCharFormat::WaveUnderline}},
        {"ululdbwave", {Word::UnderlineStyle, QTextCharFormat::WaveUnderline}},
        {"strike", {Word::Strike, 0}},
        {"striked", {Word::Strike, 0}},
        {"v", {Word::Hidden, 0}},
        {"f", {Word::Font, 0}},
        {"fs", {Word::FontSize, 0}},
        {"cf", {Word::Color, 0}},
        {"highlight", {Word::Highlight, 0}},
        {"cb", {Word::Highlight, 0}},
        {"chcbpat", {Word::Highlight, 0}},
        {"super", {Word::VAlign, QTextCharFormat::AlignSuperScript}},
        {"sub", {Word::VAlign, QTextCharFormat::AlignSubScript}},
        {"nosupersub", {Word::VAlign, QTextCharFormat::AlignNormal}},
        {"pard", {Word::Pard, 0}},
        {"ql", {Word::Align, 0}},
        {"qc", {Word::Align, 1}},
        {"qr", {Word::Align, 2}},
        {"qj", {Word::Align, 3}},
        {"qd", {Word::Align, 3}},
        // \ansi alone means the writing system's ANSI code page: 936 on the Chinese Windows
        // systems these notes come from.
        {"ansi", {Word::CodePageWord, 936}},
        {"mac", {Word::CodePageWord, 10000}},
        {"pc", {Word::CodePageWord, 437}},
        {"pca", {Word::CodePageWord, 850}},
        {"ansicpg", {Word::AnsiCodePage, 0}},
        {"deff", {Word::DefaultFont, 0}},
        {"bin", {Word::Binary, 0}},
        {"fcharset", {Word::FontCharset, 0}},
        {"cpg", {Word::FontCodePage, 0}},
        {"red", {Word::Red, 0}},
        {"green", {Word::Green, 0}},
        {"blue", {Word::Blue, 0}},
        {"urtf", {Word::Utf8Rtf, 0}},
        {"fonttbl", {Word::FontTable, 0}},
        {"colortbl", {Word::ColorTable, 0}},
        // Destinations whose content is not note text.
        {"stylesheet", {Word::SkipDestination, 0}},
        {"info", {Word::SkipDestination, 0}},
        {"pict", {Word::SkipDestination, 0}},
        {"object", {Word::SkipDestination, 0}},
        {"nonshppict", {Word::SkipDestination, 0}},
        {"shp", {Word::SkipDestination, 0}},
        {"do", {Word::SkipDestination, 0}},
        {"header", {Word::SkipDestination, 0}},
        {"headerl", {Word::SkipDestination, 0}},
        {"headerr", {Word::SkipDestination, 0}},
        {"headerf", {Word::SkipDestination, 0}},
        {"footer", {Word::SkipDestination, 0}},
        {"footerl", {Word::SkipDestination, 0}},
        {"footerr", {Word::SkipDestination, 0}},
        {"footerf", {Word::SkipDestination, 0}},
        {"footnote", {Word::SkipDestination, 0}},
        {"annotation", {Word::SkipDestination, 0}},
        {"fldinst", {Word::SkipDestination, 0}},
        {"pn", {Word::SkipDestination, 0}},
        {"xe", {Word::SkipDestination, 0}},
        {"tc", {Word::SkipDestination, 0}},
        {"txe", {Word::SkipDestination, 0}},
        {"rxe", {Word::SkipDestination, 0}},
        {"template", {Word::SkipDestination, 0}},
        {"listtable", {Word::SkipDestination, 0}},
        {"listoverridetable", {Word::SkipDestination, 0}},
        {"revtbl", {Word::SkipDestination, 0}},
        {"rsidtbl", {Word::SkipDestination, 0}},
        {"filetbl", {Word::SkipDestination, 0}},
        {"ftnsep", {Word::SkipDestination, 0}},
        {"ftnsepc", {Word::SkipDestination, 0}},
        {"ftncn", {Word::SkipDestination, 0}},
        {"aftnsep", {Word::SkipDestination, 0}},
        {"aftnsepc", {Word::SkipDestination, 0}},
        {"aftncn", {Word::SkipDestination, 0}},
        {"private", {Word::SkipDestination, 0}},
        {"objdata", {Word::SkipDestination, 0}},
        {"themedata", {Word::SkipDestination, 0}},
        {"colorschememapping", {Word::SkipDestination, 0}},
        {"latentstyles", {Word::SkipDestination, 0}},
        {"datastore", {Word::SkipDestination, 0}},
        {"xmlnstbl", {Word::SkipDestination, 0}},
        {"generator", {Word::SkipDestination, 0}},
    };
    return table;
}

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The characters a double-byte run is made of in the East Asian code pages: CJK ideographs and
// their punctuation, kana, hangul, full-width forms. Other text stays in the Latin run's face.
bool isCjk(char16_t c) {
    return (c >= 0x1100 && c <= 0x11ff) || (c >= 0x2e80 && c <= 0x9fff) ||
           (c >= 0xa960 && c <= 0xa97f) || (c >= 0xac00 && c <= 0xd7af) ||
           (c >= 0xf900 && c <= 0xfaff) || (c >= 0xfe30 && c <= 0xfe4f) ||
           (c >= 0xff00 && c <= 0xffef) ||
           // The high half of U+20000 to U+3FFFF: the ideographs of the supplementary planes.
           (c >= 0xd840 && c <= 0xd8bf);
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

bool RtfReader::CharState::operator==(const CharState &o) const {
    return font == o.font && halfPoints == o.halfPoints && bold == o.bold && italic == o.italic &&
           strike == o.strike && hidden == o.hidden && underline == o.underline &&
           color == o.color && highlight == o.highlight && valign == o.valign &&
           cjkFont == o.cjkFont && cjkHalfPoints == o.cjkHalfPoints && cjkBold == o.cjkBold &&
           cjkItalic == o.cjkItalic;
}

bool RtfReader::looksLikeRtf(const QByteArray &data) {
    int i = 0;
    if (data.startsWith("\xEF\xBB\xBF")) i = 3;
    while (i < data.size() &&
           (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' || data[i] == '\n'))
        ++i;
    const QByteArray rest = data.mid(i, 6);
    return rest.startsWith("{\\rtf") || rest.startsWith("{\\urtf");
}

bool RtfReader::read(const QByteArray &data, QTextDocument &doc) {
    if (!looksLikeRtf(data)) return false;
    start(data);
    parse();
    build(doc);
    return true;
}

bool RtfReader::readPlainText(const QByteArray &data, QString &text) {
    if (!looksLikeRtf(data)) return false;
    start(data);
    parse();
    text.clear();
    bool first = true;
    for (const Paragraph &paragraph : m_paragraphs) {
        if (!first) text += QLatin1Char('\n');
        first = false;
        for (const Run &run : paragraph.runs) text += run.text;
    }
    return true;
}

void RtfReader::start(const QByteArray &data) {
    *this = RtfReader();
    m_data = data.constData();
    m_size = data.size();
    m_pos = data.indexOf('{');
    m_paragraphs.emplace_back();
}

void RtfReader::parse() {
    while (m_pos < m_size && !m_done) {
        const char c = m_data[m_pos++];
        switch (c) {
        case '{':
            openGroup();
            break;
        case '}':
            closeGroup();
            break;
        case '\\':
            readControl();
            break;
        case '\r':
        case '\n':
        case '\0':
            break;
        default:
            textByte(c);
            break;
        }
    }
    if (!m_done) finish();
}

void RtfReader::readControl() {
    if (m_pos >= m_size) return;
    const char c = m_data[m_pos];
    if (isLetter(c)) {
        const int start = m_pos;
        while (m_pos < m_size && isLetter(m_data[m_pos])) ++m_pos;
        const std::string_view word(m_data + start, static_cast<std::size_t>(m_pos - start));
        bool negative = false;
        if (m_pos + 1 < m_size && m_data[m_pos] == '-' && isDigit(m_data[m_pos + 1])) {
            negative = true;
            ++m_pos;
        }
        bool hasParameter = false;
        long long value = 0;
        while (m_pos < m_size && isDigit(m_data[m_pos])) {
            hasParameter = true;
            // Keep reading the digits but stop growing: huge numbers are clamped.
            if (value < 10'000'000'000LL) value = value * 10 + (m_data[m_pos] - '0');
            ++m_pos;
        }
        if (m_pos < m_size && m_data[m_pos] == ' ') ++m_pos;
        if (negative) value = -value;
        const int parameter = static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
        controlWord(word, hasParameter, parameter);
        return;
    }
    ++m_pos;
    if (c == '\'') {
        int value = 0;
        int digits = 0;
        while (digits < 2 && m_pos < m_size && hexValue(m_data[m_pos]) >= 0) {
            value = value * 16 + hexValue(m_data[m_pos++]);
            ++digits;
        }
        if (digits == 2) escapedByte(static_cast<char>(value));
        return;
    }
    if (c == '*') {
        m_starred = true;
        return;
    }
    // A control symbol is one character of a \u fallback.
    if (m_skip > 0 && state().destination == Destination::Text) {
        --m_skip;
        return;
    }
    if (c == '\\' || c == '{' || c == '}') {
        // Kept with the pending bytes: it may be the trail byte of a double-byte character.
        escapedByte(c);
        return;
    }
    flush();
    switch (c) {
    case '~':
        appendUnit(0x00a0);
        break;
    case '-':
        appendUnit(0x00ad);
        break;
    case '_':
        appendUnit(0x2011);
        break;
    case '\r':
    case '\n':
        if (state().destination == Destination::Text) endParagraph();
        break;
    default:
        break;
    }
}

void RtfReader::controlWord(std::string_view word, bool hasParameter, int parameter) {
    const auto &table = words();
    const auto found = table.find(word);
    const bool starred = m_starred;
    m_starred = false;
    GroupState &s = state();
    if (found != table.end() && found->second.word == Word::Binary) {
        // Binary data is never text: skip it wherever it is.
        if (hasParameter && parameter > 0) m_pos += qMin(parameter, m_size - m_pos);
        if (m_skip > 0) --m_skip;
        return;
    }
    if (s.destination == Destination::Skip) return;
    if (starred) {
        // A destination marked ignorable: none of those carries note text.
        flush();
        s.destination = Destination::Skip;
        return;
    }
    // Any control word counts as one character of a \u fallback.
    if (m_skip > 0 && s.destination == Destination::Text) {
        --m_skip;
        return;
    }
    if (found == table.end()) return;
    const Word kind = found->second.word;
    const int value = found->second.value;
    flush();
    const bool on = !hasParameter || parameter != 0;
    CharState &chars = s.chars;
    switch (kind) {
    case Word::Par:
        if (s.destination == Destination::Text) endParagraph();
        break;
    case Word::Line:
        appendUnit(QChar::LineSeparator);
        break;
    case Word::Tab:
        appendUnit('\t');
        break;
    case Word::Char:
        appendUnit(static_cast<char16_t>(value));
        break;
    case Word::Unicode:
        if (hasParameter && parameter >= -32768 && parameter <= 65535) {
            appendUnit(static_cast<char16_t>(parameter < 0 ? parameter + 65536 : parameter));
            m_skip = s.uc;
        }
        break;
    case Word::UnicodeSkip:
        if (hasParameter) s.uc = qBound(0, parameter, 64);
        break;
    case Word::Plain:
        chars = CharState();
        break;
    case Word::Bold:
        chars.bold = on;
        break;
    case Word::Italic:
        chars.italic = on;
        break;
    case Word::AssociatedBold:
        if (s.runType == RunType::DoubleByte) chars.cjkBold = on;
        break;
    case Word::AssociatedItalic:
        if (s.runType == RunType::DoubleByte) chars.cjkItalic = on;
        break;
    case Word::AssociatedFont:
        if (s.runType == RunType::DoubleByte && hasParameter && parameter >= 0)
            chars.cjkFont = parameter;
        break;
    case Word::AssociatedFontSize:
        if (s.runType == RunType::DoubleByte)
            chars.cjkHalfPoints = !hasParameter   ? kDefaultHalfPoints
                                  : parameter > 0 ? qMin(parameter, kMaxHalfPoints)
                                                  : -1;
        break;
    case Word::RunTypeWord:
        s.runType = value ? RunType::DoubleByte : RunType::Other;
        break;
    case Word::Underline:
        chars.underline = on ? QTextCharFormat::SingleUnderline : QTextCharFormat::NoUnderline;
        break;
    case Word::UnderlineStyle:
        chars.underline = on ? value : QTextCharFormat::NoUnderline;
        break;
    case Word::Strike:
        chars.strike = on;
        break;
    case Word::Hidden:
        chars.hidden = on;
        break;
    case Word::Font:
        if (!hasParameter) break;
        if (s.destination == Destination::FontTable) {
            m_fontEntry = parameter;
            m_fonts[parameter] = Font();
        } else {
            chars.font = parameter;
        }
        break;
    case Word::FontSize:
        // A size of zero or less is no size: RTF's default.
        chars.halfPoints =
            hasParameter && parameter > 0 ? qMin(parameter, kMaxHalfPoints) : kDefaultHalfPoints;
        break;
    case Word::Color:
        chars.color = qMax(0, parameter);
        break;
    case Word::Highlight:
        chars.highlight = qMax(0, parameter);
        break;
    case Word::VAlign:
        chars.valign = value;
        break;
    case Word::Pard:
        s.alignment = 0;
        break;
    case Word::Align:
        s.alignment = value;
        break;
    case Word::CodePageWord:
        m_ansiCodePage = value;
        break;
    case Word::AnsiCodePage:
        if (hasParameter && parameter > 0) m_ansiCodePage = parameter;
        break;
    case Word::DefaultFont:
        if (hasParameter) m_defaultFont = parameter;
        break;
    case Word::FontCharset:
        if (s.destination == Destination::FontTable && m_fontEntry >= 0 && hasParameter) {
            const int cp = CodePage::forCharset(parameter);
            if (cp) m_fonts[m_fontEntry].codePage = cp;
        }
        break;
    case Word::FontCodePage:
        if (s.destination == Destination::FontTable && m_fontEntry >= 0 && hasParameter &&
            parameter > 0)
            m_fonts[m_fontEntry].codePage = parameter;
        break;
    case Word::Red:
        if (s.destination == Destination::ColorTable) m_red = qBound(0, parameter, 255);
        break;
    case Word::Green:
        if (s.destination == Destination::ColorTable) m_green = qBound(0, parameter, 255);
        break;
    case Word::Blue:
        if (s.destination == Destination::ColorTable) m_blue = qBound(0, parameter, 255);
        break;
    case Word::Utf8Rtf:
        m_utf8 = true;
        break;
    case Word::FontTable:
        s.destination = Destination::FontTable;
        m_fontEntry = -1;
        break;
    case Word::ColorTable:
        s.destination = Destination::ColorTable;
        m_colors.clear();
        m_red = m_green = m_blue = -1;
        break;
    case Word::SkipDestination:
        s.destination = Destination::Skip;
        break;
    case Word::Binary:
        break;
    }
}

void RtfReader::textByte(char c) {
    const Destination destination = state().destination;
    if (destination == Destination::ColorTable) {
        if (c == ';') {
            m_colors.push_back(m_red < 0 && m_green < 0 && m_blue < 0
                                   ? QColor()
                                   : QColor(qMax(0, m_red), qMax(0, m_green), qMax(0, m_blue)));
            m_red = m_green = m_blue = -1;
        }
        return;
    }
    if (destination == Destination::FontTable && c == ';') {
        flush();
        if (m_fontEntry >= 0) m_fonts[m_fontEntry].closed = true;
        return;
    }
    escapedByte(c);
}

void RtfReader::escapedByte(char c) {
    const Destination destination = state().destination;
    if (destination == Destination::Skip || destination == Destination::ColorTable) return;
    if (m_skip > 0) {
        --m_skip;
        return;
    }
    if (destination == Destination::Text && state().chars.hidden) return;
    m_pending += c;
}

void RtfReader::appendUnit(char16_t unit) {
    const GroupState &s = state();
    if (s.destination == Destination::FontTable) {
        if (m_fontEntry >= 0 && !m_fonts[m_fontEntry].closed)
            m_fonts[m_fontEntry].name += QChar(unit);
        return;
    }
    if (s.destination != Destination::Text || s.chars.hidden) return;
    switch (unit) {
    case 0:
    case '\r':
    case QChar::ObjectReplacementCharacter:
        return;
    case '\n':
    case QChar::ParagraphSeparator:
        unit = QChar::LineSeparator;
        break;
    default:
        break;
    }
    const CharState style = styleFor(unit);
    std::vector<Run> &runs = m_paragraphs.back().runs;
    if (runs.empty() || runs.back().style != style) runs.push_back(Run{style, QString()});
    runs.back().text += QChar(unit);
}

RtfReader::CharState RtfReader::styleFor(char16_t unit) {
    const bool cjk = QChar::isLowSurrogate(unit) ? m_lastUnitCjk : isCjk(unit);
    m_lastUnitCjk = cjk;
    CharState style = state().chars;
    if (cjk) {
        if (style.cjkFont >= 0) style.font = style.cjkFont;
        if (style.cjkHalfPoints != -1) style.halfPoints = style.cjkHalfPoints;
        if (style.cjkBold >= 0) style.bold = style.cjkBold;
        if (style.cjkItalic >= 0) style.italic = style.cjkItalic;
    }
    style.cjkFont = style.cjkHalfPoints = style.cjkBold = style.cjkItalic = -1;
    return style;
}

void RtfReader::appendText(const QString &text) {
    for (const QChar c : text) appendUnit(c.unicode());
}

void RtfReader::flush() {
    if (m_pending.isEmpty()) return;
    const QString text = codePage(currentCodePage()).decode(m_pending);
    m_pending.clear();
    appendText(text);
}

void RtfReader::endParagraph() {
    Paragraph &paragraph = m_paragraphs.back();
    paragraph.alignment = state().alignment;
    paragraph.mark = markStyle();
    m_paragraphs.emplace_back();
}

void RtfReader::openGroup() {
    flush();
    m_skip = 0;
    m_starred = false;
    if (m_stack.empty())
        m_stack.emplace_back();
    else if (m_stack.size() >= kMaxDepth)
        ++m_overflow;
    else
        m_stack.push_back(m_stack.back());
}

void RtfReader::closeGroup() {
    flush();
    m_skip = 0;
    m_starred = false;
    if (m_overflow > 0) {
        --m_overflow;
        return;
    }
    if (m_stack.size() <= 1) {
        // The document's own group has ended; whatever follows it is not part of it.
        finish();
        return;
    }
    const Destination leaving = m_stack.back().destination;
    m_stack.pop_back();
    // A colour table whose last entry lacks its ';'.
    if (leaving == Destination::ColorTable && state().destination != Destination::ColorTable &&
        (m_red >= 0 || m_green >= 0 || m_blue >= 0)) {
        m_colors.emplace_back(qMax(0, m_red), qMax(0, m_green), qMax(0, m_blue));
        m_red = m_green = m_blue = -1;
    }
}

void RtfReader::finish() {
    if (m_stack.empty()) m_stack.emplace_back();
    flush();
    m_paragraphs.back().alignment = state().alignment;
    m_paragraphs.back().mark = markStyle();
    // Rich edit ends its last paragraph with \par too: that mark opens no new line.
    if (m_paragraphs.size() > 1 && m_paragraphs.back().runs.empty()) m_paragraphs.pop_back();
    m_done = true;
}

RtfReader::CharState RtfReader::markStyle() const {
    CharState mark = m_stack.back().chars;
    mark.cjkFont = mark.cjkHalfPoints = mark.cjkBold = mark.cjkItalic = -1;
    return mark;
}

int RtfReader::currentCodePage() const {
    if (m_utf8) return 65001;
    const GroupState &s = m_stack.back();
    int font = -1;
    if (s.destination == Destination::FontTable)
        font = m_fontEntry;
    else if (s.runType == RunType::DoubleByte && s.chars.cjkFont >= 0)
        font = s.chars.cjkFont; // double-byte text is in the associated font's code page
    else
        font = s.chars.font < 0 ? m_defaultFont : s.chars.font;
    const auto it = m_fonts.find(font);
    if (it != m_fonts.end() && it->second.codePage > 0) return it->second.codePage;
    return m_ansiCodePage;
}

CodePage &RtfReader::codePage(int number) {
    std::unique_ptr<CodePage> &slot = m_codePages[number];
    if (!slot) slot = std::make_unique<CodePage>(number);
    return *slot;
}

QTextCharFormat RtfReader::formatOf(const CharState &style) const {
    QTextCharFormat format;
    const auto font = m_fonts.find(style.font < 0 ? m_defaultFont : style.font);
    if (font != m_fonts.end()) {
        const QString name = font->second.name.trimmed();
        if (!name.isEmpty()) format.setFontFamilies({name});
    }
    if (style.halfPoints > 0) format.setFontPointSize(style.halfPoints / 2.0);
    format.setFontWeight(style.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(style.italic);
    format.setUnderlineStyle(static_cast<QTextCharFormat::UnderlineStyle>(style.underline));
    format.setFontStrikeOut(style.strike);
    // Entry 0 of a colour table is normally "automatic"; indices count from it.
    const auto tableColor = [this](int index) {
        return index >= 0 && static_cast<std::size_t>(index) < m_colors.size()
                   ? m_colors[static_cast<std::size_t>(index)]
                   : QColor();
    };
    const QColor foreground = tableColor(style.color);
    if (foreground.isValid()) format.setForeground(foreground);
    const QColor background = style.highlight > 0 ? tableColor(style.highlight) : QColor();
    if (background.isValid()) format.setBackground(background);
    if (style.valign != QTextCharFormat::AlignNormal)
        format.setVerticalAlignment(static_cast<QTextCharFormat::VerticalAlignment>(style.valign));
    return format;
}

void RtfReader::build(QTextDocument &doc) const {
    const bool undo = doc.isUndoRedoEnabled();
    doc.setUndoRedoEnabled(false);
    doc.clear();
    QTextCursor cursor(&doc);
    cursor.beginEditBlock();
    const Qt::Alignment alignments[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight,
                                        Qt::AlignJustify};
    bool first = true;
    for (const Paragraph &paragraph : m_paragraphs) {
        QTextBlockFormat blockFormat;
        if (paragraph.alignment > 0 && paragraph.alignment < 4)
            blockFormat.setAlignment(alignments[paragraph.alignment]);
        const QTextCharFormat mark = formatOf(paragraph.mark);
        if (first) {
            cursor.setBlockFormat(blockFormat);
            cursor.setBlockCharFormat(mark);
            first = false;
        } else {
            cursor.insertBlock(blockFormat, mark);
        }
        for (const Run &run : paragraph.runs)
            if (!run.text.isEmpty()) cursor.insertText(run.text, formatOf(run.style));
    }
    cursor.endEditBlock();
    doc.setUndoRedoEnabled(undo);
    doc.setModified(false);
}
