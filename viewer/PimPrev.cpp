#include "viewer/PimPrev.h"

#include "host/devicecontext.h"
#include "host/forms.h"
#include "host/mathutil.h"
#include "host/properties.h"
#include "host/messages.h"
#include "host/printers.h"
#include "output/PimSetup.h"
#include "output/PimUtil.h"

#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <algorithm>
#include <climits>
#include <cmath>

// The Qt side of a preview: a scroll area whose viewport shows what the preview paints and whose
// events go back to the preview while it is alive.
class TPimPreviewArea : public QAbstractScrollArea {
public:
    explicit TPimPreviewArea(TPimPreview* Preview) : FPreview(Preview) {
        viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
        viewport()->setAutoFillBackground(false);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        setFocusPolicy(Qt::StrongFocus);
    }

    TPimPreview* FPreview;

protected:
    bool viewportEvent(QEvent* Event) override {
        if (Event->type() == QEvent::Resize && FPreview) FPreview->UpdateScrollBars();
        return QAbstractScrollArea::viewportEvent(Event);
    }

    void resizeEvent(QResizeEvent* Event) override {
        QAbstractScrollArea::resizeEvent(Event);
        // The viewport's resizes arrive here too: the area's own size is what the preview takes.
        if (FPreview) FPreview->AreaResized(width(), height());
    }

    void scrollContentsBy(int DX, int DY) override {
        if (!FPreview) return;
        if (DX) FPreview->AreaScrolled(true);
        if (DY) FPreview->AreaScrolled(false);
    }

    void paintEvent(QPaintEvent*) override {
        QPainter Painter(viewport());
        if (FPreview) FPreview->AreaPaint(Painter);
    }

    void mousePressEvent(QMouseEvent* Event) override {
        if (!FPreview) return;
        FPressed = Event->button() == Qt::LeftButton;
        Forward([&](TPimPaintBox* Box, TShiftState Shift,
                    QPoint At) { Box->MouseDown(ButtonOf(Event->button()), Shift, At.x(), At.y()); },
                Event);
    }

    void mouseMoveEvent(QMouseEvent* Event) override {
        if (!FPreview) return;
        Forward(
            [&](TPimPaintBox* Box, TShiftState Shift, QPoint At) { Box->MouseMove(Shift, At.x(), At.y()); },
            Event);
    }

    void mouseReleaseEvent(QMouseEvent* Event) override {
        if (!FPreview) return;
        // A click is a left press and release on the page, as the platform's controls count it.
        const bool Clicked = FPressed && Event->button() == Qt::LeftButton &&
                             viewport()->rect().contains(Event->position().toPoint());
        FPressed = false;
        Forward(
            [&](TPimPaintBox* Box, TShiftState Shift, QPoint At) {
                if (Clicked) Box->Click();
                Box->MouseUp(ButtonOf(Event->button()), Shift, At.x(), At.y());
            },
            Event);
    }

    void mouseDoubleClickEvent(QMouseEvent* Event) override {
        if (!FPreview) return;
        FPressed = false;
        Forward(
            [&](TPimPaintBox* Box, TShiftState Shift, QPoint At) {
                if (Event->button() == Qt::LeftButton) Box->DblClick();
                Box->MouseDown(ButtonOf(Event->button()), TShiftState(Shift | ssDouble), At.x(), At.y());
            },
            Event);
    }

private:
    static TMouseButton ButtonOf(Qt::MouseButton Button) {
        switch (Button) {
        case Qt::RightButton:
            return mbRight;
        case Qt::MiddleButton:
            return mbMiddle;
        default:
            return mbLeft;
        }
    }

    static TShiftState ShiftOf(const QMouseEvent* Event) {
        TShiftState Shift = 0;
        const Qt::KeyboardModifiers Keys = Event->modifiers();
        if (Keys & Qt::ShiftModifier) Shift |= ssShift;
        if (Keys & Qt::AltModifier) Shift |= ssAlt;
        if (Keys & Qt::ControlModifier) Shift |= ssCtrl;
        const Qt::MouseButtons Buttons = Event->buttons();
        if (Buttons & Qt::LeftButton) Shift |= ssLeft;
        if (Buttons & Qt::RightButton) Shift |= ssRight;
        if (Buttons & Qt::MiddleButton) Shift |= ssMiddle;
        return Shift;
    }

