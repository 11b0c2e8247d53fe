// Recording long documents: 60 text records per page in three fonts, through the drawing surface
// of a job to a document, with the page stream's memory limit at its default. Besides pages per
// second it reports how far the resident memory grew while recording; that growth must not follow
// the page count, since the page stream spills to its temporary file.
#include "host/graphics.h"
#include "offscreenmain.h"
#include "output/PimFile.h"
#include "output/PimOut.h"
#include "output/PimStr.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <string>
#include <unistd.h>

namespace {

// Resident memory now, in kilobytes.
long ResidentKB() {
    std::ifstream Statm("/proc/self/statm");
    long Size = 0, Resident = 0;
    Statm >> Size >> Resident;
    return Resident * (sysconf(_SC_PAGESIZE) / 1024);
}

void RecordPages(benchmark::State& State) {
    const int Pages = int(State.range(0));
    TFont Fonts[3];
    const char* Names[3] = {"Arial", "Times New Roman", "Courier New"};
    for (int i = 0; i < 3; ++i) {
        Fonts[i].SetName(QString::fromLatin1(Names[i]));
        Fonts[i].SetSize(8 + 2 * i);
    }
    const QString Text = QStringLiteral("Invoice line with an amount of 1,234.56");
    long Growth = 0;
    for (auto _ : State) {
        TPimOutput Job;
        Job.SetDestination(adPimFile);
        Job.BeginDoc();
        TPimCanvas& C = *Job.PimCanvas();
        const long Before = ResidentKB();
        long Peak = Before;
        for (int p = 0; p < Pages; ++p) {
            if (p > 0) Job.NewPage();
            for (int r = 0; r < 60; ++r) {
                if (r % 20 == 0) C.SetFont(Fonts[r / 20]);
                C.Textout(100, 50 + r * 16, Text);
            }
            if (p % 500 == 0) Peak = std::max(Peak, ResidentKB());
        }
        Job.EndDoc();
        Peak = std::max(Peak, ResidentKB());
        Growth = Peak - Before;
        benchmark::DoNotOptimize(Job.PimFile()->Stream()->Size());
    }
    State.SetItemsProcessed(State.iterations() * Pages);
    State.counters["pages_per_s"] =
        benchmark::Counter(double(State.iterations() * Pages), benchmark::Counter::kIsRate);
    State.counters["rss_growth_kB"] = double(Growth);
}
BENCHMARK(RecordPages)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    return RunOffscreenBenchmarks(argc, argv);
}
