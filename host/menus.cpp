#include "host/menus.h"
#include "host/forms.h"

#include <QAction>
#include <QMenu>
#include <QPoint>
#include <algorithm>
#include <memory>
#include <optional>

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

namespace {

// How many events and choices a shown popup and its submenus are handling at the moment, and whether
// the popup was let go meanwhile. A choice's handler may pump messages, and Qt frees a widget whose
// deletion was posted from deeper inside the event being handled; a popup freed so would return into
// freed memory from its own mouse or key handler. So the popup goes only when the last of them is over.
struct TMenuUse {
    int Depth = 0;
    bool Released = false;
    QPointer<QMenu> Root;

    void Enter() { ++Depth; }
    void Leave() {
        if (--Depth == 0 && Released) Free();
    }
    void Release() {
        Released = true;
        if (Depth == 0) Free();
    }
    void Free() {
        Released = false;
        // Posted from outside every event of the menu: nothing of the menu runs when it comes.
        if (Root) Root->deleteLater();
    }
};

class TMenuUseScope {
public:
    explicit TMenuUseScope(TMenuUse& Use) : FUse(Use) { FUse.Enter(); }
    ~TMenuUseScope() { FUse.Leave(); }
    TMenuUseScope(const TMenuUseScope&) = delete;
    TMenuUseScope& operator=(const TMenuUseScope&) = delete;

private:
    TMenuUse& FUse;
};

// A popup, or one of its submenus, that counts the events it handles in the use it shares.
class TShownMenu : public QMenu {
public:
    TShownMenu(std::shared_ptr<TMenuUse> Use, QWidget* Parent) : QMenu(Parent), FUse(std::move(Use)) {}
    const std::shared_ptr<TMenuUse>& Use() const { return FUse; }

protected:
    bool event(QEvent* Event) override {
        // Held by the scope too: the last handler may free the menu, and the use with it.
        const std::shared_ptr<TMenuUse> Use = FUse;
        TMenuUseScope Scope(*Use);
        return QMenu::event(Event);
    }

private:
    std::shared_ptr<TMenuUse> FUse;
};

std::shared_ptr<TMenuUse> UseOf(QMenu* Menu) {
    auto* Shown = dynamic_cast<TShownMenu*>(Menu);
    return Shown ? Shown->Use() : nullptr;
}

void FillQtMenu(QMenu* Menu, TMenuItem* Item, const std::shared_ptr<TMenuUse>& Use);

} // namespace

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
    auto Use = std::make_shared<TMenuUse>();
    auto* Shown = new TShownMenu(Use, nullptr);
    Use->Root = Shown;
    Shown->setObjectName(Name());
    FillQtMenu(Shown, FItems, Use);
    // Closed by a choice or by clicking elsewhere; a chosen action runs after the menu has hidden.
    QObject::connect(Shown, &QMenu::aboutToHide, Shown, [Use] { Use->Release(); });
    FMenu = Shown;
    Shown->popup(QPoint(X, Y));
}

void TPopupMenu::CloseMenu() {
    if (!FMenu) return;
    QMenu* Shown = FMenu;
    FMenu = nullptr;
    // A menu whose choice is still being handled goes once that is over.
    if (const std::shared_ptr<TMenuUse> Use = UseOf(Shown); Use && Use->Depth > 0) {
        Shown->hide();
        Use->Release();
    } else {
        delete Shown;
    }
}

namespace {

void FillQtMenu(QMenu* Menu, TMenuItem* Item, const std::shared_ptr<TMenuUse>& Use) {
    for (int I = 0; I < Item->Count(); ++I) {
        TMenuItem* Entry = Item->Items(I);
        if (!Entry->Visible()) continue;
        if (Entry->IsLine()) {
            Menu->addSeparator();
            continue;
        }
        QAction* Action = nullptr;
        if (Entry->Count() > 0) {
            QMenu* Sub = Use ? new TShownMenu(Use, Menu) : new QMenu(Menu);
            Sub->setTitle(Entry->Caption());
            Menu->addMenu(Sub);
            Sub->setObjectName(Entry->Name());
            FillQtMenu(Sub, Entry, Use);
            Action = Sub->menuAction();
        } else {
            Action = Menu->addAction(Entry->Caption());
            Action->setCheckable(Entry->Checked());
            Action->setChecked(Entry->Checked());
            auto Ref = std::make_shared<TComponentRef<TMenuItem>>(Entry);
            QObject::connect(Action, &QAction::triggered, Menu, [Ref, Use] {
                TMenuItem* Chosen = Ref->Get();
                if (!Chosen) return;
                // A choice made in code, outside the menu's events, keeps the menu as well.
                std::optional<TMenuUseScope> Scope;
                if (Use) Scope.emplace(*Use);
                CallEventHandler(Chosen, [Chosen] { Chosen->Click(); });
            });
        }
        Action->setObjectName(Entry->Name());
        Action->setEnabled(Entry->Enabled());
    }
}

} // namespace

void BuildQtMenu(QMenu* Menu, TMenuItem* Item) {
    FillQtMenu(Menu, Item, UseOf(Menu));
}