    // The client-wide paint box lies over the page, so it is the one that takes the mouse; a handler
    // that raises goes to the application's handler, never through Qt.
    template <class F> void Forward(F&& Deliver, QMouseEvent* Event) {
        TPimPaintBox* Box = FPreview->PaintBox2();
        if (!Box) return;
        const TShiftState Shift = ShiftOf(Event);
        const QPoint At = Event->position().toPoint();
        CallEventHandler(FPreview, [&] { Deliver(Box, Shift, At); });
    }

    bool FPressed = false;
};

// TPimPaintBox

TPimPaintBox::TPimPaintBox(TComponent* AOwner) : TGraphicControl(AOwner) {}

TPimPaintBox::~TPimPaintBox() = default;

void TPimPaintBox::Paint() {
    if (OnPaint) OnPaint(this);
}

// TPimPreview

namespace {

// Page sizes beyond this are of no use on a screen and would overflow the scroll range.
constexpr int64_t MaxPagePixels = 1 << 24;

int PagePixels(double Value) {
    if (!std::isfinite(Value)) return 0;
    return int(std::clamp<int64_t>(Round(std::clamp(Value, -1e12, 1e12)), 0, MaxPagePixels));
}

} // namespace

TPimPreview::TPimPreview(TComponent* AOwner)
    : TScrollBox(AOwner), FPimPrinterSetup(std::make_unique<TPimPrinterSetup>()),
      FFiler(std::make_unique<TPimFiler>()), FPimDC(std::make_unique<TPimDeviceContext>()) {
    // The frame is the scroll area's own; the client area is its viewport.
    TScrollBox::SetBorderStyle(bsNone);
    FPaintBox = MakePaintBox();
    FPaintBox2 = MakePaintBox();
    if (!HasState(csDesigning)) FPaintBox2->SetAlign(alClient);
    FArea = new TPimPreviewArea(this);
    FArea->resize(Width(), Height());
    SetBorderStyle(bsSingle);
    // The area is not shown yet, so Qt holds its resize back; the viewport must know its size now.
    QResizeEvent Event(FArea->size(), QSize());
    QCoreApplication::sendEvent(FArea, &Event);
}

TPimPreview::~TPimPreview() {
    DropArea();
}

void TPimPreview::BeforeDestruction() {
    DropArea();
    TScrollBox::BeforeDestruction();
    FPaintBox = nullptr;
    FPaintBox2 = nullptr;
}

void TPimPreview::DropArea() {
    if (!FArea) return;
    TPimPreviewArea* Area = FArea;
    FArea = nullptr;
    Area->FPreview = nullptr;
    delete Area;
}

QWidget* TPimPreview::Widget() const {
    return FArea;
}

QWidget* TPimPreview::Viewport() const {
    return FArea ? FArea->viewport() : nullptr;
}

TPimPaintBox* TPimPreview::MakePaintBox() {
    auto* Box = new TPimPaintBox(this);
    Box->SetParent(this);
    Box->SetBounds(0, 0, 0, 0);
    Box->SetAlign(alNone);
    Box->OnClick = [this](TComponent* Sender) { ClickedMe(Sender); };
    Box->OnDblClick = [this](TComponent* Sender) { DblClickedMe(Sender); };
    Box->OnMouseDown = [this](TComponent* Sender, TMouseButton Button, TShiftState Shift, int X, int Y) {
        PrevMouseDown(Sender, Button, Shift, X, Y);
    };
    Box->OnMouseMove = [this](TComponent* Sender, TShiftState Shift, int X, int Y) {
        PrevMouseMove(Sender, Shift, X, Y);
    };
    Box->OnMouseUp = [this](TComponent* Sender, TMouseButton Button, TShiftState Shift, int X, int Y) {
        PrevMouseUp(Sender, Button, Shift, X, Y);
    };
    return Box;
}

void TPimPreview::TakeDocument() {
    auto Paint = [this](TComponent* Sender) { PaintPage(Sender); };
    FPaintBox->OnPaint = Paint;
    FPaintBox2->OnPaint = Paint;
}

TPimPimFile* TPimPreview::Document() const {
    return dynamic_cast<TPimPimFile*>(FFiler->PimFile().get());
}

std::shared_ptr<TPimPimFile> TPimPreview::PimFile() const {
    return std::dynamic_pointer_cast<TPimPimFile>(FFiler->PimFile());
}

int TPimPreview::ScreenPPI() const {
    return Screen()->PixelsPerInch();
}

void TPimPreview::LoadFromFile(const QString& FileName) {
    FFiler->LoadFromFile(FileName);
    TakeDocument();
    FPage = -1;
    SetPage(1);
}

