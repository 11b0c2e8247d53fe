// A designed band holding 200 text labels painted into one image, in the same run two ways: through
// the paint pass, which places, clips and paints the band and each label, and each label's bare
// Paint on the image with its origin set by hand. Both report labels per second; the ratio goes into
// the issue note.
#include "host/classes.h"
#include "host/devicecontext.h"
#include "host/forms.h"
#include "host/paintpass.h"
#include "offscreenmain.h"
#include "report/PimPage.h"
#include "report/VyrRep.h"
#include "report/VyrText.h"

#include <QImage>
#include <benchmark/benchmark.h>

namespace {

constexpr int Labels = 200;
constexpr int Columns = 10;
constexpr int Width = 1000;
constexpr int Height = 20 * (Labels / Columns) + 4;

// A band of 200 labels in ten columns on a page of a report that is being designed.
struct TDesignedBand {
    TForm Form{nullptr};
    TVyrReport* Report = nullptr;
    TVyrGrouppage* Page = nullptr;
    TVyrBand* Band = nullptr;
    QImage Image{Width, Height, QImage::Format_RGB32};

    TDesignedBand() {
        Form.SetDesigning(true);
        Report = new TVyrReport(&Form);
        Page = new TVyrGrouppage(&Form);
        Page->SetParent(Report);
        Band = new TVyrBand(&Form);
        Band->SetParent(Page);
        Band->SetBounds(0, 0, Width, Height);
        for (int i = 0; i < Labels; ++i) {
            auto* L = new TVyrTextLabel(&Form);
            L->SetParent(Band);
            L->SetBounds((i % Columns) * (Width / Columns), (i / Columns) * 20, Width / Columns - 4, 17);
            L->SetCaption(QStringLiteral("Label %1").arg(i));
        }
        ClearPostedMessages();
    }
};

void ThroughThePass(benchmark::State& State) {
    TDesignedBand B;
    auto DC = DeviceContext::CreateForImage(&B.Image, 96, 96);
    for (auto _ : State)
        PaintControl(B.Band, *DC);
    State.counters["labels/s"] =
        benchmark::Counter(double(Labels) * double(State.iterations()), benchmark::Counter::kIsRate);
}

void BarePaint(benchmark::State& State) {
    TDesignedBand B;
    auto DC = DeviceContext::CreateForImage(&B.Image, 96, 96);
    for (auto _ : State)
        for (TVyrLabel* L : *B.Band->Labels()) {
            DC->SetViewportOrgEx(L->Left(), L->Top());
            L->Canvas()->SetHandle(DC.get());
            L->Paint();
            L->Canvas()->SetHandle(nullptr);
        }
    State.counters["labels/s"] =
        benchmark::Counter(double(Labels) * double(State.iterations()), benchmark::Counter::kIsRate);
}

BENCHMARK(ThroughThePass)->Unit(benchmark::kMillisecond);
BENCHMARK(BarePaint)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return RunOffscreenBenchmarks(argc, argv);
}
