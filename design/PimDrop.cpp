#include "design/PimDrop.h"
#include "design/Pageman.h"
#include "design/PimFAsk.h"
#include "host/buttons.h"
#include "host/combobox.h"
#include "host/db.h"
#include "host/designer.h"
#include "host/listbox.h"
#include "host/menus.h"
#include "host/wordwrap.h"
#include "report/PimDS.h"
#include "report/PimPage.h"
#include "report/VyrText.h"
#include "report/VyrUtil.h"
#include "report/VyrVar.h"

#include <QImage>
#include <QPainter>
#include <QPolygon>
#include <QRadioButton>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

TPimDropLabelsFactory& Factory() {
    static TPimDropLabelsFactory Instance;
    return Instance;
}

constexpr int ItemHeight = 13;
constexpr int MinColumns = 2;
constexpr int MaxColumns = 10;
// A check box keeps its size whatever a row's width asks.
constexpr int CheckSize = 12;

int Right(const TControl* C) {
    return C->Left() + C->Width();
}

int Bottom(const TControl* C) {
    return C->Top() + C->Height();
}

void MoveTo(TControl* C, int X, int Y) {
    C->SetBounds(X, Y, C->Width(), C->Height());
}

void FreeLabel(TVyrLabel* Label) {
    Label->SetParent(nullptr);
    delete Label;
}

bool IsCheck(const TVyrLabel* Label) {
    return dynamic_cast<const TVyrCheckLabel*>(Label) != nullptr;
}

// The data set a database variable reads: its data source's.
TDataSet* DataSetOf(const TVyrDBVar* Var) {
    TDataSource* Source = Var->DataSource();
    return Source ? Source->DataSet() : nullptr;
}

// The tool buttons' pictures: 16 x 16 on an olive ground, which the button leaves clear.
using TGlyphPainter = void (*)(QPainter& Painter);

void SetGlyph(TSpeedButton* Button, TGlyphPainter Draw) {
    QImage Image(16, 16, QImage::Format_RGB32);
    Image.fill(QColor(128, 128, 0));
    {
        QPainter Painter(&Image);
        Painter.setPen(Qt::black);
        Painter.setBrush(Qt::white);
        Draw(Painter);
    }
    Button->Glyph()->LoadFromImage(Image);
}

// Three boxes in a row, with or without bars between them, or in a column.
void RowGlyph(QPainter& G) {
    for (int x : {1, 6, 11})
        G.drawRect(x, 5, 3, 5);
}

void DividedRowGlyph(QPainter& G) {
    RowGlyph(G);
    G.drawLine(5, 2, 5, 13);
    G.drawLine(10, 2, 10, 13);
}

void ColumnGlyph(QPainter& G) {
    for (int y : {1, 6, 11})
        G.drawRect(4, y, 7, 3);
}

// A caption (the dark bar) above its value, or to its left.
void AboveGlyph(QPainter& G) {
    G.fillRect(3, 2, 8, 3, Qt::darkBlue);
    G.drawRect(3, 7, 10, 5);
}

void LeftGlyph(QPainter& G) {
    G.fillRect(1, 6, 5, 3, Qt::darkBlue);
    G.drawRect(7, 4, 8, 6);
}

// A hooked arrow back, and a column added or taken away.
void UndoGlyph(QPainter& G) {
    G.setBrush(Qt::NoBrush);
    G.drawArc(4, 4, 9, 8, 90 * 16, -200 * 16);
    G.setBrush(Qt::black);
    G.drawPolygon(QPolygon({QPoint(1, 5), QPoint(6, 2), QPoint(6, 8)}));
}

void MoreColumnsGlyph(QPainter& G) {
    G.drawRect(1, 3, 4, 10);
    G.drawRect(6, 3, 4, 10);
    G.drawLine(11, 8, 15, 8);
    G.drawLine(13, 6, 13, 10);
}

void FewerColumnsGlyph(QPainter& G) {
    G.drawRect(1, 3, 4, 10);
    G.drawRect(6, 3, 4, 10);
    G.drawLine(11, 8, 15, 8);
}

} // namespace

// TMyField

TMyField::TMyField(const QString& AFieldName, TDataSet* ADataSet) : FieldName(AFieldName), DataSet(ADataSet) {
    if (!DataSet) return;
    try {
        DataSet->UpdateFieldDefs();
        FieldDef = DataSet->FieldDefs().Find(FieldName);
    } catch (const Exception&) {
        FieldDef = nullptr;
    }
    if (!FieldDef) return;
    for (int i = 0; i < DataSet->FieldCount(); ++i)
        if (DataSet->Fields(i)->FieldName() == FieldName) {
            Field = DataSet->Fields(i);
            return;
        }
    // The data set belongs to the designed form: a field read from its definition stays out of it.
    FOwnField = std::make_unique<TField>(nullptr, *FieldDef, -1);
    Field = FOwnField.get();
    DeleteField = true;
}

