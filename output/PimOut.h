#pragma once
#include "host/devicecontext.h"
#include "host/graphics.h"
#include "output/PimUtil.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

class TComponent;
class TGraphic;
class TPrinter;
class TPimOutput;
class TPimPimFile;
class TPimPrinterSetup;
class TStream;

enum TPimDestination : uint8_t { adPrinter, adPimFile, adPreview, adNoWhere };

using TPimPrintOffsetEvent = std::function<void()>;

// Where printed pages are shifted on the paper, in 1/300 inch; the application may set them for
// each page from OnPrintOffset, which runs before every printer page is set up.
extern int32_t PrintOffsetX;
extern int32_t PrintOffsetY;
extern TPimPrintOffsetEvent OnPrintOffset;
// Puts the three back to how the process starts: 0, 0 and no event.
void PimResetPrintOffset();

// What a print job needs of the window that shows a document while it is generated. The viewer
// layer implements it and installs the factory; the window belongs to the application object.
class TPimJobViewer {
public:
    TPimJobViewer();
    virtual ~TPimJobViewer();
    virtual void SetGenerating(bool Value) = 0;
    virtual void SetPimFile(std::shared_ptr<TPimPimFile> Value) = 0;
    virtual void Show() = 0;
    // A page of the document was begun: the window shows the new page count.
    virtual void UpdatePage() {}

    // Expires when the window is closed or freed: a job holding a plain pointer to it checks this
    // before every call, since the user may close the window while the job runs.
    std::weak_ptr<void> Alive() const { return FAlive; }

protected:
    // The window was closed for good: the job must not call it any more.
    void Detach() { FAlive.reset(); }

private:
    std::shared_ptr<void> FAlive;
};

// Makes the viewer of a preview job with the given owner; nullptr means no viewer, in which case the
// job records its document and the caller takes it from PimFile.
using TPimViewerFactory = std::function<TPimJobViewer*(TComponent* Owner)>;
void SetPimViewerFactory(TPimViewerFactory Factory);
const TPimViewerFactory& PimViewerFactory();

// The one surface every label, band, bar code and picture draws on, in device pixels at
// PixelsPerInchX and PixelsPerInchY. Each call goes to the printer's device context, into the
// job's document as one record, or nowhere, by Destination.
class TPimCanvas {
public:
    TPimCanvas();
    ~TPimCanvas();
    TPimCanvas(const TPimCanvas&) = delete;
    TPimCanvas& operator=(const TPimCanvas&) = delete;

    TPimOutput* PimOutput() const { return FPimOutput; }
    void SetPimOutput(TPimOutput* Value) { FPimOutput = Value; }
    TFont& Font() { return *FFont; }
    void SetFont(const TFont& Value);
    TPen& Pen() { return *FPen; }
    void SetPen(const TPen& Value);
    TBrush& Brush() { return *FBrush; }
    void SetBrush(const TBrush& Value);
    const TLogFont& LogFont() const;
    void SetLogFont(const TLogFont& Value);
    const TLogPen& LogPen() const { return FLogPen; }
    void SetLogPen(const TLogPen& Value);
    const TLogBrush& LogBrush() const { return FLogBrush; }
    void SetLogBrush(const TLogBrush& Value);
    DeviceContext* Handle() const { return FHandle; }
    // Detaches the objects, leaves them holding the stock font, pen and brush and attaches Value.
    void SetHandle(DeviceContext* Value);
    TPimDestination Destination() const { return FDestination; }
    void SetDestination(TPimDestination Value) { FDestination = Value; }
    int PixelsPerInchX() const { return FPixelsPerInchX; }
    void SetPixelsPerInchX(int Value) { FPixelsPerInchX = Value; }
    int PixelsPerInchY() const { return FPixelsPerInchY; }
    void SetPixelsPerInchY(int Value);
    HFONT GetSelectFont();
    void SetSelectFont(HFONT Value);
    HPEN GetSelectPen();
    void SetSelectPen(HPEN Value);
    HBRUSH GetSelectBrush();
    void SetSelectBrush(HBRUSH Value);

