// The design tool windows worked as a user works them: every right-click action chosen from the Qt
// menu its right click shows, from a running event loop, and the fast label window's buttons and
// drop-down lists clicked. Qt's own menu code runs as it runs for a user, so a menu freed while its
// own event is still being handled is seen here, though no sanitizer sees into Qt.
#include "designerwindow.h"
#include "session.h"
#include "support/sampledata.h"
#include "uidriver.h"

#include "support/scripteddialogs.h"

#include "design/Pageman.h"
#include "host/controlviews.h"
#include "host/exceptions.h"
#include "host/forms.h"
#include "host/storedforms.h"
#include "host/streams.h"
#include "report/PimPage.h"
#include "report/VyrRep.h"
#include "report/VyrVar.h"

#include <QScrollArea>
#include <QScrollBar>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <iterator>

namespace {

const char* const Bands0 = "Report Header,Page Header,CustomerGroup Header,";
const char* const Bands9 = "CustomerGroup Footer,Page Footer,Report Footer";
const char* const Vars =
    "IdVar,OrderDateVar,ShippedVar,StatusVar,DiscountVar,AmountVar,CustomerIdVar,CustomerVar";
const char* const AutoVars = "AmountTotal,PageTextVar,svarDateTime,svarPage,ordersidVar,ordersorder_dateVar,"
                             "ordersshippedVar,ordersstatusVar,ordersdiscountVar,orderscustomer_idVar,"
                             "orderscustomerVar,ordersamountVar";

QString S(std::initializer_list<const char*> Parts) {
    QString Text;
    for (const char* Part : Parts)
        Text += QString::fromLatin1(Part);
    return Text;
}

TEST(ToolWindows, EveryRightClickActionAndToolOfTheOrdersToolWindowsDoesItsWorkAndNoMenuGoesInItsOwnEvent) {
    TSampleDatabase Db;
    TDesignerWindow Window;
    ASSERT_TRUE(Window.OpenFile(SourceFile("examples/orders.rep")));
    Window.show();
    Window.Refresh();
    HandlePendingEvents();
    TModalAnswerer Answers;
    TToolWindows Tools(Window);

    // Each action, and what its list shows afterwards ("*" selected).
    const std::pair<const char*, QString> Expected[] = {
        {"BandList Detail: AddSubBand1 > Below1", S({Bands0, "Detail,*DetailBandSub,", Bands9})},
        {"BandList Detail: AddSubBand1 > Above1",
         S({Bands0, "*DetailBandSub1,Detail,DetailBandSub,", Bands9})},
        // Past the end of the bands above, a band goes below, first; and back.
        {"BandList DetailBandSub1: MoveDown1", S({Bands0, "Detail,*DetailBandSub1,DetailBandSub,", Bands9})},
        {"BandList DetailBandSub1: MoveUp1", S({Bands0, "*DetailBandSub1,Detail,DetailBandSub,", Bands9})},
        {"BandList Detail: AddDataBand1 > No DataSource",
         S({Bands0, "DetailBandSub1,Detail,*Data,DetailBandSub,", Bands9})},
        {"BandList Detail: AddDataBand1 > OrdersSource",
         S({Bands0, "DetailBandSub1,Detail,Data,*Data1,DetailBandSub,", Bands9})},
        {"BandList Data: AddHeadFoot1 > DataHeader1",
         S({Bands0, "DetailBandSub1,Detail,*DataHeader,Data,Data1,DetailBandSub,", Bands9})},
        {"BandList Data: AddHeadFoot1 > DataFooter1",
         S({Bands0, "DetailBandSub1,Detail,DataHeader,Data,*DataFooter,Data1,DetailBandSub,", Bands9})},
        // A data band moves with its head and foot bands.
        {"BandList Data: MoveDown1",
         S({Bands0, "DetailBandSub1,Detail,Data1,DataHeader,*Data,DataFooter,DetailBandSub,", Bands9})},
        {"BandList Data: MoveUp1",
         S({Bands0, "DetailBandSub1,Detail,DataHeader,*Data,DataFooter,Data1,DetailBandSub,", Bands9})},
        {"BandList Detail: AddOverlay1 > PrintFirst1",
         S({Bands0, "DetailBandSub1,Detail,DataHeader,Data,DataFooter,Data1,DetailBandSub,", Bands9,
            ",*OverlayBand"})},
        {"BandList Detail: AddOverlay1 > PrintLast1",
         S({Bands0, "DetailBandSub1,Detail,DataHeader,Data,DataFooter,Data1,DetailBandSub,", Bands9,
            ",OverlayBand,*OverlayBand1"})},
        {"BandList OverlayBand: MoveDown1",
         S({Bands0, "DetailBandSub1,Detail,DataHeader,Data,DataFooter,Data1,DetailBandSub,", Bands9,
            ",*OverlayBand,OverlayBand1"})},
        {"BandList OverlayBand: Delete1",
         S({Bands0, "DetailBandSub1,Detail,DataHeader,Data,DataFooter,Data1,DetailBandSub,", Bands9,
            ",OverlayBand1"})},
        {"BandList OverlayBand1: Delete1",
         S({Bands0, "DetailBandSub1,Detail,DataHeader,Data,DataFooter,Data1,DetailBandSub,", Bands9})},
        // Asked first, in a message box of its own, since the band has bands of its own.
        {"BandList Data: Delete1", S({Bands0, "DetailBandSub1,Detail,Data1,DetailBandSub,", Bands9})},
        {"BandList Data1: Delete1", S({Bands0, "DetailBandSub1,Detail,DetailBandSub,", Bands9})},
        {"BandList DetailBandSub1: Delete1", S({Bands0, "Detail,DetailBandSub,", Bands9})},
        {"grouplist: GroupAdd", "CustomerGroup,Group"},
        {"grouplist Group: MoveUp", "*Group,CustomerGroup"},
        {"grouplist Group: MoveDown", "CustomerGroup,*Group"},
        {"grouplist Group: GroupDelete", "CustomerGroup"},
        {"clist: clistSelectAll",
         "*id,*order_date,*shipped,*status,*discount,*amount,*customer_id,*customer"},
        {"clist: clistSelectUnused",
         "*id,*order_date,*shipped,*status,*discount,*amount,*customer_id,*customer"},
        {"DataSourceList OrdersSource: RevertToAncestor1", "*OrdersSource auto"},
        {"DataSourceList OrdersSource: DeleteDsgItem", ""},
        {"DataSourceList: AddDsgItem > OrdersSource", "*OrdersSource auto"},
        // The box of the row: the guide no longer makes its variables, which may now be undefined.
        {"DataSourceList OrdersSource", "*OrdersSource"},
        {"clist amount: UnDefine1", "id,order_date,shipped,status,discount,customer_id,customer"},
        {"flist: flistSelectAll", "*amount"},
        {"flist amount: Define1", ""},
        {"ExprVarList: ExprSelectAll", "*PageTextVar"},
        {"ExprVarList: ExprSelectUnused", "PageTextVar"},
        {"clist amount -> TotalVarList", "AmountTotal,*TotalOfamount"},
        {"TotalVarList: TotalSelectAll", "*AmountTotal,*TotalOfamount"},
        {"TotalVarList: TotalSelectUnused", "AmountTotal,*TotalOfamount"},
        {"TotalVarList: TotalDelete", "AmountTotal"},
        {"DBVarList: Add1", S({Vars, ",DB"})},
        {"DBVarList: DBSelectAll", "*IdVar,*OrderDateVar,*ShippedVar,*StatusVar,*DiscountVar,*AmountVar,"
                                   "*CustomerIdVar,*CustomerVar,*DB"},
        {"DBVarList: DBSelectUnused", S({Vars, ",*DB"})},
        {"DBVarList DB: DBDelete", Vars},
        {"ExprVarList: AddExpressionType > String", "PageTextVar,*ExprVar"},
        {"ExprVarList: AddExpressionType > Float", "PageTextVar,ExprVar,*ExprVar1"},
        {"ExprVarList: AddExpressionType > Integer", "PageTextVar,ExprVar,ExprVar1,*ExprVar2"},
        {"ExprVarList: AddExpressionType > Boolean", "PageTextVar,ExprVar,ExprVar1,ExprVar2,*ExprVar3"},
        {"ExprVarList: AddExpressionType > DateTime",
         "PageTextVar,ExprVar,ExprVar1,ExprVar2,ExprVar3,*ExprVar4"},
        {"ExprVarList: AddExpressionType > Blob",
         "PageTextVar,ExprVar,ExprVar1,ExprVar2,ExprVar3,ExprVar4,*ExprVar5"},
        {"ExprVarList: AddExpressionType > Memo",
         "PageTextVar,ExprVar,ExprVar1,ExprVar2,ExprVar3,ExprVar4,ExprVar5,*ExprVar6"},
        {"ExprVarList: AddExpressionType > Graphic",
         "PageTextVar,ExprVar,ExprVar1,ExprVar2,ExprVar3,ExprVar4,ExprVar5,ExprVar6,*ExprVar7"},
        {"ExprVarList: AddExpressionType > Currency",
         "PageTextVar,ExprVar,ExprVar1,ExprVar2,ExprVar3,ExprVar4,ExprVar5,ExprVar6,ExprVar7,*ExprVar8"},
        {"ExprVarList: ExprSelectUnused", "PageTextVar,*ExprVar,*ExprVar1,*ExprVar2,*ExprVar3,*ExprVar4,*"
                                          "ExprVar5,*ExprVar6,*ExprVar7,*ExprVar8"},
        {"ExprVarList: ExprDelete", "PageTextVar"},
        {"sbHorizdiv", "down, 3 columns"},
        {"sbHoriz", "down, 3 columns"},
        {"sbLeft", "down, 3 columns"},
        {"sbTop", "down, 3 columns"},
        {"SpeedButton2", "up, 4 columns"},
        {"SpeedButton3", "up, 3 columns"},
        {"sbVert", "down, 3 columns"},
        {"VariableSelection Expression", "Expression:,PageTextVar"},
        {"VariableSelection Total", "Total:,AmountTotal"},
        {"VariableSelection System", "System:,svarDateTime,svarPage"},
        {"VariableSelection Manual DB", S({"Manual DB:,", Vars})},
        {"VariableSelection OrdersSource", "OrdersSource:,id,order_date,shipped,status,discount,customer_id,"
                                           "customer,amount"},
        {"VariableSelection All", S({"All:,", Vars, ",", AutoVars})},
        {"TextBand PageHeaderBand", S({"PageHeaderBand:,", Vars, ",", AutoVars})},
        {"TextBand No Text Label", S({"No Text Label:,", Vars, ",", AutoVars})},
    };
    const std::vector<TToolAction>& Actions = OrdersToolActions();
    std::vector<int> Types;
    ASSERT_EQ(Actions.size(), std::size(Expected));
    for (size_t i = 0; i < Actions.size(); ++i) {
        const TToolAction& A = Actions[i];
        const TMenuChoice Choice = Tools.Do(A);
        const std::string Name = A.Text().toStdString();
        EXPECT_EQ(A.Text(), QString::fromLatin1(Expected[i].first));
        EXPECT_TRUE(Choice.Chosen) << Name << ": " << Choice.Entries.join(u',').toStdString();
        EXPECT_FALSE(Choice.FreedInOwnEvent) << Name << ": its menu was freed while handling its own event";
        // A menu, once chosen from, goes soon after.
        EXPECT_TRUE(A.Path.isEmpty() || Choice.FreedAfter) << Name;
        EXPECT_EQ(Tools.State(A), Expected[i].second) << Name;
        if (A.Path.value(1) == QStringLiteral("Currency"))
            for (const char* Made : {"ExprVar", "ExprVar1", "ExprVar2", "ExprVar3", "ExprVar4", "ExprVar5",
                                     "ExprVar6", "ExprVar7", "ExprVar8"})
                if (auto* Var = dynamic_cast<TVyrVar*>(Window.Editor().Root()->FindComponent(Made)))
                    Types.push_back(Var->DataType());
    }
    EXPECT_EQ(Answers.Texts, QStringList{"This band contains labels or child bands.  Delete Anyway?"});

    // Each entry of "Add Expression Type" made a variable of its type, in the order of the entries.
    EXPECT_EQ(Types, (std::vector<int>{dtypeString, dtypeFloat, dtypeInteger, dtypeBoolean, dtypeDateTime,
                                       dtypeBlob, dtypeMemo, dtypeGraphic, dtypeCurrency}));
}

TEST(ToolWindows, AnAfternoonsWorkOnTheOrdersFormThroughTheWindowsFindsNoFault) {
    TSampleDatabase Db;
    TDesignerWindow Window;
    Window.show();
    QTemporaryDir Dir;
    QStringList Steps;
    const QStringList Faults =
        RunDesignerSession(Window, SourceFile("examples/orders.rep"), Dir.filePath("orders.rep"),
                           [&](const QString& Step) { Steps << Step; });
    EXPECT_EQ(Faults, QStringList());
    // It went all the way: run, with a delete tried meanwhile, and save.
    EXPECT_TRUE(Steps.contains(QStringLiteral("during the run: BandList DetailBandSub: Delete1")));
    EXPECT_EQ(Steps.value(Steps.size() - 1), QStringLiteral("save ") + Dir.filePath("orders.rep"));
}

TEST(PimDesigner, ADirectoryOpenedAsAFormOrADocumentIsRefusedWithItsPath) {
    QTemporaryDir Dir;
    const QString Path = Dir.path();
    const QString Expected = QStringLiteral("Cannot open file \"%1\". Is a directory").arg(Path);
    const std::pair<const char*, std::function<void()>> Readers[] = {
        {"stream", [&] { TFileStream Stream(Path, fmOpenRead | fmShareDenyNone); }},
        {"stored form",
         [&] {
             TComponent Root(nullptr);
             ReadComponentFile(Path, &Root);
         }},
        {"report",
         [&] {
             TComponent Owner(nullptr);
             TVyrReport::LoadReport(Path, &Owner);
         }},
    };
    for (const auto& [What, Read] : Readers) {
        try {
            Read();
            ADD_FAILURE() << What << " read a directory";
        } catch (const EFOpenError& E) {
            EXPECT_EQ(E.Message(), Expected) << What;
        }
    }
    // The designer says so, and keeps the form it had.
    TDesignerWindow Window;
    TScriptedDialogs Dialogs;
    Dialogs.Answer(mrOk);
    const TForm* Before = Window.Editor().Root();
    EXPECT_FALSE(Window.OpenFile(Path));
    ASSERT_EQ(Dialogs.MessageCount(), 1);
    EXPECT_EQ(Dialogs.Last().Text, Expected + u'.');
    EXPECT_EQ(Window.Editor().Root(), Before);
}

TEST(PimDesigner, AFormFarLargerThanTheWindowIsPaintedOnlyWhereTheWindowShowsIt) {
    TDesignerWindow Window;
    TForm* Root = Window.Editor().Root();
    Root->SetBounds(0, 0, 30000, 30000);
    TComponent* Report = Window.Editor().AddComponent(QStringLiteral("TVyrReport"), QPoint(29500, 29600));
    Window.show();
    Window.Refresh();
    HandlePendingEvents();
    // Scrolled to the far corner, as a user drags the scroll bars there.
    auto* Area = Window.findChild<QScrollArea*>(QStringLiteral("FormArea"));
    ASSERT_NE(Area, nullptr);
    Area->horizontalScrollBar()->setValue(Area->horizontalScrollBar()->maximum());
    Area->verticalScrollBar()->setValue(Area->verticalScrollBar()->maximum());
    const QImage Shot = Window.grab().toImage();
    const QSize Shown = Area->viewport()->size();
    EXPECT_LE(Window.PaintedSize().width(), Shown.width());
    EXPECT_LE(Window.PaintedSize().height(), Shown.height());
    EXPECT_GT(Window.PaintedSize().width(), 0);
    // The form's last pixels show its colour and the room beyond it the view's dark; the report box
    // stands where it was put, in its own colour.
    QWidget* View = Window.FormView();
    auto At = [&](QPoint P) { return QColor(Shot.pixel(View->mapTo(&Window, P))).rgb(); };
    EXPECT_EQ(At(QPoint(29999, 29999)), QColorOf(Root->Color()).rgb());
    EXPECT_EQ(At(QPoint(30002, 30002)), View->palette().color(QPalette::Dark).rgb());
    auto* Box = dynamic_cast<TControl*>(Report);
    ASSERT_NE(Box, nullptr);
    EXPECT_EQ(Box->BoundsRect().topLeft(), QPoint(29500, 29600));
    EXPECT_NE(At(Window.Editor().FormRect(Box).topLeft() + QPoint(1, 1)), QColorOf(Root->Color()).rgb());
}

} // namespace
