// Costs of the calls a report page makes most: measuring and drawing text, and ruling lines and boxes.
#include "host/devicecontext.h"
#include "offscreenmain.h"
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

// A page of memo text: a thousand lines of forty characters in one font.
void BM_TextOutPage(benchmark::State& State) {
    TBenchDevice B(int(State.range(0)));
    const QString Line = QStringLiteral("Net sales of the quarter by region: 1234");
    for (auto _ : State)
        for (int i = 0; i < 1000; ++i)
            B.DC->TextOut(100, 100 + (i % 50) * 20, Line);
    State.SetItemsProcessed(State.iterations() * 1000);
}
BENCHMARK(BM_TextOutPage)->Arg(96)->Arg(300)->Unit(benchmark::kMillisecond);

// The same page on a device that also keeps the log, as the tests' recording devices do.
void BM_TextOutPageLogged(benchmark::State& State) {
    TBenchDevice B(int(State.range(0)));
    B.DC->StartLog();
    const QString Line = QStringLiteral("Net sales of the quarter by region: 1234");
    for (auto _ : State) {
        for (int i = 0; i < 1000; ++i)
            B.DC->TextOut(100, 100 + (i % 50) * 20, Line);
        B.DC->Log()->Clear();
    }
    State.SetItemsProcessed(State.iterations() * 1000);
}
BENCHMARK(BM_TextOutPageLogged)->Arg(96)->Unit(benchmark::kMillisecond);

// A line drawn one character per call, as rich text and justified lines are.
void BM_ExtTextOutByCharacter(benchmark::State& State) {
    TBenchDevice B(int(State.range(0)));
    const QString Line = QStringLiteral("Net sales of the quarter by region: 1234");
    for (auto _ : State) {
        int X = 100;
        for (qsizetype i = 0; i < Line.size(); ++i) {
            QStringView Ch = QStringView(Line).mid(i, 1);
            B.DC->ExtTextOut(X, 100, 0, nullptr, Ch);
            TSize S;
            B.DC->GetTextExtentPoint32(Ch, S);
            X += S.cx;
        }
    }
    State.SetItemsProcessed(State.iterations() * 40);
}
BENCHMARK(BM_ExtTextOutByCharacter)->Arg(96)->Arg(300);

// Two fonts taking turns, as a label and its value do.
void BM_TextOutTwoFonts(benchmark::State& State) {
    TBenchDevice B(int(State.range(0)));
    TLogFont Lf;
    Lf.lfHeight = -(10 * int(State.range(0)) + 36) / 72;
    Lf.lfWeight = FW_BOLD;
    Lf.lfFaceName = QStringLiteral("Times New Roman");
    HFONT Bold = CreateFontIndirect(Lf);
    for (auto _ : State) {
        B.DC->SelectObject(Bold);
        B.DC->TextOut(100, 100, u"Region");
        B.DC->SelectObject(B.Font);
        B.DC->TextOut(300, 100, u"Northern");
    }
    DeleteObject(Bold);
}
BENCHMARK(BM_TextOutTwoFonts)->Arg(96)->Arg(300);

void BM_FillRect(benchmark::State& State) {
    TBenchDevice B(int(State.range(0)));
    HBRUSH Brush = CreateSolidBrush(RGB(230, 230, 230));
    TRect R{50, 50, 800, 120};
    for (auto _ : State)
        B.DC->FillRect(R, Brush);
    DeleteObject(Brush);
}
BENCHMARK(BM_FillRect)->Arg(96)->Arg(300);

// Ruling lines: horizontal, as grids and underlines are.
void BM_LineTo(benchmark::State& State) {
    TBenchDevice B(int(State.range(0)));
    for (auto _ : State) {
        B.DC->MoveToEx(50, 200);
        B.DC->LineTo(800, 200);
    }
}
BENCHMARK(BM_LineTo)->Arg(96)->Arg(300);

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
    return RunOffscreenBenchmarks(argc, argv);
}