TMyField::~TMyField() = default;

TVyrDataTypes TMyField::GetDataType() const {
    return FieldDef ? GetPimDataType(FieldDef->DataType()) : dtypeUnknown;
}

void TMyField::FormatFieldLabel(TVyrLabel* Label) const {
    auto* L = dynamic_cast<TVyrvarlabel*>(Label);
    if (!L || !Field) return;
    TVyrFormat* Format = L->DataFormat();
    switch (Field->FieldClass()) {
    case fcString:
        Format->SetDisplayFormat(Field->EditMask());
        break;
    case fcInteger:
    case fcDateTime:
        Format->SetDisplayFormat(Field->DisplayFormat());
        break;
    case fcFloat:
    case fcCurrency:
        Format->SetDisplayFormat(Field->DisplayFormat());
        Format->SetWidth(Field->Precision());
        // A currency field shows money whatever its flag says; a float field only when flagged.
        if (Field->FieldClass() == fcCurrency || Field->Currency()) {
            Format->SetFloatFormat(ffCurrency);
            Format->SetUseCurrencyDecimals(true);
        } else {
            Format->SetFloatFormat(ffNumber);
            Format->SetDigits(2);
        }
        break;
    case fcMemo:
        L->SetWrapText(true);
        L->SetStretch(true);
        break;
    case fcBoolean:
    case fcOther:
        break;
    }
    switch (Field->Alignment()) {
    case TAlignment::taLeftJustify:
        L->SetHorizontalAlign(laLeft);
        break;
    case TAlignment::taRightJustify:
        L->SetHorizontalAlign(laRight);
        break;
    case TAlignment::taCenter:
        L->SetHorizontalAlign(laCenter);
        break;
    }
}

// TPimDropLabels

TPimDropLabels::TPimDropLabels(TComponent* AOwner)
    : TForm(AOwner), FMeasure(std::make_unique<TMeasuringContext>()) {
    SetCaption(QStringLiteral("FAST Label Utility"));
    CreateControls();
}

void TPimDropLabels::CreateControls() {
    auto Panel = [this](const char* Name, int Left, int Width) {
        auto* P = new TCustomPanel(this);
        P->SetName(QString::fromLatin1(Name));
        P->SetParent(this);
        P->SetBounds(Left, 0, Width, 30);
        return P;
    };
    auto Button = [this](TCustomPanel* Parent, const char* Name, int Left, const char* Hint,
                         TGlyphPainter Glyph) {
        auto* B = new TSpeedButton(this);
        B->SetName(QString::fromLatin1(Name));
        B->SetParent(Parent);
        B->SetBounds(Left, 3, 24, 24);
        B->SetHint(QString::fromLatin1(Hint));
        B->SetShowHint(true);
        SetGlyph(B, Glyph);
        return B;
    };
    auto Choice = [this](TCustomPanel* Parent, const char* Name, int Left, const char* Hint) {
        auto* C = new TComboBox(this);
        C->SetName(QString::fromLatin1(Name));
        C->SetParent(Parent);
        C->SetBounds(Left, 4, 120, 21);
        C->SetHint(QString::fromLatin1(Hint));
        return C;
    };

    LayoutPanel = Panel("LayoutPanel", 0, 205);
    sbHoriz = Button(LayoutPanel, "sbHoriz", 3, "Horizontal Layout", RowGlyph);
    sbHorizdiv = Button(LayoutPanel, "sbHorizdiv", 27, "Horizontal Layout with dividers", DividedRowGlyph);
    sbVert = Button(LayoutPanel, "sbVert", 51, "Vertical Layout", ColumnGlyph);
    for (TSpeedButton* B : {sbHoriz, sbHorizdiv, sbVert})
        B->SetGroupIndex(1);
    sbHoriz->SetDown(true);
    VariableSelection = Choice(LayoutPanel, "VariableSelection", 79, "Select Variables here");
    VariableSelection->OnChange = [this](TComponent*) { VariableSelectionChange(); };

    TextPanel = Panel("TextPanel", 205, 180);
    sbTop = Button(TextPanel, "sbTop", 3, "Text Label above VarLabel", AboveGlyph);
    sbLeft = Button(TextPanel, "sbLeft", 27, "Text Label To Left of VarLabel", LeftGlyph);
    for (TSpeedButton* B : {sbTop, sbLeft})
        B->SetGroupIndex(2);
    sbTop->SetDown(true);
    TextBand = Choice(TextPanel, "TextBand", 55, "Text Field Destination");

    UndoPanel = Panel("UndoPanel", 385, 78);
    SpeedButton1 = Button(UndoPanel, "SpeedButton1", 3, "Undo last label drop", UndoGlyph);
    SpeedButton2 = Button(UndoPanel, "SpeedButton2", 27, "Increase the number of columns", MoreColumnsGlyph);
    SpeedButton3 = Button(UndoPanel, "SpeedButton3", 51, "Decrease the number of columns", FewerColumnsGlyph);
    SpeedButton1->OnClick = [this](TComponent*) { SpeedButton1Click(); };
    SpeedButton2->OnClick = [this](TComponent*) { SpeedButton2Click(); };
    SpeedButton3->OnClick = [this](TComponent*) { SpeedButton3Click(); };

    const int ClientWidth = UndoPanel->Left() + UndoPanel->Width() + 3;
    PimVariableList = new TListBox(this);
    PimVariableList->SetName(QStringLiteral("PimVariableList"));
    PimVariableList->SetParent(this);
    PimVariableList->SetMultiSelect(true);
    PimVariableList->SetColumns(3);
    PimVariableList->SetItemHeight(ItemHeight);
    PimVariableList->SetIntegralHeight(true);
    PimVariableList->SetDragMode(dmAutomatic);
    PimVariableList->SetBounds(0, 30, ClientWidth, ItemHeight);
    PimVariableList->OnClick = [this](TComponent*) { PimVariableListClick(); };
    FSList = PimVariableList;

    SetBounds((Screen()->Width() - ClientWidth) / 2, 0, ClientWidth, 30);
    SetListHeight();
}

