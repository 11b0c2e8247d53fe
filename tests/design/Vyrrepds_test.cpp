#include "design/Pageman.h"
#include "design/PimDrop.h"
#include "design/Vyrreg.h"
#include "design/Vyrrepds.h"
#include "host/devicecontext.h"
#include "host/dragdrop.h"
#include "host/paintpass.h"
#include "host/storedforms.h"
#include "report/VyrBtn.h"
#include "report/VyrText.h"
#include "report/VyrUtil.h"
#include "support/designfixture.h"
#include "support/devices.h"
#include "support/fakeprinter.h"
#include "support/paintlog.h"
#include "support/scripteddialogs.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <typeinfo>

namespace {

struct Vyrrepds : ::testing::Test {
    void SetUp() override { initDesignPackage(); }
    void TearDown() override {
        resetDesignPackage();
        ResetCustomHooks();
        ResetStoredForms();
    }
};

TVyrReportDesign* CompanionOf(const TVyrReport* Report) {
    return dynamic_cast<TVyrReportDesign*>(Report->RepDesign());
}

// The fast label window as the companion sees it: a list to drag from, and what reached it.
class TTestDropLabels : public TPimDropLabels {
public:
    explicit TTestDropLabels(TComponent* AOwner) : TPimDropLabels(AOwner) { FSList = new TLabel(this); }
    void FillComboBoxes() override { Calls << QStringLiteral("FillComboBoxes"); }
    void DropLabels(TVyrBand* Band, int X, int Y) override {
        Calls << QStringLiteral("DropLabels %1 %2 %3").arg(Band->Name()).arg(X).arg(Y);
    }
    QStringList Calls;
};

void InstallTestDropForms() {
    SetPimDropLabelsFactory([](TComponent* Owner) { return new TTestDropLabels(Owner); });
}

// A band manager that notes the messages it gets.
class TNotingManager : public TComponent {
public:
    TNotingManager() : TComponent(nullptr) {}
    QList<uint32_t> Got;
    QList<WPARAM> Params;
    void WndProc(TMessage& Message) override {
        Got << Message.Msg;
        Params << Message.WParam;
    }
};

// A drag of Source over Band at At (band coordinates); the answer is the message's result.
LRESULT DragOver(TVyrBand* Band, TComponent* Source, TDragMessage Kind, QPoint At) {
    TDragObject Object(Source);
    TDragRec Rec{Band->ClientToParent(At), &Object, Band};
    return SendMessage(Band, CM_DRAG, Kind, reinterpret_cast<LPARAM>(&Rec));
}

QStringList PaintedTexts(TControl* Control) {
    auto DC = DeviceContext::CreateRecording(ScreenCaps(96, 800, 200));
    PaintControl(Control, *DC);
    return DrawnTexts(*DC->Log());
}

QString Bounds(const TControl* C) {
    return QStringLiteral("%1,%2,%3,%4").arg(C->Left()).arg(C->Top()).arg(C->Width()).arg(C->Height());
}

TEST_F(Vyrrepds, ADesignedReportGetsItsToolRowAndRulersFirstAndFreesThemOnce) {
    TForm Form(nullptr);
    Form.SetName(QStringLiteral("Form1"));
    TTestDesigner Designer(&Form);
    auto* Report = new TVyrReport(&Form);
    Report->SetName(QStringLiteral("VyrReport1"));
    ASSERT_NE(CompanionOf(Report), nullptr);
    ASSERT_EQ(Report->ControlCount(), 14);
    // Caption, hint, bounds, glyph size, tag, font; the rulers by class and bounds.
    QStringList Parts;
    for (int i = 0; i < 14; ++i) {
        const TControl* C = Report->Controls(i);
        EXPECT_EQ(C->Owner(), nullptr);
        QString Part = ClassNameOf(typeid(*C)) + u' ' + Bounds(C);
        if (auto* B = dynamic_cast<const TVyrNoScaleBtn*>(C))
            Part += QStringLiteral(" %1|%2|%3x%4|%5|%6 %7|%8|%9")
                        .arg(B->Caption(), B->Hint())
                        .arg(B->Glyph()->Width())
                        .arg(B->Glyph()->Height())
                        .arg(B->Tag())
                        .arg(B->Font()->Name())
                        .arg(B->Font()->Size())
                        .arg(B->ShowHint())
                        .arg(B->Margin());
        Parts << Part;
    }
    EXPECT_EQ(Parts, QStringList({
                         "TVyrNoScaleBtn 0,0,35,35 Min|Minimize/Maximize Report|0x0|0|Arial 7|1|-1",
                         "TVyrNoScaleBtn 35,0,35,35 |Select GroupPage|14x14|0|Arial 7|1|5",
                         "TVyrNoScaleBtn 70,0,35,35 Band|Band Manager|0x0|0|Arial 7|1|-1",
                         "TVyrNoScaleBtn 105,0,35,35 Data|Data Control|0x0|0|Arial 7|1|-1",
                         "TVyrNoScaleBtn 140,0,35,35 Fast|Fast Label Placement|0x0|0|Arial 7|1|-1",
                         "TVyrNoScaleBtn 175,0,35,35 Run|Run Report|0x0|0|Arial 7|1|-1",
                         "TVyrNoScaleBtn 291,0,50,17 Overview|Run Overview Report|0x0|0|Arial 7|1|-1",
                         "TVyrNoScaleBtn 291,17,50,17 Diagnostic|Run Diagnostic Report|0x0|0|Arial 7|1|-1",
                         "TVyrNoScaleBtn 225,0,17,17 |Align left Edges|14x14|0|Arial 7|1|-1",
                         "TVyrNoScaleBtn 242,0,17,17 |Align horizontal centers|14x14|1|Arial 7|1|-1",
                         "TVyrNoScaleBtn 259,0,17,17 |Align right edges|14x14|2|Arial 7|1|-1",
                         "TVyrNoScaleBtn 242,17,17,17 |Horizontal page center|14x14|3|Arial 7|1|-1",
                         "TVyrRuler 35,50,400,20",
                         "TVyrRulerContainer 15,70,20,100",
                     }));
    EXPECT_FALSE(CompanionOf(Report)->TopRuler()->Vertical());

    // The page comes after them; the stored form knows only the report and what the form owns.
    Report->SetParent(&Form);
    DeliverPostedMessages();
    ASSERT_NE(Report->Page(), nullptr);
    EXPECT_EQ(Report->IndexOfControl(Report->Page()), 14);
    const QString Stored = WriteComponentText(&Form);
    EXPECT_FALSE(Stored.contains(QStringLiteral("NoScale")));
    EXPECT_FALSE(Stored.contains(QStringLiteral("Ruler")));

    // Freed with the report, each part once.
    TComponentRef<TControl> Button(Report->Controls(0));
    TComponentRef<TControl> Ruler(Report->Controls(13));
    delete Report;
    EXPECT_FALSE(Button);
    EXPECT_FALSE(Ruler);

    // At run time, or without the package's hook, a report has no companion.
    TForm Running(nullptr);
    auto* Plain = new TVyrReport(&Running);
    EXPECT_EQ(Plain->RepDesign(), nullptr);
    EXPECT_EQ(Plain->ControlCount(), 0);
    ResetVyrDesignCreate();
    auto* Unhooked = new TVyrReport(&Form);
    EXPECT_EQ(Unhooked->RepDesign(), nullptr);
    EXPECT_EQ(Unhooked->ControlCount(), 0);
}

TEST_F(Vyrrepds, RepositionButtonsPutsTheRulersAtThePageAndTheLargeButtonsBackInTheirRow) {
    TDesignedReport R;
    TVyrReportDesign* Design = CompanionOf(R.Report);
    R.Report->SetBounds(0, 0, 400, 200);
    TVyrPage* Page = R.Page;
    ASSERT_EQ(Bounds(Page), QStringLiteral("35,55,345,125"));
    EXPECT_EQ(Bounds(Design->TopRuler()), QStringLiteral("37,35,345,20"));
    EXPECT_EQ(Bounds(Design->LeftRuler()), QStringLiteral("15,55,20,125"));
    EXPECT_EQ(Design->TopRuler()->StartPixels(), 0);
    Design->MinMaxButton()->SetBounds(120, 80, 35, 35);
    Design->RunButton()->SetBounds(3, 3, 35, 35);

    // Scrolling moves the scale's origin; the page without its frame brings the ruler to its edge.
    SendMessage(Page, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 30));
    EXPECT_EQ(Page->HorzScrollBar().Position, 30);
    EXPECT_EQ(Design->TopRuler()->StartPixels(), -30);
    EXPECT_EQ(Page->Detail()->Left(), -30);
    EXPECT_EQ(Bounds(Design->MinMaxButton()), QStringLiteral("0,0,35,35"));
    EXPECT_EQ(Bounds(Design->RunButton()), QStringLiteral("175,0,35,35"));
    Page->SetBorderStyle(bsNone);
    Design->RepositionButtons();
    EXPECT_EQ(Bounds(Design->TopRuler()), QStringLiteral("35,35,345,20"));
    EXPECT_EQ(Design->LeftRuler()->Rulers().front()->Top(), Page->Head()->Top());

