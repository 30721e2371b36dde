#include "export/IcsWriter.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr qsizetype kMaxLineOctets = 75;

bool writableDay(const QDate &date) {
    return date.isValid() && date.year() >= 1 && date.year() <= 9999;
}

bool isContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Appends `line` folded, with its CR LF. A fold goes before the octet that would pass 75, moved
// back to the start of a UTF-8 sequence, or of an escape pair: unfolding joins a split pair
// again, but weaker readers look for it whole.
void appendFolded(QByteArray &out, const char *line, qsizetype size) {
    // Room is made by doubling: appends alone may grow the file's buffer a line at a time.
    const qsizetype needed = out.size() + size + (size / (kMaxLineOctets - 4) + 1) * 3 + 2;
    if (out.capacity() < needed) out.reserve(std::max(needed, 2 * out.capacity()));
    const char *const end = line + size;
    qsizetype room = kMaxLineOctets;
    while (end - line > room) {
        const char *cut = line + room;
        while (cut > line && isContinuationByte(*cut)) --cut;
        // An odd run of backslashes before the cut ends in the first half of a pair.
        qsizetype backslashes = 0;
        for (const char *p = cut; p > line && p[-1] == '\\'; --p) ++backslashes;
        if (backslashes % 2 == 1) --cut;
        out.append(line, cut - line);
        out.append("\r\n ", 3);
        line = cut;
        room = kMaxLineOctets - 1; // the space counts
    }
    out.append(line, end - line);
    out.append("\r\n", 2);
}

} // namespace

IcsWriter::IcsWriter(const QString &productId, const QDateTime &stamp)
    : m_stamp(stamp.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'")).toLatin1()) {
    addLine("BEGIN:VCALENDAR");
    addLine("VERSION:2.0");
    addTextLine("PRODID:", productId);
    addLine("CALSCALE:GREGORIAN");
}

bool IcsWriter::addEvent(const AllDayEvent &event) {
    if (!writableDay(event.day)) return false;
    addLine("BEGIN:VEVENT");
    addTextLine("UID:", event.uid);
    addLine("DTSTAMP:", m_stamp);
    addLine("DTSTART;VALUE=DATE:", dateValue(event.day));
    // Without an end an all-day event lasts its one day; the end is written where it can be,
    // for readers that want one.
    const QDate next = event.day.addDays(1);
    if (writableDay(next)) addLine("DTEND;VALUE=DATE:", dateValue(next));
    addTextLine("SUMMARY:", event.summary);
    addTextLine("DESCRIPTION:", event.description);
    // A note does not make the day busy.
    addLine("TRANSP:TRANSPARENT");
    addLine("END:VEVENT");
    return true;
}

void IcsWriter::addTextLine(const char *name, const QString &text) {
    m_line.resize(0);
    m_line += name;
    appendEscaped(m_line, text);
    appendFolded(m_bytes, m_line.constData(), m_line.size());
}

QByteArray IcsWriter::finish() {
    addLine("END:VCALENDAR");
    return m_bytes;
}

void IcsWriter::addLine(const char *name, const QByteArray &value) {
    m_line.resize(0);
    m_line += name;
    m_line += value;
    appendFolded(m_bytes, m_line.constData(), m_line.size());
}

QByteArray IcsWriter::escapedText(const QString &text) {
    QByteArray escaped;
    appendEscaped(escaped, text);
    return escaped;
}

void IcsWriter::appendEscaped(QByteArray &escaped, const QString &text) {
    // Every character that needs a change is ASCII but the two Unicode line breaks, U+2028 and
    // U+2029 (E2 80 A8 and E2 80 A9): the UTF-8 bytes are copied in runs between them.
    const QByteArray utf8 = text.toUtf8();
    escaped.reserve(escaped.size() + utf8.size() + utf8.size() / 8 + 8);
    const char *const begin = utf8.constData();
    const qsizetype size = utf8.size();
    qsizetype run = 0;
    const auto replace = [&](qsizetype at, qsizetype length, const char *with) {
        escaped.append(begin + run, at - run);
        escaped.append(with);
        run = at + length;
    };
    for (qsizetype i = 0; i < size; ++i) {
        const auto c = static_cast<unsigned char>(begin[i]);
        if (c >= 0x20 && c != '\\' && c != ';' && c != ',' && c != 0x7F && c != 0xE2) continue;
        switch (c) {
        case '\\':
            replace(i, 1, "\\\\");
            break;
        case ';':
            replace(i, 1, "\\;");
            break;
        case ',':
            replace(i, 1, "\\,");
            break;
        case '\r':
            if (i + 1 < size && begin[i + 1] == '\n') {
                replace(i, 2, "\\n");
                ++i;
            } else {
                replace(i, 1, "\\n");
            }
            break;
        case '\n':
            replace(i, 1, "\\n");
            break;
        case '\t':
            break;
        case 0xE2:
            if (i + 2 < size && begin[i + 1] == '\x80' &&
                (begin[i + 2] == '\xA8' || begin[i + 2] == '\xA9')) {
                replace(i, 3, "\\n");
                i += 2;
            }
            break;
        default: // the other control characters, which TEXT does not allow
            replace(i, 1, "");
        }
    }
    escaped.append(begin + run, size - run);
}

QByteArray IcsWriter::folded(const QByteArray &line) {
    QByteArray out;
    appendFolded(out, line.constData(), line.size());
    return out;
}

QByteArray IcsWriter::dateValue(const QDate &date) {
    char digits[9];
    std::snprintf(digits, sizeof digits, "%04d%02d%02d", date.year(), date.month(), date.day());
    return QByteArray(digits, 8);
}
