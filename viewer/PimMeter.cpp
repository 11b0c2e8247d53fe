#include "viewer/PimMeter.h"

#include "host/formatting.h"
#include "host/mathutil.h"
#include "host/properties.h"

#include <QCoreApplication>
#include <QPainter>
#include <QResizeEvent>
#include <QWidget>

// The Qt side of a meter: paints what the meter draws, through an image of its size.
class TPimMeterWidget : public QWidget {
public:
    explicit TPimMeterWidget(TPimMeter* Meter) : FMeter(Meter) { setAttribute(Qt::WA_OpaquePaintEvent); }

    TPimMeter* FMeter;

protected:
    void paintEvent(QPaintEvent*) override {
        if (!FMeter || width() <= 0 || height() <= 0) return;
        QImage Image(size(), QImage::Format_RGB32);
        // What the meter leaves undrawn shows its parent's colour.
        const COLORREF Face = ColorToRGB(clBtnFace);
        Image.fill(QColor(GetRValue(Face), GetGValue(Face), GetBValue(Face)));
        {
            auto DC = DeviceContext::CreateForImage(&Image, logicalDpiX(), logicalDpiY());
            CallEventHandler(FMeter, [&] { FMeter->PaintTo(*DC); });
        }
        QPainter(this).drawImage(0, 0, Image);
    }

    void resizeEvent(QResizeEvent* Event) override {
        QWidget::resizeEvent(Event);
        if (FMeter &&
            (Event->size().width() != FMeter->Width() || Event->size().height() != FMeter->Height()))
            FMeter->SetBounds(FMeter->Left(), FMeter->Top(), Event->size().width(), Event->size().height());
    }
};

TPimMeter::TPimMeter(TComponent* AOwner) : TGraphicControl(AOwner) {
    SetBounds(0, 0, 100, 20);
    FWidget = new TPimMeterWidget(this);
    FWidget->resize(Width(), Height());
}

TPimMeter::~TPimMeter() {
    DropWidget();
}

void TPimMeter::BeforeDestruction() {
    DropWidget();
    TGraphicControl::BeforeDestruction();
}

void TPimMeter::DropWidget() {
    if (!FWidget) return;
    TPimMeterWidget* Widget = FWidget;
    FWidget = nullptr;
    Widget->FMeter = nullptr;
    delete Widget;
}

QWidget* TPimMeter::Widget() const {
    return FWidget;
}

template <typename T> void TPimMeter::Change(T& Field, T Value) {
    if (Field == Value) return;
    Field = Value;
    Invalidate();
}

void TPimMeter::SetMeterColor(TColor Value) {
    Change(FMeterColor, Value);
}

void TPimMeter::SetBackGroundColor(TColor Value) {
    Change(FBackGroundColor, Value);
}

void TPimMeter::SetBorderStyle(TFormBorderStyle Value) {
    Change(FBorderStyle, Value);
}

void TPimMeter::SetStyle(TPimMeterStyle Value) {
    Change(FStyle, Value);
}

void TPimMeter::SetMax(int Value) {
    Change(FMax, Value);
}

void TPimMeter::SetMin(int Value) {
    Change(FMin, Value);
}

void TPimMeter::SetProgress(int Value) {
    Change(FProgress, Value);
}

void TPimMeter::SetShowText(bool Value) {
    Change(FShowText, Value);
}

float TPimMeter::Fraction() const {
    if (FMin >= FProgress || FMin >= FMax) return 0;
    if (FProgress >= FMax) return 1;
    return float(double(FProgress) - FMin) / float(double(FMax) - FMin);
}

QString TPimMeter::PercentText() const {
    return FloatToStrF(double(Fraction()) * 100, ffNumber, 3, 1) + u'%';
}

