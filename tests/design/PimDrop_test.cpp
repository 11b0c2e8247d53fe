#include "design/PimDrop.h"
#include "design/PimFAsk.h"
#include "design/Vyrreg.h"
#include "design/Vyrrepds.h"
#include "host/buttons.h"
#include "host/combobox.h"
#include "host/dragdrop.h"
#include "host/listbox.h"
#include "host/memdataset.h"
#include "host/messages.h"
#include "host/sqldataset.h"
#include "host/storedforms.h"
#include "host/wordwrap.h"
#include "report/PimDS.h"
#include "report/VyrBtn.h"
#include "report/VyrText.h"
#include "support/designfixture.h"
#include "support/sampledata.h"
#include "support/scripteddialogs.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlDatabase>
#include <gtest/gtest.h>

namespace {

struct PimDrop : ::testing::Test {
    void SetUp() override { initDesignPackage(); }
    void TearDown() override {
        resetDesignPackage();
        ResetStoredForms();
    }
};

// The report being designed on Letter paper with half-inch margins (720 pixels of printable width at
// 96 pixels per inch), its bands in Arial 10 pt (labels 19 high), and the fast label window over its
// page.
struct TDrop {
    TDesignedReport R;
    std::unique_ptr<TPimDropLabels> Tool;
    // A question nobody scripted fails the test.
    TScriptedDialogs Dialogs;

    TDrop() {
        R.Page->PageSetup()->SetSize(psLetter);
        for (TVyrBand* Band : *R.Page->Bands()) {
            Band->Font()->SetName(QStringLiteral("Arial"));
            Band->Font()->SetSize(10);
        }
        Tool = std::make_unique<TPimDropLabels>(nullptr);
        Tool->SetPage(R.Page);
    }

    template <class T = TVyrExprVar> T* Var(const QString& Name, TVyrDataTypes Type = dtypeUnknown) {
        T* V = R.Add<T>(Name);
        V->SetParent(R.Page);
        if (Type != dtypeUnknown) V->SetDataType(Type);
        return V;
    }
    TVyrDBVar* DBVar(const QString& Name, TDataSource* Source, const QString& Field) {
        auto* V = Var<TVyrDBVar>(Name);
        V->SetDataSource(Source);
        V->SetDataField(Field);
        return V;
    }
    std::vector<TVyrExprVar*> Memos(int Count) {
        std::vector<TVyrExprVar*> Made;
        for (int i = 1; i <= Count; ++i)
            Made.push_back(Var(QStringLiteral("Memo%1").arg(i), dtypeMemo));
        return Made;
    }

    // Lists every variable and selects the named ones in the order given, as clicks would.
    void Select(const QStringList& Names) {
        Tool->FillComboBoxes();
        for (const QString& Name : Names) {
            const int At = Tool->PimVariableList->Items().IndexOf(Name);
            ASSERT_GE(At, 0) << qPrintable(Name);
            Tool->PimVariableList->SetSelected(At, true);
            Tool->PimVariableListClick();
        }
    }
    // The layout buttons: 0 a row, 1 a row with dividers, 2 a column; captions above or to the left
    // in the band named (empty: none).
    void Layout(int Row, bool Above = true, const QString& CaptionBand = QString()) {
        TSpeedButton* Layouts[] = {Tool->sbHoriz, Tool->sbHorizdiv, Tool->sbVert};
        Layouts[Row]->SetDown(true);
        (Above ? Tool->sbTop : Tool->sbLeft)->SetDown(true);
        Tool->TextBand->SetItemIndex(CaptionBand.isEmpty() ? 0
                                                           : Tool->TextBand->Items().IndexOf(CaptionBand));
    }

    // The next width question is answered with Choice and Ok, or Cancel.
    void Answer(QRadioButton* (TPimFastAskForm::*Choice)() const, bool Ok = true) {
        Dialogs.AnswerForm([Choice, Ok](TCustomForm* Form) {
            auto* Ask = dynamic_cast<TPimFastAskForm*>(Form);
            EXPECT_TRUE(Ask->Wrap()->isChecked());
            (Ask->*Choice)()->setChecked(true);
            Ok ? Ask->OkButtonClick() : Ask->CancelButtonClick();
            return mrNone;
        });
    }

    TVyrBand* Detail() const { return R.Page->Detail(); }
    TVyrBand* Header() const { return R.Page->PageHead(); }
};

QPoint Center(const TRect& R) {
    return QPoint((R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2);
}

int XWidth(int Times) {
    TMeasuringContext M;
    TFont Font;
    Font.SetName(QStringLiteral("Arial"));
    Font.SetSize(10);
    M.Prepare(Font, 96);
    return Times * M.TextWidth(u"X");
}

int CaptionWidth(const QString& Caption) {
    TMeasuringContext M;
    TFont Font;
    Font.SetName(QStringLiteral("Arial"));
    Font.SetSize(10);
    M.Prepare(Font, 96);
    return M.TextWidth(Caption) + 15;
}

// "left,top widthxheight" of each label of a list.
QStringList Places(const TComponentRefList<TVyrLabel>& List) {
    QStringList Out;
    for (int i = 0; i < List.Count(); ++i) {
        const TVyrLabel* L = List[i];
        Out << QStringLiteral("%1,%2 %3x%4").arg(L->Left()).arg(L->Top()).arg(L->Width()).arg(L->Height());
    }
    return Out;
}

QStringList Lefts(const TComponentRefList<TVyrLabel>& List) {
    QStringList Out;
    for (int i = 0; i < List.Count(); ++i)
        Out << QString::number(List[i]->Left());
    return Out;
}

// The sample database's orders, closed: the data set knows its columns only by reading them.
struct TSampleOrders {
    TSampleOrders() {
        QSqlDatabase Db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), Connection);
        Db.setDatabaseName(QStringLiteral(":memory:"));
        if (Db.open()) LoadSampleDatabase(Db, QStringLiteral("sqlite"));
        Orders.SetConnectionName(Connection);
        Orders.SetSQL(QStringLiteral("SELECT * FROM orders"));
        Source.SetDataSet(&Orders);
        Broken.SetConnectionName(Connection);
        Broken.SetSQL(QStringLiteral("SELECT * FROM nowhere"));
        BrokenSource.SetDataSet(&Broken);
    }
    ~TSampleOrders() {
        Source.SetDataSet(nullptr);
        BrokenSource.SetDataSet(nullptr);
        Orders.Close();
        QSqlDatabase::database(Connection).close();
        QSqlDatabase::removeDatabase(Connection);
    }
    static constexpr const char* Connection = "pimdropsample";
    TSqlDataSet Orders;
    TDataSource Source;
    // A statement whose columns cannot be read.
    TSqlDataSet Broken;
    TDataSource BrokenSource;
};

} // namespace

