#include "host/printers.h"

#include "host/exceptions.h"
#include "host/mathutil.h"

#include <algorithm>
#include <utility>

const char* const SNoDefaultPrinter = "There is no default printer currently selected";
const char* const SPrinterIndexError = "Printer index out of range";
const char* const SPrinting = "Printing in progress";
const char* const SNotPrinting = "Printer is not currently printing";

TPrinterBackend::~TPrinterBackend() = default;

namespace {

TPrinterListFactory& Factory() {
    static TPrinterListFactory F;
    return F;
}

struct TPrinterSource {
    int Rank;
    TPrinterListFactory Make;
};

// Filled while the library loads, before anything reads it.
std::vector<TPrinterSource>& Sources() {
    static std::vector<TPrinterSource> List;
    return List;
}

// Letter, for a device mode that names no paper the printer has and no size of its own.
const TPrinterPaper FallbackPaper{dmPaperLetter, QStringLiteral("Letter"), QPoint(2159, 2794), QString(),
                                  QMargins()};

QMargins Landscape(const QMargins& M) {
    // The page turns a quarter counter-clockwise: the portrait's left edge becomes the bottom.
    return QMargins(M.top(), M.right(), M.bottom(), M.left());
}

} // namespace

void AddMachinePrinterSource(int Rank, TPrinterListFactory Source) {
    auto& List = Sources();
    auto At = std::upper_bound(List.begin(), List.end(), Rank,
                               [](int R, const TPrinterSource& S) { return R < S.Rank; });
    List.insert(At, TPrinterSource{Rank, std::move(Source)});
}

TPrinterBackends MachinePrinters(int& DefaultIndex) {
    DefaultIndex = -1;
    TPrinterBackends List;
    for (const TPrinterSource& Source : Sources()) {
        int SourceDefault = -1;
        TPrinterBackends Part = Source.Make(SourceDefault);
        if (DefaultIndex < 0 && SourceDefault >= 0 && SourceDefault < int(Part.size()))
            DefaultIndex = int(List.size()) + SourceDefault;
        for (auto& Backend : Part)
            List.push_back(std::move(Backend));
    }
    if (DefaultIndex < 0 && !List.empty()) DefaultIndex = 0;
    return List;
}

void SetPrinterListFactory(TPrinterListFactory Value) {
    Factory() = std::move(Value);
    Printer().Refresh();
}

TPrinter& Printer() {
    // Never destroyed: a device context still held at exit must not outlive the drawing objects'
    // table it refers to. Refresh is the way back to a clean state.
    static TPrinter* P = new TPrinter;
    return *P;
}

// The printer's pages as a surface for its device context: the backend's paint device, and a new
// page from the backend whenever the device context asks for one.
class TPrinterSurface : public TDeviceSurface {
public:
    explicit TPrinterSurface(TPrinter& Owner) : FOwner(Owner) {}
    TDeviceCaps Caps() const override { return FOwner.FPageCaps; }
    QPaintDevice* PaintDevice() override { return FOwner.Backend()->PaintDevice(); }
    bool IsRaster() const override { return false; }
    double Zoom() const override { return FOwner.FPageZoom; }
    bool NewPage() override {
        FOwner.AdvancePage();
        return true;
    }

private:
    TPrinter& FOwner;
};

// Nothing to paint on: the printer's figures for measuring outside a job.
class TPrinterInfoSurface : public TDeviceSurface {
public:
    explicit TPrinterInfoSurface(TPrinter& Owner) : FOwner(Owner) {}
    TDeviceCaps Caps() const override { return FOwner.FInfoCaps; }
    QPaintDevice* PaintDevice() override { return nullptr; }
    bool IsRaster() const override { return false; }

private:
    TPrinter& FOwner;
};

TPrinter::TPrinter() = default;

