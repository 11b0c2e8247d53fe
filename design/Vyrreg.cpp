#include "design/Vyrreg.h"
#include "design/Pageman.h"
#include "design/PimDrop.h"
#include "design/PimOView.h"
#include "design/Pimdiag.h"
#include "design/VyrVOpt.h"
#include "design/Vyrrepds.h"
#include "design/Vyrvhelp.h"
#include "design/Vyrvrep.h"
#include "host/db.h"
#include "host/dialogs.h"
#include "host/forms.h"
#include "host/properties.h"
#include "host/resstrings.h"
#include "host/storedforms.h"
#include "output/PimUtil.h"
#include "report/PimDS.h"
#include "report/PimPage.h"
#include "report/PimRtfC.h"
#include "report/VyrBtn.h"
#include "report/VyrCtrl.h"
#include "report/VyrRep.h"
#include "report/VyrText.h"
#include "report/VyrVar.h"
#include "viewer/PimMeter.h"
#include "viewer/PimPrev.h"

#include <QPainter>
#include <QPainterPath>

namespace {

const QString PalettePage = QStringLiteral("PimReporter");

bool SameName(const QString& A, const QString& B) {
    return A.toUpper() == B.toUpper();
}

[[noreturn]] void InvalidProperty() {
    throw EPropertyError(QStringLiteral("Invalid Property"));
}

// Ancestry

void RegisterReportAncestry() {
    RegisterAncestryChain<TVyrBand, TCustomPanel>();
    RegisterAncestryChain<TVyrSubBand, TVyrBand>();
    RegisterAncestryChain<TVyrOverlayBand, TVyrBand>();
    RegisterAncestryChain<TVyrSubDataBand, TVyrBand>();
    RegisterAncestryChain<TVyrDataFootBand, TVyrDataHeadBand, TVyrBand>();
    RegisterAncestryChain<TVyrBandHead, TCustomPanel>();
    RegisterAncestryChain<TVyrGroup, TControl>();
    RegisterAncestryChain<TVyrvarlabel, TVyrTVLabel, TVyrLabel, TGraphicControl>();
    RegisterAncestryChain<TVyrTextLabel, TVyrTVLabel>();
    RegisterAncestryChain<TVyrCheckLabel, TVyrVarRefLabel, TVyrLabel>();
    RegisterAncestryChain<TVyrImageLabel, TVyrVarRefLabel>();
    RegisterAncestryChain<TVyrBarCodeLabel, TVyrVarRefLabel>();
    RegisterAncestryChain<TVyrLine, TVyrLabel>();
    RegisterAncestryChain<TVyrShape, TVyrLabel>();
    RegisterAncestryChain<TVyrTotalvarLabel, TVyrLabel>();
    RegisterAncestryChain<TVyrVerticalDivider, TVyrLabel>();
    RegisterAncestryChain<TVyrCustomLabel, TVyrLabel>();
    RegisterAncestryChain<TVyrRichTextLabel, TVyrLabel>();
    RegisterAncestryChain<TVyrGrouppage, TVyrPage, TScrollBox>();
    RegisterAncestryChain<TVyrReport, TScrollBox>();
    RegisterAncestryChain<TVyrReportButton, TBitBtn>();
    RegisterAncestryChain<TVyrLevel, TControl>();
    RegisterAncestryChain<TVyrDBVar, TVyrVar, TControl>();
    RegisterAncestryChain<TVyrExprVar, TVyrVar>();
    RegisterAncestryChain<TVyrDateTimeVar, TVyrVar>();
    RegisterAncestryChain<TVyrPageVar, TVyrVar>();
    RegisterAncestryChain<TVyrTotalvar, TVyrVar>();
    RegisterAncestryChain<TVyrDataSourceGuide, TVyrDSGuide, TControl>();
    RegisterAncestryChain<TVyrReserveSpace, TPersistent>();
    RegisterAncestryChain<TPimMeter, TGraphicControl>();
    RegisterAncestryChain<TPimPreview, TScrollBox>();
}

// Palette pictures: 24 x 24 pixels in the 16 colours of the classic palette.

QImage SixteenColours(const QImage& Picture) {
    static const QList<QRgb> Table{0xFF000000, 0xFF800000, 0xFF008000, 0xFF808000, 0xFF000080, 0xFF800080,
                                   0xFF008080, 0xFFC0C0C0, 0xFF808080, 0xFFFF0000, 0xFF00FF00, 0xFFFFFF00,
                                   0xFF0000FF, 0xFFFF00FF, 0xFF00FFFF, 0xFFFFFFFF};
    return Picture.convertToFormat(QImage::Format_Indexed8, Table, Qt::ThresholdDither | Qt::AvoidDither);
}

QImage DrawIcon(const std::function<void(QPainter&)>& Draw) {
    QImage Picture(24, 24, QImage::Format_RGB32);
    Picture.fill(QColor(0xC0, 0xC0, 0xC0));
    QPainter P(&Picture);
    P.setRenderHint(QPainter::Antialiasing, false);
    Draw(P);
    P.end();
    return SixteenColours(Picture);
}

// A white label with a dark frame, the ground of the label kinds' pictures.
void LabelGround(QPainter& P) {
    P.setPen(QColor(0x80, 0x80, 0x80));
    P.setBrush(Qt::white);
    P.drawRect(2, 5, 19, 13);
}

void RegisterIcons() {
    const QColor Black(Qt::black), Blue(0, 0, 0x80), Red(0xFF, 0, 0), Green(0, 0x80, 0), Teal(0, 0x80, 0x80);
    auto Bar = [](QPainter& P, int X, int Y, int W, int H, QColor C) { P.fillRect(X, Y, W, H, C); };
    RegisterPaletteIcon("TVyrTextLabel", DrawIcon([&](QPainter& P) {
                            LabelGround(P);
                            Bar(P, 7, 8, 10, 2, Black);
                            Bar(P, 11, 8, 2, 8, Black);
                        }));
    RegisterPaletteIcon("TVyrvarlabel", DrawIcon([&](QPainter& P) {
                            LabelGround(P);
                            P.setPen(QPen(Blue, 2));
                            P.drawLine(7, 8, 16, 15);
                            P.drawLine(16, 8, 7, 15);
                        }));
    RegisterPaletteIcon("TVyrTotalvarLabel", DrawIcon([&](QPainter& P) {
                            LabelGround(P);
                            P.setPen(QPen(Blue, 2));
                            P.drawPolyline(QPolygon({QPoint(16, 8), QPoint(7, 8), QPoint(12, 12),
                                                     QPoint(7, 16), QPoint(16, 16)}));
                        }));
    RegisterPaletteIcon("TVyrLine", DrawIcon([&](QPainter& P) {
                            P.setPen(QPen(Black, 2));
                            P.drawLine(3, 20, 20, 3);
                        }));
    RegisterPaletteIcon("TVyrShape", DrawIcon([&](QPainter& P) {
                            P.setPen(Black);
                            P.setBrush(Qt::yellow);
                            P.drawRect(2, 9, 12, 12);
                            P.setBrush(Red);
                            P.drawEllipse(9, 2, 12, 12);
                        }));
    RegisterPaletteIcon("TVyrImageLabel", DrawIcon([&](QPainter& P) {
                            P.setPen(Black);
                            P.setBrush(QColor(0, 0xFF, 0xFF));
                            P.drawRect(2, 3, 19, 17);
                            P.setBrush(Green);
                            P.drawPolygon(QPolygon({QPoint(3, 19), QPoint(9, 10), QPoint(14, 16),
                                                    QPoint(17, 12), QPoint(21, 19)}));
                            P.setBrush(Qt::yellow);
                            P.drawEllipse(15, 5, 4, 4);
                        }));
    RegisterPaletteIcon("TVyrVerticalDivider", DrawIcon([&](QPainter& P) {
                            LabelGround(P);
                            Bar(P, 11, 1, 3, 22, Black);
                        }));
    RegisterPaletteIcon("TVyrCheckLabel", DrawIcon([&](QPainter& P) {
                            P.setPen(Black);
                            P.setBrush(Qt::white);
                            P.drawRect(4, 4, 15, 15);
                            P.setPen(QPen(Black, 2));
                            P.drawPolyline(QPolygon({QPoint(7, 11), QPoint(10, 15), QPoint(16, 7)}));
                        }));
    RegisterPaletteIcon("TVyrBarCodeLabel", DrawIcon([&](QPainter& P) {
                            Bar(P, 2, 3, 20, 18, Qt::white);
                            int X = 4;
                            for (int W : {1, 2, 1, 3, 1, 1, 2, 1})
                                Bar(P, X, 5, W, 14, Black), X += W + 1;
                        }));
    RegisterPaletteIcon("TVyrCustomLabel", DrawIcon([&](QPainter& P) {
                            LabelGround(P);
                            P.setPen(QPen(Red, 3));
                            P.drawLine(6, 17, 17, 6);
                            P.setPen(QPen(Black, 1));
                            P.drawLine(4, 19, 6, 17);
                        }));
    RegisterPaletteIcon("TVyrReportButton", DrawIcon([&](QPainter& P) {
                            P.setPen(Qt::white);
                            P.drawLine(2, 19, 2, 4);
                            P.drawLine(2, 4, 21, 4);
                            P.setPen(QColor(0x80, 0x80, 0x80));
                            P.drawLine(21, 5, 21, 19);
                            P.drawLine(3, 19, 21, 19);
                            Bar(P, 8, 7, 8, 10, Qt::white);
                            for (int Y : {9, 11, 13})
                                Bar(P, 9, Y, 6, 1, Blue);
                        }));
    RegisterPaletteIcon("TVyrRichTextLabel", DrawIcon([&](QPainter& P) {
                            LabelGround(P);
                            Bar(P, 5, 8, 8, 2, Red);
                            Bar(P, 14, 8, 4, 2, Blue);
                            Bar(P, 5, 12, 5, 2, Green);
                            Bar(P, 11, 12, 7, 2, Black);
                        }));
    RegisterPaletteIcon("TVyrReport", DrawIcon([&](QPainter& P) {
                            P.setPen(Black);
                            P.setBrush(Qt::white);
                            P.drawRect(4, 1, 15, 21);
                            Bar(P, 5, 3, 14, 3, Teal);
                            for (int Y : {8, 11, 14})
                                Bar(P, 7, Y, 10, 1, Black);
                            Bar(P, 5, 18, 14, 3, Teal);
                        }));
    RegisterPaletteIcon("TPimMeter", DrawIcon([&](QPainter& P) {
                            P.setPen(Black);
                            P.setBrush(Qt::white);
                            P.drawRect(1, 8, 21, 7);
                            Bar(P, 2, 9, 11, 6, Red);
                        }));
    RegisterPaletteIcon("TPimPreview", DrawIcon([&](QPainter& P) {
                            P.setPen(Black);
                            P.setBrush(Qt::white);
                            P.drawRect(2, 1, 14, 19);
                            P.setPen(QPen(Blue, 2));
                            P.setBrush(Qt::NoBrush);
                            P.drawEllipse(9, 9, 8, 8);
                            P.drawLine(16, 16, 21, 21);
                        }));
}

template <class... T> std::vector<TComponentClass> Classes() {
    return {ComponentClassOf<T>()...};
}

// The page of the edited component, for the variable editors and for the level editors.
enum TPageUse : uint8_t { puVariables, puLevels };

TVyrPage* PageOf(TPersistent* Edited, TPageUse Use) {
    TVyrPage* Page = nullptr;
    bool Found = false;
    if (auto* Group = dynamic_cast<TVyrGroup*>(Edited); Group && Use == puVariables) {
        Page = Group->getpage();
        Found = true;
    } else if (auto* Band = dynamic_cast<TVyrBand*>(Edited); Band && Use == puLevels) {
        Page = Band->Page();
        Found = true;
    } else if (auto* Label = dynamic_cast<TVyrLabel*>(Edited)) {
        Page = Label->getpage();
        Found = true;
    } else if (auto* Var = dynamic_cast<TVyrVar*>(Edited)) {
        Page = dynamic_cast<TVyrPage*>(Var->Parent());
        Found = true;
    } else if (auto* Guide = dynamic_cast<TVyrDataSourceGuide*>(Edited); Guide && Use == puLevels) {
        Page = dynamic_cast<TVyrPage*>(Guide->Parent());
        Found = true;
    }
    // An edited component that lies on no page has no page to look in either.
    if (!Found || !Page) throw Exception(QStringLiteral("variable property editor can not find page"));
    return Page;
}

QString NameOf(const TComponent* Component) {
    return Component ? Component->Name() : QString();
}

std::vector<TVyrVar*> VarsOf(const TVyrPage* Page) {
    return Page->Vars() ? *Page->Vars() : std::vector<TVyrVar*>();
}

// A page keeps the data sources that are to have no guide by the names the designer lists them
// under, and stores that list with the form: a renamed data source keeps its place there.
void FollowRenamedDataSource(TComponent* Component, const QString& OldName) {
    auto* Source = dynamic_cast<TDataSource*>(Component);
    TComponent* Module = Component->Owner();
    if (!Source || !Module) return;
    std::vector<TComponent*> Forms = RegisteredRoots();
    if (std::find(Forms.begin(), Forms.end(), Module) == Forms.end()) Forms.push_back(Module);
    for (TComponent* Form : Forms) {
        // From another form the source is listed with its form's name.
        const QString Prefix = Form == Module ? QString() : Module->Name() + u'.';
        for (int i = 0; i < Form->ComponentCount(); ++i) {
            auto* Page = dynamic_cast<TVyrPage*>(Form->Components(i));
            if (!Page) continue;
            TStringList* Excluded = Page->NoDsgList();
            for (int j = 0; j < Excluded->Count(); ++j)
                if (SameName(Excluded->Strings(j), Prefix + OldName))
                    Excluded->SetStrings(j, Prefix + Source->Name());
            const int At = Page->FullDSList()->IndexOf(Source);
            if (At >= 0 && At < Page->FullDSNames()->Count())
                Page->FullDSNames()->SetStrings(At, Prefix + Source->Name());
        }
    }
}

} // namespace

