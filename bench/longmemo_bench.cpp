// One stretching memo label that runs over many pages: a single record whose detail band holds a
// variable label, as wide as the printable A4 page in 10 pt Arial, showing a text of 80,000, 160,000
// and 320,000 words (some 75, 150 and 300 pages), recorded into a document. The label's text does
// not change while it prints, so the time should grow with the text, not with its square.
#include "host/memdataset.h"
#include "offscreenmain.h"
#include "output/PimOut.h"
#include "report/PSetup.h"
#include "report/PimPage.h"
#include "report/VyrRep.h"
#include "report/VyrText.h"
#include "report/VyrVar.h"
#include "support/passdriver.h"

#include <benchmark/benchmark.h>

namespace {

QString Words(int Count) {
    static const char* const Vocabulary[] = {"the",    "quick", "brown",   "fox",   "jumps",    "over",
                                             "lazy",   "dog",   "invoice", "total", "customer", "address",
                                             "amount", "due",   "payment", "terms", "shipped",  "order"};
    QString S;
    S.reserve(Count * 7);
    for (int i = 0; i < Count; ++i) {
        if (i > 0) S += (i % 97 == 0) ? QStringLiteral("\r\n") : QStringLiteral(" ");
        S += QLatin1String(Vocabulary[(i * 7 + i / 13) % std::size(Vocabulary)]);
    }
    return S;
}

void LongMemo(benchmark::State& State) {
    const QString Text = Words(static_cast<int>(State.range(0)));
    TMemDataSet Set;
    Set.FieldDefs().Add(QStringLiteral("id"), ftInteger);
    Set.AppendRecord({1});
    TComponent Form(nullptr);
    auto* Report = new TVyrReport(&Form);
    Report->SetPixelsPerInch(96);
    auto* Page = new TVyrGrouppage(&Form);
    Page->SetParent(Report);
    TVyrPageSetup* Setup = Page->PageSetup();
    Setup->SetSize(psA4);
    Setup->SetUnits(unitMiliMeters);
    for (auto Margin : {&TVyrPageSetup::SetLeftMargin, &TVyrPageSetup::SetTopMargin,
                        &TVyrPageSetup::SetRightMargin, &TVyrPageSetup::SetBottomMargin})
        (Setup->*Margin)(10);
    TDataSource Source;
    Source.SetDataSet(&Set);
    Page->SetDataSource(&Source);
    Page->AddMainBands();
    TVyrBand* Detail = Page->Detail();
    Detail->SetHeight(18);
    Detail->SetStretch(true);
    Detail->Font()->SetName(QStringLiteral("Arial"));
    Detail->Font()->SetSize(10);
    auto* Var = new TVyrExprVar(&Form);
    Var->SetParent(Page);
    Var->SetDataType(dtypeString);
    Var->SetUpdateLevel(Detail->UpdateLevel());
    Var->OnGetData = [&Text](TVyrVar* Sender) { Sender->SetAsString(Text); };
    auto* Label = new TVyrvarlabel(&Form);
    Label->SetParent(Detail);
    Label->SetVariable(Var);
    Label->SetBounds(0, 0, 710, 18);
    Label->SetWrapText(true);
    Label->SetStretch(true);

    for (auto _ : State) {
        TPimOutput Output;
        Setup->GetPimPrinterSetup(Output.PimPrinterSetup());
        RunPasses(*Page, Output);
    }
    State.counters["pages"] = static_cast<double>(Page->PageCount());
}

BENCHMARK(LongMemo)->Arg(80000)->Arg(160000)->Arg(320000)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    return RunOffscreenBenchmarks(argc, argv, true);
}
