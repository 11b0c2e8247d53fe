#pragma once
#include "host/controls.h"
#include "host/lists.h"

#include <QPointer>
#include <QString>
#include <functional>

class QComboBox;
class QWidget;
class TComboBoxWidget;

// A drop-down list of texts of which one is chosen. It works without a widget: ItemIndex says which
// item is chosen (-1: none) and the caption (Text) holds its text. A choice the user makes, in the
// Qt view or through Choose, runs OnChange; setting ItemIndex from code does not. A change of Items
// that leaves ItemIndex past the end chooses nothing. Widget() makes the Qt view, kept in step with
// the items and the choice.
class TComboBox : public TWinControl {
public:
    explicit TComboBox(TComponent* AOwner);
    ~TComboBox() override;
    void BeforeDestruction() override;

    TStringList& Items() { return *FItems; }
    const TStringList& Items() const { return *FItems; }
    int ItemIndex() const { return FItemIndex; }
    // An index outside the items chooses nothing.
    void SetItemIndex(int Value);
    // The number of rows the open list shows before it scrolls.
    int DropDownCount() const { return FDropDownCount; }
    void SetDropDownCount(int Value);

    // What the user's choice of item Index does: the choice, then OnChange when it differs.
    void Choose(int Index);

    // The Qt view, made on the first call and freed with the combo box; its owner places it.
    QWidget* Widget();
    QComboBox* View() const;
    // Puts the view at the control's place relative to its outermost parent.
    void UpdateWidgetGeometry();

    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void SetVisible(bool Value) override;
    void SetEnabled(bool Value) override;

    std::function<void(TComponent* Sender)> OnChange;

private:
    friend class TComboBoxWidget;
    void ItemsChanged();
    void Sync();
    void DropWidget();

    std::unique_ptr<TStringList> FItems; // owned
    int FItemIndex = -1;
    int FDropDownCount = 8;
    QPointer<TComboBoxWidget> FWidget; // freed with the combo box unless Qt freed it first
};

// Makes Box's drop-down list as wide as its widest item, however narrow the box: names that differ
// only in their middle would otherwise be shortened to the same text.
void FitDropDownToItems(QComboBox* Box);
