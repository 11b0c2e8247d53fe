#include "output/PimSetup.h"

#include "host/mathutil.h"
#include "host/streams.h"
#include "output/PimFile.h"
#include "output/PimUtil.h"

#include <QByteArray>

namespace {

// Inches to the tenths of a millimetre the block and the device mode count in.
int32_t TenthsMm(double Inches) {
    return int32_t(Round(Inches * 254));
}

} // namespace

TPimPrinterSetup::TPimPrinterSetup() : FPrinterSettings(std::make_unique<TPimPrinterSettings>()) {}

TPimPrinterSetup::~TPimPrinterSetup() = default;

void TPimPrinterSetup::Assign(const TPimPrinterSetup* Source) {
    if (!Source || Source == this) return;
    FOrientation = Source->FOrientation;
    FPaperSize = Source->FPaperSize;
    FLength = Source->FLength;
    FWidth = Source->FWidth;
    FScale = Source->FScale;
    FCopies = Source->FCopies;
    FSource = Source->FSource;
    FPrintQuality = Source->FPrintQuality;
    FColor = Source->FColor;
    FDuplex = Source->FDuplex;
    FYResolution = Source->FYResolution;
    FTTOption = Source->FTTOption;
    FCollatedCopies = Source->FCollatedCopies;
    FFormName = Source->FFormName;
    FPrintSet = Source->FPrintSet;
    FPrinterSettings->Assign(Source->FPrinterSettings.get());
}

void TPimPrinterSetup::ClearSettings() {
    FPrintSet.fill(false);
}

void TPimPrinterSetup::SetPrintInfo(const TPimFilePrinterInfo& pinfo) {
    FOrientation = pinfo.Orientation;
    FPaperSize = pinfo.PaperSize;
    FLength = pinfo.Length;
    FWidth = pinfo.Width;
    FScale = pinfo.Scale;
    FCopies = pinfo.Copies;
    FSource = pinfo.Source;
    FPrintQuality = pinfo.PrintQuality;
    FColor = pinfo.Color;
    FDuplex = pinfo.Duplex;
    FYResolution = pinfo.YResolution;
    FTTOption = pinfo.TTOption;
    FCollatedCopies = pinfo.CollatedCopies;
    FPrintSet.fill(true);
}

void TPimPrinterSetup::GetPrintInfo(TPimFilePrinterInfo& pinfo) const {
    pinfo.Orientation = uint16_t(FOrientation);
    pinfo.PaperSize = uint16_t(FPaperSize);
    pinfo.Length = FLength;
    pinfo.Width = FWidth;
    pinfo.Scale = uint16_t(FScale);
    pinfo.Copies = uint16_t(FCopies);
    pinfo.Source = uint16_t(FSource);
    pinfo.PrintQuality = int16_t(uint16_t(FPrintQuality));
    pinfo.Color = uint16_t(FColor);
    pinfo.Duplex = uint16_t(FDuplex);
    pinfo.YResolution = uint16_t(FYResolution);
    pinfo.TTOption = uint16_t(FTTOption);
    pinfo.CollatedCopies = FCollatedCopies;
}

bool TPimPrinterSetup::IsEqual(const TPimPrinterSetup& ps) const {
    return FOrientation == ps.FOrientation && FPaperSize == ps.FPaperSize && FLength == ps.FLength &&
           FWidth == ps.FWidth && FScale == ps.FScale && FCopies == ps.FCopies && FSource == ps.FSource &&
           FPrintQuality == ps.FPrintQuality && FColor == ps.FColor && FDuplex == ps.FDuplex &&
           FYResolution == ps.FYResolution && FTTOption == ps.FTTOption &&
           FCollatedCopies == ps.FCollatedCopies && FFormName == ps.FFormName;
}

bool TPimPrinterSetup::IsRunningEqual(const TPimPrinterSetup& ps) const {
    return FOrientation == ps.FOrientation && FPaperSize == ps.FPaperSize && FLength == ps.FLength &&
           FWidth == ps.FWidth && FCopies == ps.FCopies && FSource == ps.FSource && FDuplex == ps.FDuplex &&
           FCollatedCopies == ps.FCollatedCopies && FFormName == ps.FFormName;
}

void TPimPrinterSetup::CopyToPrinterSettings() {
    const int32_t Values[12] = {FOrientation, FPaperSize, TenthsMm(FLength), TenthsMm(FWidth),
                                FScale,       FCopies,    FSource,           FPrintQuality,
                                FColor,       FDuplex,    FYResolution,      FTTOption};
    for (int I = 0; I < 12; ++I)
        if (FPrintSet[I]) FPrinterSettings->SetPSProperty(TPimPrintSettings(I), Values[I]);
    if (FPrintSet[apsFormName]) FPrinterSettings->SetFormName(FFormName);
}