TPimDropLabels::~TPimDropLabels() {
    delete FWindow.data();
}

void TPimDropLabels::SetPage(TVyrPage* Value) {
    FPage = Value;
}

int TPimDropLabels::P() const {
    return Screen()->PixelsPerInch();
}

int TPimDropLabels::TextWidth(TVyrLabel* Label, const QString& Text) {
    FMeasure->Prepare(*Label->Font(), P());
    return FMeasure->TextWidth(Text);
}

IDesigner* TPimDropLabels::PageDesigner() const {
    TVyrPage* Pg = Page();
    if (!Pg) return nullptr;
    auto* Manager = dynamic_cast<TVyrPageManager*>(Pg->PageManager());
    IDesigner* Designer = Manager ? Manager->PageDesigner() : nullptr;
    return Designer ? Designer : FindRootDesigner(Pg);
}

void TPimDropLabels::Modified() {
    if (IDesigner* Designer = PageDesigner()) Designer->Modified();
}

void TPimDropLabels::FillComboBoxes() {
    TVyrPage* Pg = Page();
    const int OldKind = VariableSelection->ItemIndex();
    TStringList& Kinds = VariableSelection->Items();
    Kinds.Clear();
    for (const char* Kind : {"All", "Expression", "Total", "System", "Manual DB"})
        Kinds.Add(QString::fromLatin1(Kind));
    if (Pg && Pg->DataSourceList())
        for (const TVyrDSGuide* Guide : *Pg->DataSourceList()) {
            const int At = Pg->FullDSList()->IndexOf(Guide->DataSource());
            if (Guide->DataSource() && At >= 0 && At < Pg->FullDSNames()->Count())
                Kinds.Add(Pg->FullDSNames()->Strings(At));
        }
    VariableSelection->SetItemIndex(OldKind >= 0 && OldKind < Kinds.Count() ? OldKind : 0);
    VariableSelectionChange();

    const int OldBand = TextBand->ItemIndex();
    TStringList& Bands = TextBand->Items();
    Bands.Clear();
    Bands.Add(QStringLiteral("No Text Label"));
    if (Pg && Pg->Bands())
        for (const TVyrBand* Band : *Pg->Bands())
            Bands.Add(Band->Name());
    TextBand->SetItemIndex(OldBand >= 0 && OldBand < Bands.Count() ? OldBand : 0);
}

