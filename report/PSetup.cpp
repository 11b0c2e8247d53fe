#include "report/PSetup.h"

#include "host/exceptions.h"
#include "host/mathutil.h"
#include "host/properties.h"
#include "output/PimSetup.h"
#include "output/PimUtil.h"

#include <algorithm>
#include <array>
#include <utility>

namespace {

constexpr int PaperUser = 256;
constexpr int OrientLandscape = 2;

// The printer's paper number of each size, by ordinal.
// clang-format off
constexpr std::array<int, VyrPaperSizeCount> PaperIds = {
    1, 7, 5, 9, PaperUser, 2, 3, 4, 6, 8, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26,
    0, // psUseCurrent
    27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46, 47,
    50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63, 64, 65, 66, 67, 68, 69, 70,
    75, 76, 77, 78, 79, 80, 81, 82, 83,
    88, 89, 90,
    93, 94, 95, 96, 97, 98, 99, 100, 101, 102, 103, 104, 105,
    109, 110, 111, 112, 113, 114, 115, 116, 117, 118,
};
// clang-format on

// Bin numbers by ordinal of TVyrPaperSource up to psLargeFmt.
constexpr std::array<int, 12> BinIds = {1, 2, 7, 4, 5, 6, 14, 3, 9, 11, 8, 10};
constexpr int BinAuto = 7;

constexpr std::array<int, 4> QualityIds = {-4, -3, -2, -1};

TVyrPaperOrientation OrientationOf(int Id) {
    return Id == OrientLandscape ? poLandscape : poPortrait;
}

// Names of the enumerations as stored forms write them.
TEnumInfo Names(const char* Type, std::initializer_list<const char*> Values) {
    QStringList L;
    for (const char* V : Values)
        L << QString::fromLatin1(V);
    return TEnumInfo(QString::fromLatin1(Type), L);
}

const TEnumInfo& PaperSizeNames() {
    // clang-format off
    static const TEnumInfo N = Names("TVyrPaperSize", {
        "psLetter", "psExecutive", "psLegal", "psA4", "psCustom", "psLetterSmall", "psTabloid", "psLedger",
        "psStatement", "psA3", "psA4Small", "psA5", "psB4", "psB5", "psFolio", "psQuarto", "ps10x14",
        "ps11x17", "psNote", "psEnv_9", "psEnv_10", "psEnv_11", "psEnv_12", "psEnv_14", "psCSheet",
        "psDSheet", "psESheet", "psUseCurrent", "psENV_DL", "psENV_C5", "psENV_C3", "psENV_C4", "psENV_C6",
        "psENV_C65", "psENV_B4", "psENV_B5", "psENV_B6", "psENV_ITALY", "psENV_MONARCH", "psENV_PERSONAL",
        "psFANFOLD_US", "psFANFOLD_STD_GERMAN", "psFANFOLD_LGL_GERMAN", "psISO_B4", "psJAPANESE_POSTCARD",
        "ps9X11", "ps10X11", "ps15X11", "psENV_INVITE", "psLETTER_EXTRA", "psLEGAL_EXTRA",
        "psTABLOID_EXTRA", "psA4_EXTRA", "psLETTER_TRANSVERSE", "psA4_TRANSVERSE",
        "psLETTER_EXTRA_TRANSVERSE", "psA_PLUS", "psB_PLUS", "psLETTER_PLUS", "psA4_PLUS",
        "psA5_TRANSVERSE", "psB5_TRANSVERSE", "psA3_EXTRA", "psA5_EXTRA", "psB5_EXTRA", "psA2",
        "psA3_TRANSVERSE", "psA3_EXTRA_TRANSVERSE", "psDBL_JAPANESE_POSTCARD", "psA6", "psLETTER_ROTATED",
        "psA3_ROTATED", "psA4_ROTATED", "psA5_ROTATED", "psB4_JIS_ROTATED", "psB5_JIS_ROTATED",
        "psJAPANESE_POSTCARD_ROTATED", "psDBL_JAPANESE_POSTCARD_ROTATED", "psA6_ROTATED", "psB6_JIS",
        "psB6_JIS_ROTATED", "ps12X11", "psP16K", "psP32K", "psP32KBIG", "psPENV_1", "psPENV_2",
        "psPENV_3", "psPENV_4", "psPENV_5", "psPENV_6", "psPENV_7", "psPENV_8", "psPENV_9", "psPENV_10",
        "psPENV_1_ROTATED", "psPENV_2_ROTATED", "psPENV_3_ROTATED", "psPENV_4_ROTATED",
        "psPENV_5_ROTATED", "psPENV_6_ROTATED", "psPENV_7_ROTATED", "psPENV_8_ROTATED",
        "psPENV_9_ROTATED", "psPENV_10_ROTATED"});
    // clang-format on
    return N;
}

const bool PropertiesDeclared = [] {
    static const TEnumInfo ModalNames = Names("TVyrModalPreview", {"mpModal", "mpNonModal", "mpDefault"});
    static const TEnumInfo OwnerNames = Names("TVyrPreviewOwner", {"poFormOwned", "poAppOwned", "poDefault"});
    static const TEnumInfo StyleNames =
        Names("TVyrFormStyle", {"pfsNormal", "pfsMDIChild", "pfsStayOnTop", "pfsDefault"});
    static const TEnumInfo StateNames = Names("TWindowState", {"wsNormal", "wsMinimized", "wsMaximized"});
    static const TEnumInfo ZoomNames = Names("TPimZoom", {"az200", "az150", "az100", "az75", "az50", "az25",
                                                          "az10", "azWidth", "azHeight", "azPage"});
    using S = TVyrPreviewSettings;
    DeclareProperties<S>()
        .Enumeration("ModalPreview", ModalNames, &S::ModalPreview, &S::SetModalPreview)
        .Default(mpDefault)
        .Enumeration("PreviewOwner", OwnerNames, &S::PreviewOwner, &S::SetPreviewOwner)
        .Default(poDefault)
        .Enumeration("FormStyle", StyleNames, &S::FormStyle, &S::SetFormStyle)
        .Default(pfsDefault)
        .Enumeration("WindowState", StateNames, &S::WindowState, &S::SetWindowState)
        .Default(wsMaximized)
        .Enumeration("Zoom", ZoomNames, &S::Zoom, &S::SetZoom)
        .Default(az100);

    static const TEnumInfo OrientationNames =
        Names("TVyrPaperOrientation", {"poPortrait", "poLandscape", "poUseCurrent"});
    static const TEnumInfo SourceNames = Names(
        "TVyrPaperSource", {"psUpper", "psLower", "psAuto", "psManual", "psEnvelope", "psEnvelopeManual",
                            "psCassette", "psMiddle", "psSmallFmt", "psLargeCapacity", "psTractor",
                            "psLargeFmt", "ppsUseCurrent", "psOverride"});
    static const TEnumInfo DuplexNames =
        Names("TVyrPaperDuplex", {"pdSimplex", "pdDuplexLongEdge", "pdDuplexShortEdge", "pdUseCurrent"});
    static const TEnumInfo QualityNames =
        Names("TVyrPrintQuality", {"pqHigh", "pqMedium", "pqLow", "pqDraft", "pqCustom", "pqUseCurrent"});
    static const TEnumInfo TrueTypeNames = Names(
        "TVyrTrueTypeOption", {"ttBitmap", "ttDownLoad", "ttSubDev", "ttDownLoadOutline", "ttUseCurrent"});
    static const TEnumInfo UnitNames =
        Names("TVyrUnits", {"unitInches", "unitMiliMeters", "unitCentiMeters"});
    static const TEnumInfo DestinationNames =
        Names("TVyrDestination", {"destPrinter", "destScreen", "destFile"});
    using P = TVyrPageSetup;
    DeclareProperties<P>()
        .Enumeration("Orientation", OrientationNames, &P::Orientation, &P::SetOrientation)
        .Default(poUseCurrent)
        .Enumeration("Size", PaperSizeNames(), &P::Size, &P::SetSize)
        .Default(psUseCurrent)
        .Enumeration("Source", SourceNames, &P::Source, &P::SetSource)
        .Default(ppsUseCurrent)
        .Integer("SourceNum", &P::SourceNum, &P::SetSourceNum)
        .Default(0)
        .Enumeration("Duplex", DuplexNames, &P::Duplex, &P::SetDuplex)
        .Default(pdUseCurrent)
        .Integer("Copies", &P::Copies, &P::SetCopies)
        .Range(0, VyrMaxCopies)
        .Default(1)
        .Float("Height", &P::Height, &P::SetHeight)
        .Float("Width", &P::Width, &P::SetWidth)
        .Enumeration("PrintQuality", QualityNames, &P::PrintQuality, &P::SetPrintQuality)
        .Default(pqUseCurrent)
        .Enumeration("TrueTypeOption", TrueTypeNames, &P::TrueTypeOption, &P::SetTrueTypeOption)
        .Default(ttUseCurrent)
        // Margins are stored among the named extras, where a margin of a half is left out.
        .Float("LeftMargin", &P::LeftMargin, &P::SetLeftMargin)
        .Stored(false)
        .Float("RightMargin", &P::RightMargin, &P::SetRightMargin)
        .Stored(false)
        .Float("TopMargin", &P::TopMargin, &P::SetTopMargin)
        .Stored(false)
        .Float("BottomMargin", &P::BottomMargin, &P::SetBottomMargin)
        .Stored(false)
        .Boolean("Color", &P::Color, &P::SetColor)
        .Default(true)
        .Enumeration("Units", UnitNames, &P::Units, &P::SetUnits)
        .Default(unitInches)
        .Integer("RangeStart", &P::RangeStart, &P::SetRangeStart)
        .Default(0)
        .Integer("RangeEnd", &P::RangeEnd, &P::SetRangeEnd)
        .Default(0)
        .Enumeration("Destination", DestinationNames, &P::Destination, &P::SetDestination)
        .Default(destScreen)
        .Boolean("AdjustMargin", &P::AdjustMargin, &P::SetAdjustMargin)
        .Default(true)
        .Object("PreviewSettings", &P::PreviewSettings)
        .Boolean("TextDriverCompatibility", &P::TextDriverCompatibility, &P::SetTextDriverCompatibility)
        .Default(false)
        .Boolean("DirectPrinter", &P::DirectPrinter, &P::SetDirectPrinter)
        .Default(false)
        .Boolean("CollatedCopies", &P::CollatedCopies, &P::SetCollatedCopies)
        .Default(true)
        .String("FormName", &P::FormName, &P::SetFormName)
        .Default(QString());
    return true;
}();

} // namespace