    void FontChanged();
    void SetFontAngle(int Angle);
    void SetBkColor(int32_t bkColor);
    void SetTextAlign(uint16_t Flags);

    // The part of Text that can show when it is drawn at (x, y) with the alignment flags Align and
    // the current font and angle, clipped to Clip, or without one to the page. What is left out lies
    // wholly outside, with a margin, and what is kept lands where the whole text puts it, so a text
    // far longer than its box costs what the box holds. A centred text whose ends cannot be cut
    // evenly may have its anchor (x, y) moved to keep its middle in place.
    QString ShownText(int& x, int& y, uint16_t Align, const QString& Text, const TRect* Clip);

    void Textout(int x, int y, const QString& Text);
    void PTextOut(int x, int y, const char16_t* Text, int Count);
    void ExtTextout(int x, int y, uint16_t Options, const TRect& Rect, const char16_t* Text, int Count);
    void TextRect(const TRect& Rect, int x, int y, const QString& Text);
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void FillRect(const TRect& Rect);
    void Rectangle(int x1, int y1, int x2, int y2);
    void RoundRect(int x1, int y1, int x2, int y2, int x3, int y3);
    void Ellipse(int x1, int y1, int x2, int y2);
    void Draw(int x, int y, const TGraphic* Graphic);
    void StretchDraw(const TRect& Rect, const TGraphic* Graphic);
    void ShadeRect(const TRect& Rect, TPimShadePercent Shade);
    void TextJustify(const TRect& Rect, int x, int y, const QString& Text, bool EndParagraph,
                     const TRect& FullRect);
    void DrawBitmap(int X, int Y, TStream* Stream);
    void StretchDrawBitmap(const TRect& Rect, TStream* Stream);
    void RtfDraw(const TRect& Rect, TStream* Stream, int StartPos, int EndPos, bool SetDefFont);
    void DrawCheckBox(const TRect& Rect, TPimCheckStyle CheckStyle, TColor Color, int Thickness);
    void Arc(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4);
    void Chord(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4);
    void Pie(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4);
    void DrawShapeType(TPimDrawType dt, int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    void Polygon(const TPoint* Points, int Count);
    void Polyline(const TPoint* Points, int Count);
    void PolyDrawType(TPimPolyType pt, const TPoint* Points, int Count);
    void Print3of9Barcode(int Left, int Top, int Width, int Height, int NarrowWidth, int WideWidth,
                          bool Inches, bool Vertical, const QString& BarData);
    void Print2of5Barcode(int Left, int Top, int Width, int Height, int NarrowWidth, int WideWidth,
                          bool Inches, bool Vertical, const QString& BarData);

private:
    void UpdateFont();
    void FreshLogFont() const;
    // Nothing drawn goes anywhere: no printer's device context and no document recording.
    bool Silent() const;
    void UpdatePen();
    void UpdateBrush();
    void AttachEvents();
    void DetachEvents();
    bool Prints() const { return FDestination == adPrinter && FHandle; }
    // Where drawing can show without a clip of its own: the document's page, or what the device
    // context shows; false when that is not known.
    bool ShownArea(TRect& Area) const;
    // The job's document while the destination records; nullptr otherwise.
    TPimPimFile* Recorder() const;
    void ReleaseObject(HGDIOBJ& Cached, int Stock);
    void SetDrawColors();
    void PrintBarcode(bool ThreeOfNine, int Left, int Top, int Width, int Height, int NarrowWidth,
                      int WideWidth, bool Inches, bool Vertical, const QString& BarData);

    TPimOutput* FPimOutput = nullptr; // not owned
    std::unique_ptr<TFont> FFont;
    std::unique_ptr<TBrush> FBrush;
    std::unique_ptr<TPen> FPen;
    DeviceContext* FHandle = nullptr; // not owned
    TPimDestination FDestination = adPrinter;
    int FPixelsPerInchX = 96;
    int FPixelsPerInchY = 96;
    mutable TLogFont FLogFont;
    mutable bool FLogFontStale = false; // FLogFont is still to be made from FFont
    mutable bool FStaleAngle = false;   // ... and then turned to FStaleEscapement
    int FStaleEscapement = 0;
    TLogPen FLogPen;
    TLogBrush FLogBrush;
    HFONT FSelectFont = 0;
    HBRUSH FSelectBrush = 0;
    HPEN FSelectPen = 0;
    bool FQuiet = false; // the objects' changes are not passed on while the canvas assigns them
};

// One print job: opens, pages and closes it on the printer, into a document (to a file or shown by
// a viewer while it grows), or nowhere.
class TPimOutput {
public:
    TPimOutput();
    // A job laid out at the given resolution rather than the screen's.
    TPimOutput(int PixelsPerInchX, int PixelsPerInchY);
    ~TPimOutput();
    TPimOutput(const TPimOutput&) = delete;
    TPimOutput& operator=(const TPimOutput&) = delete;