void TPimDropLabels::VariableSelectionChange() {
    TListBoxStrings& Items = PimVariableList->Items();
    for (int i = 0; i < Items.Count(); ++i)
        RemoveFreeNotification(Items.ObjectAs<TVyrVar>(i));
    Items.Clear();
    FSelectedList.clear();
    TVyrPage* Pg = Page();
    const int Kind = VariableSelection->ItemIndex();
    if (Pg && Kind == 2 && Pg->TotalVars()) {
        for (TVyrTotalvar* Total : *Pg->TotalVars())
            Items.AddObject(Total->Name(), Total);
    } else if (Pg && Pg->Vars()) {
        // A data source's automatic variables: the source listed under the chosen name.
        TDataSource* Source = nullptr;
        if (Kind >= 5) {
            const int At = Pg->FullDSNames()->IndexOf(VariableSelection->Text());
            if (At >= 0) Source = static_cast<TDataSource*>(Pg->FullDSList()->Items(At));
        }
        for (TVyrVar* Var : *Pg->Vars()) {
            auto* DB = dynamic_cast<TVyrDBVar*>(Var);
            switch (Kind) {
            case 0:
                Items.AddObject(Var->Name(), Var);
                break;
            case 1:
                if (Var->Id() == vidExprVar) Items.AddObject(Var->Name(), Var);
                break;
            case 3:
                if (Var->Id() == vidDateTimeVar || Var->Id() == vidPageVar) Items.AddObject(Var->Name(), Var);
                break;
            case 4:
                if (DB && Var->Id() != vidAutoDataVar && !Var->AutoVar()) Items.AddObject(Var->Name(), Var);
                break;
            default:
                if (Kind >= 5 && DB && Var->Id() == vidAutoDataVar && Source && DB->DataSource() == Source)
                    Items.AddObject(DB->DataField(), Var);
                break;
            }
        }
    }
    // The list stays open while the form is designed: a variable deleted meanwhile must not be
    // dropped.
    for (int i = 0; i < Items.Count(); ++i)
        FreeNotification(Items.ObjectAs<TVyrVar>(i));
    SetListHeight();
}

void TPimDropLabels::Notification(TComponent* AComponent, TOperation Operation) {
    TForm::Notification(AComponent, Operation);
    if (Operation != opRemove || !AComponent || HasState(csDestroying)) return;
    TListBoxStrings& Items = PimVariableList->Items();
    for (int i = 0; i < Items.Count(); ++i) {
        if (static_cast<TComponent*>(Items.ObjectAs<TVyrVar>(i)) != AComponent) continue;
        Items.Delete(i);
        // The selection keeps its order; the items after the one gone move up by one.
        QStringList Selected;
        for (const QString& Entry : FSelectedList)
            if (const int At = Entry.toInt(); At != i) Selected << QString::number(At > i ? At - 1 : At);
        FSelectedList = Selected;
        SetListHeight();
        return;
    }
}

void TPimDropLabels::PimVariableListClick() {
    const int Count = PimVariableList->Items().Count();
    for (int i = 0; i < Count; ++i) {
        const QString Entry = QString::number(i);
        if (!PimVariableList->Selected(i))
            FSelectedList.removeAll(Entry);
        else if (!FSelectedList.contains(Entry))
            FSelectedList << Entry;
    }
    FSelectedList.removeIf([Count](const QString& Entry) { return Entry.toInt() >= Count; });
    if (PimVariableList->SelCount() == 0) FSelectedList.clear();
}

void TPimDropLabels::SpeedButton2Click() {
    PimVariableList->SetColumns(std::min(PimVariableList->Columns() + 1, MaxColumns));
    SetListHeight();
}

void TPimDropLabels::SpeedButton3Click() {
    PimVariableList->SetColumns(std::max(PimVariableList->Columns() - 1, MinColumns));
    SetListHeight();
}

void TPimDropLabels::SetListHeight() {
    const int Columns = std::max(1, PimVariableList->Columns());
    // A long list scrolls rather than take the window past the screen's foot.
    const int Room = std::max(ItemHeight, Screen()->WorkAreaHeight() - Top() - PimVariableList->Top());
    PimVariableList->SetHeight(
        std::min(PimVariableList->Items().Count() * ItemHeight / Columns + ItemHeight, Room));
    SetBounds(Left(), Top(), Width(), PimVariableList->Top() + PimVariableList->Height());
    PlaceWindow();
}

void TPimDropLabels::StayOnTopClick(TMenuItem* Item) {
    Item->SetChecked(!Item->Checked());
    SetFormStyle(Item->Checked() ? fsStayOnTop : fsNormal);
    if (QWidget* W = Widget()) {
        const bool Shown = W->isVisible();
        W->setWindowFlag(Qt::WindowStaysOnTopHint, Item->Checked());
        if (Shown) W->show();
    }
}

void TPimDropLabels::CloseClick() {
    Close();
}

// The drop

void TPimDropLabels::DropLabels(TVyrBand* Band, int X, int Y) {
    if (!Page() || !Band || PimVariableList->SelCount() == 0) return;
    if (VyrRefusedWhileRunning(Page()->Owner())) return;
    FVarLabelBand = Band;
    FTextLabelBand = GetTextBand();
    FDropHorz = sbHoriz->Down() || sbHorizdiv->Down();
    FTextAbove = sbTop->Down();
    FDividers = sbHorizdiv->Down();
    FxDrop = X;
    FyDrop = Y;
    CreateLabels();
    if (!ArrangeLabels()) CreateDividers();
    SelectComponents();
    Modified();
}

