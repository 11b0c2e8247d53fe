#include "design/PimDrop.h"
#include "report/PimPage.h"

namespace {

TPimDropLabelsFactory& Factory() {
    static TPimDropLabelsFactory Instance;
    return Instance;
}

} // namespace

TPimDropLabels::TPimDropLabels(TComponent* AOwner) : TForm(AOwner) {}

TPimDropLabels::~TPimDropLabels() = default;

void TPimDropLabels::SetPage(TVyrPage* Value) {
    FPage = Value;
}

void TPimDropLabels::FillComboBoxes() {}

void TPimDropLabels::DropLabels(TVyrBand*, int, int) {}

void SetPimDropLabelsFactory(TPimDropLabelsFactory Value) {
    Factory() = std::move(Value);
}

const TPimDropLabelsFactory& PimDropLabelsFactory() {
    return Factory();
}

void ResetPimDropLabelsFactory() {
    Factory() = nullptr;
}
