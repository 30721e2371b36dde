#include "store/BackupRotation.h"

#include <algorithm>
#include <functional>

namespace {

// Walks the dates newest first and keeps the first date of each new bucket until `count`
// buckets have one.
void keepPerBucket(const QList<QDate> &newestFirst, int count,
                   const std::function<int(const QDate &)> &bucket, QList<QDate> &kept) {
    int buckets = 0;
    bool first = true;
    int last = 0;
    for (const QDate &d : newestFirst) {
        if (buckets >= count) break;
        const int b = bucket(d);
        if (!first && b == last) continue;
        first = false;
        last = b;
        ++buckets;
        if (!kept.contains(d)) kept.append(d);
    }
}

} // namespace

QList<QDate> BackupRotation::keep(QList<QDate> dates, int daily, int weekly, int monthly) {
    dates.removeIf([](const QDate &d) { return !d.isValid(); });
    std::sort(dates.begin(), dates.end(), std::greater<QDate>());
    dates.erase(std::unique(dates.begin(), dates.end()), dates.end());

    QList<QDate> kept;
    keepPerBucket(
        dates, daily, [](const QDate &d) { return int(d.toJulianDay()); }, kept);
    keepPerBucket(
        dates, weekly,
        [](const QDate &d) {
            int year = 0;
            const int week = d.weekNumber(&year);
            return year * 100 + week;
        },
        kept);
    keepPerBucket(
        dates, monthly, [](const QDate &d) { return d.year() * 100 + d.month(); }, kept);
    std::sort(kept.begin(), kept.end(), std::greater<QDate>());
    return kept;
}

QList<QDate> BackupRotation::remove(const QList<QDate> &dates, int daily, int weekly, int monthly) {
    const QList<QDate> kept = keep(dates, daily, weekly, monthly);
    QList<QDate> removed;
    for (const QDate &d : dates)
        if (d.isValid() && !kept.contains(d) && !removed.contains(d)) removed.append(d);
    return removed;
}