TVyrBand* TPimDropLabels::GetTextBand() const {
    if (!Page() || !Page()->Bands() || TextBand->ItemIndex() <= 0) return nullptr;
    for (TVyrBand* Band : *Page()->Bands())
        if (Band->Name() == TextBand->Text()) return Band;
    return nullptr;
}

template <class T> T* TPimDropLabels::NewLabel(TVyrBand* Band) {
    auto* Label = new T(Page()->Owner());
    VyrAutoSetComponentName(Label, Label->ClassName(), true);
    Label->SetParent(Band);
    return Label;
}

void TPimDropLabels::CreateLabels() {
    FTextLabelList.Clear();
    FVarLabelList.Clear();
    FTextDivList.Clear();
    FVarDivList.Clear();
    for (const QString& Entry : FSelectedList) {
        auto* Var = PimVariableList->Items().ObjectAs<TVyrVar>(Entry.toInt());
        if (!Var) continue;
        if (TVyrBand* CaptionBand = FTextLabelBand.Get()) {
            TVyrLabel* Caption = NewLabel<TVyrvarlabel>(CaptionBand);
            FormatTextLabel(Caption, Var);
            FTextLabelList.Add(Caption);
        }
        FVarLabelList.Add(CreateVarLabel(Var, FVarLabelBand.Get()));
    }
}

void TPimDropLabels::FormatTextLabel(TVyrLabel* Label, TVyrVar* Var) {
    QString Caption;
    if (auto* DB = dynamic_cast<TVyrDBVar*>(Var)) {
        const TMyField MyField(DB->DataField(), DataSetOf(DB));
        if (MyField.Field) Caption = MyField.Field->DisplayLabel();
        if (Caption.isEmpty()) Caption = DB->DataField();
    }
    const TVyrBand* Band = FTextLabelBand.Get();
    Label->SetFont(*Band->Font());
    if (Caption.isEmpty()) Caption = Var->Name();
    Label->SetCaption(Caption);
    Label->SetBounds(Label->Left(), Label->Top(), TextWidth(Label, Caption) + 15,
                     std::abs(Band->Font()->Height()) + 6);
}

TVyrLabel* TPimDropLabels::CreateVarLabel(TVyrVar* Var, TVyrBand* Band) {
    // A total of a database variable is sized by the field it sums.
    auto* DB = dynamic_cast<TVyrDBVar*>(Var);
    if (auto* Total = dynamic_cast<TVyrTotalvar*>(Var); Total && !DB)
        DB = dynamic_cast<TVyrDBVar*>(Total->Variable());
    if (DB) {
        const TMyField MyField(DB->DataField(), DataSetOf(DB));
        TVyrLabel* Label = CreateLabel(Var, MyField.GetDataType());
        Label->SetParent(Band);
        MyField.FormatFieldLabel(Label);
        FormatLabelHW(Label, Var, &MyField);
        return Label;
    }
    const TVyrDataTypes DataType = Var->DataType();
    TVyrLabel* Label = CreateLabel(Var, DataType);
    Label->SetParent(Band);
    FormatVarLabel(Label, Var, DataType);
    FormatLabelHW(Label, Var, nullptr);
    return Label;
}

TVyrLabel* TPimDropLabels::CreateLabel(TVyrVar* Var, TVyrDataTypes DataType) {
    TComponent* Owner = Page()->Owner();
    TVyrLabel* Label = nullptr;
    if (auto* Total = dynamic_cast<TVyrTotalvar*>(Var)) {
        auto* L = new TVyrTotalvarLabel(Owner);
        L->SetTotalVariable(Total);
        Label = L;
    } else if (DataType == dtypeBoolean) {
        auto* L = new TVyrCheckLabel(Owner);
        L->SetVariable(Var);
        L->SetBorderType(btSingle);
        Label = L;
    } else if (DataType == dtypeBlob || DataType == dtypeGraphic) {
        auto* L = new TVyrImageLabel(Owner);
        L->SetVariable(Var);
        Label = L;
    } else {
        auto* L = new TVyrvarlabel(Owner);
        L->SetVariable(Var);
        Label = L;
    }
    VyrAutoSetComponentName(Label, Label->ClassName(), true);
    return Label;
}

