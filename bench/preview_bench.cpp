// Painting the report page of the playing benchmark through the preview into its off-screen image,
// at 100 % and at the zoom that fits the whole page, against playing the same pages straight into a
// QImage of the zoomed page at the same zooms. The run ends with milliseconds a page for each.
#include "host/devicecontext.h"
#include "host/forms.h"
#include "host/mathutil.h"
#include "output/PimFile.h"
#include "output/PimSetup.h"
#include "reportpage.h"
#include "viewer/PimPrev.h"

#include <QApplication>
#include <QImage>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <memory>

namespace {

constexpr int Pages = 20;
// The client area of a viewer window at its designed size, below its toolbar.
constexpr int ClientWidth = 752;
constexpr int ClientHeight = 449;

std::shared_ptr<TPimPimFile> Document() {
    static std::shared_ptr<TPimPimFile> Doc = benchpage::RecordDocument(Pages);
    return Doc;
}

// The preview's zoom at the whole-page fit, found once.
int FitZoom() {
    static const int Zoom = [] {
        TPimPreview P(nullptr);
        P.SetBounds(0, 0, ClientWidth, ClientHeight);
        P.LoadFromPimFile(Document());
        P.SetPimZoom(azPage);
        return P.Zoom();
    }();
    return Zoom;
}

void PaintThroughPreview(benchmark::State& State, TPimZoom Zoom) {
    TPimPreview P(nullptr);
    P.SetBounds(0, 0, ClientWidth, ClientHeight);
    P.LoadFromPimFile(Document());
    P.SetPimZoom(Zoom);
    for (auto _ : State) {
        for (int Page = 1; Page <= Pages; ++Page) {
            // Turning the page reads the page's printer settings: not part of painting.
            State.PauseTiming();
            P.SetPage(Page);
            State.ResumeTiming();
            P.PaintPage(P.PaintBox2());
        }
    }
    benchmark::DoNotOptimize(P.PaintImage().constBits());
    State.counters["zoom"] = P.Zoom();
}

void PlayStraight(benchmark::State& State, int Zoom) {
    auto Doc = Document();
    const int Width = MulDiv(benchpage::PageWidth, Zoom, 100);
    const int Height = MulDiv(benchpage::PageHeight, Zoom, 100);
    QImage Image(Width, Height, QImage::Format_RGB32);
    auto DC = DeviceContext::CreateForImage(&Image, 96, 96);
    const HBRUSH White = GetStockObject(WHITE_BRUSH);
    Doc->SetHorzScale(Zoom);
    Doc->SetVertScale(Zoom);
    for (auto _ : State) {
        for (int Page = 1; Page <= Pages; ++Page) {
            DC->FillRect(TRect{0, 0, Width, Height}, White);
            Doc->PlayPage(DC.get(), Page);
        }
    }
    Doc->SetHorzScale(100);
    Doc->SetVertScale(100);
    State.counters["zoom"] = Zoom;
}

void BM_PreviewPaint100(benchmark::State& State) {
    PaintThroughPreview(State, az100);
}
BENCHMARK(BM_PreviewPaint100)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_PreviewPaintWholePage(benchmark::State& State) {
    PaintThroughPreview(State, azPage);
}
BENCHMARK(BM_PreviewPaintWholePage)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_PlayStraight100(benchmark::State& State) {
    PlayStraight(State, 100);
}
BENCHMARK(BM_PlayStraight100)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_PlayStraightWholePage(benchmark::State& State) {
    PlayStraight(State, FitZoom());
}
BENCHMARK(BM_PlayStraightWholePage)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Prints the usual table and, at the end, milliseconds a page for each way and zoom.
class TPageReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& Report) override {
        ConsoleReporter::ReportRuns(Report);
        for (const Run& R : Report)
            if (R.run_type == Run::RT_Iteration)
                // Real time of one iteration, in the benchmark's unit (ms), over the pages painted.
                PerPage[R.benchmark_name()] = R.GetAdjustedRealTime() / Pages;
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        for (const auto& [Name, Ms] : PerPage)
            std::printf("%-44s %8.3f ms a page\n", Name.c_str(), Ms);
        Ratio("100 %", "BM_PreviewPaint100", "BM_PlayStraight100");
        Ratio("the page fit", "BM_PreviewPaintWholePage", "BM_PlayStraightWholePage");
    }

private:
    double Find(const std::string& Prefix) const {
        for (const auto& [Name, Ms] : PerPage)
            if (Name == Prefix || Name.rfind(Prefix + "/", 0) == 0) return Ms;
        return 0;
    }
    void Ratio(const char* What, const std::string& Preview, const std::string& Straight) const {
        const double A = Find(Preview), B = Find(Straight);
        if (A > 0 && B > 0) std::printf("preview / straight at %s: %.2f\n", What, A / B);
    }

    std::map<std::string, double> PerPage;
};

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication App(argc, argv);
    Screen()->SetPixelsPerInch(96);
    benchmark::Initialize(&argc, argv);
    TPageReporter Reporter;
    benchmark::RunSpecifiedBenchmarks(&Reporter);
    return 0;
}
