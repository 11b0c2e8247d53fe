#include "support/runvars.h"
#include "report/PimPage.h"
#include "report/VyrVar.h"

#include <vector>

namespace {

bool StartsLate(const TVyrVar* Var) {
    return dynamic_cast<const TVyrDBVar*>(Var) || dynamic_cast<const TVyrTotalvar*>(Var);
}

void StartEach(TVyrPage& Page, bool Late, bool DataIsFinished) {
    if (!Page.Vars()) return;
    const std::vector<TVyrVar*> Vars = *Page.Vars();
    for (TVyrVar* Var : Vars) {
        if (StartsLate(Var) != Late) continue;
        if (!DataIsFinished) Var->SetRunning(true);
        Var->Initialize();
    }
}

} // namespace

void StartRunVariables(TVyrPage& Page, const std::function<void()>& DataStart, bool DataIsFinished) {
    if (Page.Levels()) {
        int i = 0;
        for (TVyrLevel* Level : *Page.Levels())
            Level->SetLevel(i++);
    }
    StartEach(Page, false, DataIsFinished);
    if (DataStart) DataStart();
    StartEach(Page, true, DataIsFinished);
}

void EndRunVariables(TVyrPage& Page) {
    if (!Page.Vars()) return;
    const std::vector<TVyrVar*> Vars = *Page.Vars();
    for (TVyrVar* Var : Vars)
        Var->SetRunning(false);
}