TPrinter::~TPrinter() {
    FHandle.reset();
    FInfoHandle.reset();
    if (FPrinting && !FBackends.empty()) {
        try {
            FBackends[CurrentIndex()]->Abort();
        } catch (...) {
            // Going away: a job that cannot be abandoned is dropped as it stands.
        }
    }
}

void TPrinter::SetPrinters(TPrinterBackends Printers, int DefaultIndex) {
    CheckPrinting(false);
    FInfoHandle.reset();
    FBackends = std::move(Printers);
    FNames.clear();
    for (const auto& B : FBackends)
        FNames.append(B->Name());
    FDefaultIndex = (DefaultIndex >= 0 && DefaultIndex < int(FBackends.size())) ? DefaultIndex : -1;
    FPrinterIndex = -1;
    FDeviceMode.reset();
    FListRead = true;
}

void TPrinter::Refresh() {
    CheckPrinting(false);
    FInfoHandle.reset();
    FBackends.clear();
    FNames.clear();
    FDefaultIndex = -1;
    FPrinterIndex = -1;
    FDeviceMode.reset();
    FListRead = false;
}

void TPrinter::EnsureList() {
    if (FListRead) return;
    int DefaultIndex = -1;
    TPrinterBackends List = Factory() ? Factory()(DefaultIndex) : MachinePrinters(DefaultIndex);
    SetPrinters(std::move(List), DefaultIndex);
}

const QStringList& TPrinter::Printers() {
    EnsureList();
    return FNames;
}

int TPrinter::CurrentIndex() {
    EnsureList();
    if (FPrinterIndex >= 0) return FPrinterIndex;
    if (FDefaultIndex < 0) throw Exception(QString::fromLatin1(SNoDefaultPrinter));
    return FDefaultIndex;
}

int TPrinter::PrinterIndex() {
    return CurrentIndex();
}

void TPrinter::SetPrinterIndex(int Value) {
    CheckPrinting(false);
    EnsureList();
    int Resolved = Value;
    if (Value == -1) {
        if (FDefaultIndex < 0) throw Exception(QString::fromLatin1(SNoDefaultPrinter));
        Resolved = FDefaultIndex;
    } else if (Value < 0 || Value >= int(FBackends.size())) {
        throw Exception(QString::fromLatin1(SPrinterIndexError));
    }
    const int Old = FPrinterIndex >= 0 ? FPrinterIndex : FDefaultIndex;
    if (Resolved != Old) FDeviceMode.reset();
    FPrinterIndex = Value;
}

QString TPrinter::DefaultPrinter() {
    EnsureList();
    return FDefaultIndex >= 0 ? FNames[FDefaultIndex] : QString();
}

TPrinterBackend* TPrinter::Backend() {
    return FBackends[CurrentIndex()].get();
}

void TPrinter::GetPrinter(QString& Device, QString& Driver, QString& Port) {
    TPrinterBackend* B = Backend();
    Device = B->Name();
    Driver = B->Driver();
    Port = B->Port();
}

TDeviceMode& TPrinter::DeviceMode() {
    TPrinterBackend* B = Backend();
    if (!FDeviceMode) {
        FDeviceMode = std::make_unique<TDeviceMode>(B->DefaultDeviceMode());
        FDeviceMode->DeviceName = B->Name();
    }
    return *FDeviceMode;
}

void TPrinter::ResetDeviceMode() {
    FDeviceMode.reset();
}

void TPrinter::ApplyDeviceMode() {
    if (FPrinting) FJobMode = DeviceMode();
}

TPrinterCapabilities TPrinter::Capabilities() {
    return Backend()->Capabilities();
}

TDeviceCaps TPrinter::DeviceCaps() {
    TPrinterBackend* B = Backend();
    const TDeviceMode& Mode = FPrinting ? FJobMode : DeviceMode();
    return ScaledDeviceCaps(PrinterDeviceCaps(Mode, B->Capabilities()), Mode);
}