// Registration

void Register() {
    RegisterReportAncestry();
    RegisterIcons();
    RegisterComponents(PalettePage,
                       Classes<TVyrvarlabel, TVyrTotalvarLabel, TVyrLine, TVyrShape, TVyrImageLabel,
                               TVyrVerticalDivider, TVyrCheckLabel, TVyrBarCodeLabel, TVyrCustomLabel>());
    RegisterComponents(PalettePage, Classes<TVyrReportButton>());
    RegisterComponents(PalettePage, Classes<TVyrRichTextLabel>());
    RegisterComponents(PalettePage, Classes<TVyrReport>());
    RegisterNoIcon(
        Classes<TVyrTextLabel, TVyrGroup, TVyrPage, TVyrBand, TVyrSubBand, TVyrSubDataBand, TVyrGrouppage,
                TVyrDataSourceGuide, TVyrDataHeadBand, TVyrDataFootBand, TVyrOverlayBand>());
    RegisterClasses<TVyrTextLabel, TVyrGroup, TVyrPage, TVyrBand, TVyrSubBand, TVyrSubDataBand, TVyrGrouppage,
                    TVyrDataSourceGuide, TVyrDataHeadBand, TVyrDataFootBand, TVyrOverlayBand>();
    RegisterPropertyEditor<TDataSet, TVyrGrouppage>(QString(), PropertyEditorClassOf<TVyrDataSetProperty>());
    RegisterPropertyEditor<TDataSet, TVyrSubDataBand>(QString(),
                                                      PropertyEditorClassOf<TVyrDataSetProperty>());
    RegisterClasses<TVyrLevel, TVyrExprVar, TVyrTotalvar, TVyrDateTimeVar, TVyrPageVar>();
    RegisterClasses<TVyrDBVar>();
    RegisterNoIcon(Classes<TVyrLevel, TVyrExprVar, TVyrTotalvar>());
    RegisterNoIcon(Classes<TVyrDBVar>());
    RegisterComponentEditor<TVyrGrouppage>(ComponentEditorClassOf<TVyrGrouppageEditor>());
    RegisterPropertyEditor<TVyrVar>(QString(), PropertyEditorClassOf<TVyrVarProperty>());
    RegisterPropertyEditor<TVyrTotalvar>(QString(), PropertyEditorClassOf<TVyrTotalVarProperty>());
    RegisterPropertyEditor<TVyrLevel>(QString(), PropertyEditorClassOf<TVyrLevelProperty>());
    RegisterPropertyEditor<TVyrLevel, TVyrTotalvarLabel>(QStringLiteral("level"),
                                                         PropertyEditorClassOf<TVyrTotalLevelProperty>());
    RegisterPropertyEditor<TVyrBand>(QString(), PropertyEditorClassOf<TVyrReadOnlySubProperty>());
    RegisterPropertyEditor<TVyrLevel, TVyrBand>(QString(), PropertyEditorClassOf<TVyrReadOnlySubProperty>());
    RegisterPropertyEditor<TCustomPanel, TVyrReserveSpace>(QString(),
                                                           PropertyEditorClassOf<TVyrReserveBandProperty>());
    RegisterPropertyEditor<TDataSource, TVyrDataSourceGuide>(
        QString(), PropertyEditorClassOf<TVyrDataSourceDSGProperty>());
    RegisterComponents(PalettePage, Classes<TPimMeter>());
    RegisterComponents(PalettePage, Classes<TPimPreview>());
}

