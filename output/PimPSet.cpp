#include "output/PimPSet.h"

#include "host/exceptions.h"

namespace {

// The cache of printer information, one entry per printer name, and the flag that keeps the
// entries' own nested objects from looking the cache up while an entry is being built.
std::vector<std::unique_ptr<TPimPrinterInfo>>& Cache() {
    static std::vector<std::unique_ptr<TPimPrinterInfo>> C;
    return C;
}
bool GInCache = false;

class TCacheGuard {
public:
    TCacheGuard() { GInCache = true; }
    ~TCacheGuard() { GInCache = false; }
    TCacheGuard(const TCacheGuard&) = delete;
    TCacheGuard& operator=(const TCacheGuard&) = delete;
};

// Opens the device mode of a printer information object for as long as it lives.
class TDeviceModeOpen {
public:
    TDeviceModeOpen(TPimPrinterInfo& Info, bool Reset) : FInfo(Info) { FInfo.GetDeviceMode(Reset); }
    ~TDeviceModeOpen() { FInfo.ReleaseDeviceMode(); }
    TDeviceModeOpen(const TDeviceModeOpen&) = delete;
    TDeviceModeOpen& operator=(const TDeviceModeOpen&) = delete;

private:
    TPimPrinterInfo& FInfo;
};

const char* const PaperNames[] = {
    nullptr,
    "Letter",
    "LETTER SMALL",
    "TABLOID",
    "LEDGER",
    "Legal",
    "STATEMENT",
    "Executive",
    "A3",
    "A4",
    "A4 SMALL",
    "A5",
    "B4",
    "B5",
    "FOLIO",
    "QUARTO",
    "10 14",
    "11 17",
    "NOTE",
    "ENV 9",
    "ENV 10",
    "ENV 11",
    "ENV 12",
    "ENV 14",
    "C SHEET",
    "D SHEET",
    "E SHEET",
    "ENV_DL",
    "ENV_C5",
    "ENV_C3",
    "ENV_C4",
    "ENV_C6",
    "ENV_C65",
    "ENV_B4",
    "ENV_B5",
    "ENV_B6",
    "ENV_ITALY",
    "ENV_MONARCH",
    "ENV_PERSONAL",
    "FANFOLD_US",
    "FANFOLD_STD_GERMAN",
    "FANFOLD_LGL_GERMAN",
    "ISO_B4",
    "JAPANESE_POSTCARD",
    "9X11",
    "10X11",
    "15X11",
    "ENV_INVITE",
    nullptr,
    nullptr,
    "LETTER_EXTRA",
    "LEGAL_EXTRA",
    "TABLOID_EXTRA",
    "A4_EXTRA",
    "LETTER_TRANSVERSE",
    "A4_TRANSVERSE",
    "LETTER_EXTRA_TRANSVERSE",
    "A_PLUS",
    "B_PLUS",
    "LETTER_PLUS",
    "A4_PLUS",
    "A5_TRANSVERSE",
    "B5_TRANSVERSE",
    "A3_EXTRA",
    "A5_EXTRA",
    "B5_EXTRA",
    "A2",
    "A3_TRANSVERSE",
    "A3_EXTRA_TRANSVERSE",
    "DBL_JAPANESE_POSTCARD",
    "A6",
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    "LETTER_ROTATED",
    "A3_ROTATED",
    "A4_ROTATED",
    "A5_ROTATED",
    "B4_JIS_ROTATED",
    "B5_JIS_ROTATED",
    "JAPANESE_POSTCARD_ROTATED",
    "DBL_JAPANESE_POSTCARD_ROTATED",
    "A6_ROTATED",
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    "B6_JIS",
    "B6_JIS_ROTATED",
    "12X11",
    nullptr,
    nullptr,
    "P16K",
    "P32K",
    "P32KBIG",
    "PENV_1",
    "PENV_2",
    "PENV_3",
    "PENV_4",
    "PENV_5",
    "PENV_6",
    "PENV_7",
    "PENV_8",
    "PENV_9",
    "PENV_10",
    nullptr,
    nullptr,
    nullptr,
    "PENV_1_ROTATED",
    "PENV_2_ROTATED",
    "PENV_3_ROTATED",
    "PENV_4_ROTATED",
    "PENV_5_ROTATED",
    "PENV_6_ROTATED",
    "PENV_7_ROTATED",
    "PENV_8_ROTATED",
    "PENV_9_ROTATED",
    "PENV_10_ROTATED",
};
static_assert(std::size(PaperNames) == 119);

QString CurrentPrinterName() {
    return Printer().Printers()[Printer().PrinterIndex()];
}

} // namespace

