#pragma once
#include "host/designer.h"

#include <QStringList>
#include <vector>

class TPersistent;

// The headless designer the design tests serve their forms with: a designer host that also notes
// every selection it is given (as the names of the components, in order), every revert
// ("Component.Property") and every Modified. The forms the stored forms know are its open modules;
// OpenModule makes one.
class TTestDesigner : public TDesignerHost {
public:
    explicit TTestDesigner(TComponent* Root);
    ~TTestDesigner() override;

    void Modified() override;
    void SetSelections(const TDesignerSelections& List) override;
    void Revert(TPersistent* Instance, const QString& PropName) override;

    // The names of the components of the current selection.
    QStringList SelectedNames() const;
    // Makes Form an open module, as a form loaded beside the designed one.
    static void OpenModule(TComponent* Form);

    std::vector<QStringList> Selections;
    QStringList Reverts;
    int Modifieds = 0;
};