namespace {
bool GPackageInstalled = false;
} // namespace

void initDesignPackage() {
    if (GPackageInstalled) return;
    GPackageInstalled = true;
    Register();
    RegisterRenameHandler(FollowRenamedDataSource);
    TVyrPage::SetDesignerModifiedHook([](TComponent* Form) {
        if (IDesigner* Designer = FindRootDesigner(Form)) Designer->Modified();
    });
    VyrDesignCreate = VyrRepDesign;
    SetDataControlCreator([](TComponent* Owner) {
        auto* Centre = new TVyrDSVariableOptions(Owner);
        Centre->OnHelp = [](TVyrDSVariableOptions*) { VyrShowVarHelp(); };
        Centre->OnPrint = VyrPrintVarLists;
        return Centre;
    });
    SetOverviewFormCreator([](TComponent* Owner) { return new TPimOverview(Owner); });
    SetDiagnosticFormCreator([](TComponent* Owner) { return new TPimDiagForm(Owner); });
    SetPimDropLabelsFactory([](TComponent* Owner) { return new TPimDropLabels(Owner); });
}

void resetDesignPackage() {
    GPackageInstalled = false;
    ResetDesignRegistry();
    TVyrPage::SetDesignerModifiedHook(nullptr);
    ResetVyrDesignCreate();
    ResetPimDropLabelsFactory();
    SetDataControlCreator(nullptr);
    SetOverviewFormCreator(nullptr);
    SetDiagnosticFormCreator(nullptr);
}