TEST_F(PimDrop, EachKindOfVariableGetsItsLabelFormatAndSizeAndEachCaptionItsText) {
    TDrop D;
    // An open set whose fields carry display attributes, and the sample's closed orders.
    auto* People = D.R.Add<TMemDataSet>(QStringLiteral("People"));
    People->FieldDefs().Add(QStringLiteral("Code"), ftString, 6);
    People->FieldDefs().Add(QStringLiteral("Balance"), ftCurrency);
    People->FieldDefs().Add(QStringLiteral("Rating"), ftInteger);
    People->FieldDefs().Add(QStringLiteral("Fee"), ftCurrency);
    People->Open();
    // A currency field shows money even with its flag off.
    People->FieldByName(QStringLiteral("Fee"))->SetCurrency(false);
    People->FieldByName(QStringLiteral("Code"))->SetEditMask(QStringLiteral(">LL"));
    People->FieldByName(QStringLiteral("Code"))->SetDisplayLabel(QStringLiteral("Customer code"));
    People->FieldByName(QStringLiteral("Rating"))->SetAlignment(TAlignment::taCenter);
    People->FieldByName(QStringLiteral("Rating"))->SetDisplayFormat(QStringLiteral("#0"));
    auto* PeopleSource = D.R.Add<TDataSource>(QStringLiteral("PeopleSource"));
    PeopleSource->SetDataSet(People);
    TSampleOrders Sample;

    auto* Price = D.Var(QStringLiteral("Price"), dtypeFloat);
    D.Var(QStringLiteral("Flag"), dtypeBoolean);
    D.Var(QStringLiteral("Qty"), dtypeInteger);
    D.Var(QStringLiteral("When"), dtypeDateTime);
    D.Var(QStringLiteral("Notes"), dtypeMemo);
    D.Var(QStringLiteral("Title"), dtypeString);
    D.Var(QStringLiteral("Logo"), dtypeGraphic);
    D.Var<TVyrTotalvar>(QStringLiteral("PriceTotal"))->SetVariable(Price);
    D.DBVar(QStringLiteral("CodeVar"), PeopleSource, QStringLiteral("Code"));
    D.DBVar(QStringLiteral("BalanceVar"), PeopleSource, QStringLiteral("Balance"));
    D.DBVar(QStringLiteral("RatingVar"), PeopleSource, QStringLiteral("Rating"));
    auto* Amount = D.DBVar(QStringLiteral("AmountVar"), &Sample.Source, QStringLiteral("amount"));
    D.DBVar(QStringLiteral("StatusVar"), &Sample.Source, QStringLiteral("status"));
    D.DBVar(QStringLiteral("NoteVar"), &Sample.Source, QStringLiteral("note"));
    D.Var<TVyrTotalvar>(QStringLiteral("AmountTotal"))->SetVariable(Amount);
    D.DBVar(QStringLiteral("LostVar"), &Sample.Source, QStringLiteral("lost"));
    D.DBVar(QStringLiteral("BlankVar"), &Sample.Source, QString());
    D.DBVar(QStringLiteral("BrokenVar"), &Sample.BrokenSource, QStringLiteral("id"));
    D.DBVar(QStringLiteral("FeeVar"), PeopleSource, QStringLiteral("Fee"));

    struct {
        const char* Var;
        const char* Kind;
        int Width;
        int Height;
        TVyrHorizontalAlign Align;
        TFloatFormat Float;
        int Digits;
        const char* Format;
        bool Wrap;
        const char* Caption;
    } const Rows[] = {
        {"Price", "TVyrvarlabel", 65, 19, laRight, ffNumber, 2, "", false, "Price"},
        {"Flag", "TVyrCheckLabel", 12, 12, laLeft, ffGeneral, 0, "", false, "Flag"},
        {"Qty", "TVyrvarlabel", 65, 19, laRight, ffNumber, 0, "", false, "Qty"},
        {"When", "TVyrvarlabel", 65, 19, laLeft, ffGeneral, 0, "ddddd", false, "When"},
        {"Notes", "TVyrvarlabel", 192, 19, laLeft, ffGeneral, 0, "", true, "Notes"},
        {"Title", "TVyrvarlabel", 65, 19, laLeft, ffGeneral, 0, "", false, "Title"},
        {"Logo", "TVyrImageLabel", 96, 96, laLeft, ffGeneral, 0, "", false, "Logo"},
        {"PriceTotal", "TVyrTotalvarLabel", 96, 19, laRight, ffNumber, 2, "", false, "PriceTotal"},
        {"CodeVar", "TVyrvarlabel", XWidth(6), 19, laLeft, ffGeneral, 0, ">LL", false, "Customer code"},
        {"BalanceVar", "TVyrvarlabel", XWidth(10), 19, laRight, ffCurrency, 0, "", false, "Balance"},
        {"RatingVar", "TVyrvarlabel", XWidth(11), 19, laCenter, ffGeneral, 0, "#0", false, "Rating"},
        {"AmountVar", "TVyrvarlabel", XWidth(10), 19, laRight, ffCurrency, 0, "", false, "amount"},
        {"StatusVar", "TVyrvarlabel", XWidth(10), 19, laLeft, ffGeneral, 0, "", false, "status"},
        {"NoteVar", "TVyrvarlabel", 192, 19, laLeft, ffGeneral, 0, "", true, "note"},
        {"AmountTotal", "TVyrTotalvarLabel", XWidth(10), 19, laRight, ffNumber, 2, "", false, "AmountTotal"},
        {"LostVar", "TVyrvarlabel", 65, 19, laLeft, ffGeneral, 0, "", false, "lost"},
        {"BlankVar", "TVyrvarlabel", 65, 19, laLeft, ffGeneral, 0, "", false, "BlankVar"},
        {"BrokenVar", "TVyrvarlabel", 65, 19, laLeft, ffGeneral, 0, "", false, "id"},
        {"FeeVar", "TVyrvarlabel", XWidth(10), 19, laRight, ffCurrency, 0, "", false, "Fee"},
    };
    QStringList Names;
    for (const auto& Row : Rows)
        Names << QString::fromLatin1(Row.Var);
    D.Select(Names);
    D.Layout(2, true, QStringLiteral("PageHeaderBand"));
    const int PeopleFields = People->FieldCount();
    D.Tool->DropLabels(D.Detail(), 10, 5);

    ASSERT_EQ(D.Tool->VarLabelList().Count(), int(std::size(Rows)));
    for (int i = 0; i < int(std::size(Rows)); ++i) {
        const auto& Row = Rows[i];
        SCOPED_TRACE(Row.Var);
        TVyrLabel* L = D.Tool->VarLabelList()[i];
        EXPECT_EQ(L->ClassName(), QString::fromLatin1(Row.Kind));
        EXPECT_EQ(L->Owner(), D.R.Form.get());
        EXPECT_EQ(L->Parent(), D.Detail());
        EXPECT_EQ(L->Width(), Row.Width);
        EXPECT_EQ(L->Height(), Row.Height);
        EXPECT_EQ(L->AlignHorizontal(), Row.Align);
        EXPECT_EQ(L->WrapText(), Row.Wrap);
        EXPECT_EQ(L->Stretch(), Row.Wrap);
        TVyrRootFormat* Format = nullptr;
        if (auto* Text = dynamic_cast<TVyrvarlabel*>(L)) Format = Text->DataFormat();
        if (auto* Total = dynamic_cast<TVyrTotalvarLabel*>(L)) Format = Total->DataFormat();
        if (Format) {
            EXPECT_EQ(Format->FloatFormat(), Row.Float);
            EXPECT_EQ(Format->Digits(), Row.Digits);
            EXPECT_EQ(Format->DisplayFormat(), QString::fromLatin1(Row.Format));
            EXPECT_EQ(Format->UseCurrencyDecimals(), Row.Float == ffCurrency);
            EXPECT_EQ(Format->Width(), 15);
        }
        TVyrLabel* Caption = D.Tool->TextLabelList()[i];
        EXPECT_EQ(Caption->ClassName(), QStringLiteral("TVyrvarlabel"));
        EXPECT_EQ(Caption->Parent(), D.Header());
        EXPECT_EQ(Caption->Caption(), QString::fromLatin1(Row.Caption));
        EXPECT_EQ(Caption->Width(), CaptionWidth(Caption->Caption()));
        EXPECT_EQ(Caption->Height(), 19);
    }
    auto* Flag = dynamic_cast<TVyrCheckLabel*>(D.Tool->VarLabelList()[1]);
    EXPECT_EQ(Flag->BorderType(), btSingle);
    EXPECT_EQ(Flag->Variable()->Name(), QStringLiteral("Flag"));
    EXPECT_EQ(dynamic_cast<TVyrTotalvarLabel*>(D.Tool->VarLabelList()[14])->TotalVariable()->Name(),
              QStringLiteral("AmountTotal"));
    // Names come from the classes, prefix stripped.
    EXPECT_EQ(D.Tool->VarLabelList()[0]->Name(), QStringLiteral("varlabel1"));
    EXPECT_EQ(D.Tool->TextLabelList()[0]->Name(), QStringLiteral("varlabel"));
    EXPECT_EQ(D.Tool->VarLabelList()[1]->Name(), QStringLiteral("CheckLabel"));
    // Reading the fields added none to either data set.
    EXPECT_EQ(People->FieldCount(), PeopleFields);
    EXPECT_FALSE(Sample.Orders.Active());
    EXPECT_EQ(Sample.Orders.FieldCount(), 0);
}

