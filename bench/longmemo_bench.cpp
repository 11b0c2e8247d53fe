// One stretching memo label that runs over many pages: a single record whose detail band holds a
// variable label, as wide as the printable A4 page in 10 pt Arial, showing a text of 80,000, 160,000
// and 320,000 words (some 75, 150 and 300 pages), recorded into a document. The label's text does
// not change while it prints, so the time should grow with the text, not with its square.
#include "offscreenmain.h"
#include "onerecord.h"
#include "output/PimOut.h"
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
    TOneRecordReport R;
    TVyrPageSetup* Setup = R.Page->PageSetup();
    Setup->SetUnits(unitMiliMeters);
    for (auto Margin : {&TVyrPageSetup::SetLeftMargin, &TVyrPageSetup::SetTopMargin,
                        &TVyrPageSetup::SetRightMargin, &TVyrPageSetup::SetBottomMargin})
        (Setup->*Margin)(10);
    TVyrBand* Detail = R.Detail;
    Detail->SetHeight(18);
    Detail->SetStretch(true);
    auto* Var = new TVyrExprVar(&R.Form);
    Var->SetParent(R.Page);
    Var->SetDataType(dtypeString);
    Var->SetUpdateLevel(Detail->UpdateLevel());
    Var->OnGetData = [&Text](TVyrVar* Sender) { Sender->SetAsString(Text); };
    auto* Label = new TVyrvarlabel(&R.Form);
    Label->SetParent(Detail);
    Label->SetVariable(Var);
    Label->SetBounds(0, 0, 710, 18);
    Label->SetWrapText(true);
    Label->SetStretch(true);

    for (auto _ : State) {
        TPimOutput Output;
        Setup->GetPimPrinterSetup(Output.PimPrinterSetup());
        RunPasses(*R.Page, Output);
    }
    State.counters["pages"] = static_cast<double>(R.Page->PageCount());
}

BENCHMARK(LongMemo)->Arg(80000)->Arg(160000)->Arg(320000)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    return RunOffscreenBenchmarks(argc, argv, true);
}
