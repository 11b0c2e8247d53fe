// Fast label placement against doing its work by hand: a vertical drop of 100 variables with their
// captions to the left (200 labels made, formatted, named, placed and selected, the band grown), and
// the same 200 labels made, named and placed one by one by code, in the same run.
#include "design/PimDrop.h"
#include "host/buttons.h"
#include "host/combobox.h"
#include "host/designer.h"
#include "host/listbox.h"
#include "host/messages.h"
#include "offscreenmain.h"
#include "report/PimPage.h"
#include "report/VyrText.h"
#include "report/VyrUtil.h"
#include "report/VyrVar.h"

#include <QApplication>
#include <benchmark/benchmark.h>

namespace {

constexpr int Variables = 100;

// A designed form holding a report whose page lists Variables expression variables.
struct TDesignedPage {
    TDesignedPage() : Designer(&Form) {
        Form.SetName(QStringLiteral("Form1"));
        Report = new TVyrReport(&Form);
        Report->SetName(QStringLiteral("VyrReport1"));
        Report->SetParent(&Form);
        DeliverPostedMessages();
        Page = Report->Page();
        for (int i = 0; i < Variables; ++i) {
            auto* V = new TVyrExprVar(&Form);
            V->SetName(QStringLiteral("Amount%1").arg(i, 3, 10, QLatin1Char('0')));
            V->SetParent(Page);
            V->SetDataType(dtypeFloat);
            Vars.push_back(V);
        }
    }
    ~TDesignedPage() { DeliverPostedMessages(); }

    TForm Form{nullptr};
    TDesignerHost Designer;
    TVyrReport* Report = nullptr;
    TVyrPage* Page = nullptr;
    std::vector<TVyrVar*> Vars;
};

void BM_FastVerticalDropWithCaptionsLeft(benchmark::State& State) {
    TDesignedPage D;
    TPimDropLabels Tool(nullptr);
    Tool.SetPage(D.Page);
    Tool.FillComboBoxes();
    for (int i = 0; i < Tool.PimVariableList->Items().Count(); ++i)
        if (Tool.PimVariableList->Items()[i].startsWith(QStringLiteral("Amount"))) {
            Tool.PimVariableList->SetSelected(i, true);
            Tool.PimVariableListClick();
        }
    Tool.sbVert->SetDown(true);
    Tool.sbLeft->SetDown(true);
    Tool.TextBand->SetItemIndex(Tool.TextBand->Items().IndexOf(D.Page->Detail()->Name()));
    for (auto _ : State) {
        Tool.DropLabels(D.Page->Detail(), 150, 5);
        State.PauseTiming();
        Tool.SpeedButton1Click();
        State.ResumeTiming();
    }
    State.counters["labels"] = 2 * Variables;
}
BENCHMARK(BM_FastVerticalDropWithCaptionsLeft)->Unit(benchmark::kMillisecond);

void BM_SameLabelsByHand(benchmark::State& State) {
    TDesignedPage D;
    TVyrBand* Band = D.Page->Detail();
    std::vector<TVyrLabel*> Made;
    for (auto _ : State) {
        int y = 5;
        for (TVyrVar* Var : D.Vars) {
            auto* Caption = new TVyrvarlabel(&D.Form);
            VyrAutoSetComponentName(Caption, Caption->ClassName(), true);
            Caption->SetParent(Band);
            Caption->SetCaption(Var->Name());
            Caption->SetHorizontalAlign(laRight);
            Caption->SetBounds(150 - 80 - 3, y, 80, 17);
            auto* Value = new TVyrvarlabel(&D.Form);
            VyrAutoSetComponentName(Value, Value->ClassName(), true);
            Value->SetParent(Band);
            Value->SetVariable(Var);
            Value->SetBounds(150, y, 65, 17);
            Made.push_back(Caption);
            Made.push_back(Value);
            y += 17 + 5;
        }
        State.PauseTiming();
        for (TVyrLabel* L : Made) {
            L->SetParent(nullptr);
            delete L;
        }
        Made.clear();
        State.ResumeTiming();
    }
    State.counters["labels"] = 2 * Variables;
}
BENCHMARK(BM_SameLabelsByHand)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return RunOffscreenBenchmarks<QApplication>(argc, argv);
}