TEST_F(PimDrop, EightLayoutsPlaceThreeMemoLabelsAndGrowTheBandsNeverShrinkingThem) {
    const int C1 = CaptionWidth(QStringLiteral("Memo1"));
    const int C2 = CaptionWidth(QStringLiteral("Memo2"));
    const int C3 = CaptionWidth(QStringLiteral("Memo3"));
    auto At = [](int x, int y) { return QStringLiteral("%1,%2").arg(x).arg(y); };
    struct {
        int Layout;
        bool Above;
        const char* CaptionBand;
        QStringList Values;
        QStringList Captions;
        int DetailHeight;
        int HeaderHeight;
    } const Cases[] = {
        {0, true, "", {"10,5", "212,5", "414,5"}, {}, 24, 20},
        {0, true, "PageHeaderBand", {"10,5", "212,5", "414,5"}, {"10,5", "212,5", "414,5"}, 24, 24},
        {0, true, "DetailBand", {"10,26", "212,26", "414,26"}, {"10,5", "212,5", "414,5"}, 45, 20},
        // Caption, 2 pixels, value, 10 pixels; the row passes the edge, and the answer leaves it.
        {0,
         false,
         "DetailBand",
         {At(12 + C1, 5), At(216 + C1 + C2, 5), At(420 + C1 + C2 + C3, 5)},
         {"10,5", At(214 + C1, 5), At(418 + C1 + C2, 5)},
         24,
         20},
        {2, true, "", {"10,5", "10,29", "10,53"}, {}, 72, 20},
        {2, true, "PageHeaderBand", {"10,5", "10,29", "10,53"}, {"10,5", "10,29", "10,53"}, 72, 72},
        {2, true, "DetailBand", {"10,26", "10,71", "10,116"}, {"10,5", "10,50", "10,95"}, 135, 20},
        // Captions to the left of a column dropped near the band's edge move it right: the widest
        // caption starts at the edge.
        {2,
         false,
         "DetailBand",
         {At(std::max({C1, C2, C3}) + 3, 5), At(std::max({C1, C2, C3}) + 3, 29),
          At(std::max({C1, C2, C3}) + 3, 53)},
         {At(std::max({C1, C2, C3}) - C1, 5), At(std::max({C1, C2, C3}) - C2, 29),
          At(std::max({C1, C2, C3}) - C3, 53)},
         72,
         20},
    };
    for (const auto& Case : Cases) {
        SCOPED_TRACE(Case.Layout * 10 + Case.Above);
        SCOPED_TRACE(Case.CaptionBand);
        TDrop D;
        D.Memos(3);
        D.Select({"Memo1", "Memo2", "Memo3"});
        D.Layout(Case.Layout, Case.Above, QString::fromLatin1(Case.CaptionBand));
        if (Case.Layout == 0 && !Case.Above) D.Answer(&TPimFastAskForm::Ignore);
        D.Tool->DropLabels(D.Detail(), 10, 5);
        EXPECT_EQ(D.Dialogs.Pending(), 0);
        QStringList Values, Captions;
        for (const QString& P : Places(D.Tool->VarLabelList())) {
            EXPECT_TRUE(P.endsWith(QStringLiteral(" 192x19"))) << qPrintable(P);
            Values << P.section(u' ', 0, 0);
        }
        for (const QString& P : Places(D.Tool->TextLabelList()))
            Captions << P.section(u' ', 0, 0);
        EXPECT_EQ(Values, Case.Values);
        EXPECT_EQ(Captions, Case.Captions);
        EXPECT_EQ(D.Detail()->Height(), Case.DetailHeight);
        EXPECT_EQ(D.Header()->Height(), Case.HeaderHeight);
        // Captions to the left stand right-aligned against their values.
        if (!Case.Above)
            for (int i = 0; i < 3; ++i) {
                EXPECT_EQ(D.Tool->TextLabelList()[i]->AlignHorizontal(), laRight);
                EXPECT_EQ(D.Tool->VarLabelList()[i]->AlignHorizontal(), laLeft);
            }
    }
    // A band taller than the drop needs keeps its height.
    TDrop D;
    D.Memos(1);
    D.Detail()->SetHeight(80);
    D.Select({"Memo1"});
    D.Tool->DropLabels(D.Detail(), 10, 5);
    EXPECT_EQ(D.Detail()->Height(), 80);
}