void TPimPrinterSetup::CopyFromPrinterSettings() {
    const TPimPrinterSettings& S = *FPrinterSettings;
    FOrientation = S.Orientation();
    FPaperSize = S.PaperSize();
    FLength = S.PaperLength() / 254.0;
    FWidth = S.PaperWidth() / 254.0;
    if (FLength <= 0 || FWidth <= 0) {
        FLength = 11.0;
        FWidth = 8.5;
    }
    FScale = S.Scale();
    FCopies = S.Copies();
    FSource = S.DefaultSource();
    FPrintQuality = S.PrintQuality();
    FColor = S.Color();
    FDuplex = S.Duplex();
    FYResolution = S.YResolution();
    FTTOption = S.TTOption();
    FFormName = S.FormName();
}

void TPimPrinterSetup::SetData() {
    CopyToPrinterSettings();
    if (PimGetPrinterCount() > 0) FPrinterSettings->SetValues(false);
    GetData();
}

void TPimPrinterSetup::SetDataReset() {
    CopyToPrinterSettings();
    if (PimGetPrinterCount() > 0) FPrinterSettings->SetValues(true);
    GetData();
}

void TPimPrinterSetup::GetData() {
    if (PimGetPrinterCount() <= 0) return;
    FPrinterSettings->GetValues();
    CopyFromPrinterSettings();
    const TDeviceCaps C = Printer().DeviceCaps();
    if (C.LogPixelsX <= 0 || C.LogPixelsY <= 0) return;
    FLeftPrintArea = double(C.PhysicalOffsetX) / C.LogPixelsX;
    FTopPrintArea = double(C.PhysicalOffsetY) / C.LogPixelsY;
    FRightPrintArea = double(C.PhysicalWidth - C.PhysicalOffsetX - C.HorzRes) / C.LogPixelsX;
    FBottomPrintArea = double(C.PhysicalHeight - C.PhysicalOffsetY - C.VertRes) / C.LogPixelsY;
}

void TPimPrinterSetup::WriteToStream(TStream& Stream) const {
    Stream.WriteUInt16(BlockType);
    const int64_t LengthPos = Stream.Position();
    Stream.WriteInt32(0);
    const int64_t Start = Stream.Position();

    auto Word = [&](TPimPrintSettings Tag, int32_t Value) {
        Stream.WriteUInt16(Tag);
        Stream.WriteUInt16(uint16_t(Value));
    };
    auto Long = [&](TPimPrintSettings Tag, int32_t Value) {
        Stream.WriteUInt16(Tag);
        Stream.WriteInt32(Value);
    };
    Word(apsOrientation, FOrientation);
    Word(apsPaperSize, FPaperSize);
    if (FPrintSet[apsPaperLength]) Long(apsPaperLength, TenthsMm(FLength));
    if (FPrintSet[apsPaperWidth]) Long(apsPaperWidth, TenthsMm(FWidth));
    if (FPrintSet[apsScale]) Word(apsScale, FScale);
    if (FPrintSet[apsCopies]) Word(apsCopies, FCopies);
    Word(apsDefaultSource, FSource);
    if (FPrintSet[apsPrintQuality]) Word(apsPrintQuality, FPrintQuality);
    if (FPrintSet[apsColor]) Word(apsColor, FColor);
    Word(apsDuplex, FDuplex);
    if (FPrintSet[apsYResolution]) Word(apsYResolution, FYResolution);
    if (FPrintSet[apsTTOption]) Word(apsTTOption, FTTOption);
    if (FPrintSet[apsCollate]) {
        Stream.WriteUInt16(apsCollate);
        Stream.WriteUInt8(FCollatedCopies ? 1 : 0);
    }
    if (FPrintSet[apsFormName]) {
        // The count is of bytes, so the whole UTF-16 text goes out and a reader taking n div 2
        // characters gets all of it back.
        const QString Name = FFormName.left(MaxFormNameLength);
        Stream.WriteUInt16(apsFormName);
        Stream.WriteUInt16(uint16_t(Name.size() * 2));
        for (QChar C : Name)
            Stream.WriteUInt16(C.unicode());
    }

    const int64_t End = Stream.Position();
    Stream.SetPosition(LengthPos);
    Stream.WriteInt32(int32_t(End - Start));
    Stream.SetPosition(End);
}

bool TPimPrinterSetup::ReadFromStream(TStream& Stream) {
    const int32_t L = Stream.ReadInt32();
    if (L <= 0) return false;
    const int64_t Start = Stream.Position();
    const int64_t End = Start + L;
    bool OwnLength = false;
    bool OwnWidth = false;
    while (Stream.Position() < End) {
        const uint16_t Tag = Stream.ReadUInt16();
        if (Tag > apsFormName) {
            // Whatever follows the block must be read from its start, so an entry this reader does
            // not know skips the rest of the block rather than stopping inside it.
            Stream.SetPosition(End);
            break;
        }
        OwnLength = OwnLength || Tag == apsPaperLength;
        OwnWidth = OwnWidth || Tag == apsPaperWidth;
        ReadEntry(Tag, Stream);
    }
    if (!OwnLength || !OwnWidth) TakeNamedPaperSize(OwnLength, OwnWidth);
    return true;
}