int VyrPaperSizeId(TVyrPaperSize Size) {
    return Size < VyrPaperSizeCount ? PaperIds[Size] : 0;
}

TVyrPaperSize VyrPaperSizeOf(int Id) {
    if (Id <= 0) return psUseCurrent;
    for (int i = 0; i < VyrPaperSizeCount; ++i)
        if (PaperIds[size_t(i)] == Id) return TVyrPaperSize(i);
    return psUseCurrent;
}

int VyrPaperSourceId(TVyrPaperSource Source, int SourceNum) {
    if (Source == psOverride) return SourceNum > 0 ? SourceNum : BinAuto;
    if (Source < BinIds.size()) return BinIds[Source];
    return 0;
}

TVyrPaperSource VyrPaperSourceOf(int Id, int& SourceNum) {
    if (Id <= 0) return ppsUseCurrent;
    for (size_t i = 0; i < BinIds.size(); ++i)
        if (BinIds[i] == Id) return TVyrPaperSource(i);
    SourceNum = Id;
    return psOverride;
}

int VyrDuplexId(TVyrPaperDuplex Duplex) {
    return Duplex <= pdDuplexShortEdge ? int(Duplex) + 1 : 0;
}

TVyrPaperDuplex VyrDuplexOf(int Id) {
    if (Id == 2) return pdDuplexLongEdge;
    if (Id == 3) return pdDuplexShortEdge;
    return pdSimplex;
}