TEST_F(PimDrop, ARowPastThePrintableWidthAsksAndDoesWhatTheAnswerSays) {
    struct {
        QRadioButton* (TPimFastAskForm::*Choice)() const;
        bool Ok;
        int x;
        QStringList Places;
    } const Cases[] = {
        {&TPimFastAskForm::Shrink, false, 114, {}},
        {&TPimFastAskForm::Wrap,
         true,
         114,
         {"114,5 192x19", "316,5 192x19", "518,5 192x19", "114,29 192x19"}},
        {&TPimFastAskForm::Shrink,
         true,
         114,
         {"114,5 144x19", "268,5 144x19", "422,5 144x19", "576,5 144x19"}},
        {&TPimFastAskForm::Delete, true, 114, {"114,5 192x19", "316,5 192x19", "518,5 192x19"}},
        {&TPimFastAskForm::Ignore,
         true,
         114,
         {"114,5 192x19", "316,5 192x19", "518,5 192x19", "720,5 192x19"}},
        {&TPimFastAskForm::Shrink, true, 500, {"500,5 48x19", "558,5 48x19", "616,5 48x19", "674,5 48x19"}},
        {&TPimFastAskForm::Delete, true, 600, {}},
    };
    for (const auto& Case : Cases) {
        SCOPED_TRACE(Case.Places.join(u' ').toStdString());
        TDrop D;
        D.Memos(4);
        D.Select({"Memo1", "Memo2", "Memo3", "Memo4"});
        D.Layout(1); // with dividers, which a wrapped row does not get
        D.Answer(Case.Choice, Case.Ok);
        D.Tool->DropLabels(D.Detail(), Case.x, 5);
        ASSERT_EQ(D.Dialogs.Shown().size(), 1u);
        EXPECT_EQ(D.Dialogs.Shown()[0].Caption, QStringLiteral("Pim Reporter"));
        EXPECT_EQ(Places(D.Tool->VarLabelList()), Case.Places);
        const bool Wrapped = Case.Choice == &TPimFastAskForm::Wrap;
        EXPECT_EQ(D.Tool->VarDivList().Count(), Wrapped ? 0 : std::max(0, int(Case.Places.size()) - 1));
        EXPECT_EQ(D.Detail()->Labels() ? int(D.Detail()->Labels()->size()) : 0,
                  Case.Places.size() + D.Tool->VarDivList().Count());
        EXPECT_EQ(D.Detail()->Height(), Case.Places.isEmpty() ? 20 : Wrapped ? 48 : 24);
    }

    // Check boxes that run past the edge keep their 12 pixels and only move.
    TDrop Checks;
    for (const char* Name : {"B1", "B2", "B3"})
        Checks.Var(QString::fromLatin1(Name), dtypeBoolean);
    Checks.Select({"B1", "B2", "B3"});
    Checks.Answer(&TPimFastAskForm::Shrink);
    Checks.Tool->DropLabels(Checks.Detail(), 700, 5);
    EXPECT_EQ(Places(Checks.Tool->VarLabelList()),
              QStringList({"700,5 12x12", "722,5 12x12", "744,5 12x12"}));

    // One label never asks, however far it runs.
    TDrop One;
    One.Memos(1);
    One.Select({"Memo1"});
    One.Tool->DropLabels(One.Detail(), 650, 5);
    EXPECT_TRUE(One.Dialogs.Shown().empty());
    EXPECT_EQ(Places(One.Tool->VarLabelList()), QStringList({"650,5 192x19"}));

    // Shrunk values under wider captions keep the captions' step, so no caption runs into the next,
    // and the captions shrink with them, so the row fits.
    TDrop Wide;
    QStringList Names;
    for (int i = 1; i <= 4; ++i)
        Names << Wide.Var(QStringLiteral("AVeryLongMemoVariableName%1").arg(i), dtypeMemo)->Name();
    Wide.Select(Names);
    Wide.Layout(0, true, QStringLiteral("DetailBand"));
    Wide.Answer(&TPimFastAskForm::Shrink);
    Wide.Tool->DropLabels(Wide.Detail(), 10, 5);
    const auto& Captions = Wide.Tool->TextLabelList();
    const auto& Values = Wide.Tool->VarLabelList();
    ASSERT_EQ(Values.Count(), 4);
    EXPECT_LE(Values[0]->Width(), Captions[0]->Width());
    EXPECT_LE(Captions[3]->Left() + Captions[3]->Width(), 720);
    for (int i = 1; i < 4; ++i) {
        EXPECT_EQ(Captions[i]->Left(), Captions[i - 1]->Left() + Captions[i - 1]->Width() + 10);
        EXPECT_EQ(Values[i]->Left(), Captions[i]->Left());
    }
}

