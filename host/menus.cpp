#include "host/menus.h"
#include "host/forms.h"

#include <QAction>
#include <QMenu>
#include <QPoint>
#include <algorithm>
#include <memory>

QString StripHotkey(const QString& Text) {
    QString Result;
    Result.reserve(Text.size());
    for (qsizetype I = 0; I < Text.size(); ++I) {
        // A mark is dropped and the character after it kept as it stands, so "&&" leaves one "&".
        if (Text[I] == u'&') {
            if (++I < Text.size()) Result += Text[I];
        } else {
            Result += Text[I];
        }
    }
    return Result;
}

// TMenuItem

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) {}

TMenuItem::~TMenuItem() {
    Clear();
    if (FParent) FParent->Remove(this);
}

void TMenuItem::BeforeDestruction() {
    // The entries go first, while the owner can still tell its other components of each.
    Clear();
    if (FParent) FParent->Remove(this);
    TComponent::BeforeDestruction();
}

TMenuItem* TMenuItem::Items(int Index) const {
    if (Index < 0 || Index >= Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
    return FItems[size_t(Index)];
}

int TMenuItem::IndexOf(const TMenuItem* Item) const {
    auto It = std::find(FItems.begin(), FItems.end(), Item);
    return It == FItems.end() ? -1 : int(It - FItems.begin());
}

void TMenuItem::Add(TMenuItem* Item) {
    Insert(Count(), Item);
}

void TMenuItem::Insert(int Index, TMenuItem* Item) {
    if (!Item) return;
    for (const TMenuItem* Up = this; Up; Up = Up->FParent)
        if (Up == Item) throw EInvalidOperation(QStringLiteral("A menu item cannot hold itself"));
    if (Item->FParent) Item->FParent->Remove(Item);
    Index = std::clamp(Index, 0, Count());
    FItems.insert(FItems.begin() + Index, Item);
    Item->FParent = this;
}

void TMenuItem::Delete(int Index) {
    TMenuItem* Item = Items(Index);
    FItems.erase(FItems.begin() + Index);
    Item->FParent = nullptr;
}

void TMenuItem::Remove(TMenuItem* Item) {
    const int Index = IndexOf(Item);
    if (Index >= 0) Delete(Index);
}

void TMenuItem::Clear() {
    while (!FItems.empty()) {
        TMenuItem* Item = FItems.back();
        FItems.pop_back();
        Item->FParent = nullptr;
        delete Item;
    }
}

TMenuItem* TMenuItem::Find(const QString& Caption) const {
    const QString Wanted = StripHotkey(Caption);
    for (TMenuItem* Item : FItems)
        if (StripHotkey(Item->FCaption).compare(Wanted, Qt::CaseInsensitive) == 0) return Item;
    return nullptr;
}

void TMenuItem::Click() {
    if (FEnabled && OnClick) OnClick(this);
}

// TPopupMenu

TPopupMenu::TPopupMenu(TComponent* AOwner) : TComponent(AOwner), FItems(new TMenuItem(this)) {}

TPopupMenu::~TPopupMenu() {
    CloseMenu();
}

void TPopupMenu::BeforeDestruction() {
    CloseMenu();
    TComponent::BeforeDestruction();
}

void TPopupMenu::DoPopup() {
    if (OnPopup) OnPopup(this);
}

void TPopupMenu::Popup(int X, int Y) {
    CloseMenu();
    DoPopup();
    auto* Shown = new QMenu();
    Shown->setAttribute(Qt::WA_DeleteOnClose);
    Shown->setObjectName(Name());
    BuildQtMenu(Shown, FItems);
    // Closed by a choice or by clicking elsewhere; a chosen action runs after the menu has hidden.
    QObject::connect(Shown, &QMenu::aboutToHide, Shown, [Shown] { Shown->deleteLater(); });
    FMenu = Shown;
    Shown->popup(QPoint(X, Y));
}

void TPopupMenu::CloseMenu() {
    if (!FMenu) return;
    QMenu* Shown = FMenu;
    FMenu = nullptr;
    delete Shown;
}

void BuildQtMenu(QMenu* Menu, TMenuItem* Item) {
    for (int I = 0; I < Item->Count(); ++I) {
        TMenuItem* Entry = Item->Items(I);
        if (!Entry->Visible()) continue;
        if (Entry->IsLine()) {
            Menu->addSeparator();
            continue;
        }
        QAction* Action = nullptr;
        if (Entry->Count() > 0) {
            QMenu* Sub = Menu->addMenu(Entry->Caption());
            Sub->setObjectName(Entry->Name());
            BuildQtMenu(Sub, Entry);
            Action = Sub->menuAction();
        } else {
            Action = Menu->addAction(Entry->Caption());
            Action->setCheckable(Entry->Checked());
            Action->setChecked(Entry->Checked());
            auto Ref = std::make_shared<TComponentRef<TMenuItem>>(Entry);
            QObject::connect(Action, &QAction::triggered, Menu, [Ref] {
                if (TMenuItem* Chosen = Ref->Get()) CallEventHandler(Chosen, [Chosen] { Chosen->Click(); });
            });
        }
        Action->setObjectName(Entry->Name());
        Action->setEnabled(Entry->Enabled());
    }
}
