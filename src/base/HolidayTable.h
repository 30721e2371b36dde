#pragma once

#include <QByteArray>
#include <QDate>
#include <QHash>
#include <QList>
#include <QString>

#include <map>
#include <optional>
#include <vector>

// China's official days off and make-up working days, year by year. A list is UTF-8 text, one
// line a day: "yyyy-MM-dd<TAB>name<TAB>1" for a day off, 0 for a working weekend day; lines
// starting with '#' and empty lines are skipped. A year's days are those the State Council
// announced for it, so the days after 20 December belong to the next year (its New Year's Day
// holiday). A newer list replaces whole years; a year the table does not know has no marks.
class HolidayTable {
public:
    enum class Kind { Ordinary, DayOff, WorkingDay };
    struct Day {
        QDate date;
        QString name;
        Kind kind = Kind::Ordinary;
    };

    // The list in `text`, or nothing when a line is bad; `error` then names the line.
    static std::optional<HolidayTable> parse(const QByteArray &text, QString *error = nullptr);
    // Reads and parses the file at `path`; a missing or unreadable file is an error too.
    static std::optional<HolidayTable> readFile(const QString &path, QString *error = nullptr);
    // The shipped list, overlaid with the user's list in `userFile` when that exists and parses.
    // `error` (when given) tells why a part was left out; what could be read is kept.
    static HolidayTable load(const QString &shippedFile, const QString &userFile,
                             QString *error = nullptr);

    // Takes the years of the list at `source` into the user's list at `userFile` (kept years
    // of that list stay), written through AtomicFile. A bad line or a failed write changes
    // nothing and gives `error`.
    static bool importFile(const QString &source, const QString &userFile,
                           QString *error = nullptr);

    // Every year `newer` knows replaces the same year here.
    void merge(const HolidayTable &newer);
    // The day's entry; Kind::Ordinary with an empty name when the list has none.
    Day day(const QDate &date) const;
    // Years with announced days, ascending.
    QList<int> years() const;
    bool isEmpty() const { return m_years.empty(); }
    // The list as text in the same format, years ascending.
    QByteArray toText() const;

    // The announcement year a day belongs to.
    static int yearOf(const QDate &date);

private:
    void rebuildIndex();

    std::map<int, std::vector<Day>> m_years;
    QHash<qint64, Day> m_byDay; // by Julian day, for the lookups of a month grid
};
