#include "orders_layout.h"
#include "host/db.h"
#include "host/graphics.h"
#include "host/properties.h"
#include "host/sqldataset.h"
#include "report/PSetup.h"
#include "report/PimDS.h"
#include "report/PimPage.h"
#include "report/VyrCtrl.h"
#include "report/VyrData.h"
#include "report/VyrRep.h"
#include "report/VyrText.h"
#include "report/VyrVar.h"

TOrdersForm::TOrdersForm(TComponent* AOwner) : TForm(AOwner) {}

QString OrdersSql() {
    // The discount in percent; the customer as the header shows it, name and city together.
    return QStringLiteral(
        "SELECT o.id, o.order_date, o.shipped, o.status, o.discount * 100 AS discount, o.amount, "
        "c.id AS customer_id, c.name || ', ' || c.city AS customer "
        "FROM orders o JOIN customers c ON c.id = o.customer_id "
        "ORDER BY c.name, c.id, o.order_date, o.id");
}

namespace {

const QString PageTextHandler = QStringLiteral("OrdersPageTextGetData");

// Columns of the detail line and their captions, in band pixels.
struct TColumn {
    const char* Caption;
    const char* Field;
    int Left;
    int Width;
    TVyrHorizontalAlign Align;
    const char* Format;
};
constexpr TColumn Columns[] = {
    {"Order", "id", 0, 60, laRight, ""},
    {"Date", "order_date", 90, 90, laLeft, "yyyy-mm-dd"},
    {"Shipped", "shipped", 190, 90, laLeft, "yyyy-mm-dd"},
    {"Status", "status", 300, 90, laLeft, ""},
    {"Discount", "discount", 400, 80, laRight, "0.0%"},
    {"Amount", "amount", 560, 150, laRight, "#,##0.00"},
};
constexpr int AmountLeft = 560;
constexpr int AmountWidth = 150;

template <class T> T* Add(TComponent* Form, const QString& Name, TWinControl* Parent) {
    auto* C = new T(Form);
    C->SetName(Name);
    if constexpr (std::is_base_of_v<TControl, T>)
        if (Parent) C->SetParent(Parent);
    return C;
}

TVyrTextLabel* AddText(TComponent* Form, const QString& Name, TVyrBand* Band, const QString& Caption, int Left,
                       int Top, int Width, int Height, TVyrHorizontalAlign Align = laLeft) {
    auto* L = Add<TVyrTextLabel>(Form, Name, Band);
    L->SetCaption(Caption);
    L->SetBounds(Left, Top, Width, Height);
    L->SetHorizontalAlign(Align);
    return L;
}

TVyrvarlabel* AddValue(TComponent* Form, const QString& Name, TVyrBand* Band, TVyrVar* Var, int Left, int Top,
                       int Width, int Height, TVyrHorizontalAlign Align = laLeft, const QString& Format = QString()) {
    auto* L = Add<TVyrvarlabel>(Form, Name, Band);
    L->SetVariable(Var);
    L->SetBounds(Left, Top, Width, Height);
    L->SetHorizontalAlign(Align);
    if (!Format.isEmpty()) L->DataFormat()->SetDisplayFormat(Format);
    // An order not shipped yet shows nothing rather than the first of all dates.
    L->DataFormat()->SetSuppressNulls(true);
    return L;
}

TVyrDBVar* AddField(TComponent* Form, TVyrPage* Page, TDataSource* Source, const QString& Field, TVyrLevel* Level) {
    // Names from the field: order_date gives OrderDateVar.
    QString Name;
    for (const QString& Part : Field.split(u'_'))
        Name += Part.left(1).toUpper() + Part.mid(1);
    auto* V = Add<TVyrDBVar>(Form, Name + QStringLiteral("Var"), Page);
    V->SetDataSource(Source);
    V->SetDataField(Field);
    V->SetUpdateLevel(Level);
    return V;
}

// The sum of the amounts at the level of the band that holds it, under the amount column.
TVyrTotalvarLabel* AddTotal(TComponent* Form, const QString& Name, TVyrBand* Band, TVyrTotalvar* Total, int Top) {
    auto* L = Add<TVyrTotalvarLabel>(Form, Name, Band);
    L->SetTotalVariable(Total);
    L->SetBounds(AmountLeft, Top, AmountWidth, 18);
    return L;
}

void Bold(TVyrLabel* Label, int Size = 10) {
    Label->Font()->SetSize(Size);
    Label->Font()->SetStyle(fsBold);
}

} // namespace

