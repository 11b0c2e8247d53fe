#include "report/VyrVar.h"
#include "host/properties.h"
#include "report/PimPage.h"

namespace {

const TEnumInfo& VarIdNames() {
    static const TEnumInfo Names(QStringLiteral("TVyrVarId"),
                                 {QStringLiteral("vidAbstract"), QStringLiteral("vidDBVar"),
                                  QStringLiteral("vidExprVar"), QStringLiteral("vidTotalVar"),
                                  QStringLiteral("vidAutoDataVar"), QStringLiteral("vidDateTimeVar"),
                                  QStringLiteral("vidPageVar")});
    return Names;
}

TVyrPage* PageOf(const TControl* Control) {
    return dynamic_cast<TVyrPage*>(Control->Parent());
}

} // namespace

QString VyrVarIdName(TVyrVarId Id) {
    return VarIdNames().NameOf(Id);
}

TVyrVarId VyrVarIdFromName(const QString& Name) {
    return static_cast<TVyrVarId>(VarIdNames().ValueOf(Name));
}

// TVyrLevel

// One count for every page: what it counts is rare, and a total need only see that it moved.
uint64_t TVyrLevel::FLayout = 1;

TVyrLevel::TVyrLevel(TComponent* AOwner) : TControl(AOwner) {
    SetBounds(0, 0, 0, 0);
    TControl::SetVisible(false);
}

TVyrLevel::~TVyrLevel() = default;

TVyrPage* TVyrLevel::GetPage() const {
    return PageOf(this);
}

void TVyrLevel::SetParent(TWinControl* AParent) {
    if (AParent == Parent()) return;
    auto* NewPage = dynamic_cast<TVyrPage*>(AParent);
    if (AParent && !NewPage) Abort();
    // A level moved straight to another page leaves the old one first, so no page lists it twice.
    if (TVyrPage* Old = GetPage()) Old->RemoveLevel(this);
    if (NewPage) NewPage->InsertLevel(this);
    TControl::SetParent(AParent);
}

void TVyrLevel::DefineProperties(TFiler* Filer) {
    TControl::DefineProperties(Filer);
    Filer->DefineProperty(
        QStringLiteral("IsHeader"), [this](const QVariant& Value) { SetIsHeader(Value.toBool()); },
        [this] { return QVariant(FIsHeader); }, FIsHeader);
}

void TVyrLevel::BeforeDestruction() {
    if (TVyrPage* P = GetPage()) P->RemoveLevel(this);
    TControl::BeforeDestruction();
}

// TVyrVar

TVyrVar::TVyrVar(TComponent* AOwner) : TControl(AOwner) {
    SetBounds(0, 0, 0, 0);
    TControl::SetVisible(false);
}

TVyrVar::~TVyrVar() = default;

TVyrPage* TVyrVar::Page() const {
    return FPage.Of(this);
}

void TVyrVar::SetDataType(TVyrDataTypes Value) {
    if (Value == FDataType) return;
    FDataType = Value;
    Changed();
}

void TVyrVar::SetUpdateLevel(TVyrLevel* Value) {
    if (Value == FUpdateLevel) return;
    FUpdateLevel = Value;
    if (TVyrPage* P = Page()) P->LevelVarsChanged();
    if (Value) Value->FreeNotification(this);
    Changed();
}

void TVyrVar::Changed() {
    if (TVyrPage* P = Page()) P->VarChanged();
}

void TVyrVar::SetParent(TWinControl* AParent) {
    if (AParent == Parent()) return;
    // Any parent is accepted, but only a page keeps a register of its variables.
    if (TVyrPage* Old = Page()) Old->RemoveVar(this);
    if (auto* NewPage = dynamic_cast<TVyrPage*>(AParent)) NewPage->InsertVar(this);
    FPage.Forget();
    TControl::SetParent(AParent);
}

void TVyrVar::SetName(const QString& NewName) {
    TControl::SetName(NewName);
    if (TVyrPage* P = Page()) P->UpdatePageManager();
}

void TVyrVar::DefineProperties(TFiler* Filer) {
    TControl::DefineProperties(Filer);
    Filer->DefineProperty(
        QStringLiteral("AutoVar"), [this](const QVariant& Value) { FAutovar = Value.toBool(); },
        [this] { return QVariant(FAutovar); }, true);
    Filer->DefineProperty(
        QStringLiteral("ID"), [this](const QVariant& Value) { FId = VyrVarIdFromName(IdentOf(Value)); },
        [this] { return MakeIdent(VyrVarIdName(FId)); }, true);
}

void TVyrVar::Loaded() {
    TControl::Loaded();
    if (FUpdateLevel || !dynamic_cast<TVyrGrouppage*>(Parent())) return;
    TVyrPage* P = Page();
    if (P->Detail()) SetUpdateLevel(P->Detail()->UpdateLevel());
}

void TVyrVar::Notification(TComponent* AComponent, TOperation Operation) {
    TControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FUpdateLevel) {
        FUpdateLevel = nullptr;
        if (TVyrPage* P = Page()) P->LevelVarsChanged();
    }
}

void TVyrVar::BeforeDestruction() {
    if (TVyrPage* P = Page()) P->RemoveVar(this);
    TControl::BeforeDestruction();
}

// TVyrDBVar

