// Generating the "orders" report into a document file over generated orders, eight a customer, at
// 1,000, 10,000 and 100,000 rows (25, 250 and 2,500 pages); both passes of the two-pass report are
// timed. The rows are made in memory before timing. Besides pages per second it reports how far the
// resident memory grew above what it was before the run (the high-water mark, reset first): the
// document spills to disk, so the growth should stay flat as the rows grow.
#include "orders_layout.h"
#include "peakmemory.h"
#include "support/passdriver.h"
#include "host/formatting.h"
#include "host/memdataset.h"
#include "output/PimOut.h"
#include "report/PSetup.h"
#include "report/PimPage.h"
#include "report/VyrRep.h"

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// Orders with the fields of the report's query, eight for each customer, customers in name order.
void FillOrders(TMemDataSet& Set, int Rows) {
    Set.FieldDefs().Add(QStringLiteral("id"), ftInteger);
    Set.FieldDefs().Add(QStringLiteral("order_date"), ftDate);
    Set.FieldDefs().Add(QStringLiteral("shipped"), ftDateTime);
    Set.FieldDefs().Add(QStringLiteral("status"), ftString, 10);
    Set.FieldDefs().Add(QStringLiteral("discount"), ftFloat);
    Set.FieldDefs().Add(QStringLiteral("amount"), ftCurrency);
    Set.FieldDefs().Add(QStringLiteral("customer_id"), ftInteger);
    Set.FieldDefs().Add(QStringLiteral("name"), ftString, 40);
    Set.FieldDefs().Add(QStringLiteral("city"), ftString, 30);
    const QDate Start(2023, 1, 1);
    static const char* const Cities[] = {"Berlin", "Zürich", "Málaga", "Lyon", "Göteborg", "Kraków"};
    for (int n = 1; n <= Rows; ++n) {
        const int Customer = (n - 1) / 8 + 1;
        const QDate Date = Start.addDays((n * 53) % 730);
        Set.AppendRecord({n, Date, n % 9 ? QVariant(QDateTime(Date.addDays(n % 5), QTime(n % 24, (n * 7) % 60))) : QVariant(),
                          n % 9 == 0 ? QStringLiteral("open") : QStringLiteral("shipped"), (n % 4) * 0.025,
                          ((n * 104729) % 250000) / 100.0 + 5, Customer,
                          QStringLiteral("Customer %1").arg(Customer, 6, 10, QLatin1Char('0')),
                          QString::fromUtf8(Cities[Customer % 6])});
    }
}

void Generation(benchmark::State& State) {
    const int Rows = static_cast<int>(State.range(0));
    TMemDataSet Set;
    FillOrders(Set, Rows);
    QTemporaryDir Dir;
    const QString FileName = Dir.filePath(QStringLiteral("orders.pim"));
    TOrdersForm Form;
    BuildOrdersReport(&Form, &Set);
    TVyrGrouppage* Page = FindOrdersParts(&Form).Page;
    Page->PageSetup()->SetDestination(destFile);
    Page->SetPimFileName(FileName);

    int64_t Pages = 0;
    benchmemory::ResetPeak();
    const long BaseKb = benchmemory::StatusKb("VmRSS:");
    for (auto _ : State) {
        TPimOutput Output;
        Page->PageSetup()->GetPimPrinterSetup(Output.PimPrinterSetup());
        RunPasses(*Page, Output);
        Pages += Page->PageCount();
    }
    const long GrowthKb = benchmemory::StatusKb("VmHWM:") - BaseKb;
    State.counters["pages"] = static_cast<double>(Page->PageCount());
    State.counters["pages/s"] = benchmark::Counter(static_cast<double>(Pages), benchmark::Counter::kIsRate);
    State.counters["growth_MB"] = static_cast<double>(GrowthKb) / 1024.0;
    State.counters["file_MB"] = static_cast<double>(QFile(FileName).size()) / (1024.0 * 1024.0);
}

BENCHMARK(Generation)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication App(argc, argv);
    SetFormatSettings(TFormatSettings::Fixed());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