void TPimDropLabels::FormatVarLabel(TVyrLabel* Label, TVyrVar* Var, TVyrDataTypes DataType) {
    if (auto* Total = dynamic_cast<TVyrTotalvarLabel*>(Label); Total && dynamic_cast<TVyrTotalvar*>(Var)) {
        Total->DataFormat()->SetFloatFormat(ffNumber);
        Total->DataFormat()->SetDigits(2);
        return;
    }
    auto* L = dynamic_cast<TVyrvarlabel*>(Label);
    if (!L) return;
    switch (DataType) {
    case dtypeFloat:
        L->DataFormat()->SetFloatFormat(ffNumber);
        L->DataFormat()->SetDigits(2);
        L->SetHorizontalAlign(laRight);
        break;
    case dtypeInteger:
        L->DataFormat()->SetFloatFormat(ffNumber);
        L->SetHorizontalAlign(laRight);
        break;
    case dtypeDateTime:
        L->DataFormat()->SetDisplayFormat(QStringLiteral("ddddd"));
        break;
    case dtypeMemo:
        L->SetWrapText(true);
        L->SetStretch(true);
        break;
    default:
        break;
    }
}

void TPimDropLabels::FormatLabelHW(TVyrLabel* Label, TVyrVar* Var, const TMyField* MyField) {
    const TVyrBand* Band = Label->Band();
    const int Height = Band ? std::abs(Band->Font()->Height()) + 6 : Label->Height();
    // A field declared thousands of characters wide would otherwise make a label many pages wide.
    const int Widest = Page()->getpagewidth();
    auto Size = [Label, Widest](int W, int H) {
        Label->SetBounds(Label->Left(), Label->Top(), Widest > 0 ? std::min(W, Widest) : W, H);
    };
    auto* Text = dynamic_cast<TVyrvarlabel*>(Label);
    if (Text && Text->WrapText())
        Size(2 * P(), Height);
    else if (dynamic_cast<TVyrImageLabel*>(Label))
        Size(P(), P());
    else if (IsCheck(Label))
        Size(CheckSize, CheckSize);
    else if (MyField && MyField->Field)
        Size(MyField->Field->DisplayWidth() * TextWidth(Label, QStringLiteral("X")), Height);
    else if (Text) {
        const TVyrDataTypes T = Var->DataType();
        int W = Label->Width();
        if (T == dtypeString || T == dtypeFloat || T == dtypeInteger || T == dtypeBoolean)
            W = std::max(W, TextWidth(Label, Label->GetDataNow()));
        Size(W, Height);
    } else
        Size(P(), Height);
}

TPimDropLabels::TCaptionPlace TPimDropLabels::CaptionPlace() const {
    const TVyrBand* Captions = FTextLabelBand.Get();
    if (!Captions) return cpNone;
    if (Captions != FVarLabelBand.Get()) return cpBand;
    return FTextAbove ? cpAbove : cpLeft;
}

bool TPimDropLabels::ArrangeLabels() {
    bool Wrapped = false;
    if (FDropHorz) {
        ArrangeHorizontal(false);
        Wrapped = CheckWidth();
    } else
        ArrangeVertical();
    AdjustBandHeight();
    return Wrapped;
}

int TPimDropLabels::RowStep(TVyrLabel* Value, TVyrLabel* Caption) const {
    switch (CaptionPlace()) {
    case cpBand:
    case cpAbove:
        return std::max(Value->Width(), Caption->Width()) + 10;
    case cpLeft:
        return Caption->Width() + 2 + Value->Width() + 10;
    case cpNone:
        break;
    }
    return Value->Width() + 10;
}

template <class F> void TPimDropLabels::ForEachPair(F Visit) {
    const bool Captions = CaptionPlace() != cpNone;
    for (int i = 0; i < FVarLabelList.Count(); ++i) {
        TVyrLabel* Value = FVarLabelList[i];
        TVyrLabel* Caption = Captions ? FTextLabelList[i] : nullptr;
        if (Value && (!Captions || Caption)) Visit(i, Value, Caption);
    }
}

void TPimDropLabels::PlacePair(TVyrLabel* Value, TVyrLabel* Caption, int x, int y) {
    switch (CaptionPlace()) {
    case cpNone:
    case cpBand:
        MoveTo(Value, x, y);
        if (Caption) MoveTo(Caption, x, y);
        break;
    case cpAbove:
        MoveTo(Caption, x, y);
        MoveTo(Value, x, Bottom(Caption) + 2);
        break;
    case cpLeft:
        Caption->SetHorizontalAlign(laRight);
        Value->SetHorizontalAlign(laLeft);
        // A row starts each pair with its caption; a column keeps its values at x.
        if (FDropHorz) {
            MoveTo(Caption, x, y);
            MoveTo(Value, Right(Caption) + 2, y);
        } else {
            MoveTo(Value, x, y);
            MoveTo(Caption, x - Caption->Width() - 3, y);
        }
        break;
    }
}

