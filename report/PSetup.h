#pragma once
#include "host/classes.h"
#include "host/forms.h"
#include "output/PimTypes.h"
#include "report/VyrUtil.h"

#include <QString>
#include <cstdint>
#include <memory>

class TPimPrinterSetup;

enum TVyrModalPreview : uint8_t { mpModal, mpNonModal, mpDefault };
enum TVyrPreviewOwner : uint8_t { poFormOwned, poAppOwned, poDefault };
enum TVyrFormStyle : uint8_t { pfsNormal, pfsMDIChild, pfsStayOnTop, pfsDefault };

enum TVyrPaperOrientation : uint8_t { poPortrait, poLandscape, poUseCurrent };

// The ordinals are stored in forms and index the paper-number table, so the order never changes.
// clang-format off
enum TVyrPaperSize : uint8_t {
    psLetter, psExecutive, psLegal, psA4, psCustom, psLetterSmall, psTabloid, psLedger, psStatement,
    psA3, psA4Small, psA5, psB4, psB5, psFolio, psQuarto, ps10x14, ps11x17, psNote, psEnv_9,
    psEnv_10, psEnv_11, psEnv_12, psEnv_14, psCSheet, psDSheet, psESheet, psUseCurrent,
    psENV_DL, psENV_C5, psENV_C3, psENV_C4, psENV_C6, psENV_C65, psENV_B4, psENV_B5, psENV_B6,
    psENV_ITALY, psENV_MONARCH, psENV_PERSONAL, psFANFOLD_US, psFANFOLD_STD_GERMAN,
    psFANFOLD_LGL_GERMAN, psISO_B4, psJAPANESE_POSTCARD, ps9X11, ps10X11, ps15X11, psENV_INVITE,
    psLETTER_EXTRA, psLEGAL_EXTRA, psTABLOID_EXTRA, psA4_EXTRA, psLETTER_TRANSVERSE,
    psA4_TRANSVERSE, psLETTER_EXTRA_TRANSVERSE, psA_PLUS, psB_PLUS, psLETTER_PLUS, psA4_PLUS,
    psA5_TRANSVERSE, psB5_TRANSVERSE, psA3_EXTRA, psA5_EXTRA, psB5_EXTRA, psA2, psA3_TRANSVERSE,
    psA3_EXTRA_TRANSVERSE, psDBL_JAPANESE_POSTCARD, psA6, psLETTER_ROTATED, psA3_ROTATED,
    psA4_ROTATED, psA5_ROTATED, psB4_JIS_ROTATED, psB5_JIS_ROTATED, psJAPANESE_POSTCARD_ROTATED,
    psDBL_JAPANESE_POSTCARD_ROTATED, psA6_ROTATED, psB6_JIS, psB6_JIS_ROTATED, ps12X11, psP16K,
    psP32K, psP32KBIG, psPENV_1, psPENV_2, psPENV_3, psPENV_4, psPENV_5, psPENV_6, psPENV_7,
    psPENV_8, psPENV_9, psPENV_10, psPENV_1_ROTATED, psPENV_2_ROTATED, psPENV_3_ROTATED,
    psPENV_4_ROTATED, psPENV_5_ROTATED, psPENV_6_ROTATED, psPENV_7_ROTATED, psPENV_8_ROTATED,
    psPENV_9_ROTATED, psPENV_10_ROTATED,
};
// clang-format on
inline constexpr int VyrPaperSizeCount = psPENV_10_ROTATED + 1;

// clang-format off
enum TVyrPaperSource : uint8_t {
    psUpper, psLower, psAuto, psManual, psEnvelope, psEnvelopeManual, psCassette, psMiddle,
    psSmallFmt, psLargeCapacity, psTractor, psLargeFmt, ppsUseCurrent, psOverride,
};
// clang-format on
enum TVyrPaperDuplex : uint8_t { pdSimplex, pdDuplexLongEdge, pdDuplexShortEdge, pdUseCurrent };
using TVyrPaperCopies = uint16_t;
enum TVyrDestination : uint8_t { destPrinter, destScreen, destFile };
enum TVyrPreviewStream : uint8_t { psFile, psMemory };
enum TVyrPrintQuality : uint8_t { pqHigh, pqMedium, pqLow, pqDraft, pqCustom, pqUseCurrent };
enum TVyrTrueTypeOption : uint8_t { ttBitmap, ttDownLoad, ttSubDev, ttDownLoadOutline, ttUseCurrent };

inline constexpr TVyrPaperCopies VyrMaxCopies = 9999;
// The longest paper and margin a page setup holds, in its own units (ten metres in millimetres, 254
// in inches). At the highest resolution a layout takes, such a length is 10^8 pixels, so the sums
// the page makes of a few of them stay far inside an int.
inline constexpr double VyrMaxPageLength = 10000;

