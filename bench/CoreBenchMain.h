#pragma once

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <functional>

// The entry of the benchmarks without widgets: a core application, the benchmark's own options,
// then `prepare` (the fixture database, made once before any timing) and the runs.
inline int runCoreBenchmarks(int argc, char **argv, const std::function<void()> &prepare) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    prepare();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
