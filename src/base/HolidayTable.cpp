#include "base/HolidayTable.h"

#include "base/AtomicFile.h"

#include <QFile>
#include <QSet>

namespace {

QString lineError(int line, const QString &reason) {
    return QStringLiteral("节假日列表第 %1 行有误：%2").arg(line).arg(reason);
}

} // namespace

int HolidayTable::yearOf(const QDate &date) {
    return date.month() == 12 && date.day() > 20 ? date.year() + 1 : date.year();
}

std::optional<HolidayTable> HolidayTable::parse(const QByteArray &text, QString *error) {
    HolidayTable table;
    QSet<qint64> seen;
    const QList<QByteArray> lines = text.split('\n');
    for (int n = 0; n < lines.size(); ++n) {
        QByteArray raw = lines[n];
        if (n == 0 && raw.startsWith("\xEF\xBB\xBF")) raw.remove(0, 3);
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        const auto fail = [&](const QString &reason) -> std::optional<HolidayTable> {
            if (error) *error = lineError(n + 1, reason);
            return std::nullopt;
        };
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (fields.size() != 3)
            return fail(QStringLiteral("应为日期、名称、1 或 0 三项，以制表符分隔"));
        const QDate date = QDate::fromString(fields[0].trimmed(), QStringLiteral("yyyy-MM-dd"));
        if (!date.isValid()) return fail(QStringLiteral("日期“%1”无效").arg(fields[0]));
        const QString name = fields[1].trimmed();
        if (name.isEmpty()) return fail(QStringLiteral("缺少节日名称"));
        const QString flag = fields[2].trimmed();
        if (flag != QLatin1String("1") && flag != QLatin1String("0"))
            return fail(QStringLiteral("第三项应为 1（放假）或 0（调休上班）"));
        if (seen.contains(date.toJulianDay()))
            return fail(QStringLiteral("日期 %1 重复").arg(fields[0]));
        seen.insert(date.toJulianDay());
        table.m_years[yearOf(date)].push_back(
            {date, name, flag == QLatin1String("1") ? Kind::DayOff : Kind::WorkingDay});
    }
    table.rebuildIndex();
    return table;
}

std::optional<HolidayTable> HolidayTable::readFile(const QString &path, QString *error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) *error = QStringLiteral("无法读取节假日列表：%1").arg(file.errorString());
        return std::nullopt;
    }
    return parse(file.readAll(), error);
}

HolidayTable HolidayTable::load(const QString &shippedFile, const QString &userFile,
                                QString *error) {
    HolidayTable table;
    QString problem;
    if (auto shipped = readFile(shippedFile, &problem))
        table = std::move(*shipped);
    else if (error)
        *error = problem;
    if (!userFile.isEmpty() && QFile::exists(userFile)) {
        if (auto user = readFile(userFile, &problem))
            table.merge(*user);
        else if (error)
            *error = problem;
    }
    return table;
}

bool HolidayTable::importFile(const QString &source, const QString &userFile, QString *error) {
    std::optional<HolidayTable> added = readFile(source, error);
    if (!added) return false;
    if (added->isEmpty()) {
        if (error) *error = QStringLiteral("节假日列表中没有任何日期");
        return false;
    }
    HolidayTable kept;
    if (QFile::exists(userFile)) {
        std::optional<HolidayTable> old = readFile(userFile, error);
        // A damaged list of the user's is replaced rather than kept in the way of every import.
        if (old) kept = std::move(*old);
    }
    kept.merge(*added);
    QString reason;
    if (!AtomicFile::write(userFile, kept.toText(), &reason)) {
        if (error) *error = QStringLiteral("无法保存节假日列表：%1").arg(reason);
        return false;
    }
    return true;
}

void HolidayTable::merge(const HolidayTable &newer) {
    for (const auto &[year, days] : newer.m_years) m_years[year] = days;
    rebuildIndex();
}

void HolidayTable::rebuildIndex() {
    m_byDay.clear();
    for (const auto &entry : m_years)
        for (const Day &d : entry.second) m_byDay.insert(d.date.toJulianDay(), d);
}

HolidayTable::Day HolidayTable::day(const QDate &date) const {
    const auto found = m_byDay.constFind(date.toJulianDay());
    if (found == m_byDay.constEnd()) return {date, QString(), Kind::Ordinary};
    return *found;
}

QList<int> HolidayTable::years() const {
    QList<int> result;
    for (const auto &entry : m_years) result.append(entry.first);
    return result;
}

QByteArray HolidayTable::toText() const {
    QByteArray text("# date\tholiday\toff\n");
    for (const auto &entry : m_years)
        for (const Day &d : entry.second)
            text += d.date.toString(QStringLiteral("yyyy-MM-dd")).toUtf8() + '\t' +
                    d.name.toUtf8() + '\t' + (d.kind == Kind::DayOff ? "1" : "0") + '\n';
    return text;
}
