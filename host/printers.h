#pragma once
#include "host/devicecontext.h"

#include <QList>
#include <QMargins>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QPaintDevice;

// Which members of a device-mode record carry a value. A member whose bit is clear is left to the
// printer's own choice.
enum TDeviceModeField : uint32_t {
    dmfOrientation = 0x0001,
    dmfPaperSize = 0x0002,
    dmfPaperLength = 0x0004,
    dmfPaperWidth = 0x0008,
    dmfScale = 0x0010,
    dmfCopies = 0x0020,
    dmfDefaultSource = 0x0040,
    dmfPrintQuality = 0x0080,
    dmfColor = 0x0100,
    dmfDuplex = 0x0200,
    dmfYResolution = 0x0400,
    dmfTTOption = 0x0800,
    dmfCollate = 0x1000,
    dmfFormName = 0x2000,
};

// Codes the device-mode members use.
enum : int16_t {
    dmOrientPortrait = 1,
    dmOrientLandscape = 2,
    dmPaperLetter = 1,
    dmPaperLegal = 5,
    dmPaperA4 = 9,
    dmPaperUser = 256,
    dmBinUpper = 1,
    dmBinLower = 2,
    dmBinMiddle = 3,
    dmBinManual = 4,
    dmBinEnvelope = 5,
    dmBinEnvManual = 6,
    dmBinAuto = 7,
    dmBinTractor = 8,
    dmBinSmallFormat = 9,
    dmBinLargeFormat = 10,
    dmBinLargeCapacity = 11,
    dmBinCassette = 14,
    dmBinFormSource = 15,
    dmBinUser = 256,
    dmResDraft = -1,
    dmResLow = -2,
    dmResMedium = -3,
    dmResHigh = -4,
    dmColorMonochrome = 1,
    dmColorColor = 2,
    dmDupSimplex = 1,
    dmDupVertical = 2,
    dmDupHorizontal = 3,
    dmTTBitmap = 1,
    dmTTDownload = 2,
    dmTTSubDev = 3,
};

// The settings of one printer for the next job: every member is 16 bits wide, lengths in tenths of
// a millimetre, the form name at most 31 characters (the record keeps room for a terminating zero).
struct TDeviceMode {
    static constexpr int FormNameSize = 32;

    QString DeviceName;
    uint32_t Fields = 0;
    int16_t Orientation = 0;
    int16_t PaperSize = 0;
    int16_t PaperLength = 0;
    int16_t PaperWidth = 0;
    int16_t Scale = 0;
    int16_t Copies = 0;
    int16_t DefaultSource = 0;
    int16_t PrintQuality = 0;
    int16_t Color = 0;
    int16_t Duplex = 0;
    int16_t YResolution = 0;
    int16_t TTOption = 0;
    int16_t Collate = 0;
    QString FormName;

    bool Has(TDeviceModeField Field) const { return (Fields & Field) != 0; }
    void SetFormName(const QString& Value) { FormName = Value.left(FormNameSize - 1); }
    bool operator==(const TDeviceMode&) const = default;
};

struct TPrinterBin {
    uint16_t Number = 0;
    QString Name;
    QString Source; // the backend's own key for the bin
};

struct TPrinterPaper {
    uint16_t Number = 0;
    QString Name;
    QPoint Size;      // x = width, y = length, tenths of a millimetre, portrait
    QString Media;    // the backend's own key for the paper
    QMargins Margins; // unprintable left, top, right, bottom in hundredths of a millimetre, portrait
};

// What a printer can do, as the driver reports it.
struct TPrinterCapabilities {
    std::vector<TPrinterBin> Bins;
    std::vector<TPrinterPaper> Papers;
    std::vector<QPoint> Resolutions; // dots per inch, x and y
    int MaxCopies = 0;
    bool Duplex = false;
    int DefaultResolution = 300;
};

// One printer. The printer object keeps the device mode; a backend turns it into capabilities and
// jobs. Every job call may raise the system's Exception with the driver's message.
class TPrinterBackend {
public:
    virtual ~TPrinterBackend();

    virtual QString Name() const = 0;
    virtual QString Driver() const = 0;
    virtual QString Port() const = 0;

    virtual TPrinterCapabilities Capabilities() = 0;
    virtual TDeviceMode DefaultDeviceMode() = 0;

    // A job: pages are painted on PaintDevice() in device pixels of the job's resolution, with
    // (0, 0) at the top left corner of the printable area. NewPage is called while a painter is
    // active on that device and gets the device mode in force for the page that begins, so a mode
    // changed while the job runs takes effect there. EndDoc and Abort come after the last painter
    // has ended.
    virtual void BeginDoc(const QString& Title, const TDeviceMode& Mode, const TDeviceCaps& Caps) = 0;
    virtual void NewPage(const TDeviceMode& Mode, const TDeviceCaps& Caps) = 0;
    virtual void EndDoc() = 0;
    virtual void Abort() = 0;
    virtual QPaintDevice* PaintDevice() = 0;
    // The file the last job went to, for a printer that prints into files; empty for others.
    virtual QString LastJobFile() const { return QString(); }
};

using TPrinterBackends = std::vector<std::unique_ptr<TPrinterBackend>>;