TEST_F(PimDrop, EveryLabelAndCaptionOfADropStaysWithinThePrintableWidthAndTheWindowOnTheScreen) {
    // Eight names far wider as captions than the values under them.
    const QStringList Long = {"CustomerAccountNumber",       "CustomerBillingAddress",
                              "CustomerDeliveryAddress",     "CustomerTelephoneNumber",
                              "CustomerCreditLimitNow",      "CustomerPaymentTerms",
                              "CustomerSalesRepresentative", "CustomerLastOrderDate"};
    struct {
        const char* Case;
        int Layout;
        bool Above;
        int x;
        bool Shrink; // the width question is answered "Shrink labels to fit?"
        QStringList Values;
        QStringList Captions;
    } const Cases[] = {
        // A text field declared 5000 characters wide is as wide as the band prints.
        {"wide field", 0, true, 10, false, {"10,5 720x19"}, {}},
        // A column whose captions stand to its left, dropped near the band's left edge.
        {"column, captions left",
         2,
         false,
         10,
         false,
         {"190,5 146x19", "190,29 136x19", "190,53 146x19", "190,77 160x19", "190,101 142x19",
          "190,125 142x19", "190,149 172x19", "190,173 138x19"},
         {"26,5 161x19", "36,29 151x19", "26,53 161x19", "12,77 175x19", "30,101 157x19", "30,125 157x19",
          "0,149 187x19", "34,173 153x19"}},
        // A row of captions above narrower values, then to their left, shrunk to fit: each pair
        // gives up its share of what the row was too long.
        {"shrunk, captions above",
         0,
         true,
         10,
         true,
         {"10,26 79x19", "99,26 74x19", "183,26 79x19", "272,26 86x19", "368,26 77x19", "455,26 77x19",
          "542,26 91x19", "643,26 75x19"},
         {"10,5 79x19", "99,5 74x19", "183,5 79x19", "272,5 86x19", "368,5 77x19", "455,5 77x19",
          "542,5 91x19", "643,5 75x19"}},
        {"shrunk, captions left",
         0,
         false,
         10,
         true,
         {"52,5 37x19", "138,5 35x19", "225,5 37x19", "317,5 41x19", "409,5 36x19", "496,5 36x19",
          "590,5 44x19", "684,5 35x19"},
         {"10,5 40x19", "99,5 37x19", "183,5 40x19", "272,5 43x19", "368,5 39x19", "455,5 39x19",
          "542,5 46x19", "644,5 38x19"}},
        // A picture held at its minimum width lends the shortfall to the memos after it.
        {"picture and memos",
         0,
         true,
         421,
         true,
         {"421,5 48x96", "479,5 66x19", "555,5 76x19", "641,5 76x19"},
         {}},
    };
    for (const auto& Case : Cases) {
        SCOPED_TRACE(Case.Case);
        TDrop D;
        QStringList Names;
        if (QByteArray(Case.Case) == "wide field") {
            auto* Notes = D.R.Add<TMemDataSet>(QStringLiteral("Notes"));
            Notes->FieldDefs().Add(QStringLiteral("Remark"), ftString, 5000);
            Notes->Open();
            auto* Source = D.R.Add<TDataSource>(QStringLiteral("NotesSource"));
            Source->SetDataSet(Notes);
            Names << D.DBVar(QStringLiteral("RemarkVar"), Source, QStringLiteral("Remark"))->Name();
        } else if (QByteArray(Case.Case) == "picture and memos") {
            Names << D.Var(QStringLiteral("Picture"), dtypeGraphic)->Name();
            for (TVyrExprVar* Memo : D.Memos(3))
                Names << Memo->Name();
        } else {
            for (const QString& Name : Long)
                Names << D.Var(Name, dtypeString)->Name();
        }
        D.Select(Names);
        const bool Captions =
            QByteArray(Case.Case).startsWith("column") || QByteArray(Case.Case).startsWith("shrunk");
        D.Layout(Case.Layout, Case.Above, Captions ? QStringLiteral("DetailBand") : QString());
        if (Case.Shrink) D.Answer(&TPimFastAskForm::Shrink);
        D.Tool->DropLabels(D.Detail(), Case.x, 5);
        EXPECT_EQ(D.Dialogs.Pending(), 0);
        const auto& Values = D.Tool->VarLabelList();
        const auto& Texts = D.Tool->TextLabelList();
        ASSERT_EQ(Values.Count(), Names.size());
        EXPECT_EQ(Places(Values), Case.Values);
        EXPECT_EQ(Places(Texts), Case.Captions);
    }

    // A page's 3,000 variables scroll in a list that keeps the window on the screen.
    TDrop Many;
    for (int i = 0; i < 3000; ++i)
        Many.Var(QStringLiteral("Var%1").arg(i));
    Many.Tool->FillComboBoxes();
    const int Foot = Many.Tool->Widget()->geometry().bottom() + 1;
    EXPECT_LE(Foot, Screen()->WorkAreaHeight());
    // Whole rows down to the foot of the screen.
    EXPECT_GT(Foot, Screen()->WorkAreaHeight() - 13);
    EXPECT_EQ(Many.Tool->Top() + Many.Tool->Height(), Foot);
    EXPECT_EQ(Many.Tool->PimVariableList->Top() + Many.Tool->PimVariableList->Height(), Many.Tool->Height());
}

