#include "host/forms.h"
#include "host/menus.h"

#include <QAction>
#include <QMenu>
#include <gtest/gtest.h>
#include <memory>

namespace {
TMenuItem* Item(TComponent* Owner, const char* Name, const char* Caption, TMenuItem* Into) {
    auto* I = new TMenuItem(Owner);
    I->SetName(QString::fromLatin1(Name));
    I->SetCaption(QString::fromLatin1(Caption));
    Into->Add(I);
    return I;
}

QStringList ActionTexts(const QMenu* Menu) {
    QStringList Texts;
    for (const QAction* A : Menu->actions())
        Texts << (A->isSeparator() ? QStringLiteral("-")
                                   : A->objectName() + (A->isEnabled() ? "" : " (off)"));
    return Texts;
}
} // namespace

TEST(Menus, StripHotkeyDropsEachMarkAndKeepsTheCharacterAfterIt) {
    EXPECT_EQ(StripHotkey(QStringLiteral("&Add")), QStringLiteral("Add"));
    EXPECT_EQ(StripHotkey(QStringLiteral("Move&Up")), QStringLiteral("MoveUp"));
    EXPECT_EQ(StripHotkey(QStringLiteral("Fish && Chips")), QStringLiteral("Fish & Chips"));
    EXPECT_EQ(StripHotkey(QStringLiteral("&&&x&")), QStringLiteral("&x"));
    EXPECT_EQ(StripHotkey(QString()), QString());
}

TEST(Menus, EntriesFollowTheirItemAndTheirOwner) {
    auto Owner = std::make_unique<TComponent>(nullptr);
    auto* Menu = new TPopupMenu(Owner.get());
    TMenuItem* Add = Item(Owner.get(), "Add1", "&Add", Menu->Items());
    TMenuItem* Above = Item(Owner.get(), "Above1", "Above", Add);
    TMenuItem* Below = Item(Owner.get(), "Below1", "Below", Add);
    TMenuItem* Delete = Item(Owner.get(), "Delete1", "Delete", Menu->Items());
    EXPECT_EQ(Menu->Items()->Count(), 2);
    EXPECT_EQ(Above->Parent(), Add);
    EXPECT_EQ(Menu->Items()->Find(QStringLiteral("add")), Add);
    EXPECT_EQ(Add->Find(QStringLiteral("&Below")), Below);

    // Moving an entry takes it from its former item; an item never holds one of its ancestors.
    Delete->Add(Below);
    EXPECT_EQ(Add->Count(), 1);
    EXPECT_EQ(Below->Parent(), Delete);
    EXPECT_THROW(Above->Add(Add), EInvalidOperation);

    // Freed by its owner first, an entry leaves its item; freeing an item frees its entries.
    delete Above;
    EXPECT_EQ(Add->Count(), 0);
    const int Before = Owner->ComponentCount();
    delete Delete;
    EXPECT_EQ(Owner->ComponentCount(), Before - 2); // Delete1 and Below1
    EXPECT_EQ(Owner->FindComponent(QStringLiteral("Below1")), nullptr);
    Menu->Items()->Clear();
    EXPECT_EQ(Owner->FindComponent(QStringLiteral("Add1")), nullptr);
}

TEST(Menus, PopupRunsOnPopupThenShowsVisibleEntriesWhoseChoiceClicks) {
    TComponent Owner(nullptr);
    auto* Menu = new TPopupMenu(&Owner);
    Menu->SetName(QStringLiteral("BandListPopup"));
    TMenuItem* Up = Item(&Owner, "MoveUp1", "Move Up", Menu->Items());
    Item(&Owner, "N1", "-", Menu->Items());
    TMenuItem* Sub = Item(&Owner, "AddSubBand1", "Add Sub Band", Menu->Items());
    TMenuItem* Above = Item(&Owner, "Above1", "Above", Sub);
    TMenuItem* Hidden = Item(&Owner, "Hidden1", "Hidden", Menu->Items());
    Hidden->SetVisible(false);
    QStringList Clicked;
    for (TMenuItem* I : {Up, Above})
        I->OnClick = [&Clicked](TComponent* Sender) { Clicked << Sender->Name(); };
    Menu->OnPopup = [&](TComponent*) { Up->SetEnabled(false); };

    Menu->Popup(10, 10);
    QMenu* Shown = Menu->Menu();
    ASSERT_NE(Shown, nullptr);
    EXPECT_EQ(ActionTexts(Shown), (QStringList{"MoveUp1 (off)", "-", "AddSubBand1"}));
    auto* SubMenu = Shown->findChild<QMenu*>(QStringLiteral("AddSubBand1"));
    ASSERT_NE(SubMenu, nullptr);
    EXPECT_EQ(ActionTexts(SubMenu), QStringList{"Above1"});

    SubMenu->actions().at(0)->trigger();
    Up->Click(); // a disabled entry does nothing
    EXPECT_EQ(Clicked, QStringList{"Above1"});

    // An entry freed while the menu is open does nothing when chosen.
    QAction* AboveAction = SubMenu->actions().at(0);
    delete Above;
    AboveAction->trigger();
    EXPECT_EQ(Clicked, QStringList{"Above1"});
    Menu->CloseMenu();
    EXPECT_EQ(Menu->Menu(), nullptr);
}