    // A change of units in the page setup relabels both rulers.
    Page->SetBorderStyle(bsSingle);
    SendMessage(Page, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0));
    EXPECT_EQ(PaintedTexts(Design->TopRuler()).mid(0, 2), QStringList({"3 2 0", "99 2 1"}));
    Page->PageSetup()->SetUnits(unitMiliMeters);
    EXPECT_EQ(PaintedTexts(Design->TopRuler()).mid(0, 2), QStringList({"3 2 0", "41 2 10"}));
    TVyrRuler* Beside = Design->LeftRuler()->Rulers()[1];
    EXPECT_EQ(Beside->Units(), unitMiliMeters);
    // The scale runs one label past a ruler shorter than a label's step.
    EXPECT_EQ(PaintedTexts(Beside), QStringList({"4 3 0", "4 41 10"}));
    // The report's resolution reaches every ruler.
    R.Report->SetPixelsPerInch(120);
    Design->RedrawRuler();
    EXPECT_EQ(Design->TopRuler()->PixelsPerInch(), 120);
    EXPECT_EQ(Beside->PixelsPerInch(), 120);
}

TEST_F(Vyrrepds, MinMaxAndRunWorkWithoutAPageTheOtherButtonsOnlyWithOne) {
    TFakePrinterList Printers{[] {
        std::vector<std::unique_ptr<TFakePrinter>> List;
        List.push_back(TFakePrinter::Office());
        return List;
    }()};
    TScriptedDialogs Dialogs;
    InstallTestDropForms();
    TDesignedReport R;
    TVyrReportDesign* Design = CompanionOf(R.Report);
    Design->MinMaxButton()->Click();
    EXPECT_TRUE(R.Report->Minimized());
    EXPECT_EQ(Design->MinMaxButton()->Caption(), QStringLiteral("Max"));
    Design->MinMaxButton()->Click();
    EXPECT_EQ(Design->MinMaxButton()->Caption(), QStringLiteral("Min"));

    // A left release shows the report at once, a right one asks where it goes, the middle one nothing.
    TToldErrors Told; // the page has no data source
    int Shown = 0;
    CustomPreview = [&](TVyrPage*) { ++Shown; };
    TVyrNoScaleBtn* Run = Design->RunButton();
    Run->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    Run->Perform(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(R.Report->DesignPreview());
    EXPECT_EQ(Shown, 1);
    Dialogs.AnswerForm(mrCancel);
    Run->Perform(WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_FALSE(R.Report->DesignPreview());
    EXPECT_EQ(Shown, 1);
    ASSERT_EQ(Dialogs.Shown().size(), 1u);
    EXPECT_EQ(Dialogs.Shown()[0].Text, QStringLiteral("TVyrReportDestination"));
    Run->MouseUp(mbMiddle, 0, 5, 5);
    EXPECT_EQ(Dialogs.Shown().size(), 1u);
    EXPECT_EQ(Shown, 1);

    // Without a page nothing else does anything.
    TForm Bare(nullptr);
    Bare.SetName(QStringLiteral("Bare"));
    TTestDesigner BareDesigner(&Bare);
    auto* Lone = new TVyrReport(&Bare);
    ClearPostedMessages();
    TVyrReportDesign* LoneDesign = CompanionOf(Lone);
    const int Forms = Application()->ComponentCount();
    for (int i = 2; i < 12; ++i)
        Lone->Controls(i)->Click();
    LoneDesign->SelectButton()->MouseUp(mbLeft, 0, 5, 5);
    EXPECT_EQ(PostedMessageCount(), 0);
    EXPECT_EQ(Application()->ComponentCount(), Forms);
    EXPECT_EQ(LoneDesign->DropForm(), nullptr);
    LoneDesign->MinMaxButton()->Click();
    EXPECT_EQ(LoneDesign->MinMaxButton()->Caption(), QStringLiteral("Max"));
    LoneDesign->RunButton()->MouseUp(mbLeft, 0, 5, 5);
    EXPECT_EQ(Shown, 1);
}

TEST_F(Vyrrepds, TheButtonsReachTheBandManagerMadeHiddenThroughTheDesigner) {
    TDesignedReport R;
    TVyrReportDesign* Design = CompanionOf(R.Report);
    TVyrPage* Page = R.Page;
    ClearPostedMessages();
    Design->DataButton()->Click();
    auto* Manager = dynamic_cast<TVyrPageManager*>(Page->PageManager());
    ASSERT_NE(Manager, nullptr);
    EXPECT_FALSE(Manager->Visible());
    EXPECT_TRUE(HasPostedMessage(Manager, WM_VYR_DODATACONTROL));
    Design->DataButton()->Click();
    EXPECT_EQ(Page->PageManager(), Manager);
    EXPECT_FALSE(Manager->Visible());
    // "Band" shows it and brings the page's automatic variables up to date.
    Design->PageManButton()->Click();
    EXPECT_TRUE(Manager->Visible());
    EXPECT_TRUE(Page->Vars() && Page->Vars()->size() == 2u);
    // Without a fast label window nothing opens.
    ResetPimDropLabelsFactory();
    Design->AutoLabelButton()->Click();
    EXPECT_EQ(Design->DropForm(), nullptr);

    auto* Noting = new TNotingManager; // the page frees its band manager
    Page->SetPageManager(Noting);
    ClearPostedMessages();
    Design->SelectButton()->MouseUp(mbLeft, 0, 5, 5);
    R.Report->Controls(6)->Click();
    R.Report->Controls(7)->Click();
    DeliverPostedMessages();
    EXPECT_EQ(Noting->Got, (QList<uint32_t>{WM_VYR_SELECTGROUPPAGE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_KEYDOWN,
                                            WM_VYR_RUNOVERREPORT, WM_VYR_RUNDIAGREPORT}));
    EXPECT_EQ(Noting->Params[3], WPARAM(VK_F11));
    // No longer the page's, the first manager no longer hears of the page either: nobody else frees
    // it, and left shown it would paint the freed page's bands.
    delete Manager;
}

TEST_F(Vyrrepds, ItemsOfTheFastLabelListDroppedOnABandBecomeItsLabelsThereAndOthersAreRefused) {
    InstallTestDropForms();
    auto Designed = std::make_unique<TDesignedReport>();
    TDesignedReport& R = *Designed;
    TVyrReportDesign* Design = CompanionOf(R.Report);
    Design->AutoLabelButton()->Click();
    auto* Form = dynamic_cast<TTestDropLabels*>(Design->DropForm());
    ASSERT_NE(Form, nullptr);
    EXPECT_EQ(Form->Page(), R.Page);
    EXPECT_TRUE(Form->Visible());
    Design->AutoLabelButton()->Click();
    EXPECT_EQ(Design->DropForm(), Form);
    EXPECT_EQ(Form->Calls, QStringList({"FillComboBoxes", "FillComboBoxes"}));

    TVyrBand* Detail = R.Page->Detail();
    EXPECT_EQ(DragOver(Detail, Form->SList(), dmDragEnter, QPoint(40, 6)), 1);
    EXPECT_EQ(Design->TopRuler()->CrossHairPosition(), 40);
    EXPECT_EQ(Design->LeftRuler()->CrossHairPosition(), Detail->Top() + 6);
    auto* Other = R.Add<TLabel>(QStringLiteral("Other"));
    EXPECT_EQ(DragOver(Detail, Other, dmDragMove, QPoint(50, 7)), 0);
    EXPECT_EQ(Design->TopRuler()->CrossHairPosition(), 40);
    DragOver(Detail, Other, dmDragDrop, QPoint(50, 7));
    DragOver(Detail, Form->SList(), dmDragDrop, QPoint(44, 9));
    EXPECT_EQ(Form->Calls.mid(2), QStringList({"DropLabels DetailBand 44 9"}));

    // The window, owned by the application, goes with the form whose report made it.
    EXPECT_EQ(Form->Owner(), Application());
    TComponentRef<TPimDropLabels> Watch(Form);
    Designed.reset();
    EXPECT_FALSE(Watch);
}

TEST_F(Vyrrepds, EachBandHasARulerCutAtThePageBottomAndTheMarkMovesFromBandToBand) {
    TDesignedReport R;
    TVyrReportDesign* Design = CompanionOf(R.Report);
    TVyrPage* Page = R.Page;
    R.Report->SetBounds(0, 0, 400, 200);
    TVyrBand* Detail = Page->Detail();
    auto* Sub1 = R.Add<TVyrSubBand>(QStringLiteral("Sub1"), Page);
    auto* Sub2 = R.Add<TVyrSubBand>(QStringLiteral("Sub2"), Page);
    Sub1->SetBand(Detail);
    Sub2->SetBand(Detail);
    Sub2->SetOrder(1);
    Sub1->SetHeight(40);
    Sub2->SetHeight(20);
    // Bands at 0, 20, 55, 90, 145, 180 and 215 below their strips; the page is 125 high.
    QStringList Rulers;
    for (const TVyrRuler* Ruler : Design->LeftRuler()->Rulers())
        Rulers << Bounds(Ruler) + (Ruler->Visible() ? QString() : QStringLiteral(" hidden"));
    EXPECT_EQ(Rulers, QStringList({"0,2,20,5", "0,22,20,20", "0,57,20,20", "0,92,20,32", "0,147,20,20 hidden",
                                   "0,182,20,20 hidden", "0,217,20,20 hidden"}));

    auto* InDetail = R.Add<TVyrTextLabel>(QStringLiteral("InDetail"), Detail);
    InDetail->SetBounds(30, 4, 60, 12);
    auto* InSub = R.Add<TVyrTextLabel>(QStringLiteral("InSub"), Sub1);
    InSub->SetBounds(100, 10, 60, 12);
    SendMessage(InDetail, CM_DESIGNHITTEST, 0, MAKELPARAM(5, 3));
    EXPECT_EQ(Design->TopRuler()->CrossHairPosition(), 35);
    EXPECT_EQ(Design->LeftRuler()->CrossHairPosition(), 55 + 4 + 3);
    TVyrRuler* DetailRuler = Design->LeftRuler()->Rulers()[2];
    TVyrRuler* SubRuler = Design->LeftRuler()->Rulers()[3];
    EXPECT_TRUE(DetailRuler->ShowCrossHair());
    // The mark stands level with the pointer, the page's frame between them or not.
    EXPECT_EQ(DetailRuler->CrossHairPosition(), 62 + 2 - 57);
    EXPECT_EQ(DetailRuler->ClientToParent(QPoint(0, DetailRuler->CrossHairPosition())).y(),
              InDetail->ClientToParent(QPoint(5, 3)).y());
    SendMessage(InSub, CM_DESIGNHITTEST, 0, MAKELPARAM(5, 3));
    EXPECT_EQ(Design->TopRuler()->CrossHairPosition(), 105);
    EXPECT_FALSE(DetailRuler->ShowCrossHair());
    EXPECT_EQ(DetailRuler->CrossHairPosition(), -1);
    EXPECT_TRUE(SubRuler->ShowCrossHair());
    EXPECT_EQ(SubRuler->CrossHairPosition(), 90 + 10 + 3 + 2 - 92);
    EXPECT_EQ(SubRuler->ClientToParent(QPoint(0, SubRuler->CrossHairPosition())).y(),
              InSub->ClientToParent(QPoint(5, 3)).y());
    EXPECT_EQ(Design->TopRuler()->ClientToParent(QPoint(Design->TopRuler()->CrossHairPosition(), 0)).x(),
              InSub->ClientToParent(QPoint(5, 3)).x());

    // A band that goes takes its ruler along once the bands below it have moved up.
    Sub2->SafeDelete();
    Page->OrderBands();
    Page->ArrangeBands();
    EXPECT_EQ(Design->LeftRuler()->Rulers().size(), 6u);
}

} // namespace