TEST_F(PimDrop, DividersStandBeforeEveryLabelButTheFirstAndTheDropIsSelected) {
    TDrop D;
    D.Memos(3);
    D.Select({"Memo1", "Memo2", "Memo3"});
    D.Layout(1);
    D.Tool->DropLabels(D.Detail(), 10, 5);
    EXPECT_EQ(Lefts(D.Tool->VarDivList()), QStringList({"208", "410"}));
    const TVyrLabel* Divider = D.Tool->VarDivList()[0];
    EXPECT_EQ(Divider->ClassName(), QStringLiteral("TVyrVerticalDivider"));
    EXPECT_EQ(Divider->Parent(), D.Detail());
    EXPECT_EQ(Divider->Top(), 1);
    EXPECT_EQ(Divider->Height(), D.Detail()->Height() - 1);
    EXPECT_EQ(D.R.Designer->SelectedNames(),
              QStringList({"varlabel", "varlabel1", "varlabel2", "VerticalDivider", "VerticalDivider1"}));

    // Captions to the left: the divider stands before the caption.
    TDrop Left;
    Left.Memos(3);
    Left.Select({"Memo1", "Memo2", "Memo3"});
    Left.Layout(1, false, QStringLiteral("DetailBand"));
    Left.Answer(&TPimFastAskForm::Ignore);
    Left.Tool->DropLabels(Left.Detail(), 10, 5);
    const auto& Captions = Left.Tool->TextLabelList();
    EXPECT_EQ(Lefts(Left.Tool->VarDivList()), QStringList({QString::number(Captions[1]->Left() - 4),
                                                           QString::number(Captions[2]->Left() - 4)}));
    EXPECT_EQ(Left.R.Designer->GetSelections().size(), 3u + 2u + 3u);

    // Captions in a band of their own get a second set there; only the value band's are selected.
    TDrop Band;
    Band.Memos(3);
    Band.Select({"Memo1", "Memo2", "Memo3"});
    Band.Layout(1, true, QStringLiteral("PageHeaderBand"));
    Band.Tool->DropLabels(Band.Detail(), 10, 5);
    EXPECT_EQ(Lefts(Band.Tool->VarDivList()), QStringList({"208", "410"}));
    EXPECT_EQ(Lefts(Band.Tool->TextDivList()), QStringList({"208", "410"}));
    EXPECT_EQ(Band.Tool->TextDivList()[1]->Parent(), Band.Header());
    EXPECT_EQ(Band.R.Designer->GetSelections().size(), 3u + 2u);
}