int VyrPrintQualityId(TVyrPrintQuality Quality) {
    return Quality <= pqDraft ? QualityIds[Quality] : 0;
}

TVyrPrintQuality VyrPrintQualityOf(int Id) {
    for (size_t i = 0; i < QualityIds.size(); ++i)
        if (QualityIds[i] == Id) return TVyrPrintQuality(i);
    return pqCustom;
}

int VyrTrueTypeId(TVyrTrueTypeOption Option) {
    return Option <= ttDownLoadOutline ? int(Option) + 1 : 0;
}

TVyrTrueTypeOption VyrTrueTypeOf(int Id) {
    switch (Id) {
    case 1:
        return ttBitmap;
    case 3:
        return ttSubDev;
    case 4:
        return ttDownLoadOutline;
    default:
        return ttDownLoad;
    }
}

// ---------------------------------------------------------------------------------------------------
// Preview settings

TVyrPreviewSettings::TVyrPreviewSettings() = default;
TVyrPreviewSettings::~TVyrPreviewSettings() = default;

void TVyrPreviewSettings::Assign(const TPersistent* Source) {
    if (const auto* S = dynamic_cast<const TVyrPreviewSettings*>(Source)) {
        FModalPreview = S->FModalPreview;
        FPreviewOwner = S->FPreviewOwner;
        FFormStyle = S->FFormStyle;
        FWindowState = S->FWindowState;
        FZoom = S->FZoom;
        return;
    }
    TPersistent::Assign(Source);
}

