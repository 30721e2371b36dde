// Start-up of the desktop program: time from the start of the process to the moment its main
// window is mapped (the month page has been laid out and its notes loaded before the window
// maps), and the resident memory once it has settled. Each iteration starts a fresh process
// on a data folder that holds a fully written month; the counters give the median and the
// slowest start.
// The daily backup is measured on a folder with 30 years of notes: starts whose daily copy is
// already there against starts where it is due, with the time until the copy is complete.
#include "AppPaths.h"
#include "BackupManager.h"
#include "NoteStore.h"
#include "NoteYears.h"

#include <benchmark/benchmark.h>
#include <xcb/xcb.h>

#include <QDate>
#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct ProgramFolder {
    QTemporaryDir dir;
    QTemporaryDir runtime;
    std::string binary;

    explicit ProgramFolder(int years = 0) {
        const fs::path root = dir.path().toStdString();
        binary = (root / "kestrova").string();
        fs::copy_file(KESTROVA_BINARY, binary);
        fs::copy(KESTROVA_RESOURCES, root / "resources", fs::copy_options::recursive);
        const AppPaths paths(dir.path());
        paths.ensureLayout();
        // A month full of notes and a day plan, as a user's month looks.
        NoteStore store;
        store.open(paths.databaseFile());
        MonthCells cells;
        for (int i = 0; i < NoteStore::CellCount; ++i)
            cells[i] = QByteArray("{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0 SimSun;}}"
                                  "\\f0\\fs18 Meeting at ten, call the bank, ") +
                       QByteArray::number(i) + "\\par}";
        const QDate today = QDate::currentDate();
        store.writeMonth(NoteStore::yearMonthKey(today), cells);
        store.writeDayPlan(
            NoteStore::dayKey(today),
            "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 SimSun;}}\\f0 Plan of the day\\par}");
        store.close();
        if (years > 0) benchdata::fillYears(paths.databaseFile(), years);
        setenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit().constData(), 1);
        unsetenv("QT_QPA_PLATFORM");
    }
};

ProgramFolder &folder() {
    static ProgramFolder f;
    return f;
}

ProgramFolder &folder30Years() {
    static ProgramFolder f(30);
    return f;
}

bool isProgramWindow(xcb_connection_t *c, xcb_window_t w) {
    const auto cookie = xcb_get_property(c, 0, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 64);
    xcb_get_property_reply_t *reply = xcb_get_property_reply(c, cookie, nullptr);
    if (!reply) return false;
    const std::string value(static_cast<const char *>(xcb_get_property_value(reply)),
                            xcb_get_property_value_length(reply));
    free(reply);
    return value.find("Kestrova1024K715") != std::string::npos;
}

// Waits for the program's window to map; false on timeout.
bool waitForMap(xcb_connection_t *c, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
    while (Clock::now() < deadline) {
        while (xcb_generic_event_t *e = xcb_poll_for_event(c)) {
            const bool mapped =
                (e->response_type & 0x7f) == XCB_MAP_NOTIFY &&
                isProgramWindow(c, reinterpret_cast<xcb_map_notify_event_t *>(e)->window);
            free(e);
            if (mapped) return true;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        poll(&fd, 1, static_cast<int>(std::max<long>(1, left.count())));
    }
    return false;
}

long residentKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

// A connection to the display that is told when windows map; null (and the benchmark skipped)
// without a display.
xcb_connection_t *watchMaps(benchmark::State &state) {
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        state.SkipWithError("no X display");
        return nullptr;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);
    return c;
}

// The program's process id, or 0 when it cannot be started.
pid_t start(ProgramFolder &program) {
    char *argv[] = {program.binary.data(), nullptr};
    pid_t pid = 0;
    return posix_spawn(&pid, program.binary.c_str(), nullptr, nullptr, argv, environ) == 0 ? pid
                                                                                           : 0;
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void BM_StartToMonthPageShown(benchmark::State &state) {
    ProgramFolder &program = folder();
    xcb_connection_t *c = watchMaps(state);
    if (!c) return;

    double rssMiB = 0;
    std::vector<double> times;
    for (auto _ : state) {
        const auto started = Clock::now();
        const pid_t pid = start(program);
        if (pid == 0) {
            state.SkipWithError("cannot start the program");
            break;
        }
        const bool shown = waitForMap(c, 10000);
        const auto elapsed = std::chrono::duration<double>(Clock::now() - started);
        if (!shown) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            state.SkipWithError("the window did not appear");
            break;
        }
        state.SetIterationTime(elapsed.count());
        times.push_back(elapsed.count() * 1000);
        // Past the show timer: the 42 editors are visible and reloaded.
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        rssMiB = residentKiB(pid) / 1024.0;
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
    if (!times.empty()) {
        std::sort(times.begin(), times.end());
        state.counters["median_ms"] = times[times.size() / 2];
        state.counters["max_ms"] = times.back();
    }
    state.counters["rss_MiB"] = rssMiB;
    xcb_disconnect(c);
}
} // namespace

BENCHMARK(BM_StartToMonthPageShown)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(7);

// Starts on 30 years of notes. Arg 1: the day's copy is removed before each start, so the daily
// backup is due; arg 0: it is there. Manual time: start to the window mapped; ready_ms: start
// to the window mapped and the day's copy complete (renamed into place).
void BM_StartWithDailyBackup(benchmark::State &state) {
    ProgramFolder &program = folder30Years();
    const bool due = state.range(0) != 0;
    const AppPaths paths(program.dir.path());
    const fs::path copy =
        (paths.backupDir() + "/" + BackupManager::dailyFileName(QDate::currentDate()))
            .toStdString();
    if (!due && !fs::exists(copy))
        BackupManager(paths.databaseFile(), paths.backupDir()).backupNow(QDate::currentDate());
    xcb_connection_t *c = watchMaps(state);
    if (!c) return;
    std::vector<double> shownMs, readyMs;
    for (auto _ : state) {
        if (due) fs::remove(copy);
        const auto started = Clock::now();
        const pid_t pid = start(program);
        if (pid == 0) {
            state.SkipWithError("cannot start the program");
            break;
        }
        const bool shown = waitForMap(c, 10000);
        const auto mapped = std::chrono::duration<double>(Clock::now() - started);
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (!fs::exists(copy) && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        const auto ready = std::chrono::duration<double>(Clock::now() - started);
        const bool copied = fs::exists(copy);
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        if (!shown || !copied) {
            state.SkipWithError(shown ? "the daily copy did not appear" : "no window");
            break;
        }
        state.SetIterationTime(mapped.count());
        shownMs.push_back(mapped.count() * 1000);
        readyMs.push_back(ready.count() * 1000);
    }
    state.counters["median_ms"] = median(shownMs);
    state.counters["ready_ms"] = median(readyMs);
    xcb_disconnect(c);
}

BENCHMARK(BM_StartWithDailyBackup)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

BENCHMARK_MAIN();
