// One label with a very long caption (10 KB, 100 KB, 1 MB and 50 MB of text) on a one-record report,
// printed on the "PDF file" printer and written as a document file. A label shows no more of its text
// than its rectangle (or, unclipped, its page) can hold, so the time should follow the label's size,
// not its text. The kinds: the plain text label as it is dropped on a band (left, not clipped), a
// clipped right-aligned and a clipped centred one, and a word-wrapping memo that does not stretch.
//
//   longcaption_bench [--benchmark_filter=...]
//
// The argument "pdf" is 0 for the document file, 1 for the PDF; the counter "bytes" is the size of
// the file written.
#include "examplejobs.h"
#include "offscreenmain.h"
#include "onerecord.h"
#include "report/VyrText.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

enum TKind { kPlain, kRight, kCentre, kMemo };
enum TOutput { kDocument, kPdf };

QString Caption(int64_t Characters) {
    static const QString Words =
        QStringLiteral("the quick brown fox jumps over the lazy dog, invoice total due ");
    QString S;
    S.reserve(qsizetype(Characters));
    while (S.size() < Characters)
        S += Words;
    S.truncate(qsizetype(Characters));
    return S;
}

void LongCaption(benchmark::State& State) {
    const auto Kind = static_cast<TKind>(State.range(1));
    const auto Output = static_cast<TOutput>(State.range(2));
    const QString Text = Caption(State.range(0));
    QTemporaryDir Dir;
    const QString FileName =
        Dir.filePath(Output == kPdf ? QStringLiteral("long.pdf") : QStringLiteral("long.pim"));

    TOneRecordReport R;
    R.Detail->SetHeight(60);
    auto* Label = new TVyrTextLabel(&R.Form);
    Label->SetParent(R.Detail);
    Label->SetBounds(200, 0, 300, Kind == kMemo ? 60 : 18);
    Label->SetCaption(Text);
    if (Kind == kRight || Kind == kCentre) {
        Label->SetClipType(ctClip);
        Label->SetHorizontalAlign(Kind == kRight ? laRight : laCenter);
    }
    if (Kind == kMemo) {
        Label->SetWrapText(true);
        Label->SetStretch(false);
    }
    if (Output == kPdf) {
        UsePdfPrinter(FileName);
        R.Page->PageSetup()->SetDestination(destPrinter);
    } else {
        R.Page->PageSetup()->SetDestination(destFile);
        R.Page->SetPimFileName(FileName);
    }

    for (auto _ : State)
        R.Report->Run();
    if (!R.Report->ExceptionText().isEmpty()) State.SkipWithError(qPrintable(R.Report->ExceptionText()));
    State.counters["bytes"] = static_cast<double>(FileSize(FileName));
}

void Sizes(benchmark::internal::Benchmark* B) {
    for (int64_t Size : {10'000, 100'000, 1'000'000, 50'000'000})
        for (int Kind : {kPlain, kRight, kCentre, kMemo})
            for (int Output : {kDocument, kPdf})
                B->Args({Size, Kind, Output});
}

BENCHMARK(LongCaption)
    ->Apply(Sizes)
    ->ArgNames({"chars", "kind", "pdf"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    return RunOffscreenBenchmarks<QApplication>(argc, argv, true);
}
