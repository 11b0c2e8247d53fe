#pragma once
// The main every benchmark shares: an offscreen application of the kind the benchmark needs, then the
// benchmarks named on the command line. Benchmarks that lay out reports ask for the fixed format
// settings the report tests use, so that their texts do not follow the machine's locale.
#include "host/formatting.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>

template <class TApplication = QGuiApplication>
int RunOffscreenBenchmarks(int argc, char** argv, bool FixedFormats = false) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication App(argc, argv);
    if (FixedFormats) SetFormatSettings(TFormatSettings::Fixed());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
