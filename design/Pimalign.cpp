#include "design/Pimalign.h"
#include "host/designer.h"
#include "report/PimPage.h"
#include "report/VyrCtrl.h"

#include <algorithm>
#include <vector>

namespace {

// A value not worked out yet.
constexpr int Unset = -12345;

// The selected labels whose band lies on Page, in the order they were selected.
std::vector<TVyrLabel*> SelectedLabels(const IDesigner& Designer, const TVyrPage* Page) {
    std::vector<TVyrLabel*> Labels;
    for (TComponent* C : Designer.GetSelections())
        if (auto* L = dynamic_cast<TVyrLabel*>(C); L && L->Parent() && L->Parent()->Parent() == Page)
            Labels.push_back(L);
    return Labels;
}

// How far every label of a block moves to stand in the middle of the page's printable width.
int CentringShift(const std::vector<TVyrLabel*>& Labels, const TVyrPage* Page) {
    int L = Unset;
    int R = 0;
    for (const TVyrLabel* Label : Labels) {
        if (L == Unset) {
            L = Label->Left();
            R = Label->Left() + Label->Width();
        }
        L = std::min(L, Label->Left());
        R = std::max(R, Label->Left() + Label->Width());
    }
    return Page->getpagewidth() / 2 - (R - L) / 2 - L;
}

// Where in the label the line it is aligned on runs, from its left edge.
int Offset(const TVyrLabel* Label, int Mode) {
    switch (Mode) {
    case 0:
        return 0;
    case 1:
        return Label->Width() / 2;
    case 2:
        return Label->Width();
    case 3:
        return -Label->Left();
    default:
        return 0;
    }
}

} // namespace

void PimAlignLabel(TVyrPage* Page, int Mode) {
    if (!Page) return;
    IDesigner* Designer = FindRootDesigner(Page);
    if (!Designer) return;
    const std::vector<TVyrLabel*> Labels = SelectedLabels(*Designer, Page);
    int X = Mode == 3 ? CentringShift(Labels, Page) : Unset;
    for (TVyrLabel* Label : Labels) {
        const int W = Offset(Label, Mode);
        // The first label of the selection sets the line the others follow.
        if (X == Unset) X = W + Label->Left();
        Label->SetLeft(X - W);
    }
    Designer->Modified();
}
