#pragma once
#include "host/canvas.h"
#include "host/controls.h"
#include "host/forms.h"

#include <QPointer>
#include <functional>

class QWidget;
class TPimMeterWidget;

enum TPimMeterStyle : uint8_t { msHorizontal };

// A horizontal progress bar with its percentage written over it ("45.5%"). Every setter repaints only
// when the value changed.
class TPimMeter : public TGraphicControl {
public:
    explicit TPimMeter(TComponent* AOwner);
    ~TPimMeter() override;
    void BeforeDestruction() override;

    // The Qt widget that shows the meter, for a window's layout; nullptr once Qt freed it.
    QWidget* Widget() const;

    TColor MeterColor() const { return FMeterColor; }
    void SetMeterColor(TColor Value);
    TColor BackGroundColor() const { return FBackGroundColor; }
    void SetBackGroundColor(TColor Value);
    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle Value);
    TPimMeterStyle Style() const { return FStyle; }
    void SetStyle(TPimMeterStyle Value);
    int Max() const { return FMax; }
    void SetMax(int Value);
    int Min() const { return FMin; }
    void SetMin(int Value);
    int Progress() const { return FProgress; }
    void SetProgress(int Value);
    bool ShowText() const { return FShowText; }
    void SetShowText(bool Value);

    // The part of the range done, 0 to 1.
    float Fraction() const;
    // The text drawn over the bar.
    QString PercentText() const;

    // The canvas Paint draws on; its handle is set only while painting.
    TCanvas* Canvas() { return &FCanvas; }
    TCanvas* PaintCanvas() override { return &FCanvas; }
    void Paint() override;
    // Paints the meter into DC at (0, 0) in the control's size.
    void PaintTo(DeviceContext& DC);

    std::function<void(TComponent* Sender)> OnPaint;

    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void Invalidate() override;
    void SetVisible(bool Value) override;

private:
    template <typename T> void Change(T& Field, T Value);
    void DropWidget();

    TColor FMeterColor = clRed;
    TColor FBackGroundColor = clWhite;
    TFormBorderStyle FBorderStyle = bsSingle;
    TPimMeterStyle FStyle = msHorizontal;
    int FMax = 100;
    int FMin = 0;
    int FProgress = 0;
    bool FShowText = true;

    TCanvas FCanvas;
    QPointer<TPimMeterWidget> FWidget; // deleted with the meter unless Qt freed it first
};
