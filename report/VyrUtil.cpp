#include "report/VyrUtil.h"
#include "host/classes.h"
#include "host/forms.h"
#include "host/mathutil.h"
#include "report/PimPage.h"
#include "report/VyrRep.h"

namespace {

constexpr double MMPerInch = 25.4;
constexpr double CMPerInch = 2.54;

bool IsIdentStart(QChar c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_';
}

bool IsIdentChar(QChar c) { return IsIdentStart(c) || (c >= u'0' && c <= u'9'); }

} // namespace

TVyrUnitMaster::TVyrUnitMaster() = default;
TVyrUnitMaster::~TVyrUnitMaster() = default;

double TVyrUnitMaster::ToIn(double Value, TVyrUnits From) {
    switch (From) {
    case unitInches: return Value;
    case unitMiliMeters: return Value / MMPerInch;
    case unitCentiMeters: return Value / CMPerInch;
    }
    return 0;
}

double TVyrUnitMaster::ToMM(double Value, TVyrUnits From) {
    switch (From) {
    case unitInches: return Value * MMPerInch;
    case unitMiliMeters: return Value;
    case unitCentiMeters: return Value * 10;
    }
    return 0;
}

double TVyrUnitMaster::ToCM(double Value, TVyrUnits From) {
    switch (From) {
    case unitInches: return Value * CMPerInch;
    case unitMiliMeters: return Value / 10;
    case unitCentiMeters: return Value;
    }
    return 0;
}

double TVyrUnitMaster::InTo(double Value, TVyrUnits To) {
    switch (To) {
    case unitInches: return Value;
    case unitMiliMeters: return Value * MMPerInch;
    case unitCentiMeters: return Value * CMPerInch;
    }
    return 0;
}

double TVyrUnitMaster::MMTo(double Value, TVyrUnits To) {
    switch (To) {
    case unitInches: return Value / MMPerInch;
    case unitMiliMeters: return Value;
    case unitCentiMeters: return Value / 10;
    }
    return 0;
}

double TVyrUnitMaster::CMTo(double Value, TVyrUnits To) {
    switch (To) {
    case unitInches: return Value / CMPerInch;
    case unitMiliMeters: return Value * 10;
    case unitCentiMeters: return Value;
    }
    return 0;
}

double TVyrUnitMaster::UnitToUnit(double Value, TVyrUnits From, TVyrUnits To) {
    switch (From) {
    case unitInches: return InTo(Value, To);
    case unitMiliMeters: return MMTo(Value, To);
    case unitCentiMeters: return CMTo(Value, To);
    }
    return 0;
}

int VyrRulerOffset(const TVyrPage* Page) {
    return Page->BorderStyle() == bsSingle ? 2 : 0;
}

// TVyrRuler

TVyrRuler::TVyrRuler(TComponent* AOwner) : TCustomPanel(AOwner), FUm(std::make_unique<TVyrUnitMaster>()) {
    // A grey on which the white mark shows; on the lighter button face it could hardly be seen.
    SetColor(clSilver);
    SetBevelInner(bvLowered);
    SetBevelOuter(bvRaised);
    FPixelsPerInch = Screen()->PixelsPerInch();
}

TVyrRuler::~TVyrRuler() = default;

void TVyrRuler::UpdateHair(int Position) {
    // Painting draws the mark, so moving it is a repaint of the ruler.
    if (Position != FCrossHairPosition) {
        FCrossHairPosition = Position;
        Invalidate();
    } else if (FShowCrossHair)
        Invalidate();
}

void TVyrRuler::Paint() {
    if (!Canvas()->HandleAllocated()) return;
    TCustomPanel::Paint();
    // Without a resolution there is no scale to draw.
    if (FPixelsPerInch <= 0) return;
    PaintScale();
    PaintHair();
}

