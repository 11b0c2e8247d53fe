#include "host/devicecontext.h"
#include "host/dragdrop.h"
#include "host/lists.h"
#include "host/paintpass.h"
#include "host/storedforms.h"
#include "report/VyrText.h"
#include "support/designfixture.h"
#include "support/devices.h"
#include "support/paintlog.h"

#include <QClipboard>
#include <QGuiApplication>
#include <gtest/gtest.h>

namespace {

// A design companion that answers drops by a flag and notes what reaches it.
class TNotingDesign : public TVyrRptDsgn {
public:
    bool DropOK = true;
    QStringList Calls;
    void RulerXY(int X, int Y) override { Calls << QStringLiteral("RulerXY %1 %2").arg(X).arg(Y); }
    bool VyrDropOK(TComponent* Source) override {
        Calls << QStringLiteral("VyrDropOK ") + Source->Name();
        return DropOK;
    }
    void VyrDroplabels(TComponent* Source, TComponent* Target, int X, int Y) override {
        Calls
            << QStringLiteral("VyrDroplabels %1 %2 %3 %4").arg(Source->Name(), Target->Name()).arg(X).arg(Y);
    }
};

TEST(DesignedBand, PaintsItsPanelShadeTheEdgeOfThePrintableWidthAndItsBorderOutline) {
    TDesignedReport R;
    TVyrBand* Detail = R.Page->Detail();
    Detail->SetShade(spVeryDark);
    Detail->SetBorderType(btUnderLine);
    auto DC = DeviceContext::CreateRecordingImage(ScreenCaps(96, 1000, 100));
    PaintControl(Detail, *DC);
    const QStringList Lines = DC->Log()->Only({"MoveToEx", "LineTo", "FillRect", "Rectangle"});
    const int Edge = R.Page->getpagewidth();
    const int H = Detail->Height();
    EXPECT_TRUE(Lines.contains(QStringLiteral("MoveToEx %1 0").arg(Edge))) << Lines.join('\n').toStdString();
    EXPECT_TRUE(Lines.contains(QStringLiteral("LineTo %1 %2").arg(Edge).arg(H)));
    // The border's outline runs around (0, 0, Width, Height), below it the underline proper.
    const int W = Detail->Width();
    EXPECT_GT(Lines.indexOf(QStringLiteral("LineTo %1 0").arg(W)),
              Lines.indexOf(QStringLiteral("LineTo %1 %2").arg(Edge).arg(H)));
    EXPECT_TRUE(Lines.contains(QStringLiteral("LineTo %1 %2").arg(W).arg(H)));
    const QImage& Image = *DC->Image();
    EXPECT_NE(Image.pixel(5, 5), Image.pixel(6, 5)) << "the darkest shade alternates";
}

TEST(DesignedBand, AnswersDragsThroughTheCompanionAndMovesTheRulersOverBandsAndLabels) {
    TDesignedReport R;
    auto Owned = std::make_unique<TNotingDesign>();
    TNotingDesign* Design = Owned.get();
    R.Report->SetRepDesign(std::move(Owned));
    TVyrBand* Detail = R.Page->Detail();
    auto* Label = R.Add<TVyrTextLabel>("Label1", Detail);
    Label->SetBounds(30, 4, 60, 12);
    auto* Source = Make<TLabel>(R.Form.get(), "Field", nullptr);

    // The drag arrives in the form's coordinates; the band takes it in its own.
    const QPoint Origin = Detail->ClientToParent(QPoint(0, 0));
    auto Drag = [&](TDragMessage Kind, QPoint At) {
        TDragControlObject Object(Source);
        TDragRec Rec{Origin + At, &Object, Detail};
        return SendMessage(Detail, CM_DRAG, Kind, reinterpret_cast<LPARAM>(&Rec));
    };
    EXPECT_EQ(Drag(dmDragEnter, QPoint(10, 5)), 1);
    Design->DropOK = false;
    EXPECT_EQ(Drag(dmDragMove, QPoint(11, 6)), 0);
    Design->DropOK = true;
    Drag(dmDragDrop, QPoint(12, 7));
    const int Top = Detail->Top();
    EXPECT_EQ(Design->Calls, (QStringList{"VyrDropOK Field", QStringLiteral("RulerXY 10 %1").arg(Top + 5),
                                          "VyrDropOK Field", "VyrDroplabels Field DetailBand 12 7"}));

    Design->Calls.clear();
    // A pointer moving over the form: the designed control under it hears the hit test.
    EXPECT_EQ(DesignHitTest(R.Form.get(), Origin + QPoint(40, 3)), Detail);
    EXPECT_EQ(DesignHitTest(R.Form.get(), Origin + QPoint(32, 5)), Label);
    EXPECT_EQ(DesignHitTest(R.Form.get(), QPoint(2, 2)), R.Report);
    EXPECT_EQ(Design->Calls, (QStringList{QStringLiteral("RulerXY 40 %1").arg(Top + 3),
                                          QStringLiteral("RulerXY 32 %1").arg(Top + 5)}));
}

TEST(DesignedBand, ACopiedTextLabelPastesAsAVariableLabelAndOnlyItsOwnLineChanges) {
    TDesignedReport R;
    TVyrBand* Detail = R.Page->Detail();
    auto* Label = R.Add<TVyrTextLabel>("Label1", Detail);
    Label->SetCaption("Name");
    auto* Other = R.Add<TVyrTextLabel>("TextLabel1", Detail);
    Other->SetCaption("City");
    TWriter Writer(R.Form.get());
    Writer.WriteComponent(Label);
    Writer.WriteComponent(Other);
    QGuiApplication::clipboard()->setText(QString::fromUtf8(Writer.Text()));
    DeliverPostedMessages();
    const QString Copied = QGuiApplication::clipboard()->text();
    EXPECT_TRUE(Copied.contains("object Label1: TVyrvarlabel\n"));
    EXPECT_TRUE(Copied.contains("object TextLabel1: TVyrvarlabel\n"));
    EXPECT_EQ(Copied.count("TVyrTextLabel"), 0);

    // Pasted under other names, they are variable labels with their captions.
    delete Label;
    delete Other;
    const std::vector<TComponent*> Pasted =
        TReader(R.Form.get()).ReadComponents(QGuiApplication::clipboard()->text().toUtf8(), Detail);
    ASSERT_EQ(Pasted.size(), 2u);
    auto* Var = dynamic_cast<TVyrvarlabel*>(Pasted[0]);
    ASSERT_NE(Var, nullptr);
    EXPECT_EQ(Var->Caption(), "Name");
    EXPECT_EQ(Var->Parent(), Detail);

    // A label written to a file leaves a clipboard without it alone.
    QGuiApplication::clipboard()->setText("object Other: TVyrTextLabel\nend\n");
    WriteComponentText(R.Form.get());
    DeliverPostedMessages();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "object Other: TVyrTextLabel\nend\n");
}

TEST(DesignedPage, ScrollsItsBandsUpAndToTheRightEndOfTheWidestBand) {
    TDesignedReport R;
    R.Report->SetBounds(0, 0, 500, 400);
    TVyrGrouppage* Page = R.Page;
    Page->Detail()->SetHeight(600);
    TVyrBand* Head = Page->Head();
    const int Top = Head->Top();
    SendMessage(Page, WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0));
    EXPECT_EQ(Page->VertScrollBar().Position, 8);
    EXPECT_EQ(Head->Top(), Top - 8);
    SendMessage(Page, WM_HSCROLL, MAKEWPARAM(SB_BOTTOM, 0));
    const int Right = Page->getpagewidth() + 50;
    EXPECT_EQ(Page->HorzScrollBar().Position, Right - Page->ClientWidth());
    EXPECT_EQ(Head->Left(), -Page->HorzScrollBar().Position);
    SendMessage(Page, WM_HSCROLL, MAKEWPARAM(SB_LINERIGHT, 0));
    EXPECT_EQ(Page->HorzScrollBar().Position, Right - Page->ClientWidth());
}

} // namespace
