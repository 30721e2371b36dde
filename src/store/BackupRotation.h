#pragma once

#include <QDate>
#include <QList>

// Which daily backups to keep: the newest copy of each of the last `daily` days, of each of the
// last `weekly` ISO weeks and of each of the last `monthly` months that have a copy (the three
// sets overlap). Works on dates alone, so a year of daily starts can be replayed in a test.
class BackupRotation {
public:
    static constexpr int Daily = 7;
    static constexpr int Weekly = 4;
    static constexpr int Monthly = 12;

    // The dates of `dates` to keep, newest first. Duplicates and invalid dates are ignored.
    static QList<QDate> keep(QList<QDate> dates, int daily = Daily, int weekly = Weekly,
                             int monthly = Monthly);
    // The dates of `dates` that keep() does not keep.
    static QList<QDate> remove(const QList<QDate> &dates, int daily = Daily, int weekly = Weekly,
                               int monthly = Monthly);
};
