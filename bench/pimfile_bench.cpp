// Saving and loading a recorded document of many pages through memory: the file layout around the
// page stream, the checks of a loaded file and the copy of the page data into a page stream that
// spills to its temporary file.
#include "host/graphics.h"
#include "host/streams.h"
#include "offscreenmain.h"
#include "output/PimFile.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

std::unique_ptr<TPimPimFile> Document(int Pages) {
    auto F = std::make_unique<TPimPimFile>();
    F->BeginDoc();
    TFont Font;
    Font.SetName(QStringLiteral("Arial"));
    const QString Text = QStringLiteral("Invoice line with an amount of 1,234.56");
    for (int p = 0; p < Pages; ++p) {
        if (p > 0) F->NewPage();
        for (int r = 0; r < 60; ++r) {
            if (r % 20 == 0) {
                Font.SetSize(8 + r / 10);
                F->SetFont(Font);
            }
            F->Textout(100, 50 + r * 16, Text);
        }
    }
    F->EndDoc();
    return F;
}

void SaveDocument(benchmark::State& State) {
    auto F = Document(int(State.range(0)));
    int64_t Bytes = 0;
    for (auto _ : State) {
        TMemoryStream M;
        F->SaveToStream(M);
        Bytes = M.Size();
        benchmark::DoNotOptimize(M.Memory());
    }
    State.SetBytesProcessed(State.iterations() * Bytes);
}
BENCHMARK(SaveDocument)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

void LoadDocument(benchmark::State& State) {
    auto F = Document(int(State.range(0)));
    TMemoryStream M;
    F->SaveToStream(M);
    for (auto _ : State) {
        M.SetPosition(0);
        TPimPimFile G;
        G.LoadFromStream(M);
        benchmark::DoNotOptimize(G.PageCount());
    }
    State.SetBytesProcessed(State.iterations() * M.Size());
}
BENCHMARK(LoadDocument)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return RunOffscreenBenchmarks(argc, argv);
}
