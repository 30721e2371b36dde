#include "export/CalendarExport.h"

#include "base/AppIdentity.h"
#include "base/MonthGrid.h"
#include "export/ExportDocument.h"
#include "richtext/RichText.h"
#include "store/NoteStore.h"

#include <utility>
#include <vector>

namespace {

// A note as it goes into an event: the text export's clean-up, with plain line breaks.
QString eventText(const QByteArray &stored) {
    if (stored.isEmpty()) return QString();
    QString text = ExportDocument::noteText(richtext::plainText(stored));
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return text;
}

QDate monthStart(const QDate &date) {
    return QDate(date.year(), date.month(), 1);
}

} // namespace

CalendarExport::Months CalendarExport::yearOf(const QDate &day) {
    return {QDate(day.year(), 1, 1), QDate(day.year(), 12, 1)};
}

std::optional<IcsWriter::AllDayEvent>
CalendarExport::dayEvent(const QDate &day, const QStringList &cellNotes, const QString &dayPlan) {
    QStringList parts;
    for (const QString &note : cellNotes)
        if (!note.isEmpty()) parts << note;
    const QString firstNote = parts.isEmpty() ? dayPlan : parts.first();
    if (!dayPlan.isEmpty()) parts << QStringLiteral("日安排：\n") + dayPlan;
    if (parts.isEmpty()) return std::nullopt;
    // The notes keep the day as the program shows it (Julian before 1582-10-15); the file gives
    // it in the Gregorian calendar iCalendar uses. The UID stays with the day as shown.
    const QDate gregorian = CivilDay{day.year(), day.month(), day.day()}.gregorian();
    if (!gregorian.isValid()) return std::nullopt;
    return IcsWriter::AllDayEvent{gregorian, uid(day), firstNote.section(QLatin1Char('\n'), 0, 0),
                                  parts.join(QLatin1String("\n\n"))};
}

QString CalendarExport::uid(const QDate &day) {
    return QString::fromLatin1(IcsWriter::dateValue(day)) + QStringLiteral("-day@kestrova");
}

QByteArray CalendarExport::calendar(const NoteStore &store, const Months &months,
                                    const QDateTime &stamp) {
    QDate firstMonth = monthStart(months.first);
    QDate lastMonth = monthStart(months.last);
    if (lastMonth < firstMonth) std::swap(firstMonth, lastMonth);
    const QDate firstDay = firstMonth;
    const QDate lastDay = lastMonth.addMonths(1).addDays(-1);
    const qint64 dayCount = firstDay.daysTo(lastDay) + 1;

    // The pages of the months before and after show some of the range's days too.
    struct DayNotes {
        QStringList own;    // from the page of the day's month
        QStringList others; // from a neighbouring month's page
    };
    std::vector<DayNotes> notes(static_cast<std::size_t>(dayCount));
    for (QDate month = firstMonth.addMonths(-1); month <= lastMonth.addMonths(1);
         month = month.addMonths(1)) {
        if (month.year() < 1) continue; // no page before the year 1
        const QString key = NoteStore::yearMonthKey(month);
        const MonthCells cells = store.readMonth(key);
        const MonthGrid grid(month);
        for (int slot = 0; slot < NoteStore::CellCount; ++slot) {
            if (cells[std::size_t(slot)].isEmpty()) continue;
            const QDate day = grid.cellDate(slot);
            if (day < firstDay || day > lastDay) continue;
            const QString text = eventText(cells[std::size_t(slot)]);
            if (text.isEmpty()) continue;
            DayNotes &entry = notes[std::size_t(firstDay.daysTo(day))];
            (day.month() == month.month() ? entry.own : entry.others) << text;
        }
    }

    IcsWriter writer(
        QStringLiteral("-//Kestrova//%1//ZH").arg(QString::fromUtf8(AppIdentity::kAppTitle)),
        stamp);
    for (qint64 i = 0; i < dayCount; ++i) {
        const QDate day = firstDay.addDays(i);
        const QString plan = eventText(store.readDayPlan(NoteStore::dayKey(day)));
        const DayNotes &entry = notes[std::size_t(i)];
        if (const auto event = dayEvent(day, entry.own + entry.others, plan))
            writer.addEvent(*event);
    }
    return writer.finish();
}

QString CalendarExport::proposedName(const Months &months) {
    QDate first = monthStart(months.first);
    QDate last = monthStart(months.last);
    if (last < first) std::swap(first, last);
    return QStringLiteral("日历记事 %1年%2月-%3年%4月")
        .arg(first.year())
        .arg(first.month())
        .arg(last.year())
        .arg(last.month());
}