TEST_F(PimDrop, UndoFreesWhatIsLeftOfTheLastDropOnceAndEveryDropAndUndoMarksTheForm) {
    TDrop D;
    D.Memos(5);
    D.Select({"Memo1", "Memo2"});
    D.Layout(2, false, QStringLiteral("DetailBand"));
    D.Tool->DropLabels(D.Detail(), 150, 5);
    EXPECT_EQ(D.R.Designer->Modifieds, 1);
    D.Tool->PimVariableList->ClearSelection();
    D.Tool->PimVariableListClick();
    D.Tool->DropLabels(D.Detail(), 150, 100); // nothing selected: nothing happens
    EXPECT_EQ(D.R.Designer->Modifieds, 1);
    D.Select({"Memo3", "Memo4", "Memo5"});
    D.Tool->DropLabels(D.Detail(), 400, 5);
    EXPECT_EQ(D.R.Designer->Modifieds, 2);
    EXPECT_EQ(D.Detail()->Labels()->size(), 10u);
    delete D.Tool->VarLabelList()[1]; // freed by hand
    EXPECT_EQ(D.Tool->VarLabelList()[1], nullptr);
    D.Tool->SpeedButton1->Click();
    EXPECT_EQ(D.R.Designer->Modifieds, 3);
    EXPECT_TRUE(D.Tool->VarLabelList().IsEmpty());
    EXPECT_TRUE(D.R.Designer->GetSelections().empty());
    QStringList Left;
    for (TVyrLabel* L : *D.Detail()->Labels())
        Left << L->Name();
    EXPECT_EQ(Left, QStringList({"varlabel", "varlabel1", "varlabel2", "varlabel3"}));
    D.Tool->SpeedButton1->Click();
    EXPECT_EQ(D.R.Designer->Modifieds, 3);
    EXPECT_EQ(D.Detail()->Labels()->size(), 4u);

    // Once the page is freed the window lists nothing, drops nothing and undoes nothing.
    D.Select({"Memo1"});
    D.Tool->DropLabels(D.Detail(), 10, 150);
    D.R.Form.reset();
    EXPECT_EQ(D.Tool->Page(), nullptr);
    D.Tool->SpeedButton1Click();
    D.Tool->FillComboBoxes();
    EXPECT_EQ(D.Tool->PimVariableList->Items().Count(), 0);
    EXPECT_EQ(D.Tool->TextBand->Items().Count(), 1);
}

TEST_F(PimDrop, AVariableFreedWhileListedLeavesTheListAndTheSelectionAndIsNeverDropped) {
    TDrop D;
    D.Var(QStringLiteral("Qty"), dtypeInteger);
    auto* Price = D.Var(QStringLiteral("Price"), dtypeFloat);
    D.Var(QStringLiteral("Rate"), dtypeFloat);
    D.Select({"Rate", "Price", "Qty"});
    ASSERT_EQ(D.Tool->SelectedList(), QStringList({"2", "1", "0"}));
    delete Price; // deleted in the designer while the window stays open
    EXPECT_EQ(D.Tool->PimVariableList->Items().ToStringList(), QStringList({"Qty", "Rate"}));
    EXPECT_EQ(D.Tool->SelectedList(), QStringList({"1", "0"}));
    EXPECT_EQ(D.Tool->PimVariableList->SelCount(), 2);
    D.Tool->DropLabels(D.Detail(), 10, 5);
    QStringList Shown;
    for (int i = 0; i < D.Tool->VarLabelList().Count(); ++i)
        Shown << dynamic_cast<TVyrvarlabel*>(D.Tool->VarLabelList()[i])->Variable()->Name();
    EXPECT_EQ(Shown, QStringList({"Rate", "Qty"}));
}

TEST_F(PimDrop, ListsOfEachKindKeepTheSelectionOrderTheirHeightColumnsAndChoices) {
    TDrop D;
    D.R.Page->UpdateVarList();
    auto* Orders = D.R.Add<TMemDataSet>(QStringLiteral("Orders"));
    Orders->FieldDefs().Add(QStringLiteral("Amount"), ftCurrency);
    auto* Source = D.R.Add<TDataSource>(QStringLiteral("OrdersSource"));
    Source->SetDataSet(Orders);
    auto* Guide = D.R.Add<TVyrDataSourceGuide>(QStringLiteral("OrdersGuide"));
    Guide->SetParent(D.R.Page);
    Guide->SetDataSource(Source);
    D.R.Page->FullDSNames()->Add(QStringLiteral("OrdersSource"));
    D.R.Page->FullDSList()->Add(Source);
    auto* Price = D.Var(QStringLiteral("Price"), dtypeFloat);
    D.Var(QStringLiteral("Rate"), dtypeFloat);
    D.Var<TVyrTotalvar>(QStringLiteral("PriceTotal"))->SetVariable(Price);
    D.DBVar(QStringLiteral("Manual"), Source, QStringLiteral("Amount"));
    auto* Auto = D.DBVar(QStringLiteral("OrdersSourceAmount"), Source, QStringLiteral("Amount"));
    Auto->SetId(vidAutoDataVar);
    Auto->SetAutoVar(true);

    D.Tool->FillComboBoxes();
    EXPECT_EQ(D.Tool->VariableSelection->Items().CommaText(),
              QStringLiteral("All,Expression,Total,System,\"Manual DB\",OrdersSource"));
    EXPECT_EQ(D.Tool->TextBand->Items().CommaText(),
              QStringLiteral("\"No Text Label\",ReportHeaderBand,PageHeaderBand,DetailBand,PageFooterBand,"
                             "ReportFooterBand"));
    EXPECT_EQ(D.Tool->VariableSelection->Text(), QStringLiteral("All"));
    EXPECT_EQ(D.Tool->TextBand->Text(), QStringLiteral("No Text Label"));
    const QStringList Kinds[] = {
        {"svarDateTime", "svarPage", "Price", "Rate", "PriceTotal", "Manual", "OrdersSourceAmount"},
        {"Price", "Rate"},
        {"PriceTotal"},
        {"svarDateTime", "svarPage"},
        {"Manual"},
        {"Amount"},
    };
    for (int Kind = 0; Kind < 6; ++Kind) {
        D.Tool->VariableSelection->Choose(Kind);
        EXPECT_EQ(D.Tool->PimVariableList->Items().ToStringList(), Kinds[Kind]);
    }
    EXPECT_EQ(D.Tool->PimVariableList->Items().Objects(0), Auto);

    // The selection in the order it was made; a refill starts it afresh.
    D.Tool->VariableSelection->Choose(0);
    TListBox* List = D.Tool->PimVariableList;
    for (int i : {4, 0, 2}) {
        List->SetSelected(i, true);
        D.Tool->PimVariableListClick();
    }
    List->SetSelected(0, false);
    D.Tool->PimVariableListClick();
    List->SetSelected(6, true);
    D.Tool->PimVariableListClick();
    EXPECT_EQ(D.Tool->SelectedList(), QStringList({"4", "2", "6"}));

    // Seven items in three columns: 7 x 13 div 3 + 13 = 43, which holds three whole rows; columns stay
    // between two and ten.
    EXPECT_EQ(List->Columns(), 3);
    EXPECT_EQ(List->Height(), 43);
    EXPECT_EQ(D.Tool->Height(), 30 + 43);
    D.Tool->SpeedButton3->Click();
    D.Tool->SpeedButton3->Click();
    EXPECT_EQ(List->Columns(), 2);
    EXPECT_EQ(List->Height(), 56); // 7 x 13 div 2 + 13 = 58 asked, four whole rows kept
    for (int i = 0; i < 10; ++i)
        D.Tool->SpeedButton2->Click();
    EXPECT_EQ(List->Columns(), 10);

    // A refill keeps choices that still exist, else the first.
    D.Tool->VariableSelection->Choose(5);
    D.Tool->TextBand->Choose(5);
    D.Tool->FillComboBoxes();
    EXPECT_EQ(D.Tool->VariableSelection->Text(), QStringLiteral("OrdersSource"));
    EXPECT_EQ(D.Tool->TextBand->Text(), QStringLiteral("ReportFooterBand"));
    delete Guide;
    delete D.R.Page->Foot();
    D.Tool->FillComboBoxes();
    EXPECT_EQ(D.Tool->VariableSelection->Text(), QStringLiteral("All"));
    EXPECT_EQ(D.Tool->TextBand->Text(), QStringLiteral("No Text Label"));
}