TVyrDBVar::TVyrDBVar(TComponent* AOwner) : TVyrVar(AOwner), FDataLink(std::make_unique<TFieldDataLink>()) {
    FId = vidDBVar;
    FActive = false;
    FDataLink->OnActiveChange = [this](TFieldDataLink*) { ActiveChanged(); };
}

TVyrDBVar::~TVyrDBVar() {
    FDataLink->OnActiveChange = nullptr;
}

void TVyrDBVar::SetDataSource(TDataSource* Value) {
    FDataLink->SetDataSource(Value);
    if (Value) Value->FreeNotification(this);
}

void TVyrDBVar::SetDataField(const QString& Value) {
    FDataField = Value;
    FDataLink->SetFieldName(Value);
}

void TVyrDBVar::Notification(TComponent* AComponent, TOperation Operation) {
    TVyrVar::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent && AComponent == FDataLink->DataSource()) SetDataSource(nullptr);
}

// TVyrExprVar

TVyrExprVar::TVyrExprVar(TComponent* AOwner) : TVyrVar(AOwner) {
    FId = vidExprVar;
    FActive = !HasState(csDesigning);
}

// TVyrDateTimeVar

TVyrDateTimeVar::TVyrDateTimeVar(TComponent* AOwner) : TVyrVar(AOwner) {
    FId = vidDateTimeVar;
    FDataType = dtypeDateTime;
}

void TVyrDateTimeVar::Loaded() {
    TVyrPage* P = dynamic_cast<TVyrGrouppage*>(Parent());
    if (!FUpdateLevel && P && P->Head()) SetUpdateLevel(P->Head()->UpdateLevel());
    TVyrVar::Loaded();
}

// TVyrPageVar

TVyrPageVar::TVyrPageVar(TComponent* AOwner) : TVyrVar(AOwner) {
    FId = vidPageVar;
    FDataType = dtypeInteger;
}

void TVyrPageVar::Loaded() {
    TVyrPage* P = dynamic_cast<TVyrGrouppage*>(Parent());
    if (!FUpdateLevel && P && P->PageHead()) SetUpdateLevel(P->PageHead()->UpdateLevel());
    TVyrVar::Loaded();
}

// TVyrTotalvar

TVyrTotalvar::TVyrTotalvar(TComponent* AOwner) : TVyrVar(AOwner) {
    FId = vidTotalVar;
}

TVyrTotalvar::~TVyrTotalvar() = default;

void TVyrTotalvar::SetVariable(TVyrVar* Value) {
    if (Value == FVariable) return;
    FVariable = Value;
    if (Value) Value->FreeNotification(this);
    Changed();
}

void TVyrTotalvar::Notification(TComponent* AComponent, TOperation Operation) {
    TVyrVar::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FVariable) FVariable = nullptr;
}

// Published properties and classes of stored forms

namespace {

const TEnumInfo& DataTypeNames() {
    static const TEnumInfo Names(QStringLiteral("TVyrDataTypes"),
                                 {QStringLiteral("dtypeUnknown"), QStringLiteral("dtypeString"),
                                  QStringLiteral("dtypeFloat"), QStringLiteral("dtypeInteger"),
                                  QStringLiteral("dtypeBoolean"), QStringLiteral("dtypeDateTime"),
                                  QStringLiteral("dtypeBlob"), QStringLiteral("dtypeMemo"),
                                  QStringLiteral("dtypeGraphic"), QStringLiteral("dtypeCurrency")});
    return Names;
}

[[maybe_unused]] const bool Declared = [] {
    DeclareProperties<TVyrLevel, TControl>();
    DeclareProperties<TVyrVar, TControl>();
    DeclareProperties<TVyrDBVar, TVyrVar>()
        .String("DataField", &TVyrDBVar::DataField, &TVyrDBVar::SetDataField)
        .Default(QString())
        .Reference("DataSource", &TVyrDBVar::DataSource, &TVyrDBVar::SetDataSource)
        .Reference("UpdateLevel", &TVyrVar::UpdateLevel, &TVyrVar::SetUpdateLevel);
    DeclareProperties<TVyrExprVar, TVyrVar>()
        .Enumeration("DataType", DataTypeNames(), &TVyrVar::DataType, &TVyrVar::SetDataType)
        .Event("OnGetData", &TVyrExprVar::OnGetData)
        .Reference("UpdateLevel", &TVyrVar::UpdateLevel, &TVyrVar::SetUpdateLevel);
    DeclareProperties<TVyrDateTimeVar, TVyrVar>().Reference("UpdateLevel", &TVyrVar::UpdateLevel,
                                                            &TVyrVar::SetUpdateLevel);
    DeclareProperties<TVyrPageVar, TVyrVar>().Reference("UpdateLevel", &TVyrVar::UpdateLevel,
                                                        &TVyrVar::SetUpdateLevel);
    DeclareProperties<TVyrTotalvar, TVyrVar>()
        .Reference("Variable", &TVyrTotalvar::Variable, &TVyrTotalvar::SetVariable)
        .Reference("UpdateLevel", &TVyrVar::UpdateLevel, &TVyrVar::SetUpdateLevel)
        .Boolean("IgnoreNulls", &TVyrTotalvar::IgnoreNulls, &TVyrTotalvar::SetIgnoreNulls)
        .Default(false);
    RegisterClasses<TVyrLevel, TVyrVar, TVyrDBVar, TVyrExprVar, TVyrDateTimeVar, TVyrPageVar, TVyrTotalvar>();
    return true;
}();

} // namespace
