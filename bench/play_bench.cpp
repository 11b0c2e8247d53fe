// Playing a recorded document into a screen image, as the preview does for every page shown,
// against drawing the same page straight with QPainter. The run ends with the ratio of the two.
#include "host/devicecontext.h"
#include "output/PimFile.h"
#include "reportpage.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <memory>

namespace {

constexpr int Pages = 1000;
using benchpage::Cell;
using benchpage::PageHeight;
using benchpage::PageWidth;
using benchpage::Rows;

std::shared_ptr<TPimPimFile> Document() {
    static std::shared_ptr<TPimPimFile> Doc = benchpage::RecordDocument(Pages);
    return Doc;
}

void BM_PlayDocumentInto96PpiImage(benchmark::State& State) {
    auto Doc = Document();
    auto DC = DeviceContext::CreateImage(PageWidth, PageHeight, 96, 96);
    const HBRUSH White = GetStockObject(WHITE_BRUSH);
    for (auto _ : State) {
        for (int Page = 1; Page <= Pages; ++Page) {
            DC->FillRect(TRect{0, 0, PageWidth, PageHeight}, White);
            Doc->PlayPage(DC.get(), Page);
        }
    }
    State.SetItemsProcessed(State.iterations() * Pages);
    State.counters["pages/s"] =
        benchmark::Counter(double(State.iterations()) * Pages, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PlayDocumentInto96PpiImage)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void PaintPage(QPainter& P, int Page, const QFont& Heading, const QFont& Body, const QFont& Footer) {
    P.fillRect(0, 0, PageWidth, PageHeight, Qt::white);
    P.setPen(Qt::black);
    P.setFont(Heading);
    P.drawText(48, 40 + QFontMetrics(Heading).ascent(), QStringLiteral("Sales by customer"));
    P.drawLine(48, 70, 745, 70);
    P.setFont(Body);
    const int Ascent = QFontMetrics(Body).ascent();
    for (int Row = 0; Row < Rows; ++Row) {
        const int Y = 80 + Row * 22;
        if (Row % 2) P.fillRect(48, Y, 698, 22, QColor(0xC0, 0xC0, 0xC0));
        for (int Column = 0; Column < 3; ++Column)
            P.drawText(56 + Column * 240, Y + 4 + Ascent, Cell(Page, Row, Column));
    }
    P.setBrush(Qt::NoBrush);
    P.drawRect(48, 80, 697, Rows * 22 - 1);
    P.setFont(Footer);
    P.drawText(48, 1060 + QFontMetrics(Footer).ascent(),
               QStringLiteral("Page %1 of %2").arg(Page + 1).arg(Pages));
}

void BM_DrawSamePagesWithQPainter(benchmark::State& State) {
    QImage Image(PageWidth, PageHeight, QImage::Format_RGB32);
    Image.setDotsPerMeterX(3780);
    Image.setDotsPerMeterY(3780);
    QFont Heading(QStringLiteral("Arial"));
    Heading.setPixelSize(19);
    Heading.setBold(true);
    QFont Body(QStringLiteral("Arial"));
    Body.setPixelSize(13);
    QFont Footer(QStringLiteral("Arial"));
    Footer.setPixelSize(11);
    for (auto _ : State) {
        QPainter P(&Image);
        for (int Page = 0; Page < Pages; ++Page)
            PaintPage(P, Page, Heading, Body, Footer);
    }
    State.SetItemsProcessed(State.iterations() * Pages);
    State.counters["pages/s"] =
        benchmark::Counter(double(State.iterations()) * Pages, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DrawSamePagesWithQPainter)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Prints the usual table and, at the end, how many times longer playing takes than QPainter.
class TRatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& Report) override {
        ConsoleReporter::ReportRuns(Report);
        for (const Run& R : Report)
            if (R.run_type == Run::RT_Iteration) Times[R.benchmark_name()] = R.GetAdjustedRealTime();
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        double Play = 0, Direct = 0;
        for (const auto& [Name, Time] : Times) {
            if (Name.rfind("BM_PlayDocument", 0) == 0)
                Play = Time;
            else if (Name.rfind("BM_DrawSamePages", 0) == 0)
                Direct = Time;
        }
        if (Play > 0 && Direct > 0) std::printf("playing / QPainter: %.2f\n", Play / Direct);
    }

private:
    std::map<std::string, double> Times;
};

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication App(argc, argv);
    benchmark::Initialize(&argc, argv);
    TRatioReporter Reporter;
    benchmark::RunSpecifiedBenchmarks(&Reporter);
    return 0;
}