TEST_F(PimDrop, TheReportsFastButtonOpensTheWindowWhoseSelectionDraggedOntoABandDropsThere) {
    TDesignedReport R;
    for (TVyrBand* Band : *R.Page->Bands())
        Band->Font()->SetSize(10);
    for (const char* Name : {"Qty", "Price", "Rate"}) {
        auto* V = R.Add<TVyrExprVar>(QString::fromLatin1(Name));
        V->SetParent(R.Page);
        V->SetDataType(dtypeFloat);
    }
    auto* Design = dynamic_cast<TVyrReportDesign*>(R.Report->RepDesign());
    ASSERT_NE(Design, nullptr);
    Design->AutoLabelButton()->Click();
    TPimDropLabels* Tool = Design->DropForm();
    ASSERT_NE(Tool, nullptr);
    EXPECT_EQ(Tool->Owner(), Application());
    EXPECT_EQ(Tool->Page(), R.Page);
    EXPECT_TRUE(Tool->Visible());
    TListBox* List = Tool->PimVariableList;
    EXPECT_EQ(Design->VyrDropOK(List), true);
    // Rate, then Price, as the user picks them; a press on Price then drags both.
    const QPoint Rate = Center(List->ItemRect(List->Items().IndexOf("Rate")));
    const QPoint Price = Center(List->ItemRect(List->Items().IndexOf("Price")));
    List->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(Rate.x(), Rate.y()));
    List->Perform(WM_LBUTTONUP, 0, MAKELPARAM(Rate.x(), Rate.y()));
    List->Perform(WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, MAKELPARAM(Price.x(), Price.y()));
    List->Perform(WM_LBUTTONUP, MK_CONTROL, MAKELPARAM(Price.x(), Price.y()));
    EXPECT_EQ(Tool->SelectedList(), QStringList({QString::number(List->Items().IndexOf("Rate")),
                                                 QString::number(List->Items().IndexOf("Price"))}));
    List->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(Price.x(), Price.y()));
    const QPoint At = R.Page->Detail()->ClientToParent(QPoint(30, 4));
    DragManager::Move(R.Form.get(), At);
    EXPECT_EQ(DragManager::Target(), R.Page->Detail());
    EXPECT_TRUE(DragManager::Accepted());
    DragManager::Release(R.Form.get(), At);
    List->Perform(WM_LBUTTONUP, 0, MAKELPARAM(Price.x(), Price.y()));
    EXPECT_EQ(Places(Tool->VarLabelList()), QStringList({"30,4 65x19", "105,4 65x19"}));
    EXPECT_EQ(Tool->VarLabelList()[0]->Parent(), R.Page->Detail());
    EXPECT_EQ(dynamic_cast<TVyrvarlabel*>(Tool->VarLabelList()[0])->Variable()->Name(),
              QStringLiteral("Rate"));
    EXPECT_EQ(R.Designer->SelectedNames(), QStringList({"varlabel", "varlabel1"}));
    EXPECT_EQ(R.Designer->Modifieds, 1);
}

TEST_F(PimDrop, TheQuestionFitsItsButtonsAndCountsAsCancelledUnlessOk) {
    TPimFastAskForm Ask(nullptr);
    EXPECT_EQ(Ask.Caption(), QStringLiteral("Pim Reporter"));
    EXPECT_EQ(Ask.Width(), Ask.CancelButton()->geometry().right() + 1 + 15);
    EXPECT_EQ(Ask.Height(), Ask.CancelButton()->geometry().bottom() + 1 + 15);
    EXPECT_TRUE(Ask.Canceled());
    EXPECT_TRUE(Ask.Wrap()->isChecked());
    EXPECT_TRUE(Ask.OkButton()->isDefault());
    EXPECT_EQ(Ask.Label1()->text(), QStringLiteral("Labels will be placed beyond the printable width."));
    EXPECT_EQ(Ask.Delete()->text(), QStringLiteral("Delete excess labels?"));
    Ask.OkButtonClick();
    EXPECT_FALSE(Ask.Canceled());
    EXPECT_EQ(Ask.ModalResult(), mrOk);
    Ask.CancelButtonClick();
    EXPECT_TRUE(Ask.Canceled());
}