void TPimPreview::LoadFromStream(TStream& Stream) {
    FFiler->LoadFromStream(Stream);
    TakeDocument();
    FPage = -1;
    SetPage(1);
}

void TPimPreview::LoadFromPimFile(std::shared_ptr<TPimPimFile> PimFile) {
    if (!PimFile) return;
    FPage = 1;
    FFiler->SetPimFile(std::move(PimFile));
    TakeDocument();
    LoadCurrentAPS();
    SizePage();
}

void TPimPreview::SaveToFile(const QString& FileName) {
    FFiler->SaveToFile(FileName);
}

void TPimPreview::SaveToStream(TStream& Stream) {
    FFiler->SaveToStream(Stream);
}

void TPimPreview::NextPage() {
    SetPage(FPage + 1);
}

void TPimPreview::PriorPage() {
    SetPage(FPage - 1);
}

void TPimPreview::FirstPage() {
    SetPage(1);
}

void TPimPreview::LastPage() {
    SetPage(PageCount());
}

void TPimPreview::LoadCurrentAPS() {
    TPimPimFile* Doc = Document();
    if (!Doc || !Doc->GetPagePrinterInfo(FPimPrinterSetup.get(), FPage)) return;
    // A print run going on, of this preview or any other, takes its settings from the printer
    // page by page: a page turned meanwhile must not reach into that job.
    if (FPrinting || Printer().Printing()) return;
    FPimPrinterSetup->SetDataReset();
}

void TPimPreview::SizePage() {
    if (FPrinting || !Document()) return;
    const double PPI = ScreenPPI();
    const int PageHeight = PagePixels(PPI * (FZoom * FPimPrinterSetup->Length() / 100));
    const int PageWidth = PagePixels(PPI * (FZoom * FPimPrinterSetup->Width() / 100));
    if (FPaintBox->Height() != PageHeight || FPaintBox->Width() != PageWidth) {
        FPaintBox->SetBounds(FPaintBox->Left(), FPaintBox->Top(), PageWidth, PageHeight);
        UpdateScrollBars();
    }
    Invalidate();
}

int TPimPreview::FitZoom(int ControlPixels, double PaperInches) const {
    const double Fit = std::max(ControlPixels, 0) * 100.0 / (ScreenPPI() * PaperInches);
    // A paper of almost no size fits beyond any zoom, and a screen without a resolution fits none.
    if (!(Fit <= INT_MAX)) return std::isnan(Fit) ? 1 : INT_MAX;
    return int(std::max<int64_t>(Round(Fit) - 2, 1));
}

void TPimPreview::ZoomWidth() {
    // A paper without width has no zoom that fits it: the zoom stays as it is.
    const double Paper = FPimPrinterSetup->Width();
    if (Paper > 0 && std::isfinite(Paper)) SetZoom(FitZoom(Width(), Paper));
}

void TPimPreview::ZoomHeight() {
    const double Paper = FPimPrinterSetup->Length();
    if (Paper > 0 && std::isfinite(Paper)) SetZoom(FitZoom(Height(), Paper));
}

void TPimPreview::ZoomPage() {
    // Height / Width > Length / PaperWidth, multiplied out so that a control of width 0 fits by width.
    if (double(Height()) * FPimPrinterSetup->Width() > FPimPrinterSetup->Length() * double(Width()))
        ZoomWidth();
    else
        ZoomHeight();
}

void TPimPreview::SendPageToPrinter() {
    SendPagesToPrinter(FPage, FPage);
}

void TPimPreview::SendPagesToPrinter(int StartPage, int EndPage) {
    // Only the run that set the flag clears it: a refused second run leaves the first one running.
    if (FPrinting) throw Exception(QStringLiteral("Printing in progress."));
    FPrinting = true;
    auto CleanUp = [this] {
        FPimPrinter = nullptr;
        FPrinting = false;
        // A page turned during the run was not sized then.
        SizePage();
        Invalidate();
        FPrintStatus = nullptr;
    };
    try {
        // Held here so that a document replaced while the print loop pumps messages lives on to its end.
        const std::shared_ptr<TPimFile> Doc = FFiler->PimFile();
        if (Doc) {
            TPimPrinter Printer;
            FPimPrinter = &Printer;
            Printer.SetIgnorePrinterSettings(FIgnorePrinterSettings);
            Doc->SetPimPrinterSetup(FPimPrinterSetup.get());
            if (EndPage <= 0) EndPage = Doc->PageCount();
            if (StartPage <= 0) StartPage = 1;
            Printer.OnStatus = FPrintStatus;
            FFiler->SendPages(&Printer, StartPage, EndPage);
        }
    } catch (...) {
        CleanUp();
        throw;
    }
    CleanUp();
}