void TPimDropLabels::ArrangeHorizontal(bool Wrap) {
    const bool CaptionLeft = CaptionPlace() == cpLeft;
    const int W = Page()->getpagewidth();
    int x = FxDrop;
    int y = FyDrop;
    int B = 0;
    bool RowStart = true;
    ForEachPair([&](int, TVyrLabel* Value, TVyrLabel* Caption) {
        const int Needed = CaptionLeft ? Value->Width() + Caption->Width() + 2 : Value->Width();
        if (Wrap && !RowStart && x + Needed > W) {
            x = FxDrop;
            y = B + 5;
        }
        PlacePair(Value, Caption, x, y);
        B = std::max(B, Bottom(Value));
        if (Caption) B = std::max(B, Bottom(Caption));
        x += RowStep(Value, Caption);
        RowStart = false;
    });
}

void TPimDropLabels::ArrangeVertical() {
    // Captions to the left of a column dropped near the band's edge would start before it: the
    // column moves right until the widest caption starts inside the band.
    int x = FxDrop;
    if (CaptionPlace() == cpLeft)
        ForEachPair([&](int, TVyrLabel*, TVyrLabel* Caption) { x = std::max(x, Caption->Width() + 3); });
    int y = FyDrop;
    ForEachPair([&](int, TVyrLabel* Value, TVyrLabel* Caption) {
        PlacePair(Value, Caption, x, y);
        y = Bottom(Value) + 5;
    });
}

bool TPimDropLabels::CheckWidth() {
    if (FVarLabelList.Count() < 2) return false;
    const TVyrLabel* Last = FVarLabelList[FVarLabelList.Count() - 1];
    if (!Last || Right(Last) <= Page()->getpagewidth()) return false;
    TPimFastAskForm Ask(nullptr);
    Ask.ShowModal();
    if (Ask.Canceled()) {
        DeleteRest(FTextLabelList, 0);
        DeleteRest(FVarLabelList, 0);
        return false;
    }
    if (Ask.Wrap()->isChecked()) {
        ArrangeHorizontal(true);
        return true;
    }
    if (Ask.Shrink()->isChecked())
        ShrinkLabels();
    else if (Ask.Delete()->isChecked())
        DeleteExcess();
    return false;
}

void TPimDropLabels::ShrinkLabels() {
    const TCaptionPlace Place = CaptionPlace();
    // What a pair takes of the row and can give up: the wider of caption and value where one stands
    // over the other, both where the caption stands to the left. Check boxes keep their size, and
    // captions shrink with their values, else a row of captions wider than their values never fits.
    auto Share = [Place](const TVyrLabel* Value, const TVyrLabel* Caption) {
        const int V = IsCheck(Value) ? 0 : Value->Width();
        const int C = Caption ? Caption->Width() : 0;
        return Place == cpLeft ? V + C : std::max(V, C);
    };
    double S = 0;
    int End = 0;
    ForEachPair([&](int, TVyrLabel* Value, TVyrLabel* Caption) {
        S += Share(Value, Caption);
        End = std::max(End, Right(Value));
        if (Caption) End = std::max(End, Right(Caption));
    });
    const double Over = End - Page()->getpagewidth();
    // With nothing in the row that may shrink there is nothing to do.
    float f = S > 0 ? static_cast<float>(1.0 - Over / S) : 1.0f;
    if (f < 0.25f) f = 0;
    if (f > 1) f = 1;
    const int Min = P() / 2;
    int x = FxDrop;
    int c = 0;
    ForEachPair([&](int, TVyrLabel* Value, TVyrLabel* Caption) {
        const int Old = Share(Value, Caption);
        int w = Old;
        if (Old > 0) {
            w = static_cast<int>(std::trunc(Old * static_cast<double>(f))) - c;
            if (w < Min) {
                c = Min - w;
                w = Min;
            } else
                c = 0;
        }
        const int V = IsCheck(Value) ? 0 : Value->Width();
        const int C = Caption ? Caption->Width() : 0;
        if (Place == cpLeft) {
            // The pair's new width is shared in the proportion the two had.
            const int CaptionWidth = Old > 0 ? static_cast<int>(int64_t(w) * C / Old) : C;
            Caption->SetWidth(CaptionWidth);
            if (V > 0) Value->SetWidth(w - CaptionWidth);
        } else if (Old > 0) {
            // The wider of the two takes the pair's new width, the other keeps its own if it fits.
            if (V >= C) {
                Value->SetWidth(w);
                if (Caption) Caption->SetWidth(std::min(C, w));
            } else {
                Caption->SetWidth(w);
                if (V > 0) Value->SetWidth(std::min(V, w));
            }
        }
        if (Caption) {
            Caption->SetLeft(x);
            if (Place == cpLeft) x += Caption->Width() + 2;
        }
        Value->SetLeft(x);
        x += Place == cpLeft ? Value->Width() + 10 : RowStep(Value, Caption);
    });
}

