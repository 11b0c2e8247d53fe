// Walking a million orders of the sample schema on SQLite, reading every field: through the
// buffered SQL data set, and through a plain forward-only QSqlQuery for comparison. Peak memory
// is the resident high-water mark of each run, reset before it.
#include "host/sqldataset.h"
#include "peakmemory.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

constexpr int RowCount = 1000000;

QString DatabaseFile;

using benchmemory::ResetPeak;
using benchmemory::StatusKb;

void MakeDatabase(const QString& File) {
    QSqlDatabase Db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("make"));
    Db.setDatabaseName(File);
    Db.open();
    ExecuteSqlScript(Db, QStringLiteral(R"(
CREATE TABLE orders (
    id INTEGER PRIMARY KEY,
    customer_id INTEGER NOT NULL,
    order_date DATE NOT NULL,
    shipped DATETIME,
    amount NUMERIC(12, 2) NOT NULL,
    discount REAL,
    status VARCHAR(10) NOT NULL,
    note MEMO
);
WITH RECURSIVE seq(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM seq WHERE n < %1)
INSERT INTO orders
SELECT n, (n * 37) % 500 + 1, date('2023-01-01', '+' || ((n * 53) % 730) || ' days'),
       CASE WHEN n % 9 <> 0 THEN
           datetime('2023-01-01', '+' || ((n * 53) % 730 + n % 5) || ' days', '+' || (n % 24) || ' hours')
       END,
       ((n * 104729) % 250000) / 100.0 + 5, (n % 4) * 0.025,
       CASE WHEN n % 9 = 0 THEN 'open' WHEN n % 13 = 0 THEN 'returned' ELSE 'shipped' END,
       CASE WHEN n % 25 = 0 THEN 'Gift wrap' || char(10) || 'Deliver to reception' END
FROM seq;)")
                             .arg(RowCount));
    Db.close();
}

void Report(benchmark::State& State, int64_t Rows, long BaseKb) {
    State.counters["rows/s"] = benchmark::Counter(static_cast<double>(Rows), benchmark::Counter::kIsRate);
    State.counters["peak_MB"] = static_cast<double>(StatusKb("VmHWM:") - BaseKb) / 1024.0;
}

void BM_QSqlQueryForwardOnly(benchmark::State& State) {
    QSqlDatabase Db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("plain"));
    Db.setDatabaseName(DatabaseFile);
    Db.open();
    int64_t Rows = 0;
    ResetPeak();
    const long BaseKb = StatusKb("VmRSS:");
    for (auto _ : State) {
        QSqlQuery q(Db);
        q.setForwardOnly(true);
        q.exec(QStringLiteral("SELECT * FROM orders"));
        const int Columns = q.record().count();
        while (q.next()) {
            for (int i = 0; i < Columns; ++i)
                benchmark::DoNotOptimize(q.value(i));
            ++Rows;
        }
    }
    Report(State, Rows, BaseKb);
    Db.close();
    Db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("plain"));
}

void BM_SqlDataSetWalk(benchmark::State& State) {
    int64_t Rows = 0;
    ResetPeak();
    const long BaseKb = StatusKb("VmRSS:");
    for (auto _ : State) {
        TSqlDataSet ds;
        ds.SetDatabaseName(DatabaseFile);
        ds.SetSQL(QStringLiteral("SELECT * FROM orders"));
        ds.Open();
        const int Columns = ds.FieldCount();
        for (; !ds.Eof(); ds.Next()) {
            for (int i = 0; i < Columns; ++i) {
                TField* f = ds.Fields(i);
                switch (StoreKindOf(f->DataType())) {
                case skInteger:
                    benchmark::DoNotOptimize(f->DataType() == ftCurrency ? f->AsCurrency() : f->AsLargeInt());
                    break;
                case skFloat:
                    benchmark::DoNotOptimize(IsDateTimeType(f->DataType()) ? f->AsDateTime() : f->AsFloat());
                    break;
                default:
                    benchmark::DoNotOptimize(f->AsString());
                    break;
                }
            }
            ++Rows;
        }
        State.counters["buffer_MB"] = static_cast<double>(ds.BufferMemory()) / (1024.0 * 1024.0);
    }
    Report(State, Rows, BaseKb);
}

BENCHMARK(BM_QSqlQueryForwardOnly)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SqlDataSetWalk)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication App(argc, argv);
    QTemporaryDir Dir;
    DatabaseFile = Dir.filePath(QStringLiteral("orders.db"));
    MakeDatabase(DatabaseFile);
    QSqlDatabase::removeDatabase(QStringLiteral("make"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