// TVyrGrouppageEditor

TVyrGrouppageEditor::TVyrGrouppageEditor(TComponent* AComponent, IDesigner* ADesigner)
    : TComponentEditor(AComponent, ADesigner) {
    auto* Page = dynamic_cast<TVyrGrouppage*>(AComponent);
    if (!Page || Page->PageManager()) return;
    FFirst = true;
    auto* Manager = new TVyrPageManager(Application());
    Page->SetPageManager(Manager);
    Manager->SetPage(Page);
    Manager->Hide();
    Manager->SetPageDesigner(ADesigner);
}

void TVyrGrouppageEditor::Edit() {
    auto* Page = dynamic_cast<TVyrGrouppage*>(Component());
    auto* Manager = Page ? dynamic_cast<TVyrPageManager*>(Page->PageManager()) : nullptr;
    if (!Manager) return;
    Manager->SetPageDesigner(Designer());
    if (FFirst)
        FFirst = false;
    else
        Manager->Show();
}

void TVyrGrouppageEditor::ExecuteVerb(int Index) {
    if (Index == 0) Edit();
}

QString TVyrGrouppageEditor::GetVerb(int Index) {
    return Index == 0 ? QStringLiteral("Page Manager") : QString();
}

int TVyrGrouppageEditor::GetVerbCount() {
    return 1;
}

