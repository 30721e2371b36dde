#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>

// An iCalendar file (RFC 5545) of all-day events, built in memory: every line ends in CR LF,
// lines longer than 75 octets are folded between UTF-8 sequences, text values are escaped.
class IcsWriter {
public:
    struct AllDayEvent {
        QDate day;
        QString uid; // the same for the same event in every file, so an import updates it
        QString summary;
        QString description;
    };

    // `productId` names the program (PRODID); `stamp` is when the file is made, the DTSTAMP of
    // every event.
    IcsWriter(const QString &productId, const QDateTime &stamp);

    // False, and nothing written, for a day outside the years 1..9999, which the format's
    // dates cannot hold.
    bool addEvent(const AllDayEvent &event);
    // The whole file, closed by END:VCALENDAR.
    QByteArray finish();

    // A TEXT value: backslash, semicolon and comma escaped, every line break as "\n", other
    // control characters (which the format does not allow) dropped.
    static QByteArray escapedText(const QString &text);
    // One content line folded at 75 octets, with its CR LF. A continuation line starts with a
    // space, which counts in its 75; a UTF-8 sequence or an escape pair is never split.
    static QByteArray folded(const QByteArray &line);
    // YYYYMMDD.
    static QByteArray dateValue(const QDate &date);

private:
    void addLine(const char *name, const QByteArray &value = QByteArray());
    // A TEXT property, escaped straight into the line.
    void addTextLine(const char *name, const QString &text);
    static void appendEscaped(QByteArray &out, const QString &text);

    QByteArray m_bytes;
    QByteArray m_stamp;
    QByteArray m_line; // the line being folded, kept to reuse its buffer
};