// Translations between the page setup's enumerations and the printer's device-mode numbers. A
// use-current value has no number (0); numbers that no value has give the use-current value, except
// where noted.
int VyrPaperSizeId(TVyrPaperSize Size);                      // psCustom gives 256
TVyrPaperSize VyrPaperSizeOf(int Id);                        // psUseCurrent when no size has the number
int VyrPaperSourceId(TVyrPaperSource Source, int SourceNum); // psOverride: SourceNum when > 0, else 7
// A bin the list lacks gives psOverride with SourceNum set to it; 0 and below give ppsUseCurrent.
TVyrPaperSource VyrPaperSourceOf(int Id, int& SourceNum);
int VyrDuplexId(TVyrPaperDuplex Duplex);
TVyrPaperDuplex VyrDuplexOf(int Id); // anything but 2 and 3 is simplex
int VyrPrintQualityId(TVyrPrintQuality Quality);
TVyrPrintQuality VyrPrintQualityOf(int Id); // anything but -4 .. -1 is custom
int VyrTrueTypeId(TVyrTrueTypeOption Option);
TVyrTrueTypeOption VyrTrueTypeOf(int Id); // anything but 1, 3 and 4 is download

// How the viewer of a screen run is shown.
class TVyrPreviewSettings : public TPersistent {
public:
    TVyrPreviewSettings();
    ~TVyrPreviewSettings() override;

    void Assign(const TPersistent* Source) override;

    TVyrModalPreview ModalPreview() const { return FModalPreview; }
    void SetModalPreview(TVyrModalPreview Value) { FModalPreview = Value; }
    TVyrPreviewOwner PreviewOwner() const { return FPreviewOwner; }
    void SetPreviewOwner(TVyrPreviewOwner Value) { FPreviewOwner = Value; }
    TVyrFormStyle FormStyle() const { return FFormStyle; }
    void SetFormStyle(TVyrFormStyle Value) { FFormStyle = Value; }
    TWindowState WindowState() const { return FWindowState; }
    void SetWindowState(TWindowState Value) { FWindowState = Value; }
    TPimZoom Zoom() const { return FZoom; }
    void SetZoom(TPimZoom Value) { FZoom = Value; }

private:
    TVyrModalPreview FModalPreview = mpDefault;
    TVyrPreviewOwner FPreviewOwner = poDefault;
    TVyrFormStyle FFormStyle = pfsDefault;
    TWindowState FWindowState = wsMaximized;
    TPimZoom FZoom = az100;
};

// What a page setup asks of the page that owns it when the paper changes at design time: the page
// implements this next to its component class. The setup reaches it from its Page reference, and
// only while that page is designed and not loading.
class TVyrPageSetupHost {
public:
    virtual ~TVyrPageSetupHost();
    // The report re-places its design buttons, the page re-arranges its bands and is invalidated,
    // the design hook's rulers are invalidated and every band of the page is invalidated.
    virtual void PageSetupChanged() = 0;
};

// The paper, printer options, page size and margins of a report page, and where a run goes. It owns
// the printer setup that the run hands to the printer and translates to and from it.
class TVyrPageSetup : public TPersistent {
public:
    TVyrPageSetup();
    ~TVyrPageSetup() override;

    void Assign(const TPersistent* Source) override;
    void DefineProperties(TFiler* Filer) override;

    // Page setup into the printer setup, then the flagged settings onto the printer.
    virtual void LoadSettings();
    // The printer's settings into the printer setup, then into the page setup.
    virtual void CopySettings();
    void WriteToAPS();
    void ReadFromAPS();
    void SetPimPrinterSetup(const TPimPrinterSetup* Value);
    void GetPimPrinterSetup(TPimPrinterSetup* Value) const;
    void PageRefresh();

    TComponent* Page() const { return FPage; }
    void SetPage(TComponent* Value) { FPage = Value; }