void TPimPrinterSetup::TakeNamedPaperSize(bool KeepLength, bool KeepWidth) {
    // A named paper is recorded by its number alone, so its size (turned with the paper) comes from
    // the number. The flags stay down: the block is written again just as it was read, and the
    // printer still takes the paper by its number.
    double X = 0;
    double Y = 0;
    PimPaperSizeInch(FOrientation, FPaperSize, X, Y);
    if (X <= 0 || Y <= 0) return; // a custom or unknown paper keeps the size it has
    if (!KeepWidth) FWidth = X;
    if (!KeepLength) FLength = Y;
}

void TPimPrinterSetup::ReadEntry(uint16_t Tag, TStream& Stream) {
    switch (TPimPrintSettings(Tag)) {
    case apsPaperLength:
        SetLength(Stream.ReadInt32() / 254.0);
        break;
    case apsPaperWidth:
        SetWidth(Stream.ReadInt32() / 254.0);
        break;
    case apsCollate:
        FCollatedCopies = Stream.ReadUInt8() != 0;
        FPrintSet[apsCollate] = true;
        break;
    case apsFormName: {
        const uint16_t N = Stream.ReadUInt16();
        QByteArray Bytes(N, '\0');
        Stream.ReadBuffer(Bytes.data(), N);
        QString Name(N / 2, Qt::Uninitialized);
        for (int I = 0; I < N / 2; ++I)
            Name[I] = QChar(uint16_t(uint8_t(Bytes[2 * I]) | uint8_t(Bytes[2 * I + 1]) << 8));
        FFormName = Name;
        FPrintSet[apsFormName] = true;
        break;
    }
    default: {
        const int32_t V = Stream.ReadInt16();
        switch (TPimPrintSettings(Tag)) {
        case apsOrientation:
            SetOrientation(V);
            break;
        case apsPaperSize:
            SetPaperSize(V);
            break;
        case apsScale:
            SetScale(V);
            break;
        case apsCopies:
            SetCopies(V);
            break;
        case apsDefaultSource:
            SetSource(V);
            break;
        case apsPrintQuality:
            SetPrintQuality(V);
            break;
        case apsColor:
            SetColor(V);
            break;
        case apsDuplex:
            SetDuplex(V);
            break;
        case apsYResolution:
            SetYResolution(V);
            break;
        default:
            SetTTOption(V);
            break;
        }
    }
    }
}

template <typename T> void TPimPrinterSetup::Store(T& Field, const T& Value, TPimPrintSettings Index) {
    if (Field == Value) return;
    Field = Value;
    FPrintSet[Index] = true;
}

void TPimPrinterSetup::SetOrientation(int32_t Value) {
    Store(FOrientation, Value, apsOrientation);
}
void TPimPrinterSetup::SetPaperSize(int32_t Value) {
    Store(FPaperSize, Value, apsPaperSize);
}
void TPimPrinterSetup::SetLength(double Value) {
    Store(FLength, Value, apsPaperLength);
}
void TPimPrinterSetup::SetWidth(double Value) {
    Store(FWidth, Value, apsPaperWidth);
}
void TPimPrinterSetup::SetScale(int32_t Value) {
    Store(FScale, Value, apsScale);
}
void TPimPrinterSetup::SetCopies(int32_t Value) {
    Store(FCopies, Value, apsCopies);
}
void TPimPrinterSetup::SetSource(int32_t Value) {
    Store(FSource, Value, apsDefaultSource);
}
void TPimPrinterSetup::SetPrintQuality(int32_t Value) {
    Store(FPrintQuality, Value, apsPrintQuality);
}
void TPimPrinterSetup::SetColor(int32_t Value) {
    Store(FColor, Value, apsColor);
}
void TPimPrinterSetup::SetDuplex(int32_t Value) {
    Store(FDuplex, Value, apsDuplex);
}
void TPimPrinterSetup::SetYResolution(int32_t Value) {
    Store(FYResolution, Value, apsYResolution);
}
void TPimPrinterSetup::SetTTOption(int32_t Value) {
    Store(FTTOption, Value, apsTTOption);
}
void TPimPrinterSetup::SetCollatedCopies(bool Value) {
    Store(FCollatedCopies, Value, apsCollate);
}
void TPimPrinterSetup::SetFormName(const QString& Value) {
    Store(FFormName, Value, apsFormName);
}

int TPimPrinterSetup::GetPrinterCount() const {
    if (Printer().DefaultPrinter().isEmpty()) return 0;
    return Printer().PrinterCount();
}

int TPimPrinterSetup::PixelsPerInchX() const {
    return PimGetPrinterCount() > 0 ? Printer().DeviceCaps().LogPixelsX : 0;
}

int TPimPrinterSetup::PixelsPerInchY() const {
    return PimGetPrinterCount() > 0 ? Printer().DeviceCaps().LogPixelsY : 0;
}

void TPimPrinterSetup::WriteToPimFile(TPimFile* af) const {
    if (af && af->Stream()) WriteToStream(*af->Stream());
}

bool TPimPrinterSetup::ReadFromPimFile(TPimFile* af) {
    return af && af->Stream() && ReadFromStream(*af->Stream());
}
