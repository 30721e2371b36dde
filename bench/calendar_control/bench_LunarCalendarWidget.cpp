// One date change of the full-size control to another month: month fill (31 conversions),
// background rebuild (frame, large digits) and the redraw of the 63 grid cells.

#include "calendar_control/DayGrid.h"
#include "calendar_control/LunarCalendarMonth.h"
#include "calendar_control/LunarCalendarWidget.h"
#include "lunar/DateInfo.h"

#include <benchmark/benchmark.h>

namespace {

void BM_SetDateTimeOtherMonth(benchmark::State &state) {
    LunarCalendarWidget calendar;
    const QDateTime dates[] = {QDateTime(QDate(2024, 2, 10), QTime(0, 0)),
                               QDateTime(QDate(2024, 3, 10), QTime(0, 0))};
    int k = 0;
    for (auto _ : state) {
        calendar.setDateTime(dates[k]);
        benchmark::DoNotOptimize(calendar.dayGrid()->picture().constBits());
        k ^= 1;
    }
}
BENCHMARK(BM_SetDateTimeOtherMonth)->Unit(benchmark::kMicrosecond);

void BM_SetDateTimeOtherMonthWithPicture(benchmark::State &state) {
    LunarCalendarWidget calendar;
    QImage picture(313, 253, QImage::Format_RGB888);
    picture.fill(QColor(30, 60, 90));
    picture.setPixelColor(0, 0, Qt::white);
    calendar.setBackgroundImage(picture);
    const QDateTime dates[] = {QDateTime(QDate(1850, 6, 29), QTime(0, 0)),
                               QDateTime(QDate(2033, 12, 22), QTime(0, 0))};
    int k = 0;
    for (auto _ : state) {
        calendar.setDateTime(dates[k]);
        benchmark::DoNotOptimize(calendar.dayGrid()->picture().constBits());
        k ^= 1;
    }
}
BENCHMARK(BM_SetDateTimeOtherMonthWithPicture)->Unit(benchmark::kMicrosecond);

// The parts of a date change on their own.
void BM_MonthFill(benchmark::State &state) {
    lunar::DateInfo info;
    LunarCalendarMonth month;
    const LunarCalendarMonth::Colors colors{Qt::darkGray, Qt::darkGreen, Qt::red, Qt::blue,
                                            Qt::red};
    int m = 1;
    for (auto _ : state) {
        month.clear(Qt::darkGray);
        benchmark::DoNotOptimize(month.fill(info, 2024, m, 10, colors));
        m = m % 12 + 1;
    }
}
BENCHMARK(BM_MonthFill)->Unit(benchmark::kMicrosecond);

void BM_GridRedraw(benchmark::State &state) {
    LunarCalendarWidget calendar;
    calendar.setDateTime(QDateTime(QDate(2024, 2, 10), QTime(0, 0)));
    for (auto _ : state) {
        calendar.dayGrid()->redraw();
        benchmark::DoNotOptimize(calendar.dayGrid()->picture().constBits());
    }
}
BENCHMARK(BM_GridRedraw)->Unit(benchmark::kMicrosecond);

void BM_BackgroundRebuild(benchmark::State &state) {
    LunarCalendarWidget calendar;
    bool frame = true;
    for (auto _ : state) {
        frame = !frame;
        calendar.setShowFrame(frame); // rebuilds the background
        benchmark::DoNotOptimize(calendar.backBuffer().constBits());
    }
}
BENCHMARK(BM_BackgroundRebuild)->Unit(benchmark::kMicrosecond);

} // namespace
