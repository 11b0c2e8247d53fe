#pragma once
#include "host/controls.h"
#include "host/forms.h"
#include "output/PimFile.h"
#include "output/PimTypes.h"

#include <QImage>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

class QAbstractScrollArea;
class QPainter;
class QWidget;
class TPimPreviewArea;
class TPimPrinterSetup;
class TStream;

// A windowless surface that only hands its painting to a handler and its mouse to its control's
// events: the preview lays two of them out, one the size of the zoomed page, one over the client.
class TPimPaintBox : public TGraphicControl {
public:
    explicit TPimPaintBox(TComponent* AOwner);
    ~TPimPaintBox() override;

    void Paint() override;

    std::function<void(TComponent* Sender)> OnPaint;
};

// Called by the printer of a print run before every page, once at its start and once at its end.
using TPimPrintStatusEvent = std::function<void(TPimPrinter* Sender)>;

// Shows one page of a recorded document at a zoom in a Qt scroll area, pages through it and prints a
// page range of it. The page is played afresh on every paint into an off-screen image the size of the
// client area, which then goes to the window in one piece, so nothing flickers.
//
// The scroll area is made with the preview; Widget() gives it to a window that places it in a layout.
// The preview deletes it when freed; a window that frees it first leaves the preview without one.
class TPimPreview : public TScrollBox {
public:
    explicit TPimPreview(TComponent* AOwner);
    ~TPimPreview() override;
    void BeforeDestruction() override;

    // The scroll area and its viewport, where the page is painted; nullptr once Qt freed them.
    QWidget* Widget() const;
    QWidget* Viewport() const;

    // Loading shows page 1, also when page 1 was shown before.
    void LoadFromFile(const QString& FileName);
    void LoadFromStream(TStream& Stream);
    // Takes the document object itself, shared with whoever else holds it; nothing for nullptr.
    void LoadFromPimFile(std::shared_ptr<TPimPimFile> PimFile);
    void SaveToFile(const QString& FileName);
    void SaveToStream(TStream& Stream);

    void NextPage();
    void PriorPage();
    void FirstPage();
    void LastPage();
    // The printer settings recorded at the start of the page shown become the preview's; when that
    // page records some, they go to the printer too.
    void LoadCurrentAPS();
    // The paint box takes the size of the zoomed paper; nothing while printing or without a document.
    void SizePage();
    // Fit zooms: the paper's width, length or the whole paper in the control, never below 1 %.
    void ZoomWidth();
    void ZoomHeight();
    void ZoomPage();

    void SendPageToPrinter();
    // Prints pages StartPage to EndPage; 0 or less for StartPage is the first page, for EndPage the
    // last. Raises "Printing in progress." while a run of this preview goes on; an error of the printer
    // passes on after Printing, the preview and PrintStatus are put back.
    void SendPagesToPrinter(int StartPage, int EndPage);