    TVyrPaperOrientation Orientation() const { return FOrientation; }
    virtual void SetOrientation(TVyrPaperOrientation Value);
    TVyrPaperSize Size() const { return FSize; }
    virtual void SetSize(TVyrPaperSize Value);
    TVyrPaperSource Source() const { return FSource; }
    virtual void SetSource(TVyrPaperSource Value);
    int32_t SourceNum() const { return FSourceNum; }
    void SetSourceNum(int32_t Value) { FSourceNum = Value; }
    TVyrPaperDuplex Duplex() const { return FDuplex; }
    virtual void SetDuplex(TVyrPaperDuplex Value);
    TVyrPaperCopies Copies() const { return FCopies; }
    // Raises ERangeError outside 0 .. VyrMaxCopies.
    virtual void SetCopies(int Value);
    // The lengths (height, width, margins) raise EPropertyError outside 0 .. VyrMaxPageLength, and
    // so does a change of units that would take one there.
    double Height() const { return FHeight; }
    virtual void SetHeight(double Value);
    double Width() const { return FWidth; }
    virtual void SetWidth(double Value);
    // Pixels per one unit of Units, kept unrounded in the metric units.
    double PixelsPerUnit() const { return FPixelsPerUnit; }
    virtual void SetPixelsPerUnit(double Value);
    int PixelsPerInch() const;
    TVyrPrintQuality PrintQuality() const { return FPrintQuality; }
    virtual void SetPrintQuality(TVyrPrintQuality Value);
    double LeftMargin() const { return FLeftMargin; }
    virtual void SetLeftMargin(double Value);
    double TopMargin() const { return FTopMargin; }
    virtual void SetTopMargin(double Value);
    double BottomMargin() const { return FBottomMargin; }
    virtual void SetBottomMargin(double Value);
    double RightMargin() const { return FRightMargin; }
    virtual void SetRightMargin(double Value);
    bool Color() const { return FColor; }
    virtual void SetColor(bool Value);
    TVyrUnits Units() const { return FUnits; }
    virtual void SetUnits(TVyrUnits Value);
    TVyrUnitMaster* UM() const { return FUM.get(); }
    int32_t RangeStart() const { return FRangeStart; }
    void SetRangeStart(int32_t Value) { FRangeStart = Value; }
    int32_t RangeEnd() const { return FRangeEnd; }
    void SetRangeEnd(int32_t Value) { FRangeEnd = Value; }
    TVyrDestination Destination() const { return FDestination; }
    void SetDestination(TVyrDestination Value) { FDestination = Value; }
    // Whether the machine has a printer, asked afresh at every read.
    bool AnyPrinters() const;
    TVyrPreviewStream PreviewStream() const { return FPreviewStream; }
    void SetPreviewStream(TVyrPreviewStream Value) { FPreviewStream = Value; }
    TVyrTrueTypeOption TrueTypeOption() const { return FTrueTypeOption; }
    virtual void SetTrueTypeOption(TVyrTrueTypeOption Value);
    // The printer's unprintable border on each side, in Units.
    double LeftPrint() const { return FLeftPrint; }
    double TopPrint() const { return FTopPrint; }
    double BottomPrint() const { return FBottomPrint; }
    double RightPrint() const { return FRightPrint; }
    bool AdjustMargin() const { return FAdjustMargin; }
    void SetAdjustMargin(bool Value) { FAdjustMargin = Value; }
    TVyrPreviewSettings* PreviewSettings() const { return FPreviewSettings.get(); }
    void SetPreviewSettings(const TVyrPreviewSettings* Value) { FPreviewSettings->Assign(Value); }
    TPimPrinterSetup* PimPrinterSetup() const { return FPimPrinterSetup.get(); }
    bool TextDriverCompatibility() const { return FTextDriverCompatibility; }
    void SetTextDriverCompatibility(bool Value) { FTextDriverCompatibility = Value; }
    bool DirectPrinter() const { return FDirectPrinter; }
    void SetDirectPrinter(bool Value) { FDirectPrinter = Value; }
    bool CollatedCopies() const { return FCollatedCopies; }
    void SetCollatedCopies(bool Value) { FCollatedCopies = Value; }
    const QString& FormName() const { return FFormName; }
    void SetFormName(const QString& Value) { FFormName = Value; }
    bool StoreHW() const { return FStoreHW; }

    double PrintHeight() const { return FHeight - FTopMargin - FBottomMargin; }
    double PrintWidth() const { return FWidth - FLeftMargin - FRightMargin; }

private:
    static void CheckPageLength(double Value);
    bool PageReading() const;
    bool PagePrinterless() const;
    void TakeTableSize(TVyrPaperOrientation Orient);
    double FromInches(double Inches) const;
    double ToInches(double Value) const;

    TComponent* FPage = nullptr; // the owning page; not owned
    TVyrPaperOrientation FOrientation = poUseCurrent;
    TVyrPaperSize FSize = psUseCurrent;
    TVyrPaperSource FSource = ppsUseCurrent;
    int32_t FSourceNum = 0;
    TVyrPaperDuplex FDuplex = pdUseCurrent;
    TVyrPaperCopies FCopies = 1;
    double FHeight = 11.0;
    double FWidth = 8.5;
    double FPixelsPerUnit = 300.0;
    double FLeftMargin = 0.5;
    double FTopMargin = 0.5;
    double FBottomMargin = 0.5;
    double FRightMargin = 0.5;
    bool FColor = true;
    TVyrUnits FUnits = unitInches;
    std::unique_ptr<TVyrUnitMaster> FUM;
    int32_t FRangeStart = 0;
    int32_t FRangeEnd = 0;
    TVyrDestination FDestination = destScreen;
    bool FAnyPrinters = false;
    TVyrPreviewStream FPreviewStream = psFile;
    TVyrPrintQuality FPrintQuality = pqUseCurrent;
    TVyrTrueTypeOption FTrueTypeOption = ttUseCurrent;
    double FLeftPrint = 0;
    double FTopPrint = 0;
    double FBottomPrint = 0;
    double FRightPrint = 0;
    bool FAdjustMargin = true;
    std::unique_ptr<TVyrPreviewSettings> FPreviewSettings;
    std::unique_ptr<TPimPrinterSetup> FPimPrinterSetup;
    bool FTextDriverCompatibility = false;
    bool FDirectPrinter = false;
    bool FCollatedCopies = true;
    QString FFormName;
    bool FStoreHW = false;
};