void TPimMeter::Paint() {
    if (OnPaint) OnPaint(this);
    if (!FCanvas.HandleAllocated()) return;
    const float F = Fraction();
    FCanvas.SetFont(*Font());
    FCanvas.Brush().SetStyle(bsSolid);
    FCanvas.Brush().SetColor(FBackGroundColor);
    if (FBorderStyle == bsSingle)
        FCanvas.Rectangle(0, 0, Width(), Height());
    else
        FCanvas.FillRect(TRect{0, 0, Width(), Height()});
    // A bar too short to reach past the border is not drawn: its rectangle would run leftwards.
    const int BarRight = int(Round(double(Width()) * F)) - 1;
    if (FMin < FProgress && FStyle == msHorizontal && BarRight > 1) {
        FCanvas.Brush().SetColor(FMeterColor);
        FCanvas.FillRect(TRect{1, 1, BarRight, Height() - 1});
    }
    if (FShowText) {
        FCanvas.Handle()->SetTextAlign(TA_CENTER);
        FCanvas.Brush().SetStyle(bsClear);
        FCanvas.TextOut(Width() / 2, (FCanvas.Font().Height() + Height()) / 2, PercentText());
    }
}

void TPimMeter::PaintTo(DeviceContext& DC) {
    FCanvas.SetHandle(&DC);
    const uint32_t Align = DC.GetTextAlign();
    try {
        Paint();
    } catch (...) {
        DC.SetTextAlign(Align);
        FCanvas.SetHandle(nullptr);
        throw;
    }
    DC.SetTextAlign(Align);
    FCanvas.SetHandle(nullptr);
}

void TPimMeter::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    TGraphicControl::SetBounds(ALeft, ATop, AWidth, AHeight);
    if (FWidget && FWidget->size() != QSize(AWidth, AHeight)) FWidget->resize(AWidth, AHeight);
}

void TPimMeter::Invalidate() {
    TGraphicControl::Invalidate();
    if (FWidget && !HasState(csDestroying)) FWidget->update();
}

void TPimMeter::SetVisible(bool Value) {
    TGraphicControl::SetVisible(Value);
    if (FWidget) FWidget->setVisible(Value);
}

// Published properties and class of stored forms

namespace {

const TEnumInfo& BorderStyleNames() {
    static const TEnumInfo Names(QStringLiteral("TFormBorderStyle"),
                                 {QStringLiteral("bsNone"), QStringLiteral("bsSingle"), QStringLiteral("bsSizeable"),
                                  QStringLiteral("bsDialog"), QStringLiteral("bsToolWindow"),
                                  QStringLiteral("bsSizeToolWin")});
    return Names;
}

const TEnumInfo& MeterStyleNames() {
    static const TEnumInfo Names(QStringLiteral("TPimMeterStyle"), {QStringLiteral("msHorizontal")});
    return Names;
}

[[maybe_unused]] const bool Declared = [] {
    DeclareProperties<TPimMeter, TControl>()
        .Publish("Align")
        .Publish("Visible")
        .Color("MeterColor", &TPimMeter::MeterColor, &TPimMeter::SetMeterColor)
        .Default(clRed)
        .Color("BackGroundColor", &TPimMeter::BackGroundColor, &TPimMeter::SetBackGroundColor)
        .Default(clWhite)
        .Enumeration("BorderStyle", BorderStyleNames(), &TPimMeter::BorderStyle, &TPimMeter::SetBorderStyle)
        .Default(bsSingle)
        .Enumeration("Style", MeterStyleNames(), &TPimMeter::Style, &TPimMeter::SetStyle)
        .Default(msHorizontal)
        .Integer("Max", &TPimMeter::Max, &TPimMeter::SetMax)
        .Default(100)
        .Integer("Min", &TPimMeter::Min, &TPimMeter::SetMin)
        .Default(0)
        .Integer("Progress", &TPimMeter::Progress, &TPimMeter::SetProgress)
        .Default(0)
        .Boolean("ShowText", &TPimMeter::ShowText, &TPimMeter::SetShowText)
        .Default(true);
    RegisterClass<TPimMeter>();
    return true;
}();

} // namespace