void TPimPreview::SetBorderStyle(TFormBorderStyle Value) {
    FBorderStyle = Value;
    if (FArea) FArea->setFrameStyle(Value == bsNone ? QFrame::NoFrame : QFrame::StyledPanel | QFrame::Sunken);
}

void TPimPreview::ScrollTo(int X, int Y) {
    SetScrollPosition(true, X);
    SetScrollPosition(false, Y);
}

void TPimPreview::SetPimPrinterSetup(const TPimPrinterSetup* Value) {
    FPimPrinterSetup->Assign(Value);
}

void TPimPreview::SetPage(int Value) {
    if (Value == FPage || !FFiler->PimFile() || Value < 1 || Value > PageCount()) return;
    FPage = Value;
    LoadCurrentAPS();
    SizePage();
}

int TPimPreview::PageCount() const {
    return FFiler->PimFile() ? FFiler->PimFile()->PageCount() : 0;
}

void TPimPreview::SetZoom(int Value) {
    // A zoom under 1 % would draw nothing or draw mirrored.
    Value = std::max(Value, 1);
    if (Value == FZoom) return;
    FZoom = Value;
    TPimPimFile* Doc = Document();
    if (!Doc) return;
    Doc->SetHorzScale(Value);
    Doc->SetVertScale(Value);
    SizePage();
}

void TPimPreview::SetPimZoom(TPimZoom Value) {
    static constexpr int Percent[] = {200, 150, 100, 75, 50, 25, 10};
    FPimZoom = Value;
    switch (Value) {
    case azWidth:
        ZoomWidth();
        break;
    case azHeight:
        ZoomHeight();
        break;
    case azPage:
        ZoomPage();
        break;
    default:
        if (Value < std::size(Percent)) SetZoom(Percent[Value]);
        break;
    }
}

double TPimPreview::LoadPercent() const {
    TPimPimFile* Doc = Document();
    return Doc ? Doc->PercentDone() : 0;
}

QString TPimPreview::Description() const {
    TPimPimFile* Doc = Document();
    return Doc ? Doc->Description() : QString();
}

void TPimPreview::SetDescription(const QString& Value) {
    if (TPimPimFile* Doc = Document()) Doc->SetDescription(Value);
}

void TPimPreview::ClickedMe(TComponent*) {
    Click();
}

void TPimPreview::DblClickedMe(TComponent*) {
    DblClick();
}

void TPimPreview::PrevMouseDown(TComponent*, TMouseButton Button, TShiftState Shift, int X, int Y) {
    MouseDown(Button, Shift, X, Y);
}

void TPimPreview::PrevMouseMove(TComponent*, TShiftState Shift, int X, int Y) {
    MouseMove(Shift, X, Y);
}

void TPimPreview::PrevMouseUp(TComponent*, TMouseButton Button, TShiftState Shift, int X, int Y) {
    MouseUp(Button, Shift, X, Y);
}

void TPimPreview::PaintPage(TComponent*) {
    if (FPainting) return;
    FPainting = true;
    struct TPaintingFlag {
        bool& Flag;
        ~TPaintingFlag() { Flag = false; }
    } Guard{FPainting};
    if (FPrinting) {
        // The page stays as it was last painted until the print run ends.
        if (FWindowPainter && !FPaintImage.isNull()) FWindowPainter->drawImage(0, 0, FPaintImage);
        return;
    }
    TPimPimFile* Doc = Document();
    const QSize Client = ClientRect().size();
    if (!Doc || Client.isEmpty()) return;

    const int PPI = ScreenPPI();
    const int WindowPPIX = FArea ? FArea->viewport()->logicalDpiX() : PPI;
    const int WindowPPIY = FArea ? FArea->viewport()->logicalDpiY() : PPI;
    const int X = MulDiv(HorzScrollBar().Position, PPI, WindowPPIX);
    const int Y = MulDiv(VertScrollBar().Position, PPI, WindowPPIY);
    // Another preview may share the document, or print it between two of its pages: the scales
    // go back as they were.
    const int SavedHorzScale = Doc->HorzScale();
    const int SavedVertScale = Doc->VertScale();
    Doc->SetHorzScale(FZoom);
    Doc->SetVertScale(FZoom);
    struct TScales {
        TPimPimFile* Doc;
        int Horz, Vert;
        ~TScales() {
            Doc->SetHorzScale(Horz);
            Doc->SetVertScale(Vert);
        }
    } RestoreScales{Doc, SavedHorzScale, SavedVertScale};

    if (FPaintImage.size() != Client) FPaintImage = QImage(Client, QImage::Format_RGB32);
    {
        std::unique_ptr<DeviceContext> Memory = DeviceContext::CreateForImage(&FPaintImage, PPI, PPI);
        Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(Memory.get()));
        FPimDC->SetDC(Memory.get());
        struct TUnbind {
            TPimDeviceContext* PimDC;
            ~TUnbind() { PimDC->SetDC(nullptr); }
        } Unbind{FPimDC.get()};
        PimSetOrigin(Memory.get(), PPI, PPI, -X, -Y);
        if (Doc->PageCount() > 0) FFiler->SendPage(FPimDC.get(), FPage);
    }
    if (FWindowPainter) FWindowPainter->drawImage(0, 0, FPaintImage);
}