void DefineOrdersHandlers(TComponent* Root) {
    DefineMethod<void(TVyrVar*)>(Root, PageTextHandler, [](TVyrVar* Sender) {
        TVyrPage* Page = Sender->Page();
        if (!Page) return;
        // Rich text has no pages to count; a document knows the count from the first pass.
        if (Page->OutputType() == otRichText)
            Sender->SetAsString(QStringLiteral("Page %1").arg(Page->PageNumber()));
        else
            Sender->SetAsString(QStringLiteral("Page %1 of %2").arg(Page->PageNumber()).arg(Page->PageCount()));
    });
}

TSqlDataSet* MakeOrdersDataSet(TComponent* Owner) {
    auto* Set = new TSqlDataSet(Owner);
    Set->SetName(QStringLiteral("Orders"));
    Set->SetSQL(OrdersSql());
    return Set;
}

TVyrReport* BuildOrdersReport(TComponent* Form, TDataSet* Data) {
    RegisterOrdersClasses();
    DefineOrdersHandlers(Form);
    // Room for the whole width of the page and a good part of its height when the form is designed.
    if (auto* Control = dynamic_cast<TControl*>(Form)) Control->SetBounds(0, 0, 960, 720);
    auto* Report = Add<TVyrReport>(Form, QStringLiteral("OrdersReport"), nullptr);
    Report->SetBounds(0, 0, 940, 680);
    Report->SetPrompt(false);
    Report->SetPixelsPerInch(96);
    auto* Page = Add<TVyrGrouppage>(Form, QStringLiteral("ReportPage"), Report);
    Page->SetTwoPass(true);
    Page->SetDescription(QStringLiteral("Orders"));
    TVyrPageSetup* Setup = Page->PageSetup();
    Setup->SetAdjustMargin(false);
    Setup->SetOrientation(poPortrait);
    Setup->SetSize(psA4);
    Setup->SetUnits(unitMiliMeters);
    Setup->SetLeftMargin(10);
    Setup->SetTopMargin(10);
    Setup->SetRightMargin(10);
    Setup->SetBottomMargin(10);

    auto* Source = Add<TDataSource>(Form, QStringLiteral("OrdersSource"), nullptr);
    Source->SetDataSet(Data);
    Page->SetDataSource(Source);
    Page->AddMainBands();
    Page->Head()->SetVisible(false);
    TVyrBand* PageHead = Page->PageHead();
    TVyrBand* Detail = Page->Detail();
    TVyrBand* PageFoot = Page->PageFoot();
    TVyrBand* Foot = Page->Foot();
    PageHead->SetHeight(52);
    Detail->SetHeight(18);
    PageFoot->SetHeight(22);
    Foot->SetHeight(26);
    TVyrLevel* DetailLevel = Detail->UpdateLevel();

    TVyrDBVar* Fields[std::size(Columns)];
    for (size_t i = 0; i < std::size(Columns); ++i)
        Fields[i] = AddField(Form, Page, Source, QLatin1String(Columns[i].Field), DetailLevel);
    TVyrDBVar* CustomerId = AddField(Form, Page, Source, QStringLiteral("customer_id"), DetailLevel);
    TVyrDBVar* Customer = AddField(Form, Page, Source, QStringLiteral("customer"), DetailLevel);
    auto* Total = Add<TVyrTotalvar>(Form, QStringLiteral("AmountTotal"), Page);
    Total->SetVariable(Fields[5]);
    Total->SetUpdateLevel(DetailLevel);
    auto* PageText = Add<TVyrExprVar>(Form, QStringLiteral("PageTextVar"), Page);
    PageText->SetDataType(dtypeString);
    PageText->SetUpdateLevel(PageFoot->UpdateLevel());
    SetPropValue(PageText, QStringLiteral("OnGetData"), PageTextHandler);

    // Page header: the title, the captions, a rule under them.
    Bold(AddText(Form, QStringLiteral("TitleLabel"), PageHead, QStringLiteral("Orders"), 0, 0, 300, 24), 14);
    for (size_t i = 0; i < std::size(Columns); ++i) {
        const TColumn& C = Columns[i];
        TVyrTextLabel* Caption = AddText(Form, QStringLiteral("%1Caption").arg(QLatin1String(C.Caption)), PageHead,
                                         QLatin1String(C.Caption), C.Left, 28, C.Width, 18, C.Align);
        Bold(Caption);
        Caption->SetRow(1); // below the title in rich text too
    }

    auto* Rule = Add<TVyrLine>(Form, QStringLiteral("HeaderRule"), PageHead);
    Rule->SetBounds(0, 48, 710, 3);
    Rule->SetLineType(ltHorizontal);
    Rule->SetVerticalAlign(laBottom);
    Rule->Pen()->SetWidth(1);

    // One group per customer, broken on the id, which a name need not be.
    auto* Group = Add<TVyrGroup>(Form, QStringLiteral("CustomerGroup"), Page);
    Group->AddBands(Page);
    Group->SetVariable(CustomerId);
    TVyrBand* GroupHead = Group->Header();
    TVyrBand* GroupFoot = Group->Footer();
    GroupHead->SetHeight(22);
    GroupFoot->SetHeight(22);
    GroupHead->ReserveSpace()->SetBand(Detail);
    GroupHead->ReserveSpace()->SetBandCount(2);
    Bold(AddValue(Form, QStringLiteral("CustomerLabel"), GroupHead, Customer, 0, 2, 600, 18));
    AddText(Form, QStringLiteral("SubtotalCaption"), GroupFoot, QStringLiteral("Subtotal"), 400, 0, 100, 18);
    AddTotal(Form, QStringLiteral("SubtotalLabel"), GroupFoot, Total, 0);

    for (size_t i = 0; i < std::size(Columns); ++i) {
        const TColumn& C = Columns[i];
        AddValue(Form, QStringLiteral("%1Label").arg(QLatin1String(C.Caption)), Detail, Fields[i], C.Left, 0, C.Width,
                 18, C.Align, QLatin1String(C.Format));
    }

    AddValue(Form, QStringLiteral("PageTextLabel"), PageFoot, PageText, 0, 4, 710, 18, laCenter);
    Bold(AddText(Form, QStringLiteral("GrandTotalCaption"), Foot, QStringLiteral("Grand total"), 400, 4, 120, 20));
    Bold(AddTotal(Form, QStringLiteral("GrandTotalLabel"), Foot, Total, 4));
    // The bands hold the report's font, which their labels take unless they have their own.
    for (TVyrBand* Band : {PageHead, GroupHead, Detail, GroupFoot, PageFoot, Foot, Page->Head()}) {
        Band->Font()->SetName(QStringLiteral("Arial"));
        Band->Font()->SetSize(10);
    }
    // The orders' guide for the designer, which updates the source's variables with the detail band as
    // the variables above do: the design tools then find the source's levels matching.
    auto* Guide = Add<TVyrDataSourceGuide>(Form, QStringLiteral("DataSourceGuide"), Page);
    Guide->SetDataSource(Source);
    Guide->SetUpdateLevel(DetailLevel);
    return Report;
}

TOrdersParts FindOrdersParts(TComponent* Form) {
    TOrdersParts Parts;
    for (int i = 0; i < Form->ComponentCount(); ++i) {
        TComponent* C = Form->Components(i);
        if (auto* R = dynamic_cast<TVyrReport*>(C); R && !Parts.Report) Parts.Report = R;
        if (auto* P = dynamic_cast<TVyrGrouppage*>(C); P && !Parts.Page) Parts.Page = P;
        if (auto* T = dynamic_cast<TVyrTotalvar*>(C); T && !Parts.Total) Parts.Total = T;
    }
    return Parts;
}

void RegisterOrdersClasses() {
    static const bool Done = [] {
        DeclareProperties<TOrdersForm, TControl>();
        RegisterClass<TOrdersForm>();
        return true;
    }();
    (void)Done;
}