// TVyrVarProperty

TVyrPage* TVyrVarProperty::GetPage() {
    return PageOf(GetComponent(0), puVariables);
}

QString TVyrVarProperty::GetValue() {
    return NameOf(GetComponentReference());
}

void TVyrVarProperty::SetDataLists() {
    TVyrPage* Page = GetPage();
    Page->FullDSList()->Clear();
    Page->FullDSNames()->Clear();
    if (!Designer()) return;
    Designer()->GetComponentNames<TDataSource>([&](const QString& Name) { AddDataLists(Name); });
}

void TVyrVarProperty::AddDataLists(const QString& Name) {
    VyrAddDataLists(GetPage(), Designer(), Name);
}

void TVyrVarProperty::GetValues(const TGetStrProc& Proc) {
    SetDataLists();
    TVyrPage* Page = GetPage();
    // The lists were just filled here; the page must not empty them again.
    Page->SetLetUpdateDataList(false);
    try {
        Page->UpdateVarList();
    } catch (...) {
        Page->SetLetUpdateDataList(true);
        throw;
    }
    Page->SetLetUpdateDataList(true);
    for (TVyrVar* Var : VarsOf(Page))
        if (!dynamic_cast<TVyrTotalvar*>(Var)) Proc(Var->Name());
}

void TVyrVarProperty::SetValue(const QString& Value) {
    if (Value.isEmpty()) {
        SetComponentReference(nullptr);
        return;
    }
    TVyrVar* Found = nullptr;
    for (TVyrVar* Var : VarsOf(GetPage()))
        if (SameName(Var->Name(), Value)) {
            if (dynamic_cast<TVyrTotalvar*>(Var))
                throw Exception(QStringLiteral("You cannot assign a Total Variable to a Variable Property"));
            Found = Var;
        }
    if (!Found) InvalidProperty();
    SetComponentReference(Found);
}