void TPimDropLabels::DeleteRest(TComponentRefList<TVyrLabel>& List, int From) {
    for (int i = std::max(0, From); i < List.Count(); ++i)
        if (TVyrLabel* Label = List[i]) FreeLabel(Label);
    List.Truncate(From);
}

void TPimDropLabels::DeleteExcess() {
    const int W = Page()->getpagewidth();
    int n = -1;
    for (int i = 0; i < FVarLabelList.Count(); ++i)
        if (const TVyrLabel* Value = FVarLabelList[i]; Value && Right(Value) <= W) n = i;
    DeleteRest(FTextLabelList, n + 1);
    DeleteRest(FVarLabelList, n + 1);
}

void TPimDropLabels::AdjustBandHeight() {
    auto Grow = [](TVyrBand* Band, const TComponentRefList<TVyrLabel>& List) {
        if (!Band) return;
        int Lowest = 0;
        for (int i = 0; i < List.Count(); ++i)
            if (const TVyrLabel* Label = List[i]; Label && Label->Parent() == Band)
                Lowest = std::max(Lowest, Bottom(Label));
        if (Lowest > Band->Height()) Band->SetHeight(Lowest);
    };
    Grow(FVarLabelBand.Get(), FVarLabelList);
    Grow(FVarLabelBand.Get(), FTextLabelList);
    Grow(FTextLabelBand.Get(), FTextLabelList);
}

void TPimDropLabels::CreateDividers() {
    if (!FDividers || FVarLabelList.Count() < 2) return;
    const TCaptionPlace Place = CaptionPlace();
    ForEachPair([&](int i, TVyrLabel* Value, TVyrLabel* Caption) {
        if (i == 0) return;
        TVyrLabel* Divider = NewLabel<TVyrVerticalDivider>(FVarLabelBand.Get());
        const bool BesideCaption = Place == cpAbove || Place == cpLeft;
        Divider->SetLeft((BesideCaption ? Caption->Left() : Value->Left()) - 4);
        FVarDivList.Add(Divider);
        if (Place == cpBand) {
            TVyrLabel* Second = NewLabel<TVyrVerticalDivider>(FTextLabelBand.Get());
            Second->SetLeft(Value->Left() - 4);
            FTextDivList.Add(Second);
        }
    });
}

void TPimDropLabels::SelectComponents() {
    IDesigner* Designer = PageDesigner();
    if (!Designer) return;
    TDesignerSelections Selection;
    auto Take = [&Selection](const TComponentRefList<TVyrLabel>& List) {
        for (int i = 0; i < List.Count(); ++i)
            if (TVyrLabel* Label = List[i]) Selection.push_back(Label);
    };
    Take(FVarLabelList);
    Take(FVarDivList);
    if (FTextLabelBand.Get() == FVarLabelBand.Get()) {
        Take(FTextLabelList);
        Take(FTextDivList);
    }
    Designer->SetSelections(Selection);
}

void TPimDropLabels::SpeedButton1Click() {
    if (Page() && VyrRefusedWhileRunning(Page()->Owner())) return;
    const bool Anything = !FTextLabelList.IsEmpty() || !FVarLabelList.IsEmpty() || !FTextDivList.IsEmpty() ||
                          !FVarDivList.IsEmpty();
    TVyrPage* Pg = Page();
    if (Pg && Pg->Labels())
        for (TComponentRefList<TVyrLabel>* List :
             {&FTextLabelList, &FVarLabelList, &FTextDivList, &FVarDivList})
            for (int i = 0; i < List->Count(); ++i) {
                TVyrLabel* Label = (*List)[i];
                // The page drops its registry with its last label.
                const std::vector<TVyrLabel*>* Labels = Pg->Labels();
                if (Label && Labels && std::find(Labels->begin(), Labels->end(), Label) != Labels->end())
                    FreeLabel(Label);
            }
    FTextLabelList.Clear();
    FVarLabelList.Clear();
    FTextDivList.Clear();
    FVarDivList.Clear();
    if (Anything && Pg) Modified();
}

void SetPimDropLabelsFactory(TPimDropLabelsFactory Value) {
    Factory() = std::move(Value);
}

const TPimDropLabelsFactory& PimDropLabelsFactory() {
    return Factory();
}

void ResetPimDropLabelsFactory() {
    Factory() = nullptr;
}
