// How fast values become display text: every printed total and variable goes through these.
#include "host/formatting.h"
#include "report/VyrData.h"
#include "report/VyrFloat.h"

#include <benchmark/benchmark.h>

namespace {

const TFormatSettings Settings = TFormatSettings::Fixed();

void FloatNumberForm(benchmark::State& State) {
    double v = 1234567.891;
    for (auto _ : State) {
        benchmark::DoNotOptimize(FloatToStrF(v, ffNumber, 15, 2, Settings));
        v += 0.01;
    }
}
BENCHMARK(FloatNumberForm);

void FloatGeneralForm(benchmark::State& State) {
    double v = 0.1;
    for (auto _ : State) {
        benchmark::DoNotOptimize(FloatToStrF(v, ffGeneral, 15, 0, Settings));
        v += 0.37;
    }
}
BENCHMARK(FloatGeneralForm);

void NumberPattern(benchmark::State& State) {
    const QString Pattern = QStringLiteral("#,##0.00;(#,##0.00);zero");
    double v = -98765.4321;
    for (auto _ : State) {
        benchmark::DoNotOptimize(FormatFloat(Pattern, v, Settings));
        v += 1.5;
    }
}
BENCHMARK(NumberPattern);

void DateTimePattern(benchmark::State& State) {
    const QString Pattern = QStringLiteral("dddd, mmmm d, yyyy hh:nn:ss");
    TDateTime v = 45356.5;
    for (auto _ : State) {
        benchmark::DoNotOptimize(FormatDateTime(Pattern, v, Settings));
        v += 0.001;
    }
}
BENCHMARK(DateTimePattern);

void TotalLabelText(benchmark::State& State) {
    TFormatSettingsScope Scope(Settings);
    TVyrFloat Value;
    Value.SetTotalType(ttSum);
    TVyrFloatFormat Format;
    for (auto _ : State) {
        Value.SetAsFloat(12.34);
        benchmark::DoNotOptimize(Format.FormatAsString(&Value));
    }
}
BENCHMARK(TotalLabelText);

} // namespace

BENCHMARK_MAIN();
