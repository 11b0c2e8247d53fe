#include "host/combobox.h"
#include "host/forms.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QScrollBar>
#include <algorithm>

// The Qt side of a combo box: a Qt combo box showing the items, whose activation by the user is the
// combo box's choice.
class TComboBoxWidget : public QComboBox {
public:
    explicit TComboBoxWidget(TComboBox* Combo) : FCombo(Combo) {
        QObject::connect(this, &QComboBox::activated, this, [this](int Index) {
            if (FCombo && !FSyncing) CallEventHandler(FCombo, [&] { FCombo->Choose(Index); });
        });
    }

    void showPopup() override {
        FitDropDownToItems(this);
        QComboBox::showPopup();
    }

    TComboBox* FCombo;
    bool FSyncing = false;
};

TComboBox::TComboBox(TComponent* AOwner) : TWinControl(AOwner), FItems(std::make_unique<TStringList>()) {
    SetColor(clWindow);
    SetBounds(0, 0, 145, 21);
    FItems->OnChange = [this](TStringList*) { ItemsChanged(); };
}

TComboBox::~TComboBox() {
    DropWidget();
}

void TComboBox::BeforeDestruction() {
    DropWidget();
    TWinControl::BeforeDestruction();
}

void TComboBox::DropWidget() {
    if (!FWidget) return;
    TComboBoxWidget* Widget = FWidget;
    FWidget = nullptr;
    Widget->FCombo = nullptr;
    delete Widget;
}

void TComboBox::SetItemIndex(int Value) {
    if (Value < 0 || Value >= FItems->Count()) Value = -1;
    FItemIndex = Value;
    SetCaption(Value >= 0 ? FItems->Strings(Value) : QString());
    Sync();
}

void TComboBox::SetDropDownCount(int Value) {
    FDropDownCount = std::max(1, Value);
    Sync();
}

void TComboBox::Choose(int Index) {
    const int Before = FItemIndex;
    SetItemIndex(Index);
    if (FItemIndex != Before && OnChange) OnChange(this);
}

void TComboBox::ItemsChanged() {
    // The chosen text may have moved or gone; a choice past the end is dropped.
    SetItemIndex(FItemIndex);
}

void TComboBox::Sync() {
    if (!FWidget || HasState(csDestroying)) return;
    FWidget->FSyncing = true;
    FWidget->clear();
    for (int I = 0; I < FItems->Count(); ++I)
        FWidget->addItem(FItems->Strings(I));
    FWidget->setCurrentIndex(FItemIndex);
    FWidget->setMaxVisibleItems(FDropDownCount);
    FWidget->setEnabled(Enabled());
    FWidget->FSyncing = false;
}

QWidget* TComboBox::Widget() {
    if (!FWidget) {
        FWidget = new TComboBoxWidget(this);
        FWidget->setObjectName(Name());
        FWidget->setVisible(Visible());
        Sync();
        UpdateWidgetGeometry();
    }
    return FWidget;
}

QComboBox* TComboBox::View() const {
    return FWidget;
}

void TComboBox::UpdateWidgetGeometry() {
    if (!FWidget) return;
    const QPoint At = ClientToParent(QPoint(0, 0));
    FWidget->setGeometry(At.x(), At.y(), Width(), Height());
}

void TComboBox::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    TWinControl::SetBounds(ALeft, ATop, AWidth, AHeight);
    UpdateWidgetGeometry();
}

void TComboBox::SetVisible(bool Value) {
    TWinControl::SetVisible(Value);
    if (FWidget) FWidget->setVisible(Value);
}

void TComboBox::SetEnabled(bool Value) {
    TWinControl::SetEnabled(Value);
    if (FWidget) FWidget->setEnabled(Value);
}

void FitDropDownToItems(QComboBox* Box) {
    QAbstractItemView* View = Box->view();
    View->setTextElideMode(Qt::ElideNone);
    int Width = View->sizeHintForColumn(Box->modelColumn()) + 2 * View->frameWidth();
    if (Box->count() > Box->maxVisibleItems()) Width += View->verticalScrollBar()->sizeHint().width();
    View->setMinimumWidth(Width);
}