// TVyrTotalVarProperty

QString TVyrTotalVarProperty::GetValue() {
    return NameOf(GetComponentReference());
}

void TVyrTotalVarProperty::GetValues(const TGetStrProc& Proc) {
    TVyrPage* Page = PageOf(GetComponent(0), puVariables);
    Page->UpdateVarList();
    for (TVyrVar* Var : VarsOf(Page))
        if (dynamic_cast<TVyrTotalvar*>(Var)) Proc(Var->Name());
}

void TVyrTotalVarProperty::SetValue(const QString& Value) {
    if (Value.isEmpty()) {
        SetComponentReference(nullptr);
        return;
    }
    TVyrVar* Found = nullptr;
    for (TVyrVar* Var : VarsOf(PageOf(GetComponent(0), puVariables)))
        if (SameName(Var->Name(), Value)) {
            if (!dynamic_cast<TVyrTotalvar*>(Var))
                throw Exception(QStringLiteral("You must assign a Total Variable."));
            Found = Var;
        }
    if (!Found) InvalidProperty();
    SetComponentReference(Found);
}

// TVyrLevelProperty and TVyrTotalLevelProperty

QString TVyrLevelProperty::GetValue() {
    return NameOf(GetComponentReference());
}

bool TVyrLevelProperty::Offers(const TComponent* Level) const {
    return dynamic_cast<const TVyrLevel*>(Level) != nullptr;
}

bool TVyrTotalLevelProperty::Offers(const TComponent* Level) const {
    const auto* L = dynamic_cast<const TVyrLevel*>(Level);
    return L && !L->IsHeader();
}