int PimGetPrinterCount() {
    return Printer().PrinterCount();
}

// The platform this runs on has one kind only, the one with form names in the device mode.
TPimWinVersion PimWinVersion() {
    return awvWinNT;
}

void PimResetPrinter() {
    if (PimGetPrinterCount() <= 0 || Printer().Printing()) return;
    const int Index = Printer().PrinterIndex();
    try {
        Printer().SetPrinterIndex(-1);
    } catch (const Exception&) {
        Printer().SetPrinterIndex(Index);
    }
    Printer().SetPrinterIndex(Index);
    Printer().ResetDeviceMode();
}

bool PimWordMatch(const QString& Asked, const QString& Candidate) {
    if (Asked.isEmpty()) return false;
    const QString Name = Candidate.toUpper();
    for (const QString& Word : Asked.toUpper().split(u' '))
        if (!Name.contains(Word)) return false;
    return true;
}

void PimClearPrinterInfoCache() {
    Cache().clear();
}

// TPimPrinterSettings

TPimPrinterSettings::TPimPrinterSettings() = default;

void TPimPrinterSettings::Assign(const TPimPrinterSettings* Source) {
    if (!Source) return;
    FPSProperties = Source->FPSProperties;
    FPrintSet = Source->FPrintSet;
    FFormName = Source->FFormName;
    FCustomPaperSize = Source->FCustomPaperSize;
}

void TPimPrinterSettings::SetPSProperty(TPimPrintSettings Index, int32_t Value) {
    FPSProperties[Index] = Value;
    FPrintSet[Index] = true;
}

void TPimPrinterSettings::SetFormName(const QString& Value) {
    FFormName = Value;
    FPrintSet[apsFormName] = true;
}

void TPimPrinterSettings::GetValues() {
    TPimPrinterInfo Info;
    TDeviceModeOpen Open(Info, false);
    if (!Info.DeviceMode) return;
    const TDeviceMode& Dm = *Info.DeviceMode;
    TPimPaper* Paper = nullptr;
    if (Dm.Has(dmfOrientation)) SetPSProperty(apsOrientation, Dm.Orientation);
    if (Dm.Has(dmfPaperSize)) {
        SetPSProperty(apsPaperSize, uint16_t(Dm.PaperSize));
        Paper = Info.GetPaperByNum(uint16_t(Dm.PaperSize));
    }
    if (Dm.Has(dmfFormName)) {
        FFormName = Dm.FormName;
        Paper = Info.GetPaperByName(FFormName);
    }
    if (Dm.Has(dmfScale)) SetPSProperty(apsScale, Dm.Scale);
    if (Dm.Has(dmfCopies)) SetPSProperty(apsCopies, Dm.Copies);
    if (Dm.Has(dmfDefaultSource)) SetPSProperty(apsDefaultSource, uint16_t(Dm.DefaultSource));
    if (Dm.Has(dmfPrintQuality)) SetPSProperty(apsPrintQuality, Dm.PrintQuality);
    if (Dm.Has(dmfColor)) SetPSProperty(apsColor, Dm.Color);
    if (Dm.Has(dmfDuplex)) SetPSProperty(apsDuplex, Dm.Duplex);
    if (Dm.Has(dmfYResolution)) SetPSProperty(apsYResolution, Dm.YResolution);
    if (Dm.Has(dmfTTOption)) SetPSProperty(apsTTOption, Dm.TTOption);
    if (Dm.Has(dmfCollate)) SetPSProperty(apsCollate, Dm.Collate);
    if (!Paper) return;
    if (Paper->PaperNum == dmPaperUser) {
        FCustomPaperSize = true;
        if (Dm.Has(dmfPaperLength)) SetPSProperty(apsPaperLength, Dm.PaperLength);
        if (Dm.Has(dmfPaperWidth)) SetPSProperty(apsPaperWidth, Dm.PaperWidth);
    } else if (Orientation() == dmOrientPortrait) {
        SetPSProperty(apsPaperLength, Paper->PaperSize.y());
        SetPSProperty(apsPaperWidth, Paper->PaperSize.x());
    } else {
        SetPSProperty(apsPaperLength, Paper->PaperSize.x());
        SetPSProperty(apsPaperWidth, Paper->PaperSize.y());
    }
}