void TPimPreview::EraseBackground(TMessage& Message) {
    auto* DC = reinterpret_cast<DeviceContext*>(Message.WParam);
    Message.Result = 1;
    if (!DC) return;
    const QRect Client = ClientRect();
    const TRect ClientBox{0, 0, Client.width(), Client.height()};
    if (HasState(csDesigning) || !Document()) {
        const HBRUSH Brush = CreateSolidBrush(ColorToRGB(Color()));
        DC->FillRect(ClientBox, Brush);
        DeleteObject(Brush);
        return;
    }
    if (!FPainting) return;
    const int Saved = DC->SaveDC();
    const TRect PageBox{0, 0, FPaintBox->Width(), FPaintBox->Height()};
    DC->FillRect(PageBox, GetStockObject(WHITE_BRUSH));
    DC->ExcludeClipRect(PageBox.Left, PageBox.Top, PageBox.Right, PageBox.Bottom);
    const HBRUSH Face = CreateSolidBrush(ColorToRGB(clBtnFace));
    DC->FillRect(ClientBox, Face);
    DC->RestoreDC(Saved);
    DeleteObject(Face);
}

void TPimPreview::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_HSCROLL:
        Scroll(Message, true);
        return;
    case WM_VSCROLL:
        Scroll(Message, false);
        return;
    case WM_ERASEBKGND:
        EraseBackground(Message);
        return;
    case WM_SIZE:
        if (FitZoomed()) SetPimZoom(FPimZoom);
        return;
    case WM_GETDLGCODE:
        Message.Result = DLGC_WANTARROWS;
        return;
    default:
        TScrollBox::WndProc(Message);
    }
}

void TPimPreview::Scroll(TMessage& Message, bool Horizontal) {
    const TControlScrollBar& Bar = Horizontal ? HorzScrollBar() : VertScrollBar();
    const int Page = Horizontal ? ClientWidth() : ClientHeight();
    int Position = Bar.Position;
    switch (LOWORD(Message.WParam)) {
    case SB_LINEUP:
        Position -= Bar.Increment;
        break;
    case SB_LINEDOWN:
        Position += Bar.Increment;
        break;
    case SB_PAGEUP:
        Position -= Page;
        break;
    case SB_PAGEDOWN:
        Position += Page;
        break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        Position = HIWORD(Message.WParam);
        break;
    case SB_TOP:
        Position = 0;
        break;
    case SB_BOTTOM:
        Position = INT_MAX;
        break;
    default:
        break;
    }
    SetScrollPosition(Horizontal, Position);
    Message.Result = 0;
    const auto& Event = Horizontal ? OnHorzScroll : OnVertScroll;
    if (Event) Event(this);
}

void TPimPreview::SetScrollPosition(bool Horizontal, int Value) {
    TControlScrollBar& Bar = Horizontal ? HorzScrollBar() : VertScrollBar();
    const int Client = Horizontal ? ClientWidth() : ClientHeight();
    const int Max = std::max(0, Bar.Range - Client);
    const int Position = std::clamp(Value, 0, Max);
    const int Delta = Position - Bar.Position;
    Bar.Position = Position;
    if (Horizontal)
        FPaintBox->SetLeft(FPaintBox->Left() - Delta);
    else
        FPaintBox->SetTop(FPaintBox->Top() - Delta);
    if (FArea) {
        QScrollBar* Qt = Horizontal ? FArea->horizontalScrollBar() : FArea->verticalScrollBar();
        const bool Quiet = FQuietScroll;
        FQuietScroll = true;
        Qt->setValue(Position);
        FQuietScroll = Quiet;
    }
    if (Delta) Invalidate();
}

