#include "host/controls.h"
#include "host/dragdrop.h"
#include "host/messages.h"

#include <QWidget>
#include <gtest/gtest.h>

TEST(DragManager, ADragCarriedOutOfItsWindowGoesOnOverTheShownWindowUnderThePointer) {
    // A tool window with a control dragged automatically, and a form with a control that takes drops;
    // each shown in a view of its own, side by side on the screen.
    TWinControl Tool(nullptr), Form(nullptr);
    Tool.SetBounds(0, 0, 200, 100);
    Form.SetBounds(0, 0, 300, 200);
    auto* Source = new TWinControl(&Tool);
    Source->SetParent(&Tool);
    Source->SetBounds(10, 10, 50, 50);
    Source->SetDragMode(dmAutomatic);
    auto* Target = new TWinControl(&Form);
    Target->SetParent(&Form);
    Target->SetBounds(100, 50, 100, 100);
    QStringList Heard;
    Target->OnDragOver = [&](TComponent*, TComponent* From, int X, int Y, TDragState State, bool& Accept) {
        Heard << QStringLiteral("over %1 %2,%3").arg(State).arg(X).arg(Y);
        Accept = From == Source;
    };
    Target->OnDragDrop = [&](TComponent*, TComponent* From, int X, int Y) {
        Heard << QStringLiteral("drop %1 %2,%3").arg(From == Source).arg(X).arg(Y);
    };
    QWidget ToolView, FormView;
    ToolView.setGeometry(100, 100, 200, 100);
    FormView.setGeometry(400, 100, 300, 200);
    ToolView.show();
    FormView.show();
    DragManager::AddView(&Tool, &ToolView);
    DragManager::AddView(&Form, &FormView);

    Source->Perform(WM_LBUTTONDOWN, 0, MAKELPARAM(5, 5));
    ASSERT_TRUE(DragManager::Pending());
    // Past the tool's right edge over nothing on the screen, then over the form's control: the tool's
    // (420, 70) is the screen's (520, 170), the form's (120, 70) and the control's (20, 20).
    DragManager::Move(&Tool, QPoint(250, 20));
    EXPECT_TRUE(DragManager::Started());
    EXPECT_EQ(DragManager::Target(), nullptr);
    DragManager::Move(&Tool, QPoint(420, 70));
    EXPECT_EQ(DragManager::Target(), Target);
    EXPECT_TRUE(DragManager::Accepted());
    DragManager::Release(&Tool, QPoint(430, 80));
    EXPECT_FALSE(DragManager::Pending());
    EXPECT_EQ(Heard, QStringList({"over 0 20,20", "over 2 30,30", "drop 1 30,30"}));

    // A view that is gone takes no drags.
    Heard.clear();
    Source->Perform(WM_LBUTTONDOWN, 0, MAKELPARAM(5, 5));
    DragManager::RemoveView(&FormView);
    DragManager::Move(&Tool, QPoint(420, 70));
    EXPECT_EQ(DragManager::Target(), nullptr);
    DragManager::Release(&Tool, QPoint(420, 70));
    EXPECT_TRUE(Heard.isEmpty());
    DragManager::RemoveView(&ToolView);
}
