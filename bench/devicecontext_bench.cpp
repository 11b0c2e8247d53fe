// Costs of the calls a report page makes most: measuring and drawing text, and ruling lines and boxes.
#include "host/devicecontext.h"
#include <QGuiApplication>
#include <benchmark/benchmark.h>

namespace {

struct TBenchDevice {
    std::unique_ptr<DeviceContext> DC;
    HFONT Font;
    explicit TBenchDevice(int PPI) {
        DC = DeviceContext::CreateImage(PPI * 17 / 2, PPI * 11, PPI, PPI);
        TLogFont Lf;
        Lf.lfHeight = -(10 * PPI + 36) / 72;
        Lf.lfFaceName = QStringLiteral("Arial");
        Font = CreateFontIndirect(Lf);
        DC->SelectObject(Font);
        DC->SetBkMode(TRANSPARENT);
    }
    ~TBenchDevice() {
        DC->SelectObject(GetStockObject(SYSTEM_FONT));
        DeleteObject(Font);
    }
};

void BM_TextExtent(benchmark::State& State) {
    TBenchDevice B(int(State.range(0)));
    TSize S;
    for (auto _ : State) {
        B.DC->GetTextExtentPoint32(u"Quarterly total for the northern region", S);
        benchmark::DoNotOptimize(S);
    }
}
BENCHMARK(BM_TextExtent)->Arg(96)->Arg(300);

void BM_TextOut(benchmark::State& State) {
    TBenchDevice B(int(State.range(0)));
    for (auto _ : State)
        B.DC->TextOut(100, 100, u"Quarterly total for the northern region");
}
BENCHMARK(BM_TextOut)->Arg(96)->Arg(300);

void BM_Rectangle(benchmark::State& State) {
    TBenchDevice B(int(State.range(0)));
    for (auto _ : State)
        B.DC->Rectangle(50, 50, 800, 120);
}
BENCHMARK(BM_Rectangle)->Arg(96)->Arg(300);

void BM_SlantedLine(benchmark::State& State) {
    TBenchDevice B(int(State.range(0)));
    for (auto _ : State) {
        B.DC->MoveToEx(50, 200);
        B.DC->LineTo(800, 260);
    }
}
BENCHMARK(BM_SlantedLine)->Arg(96)->Arg(300);

void BM_Ellipse(benchmark::State& State) {
    TBenchDevice B(int(State.range(0)));
    for (auto _ : State)
        B.DC->Ellipse(50, 50, 400, 300);
}
BENCHMARK(BM_Ellipse)->Arg(96)->Arg(300);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication App(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
