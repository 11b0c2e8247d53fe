#include "report/VyrRep.h"
#include "host/dialogs.h"
#include "host/forms.h"
#include "host/properties.h"
#include "host/resstrings.h"
#include "host/storedforms.h"
#include "host/streams.h"
#include "report/PimPage.h"
#include "report/VyrUtil.h"

#include <array>

namespace {

// The alignments the design box can have; another stored name leaves it as it is.
const std::array<const char16_t*, 6> SAlignNames = {u"alNone", u"alTop",   u"alBottom",
                                                    u"alLeft", u"alRight", u"alClient"};

} // namespace

TVyrRptDsgn::~TVyrRptDsgn() = default;

// TVyrReport

TVyrReport::TVyrReport(TComponent* AOwner) : TScrollBox(AOwner) {
    // The box's first size is not the size it is restored to.
    TScrollBox::SetBounds(Left(), Top(), 400, 200);
    if (HasState(csDesigning)) {
        HorzScrollBar().Visible = false;
        VertScrollBar().Visible = false;
    }
    FPixelsPerInch = Screen()->PixelsPerInch();
    TScrollBox::SetVisible(false);
}

TVyrReport::~TVyrReport() = default;

void TVyrReport::SetRepDesign(std::unique_ptr<TVyrRptDsgn> Value) {
    FRepDesign = std::move(Value);
}

void TVyrReport::SetPixelsPerInch(int Value) {
    if (Value == FPixelsPerInch) return;
    FPixelsPerInch = Value;
    Invalidate();
    if (FPage) FPage->Redraw();
    Redraw();
}

void TVyrReport::SetMinimized(bool Value) {
    FMinimized = Value;
    if (HasState(csLoading | csReading)) return;
    if (FRepDesign) FRepDesign->SetMinMax();
    if (Value) {
        FSLeft = Left();
        FSTop = Top();
        FSWidth = Width();
        FSHeight = Height();
        FSAlign = Align();
        SetAlign(alNone);
        TScrollBox::SetBounds(FMLeft, FMTop, 82, 44);
    } else {
        TScrollBox::SetBounds(FSLeft, FSTop, FSWidth, FSHeight);
        SetAlign(FSAlign);
    }
    HorzScrollBar().Visible = false;
    VertScrollBar().Visible = false;
    if (FPage) FPage->DesignerModified();
    PositionButtons();
}

void TVyrReport::InsertPage(TVyrPage* APage) {
    AddToList(FPages, APage);
    APage->SetReport(this);
    FPage = APage;
}

void TVyrReport::RemovePage(TVyrPage* APage) {
    RemoveFromList(FPages, APage);
    if (FPage == APage) FPage = nullptr;
    if (APage && APage->Report() == this) APage->SetReport(nullptr);
}

TVyrGrouppage* TVyrReport::ToolAddPage(TComponent*) {
    auto* NewPage = new TVyrGrouppage(Owner());
    NewPage->SetParent(this);
    VyrAutoSetComponentName(NewPage, QStringLiteral("ReportPage"), false);
    NewPage->SetCaption(QStringLiteral(" "));
    NewPage->SetOrder(FPages ? static_cast<int>(FPages->size()) : 0);
    return NewPage;
}

void TVyrReport::PositionButtons() {
    if (FPimDestroying || HasState(csDestroying)) return;
    if (FPage) FPage->SetBounds(0, 0, 0, 0);
    if (!HasState(csDesigning)) return;
    if (FRepDesign) FRepDesign->RepositionButtons();
    HorzScrollBar().Visible = false;
    VertScrollBar().Visible = false;
}

void TVyrReport::Redraw() {
    if (HasState(csDesigning)) Invalidate();
}

bool TVyrReport::GetAllowDelete() const {
    return !HasState(csDesigning) || VyrFormGoing(this) || !Parent();
}

void TVyrReport::SaveToFile(const QString& FileName) const {
    WriteComponentFile(FileName, Owner() ? Owner() : const_cast<TVyrReport*>(this));
}

TVyrReport* TVyrReport::LoadReport(const QString& FileName, TComponent* Owner) {
    ReadComponentFile(FileName, Owner);
    for (int i = 0; i < Owner->ComponentCount(); ++i)
        if (auto* R = dynamic_cast<TVyrReport*>(Owner->Components(i))) return R;
    return nullptr;
}

void TVyrReport::SetParent(TWinControl* AParent) {
    TScrollBox::SetParent(AParent);
    if (HasState(csDesigning) && AParent) PostMessage(this, WM_VYR_CREATEPAGE);
}

