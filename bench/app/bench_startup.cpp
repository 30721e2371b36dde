// Start-up of the desktop program against a minimal Qt Widgets program built with the same flags:
// time from the start of the process to the moment its main window is mapped (the month page
// has been laid out and its notes loaded before the window maps), the processor time used up to
// then by all its threads, ended ones included, and the peak resident memory once it has
// settled. Each iteration starts a fresh process of each, one after the other, so all see the
// same load: the minimal program (as hello world, at the main window's size, and showing the
// characters of the notes at that size), kestrova on data folders with 1, 30 and 100 years of daily
// notes (the month shown full: 200 Chinese characters in every cell), and kestrova's first start
// on a folder it lays out. The counters give the medians; the lines after the table give their
// ratios.
// The daily backup is measured on a folder with 30 years of notes: starts whose daily copy is
// already there against starts where it is due, with the time until the copy is complete.
#include "NoteYears.h"
#include "store/AppPaths.h"
#include "store/BackupManager.h"
#include "store/NoteStore.h"

#include <benchmark/benchmark.h>
#include <xcb/xcb.h>

#include <QDate>
#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The program with its resources in a folder of its own, which is also its data folder: none
// yet (a first start lays it out), or a month of short notes and `years` years of notes before
// it (fillYears()), or `years` years of daily notes ending with a full current month.
struct ProgramFolder {
    enum class Data { None, ShortNotes, DailyNotes };

    QTemporaryDir dir;
    QTemporaryDir runtime;
    std::string binary;

    explicit ProgramFolder(Data data = Data::ShortNotes, int years = 0) {
        const fs::path root = dir.path().toStdString();
        binary = (root / "kestrova").string();
        fs::copy_file(KESTROVA_BINARY, binary);
        fs::copy(KESTROVA_RESOURCES, root / "resources", fs::copy_options::recursive);
        setenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit().constData(), 1);
        unsetenv("QT_QPA_PLATFORM");
        if (data == Data::None) return;
        const AppPaths paths(dir.path());
        paths.ensureLayout();
        if (data == Data::DailyNotes) {
            benchdata::fillDailyNotes(paths.databaseFile(), years);
            return;
        }
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
    }

    // Back to a folder that was never started in: the program and its resources alone.
    void clearData() const {
        const fs::path root = dir.path().toStdString();
        for (const char *made : {"DB3", "source"}) fs::remove_all(root / made);
    }
};

ProgramFolder &folder30Years() {
    static ProgramFolder f(ProgramFolder::Data::ShortNotes, 30);
    return f;
}

const std::string kKestrovaClass = "Kestrova1024K715";

// True when the window's WM_CLASS names the program.
bool isProgramWindow(xcb_connection_t *c, xcb_window_t w, const std::string &windowClass) {
    const auto cookie = xcb_get_property(c, 0, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 64);
    xcb_get_property_reply_t *reply = xcb_get_property_reply(c, cookie, nullptr);
    if (!reply) return false;
    const std::string value(static_cast<const char *>(xcb_get_property_value(reply)),
                            xcb_get_property_value_length(reply));
    free(reply);
    return value.find(windowClass) != std::string::npos;
}

