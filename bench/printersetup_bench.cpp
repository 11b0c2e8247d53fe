// Writing and reading the printer-setup block that opens every recorded page.
#include "host/streams.h"
#include "output/PimSetup.h"

#include <benchmark/benchmark.h>

static void FlaggedSetup(TPimPrinterSetup& S) {
    S.SetOrientation(2);
    S.SetPaperSize(9);
    S.SetLength(11.69);
    S.SetWidth(8.27);
    S.SetCopies(2);
    S.SetDuplex(2);
    S.SetCollatedCopies(false);
    S.SetFormName(QStringLiteral("A4 210 x 297 mm"));
}

static void WriteBlock(benchmark::State& State) {
    TPimPrinterSetup S;
    FlaggedSetup(S);
    TMemoryStream M;
    for (auto _ : State) {
        M.SetPosition(0);
        S.WriteToStream(M);
        benchmark::DoNotOptimize(M.Position());
    }
    State.SetBytesProcessed(State.iterations() * M.Size());
}
BENCHMARK(WriteBlock);

static void ReadBlock(benchmark::State& State) {
    TPimPrinterSetup S;
    FlaggedSetup(S);
    TMemoryStream M;
    S.WriteToStream(M);
    TPimPrinterSetup R;
    for (auto _ : State) {
        M.SetPosition(2);
        benchmark::DoNotOptimize(R.ReadFromStream(M));
    }
    State.SetBytesProcessed(State.iterations() * M.Size());
}
BENCHMARK(ReadBlock);

BENCHMARK_MAIN();