void TPimPrinterSettings::SetValues(bool Reset) {
    TPimPrinterInfo Info;
    TDeviceModeOpen Open(Info, Reset);
    if (!Info.DeviceMode) return;
    TDeviceMode& Dm = *Info.DeviceMode;
    const TPimPrinterSettings& Defaults = *Info.PrinterSettings();
    // A setting of our own wins; otherwise the printer's default stands in, when it has one.
    auto Available = [&](TPimPrintSettings Index, int32_t& Value) {
        if (FPrintSet[Index])
            Value = FPSProperties[Index];
        else if (Defaults.FPrintSet[Index])
            Value = Defaults.FPSProperties[Index];
        else
            return false;
        return true;
    };
    // Every member is 16 bits wide and takes the low 16 bits of the value.
    auto Put = [&Dm](TDeviceModeField Field, int16_t& Member, int32_t Value) {
        Dm.Fields |= Field;
        Member = int16_t(uint16_t(Value));
    };
    int32_t V = 0;

    if (Available(apsOrientation, V) && (V == dmOrientPortrait || V == dmOrientLandscape))
        Put(dmfOrientation, Dm.Orientation, V);

    if (FPrintSet[apsFormName] || FPrintSet[apsPaperSize]) {
        TPimPaper* Paper = nullptr;
        QString Name;
        if (FPrintSet[apsFormName]) {
            Name = FFormName;
            if (!Name.isEmpty()) Paper = Info.GetPaperByName(Name);
        } else {
            Name = Defaults.FFormName;
        }
        int32_t Size = 0;
        const bool SizeAvailable = Available(apsPaperSize, Size);
        if (!Paper && SizeAvailable) Paper = Info.GetPaperByNum(Size);
        if (!Paper && SizeAvailable) Paper = Info.FindPaperByName(TPimPrinterInfo::GetPaperName(Size));
        if (!Paper && !Name.isEmpty()) Paper = Info.GetPaperByName(Name);
        Dm.Fields &= ~uint32_t(dmfPaperSize | dmfFormName);
        if (Paper) {
            if (FPrintSet[apsFormName] && PimWinVersion() == awvWinNT) {
                Dm.Fields |= dmfFormName;
                Dm.SetFormName(Paper->PaperName);
            }
            Put(dmfPaperSize, Dm.PaperSize, Paper->PaperNum);
            if (Paper->PaperNum == dmPaperUser || FCustomPaperSize) {
                if (Available(apsPaperLength, V)) Put(dmfPaperLength, Dm.PaperLength, V);
                if (Available(apsPaperWidth, V)) Put(dmfPaperWidth, Dm.PaperWidth, V);
            }
        }
    }

    if (Available(apsScale, V)) Put(dmfScale, Dm.Scale, V);
    if (Available(apsCopies, V)) Put(dmfCopies, Dm.Copies, V);
    if (Available(apsDefaultSource, V))
        if (TPimBinInfo* Bin = Info.FindBinByNum(V)) Put(dmfDefaultSource, Dm.DefaultSource, Bin->binNumber);
    if (Available(apsPrintQuality, V) && V >= dmResHigh && V <= dmResDraft)
        Put(dmfPrintQuality, Dm.PrintQuality, V);
    if (Available(apsColor, V) && (V == dmColorMonochrome || V == dmColorColor)) Put(dmfColor, Dm.Color, V);
    if (Available(apsDuplex, V)) Put(dmfDuplex, Dm.Duplex, V);
    if (Info.TrueType() > 0 && Available(apsTTOption, V)) Put(dmfTTOption, Dm.TTOption, V);
    if (Available(apsCollate, V)) Put(dmfCollate, Dm.Collate, V);

    if (Printer().Printing()) Printer().ApplyDeviceMode();
}