DeviceContext* TPrinter::Handle() {
    if (FPrinting) return FHandle.get();
    const TDeviceCaps Caps = DeviceCaps();
    const auto Same = [](const TDeviceCaps& A, const TDeviceCaps& B) {
        return A.LogPixelsX == B.LogPixelsX && A.LogPixelsY == B.LogPixelsY &&
               A.PhysicalWidth == B.PhysicalWidth && A.PhysicalHeight == B.PhysicalHeight &&
               A.PhysicalOffsetX == B.PhysicalOffsetX && A.PhysicalOffsetY == B.PhysicalOffsetY &&
               A.HorzRes == B.HorzRes && A.VertRes == B.VertRes;
    };
    if (!FInfoHandle) {
        FInfoCaps = Caps;
        FInfoHandle = std::make_unique<DeviceContext>(std::make_unique<TPrinterInfoSurface>(*this));
    } else if (!Same(Caps, FInfoCaps)) {
        // The same object with new figures, so that whoever holds it keeps a valid handle.
        FInfoCaps = Caps;
        FInfoHandle->ResetDC();
    }
    return FInfoHandle.get();
}

void TPrinter::CheckPrinting(bool Value) const {
    if (FPrinting == Value) return;
    throw Exception(QString::fromLatin1(Value ? SNotPrinting : SPrinting));
}

void TPrinter::BeginDoc() {
    CheckPrinting(false);
    TPrinterBackend* B = Backend();
    FJobMode = DeviceMode();
    const TDeviceCaps Caps = PrinterDeviceCaps(FJobMode, B->Capabilities());
    FAborted = false;
    FPageNumber = 1;
    B->BeginDoc(FTitle, FJobMode, Caps);
    FPrinting = true;
    FPageCaps = ScaledDeviceCaps(Caps, FJobMode);
    FPageZoom = DeviceModeScale(FJobMode) / 100.0;
    FHandle = std::make_unique<DeviceContext>(std::make_unique<TPrinterSurface>(*this));
}

void TPrinter::AdvancePage() {
    TPrinterBackend* B = Backend();
    const TDeviceCaps Caps = PrinterDeviceCaps(FJobMode, B->Capabilities());
    B->NewPage(FJobMode, Caps);
    ++FPageNumber;
    FAdvanced = true;
    // A device mode applied during the job gives the new page other figures.
    FPageCaps = ScaledDeviceCaps(Caps, FJobMode);
    FPageZoom = DeviceModeScale(FJobMode) / 100.0;
    if (FHandle) FHandle->ResetDC();
}

void TPrinter::NewPage() {
    CheckPrinting(true);
    // The device context ends the page it paints and asks its surface for the next; a device
    // context that has nothing to paint on leaves that to us.
    FAdvanced = false;
    FHandle->NewPage();
    if (!FAdvanced) AdvancePage();
}

void TPrinter::EndDoc() {
    CheckPrinting(true);
    // The job is over whether or not the spooler takes it, so a failed submission never leaves
    // the printer object stuck in the printing state.
    FPrinting = false;
    std::unique_ptr<DeviceContext> Job = std::move(FHandle);
    Job->EndDoc();
    Job.reset();
    TPrinterBackend* Done = Backend();
    Done->EndDoc();
    ++FEndedJobs;
    FLastJobPrinter = Done->Name();
    FLastJobFile = Done->LastJobFile();
}

void TPrinter::Abort() {
    CheckPrinting(true);
    FPrinting = false;
    FAborted = true;
    FHandle.reset();
    Backend()->Abort();
}

const TPrinterPaper* FindModePaper(const TDeviceMode& Mode, const TPrinterCapabilities& Caps) {
    if (Mode.Has(dmfPaperSize))
        for (const TPrinterPaper& P : Caps.Papers)
            if (P.Number == uint16_t(Mode.PaperSize)) return &P;
    if (Mode.Has(dmfFormName) && !Mode.FormName.isEmpty())
        for (const TPrinterPaper& P : Caps.Papers)
            if (P.Name.compare(Mode.FormName, Qt::CaseInsensitive) == 0) return &P;
    return nullptr;
}