void TVyrRuler::PaintScale() {
    TCanvas* C = Canvas();
    double Step = FPixelsPerInch / FUm->InTo(1.0, FUnits);
    int Subdivisions = 8;
    if (FUnits == unitMiliMeters) {
        // One label every ten millimetres.
        Step *= 10;
        Subdivisions = 6;
    } else if (FUnits == unitCentiMeters)
        Subdivisions = 6;
    if (!(Step > 0)) return;
    C->Pen().SetColor(clBlack);
    C->Pen().SetWidth(1);
    C->Pen().SetStyle(psSolid);
    TFont Font;
    Font.SetName(QStringLiteral("Arial"));
    Font.SetSize(7);
    C->SetFont(Font);
    C->Brush().SetStyle(bsClear);
    const int W = Width();
    const int H = Height();
    auto Label = [this](int r) { return QString::number(FUnits == unitMiliMeters ? r * 10 : r); };
    auto TickEnd = [Subdivisions](int i, int Length) {
        if (i == 0) return 0;
        if (i == Subdivisions / 2) return Length / 2;
        return Length - Length / 4;
    };
    if (FVertical) {
        const int64_t N = Round((H + FStartPixels) / Step);
        for (int r = 0; r <= N; ++r) {
            C->TextOut(4, int(Round(r * Step + 3 + FStartPixels)), Label(r));
            for (int i = 0; i <= Subdivisions; ++i) {
                const int y = int(Round(r * Step + FStartPixels + Step * i / Subdivisions));
                C->MoveTo(W, y);
                C->LineTo(TickEnd(i, W), y);
            }
        }
    } else {
        const int64_t N = Round((std::abs(FStartPixels) + W) / Step);
        for (int r = 0; r <= N; ++r) {
            C->TextOut(int(Round(r * Step + 3 + FStartPixels)), 2, Label(r));
            for (int i = 0; i <= Subdivisions; ++i) {
                const int x = int(Round(r * Step + FStartPixels + Step * i / Subdivisions));
                C->MoveTo(x, H);
                C->LineTo(x, TickEnd(i, H));
            }
        }
    }
}

void TVyrRuler::PaintHair() {
    if (!FShowCrossHair) return;
    TCanvas* C = Canvas();
    C->Brush().SetStyle(bsSolid);
    C->Brush().SetColor(clWhite);
    if (FVertical)
        C->FillRect(Bounds(0, FCrossHairPosition, Width(), 1));
    else
        C->FillRect(Bounds(FCrossHairPosition + FStartPixels, 0, 1, Height()));
}

// TVyrRulerContainer

TVyrRulerContainer::TVyrRulerContainer(TComponent* AOwner) : TCustomPanel(AOwner) {
    SetColor(clSilver);
    SetBevelInner(bvLowered);
    SetBevelOuter(bvRaised);
    FPixelsPerInch = Screen()->PixelsPerInch();
}

TVyrRulerContainer::~TVyrRulerContainer() = default;

void TVyrRulerContainer::SetPixelsPerInch(int Value) {
    FPixelsPerInch = Value;
    for (TVyrRuler* R : FRulers)
        R->SetPixelsPerInch(Value);
}

void TVyrRulerContainer::SetUnits(TVyrUnits Value) {
    FUnits = Value;
    for (TVyrRuler* R : FRulers)
        R->SetUnits(Value);
}

TVyrPage* TVyrRulerContainer::GetPage() const {
    auto* Report = dynamic_cast<TVyrReport*>(Parent());
    if (!Report || !Report->Pages() || Report->Pages()->empty()) return nullptr;
    return Report->Pages()->front();
}

void TVyrRulerContainer::UpdateRulers() {
    TVyrPage* Page = GetPage();
    if (!Page || !Page->Bands()) return;
    const std::vector<TVyrBand*>& Bands = *Page->Bands();
    SetBounds(Page->Left() - Width(), Page->Top(), Width(), Page->Height());
    while (FRulers.size() < Bands.size()) {
        auto* R = new TVyrRuler(this);
        R->SetParent(this);
        R->SetPixelsPerInch(FPixelsPerInch);
        R->SetUnits(FUnits);
        FRulers.push_back(R);
    }
    while (FRulers.size() > Bands.size()) {
        TVyrRuler* R = FRulers.back();
        FRulers.pop_back();
        R->SetParent(nullptr);
        delete R;
    }
    const int Border = VyrRulerOffset(Page);
    for (size_t j = 0; j < Bands.size(); ++j) {
        TVyrRuler* R = FRulers[j];
        const TVyrBand* Band = Bands[j];
        R->SetVertical(true);
        const int Top = Band->Top() + Border;
        int H = Band->Height();
        const bool Inside = Top >= 0 && Top < Height();
        if (Inside && Top + H > Height() - 1) H = Height() - 1 - Top;
        R->SetBounds(0, Top, Width(), H);
        R->SetVisible(Inside);
        R->Invalidate();
    }
}

