// The band manager over a page of 50 bands (two groups, sub bands, and sub data bands three deep with
// their head and foot bands): rebuilding its lists, and painting every row of the band outline. Against
// the paint, in the same run, a plain list of 50 text rows of the same size painted on the same
// picture. Both paints report rows per second; the ratio goes into the issue note.
#include "design/Pageman.h"
#include "host/listbox.h"
#include "offscreenmain.h"
#include "report/PimPage.h"
#include "report/VyrCtrl.h"
#include "report/VyrRep.h"

#include <QApplication>
#include <QImage>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

constexpr int Rows = 50;
constexpr int ListWidth = 604;
constexpr int ListHeight = Rows * 14 + 4;

// A page with its five main bands, made at run time, grown to 50 bands, and its band manager.
struct TFiftyBands {
    TComponent Form{nullptr};
    TVyrReport* Report = new TVyrReport(&Form);
    TVyrGrouppage* Page = new TVyrGrouppage(&Form);
    TVyrPageManager* Manager = new TVyrPageManager(nullptr);
    int Made = 0;

    TFiftyBands() {
        Page->SetParent(Report);
        Page->AddMainBands();
        for (int g = 0; g < 2; ++g) {
            auto* G = new TVyrGroup(&Form);
            G->SetName(QStringLiteral("Group%1").arg(g));
            G->SetParent(Page);
            G->AddBands(Page);
            G->SetLevel(g);
            Sub<TVyrSubBand>(G->Header(), true);
            Sub<TVyrSubBand>(G->Footer(), false);
        }
        for (int d = 0; d < 4; ++d) {
            TVyrBand* Outer = Sub<TVyrSubDataBand>(Page->Detail(), false);
            Sub<TVyrDataHeadBand>(Outer, false);
            Sub<TVyrDataFootBand>(Outer, false);
            Sub<TVyrSubBand>(Outer, true);
            Sub<TVyrSubBand>(Outer, false);
            TVyrBand* Middle = Sub<TVyrSubDataBand>(Outer, false);
            Sub<TVyrSubBand>(Middle, false);
            Sub<TVyrSubDataBand>(Middle, false);
        }
        for (TVyrBand* Main : {Page->Head(), Page->PageHead(), Page->PageFoot()})
            Sub<TVyrSubBand>(Main, false);
        while (Page->Bands()->size() < size_t(Rows))
            Sub<TVyrSubBand>(Page->Detail(), false);
        Page->OrderBands();
        Page->SetPageManager(Manager);
        Manager->SetPage(Page);
        Manager->BandList->SetAlign(alNone);
        Manager->BandList->SetBounds(0, 0, ListWidth, ListHeight);
        Manager->UpdateLists();
    }
    template <class T> TVyrBand* Sub(TVyrBand* To, bool Above) {
        auto* B = new T(&Form);
        B->SetName(QStringLiteral("Band%1").arg(++Made));
        B->SetParent(Page);
        B->SetBandName(B->Name());
        B->SetBand(To);
        if constexpr (std::is_same_v<T, TVyrSubBand>) B->SetAbove(Above);
        return B;
    }
};

void UpdateLists(benchmark::State& State) {
    TFiftyBands P;
    for (auto _ : State) {
        P.Manager->UpdateLists();
        benchmark::DoNotOptimize(P.Manager->BandList->Items().Count());
    }
}

void PaintBandRows(benchmark::State& State) {
    TFiftyBands P;
    QImage Image(ListWidth, ListHeight, QImage::Format_RGB32);
    auto DC = DeviceContext::CreateForImage(&Image, 96, 96);
    if (P.Manager->BandList->Items().Count() != Rows) State.SkipWithError("not 50 rows");
    for (auto _ : State)
        P.Manager->BandList->PaintTo(*DC);
    State.counters["rows/s"] =
        benchmark::Counter(double(Rows) * double(State.iterations()), benchmark::Counter::kIsRate);
}

void PaintTextRows(benchmark::State& State) {
    TComponent Owner(nullptr);
    auto* List = new TListBox(&Owner);
    List->SetItemHeight(14);
    List->SetBounds(0, 0, ListWidth, ListHeight);
    for (int i = 0; i < Rows; ++i)
        List->Items().Add(QStringLiteral("Band%1").arg(i + 1));
    QImage Image(ListWidth, ListHeight, QImage::Format_RGB32);
    auto DC = DeviceContext::CreateForImage(&Image, 96, 96);
    for (auto _ : State)
        List->PaintTo(*DC);
    State.counters["rows/s"] =
        benchmark::Counter(double(Rows) * double(State.iterations()), benchmark::Counter::kIsRate);
}

BENCHMARK(UpdateLists)->Unit(benchmark::kMicrosecond);
BENCHMARK(PaintBandRows)->Unit(benchmark::kMicrosecond);
BENCHMARK(PaintTextRows)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    return RunOffscreenBenchmarks<QApplication>(argc, argv);
}