    // A single border marks the preview a window acts on; none leaves the page alone.
    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle Value);

    // Moves the view without the scroll events, as a window keeping two previews in step does. Each
    // position is brought into its scroll range.
    void ScrollTo(int X, int Y);

    TPimPrinterSetup* PimPrinterSetup() const { return FPimPrinterSetup.get(); }
    // Copies Value into the preview's own setup.
    void SetPimPrinterSetup(const TPimPrinterSetup* Value);
    TPimFiler* Filer() const { return FFiler.get(); }
    // The document shown, or nullptr.
    std::shared_ptr<TPimPimFile> PimFile() const;
    TPimDeviceContext* PimDC() const { return FPimDC.get(); }
    TPimPaintBox* PaintBox() const { return FPaintBox; }
    TPimPaintBox* PaintBox2() const { return FPaintBox2; }
    int Page() const { return FPage; }
    // Shows page Value; a page outside 1 .. PageCount is ignored.
    virtual void SetPage(int Value);
    int PageCount() const;
    int Zoom() const { return FZoom; }
    // Percent, 1 or more; a document held is scaled and the page sized at once.
    void SetZoom(int Value);
    TPimZoom PimZoom() const { return FPimZoom; }
    void SetPimZoom(TPimZoom Value);
    // The document's percent done, 0 without a document.
    double LoadPercent() const;
    // The document's description: empty without a document, where setting it does nothing.
    QString Description() const;
    void SetDescription(const QString& Value);
    bool IgnorePrinterSettings() const { return FIgnorePrinterSettings; }
    void SetIgnorePrinterSettings(bool Value) { FIgnorePrinterSettings = Value; }
    bool Printing() const { return FPrinting; }
    // The printer of the print run going on, else nullptr.
    TPimPrinter* PimPrinter() const { return FPimPrinter; }
    const TPimPrintStatusEvent& PrintStatus() const { return FPrintStatus; }
    // Handed to the printer of the next print run only; cleared when that run ends.
    void SetPrintStatus(TPimPrintStatusEvent Value) { FPrintStatus = std::move(Value); }
    bool Painting() const { return FPainting; }
    // The off-screen image of the last paint: the client area with the page played into it.
    const QImage& PaintImage() const { return FPaintImage; }

    // Fired after the view scrolled by a scroll message or by the user, not by ScrollTo.
    std::function<void(TComponent* Sender)> OnVertScroll;
    std::function<void(TComponent* Sender)> OnHorzScroll;

    // Own operations that the paint boxes' events and the painting go through.
    virtual void ClickedMe(TComponent* Sender);
    virtual void DblClickedMe(TComponent* Sender);
    virtual void PrevMouseDown(TComponent* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void PrevMouseMove(TComponent* Sender, TShiftState Shift, int X, int Y);
    virtual void PrevMouseUp(TComponent* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    // Plays the page into the off-screen image and, inside a paint of the viewport, copies it there.
    virtual void PaintPage(TComponent* Sender);

    // WM_HSCROLL and WM_VSCROLL (SB_ request in the low word, position in the high word),
    // WM_ERASEBKGND (WParam: the DeviceContext* to erase), WM_SIZE and WM_GETDLGCODE.
    void WndProc(TMessage& Message) override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    QRect ClientRect() const override;
    void Invalidate() override;
    void SetVisible(bool Value) override;

private:
    friend class TPimPreviewArea;

    TPimPaintBox* MakePaintBox();
    void TakeDocument();
    TPimPimFile* Document() const;
    int ScreenPPI() const;
    // A fit zoom from a length of the control and of the paper; 1 when either is 0.
    int FitZoom(int ControlPixels, double PaperInches) const;
    bool FitZoomed() const { return FPimZoom == azWidth || FPimZoom == azHeight || FPimZoom == azPage; }
    void UpdateScrollBars();
    void SetScrollPosition(bool Horizontal, int Value);
    void DropArea();
    void Scroll(TMessage& Message, bool Horizontal);
    void EraseBackground(TMessage& Message);
    // The Qt side's news: the area was resized, scrolled, painted or clicked.
    void AreaResized(int AWidth, int AHeight);
    void AreaScrolled(bool Horizontal);
    void AreaPaint(QPainter& Painter);

    std::unique_ptr<TPimPrinterSetup> FPimPrinterSetup;
    std::unique_ptr<TPimFiler> FFiler;
    TPimPaintBox* FPaintBox = nullptr; // owned as components of the preview
    TPimPaintBox* FPaintBox2 = nullptr;
    std::unique_ptr<TPimDeviceContext> FPimDC;
    int FPage = 1;
    int FZoom = 100;
    TPimZoom FPimZoom = az100;
    bool FIgnorePrinterSettings = false;
    bool FPrinting = false;
    TPimPrinter* FPimPrinter = nullptr; // lives for one print run
    TPimPrintStatusEvent FPrintStatus;
    bool FPainting = false;

    QPointer<TPimPreviewArea> FArea; // deleted with the preview unless Qt freed it first
    QImage FPaintImage;
    QPainter* FWindowPainter = nullptr; // the viewport's painter while a paint event runs
    bool FSyncingBounds = false;
    bool FQuietScroll = false;
    bool FUpdatingScrollBars = false;
    TFormBorderStyle FBorderStyle = bsSingle;
};