// Waits for the program's window to map; false on timeout.
bool waitForMap(xcb_connection_t *c, const std::string &windowClass, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
    while (Clock::now() < deadline) {
        while (xcb_generic_event_t *e = xcb_poll_for_event(c)) {
            const bool mapped =
                (e->response_type & 0x7f) == XCB_MAP_NOTIFY &&
                isProgramWindow(c, reinterpret_cast<xcb_map_notify_event_t *>(e)->window,
                                windowClass);
            free(e);
            if (mapped) return true;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        poll(&fd, 1, static_cast<int>(std::max<long>(1, left.count())));
    }
    return false;
}

// The peak resident memory of a running process, in KiB.
long peakResidentKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

// The processor time a running process has used, in milliseconds: all its threads, those that
// have ended too (what getrusage(RUSAGE_SELF) would tell inside it). Less sensitive to the
// machine's load than the wall time.
double cpuMs(pid_t pid) {
    clockid_t clock;
    timespec used{};
    if (clock_getcpuclockid(pid, &clock) != 0 || clock_gettime(clock, &used) != 0) return 0;
    return used.tv_sec * 1e3 + used.tv_nsec / 1e6;
}

struct Start {
    double ms = 0;
    double cpuMs = 0; // at the mapped window
    double peakMiB = 0;
};

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

// The process id of `binary` started with `argument` (when given), or 0 when it cannot be
// started.
pid_t start(std::string binary, std::string argument = {}) {
    char *argv[] = {binary.data(), argument.empty() ? nullptr : argument.data(), nullptr};
    pid_t pid = 0;
    return posix_spawn(&pid, binary.c_str(), nullptr, nullptr, argv, environ) == 0 ? pid : 0;
}

// Starts `binary` with `argument` (when given), waits for its window, lets it settle and ends
// it. Empty on failure.
std::optional<Start> startOnce(xcb_connection_t *c, const std::string &binary,
                               const std::string &argument, const std::string &windowClass) {
    const auto started = Clock::now();
    const pid_t pid = start(binary, argument);
    if (pid == 0) return {};
    const bool shown = waitForMap(c, windowClass, 10000);
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - started).count();
    const double cpu = shown ? cpuMs(pid) : 0;
    std::optional<Start> result;
    if (shown) {
        // Past kestrova's show timer: the 42 editors are visible and reloaded.
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        result = Start{ms, cpu, peakResidentKiB(pid) / 1024.0};
    }
    kill(pid, shown ? SIGTERM : SIGKILL);
    waitpid(pid, nullptr, 0);
    return result;
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The samples of one program, and their medians.
struct Samples {
    std::vector<double> times, cpus, peaks;
    void add(const Start &s) {
        times.push_back(s.ms);
        cpus.push_back(s.cpuMs);
        peaks.push_back(s.peakMiB);
    }
    double time() const { return median(times); }
    double cpu() const { return median(cpus); }
    double peak() const { return median(peaks); }
};

std::string summary; // printed after the benchmark's table

// The years of daily notes of the start-up comparison.
constexpr std::array<int, 3> kYears = {1, 30, 100};

void BM_StartupAgainstMinimalWidgets(benchmark::State &state) {
    using Data = ProgramFolder::Data;
    static std::array<ProgramFolder, kYears.size()> programs = {
        ProgramFolder(Data::DailyNotes, kYears[0]), ProgramFolder(Data::DailyNotes, kYears[1]),
        ProgramFolder(Data::DailyNotes, kYears[2])};
    static ProgramFolder firstStart(Data::None);
    xcb_connection_t *c = watchMaps(state);
    if (!c) return;

    Samples hello, sized, monthText, first;
    std::array<Samples, kYears.size()> kestrova;
    for (auto _ : state) {
        const std::optional<Start> h = startOnce(c, MINIMAL_BINARY, "", "minimal_widgets");
        const std::optional<Start> s =
            startOnce(c, MINIMAL_BINARY, "--like-main-window", "minimal_widgets");
        const std::optional<Start> t =
            startOnce(c, MINIMAL_BINARY, "--month-text", "minimal_widgets");
        std::array<std::optional<Start>, kYears.size()> k;
        for (std::size_t i = 0; i < k.size(); ++i)
            k[i] = startOnce(c, programs[i].binary, "", kKestrovaClass);
        firstStart.clearData();
        const std::optional<Start> f = startOnce(c, firstStart.binary, "", kKestrovaClass);
        if (!h || !s || !t || !f || !k[0] || !k[1] || !k[2]) {
            state.SkipWithError("a window did not appear");
            break;
        }
        state.SetIterationTime(k[0]->ms / 1000);
        hello.add(*h);
        sized.add(*s);
        monthText.add(*t);
        first.add(*f);
        for (std::size_t i = 0; i < k.size(); ++i) kestrova[i].add(*k[i]);
    }
    xcb_disconnect(c);
    if (hello.times.empty()) return;
    const auto count = [&state](const std::string &name, const Samples &samples) {
        state.counters[name + "_ms"] = samples.time();
        state.counters[name + "_cpu_ms"] = samples.cpu();
        state.counters[name + "_peak_MiB"] = samples.peak();
    };
    count("hello", hello);
    count("sized", sized);
    count("month_text", monthText);
    count("first_start", first);
    for (std::size_t i = 0; i < kYears.size(); ++i)
        count("kestrova_" + std::to_string(kYears[i]) + "y", kestrova[i]);

    char line[512];
    std::snprintf(line, sizeof line,
                  "kestrova against a minimal Qt Widgets program (medians of %zu starts each; "
                  "hello world %.1f ms, %.1f ms processor, %.1f MiB):\n"
                  "  time to mapped window (goal <= 2x), processor time to it, peak RSS "
                  "(goal <= 1.6x):\n",
                  hello.times.size(), hello.time(), hello.cpu(), hello.peak());
    summary = line;
    const auto ratios = [&](const char *name, const Samples &k, const Samples &base) {
        std::snprintf(line, sizeof line, "  %-34s %.2fx  %.2fx  %.2fx\n", name,
                      k.time() / base.time(), k.cpu() / base.cpu(), k.peak() / base.peak());
        summary += line;
    };
    for (std::size_t i = 0; i < kYears.size(); ++i) {
        const std::string name =
            std::to_string(kYears[i]) + (kYears[i] == 1 ? " year" : " years") + " of daily notes:";
        ratios(name.c_str(), kestrova[i], hello);
    }
    ratios("first start (lays out its folder):", first, hello);
    ratios("1 year, against hello world sized:", kestrova[0], sized);
    ratios("1 year, against the month's text:", kestrova[0], monthText);
    ratios("the month's text, against hello:", monthText, hello);
    std::snprintf(line, sizeof line,
                  "  100 years against 1 year: time to mapped window %.2fx (goal <= 1.15x), "
                  "processor time %.2fx\n",
                  kestrova[2].time() / kestrova[0].time(), kestrova[2].cpu() / kestrova[0].cpu());
    summary += line;
}
} // namespace

BENCHMARK(BM_StartupAgainstMinimalWidgets)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(7);

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
        const pid_t pid = start(program.binary);
        if (pid == 0) {
            state.SkipWithError("cannot start the program");
            break;
        }
        const bool shown = waitForMap(c, kKestrovaClass, 10000);
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

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::fputs(summary.c_str(), stdout);
    return 0;
}
