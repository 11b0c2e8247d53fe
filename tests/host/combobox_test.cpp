#include "host/combobox.h"

#include <QComboBox>
#include <gtest/gtest.h>

TEST(ComboBox, TheChoiceFollowsTheItemsAndOnlyTheUsersChoiceRunsOnChange) {
    TWinControl Owner(nullptr);
    auto* Combo = new TComboBox(&Owner);
    Combo->SetName(QStringLiteral("Kinds"));
    Combo->SetParent(&Owner);
    int Changes = 0;
    Combo->OnChange = [&](TComponent* Sender) {
        EXPECT_EQ(Sender, Combo);
        ++Changes;
    };
    EXPECT_EQ(Combo->ItemIndex(), -1);
    for (const char* Item : {"All", "Expression", "Total"})
        Combo->Items().Add(QString::fromLatin1(Item));
    Combo->SetItemIndex(1);
    EXPECT_EQ(Combo->Text(), QStringLiteral("Expression"));
    Combo->SetItemIndex(7);
    EXPECT_EQ(Combo->ItemIndex(), -1);
    EXPECT_EQ(Combo->Text(), QString());
    EXPECT_EQ(Changes, 0);
    Combo->Choose(2);
    Combo->Choose(2); // the same choice again changes nothing
    EXPECT_EQ(Changes, 1);
    EXPECT_EQ(Combo->Text(), QStringLiteral("Total"));
    // Items that go from under the choice leave nothing chosen.
    Combo->Items().Delete(2);
    EXPECT_EQ(Combo->ItemIndex(), -1);

    // The view, placed in the window of the combo's outermost parent, shows the items and the choice;
    // an item the user picks there is the choice.
    Combo->SetItemIndex(1);
    Combo->SetBounds(10, 4, 120, 21);
    QComboBox* View = dynamic_cast<QComboBox*>(Combo->Widget());
    ASSERT_NE(View, nullptr);
    EXPECT_EQ(View->objectName(), QStringLiteral("Kinds"));
    EXPECT_EQ(View->count(), 2);
    EXPECT_EQ(View->currentText(), QStringLiteral("Expression"));
    EXPECT_EQ(View->geometry(), QRect(10, 4, 120, 21));
    Combo->Items().Add(QStringLiteral("System"));
    EXPECT_EQ(View->itemText(2), QStringLiteral("System"));
    View->setCurrentIndex(2);
    emit View->activated(2);
    EXPECT_EQ(Combo->ItemIndex(), 2);
    EXPECT_EQ(Changes, 2);
    Combo->SetEnabled(false);
    EXPECT_FALSE(View->isEnabled());
    delete Combo;
}