// ---------------------------------------------------------------------------------------------------
// Page setup

TVyrPageSetupHost::~TVyrPageSetupHost() = default;

TVyrPageSetup::TVyrPageSetup()
    : FUM(std::make_unique<TVyrUnitMaster>()), FPreviewSettings(std::make_unique<TVyrPreviewSettings>()),
      FPimPrinterSetup(std::make_unique<TPimPrinterSetup>()) {
    FPimPrinterSetup->GetData();
}

TVyrPageSetup::~TVyrPageSetup() = default;

void TVyrPageSetup::Assign(const TPersistent* Source) {
    const auto* S = dynamic_cast<const TVyrPageSetup*>(Source);
    if (!S) {
        TPersistent::Assign(Source);
        return;
    }
    if (S == this) return;
    SetPimPrinterSetup(S->FPimPrinterSetup.get());
    FOrientation = S->FOrientation;
    FSize = S->FSize;
    FSource = S->FSource;
    FSourceNum = S->FSourceNum;
    FDuplex = S->FDuplex;
    FCopies = S->FCopies;
    FHeight = S->FHeight;
    FWidth = S->FWidth;
    FPixelsPerUnit = S->FPixelsPerUnit;
    FLeftMargin = S->FLeftMargin;
    FTopMargin = S->FTopMargin;
    FBottomMargin = S->FBottomMargin;
    FRightMargin = S->FRightMargin;
    FColor = S->FColor;
    FUnits = S->FUnits;
    FRangeStart = S->FRangeStart;
    FRangeEnd = S->FRangeEnd;
    FDestination = S->FDestination;
    FAnyPrinters = S->FAnyPrinters;
    FPreviewStream = S->FPreviewStream;
    FPrintQuality = S->FPrintQuality;
    FTrueTypeOption = S->FTrueTypeOption;
    FLeftPrint = S->FLeftPrint;
    FTopPrint = S->FTopPrint;
    FBottomPrint = S->FBottomPrint;
    FRightPrint = S->FRightPrint;
    FAdjustMargin = S->FAdjustMargin;
    FTextDriverCompatibility = S->FTextDriverCompatibility;
    FDirectPrinter = S->FDirectPrinter;
    FCollatedCopies = S->FCollatedCopies;
    FFormName = S->FFormName;
    FStoreHW = S->FStoreHW;
    FPreviewSettings->Assign(S->FPreviewSettings.get());
    FPage = S->FPage;
}

