// A million in-memory rows read through report variables: eight database variables and four totals
// over them on a page of five levels, one detail-level update and a read of each variable per row.
// Against it, the same fields read through TField and summed by hand into the same five levels, in
// the same run. Both report rows per second; the ratio goes into the issue note.
#include "host/memdataset.h"
#include "report/PimPage.h"
#include "report/VyrVar.h"

#include <array>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

constexpr int RowCount = 1000000;
constexpr int LevelCount = 5;
constexpr int DetailLevel = 3;

struct TFieldSpec {
    const char* Name;
    TFieldType Type;
};

constexpr std::array<TFieldSpec, 8> Fields = {{
    {"Id", ftInteger},
    {"Customer", ftString},
    {"Amount", ftCurrency},
    {"Quantity", ftInteger},
    {"Price", ftFloat},
    {"Ordered", ftDate},
    {"Shipped", ftBoolean},
    {"Note", ftString},
}};

// The fields the totals add up.
constexpr std::array<int, 4> Summed = {2, 3, 4, 6};

TMemDataSet& Rows() {
    static TMemDataSet* Set = [] {
        auto* s = new TMemDataSet();
        for (const TFieldSpec& f : Fields)
            s->FieldDefs().Add(QString::fromLatin1(f.Name), f.Type, f.Type == ftString ? 30 : 0);
        for (int i = 0; i < RowCount; ++i) {
            s->AppendRecord({i, QStringLiteral("Customer %1").arg(i % 997), (i % 10000) / 100.0, i % 50,
                             (i % 777) * 0.25, double(45000 + i % 3000), i % 3 == 0,
                             i % 5 == 0 ? QVariant() : QVariant(QStringLiteral("note"))});
        }
        return s;
    }();
    return *Set;
}

// A page with five levels (the first two header levels), the variables on the detail level.
struct TVariablePage {
    TComponent Form{nullptr};
    TVyrPage* Page = new TVyrPage(&Form);
    TDataSource Source;
    std::vector<TVyrLevel*> Levels;
    std::vector<TVyrDBVar*> Vars;
    std::vector<TVyrTotalvar*> Totals;

    TVariablePage() {
        Source.SetDataSet(&Rows());
        for (int i = 0; i < LevelCount; ++i) {
            auto* L = new TVyrLevel(&Form);
            L->SetParent(Page);
            L->SetIsHeader(i < 2);
            L->SetLevel(i);
            Levels.push_back(L);
        }
        for (const TFieldSpec& f : Fields) {
            auto* V = new TVyrDBVar(&Form);
            V->SetParent(Page);
            V->SetUpdateLevel(Levels[DetailLevel]);
            V->SetDataSource(&Source);
            V->SetDataField(QString::fromLatin1(f.Name));
            Vars.push_back(V);
        }
        for (int s : Summed) {
            auto* T = new TVyrTotalvar(&Form);
            T->SetParent(Page);
            T->SetUpdateLevel(Levels[DetailLevel]);
            T->SetVariable(Vars[static_cast<size_t>(s)]);
            Totals.push_back(T);
        }
        for (TVyrDBVar* V : Vars) {
            V->SetRunning(true);
            V->Initialize();
        }
        for (TVyrTotalvar* T : Totals) {
            T->SetRunning(true);
            T->Initialize();
        }
    }
};

void ThroughVariables(benchmark::State& State) {
    Rows(); // made once, outside the timing
    double Check = 0;
    for (auto _ : State) {
        TVariablePage P;
        TDataSet& Set = Rows();
        Set.First();
        TVyrLevel* Detail = P.Levels[DetailLevel];
        while (!Set.Eof()) {
            P.Page->UpdateDataLevel(Detail);
            for (TVyrDBVar* V : P.Vars) {
                if (V->DataType() == dtypeString)
                    benchmark::DoNotOptimize(V->AsString());
                else
                    benchmark::DoNotOptimize(V->AsFloat());
            }
            for (TVyrTotalvar* T : P.Totals)
                Check += T->GetLevelNow(Detail, ttSum)->AsFloat();
            Set.Next();
        }
        Check += P.Totals[0]->GetLevelNow(P.Levels[0], ttSum)->AsFloat();
    }
    benchmark::DoNotOptimize(Check);
    State.counters["rows/s"] =
        benchmark::Counter(double(RowCount) * double(State.iterations()), benchmark::Counter::kIsRate);
}

void ByHand(benchmark::State& State) {
    Rows();
    double Check = 0;
    for (auto _ : State) {
        TDataSet& Set = Rows();
        if (!Set.Active()) Set.Open();
        std::vector<TField*> F;
        for (const TFieldSpec& f : Fields)
            F.push_back(Set.FieldByName(QString::fromLatin1(f.Name)));
        std::array<std::array<double, LevelCount>, Summed.size()> Sums{};
        Set.First();
        while (!Set.Eof()) {
            for (TField* Field : F) {
                if (Field->DataType() == ftString)
                    benchmark::DoNotOptimize(Field->AsString());
                else if (Field->DataType() == ftDate)
                    benchmark::DoNotOptimize(Field->AsDateTime());
                else
                    benchmark::DoNotOptimize(Field->AsFloat());
            }
            for (size_t t = 0; t < Summed.size(); ++t) {
                TField* Field = F[static_cast<size_t>(Summed[t])];
                const double v =
                    Field->DataType() == ftBoolean ? (Field->AsBoolean() ? 1.0 : 0.0) : Field->AsFloat();
                for (int l = 2; l < LevelCount; ++l)
                    Sums[t][static_cast<size_t>(l)] += v;
                Check += Sums[t][DetailLevel];
            }
            Set.Next();
        }
        Check += Sums[0][2];
    }
    benchmark::DoNotOptimize(Check);
    State.counters["rows/s"] =
        benchmark::Counter(double(RowCount) * double(State.iterations()), benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(ThroughVariables)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(ByHand)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
