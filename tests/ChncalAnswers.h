#pragma once

// What `chncal --batch` answers for a list of days, for tests that hold a grid on screen
// against the command-line tool: both must name the same day. The weekday is the one chncal's
// own month grid puts the day under (from the engine's day number).
#include "base/MonthGrid.h"
#include "lunar/CivilDate.h"

#include <QHash>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

struct ChncalAnswer {
    int weekday = -1; // 0 Sunday .. 6 Saturday
    QString monthName;
    QString dayName;
    QString civilFestival;
    // What a grid writes under the day: the lunar day, or the month name on the first of a
    // lunar month, replaced by the civil festival, the solar term and the lunar festival.
    QString caption;
};

inline QString chncalDateText(const CivilDay &day) {
    return QString::asprintf("%s%04d-%02d-%02d", day.year < 0 ? "-" : "", qAbs(day.year), day.month,
                             day.day);
}

// Keyed by chncalDateText(); empty when chncal could not be run.
inline QHash<QString, ChncalAnswer> chncalAnswers(const QList<CivilDay> &days) {
    QByteArray input;
    for (const CivilDay &day : days) input += chncalDateText(day).toUtf8() + '\n';
    QProcess process;
    process.start(QStringLiteral(CHNCAL_PATH), {QStringLiteral("--batch")});
    if (!process.waitForStarted(10000)) return {};
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(30000)) return {};
    QHash<QString, ChncalAnswer> answers;
    const QStringList lines = QString::fromUtf8(process.readAllStandardOutput()).split('\n');
    for (const QString &line : lines) {
        const QStringList fields = line.split('\t');
        if (fields.size() != 17) continue;
        ChncalAnswer answer;
        answer.monthName = fields[6];
        answer.dayName = fields[7];
        answer.civilFestival = fields[14];
        answer.caption =
            answer.dayName == QStringLiteral("初一") ? answer.monthName : answer.dayName;
        for (const int field : {14, 8, 15})
            if (!fields[field].isEmpty()) answer.caption = fields[field];
        answers.insert(fields[0], answer);
    }
    for (const CivilDay &day : days) {
        auto found = answers.find(chncalDateText(day));
        if (found != answers.end())
            found->weekday = (lunar::CivilDayNumber(day.year, day.month, day.day) % 7 + 7) % 7;
    }
    return answers;
}