void TPimPreview::UpdateScrollBars() {
    if (!FArea || FUpdatingScrollBars) return;
    FUpdatingScrollBars = true;
    const bool Quiet = FQuietScroll;
    FQuietScroll = true;
    // Showing one scroll bar narrows the viewport and may call for the other.
    for (int Round = 0; Round < 3; ++Round) {
        const QSize Before = FArea->viewport()->size();
        HorzScrollBar().Range = FPaintBox->Width();
        VertScrollBar().Range = FPaintBox->Height();
        QScrollBar* H = FArea->horizontalScrollBar();
        QScrollBar* V = FArea->verticalScrollBar();
        H->setRange(0, std::max(0, FPaintBox->Width() - Before.width()));
        H->setPageStep(std::max(1, Before.width()));
        H->setSingleStep(std::max(1, HorzScrollBar().Increment));
        V->setRange(0, std::max(0, FPaintBox->Height() - Before.height()));
        V->setPageStep(std::max(1, Before.height()));
        V->setSingleStep(std::max(1, VertScrollBar().Increment));
        if (FArea->viewport()->size() == Before) break;
    }
    FQuietScroll = Quiet;
    FUpdatingScrollBars = false;
    SetScrollPosition(true, FArea->horizontalScrollBar()->value());
    SetScrollPosition(false, FArea->verticalScrollBar()->value());
    Realign();
}

void TPimPreview::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    const bool Resized = AWidth != Width() || AHeight != Height();
    TScrollBox::SetBounds(ALeft, ATop, AWidth, AHeight);
    if (!Resized) return;
    if (FArea && !FSyncingBounds) {
        FSyncingBounds = true;
        const QSize Old = FArea->size();
        FArea->resize(AWidth, AHeight);
        // Qt holds the resize of a hidden widget back until it is shown; the viewport's size is
        // needed now.
        if (!FArea->isVisible()) {
            QResizeEvent Event(FArea->size(), Old);
            QCoreApplication::sendEvent(FArea, &Event);
        }
        FSyncingBounds = false;
    }
    Perform(WM_SIZE);
    UpdateScrollBars();
}

QRect TPimPreview::ClientRect() const {
    if (FArea) return QRect(QPoint(0, 0), FArea->viewport()->size());
    return TScrollBox::ClientRect();
}

void TPimPreview::Invalidate() {
    TScrollBox::Invalidate();
    if (FArea && !HasState(csDestroying)) FArea->viewport()->update();
}

void TPimPreview::SetVisible(bool Value) {
    TScrollBox::SetVisible(Value);
    if (FArea) FArea->setVisible(Value);
}

void TPimPreview::AreaResized(int AWidth, int AHeight) {
    if (!FSyncingBounds && (AWidth != Width() || AHeight != Height())) {
        FSyncingBounds = true;
        SetBounds(Left(), Top(), AWidth, AHeight);
        FSyncingBounds = false;
        return;
    }
    UpdateScrollBars();
}

void TPimPreview::AreaScrolled(bool Horizontal) {
    if (FQuietScroll || !FArea) return;
    // The user moved a scroll bar: the preview follows and says so, as after a scroll message.
    QScrollBar* Bar = Horizontal ? FArea->horizontalScrollBar() : FArea->verticalScrollBar();
    SetScrollPosition(Horizontal, Bar->value());
    const auto& Event = Horizontal ? OnHorzScroll : OnVertScroll;
    if (Event) CallEventHandler(this, [&] { Event(this); });
}

void TPimPreview::AreaPaint(QPainter& Painter) {
    FWindowPainter = &Painter;
    // What the page does not cover keeps the control's colour, as the platform erases a window.
    const COLORREF Face = ColorToRGB(Color());
    Painter.fillRect(FArea->viewport()->rect(), QColor(GetRValue(Face), GetGValue(Face), GetBValue(Face)));
    CallEventHandler(this, [&] {
        if (FPaintBox2) FPaintBox2->Paint();
    });
    FWindowPainter = nullptr;
}

// Published properties and class of stored forms

namespace {

[[maybe_unused]] const bool Declared = [] {
    DeclareProperties<TPimPreview, TControl>()
        .Publish("Align")
        .Publish("Visible")
        .Event("OnVertScroll", &TPimPreview::OnVertScroll)
        .Event("OnHorzScroll", &TPimPreview::OnHorzScroll);
    RegisterClass<TPimPreview>();
    return true;
}();

} // namespace
