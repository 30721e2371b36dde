// chncal-gui [YYYY-MM-DD]: one full-size Chinese calendar in a window of its size, set to
// the given date or today.

#include "base/MonthGrid.h"
#include "calendar_control/LunarCalendarWidget.h"

#include <QApplication>
#include <QDate>
#include <QWidget>

#include <cstdio>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("chncal-gui"));

    QDate date = QDate::currentDate();
    const QStringList args = QApplication::arguments();
    if (args.size() > 1) {
        date = QDate::fromString(args.at(1), QStringLiteral("yyyy-MM-dd"));
        if (!date.isValid() || date.year() < 1 || date.year() > 2100) {
            std::fprintf(stderr,
                         "chncal-gui: invalid date \"%s\"; usage: chncal-gui [YYYY-MM-DD] "
                         "with a year from 1 to 2100\n",
                         qPrintable(args.at(1)));
            return 2;
        }
        if (!MonthGrid(date).hasDay(date.day())) {
            std::fprintf(stderr,
                         "chncal-gui: %s was dropped when the Gregorian calendar began: "
                         "1582-10-04 was followed by 1582-10-15\n",
                         qPrintable(args.at(1)));
            return 2;
        }
    }

    QWidget window;
    window.setWindowTitle(QStringLiteral("农历月历"));
    auto *calendar = new LunarCalendarWidget(&window);
    calendar->move(0, 0);
    window.setFixedSize(calendar->size());
    if (date != QDate::currentDate()) calendar->setDateTime(QDateTime(date, QTime(0, 0)));
    window.show();
    return QApplication::exec();
}
