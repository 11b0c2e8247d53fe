// Costs of the component model at the sizes a large report form reaches: freeing a form whose
// components are linked by free notifications, reading, opening and closing a large stored form, and
// posting and delivering messages.
#include "host/classes.h"
#include "host/db.h"
#include "host/messages.h"
#include "host/storedforms.h"
#include "offscreenmain.h"
#include <benchmark/benchmark.h>

namespace {

// Holds a reference to its predecessor and clears it on removal, as labels and variables do.
class TLinked : public TComponent {
public:
    explicit TLinked(TComponent* AOwner, TComponent* ATarget) : TComponent(AOwner), FTarget(ATarget) {
        if (ATarget) ATarget->FreeNotification(this);
    }
    void WndProc(TMessage& Message) override { FSum += Message.WParam; }
    uintptr_t FSum = 0;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override {
        TComponent::Notification(AComponent, Operation);
        if (Operation == opRemove && AComponent == FTarget) FTarget = nullptr;
    }

private:
    TComponent* FTarget;
};

void BM_FreeFormWithLinkedComponents(benchmark::State& State) {
    const int Count = static_cast<int>(State.range(0));
    for (auto _ : State) {
        State.PauseTiming();
        auto* Form = new TComponent(nullptr);
        TComponent* Previous = nullptr;
        for (int i = 0; i < Count; ++i)
            Previous = new TLinked(Form, Previous);
        State.ResumeTiming();
        delete Form;
    }
    State.SetComplexityN(Count);
}
BENCHMARK(BM_FreeFormWithLinkedComponents)->Arg(100)->Arg(1000)->Arg(5000)->Complexity();

void BM_NameLookup(benchmark::State& State) {
    const int Count = static_cast<int>(State.range(0));
    TComponent Form(nullptr);
    for (int i = 0; i < Count; ++i)
        (new TComponent(&Form))->SetName(QStringLiteral("Label%1").arg(i));
    const QString Last = QStringLiteral("LABEL%1").arg(Count - 1);
    for (auto _ : State)
        benchmark::DoNotOptimize(Form.FindComponent(Last));
}
BENCHMARK(BM_NameLookup)->Arg(100)->Arg(1000);

// A form of Count data sources side by side, as the stored-form reader meets it.
QByteArray DataSourceForm(int Count) {
    QByteArray Text = "object Form: TComponent\n";
    for (int i = 0; i < Count; ++i)
        Text += "  object Source" + QByteArray::number(i) + ": TDataSource\n  end\n";
    return Text + "end\n";
}

// Reading must stay linear in the form's size; 20,000 components read in well under a second.
void BM_ReadFormOfDataSources(benchmark::State& State) {
    const int Count = static_cast<int>(State.range(0));
    const QByteArray Text = DataSourceForm(Count);
    for (auto _ : State) {
        auto* Form = new TComponent(nullptr);
        ReadComponentText(Text, Form);
        State.PauseTiming();
        UnRegisterRoot(Form);
        delete Form;
        State.ResumeTiming();
    }
    State.SetComplexityN(Count);
}
BENCHMARK(BM_ReadFormOfDataSources)
    ->Arg(5000)
    ->Arg(10000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

// A report whose one band holds Count text labels, as a large designed form is stored.
QByteArray LabelForm(int Count) {
    QByteArray Text = "object Form: TComponent\n  object Report: TVyrReport\n    object Page: TVyrGrouppage\n"
                      "      object Band: TVyrBand\n        Height = 40\n";
    for (int i = 0; i < Count; ++i)
        Text += "        object Label" + QByteArray::number(i) +
                ": TVyrTextLabel\n          Left = " + QByteArray::number(i % 700) +
                "\n          Caption = 'Label'\n        end\n";
    return Text + "      end\n    end\n  end\nend\n";
}

// Opening a stored form and closing it again, both timed: each must stay linear in the form's size,
// so that a form of 20,000 components opens and closes in well under half a second. Argument 0 is
// the kind of form (0: data sources side by side, 1: labels on the band of a report).
void BM_OpenAndCloseForm(benchmark::State& State) {
    const int Count = static_cast<int>(State.range(1));
    const QByteArray Text = State.range(0) == 0 ? DataSourceForm(Count) : LabelForm(Count);
    for (auto _ : State) {
        auto* Form = new TComponent(nullptr);
        ReadComponentText(Text, Form);
        delete Form;
    }
    State.SetComplexityN(Count);
}
BENCHMARK(BM_OpenAndCloseForm)->ArgsProduct({{0, 1}, {5000, 20000}})->Unit(benchmark::kMillisecond);

void BM_PostAndDeliver(benchmark::State& State) {
    TLinked Receiver(nullptr, nullptr);
    const int Count = static_cast<int>(State.range(0));
    for (auto _ : State) {
        for (int i = 0; i < Count; ++i)
            PostMessage(&Receiver, WM_USER + 1, 1);
        benchmark::DoNotOptimize(DeliverPostedMessages());
    }
    State.SetItemsProcessed(State.iterations() * Count);
}
BENCHMARK(BM_PostAndDeliver)->Arg(1000);

} // namespace

int main(int argc, char** argv) {
    // The report's classes measure text and ask for the screen, which needs the application.
    return RunOffscreenBenchmarks(argc, argv);
}
