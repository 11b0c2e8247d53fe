#pragma once
// The main of a benchmark that lays out reports: an offscreen application, the fixed format
// settings the report tests use, then the benchmarks named on the command line.
#include "host/formatting.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>

inline int RunOffscreenBenchmarks(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication App(argc, argv);
    SetFormatSettings(TFormatSettings::Fixed());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
