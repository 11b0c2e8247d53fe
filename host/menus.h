#pragma once
#include "host/classes.h"

#include <QMenu>
#include <QPointer>
#include <QString>
#include <functional>
#include <vector>

// A caption without its accelerator marks: "&Add" gives "Add", "Fish && Chips" gives "Fish & Chips".
QString StripHotkey(const QString& Text);

// One entry of a menu: a caption ("-" makes a separator line, "&" marks the accelerator), a tag, an
// enabled and a visible state, and entries of its own, which make it a submenu. An item frees its
// entries when it goes; an entry freed by its owner first leaves its item's list.
class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* AOwner);
    ~TMenuItem() override;
    void BeforeDestruction() override;

    const QString& Caption() const { return FCaption; }
    void SetCaption(const QString& Value) { FCaption = Value; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value) { FEnabled = Value; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value) { FVisible = Value; }
    bool Checked() const { return FChecked; }
    void SetChecked(bool Value) { FChecked = Value; }
    bool IsLine() const { return FCaption == QLatin1String("-"); }

    int Count() const { return static_cast<int>(FItems.size()); }
    TMenuItem* Items(int Index) const;
    TMenuItem* operator[](int Index) const { return Items(Index); }
    // The item this one is an entry of; nullptr for a menu's root and for an item not in a menu.
    TMenuItem* Parent() const { return FParent; }
    int IndexOf(const TMenuItem* Item) const;
    // Takes Item from the item it was in, if any.
    void Add(TMenuItem* Item);
    void Insert(int Index, TMenuItem* Item);
    // Takes the entry out of the list without freeing it.
    void Delete(int Index);
    void Remove(TMenuItem* Item);
    // Frees every entry.
    void Clear();
    // The entry whose caption, without accelerator marks, is Caption (case ignored); nullptr when none.
    TMenuItem* Find(const QString& Caption) const;

    // What choosing the item does: OnClick, when the item is enabled.
    virtual void Click();

    std::function<void(TComponent* Sender)> OnClick;

private:
    QString FCaption;
    bool FEnabled = true;
    bool FVisible = true;
    bool FChecked = false;
    std::vector<TMenuItem*> FItems; // freed with this item
    TMenuItem* FParent = nullptr;
};

// A menu shown at a point, usually by a right click on the control it belongs to. Popup first runs
// OnPopup, which may enable, hide and rebuild entries, then shows the entries as a Qt menu and
// returns at once; choosing an entry later runs its Click. A menu entry freed while the Qt menu is
// open does nothing when chosen. The Qt menu is freed once it has hidden and none of its events or
// choices is being handled any more, whatever a choice's handler does meanwhile (pump messages,
// close the menu, free its owner).
class TPopupMenu : public TComponent {
public:
    explicit TPopupMenu(TComponent* AOwner);
    ~TPopupMenu() override;
    void BeforeDestruction() override;

    // The root entry, owned by the menu; its entries are the menu's.
    TMenuItem* Items() const { return FItems; }
    // The control whose right click showed the menu last.
    TComponent* PopupComponent() const { return FPopupComponent.Get(); }
    void SetPopupComponent(TComponent* Value) { FPopupComponent = Value; }
    bool AutoPopup() const { return FAutoPopup; }
    void SetAutoPopup(bool Value) { FAutoPopup = Value; }

    // Runs OnPopup, then shows the menu with its top-left corner at (X, Y) on the screen.
    virtual void Popup(int X, int Y);
    // The Qt menu shown by the last Popup while it is open; nullptr otherwise.
    QMenu* Menu() const { return FMenu; }
    // Closes the Qt menu when it is open.
    void CloseMenu();

    std::function<void(TComponent* Sender)> OnPopup;

protected:
    virtual void DoPopup();

private:
    TMenuItem* FItems = nullptr; // owned as a component
    TComponentRef<TComponent> FPopupComponent;
    bool FAutoPopup = true;
    QPointer<QMenu> FMenu;
};

// Fills Menu with the visible entries of Item, submenus included; each action carries the entry's
// component name as its object name and runs the entry's Click when triggered, unless the entry was
// freed meanwhile.
void BuildQtMenu(QMenu* Menu, TMenuItem* Item);