TVyrRuler* TVyrRulerContainer::RulerAtPosition(int Position) const {
    TVyrRuler* Found = nullptr;
    for (TVyrRuler* R : FRulers)
        if (R->Top() <= Position && Position <= R->Top() + R->Height()) Found = R;
    return Found;
}

void TVyrRulerContainer::UpdateHair(int Position) {
    // Positions are the page's, inside its frame; the rulers stand beside the page's outer edge,
    // where a band lies as much lower as the frame is wide.
    const TVyrPage* Page = GetPage();
    const int Border = Page ? VyrRulerOffset(Page) : 0;
    TVyrRuler* Old = RulerAtPosition(FCrossHairPosition + Border);
    TVyrRuler* New = RulerAtPosition(Position + Border);
    if (Old && Old != New) {
        Old->SetShowCrossHair(false);
        Old->UpdateHair(-1);
    }
    if (New) {
        New->SetShowCrossHair(true);
        New->UpdateHair(Position + Border - New->Top());
    }
    FCrossHairPosition = Position;
}

void TVyrRulerContainer::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomPanel::Notification(AComponent, Operation);
    if (Operation == opRemove)
        std::erase_if(FRulers,
                      [AComponent](TVyrRuler* R) { return static_cast<TComponent*>(R) == AComponent; });
}

QString VyrStripFirst(const QString& S) {
    if (S.size() > 4 && S.left(4).compare(QStringLiteral("TVYR"), Qt::CaseInsensitive) == 0) return S.mid(4);
    if (S.size() > 1 && (S[0] == u'T' || S[0] == u't')) return S.mid(1);
    return S;
}

QString VyrMakeValidIDent(const QString& S, bool Strip) {
    QString R = Strip ? VyrStripFirst(S) : S;
    for (qsizetype i = 0; i < R.size(); ++i)
        if (i == 0 ? !IsIdentStart(R[i]) : !IsIdentChar(R[i])) R[i] = u'_';
    return R;
}

bool VyrIsValidIdent(const QString& S) {
    if (S.isEmpty() || !IsIdentStart(S[0])) return false;
    for (QChar c : S)
        if (!IsIdentChar(c)) return false;
    return true;
}

namespace {

enum TNaming { nmAccepted, nmDuplicate, nmRefused };

TNaming TryName(TComponent* Component, const QString& Name) {
    try {
        Component->SetName(Name);
        return nmAccepted;
    } catch (const EDuplicateComponentName&) {
        return nmDuplicate;
    } catch (const EComponentError&) {
        return nmRefused;
    }
}

} // namespace

bool VyrSetComponentName(TComponent* Component, const QString& Name) {
    if (!Component || VyrEmpty(Name) || !VyrIsValidIdent(Name)) return false;
    return TryName(Component, Name) == nmAccepted;
}

bool VyrAutoSetComponentName(TComponent* Component, const QString& Base, bool Strip) {
    // A blank base would otherwise come back as a row of underscores.
    if (!Component || VyrEmpty(Base)) return false;
    const QString Name = VyrMakeValidIDent(Base, Strip);
    if (VyrEmpty(Name) || !VyrIsValidIdent(Name)) return false;
    // Only a clash is worth another number; any other refusal would refuse every number too. The
    // bound keeps an owner that calls every name a clash from holding the caller for ever.
    constexpr int MaxTries = 100000;
    for (int i = 0; i < MaxTries; ++i) {
        switch (TryName(Component, i == 0 ? Name : Name + QString::number(i))) {
        case nmAccepted: return true;
        case nmDuplicate: continue;
        case nmRefused: return false;
        }
    }
    return false;
}

bool VyrEmpty(const QString& S) {
    for (QChar c : S)
        if (c != u' ') return false;
    return true;
}

QString VyrRightTrim(const QString& S) {
    qsizetype n = S.size();
    while (n > 0 && S[n - 1] == u' ') --n;
    return S.left(n);
}
