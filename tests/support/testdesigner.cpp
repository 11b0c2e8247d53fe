#include "support/testdesigner.h"
#include "host/storedforms.h"

namespace {

QStringList NamesOf(const TDesignerSelections& List) {
    QStringList Names;
    for (const TComponent* C : List)
        Names << C->Name();
    return Names;
}

} // namespace

TTestDesigner::TTestDesigner(TComponent* Root) : TDesignerHost(Root) {}

TTestDesigner::~TTestDesigner() = default;

void TTestDesigner::Modified() {
    ++Modifieds;
    TDesignerHost::Modified();
}

void TTestDesigner::SetSelections(const TDesignerSelections& List) {
    Selections.push_back(NamesOf(List));
    TDesignerHost::SetSelections(List);
}

void TTestDesigner::Revert(TPersistent* Instance, const QString& PropName) {
    const auto* Component = dynamic_cast<const TComponent*>(Instance);
    Reverts << (Component ? Component->Name() : Instance->ClassName()) + u'.' + PropName;
    TDesignerHost::Revert(Instance, PropName);
}

QStringList TTestDesigner::SelectedNames() const {
    return NamesOf(GetSelections());
}

void TTestDesigner::OpenModule(TComponent* Form) {
    RegisterRoot(Form);
}