void TVyrLevelProperty::GetValues(const TGetStrProc& Proc) {
    TVyrPage* Page = PageOf(GetComponent(0), puLevels);
    TComponent* Root = Designer() ? Designer()->GetRoot() : nullptr;
    if (!Root) return;
    for (int i = 0; i < Root->ComponentCount(); ++i) {
        auto* Level = dynamic_cast<TVyrLevel*>(Root->Components(i));
        if (Level && Offers(Level) && !Level->Name().isEmpty() && Level->GetPage() == Page)
            Proc(Level->Name());
    }
}

void TVyrLevelProperty::SetValue(const QString& Value) {
    if (Value.isEmpty()) {
        SetComponentReference(nullptr);
        return;
    }
    TVyrPage* Page = PageOf(GetComponent(0), puLevels);
    TVyrLevel* Found = nullptr;
    if (TComponent* Root = Designer() ? Designer()->GetRoot() : nullptr)
        for (int i = 0; i < Root->ComponentCount(); ++i) {
            auto* Level = dynamic_cast<TVyrLevel*>(Root->Components(i));
            if (Level && Offers(Level) && Level->GetPage() == Page && SameName(Level->Name(), Value))
                Found = Level;
        }
    if (!Found) InvalidProperty();
    SetComponentReference(Found);
}

// TVyrDataSetProperty

QString TVyrDataSetProperty::GetValue() {
    return NameOf(GetComponentReference());
}

void TVyrDataSetProperty::GetValues(const TGetStrProc&) {
    Application()->MessageBox(
        QStringLiteral("Dataset is no longer being supported, use the DataSource property instead"),
        Application()->Title(), MB_OK);
}

void TVyrDataSetProperty::SetValue(const QString& Value) {
    if (Value.isEmpty()) SetComponentReference(nullptr);
}

// TVyrReserveBandProperty

TVyrPage* TVyrReserveBandProperty::GetPage() {
    auto* Space = dynamic_cast<TVyrReserveSpace*>(GetComponent(0));
    TVyrBand* Band = Space ? Space->Owner() : nullptr;
    // A band that lies on no page has no bands to offer: refused plainly instead of read as a page.
    auto* Page = Band ? dynamic_cast<TVyrPage*>(Band->Parent()) : nullptr;
    if (!Page) throw EInvalidCast();
    return Page;
}

QString TVyrReserveBandProperty::GetValue() {
    return NameOf(GetComponentReference());
}

void TVyrReserveBandProperty::GetValues(const TGetStrProc& Proc) {
    TVyrPage* Page = GetPage();
    TComponent* Root = Designer() ? Designer()->GetRoot() : nullptr;
    if (!Root) return;
    for (int i = 0; i < Root->ComponentCount(); ++i) {
        auto* Band = dynamic_cast<TVyrBand*>(Root->Components(i));
        if (Band && !Band->Name().isEmpty() && Band->Parent() == Page) Proc(Band->Name());
    }
}

void TVyrReserveBandProperty::SetValue(const QString& Value) {
    if (Value.isEmpty()) {
        SetComponentReference(nullptr);
        return;
    }
    TVyrPage* Page = GetPage();
    if (TComponent* Root = Designer() ? Designer()->GetRoot() : nullptr)
        for (int i = 0; i < Root->ComponentCount(); ++i) {
            auto* Band = dynamic_cast<TVyrBand*>(Root->Components(i));
            if (Band && Band->Parent() == Page && SameName(Band->Name(), Value)) {
                SetComponentReference(Band);
                return;
            }
        }
    InvalidProperty();
}

// Read-only class properties

TPropertyAttributes TVyrReadOnlySubProperty::GetAttributes() {
    return paSubProperties | paReadOnly;
}

TPropertyAttributes TVyrDataSourceDSGProperty::GetAttributes() {
    return paSubProperties | paReadOnly;
}

QString TVyrDataSourceDSGProperty::GetValue() {
    return TClassProperty::GetValue();
}