void TVyrPageSetup::DefineProperties(TFiler* Filer) {
    TPersistent::DefineProperties(Filer);
    const auto Margin = [this, Filer](const char* Name, double TVyrPageSetup::*Field,
                                      void (TVyrPageSetup::*Setter)(double)) {
        Filer->DefineProperty(
            QString::fromLatin1(Name), [this, Setter](const QVariant& V) { (this->*Setter)(V.toDouble()); },
            [this, Field] { return QVariant(this->*Field); }, this->*Field != 0.5);
    };
    Margin("LeftMargin", &TVyrPageSetup::FLeftMargin, &TVyrPageSetup::SetLeftMargin);
    Margin("RightMargin", &TVyrPageSetup::FRightMargin, &TVyrPageSetup::SetRightMargin);
    Margin("TopMargin", &TVyrPageSetup::FTopMargin, &TVyrPageSetup::SetTopMargin);
    Margin("BottomMargin", &TVyrPageSetup::FBottomMargin, &TVyrPageSetup::SetBottomMargin);
    // Older forms stored the resolution; it is the printer's, so the stored value is dropped.
    Filer->DefineProperty(
        QStringLiteral("PixelsPerUnit"), [](const QVariant&) {}, nullptr, false);
}

void TVyrPageSetup::LoadSettings() {
    WriteToAPS();
    FPimPrinterSetup->SetData();
}

void TVyrPageSetup::CopySettings() {
    FPimPrinterSetup->GetData();
    ReadFromAPS();
}

void TVyrPageSetup::WriteToAPS() {
    TPimPrinterSetup& P = *FPimPrinterSetup;
    const bool NoPrinter = PagePrinterless();
    if (NoPrinter && FSize == psUseCurrent) FSize = psLetter;
    if (FOrientation != poUseCurrent) P.SetOrientation(FOrientation == poLandscape ? OrientLandscape : 1);
    if (FSize != psUseCurrent) {
        P.SetPaperSize(VyrPaperSizeId(FSize));
        if (FSize != psCustom && NoPrinter) {
            P.SetLength(1.0);
            P.SetWidth(1.0);
        }
        if (FSize == psCustom || NoPrinter) {
            P.SetLength(ToInches(FHeight));
            P.SetWidth(ToInches(FWidth));
        }
    }
    if (FCopies != 0) P.SetCopies(FCopies);
    if (FSource != ppsUseCurrent) P.SetSource(VyrPaperSourceId(FSource, FSourceNum));
    if (FTrueTypeOption != ttUseCurrent) P.SetTTOption(VyrTrueTypeId(FTrueTypeOption));
    P.SetCollatedCopies(FCollatedCopies);
    if (!FFormName.isEmpty()) P.SetFormName(FFormName);
    if (FPrintQuality != pqUseCurrent) P.SetPrintQuality(VyrPrintQualityId(FPrintQuality));
    P.SetColor(FColor ? 2 : 1);
    if (FDuplex != pdUseCurrent) P.SetDuplex(VyrDuplexId(FDuplex));
}

