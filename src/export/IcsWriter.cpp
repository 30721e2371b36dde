#include "export/IcsWriter.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr qsizetype kMaxLineOctets = 75;

bool writableDay(const QDate &date) {
    return date.isValid() && date.year() >= 1 && date.year() <= 9999;
}

// The octets that stay together at a fold: a UTF-8 sequence, or a backslash and the character
// it escapes (unfolding joins them again anyway, but weaker readers look for the pair).
qsizetype unitLength(const QByteArray &line, qsizetype at) {
    const auto lead = static_cast<unsigned char>(line[at]);
    qsizetype length = 1;
    if (lead == '\\')
        length = 2;
    else if ((lead & 0xE0) == 0xC0)
        length = 2;
    else if ((lead & 0xF0) == 0xE0)
        length = 3;
    else if ((lead & 0xF8) == 0xF0)
        length = 4;
    return std::min(length, line.size() - at);
}

} // namespace

IcsWriter::IcsWriter(const QString &productId, const QDateTime &stamp)
    : m_stamp(stamp.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'")).toLatin1()) {
    addLine("BEGIN:VCALENDAR");
    addLine("VERSION:2.0");
    addLine("PRODID:" + escapedText(productId));
    addLine("CALSCALE:GREGORIAN");
}

bool IcsWriter::addEvent(const AllDayEvent &event) {
    if (!writableDay(event.day)) return false;
    addLine("BEGIN:VEVENT");
    addLine("UID:" + escapedText(event.uid));
    addLine("DTSTAMP:" + m_stamp);
    addLine("DTSTART;VALUE=DATE:" + dateValue(event.day));
    // Without an end an all-day event lasts its one day; the end is written where it can be,
    // for readers that want one.
    const QDate next = event.day.addDays(1);
    if (writableDay(next)) addLine("DTEND;VALUE=DATE:" + dateValue(next));
    addLine("SUMMARY:" + escapedText(event.summary));
    addLine("DESCRIPTION:" + escapedText(event.description));
    // A note does not make the day busy.
    addLine("TRANSP:TRANSPARENT");
    addLine("END:VEVENT");
    return true;
}

QByteArray IcsWriter::finish() {
    addLine("END:VCALENDAR");
    return m_bytes;
}

QByteArray IcsWriter::escapedText(const QString &text) {
    QString escaped;
    escaped.reserve(text.size() + text.size() / 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        switch (c.unicode()) {
        case u'\\':
            escaped += QLatin1String("\\\\");
            break;
        case u';':
            escaped += QLatin1String("\\;");
            break;
        case u',':
            escaped += QLatin1String("\\,");
            break;
        case u'\r':
            if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            Q_FALLTHROUGH();
        case u'\n':
        case 0x2028: // line separator
        case 0x2029: // paragraph separator
            escaped += QLatin1String("\\n");
            break;
        default:
            if ((c.unicode() < 0x20 && c != u'\t') || c.unicode() == 0x7F) break;
            escaped += c;
        }
    }
    return escaped.toUtf8();
}

QByteArray IcsWriter::folded(const QByteArray &line) {
    QByteArray out;
    out.reserve(line.size() + (line.size() / (kMaxLineOctets - 4) + 1) * 3);
    qsizetype octets = 0; // on the physical line being filled
    for (qsizetype i = 0; i < line.size();) {
        const qsizetype unit = unitLength(line, i);
        if (octets + unit > kMaxLineOctets) {
            out += "\r\n ";
            octets = 1;
        }
        out.append(line.constData() + i, unit);
        octets += unit;
        i += unit;
    }
    out += "\r\n";
    return out;
}

QByteArray IcsWriter::dateValue(const QDate &date) {
    char digits[9];
    std::snprintf(digits, sizeof digits, "%04d%02d%02d", date.year(), date.month(), date.day());
    return QByteArray(digits, 8);
}
