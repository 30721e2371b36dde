#include "NoteStore.h"

#include <QSqlDatabase>
#include <QSqlQuery>

struct NoteStore::Cache {};

NoteStore::NoteStore() = default;
NoteStore::~NoteStore() = default;
void NoteStore::open(const QString &, OpenMode) {
    throw StoreError(QStringLiteral("not built yet"));
}
void NoteStore::reconnect() {}
void NoteStore::close() {}
bool NoteStore::isOpen() const {
    return false;
}
QString NoteStore::yearMonthKey(int y, int m) {
    return QString::number(y) + QString::number(m);
}
QString NoteStore::yearMonthKey(const QDate &d) {
    return yearMonthKey(d.year(), d.month());
}
QString NoteStore::dayKey(const QDate &d) {
    return dayKey(d.year(), d.month(), d.day());
}
QString NoteStore::dayKey(int y, int m, int d) {
    return QStringLiteral("%1-%2-%3").arg(y).arg(m).arg(d);
}
MonthCells NoteStore::readMonth(const QString &) const {
    return {};
}
void NoteStore::writeMonth(const QString &, const MonthCells &) {}
QByteArray NoteStore::readDayPlan(const QString &) const {
    return {};
}
void NoteStore::writeDayPlan(const QString &, const QByteArray &) {}
MonthPage NoteStore::readMonthPage(const QString &, const QString &) const {
    return {};
}
void NoteStore::writeMonthPage(const QString &, const MonthPage &, const QString &) {}
YearNotes NoteStore::readYearNotes(int) const {
    return {};
}
void NoteStore::writeYearNotes(int, const YearNotes &) {}
SheetNotes NoteStore::readSheet(Sheet, const QString &) const {
    return {};
}
void NoteStore::writeSheet(Sheet, const QString &, const SheetNotes &) {}
MemoLines NoteStore::readMemoLines() const {
    return {};
}
bool NoteStore::writeMemoLine(int, const QString &) {
    return false;
}
QString NoteStore::journalMode() const {
    return {};
}
int NoteStore::userVersion() const {
    return 0;
}