void TVyrPageSetup::ReadFromAPS() {
    const TPimPrinterSetup& P = *FPimPrinterSetup;
    const bool NoPrinter = PagePrinterless();
    if (NoPrinter && FSize == psUseCurrent) FSize = psLetter;
    if (FOrientation != poUseCurrent) FOrientation = OrientationOf(P.Orientation());
    if (FSize != psUseCurrent) {
        const TVyrPaperSize Mapped = VyrPaperSizeOf(P.PaperSize());
        if (Mapped != psUseCurrent) FSize = Mapped;
    }
    if (FSize != psCustom) {
        FHeight = FromInches(P.Length());
        FWidth = FromInches(P.Width());
    }
    if (FSource != ppsUseCurrent) FSource = VyrPaperSourceOf(P.Source(), FSourceNum);
    if (FDuplex != pdUseCurrent) FDuplex = VyrDuplexOf(P.Duplex());
    if (FPrintQuality != pqUseCurrent) FPrintQuality = VyrPrintQualityOf(P.PrintQuality());
    if (!NoPrinter) {
        const int Ppi = P.PixelsPerInchX();
        if (Ppi > 0) FPixelsPerUnit = Ppi * FUM->ToIn(1.0, FUnits);
    }
    FColor = P.Color() == 2;
    if (FCopies != 0) FCopies = TVyrPaperCopies(std::clamp<int32_t>(P.Copies(), 0, VyrMaxCopies));
    if (FTrueTypeOption != ttUseCurrent) FTrueTypeOption = VyrTrueTypeOf(P.TTOption());
    FCollatedCopies = P.CollatedCopies();
    FFormName = P.FormName();
    FLeftPrint = FromInches(P.LeftPrintArea());
    FTopPrint = FromInches(P.TopPrintArea());
    FRightPrint = FromInches(P.RightPrintArea());
    FBottomPrint = FromInches(P.BottomPrintArea());
    if (FAdjustMargin && FSize != psCustom) {
        if (FLeftMargin < FLeftPrint) SetLeftMargin(FLeftPrint);
        if (FRightMargin < FRightPrint) SetRightMargin(FRightPrint);
        if (FTopMargin < FTopPrint) SetTopMargin(FTopPrint);
        if (FBottomMargin < FBottomPrint) SetBottomMargin(FBottomPrint);
    }
}

void TVyrPageSetup::SetPimPrinterSetup(const TPimPrinterSetup* Value) {
    FPimPrinterSetup->Assign(Value);
    ReadFromAPS();
}

void TVyrPageSetup::GetPimPrinterSetup(TPimPrinterSetup* Value) const {
    if (Value) Value->Assign(FPimPrinterSetup.get());
}

void TVyrPageSetup::PageRefresh() {
    if (!FPage || FPage->HasState(csLoading) || !FPage->HasState(csDesigning)) return;
    if (auto* Host = dynamic_cast<TVyrPageSetupHost*>(FPage)) Host->PageSetupChanged();
}

void TVyrPageSetup::SetOrientation(TVyrPaperOrientation Value) {
    if (Value == FOrientation) return;
    FOrientation = Value;
    if (FSize == psUseCurrent) {
        // The printer's paper as the printer holds it, turned when the page asks otherwise.
        const TPimPrinterSetup& P = *FPimPrinterSetup;
        FHeight = FromInches(P.Length());
        FWidth = FromInches(P.Width());
        if (Value != poUseCurrent && Value != OrientationOf(P.Orientation())) std::swap(FHeight, FWidth);
    } else if (FSize != psCustom) {
        TakeTableSize(Value == poUseCurrent ? OrientationOf(FPimPrinterSetup->Orientation()) : Value);
    }
    PageRefresh();
}

void TVyrPageSetup::SetSize(TVyrPaperSize Value) {
    if (Value == FSize) return;
    FSize = Value;
    TakeTableSize(FOrientation);
    FStoreHW = Value == psCustom;
    if (!PageReading()) PageRefresh();
}

void TVyrPageSetup::SetSource(TVyrPaperSource Value) {
    if (Value == FSource) return;
    FSource = Value;
    PageRefresh();
}

void TVyrPageSetup::SetDuplex(TVyrPaperDuplex Value) {
    if (Value == FDuplex) return;
    FDuplex = Value;
    PageRefresh();
}

void TVyrPageSetup::SetCopies(int Value) {
    if (Value < 0 || Value > VyrMaxCopies) throw ERangeError(QStringLiteral("Range check error"));
    if (Value == FCopies) return;
    FCopies = TVyrPaperCopies(Value);
    PageRefresh();
}

void TVyrPageSetup::SetHeight(double Value) {
    CheckPageLength(Value);
    if (Value == FHeight) return;
    FHeight = Value;
    PageRefresh();
}

void TVyrPageSetup::SetWidth(double Value) {
    CheckPageLength(Value);
    if (Value == FWidth) return;
    FWidth = Value;
    PageRefresh();
}