// Makes the printers of the machine; DefaultIndex receives the position of the default printer in
// the list, or -1 when there is none.
using TPrinterListFactory = std::function<TPrinterBackends(int& DefaultIndex)>;

// The global printer object: the list of printers, the current one, its device mode and the job
// that runs on it.
class TPrinter {
public:
    TPrinter();
    ~TPrinter();
    TPrinter(const TPrinter&) = delete;
    TPrinter& operator=(const TPrinter&) = delete;

    // Replaces the printer list by the given printers; the current printer becomes the default.
    void SetPrinters(TPrinterBackends Printers, int DefaultIndex);
    // Reads the printer list again from the installed factory.
    void Refresh();

    const QStringList& Printers();
    int PrinterCount() { return Printers().size(); }
    // -1 stands for the default printer; reading gives the index it resolves to.
    int PrinterIndex();
    void SetPrinterIndex(int Value);
    // The default printer's name, empty when the machine has none.
    QString DefaultPrinter();
    TPrinterBackend* Backend();

    void GetPrinter(QString& Device, QString& Driver, QString& Port);
    // The current printer's device mode, edited in place; it takes effect at the next job, or at
    // the next page through ApplyDeviceMode while a job runs.
    TDeviceMode& DeviceMode();
    // Drops every edit of the device mode: the next use reads the printer's defaults again.
    void ResetDeviceMode();
    void ApplyDeviceMode();

    TPrinterCapabilities Capabilities();
    TDeviceCaps DeviceCaps();

    const QString& Title() const { return FTitle; }
    void SetTitle(const QString& Value) { FTitle = Value; }
    bool Printing() const { return FPrinting; }
    bool Aborted() const { return FAborted; }
    int PageNumber() const { return FPageNumber; }
    // The jobs that ended whole so far, and the printer and file (for a printer into files) of the
    // last one: where a program tells the user the output went.
    int EndedJobs() const { return FEndedJobs; }
    const QString& LastJobPrinter() const { return FLastJobPrinter; }
    const QString& LastJobFile() const { return FLastJobFile; }
    // The printer's device context. While a job runs it draws on the job's pages and stays the
    // same object from BeginDoc to EndDoc; otherwise it is another one that only measures and
    // answers device capabilities for the device mode as it stands, and stays the same object
    // until the printer list is replaced.
    DeviceContext* Handle();

    void BeginDoc();
    void NewPage();
    void EndDoc();
    void Abort();

private:
    friend class TPrinterSurface;
    friend class TPrinterInfoSurface;
    void AdvancePage();
    void CheckPrinting(bool Value) const;
    void EnsureList();
    int CurrentIndex();

    TPrinterBackends FBackends;
    QStringList FNames;
    bool FListRead = false;
    int FDefaultIndex = -1;
    int FPrinterIndex = -1;
    std::unique_ptr<TDeviceMode> FDeviceMode;
    TDeviceMode FJobMode; // the mode the running job's pages use
    QString FTitle;
    bool FPrinting = false;
    bool FAborted = false;
    int FPageNumber = 0;
    int FEndedJobs = 0;
    QString FLastJobPrinter;
    QString FLastJobFile;
    bool FAdvanced = false;
    std::unique_ptr<DeviceContext> FHandle; // the running job's
    TDeviceCaps FPageCaps;                  // the figures of the job's current page
    double FPageZoom = 1.0;                 // how large the current page is drawn: its Scale
    std::unique_ptr<DeviceContext> FInfoHandle;
    TDeviceCaps FInfoCaps;
};

TPrinter& Printer();
// The factory the global printer object reads its list from; an empty function restores the
// machine's printers (CUPS queues and the "PDF file" printer).
void SetPrinterListFactory(TPrinterListFactory Factory);
// The machine's printers: what every registered source gives, in the order of their ranks. The
// default is the first default a source names, else the first printer.
TPrinterBackends MachinePrinters(int& DefaultIndex);
// Registers a source of the machine's printers; each kind of printer adds its own when the library
// loads, so the printer object knows them only as backends.
void AddMachinePrinterSource(int Rank, TPrinterListFactory Source);

// The figures of the paper, resolution and orientation a device mode asks for, as the printer
// prints them: what a backend gets with a job.
TDeviceCaps PrinterDeviceCaps(const TDeviceMode& Mode, const TPrinterCapabilities& Caps);
// The device mode's Scale in percent; 100 when it sets none.
int DeviceModeScale(const TDeviceMode& Mode);
// The figures a device context reports for a page printed at the device mode's Scale: as a driver
// does it, the page is drawn smaller, so the paper and the printable area measured in the same
// device pixels grow to match; the resolution stays.
TDeviceCaps ScaledDeviceCaps(const TDeviceCaps& Paper, const TDeviceMode& Mode);
// The paper a device mode asks for: its number first, then its form name; nullptr when the
// printer has neither.
const TPrinterPaper* FindModePaper(const TDeviceMode& Mode, const TPrinterCapabilities& Caps);

extern const char* const SNoDefaultPrinter;
extern const char* const SPrinterIndexError;
extern const char* const SPrinting;
extern const char* const SNotPrinting;
