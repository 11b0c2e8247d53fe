// Reading a long formatted text and splitting it into pages, the work a stretching rich-text label
// does for every page it fills.
#include "host/richlayout.h"
#include "host/rtf.h"
#include "offscreenmain.h"

#include <benchmark/benchmark.h>

namespace {

QByteArray LongRtf(int Paragraphs) {
    QByteArray r = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}{\\f1 Times New Roman;}}"
                   "{\\colortbl;\\red200\\green0\\blue0;}";
    for (int i = 0; i < Paragraphs; ++i) {
        r += i % 2 ? "\\pard\\qj\\li360 " : "\\pard\\f1\\fs22 ";
        for (int w = 0; w < 80; ++w)
            r += w % 9 == 4 ? "{\\b caf\\'e9} " : w % 13 == 6 ? "{\\cf1\\u8364?} " : "word ";
        r += "\\par ";
    }
    return r + "}";
}

void ReadRtf(benchmark::State& State) {
    const QByteArray Rtf = LongRtf(200);
    for (auto _ : State) {
        TRichText t;
        t.Load(Rtf);
        benchmark::DoNotOptimize(t.TextLength());
    }
    State.SetBytesProcessed(State.iterations() * Rtf.size());
}
BENCHMARK(ReadRtf)->Unit(benchmark::kMillisecond);

// A4-sized text area at 600 pixels per inch, the whole text page by page.
void SplitIntoPages(benchmark::State& State) {
    TRichText t;
    t.Load(LongRtf(200));
    TRichLayoutOptions o;
    o.PixelsPerInchX = o.PixelsPerInchY = 600;
    const TRichLayout Layout(t, o);
    const QRect Page(0, 0, 1440 * 7 - 1, 1440 * 10 - 1);
    int Pages = 0;
    for (auto _ : State) {
        Pages = 0;
        for (int Pos = 0; Pos < t.TextLength(); ++Pages)
            Pos += Layout.Measure(Pos, -1, Page).Count;
    }
    State.counters["pages"] = Pages;
}
BENCHMARK(SplitIntoPages)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return RunOffscreenBenchmarks(argc, argv);
}
