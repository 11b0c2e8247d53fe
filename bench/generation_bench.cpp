// Generating the "orders" report into a document file over generated orders, eight a customer, at
// 1,000, 10,000 and 100,000 rows (25, 250 and 2,500 pages); both passes of the two-pass report are
// timed. The rows are made in memory before timing. Besides pages per second it reports how far the
// resident memory grew above what it was before the run (the high-water mark, reset first): the
// document spills to disk, so the growth should stay flat as the rows grow. It also counts the heap
// allocations of the run (both passes) per detail row, with every allocation of the process counted.
#include "allocations.h"
#include "offscreenmain.h"
#include "orders_layout.h"
#include "ordersrows.h"
#include "output/PimOut.h"
#include "peakmemory.h"
#include "report/PSetup.h"
#include "report/PimPage.h"
#include "report/VyrRep.h"
#include "support/passdriver.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

void Generation(benchmark::State& State) {
    const int Rows = static_cast<int>(State.range(0));
    TMemDataSet Set;
    benchorders::FillOrders(Set, Rows);
    QTemporaryDir Dir;
    const QString FileName = Dir.filePath(QStringLiteral("orders.pim"));
    TOrdersForm Form;
    BuildOrdersReport(&Form, &Set);
    TVyrGrouppage* Page = FindOrdersParts(&Form).Page;
    Page->PageSetup()->SetDestination(destFile);
    Page->SetPimFileName(FileName);

    int64_t Pages = 0;
    uint64_t Allocations = 0;
    benchmemory::ResetPeak();
    const long BaseKb = benchmemory::StatusKb("VmRSS:");
    for (auto _ : State) {
        TPimOutput Output;
        Page->PageSetup()->GetPimPrinterSetup(Output.PimPrinterSetup());
        const uint64_t Before = benchalloc::Allocations();
        RunPasses(*Page, Output);
        Allocations += benchalloc::Allocations() - Before;
        Pages += Page->PageCount();
    }
    const long GrowthKb = benchmemory::StatusKb("VmHWM:") - BaseKb;
    State.counters["allocs/row"] = static_cast<double>(Allocations) / static_cast<double>(Rows) /
                                   static_cast<double>(State.iterations());
    State.counters["pages"] = static_cast<double>(Page->PageCount());
    State.counters["pages/s"] = benchmark::Counter(static_cast<double>(Pages), benchmark::Counter::kIsRate);
    State.counters["growth_MB"] = static_cast<double>(GrowthKb) / 1024.0;
    State.counters["file_MB"] = static_cast<double>(QFile(FileName).size()) / (1024.0 * 1024.0);
}

BENCHMARK(Generation)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    return RunOffscreenBenchmarks(argc, argv, true);
}
