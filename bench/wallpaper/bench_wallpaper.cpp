// The content picture with its save (every "设为桌面背景"), and the wallpaper dialog's opening
// and apply (composite, Mix.bmp and the installed copy) at two screen sizes, with the peak
// memory the apply adds. The desktop back-end itself is left out (it is another program's work).
#include "wallpaper/BmpFile.h"
#include "wallpaper/ContentPicture.h"
#include "wallpaper_ui/WallpaperDialog.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <fstream>
#include <string>

namespace {

QString shippedBackgrounds() {
    return QStringLiteral(KESTROVA_SOURCE_DIR "/resources/DeskTopBG");
}

// Resident and peak resident memory of this process in kB (VmRSS, VmHWM).
long statusKb(const char *field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0) return std::stol(line.substr(key.size()));
    return 0;
}

void resetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

void fill(WallpaperCells &cells) {
    for (int k = 0; k < 42; ++k) {
        cells[k].dayLabel = QString::number(k % 31 + 1);
        cells[k].note =
            QStringLiteral("会议 %1：与客户讨论第三季度的计划，带上报表\r\n买菜").arg(k);
    }
}

void BM_ContentPictureWithSave(benchmark::State &state) {
    QTemporaryDir dir;
    WallpaperDialog dialog(dir.path());
    fill(dialog.cells());
    for (auto _ : state) benchmark::DoNotOptimize(dialog.drawMonthContent());
}
BENCHMARK(BM_ContentPictureWithSave)->Unit(benchmark::kMillisecond);

// Opening the dialog on A1.bmp (load, cover the screen, blend, preview) and applying it.
void BM_OpenAndApply(benchmark::State &state) {
    QTemporaryDir dir;
    for (const char *name : {"A1", "A2"})
        BmpFile::save(dir.filePath(QLatin1String(name) + QStringLiteral(".bmp")),
                      QImage(shippedBackgrounds() + QLatin1Char('/') + QLatin1String(name) +
                             QStringLiteral(".png")));
    WallpaperDialog dialog(dir.path());
    dialog.setScreenSize(QSize(int(state.range(0)), int(state.range(1))));
    dialog.setInstaller([](const QString &, const QImage &, QString *) { return true; });
    fill(dialog.cells());
    dialog.drawMonthContent();
    long extraKb = 0;
    for (auto _ : state) {
        const long before = statusKb("VmRSS");
        resetPeak();
        if (!dialog.prepare() || !dialog.apply()) state.SkipWithError("apply failed");
        extraKb = std::max(extraKb, statusKb("VmHWM") - before);
    }
    state.counters["peak_extra_MB"] = double(extraKb) / 1024.0;
}
BENCHMARK(BM_OpenAndApply)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);

} // namespace
