#pragma once
#include "host/classes.h"
#include "host/forms.h"

#include <functional>

class TControl;
class TVyrBand;
class TVyrPage;

// The fast label placement window: a list of the page's variables whose selection, dragged onto a
// band, becomes labels there.
class TPimDropLabels : public TForm {
public:
    explicit TPimDropLabels(TComponent* AOwner);
    ~TPimDropLabels() override;

    // The page whose variables are offered; nil once that page is freed.
    TVyrPage* Page() const { return FPage.Get(); }
    virtual void SetPage(TVyrPage* Value);
    // The list the variables are dragged from.
    TControl* SList() const { return FSList; }
    // Fills the window's choices from the page.
    virtual void FillComboBoxes();
    // Makes labels for the selected variables on Band, the first at X, Y (band coordinates).
    virtual void DropLabels(TVyrBand* Band, int X, int Y);

protected:
    TControl* FSList = nullptr; // owned through the component model

private:
    TComponentRef<TVyrPage> FPage;
};

// Makes the fast label window, owned by Owner; without a factory, or when it gives nullptr, the
// design companion has no such window.
using TPimDropLabelsFactory = std::function<TPimDropLabels*(TComponent* Owner)>;
void SetPimDropLabelsFactory(TPimDropLabelsFactory Factory);
const TPimDropLabelsFactory& PimDropLabelsFactory();
// No factory, as the package starts.
void ResetPimDropLabelsFactory();