    void BeginDoc();
    void StartPage();
    void EndPage();
    void NewPage();
    void EndDoc();
    void Abort();
    void FixupPage();

    const QString& ExceptionText() const { return FExceptionText; }
    TPimDestination Destination() const { return FDestination; }
    void SetDestination(TPimDestination Value);
    TPimCanvas* PimCanvas() const { return FPimCanvas.get(); }
    // The printer's device context for a printer job, else the job's own handle.
    DeviceContext* Handle() const;
    TPrinter* Printer() const { return FPrinter; }
    const QString& FileName() const { return FFileName; }
    void SetFileName(const QString& Value) { FFileName = Value; }
    const std::shared_ptr<TPimPimFile>& PimFile() const { return FPimFile; }
    void SetPimFile(std::shared_ptr<TPimPimFile> Value) { FPimFile = std::move(Value); }
    // The viewer of a preview job while it is open; nullptr once the user has closed it.
    TPimJobViewer* PimViewer() const { return FViewerAlive.expired() ? nullptr : FPimViewer; }
    int PixelsPerInchX() const { return FPixelsPerInchX; }
    int PixelsPerInchY() const { return FPixelsPerInchY; }
    TPimPrinterSetup* PimPrinterSetup() const { return FPimPrinterSetup.get(); }
    void SetPimPrinterSetup(const TPimPrinterSetup* Value);
    double LoadPercent() const { return FLoadPercent; }
    void SetLoadPercent(double Value) { FLoadPercent = float(Value); }
    const QString& Description() const { return FDescription; }
    void SetDescription(const QString& Value) { FDescription = Value; }
    bool CreateFile() const { return FCreateFile; }
    void SetCreateFile(bool Value) { FCreateFile = Value; }

private:
    void CloseDocument(bool Abandon);

    TPrinter* FPrinter = nullptr; // not owned
    TPimDestination FDestination = adPrinter;
    std::unique_ptr<TPimCanvas> FPimCanvas;
    DeviceContext* FHandle = nullptr;
    QString FFileName;
    std::shared_ptr<TPimPimFile> FPimFile;
    std::unique_ptr<TPimPrinterSetup> FPimPrinterSetup;
    int FPixelsPerInchX = 96;
    int FPixelsPerInchY = 96;
    float FLoadPercent = 0;
    TPimJobViewer* FPimViewer = nullptr; // not owned: the application owns the window
    std::weak_ptr<void> FViewerAlive;
    QString FDescription;
    bool FCreateFile = true;
    QString FExceptionText;
    // Whether the printer page is open for drawing: EndPage closes it, the next StartPage opens
    // the printer's next page.
    bool FPageOpen = false;
};