// TPimPrinterInfo

TPimPrinterInfo::TPimPrinterInfo() : FPrinterSettings(std::make_unique<TPimPrinterSettings>()) {
    ReadFromCache();
}

TPimPrinterInfo::~TPimPrinterInfo() = default;

void TPimPrinterInfo::ReadFromCache() {
    // With no printer there is nothing to read, and an empty object is the honest answer.
    if (GInCache || PimGetPrinterCount() <= 0) return;
    TCacheGuard Guard;
    const QString Name = CurrentPrinterName();
    TPimPrinterInfo* Entry = nullptr;
    for (const auto& E : Cache())
        if (E->FPrinterName == Name) {
            Entry = E.get();
            break;
        }
    if (!Entry) {
        auto Made = std::make_unique<TPimPrinterInfo>();
        Made->Update();
        Entry = Made.get();
        Cache().push_back(std::move(Made));
        Entry->PrinterSettings()->GetValues();
    }
    Assign(Entry);
}

void TPimPrinterInfo::Assign(const TPimPrinterInfo* Source) {
    if (!Source || Source == this) return;
    FBinList.clear();
    for (const auto& B : Source->FBinList)
        FBinList.push_back(std::make_unique<TPimBinInfo>(*B));
    FCopies = Source->FCopies;
    FDuplex = Source->FDuplex;
    FResolutions.clear();
    for (const auto& R : Source->FResolutions)
        FResolutions.push_back(std::make_unique<TPimResolution>(*R));
    FPaperList.clear();
    for (const auto& P : Source->FPaperList)
        FPaperList.push_back(std::make_unique<TPimPaper>(*P));
    FPrinterName = Source->FPrinterName;
    FTrueType = Source->FTrueType;
    FPrinterSettings->Assign(Source->FPrinterSettings.get());
}

void TPimPrinterInfo::GetDeviceMode(bool Reset) {
    if (DeviceMode || PimGetPrinterCount() <= 0) return;
    if (Reset) PimResetPrinter();
    Printer().GetPrinter(Device, Driver, Port);
    DeviceMode = &Printer().DeviceMode();
}

void TPimPrinterInfo::ReleaseDeviceMode() {
    DeviceMode = nullptr;
}

bool TPimPrinterInfo::PrinterChanged() {
    return PimGetPrinterCount() > 0 && CurrentPrinterName() != FPrinterName;
}

