// A band of eight single-line labels and two three-line memo labels printed 10,000 times into a
// document, page after page. Against it, in the same run, the same drawing calls made straight on
// the drawing surface: the fonts, brushes, alignments and texts of the labels and the memos' lines
// drawn by the memo. Both report rows (band prints) per second; the ratio goes into the issue note.
#include "host/encoding.h"
#include "offscreenmain.h"
#include "output/PimFile.h"
#include "output/PimMemoU.h"
#include "output/PimOut.h"
#include "report/PSetup.h"
#include "report/PimPage.h"
#include "report/VyrRep.h"
#include "report/VyrText.h"

#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

namespace {

constexpr int Rows = 10000;
constexpr int SingleLabels = 8;
constexpr int MemoLabels = 2;
constexpr int LabelWidth = 90;
constexpr int LineHeightGuess = 60; // the memo labels' height: three lines of 8 points and margins

const QString MemoText = QStringLiteral("First line of the memo\r\nSecond line of it\r\nThird and last line");

QString Caption(int i) {
    return QStringLiteral("Label %1 of the band").arg(i);
}

// A report page of Letter paper at 96 pixels per inch with one band of labels, printing into a
// document.
struct TLabelPage {
    TComponent Form{nullptr};
    TVyrReport* Report = new TVyrReport(&Form);
    TVyrGrouppage* Page = new TVyrGrouppage(&Form);
    TVyrBand* Band = new TVyrBand(&Form);
    TPimOutput Output;

    TLabelPage() {
        Report->SetPixelsPerInch(96);
        Page->SetParent(Report);
        Band->SetParent(Page);
        Band->SetHeight(LineHeightGuess + 4);
        Band->SetColor(clWhite);
        for (int i = 0; i < SingleLabels; ++i) {
            auto* L = new TVyrTextLabel(&Form);
            L->SetParent(Band);
            L->SetBounds((i % 4) * (LabelWidth + 4), (i / 4) * 20, LabelWidth, 17);
            L->SetCaption(Caption(i));
            L->SetHorizontalAlign(TVyrHorizontalAlign(i % 3));
        }
        for (int i = 0; i < MemoLabels; ++i) {
            auto* M = new TVyrTextLabel(&Form);
            M->SetParent(Band);
            M->SetBounds(4 * (LabelWidth + 4) + i * (LabelWidth + 4), 0, LabelWidth + 60, LineHeightGuess);
            M->SetWrapText(true);
            M->SetStretch(false);
            M->SetCaption(MemoText);
        }
        Output.SetDestination(adPimFile);
        Page->SetPrintTo(&Output);
    }
    ~TLabelPage() { Page->SetPrintTo(nullptr); }
};

void ThroughLabels(benchmark::State& State) {
    for (auto _ : State) {
        TLabelPage P;
        TVyrPage& Page = *P.Page;
        P.Output.BeginDoc();
        Page.Position(0, 0);
        const int Bottom = Page.YPos() + Page.getpageheight();
        for (int r = 0; r < Rows; ++r) {
            if (Page.YPos() + P.Band->Height() > Bottom) {
                P.Output.NewPage();
                Page.Position(0, 0);
            }
            P.Band->Print(&Page);
            Page.SetYPos(Page.YPos() + P.Band->Height());
        }
        P.Output.EndDoc();
        benchmark::DoNotOptimize(P.Output.PimFile()->PageCount());
    }
    State.counters["rows/s"] =
        benchmark::Counter(double(Rows) * double(State.iterations()), benchmark::Counter::kIsRate);
}

// The calls the labels make, written out: a text label sets its font, its clear brush, its
// alignment and angle and draws its text; a memo label sets its font and brush and has its memo
// draw its three lines.
void StraightOnTheCanvas(benchmark::State& State) {
    for (auto _ : State) {
        TLabelPage P;
        TVyrPage& Page = *P.Page;
        std::vector<std::unique_ptr<TPimMemo>> Memos;
        for (TVyrLabel* L : *P.Band->Labels()) {
            if (!L->WrapText()) continue;
            auto M = std::make_unique<TPimMemo>();
            M->SetFont(*L->Font());
            M->SetPixelsPerInch(96);
            M->SetWidth(L->Width() - 4);
            QByteArray Bytes = StringToUtf16LE(MemoText, true);
            M->MemoStream().WriteBuffer(Bytes.constData(), Bytes.size());
            Memos.push_back(std::move(M));
        }
        P.Output.BeginDoc();
        TPimCanvas& C = *P.Output.PimCanvas();
        TBrush Clear;
        Clear.SetStyle(bsClear);
        Page.Position(0, 0);
        const int Bottom = Page.YPos() + Page.getpageheight();
        for (int r = 0; r < Rows; ++r) {
            if (Page.YPos() + P.Band->Height() > Bottom) {
                P.Output.NewPage();
                Page.Position(0, 0);
            }
            const int X = Page.XPos(), Y = Page.YPos();
            size_t m = 0;
            for (TVyrLabel* L : *P.Band->Labels()) {
                C.SetFont(*L->Font());
                C.SetBrush(Clear);
                if (L->WrapText()) {
                    C.SetFontAngle(0);
                    Memos[m]->Print(&C, X + L->Left() + 2, Y + L->Top() + 2);
                    ++m;
                    continue;
                }
                C.SetTextAlign(L->AlignFlags());
                C.SetFontAngle(0);
                C.Textout(X + L->GetXSpot(L->Left()), Y + L->GetYSpot(L->Top()), L->Caption());
            }
            Page.SetYPos(Page.YPos() + P.Band->Height());
        }
        P.Output.EndDoc();
        benchmark::DoNotOptimize(P.Output.PimFile()->PageCount());
    }
    State.counters["rows/s"] =
        benchmark::Counter(double(Rows) * double(State.iterations()), benchmark::Counter::kIsRate);
}

BENCHMARK(ThroughLabels)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(StraightOnTheCanvas)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    return RunOffscreenBenchmarks(argc, argv);
}
