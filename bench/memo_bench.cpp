// Wrapping and drawing memo paragraphs as text labels do: 10,000 paragraphs of 40 to 400 characters,
// 10 pt Arial in a box three inches wide at screen resolution.
#include "host/devicecontext.h"
#include "host/encoding.h"
#include "offscreenmain.h"
#include "output/PimMemoU.h"
#include "output/PimOut.h"
#include "output/PimUtil.h"

#include <benchmark/benchmark.h>
#include <random>
#include <vector>

namespace {

constexpr int ParagraphCount = 10000;

// The paragraphs as the report engine hands them over: UTF-16LE after the mark FF FE.
const std::vector<QByteArray>& Paragraphs() {
    static const std::vector<QByteArray> P = [] {
        static const char* Words[] = {"the",    "quick", "brown",   "fox",   "jumps",    "over",
                                      "lazy",   "dog",   "invoice", "total", "customer", "address",
                                      "amount", "due",   "payment", "terms", "shipped",  "order",
                                      "number", "a",     "of",      "and",   "to",       "in",
                                      "for",    "with",  "report",  "page"};
        std::mt19937 Random(11);
        std::uniform_int_distribution<int> Length(40, 400);
        std::uniform_int_distribution<int> Word(0, int(std::size(Words)) - 1);
        std::vector<QByteArray> R;
        R.reserve(ParagraphCount);
        for (int i = 0; i < ParagraphCount; ++i) {
            const int n = Length(Random);
            QString S;
            while (S.size() < n)
                S += QString::fromLatin1(Words[Word(Random)]) + u' ';
            S.truncate(n);
            R.push_back(StringToUtf16LE(S, true));
        }
        return R;
    }();
    return P;
}

void Prepare(TPimMemo& Memo, TPimMemoAlignment Alignment) {
    TFont F;
    F.SetName(QStringLiteral("Arial"));
    F.SetSize(10);
    Memo.SetFont(F);
    Memo.SetPixelsPerInch(96);
    Memo.SetWidth(288);
    Memo.SetMemoAlignment(Alignment);
}

void Load(TPimMemo& Memo, const QByteArray& Bytes) {
    TMemoryStream& S = Memo.MemoStream();
    S.Clear();
    S.WriteBuffer(Bytes.constData(), Bytes.size());
}

void WrapParagraphs(benchmark::State& State) {
    const auto& P = Paragraphs();
    TPimMemo Memo;
    Prepare(Memo, TPimMemoAlignment(State.range(0)));
    int64_t Lines = 0;
    for (auto _ : State) {
        for (const QByteArray& Bytes : P) {
            Load(Memo, Bytes);
            Memo.UpdateMemo();
            Lines += Memo.MemoLines();
        }
    }
    State.SetItemsProcessed(State.iterations() * ParagraphCount);
    State.counters["lines"] = double(Lines) / double(State.iterations());
}
BENCHMARK(WrapParagraphs)->Arg(maLeft)->Arg(maJustify)->Unit(benchmark::kMillisecond);

// Wraps and draws every paragraph going down a page at 96 pixels per inch: on a page image, or on a
// device without pixels, which leaves the cost of the memo, the surface and the justified-text
// drawing without the glyphs themselves.
void DrawOn(benchmark::State& State, std::unique_ptr<DeviceContext> DC) {
    const auto& P = Paragraphs();
    TPimMemo Memo;
    Prepare(Memo, TPimMemoAlignment(State.range(0)));
    TPimCanvas Canvas;
    Canvas.SetHandle(DC.get());
    for (auto _ : State) {
        int y = 0;
        for (const QByteArray& Bytes : P) {
            Load(Memo, Bytes);
            Memo.Print(&Canvas, 48, y);
            y += Memo.PrintHeight();
            if (y > 960) y = 0;
        }
    }
    Canvas.SetHandle(nullptr);
    State.SetItemsProcessed(State.iterations() * ParagraphCount);
}

TDeviceCaps PageCaps() {
    TDeviceCaps c;
    c.Technology = DT_RASPRINTER;
    c.PhysicalWidth = c.HorzRes = 816;
    c.PhysicalHeight = c.VertRes = 1056;
    return c;
}

void WrapAndDrawParagraphs(benchmark::State& State) {
    DrawOn(State, DeviceContext::CreateImage(816, 1056, 96, 96, DT_RASPRINTER));
}
BENCHMARK(WrapAndDrawParagraphs)
    ->Arg(maLeft)
    ->Arg(maCenter)
    ->Arg(maRight)
    ->Arg(maJustify)
    ->Unit(benchmark::kMillisecond);

void WrapAndDrawParagraphsWithoutPixels(benchmark::State& State) {
    DrawOn(State, std::make_unique<DeviceContext>(std::make_unique<TNullSurface>(PageCaps())));
}
BENCHMARK(WrapAndDrawParagraphsWithoutPixels)->Arg(maLeft)->Arg(maJustify)->Unit(benchmark::kMillisecond);

// One justified line of N words, as a document of hostile size plays it: the cost must grow with the
// line's length, not with its square.
void JustifyOneLongLine(benchmark::State& State) {
    const int Words = int(State.range(0));
    QString Line;
    for (int i = 0; i < Words; ++i)
        Line +=
            (i ? QStringLiteral(" ") : QString()) + (i % 2 ? QStringLiteral("total") : QStringLiteral("il"));
    DeviceContext DC(std::make_unique<TNullSurface>(PageCaps()));
    TLogFont Lf;
    Lf.lfHeight = -13;
    Lf.lfFaceName = QStringLiteral("Arial");
    HFONT Font = CreateFontIndirect(Lf);
    DC.SelectObject(Font);
    TSize Size;
    DC.GetTextExtentPoint32(Line, Size);
    for (auto _ : State)
        PimSetTextJustify(&DC, 0, 0, Line, Size.cx + Words);
    DC.SelectObject(GetStockObject(SYSTEM_FONT));
    DeleteObject(Font);
    State.SetComplexityN(Words);
}
BENCHMARK(JustifyOneLongLine)->Arg(8000)->Arg(64000)->Unit(benchmark::kMillisecond)->Complexity();

} // namespace

int main(int argc, char** argv) {
    return RunOffscreenBenchmarks(argc, argv);
}