void TVyrReport::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    if (HasState(csLoading | csReading)) {
        TScrollBox::SetBounds(ALeft, ATop, AWidth, AHeight);
        return;
    }
    if (FMinimized) {
        TScrollBox::SetBounds(ALeft, ATop, 82, 44);
        FMLeft = ALeft;
        FMTop = ATop;
    } else {
        TScrollBox::SetBounds(ALeft, ATop, AWidth, AHeight);
        FSLeft = ALeft;
        FSTop = ATop;
        FSWidth = AWidth;
        FSHeight = AHeight;
    }
    PositionButtons();
}

void TVyrReport::Notification(TComponent* AComponent, TOperation Operation) {
    TScrollBox::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent && ListHas(FPages, AComponent))
        RemovePage(static_cast<TVyrPage*>(AComponent));
}

void TVyrReport::DefineProperties(TFiler* Filer) {
    TScrollBox::DefineProperties(Filer);
    struct TIntProp {
        const char16_t* Name;
        int TVyrReport::*Field;
    };
    static const TIntProp Ints[] = {
        {u"PixelsPerInch", &TVyrReport::FPixelsPerInch},
        {u"STop", &TVyrReport::FSTop},
        {u"SLeft", &TVyrReport::FSLeft},
        {u"SWidth", &TVyrReport::FSWidth},
        {u"SHeight", &TVyrReport::FSHeight},
        {u"MTop", &TVyrReport::FMTop},
        {u"MLeft", &TVyrReport::FMLeft},
    };
    for (const TIntProp& P : Ints) {
        auto Field = P.Field;
        Filer->DefineProperty(
            QString::fromUtf16(P.Name),
            [this, Field](const QVariant& Value) { this->*Field = Value.toInt(); },
            [this, Field] { return QVariant(this->*Field); }, true);
    }
    Filer->DefineProperty(
        QStringLiteral("SAlign"),
        [this](const QVariant& Value) {
            const QString Ident = IdentOf(Value);
            for (size_t i = 0; i < SAlignNames.size(); ++i)
                if (Ident.compare(QString::fromUtf16(SAlignNames[i]), Qt::CaseInsensitive) == 0)
                    FSAlign = static_cast<TAlign>(i);
        },
        [this] {
            return MakeIdent(
                QString::fromUtf16(FSAlign < SAlignNames.size() ? SAlignNames[FSAlign] : SAlignNames[0]));
        },
        true);
    Filer->DefineProperty(
        QStringLiteral("Version"),
        [this](const QVariant& Value) {
            if (IdentOf(Value).compare(QStringLiteral("vPim1_0"), Qt::CaseInsensitive) == 0)
                FVersion = vPIM1_0;
        },
        [] { return MakeIdent(QStringLiteral("vPim1_0")); }, true);
}

void TVyrReport::Loaded() {
    TScrollBox::Loaded();
    if (HasState(csDesigning)) {
        SetPixelsPerInch(Screen()->PixelsPerInch());
        if (FRepDesign) FRepDesign->SetMinMax();
        Invalidate();
    }
}

void TVyrReport::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_VYR_CREATEPAGE:
        if (!FPage) ToolAddPage(this);
        return;
    case CM_VISIBLECHANGED:
        // The box never shows at run time, whatever the form asks.
        if (TControl::Visible()) TScrollBox::SetVisible(false);
        return;
    default:
        TScrollBox::WndProc(Message);
    }
}

void TVyrReport::CheckDelete() {
    TScrollBox::CheckDelete();
    if (GetAllowDelete()) return;
    if (Application()->MessageBox(LoadStr(SDeleteReport), LoadStr(SDeleteCaption), MB_YESNO) != IDYES)
        Abort();
}

void TVyrReport::BeforeDestruction() {
    FPimDestroying = true;
    TScrollBox::BeforeDestruction();
}

// Published properties and classes of stored forms

namespace {

[[maybe_unused]] const bool Declared = [] {
    DeclareProperties<TVyrReport, TControl>()
        .Boolean("Prompt", &TVyrReport::Prompt, &TVyrReport::SetPrompt)
        .Default(true)
        .Boolean("AutoRun", &TVyrReport::AutoRun, &TVyrReport::SetAutoRun)
        .Default(false)
        .Boolean("Minimized", &TVyrReport::Minimized, &TVyrReport::SetMinimized)
        .Default(false)
        .Event("OnPromptPrint", &TVyrReport::OnPromptPrint)
        .Event("OnBeforePrint", &TVyrReport::OnBeforePrint)
        .Event("OnAfterPrint", &TVyrReport::OnAfterPrint)
        .Boolean("SuppressStatus", &TVyrReport::SuppressStatus, &TVyrReport::SetSuppressStatus)
        .Default(false);
    RegisterClasses<TVyrReport>();
    return true;
}();

} // namespace

TVyrOverrideEvent CustomPreview;

void ResetCustomHooks() {
    CustomPreview = nullptr;
}