TDeviceCaps PrinterDeviceCaps(const TDeviceMode& Mode, const TPrinterCapabilities& Caps) {
    TDeviceCaps D;
    D.Technology = DT_RASPRINTER;
    D.BitsPixel = 24;
    const int DefaultDpi = Caps.DefaultResolution > 0 ? Caps.DefaultResolution : 300;
    const bool DpiGiven = Mode.Has(dmfPrintQuality) && Mode.PrintQuality > 0;
    D.LogPixelsX = DpiGiven ? Mode.PrintQuality : DefaultDpi;
    // A y resolution of its own only where the printer offers that pair.
    D.LogPixelsY = D.LogPixelsX;
    if (DpiGiven && Mode.Has(dmfYResolution) && Mode.YResolution > 0 &&
        std::find(Caps.Resolutions.begin(), Caps.Resolutions.end(), QPoint(D.LogPixelsX, Mode.YResolution)) !=
            Caps.Resolutions.end())
        D.LogPixelsY = Mode.YResolution;

    const TPrinterPaper* Paper = FindModePaper(Mode, Caps);
    QPoint Size;
    QMargins Margins;
    const bool OwnSize =
        Mode.Has(dmfPaperLength) && Mode.Has(dmfPaperWidth) && Mode.PaperLength > 0 && Mode.PaperWidth > 0;
    if (OwnSize && (!Paper || Paper->Number == dmPaperUser)) {
        Size = QPoint(Mode.PaperWidth, Mode.PaperLength);
        if (Paper) Margins = Paper->Margins;
    } else {
        if (!Paper) Paper = Caps.Papers.empty() ? &FallbackPaper : &Caps.Papers.front();
        Size = Paper->Size;
        Margins = Paper->Margins;
    }
    if (Mode.Has(dmfOrientation) && Mode.Orientation == dmOrientLandscape) {
        Size = QPoint(Size.y(), Size.x());
        Margins = Landscape(Margins);
    }

    D.PhysicalWidth = MulDiv(Size.x(), D.LogPixelsX, 254);
    D.PhysicalHeight = MulDiv(Size.y(), D.LogPixelsY, 254);
    D.PhysicalOffsetX = MulDiv(Margins.left(), D.LogPixelsX, 2540);
    D.PhysicalOffsetY = MulDiv(Margins.top(), D.LogPixelsY, 2540);
    D.HorzRes = D.PhysicalWidth - D.PhysicalOffsetX - MulDiv(Margins.right(), D.LogPixelsX, 2540);
    D.VertRes = D.PhysicalHeight - D.PhysicalOffsetY - MulDiv(Margins.bottom(), D.LogPixelsY, 2540);
    return D;
}

int DeviceModeScale(const TDeviceMode& Mode) {
    return Mode.Has(dmfScale) && Mode.Scale > 0 ? Mode.Scale : 100;
}

TDeviceCaps ScaledDeviceCaps(const TDeviceCaps& Paper, const TDeviceMode& Mode) {
    const int Scale = DeviceModeScale(Mode);
    if (Scale == 100) return Paper;
    TDeviceCaps D = Paper;
    auto Grow = [Scale](int Pixels) { return MulDiv(Pixels, 100, Scale); };
    D.PhysicalWidth = Grow(Paper.PhysicalWidth);
    D.PhysicalHeight = Grow(Paper.PhysicalHeight);
    D.PhysicalOffsetX = Grow(Paper.PhysicalOffsetX);
    D.PhysicalOffsetY = Grow(Paper.PhysicalOffsetY);
    D.HorzRes = Grow(Paper.HorzRes);
    D.VertRes = Grow(Paper.VertRes);
    return D;
}