void TPimPrinterInfo::Update() {
    TDeviceModeOpen Open(*this, false);
    if (!DeviceMode) return;
    FBinList.clear();
    FResolutions.clear();
    FPaperList.clear();
    FCopies = 0;
    FDuplex = false;
    const TPrinterCapabilities Caps = Printer().Capabilities();
    FCopies = Caps.MaxCopies;
    // The driver's lists are read into buffers of 256 bins.
    for (const TPrinterBin& B : Caps.Bins) {
        if (FBinList.size() >= 256) break;
        auto Bin = std::make_unique<TPimBinInfo>();
        Bin->binName = B.Name.left(23);
        Bin->binNumber = B.Number;
        FBinList.push_back(std::move(Bin));
    }
    FDuplex = Caps.Duplex;
    for (const QPoint& R : Caps.Resolutions) {
        auto Res = std::make_unique<TPimResolution>();
        Res->HorzRes = R.x();
        Res->VertRes = R.y();
        FResolutions.push_back(std::move(Res));
    }
    for (const TPrinterPaper& P : Caps.Papers) {
        auto Paper = std::make_unique<TPimPaper>();
        Paper->PaperName = P.Name.left(64);
        Paper->PaperNum = P.Number;
        Paper->PaperSize = P.Size;
        FPaperList.push_back(std::move(Paper));
    }
    FPrinterName = CurrentPrinterName();
}

TPimPaper* TPimPrinterInfo::GetPaperByNum(int Value) const {
    for (const auto& P : FPaperList)
        if (P->PaperNum == Value) return P.get();
    return nullptr;
}

TPimPaper* TPimPrinterInfo::GetPaperByName(const QString& FormName) const {
    for (const auto& P : FPaperList)
        if (P->PaperName.compare(FormName, Qt::CaseInsensitive) == 0) return P.get();
    return nullptr;
}

TPimPaper* TPimPrinterInfo::FindPaperByName(const QString& FormName) const {
    for (const auto& P : FPaperList)
        if (PimWordMatch(FormName, P->PaperName)) return P.get();
    return nullptr;
}

QString TPimPrinterInfo::GetPaperName(int Value) {
    if (Value == dmPaperUser) return QStringLiteral("Custom");
    if (Value > 0 && Value < int(std::size(PaperNames)) && PaperNames[Value])
        return QString::fromLatin1(PaperNames[Value]);
    return QStringLiteral("Letter");
}

TPimBinInfo* TPimPrinterInfo::GetBinByNum(int Value) const {
    for (const auto& B : FBinList)
        if (B->binNumber == Value) return B.get();
    return nullptr;
}

QString TPimPrinterInfo::GetBinName(int Value) {
    switch (Value) {
    case 1:
        return QStringLiteral("Upper");
    case 2:
        return QStringLiteral("Lower");
    case 3:
        return QStringLiteral("Middle");
    case 4:
        return QStringLiteral("Manual");
    case 5:
        return QStringLiteral("Envelope");
    case 6:
        return QStringLiteral("Envelope Manual");
    case 7:
        return QStringLiteral("Auto");
    case 8:
        return QStringLiteral("Tractor");
    case 9:
        return QStringLiteral("Small Format");
    case 10:
        return QStringLiteral("Large Format");
    case 11:
        return QStringLiteral("Large Capacity");
    case 14:
        return QStringLiteral("Cassette");
    case 15:
        return QStringLiteral("Form Source");
    default:
        return QStringLiteral("Override Bin #") + QString::number(Value);
    }
}

TPimBinInfo* TPimPrinterInfo::FindBinByName(const QString& BinName) const {
    for (const auto& B : FBinList)
        if (PimWordMatch(BinName, B->binName)) return B.get();
    return nullptr;
}

TPimBinInfo* TPimPrinterInfo::FindBinByNum(int BinNum) const {
    if (TPimBinInfo* B = GetBinByNum(BinNum)) return B;
    return FindBinByName(GetBinName(BinNum));
}

TPimResolution* TPimPrinterInfo::GetResolution(int HorzRes, int VertRes) const {
    if (FResolutions.empty()) return nullptr;
    TPimResolution* Found = nullptr;
    for (const auto& R : FResolutions)
        if (R->HorzRes >= HorzRes && R->VertRes >= VertRes) Found = R.get();
    return Found ? Found : FResolutions.front().get();
}