void TVyrPageSetup::SetPixelsPerUnit(double Value) {
    if (Value == FPixelsPerUnit) return;
    FPixelsPerUnit = Value;
    PageRefresh();
}

int TVyrPageSetup::PixelsPerInch() const {
    return int(Round(FPixelsPerUnit * FUM->InTo(1.0, FUnits)));
}

void TVyrPageSetup::SetPrintQuality(TVyrPrintQuality Value) {
    if (Value == FPrintQuality) return;
    FPrintQuality = Value;
    PageRefresh();
}

void TVyrPageSetup::SetLeftMargin(double Value) {
    CheckPageLength(Value);
    if (Value == FLeftMargin) return;
    FLeftMargin = Value;
    PageRefresh();
}

void TVyrPageSetup::SetTopMargin(double Value) {
    CheckPageLength(Value);
    if (Value == FTopMargin) return;
    FTopMargin = Value;
    PageRefresh();
}

void TVyrPageSetup::SetBottomMargin(double Value) {
    CheckPageLength(Value);
    if (Value == FBottomMargin) return;
    FBottomMargin = Value;
    PageRefresh();
}

void TVyrPageSetup::SetRightMargin(double Value) {
    CheckPageLength(Value);
    if (Value == FRightMargin) return;
    FRightMargin = Value;
    PageRefresh();
}

void TVyrPageSetup::SetColor(bool Value) {
    FColor = Value;
}

void TVyrPageSetup::SetUnits(TVyrUnits Value) {
    if (Value == FUnits) return;
    // A form being read stores its lengths in the unit it names, whatever order they come in.
    if (!PageReading()) {
        const TVyrUnits Old = FUnits;
        for (double Length : {FWidth, FHeight, FLeftMargin, FTopMargin, FRightMargin, FBottomMargin})
            CheckPageLength(FUM->UnitToUnit(Length, Old, Value));
        for (double* Length : {&FWidth, &FHeight, &FLeftMargin, &FTopMargin, &FRightMargin, &FBottomMargin,
                               &FLeftPrint, &FTopPrint, &FRightPrint, &FBottomPrint})
            *Length = FUM->UnitToUnit(*Length, Old, Value);
        FPixelsPerUnit *= FUM->UnitToUnit(1.0, Value, Old);
    }
    FUnits = Value;
    PageRefresh();
}

bool TVyrPageSetup::AnyPrinters() const {
    return FPimPrinterSetup->PrinterCount() > 0;
}

void TVyrPageSetup::SetTrueTypeOption(TVyrTrueTypeOption Value) {
    FTrueTypeOption = Value;
}

void TVyrPageSetup::CheckPageLength(double Value) {
    CheckFloatPropRange(Value, 0, VyrMaxPageLength);
}

bool TVyrPageSetup::PageReading() const {
    return FPage && FPage->HasState(csReading);
}

bool TVyrPageSetup::PagePrinterless() const {
    return FPimPrinterSetup->PrinterCount() == 0;
}

// The named size's dimensions in the given orientation; a size the paper table lacks keeps the
// dimensions it has, unturned, so that switching back and forth never exchanges a custom page.
void TVyrPageSetup::TakeTableSize(TVyrPaperOrientation Orient) {
    double X = 0;
    double Y = 0;
    const int Turn = Orient == poLandscape ? OrientLandscape : 1;
    if (FSize == psCustom) return;
    if (FUnits == unitInches)
        PimPaperSizeInch(Turn, VyrPaperSizeId(FSize), X, Y);
    else {
        PimPaperSizeMM(Turn, VyrPaperSizeId(FSize), X, Y);
        X = FUM->MMTo(X, FUnits);
        Y = FUM->MMTo(Y, FUnits);
    }
    if (X <= 0 || Y <= 0) return;
    FWidth = X;
    FHeight = Y;
}

double TVyrPageSetup::FromInches(double Inches) const {
    return FUM->InTo(Inches, FUnits);
}

double TVyrPageSetup::ToInches(double Value) const {
    return FUM->ToIn(Value, FUnits);
}
