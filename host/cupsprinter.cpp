#include "host/cupsprinter.h"

#include "host/exceptions.h"
#include "host/tempfiles.h"

#include <QFile>

#ifdef PIM_HAVE_CUPS
#include <cups/cups.h>
#endif

namespace {

struct TMediaName {
    int Number;
    const char* Media;
    const char* Name;
};

// Media keywords of the spooler against the device mode's paper codes; a size the device mode
// has no code for gets a driver number of its own.
const TMediaName MediaNames[] = {
    {1, "na_letter_8.5x11in", "Letter"},
    {3, "na_ledger_11x17in", "Tabloid"},
    {5, "na_legal_8.5x14in", "Legal"},
    {6, "na_invoice_5.5x8.5in", "Statement"},
    {7, "na_executive_7.25x10.5in", "Executive"},
    {8, "iso_a3_297x420mm", "A3"},
    {9, "iso_a4_210x297mm", "A4"},
    {11, "iso_a5_148x210mm", "A5"},
    {12, "jis_b4_257x364mm", "B4 (JIS)"},
    {13, "jis_b5_182x257mm", "B5 (JIS)"},
    {14, "na_foolscap_8.5x13in", "Folio"},
    {15, "na_quarto_8.5x10.83in", "Quarto"},
    {16, "na_10x14_10x14in", "10x14"},
    {19, "na_number-9_3.875x8.875in", "Envelope #9"},
    {20, "na_number-10_4.125x9.5in", "Envelope #10"},
    {21, "na_number-11_4.5x10.375in", "Envelope #11"},
    {22, "na_number-12_4.75x11in", "Envelope #12"},
    {23, "na_number-14_5x11.5in", "Envelope #14"},
    {27, "iso_dl_110x220mm", "Envelope DL"},
    {28, "iso_c5_162x229mm", "Envelope C5"},
    {29, "iso_c3_324x458mm", "Envelope C3"},
    {30, "iso_c4_229x324mm", "Envelope C4"},
    {31, "iso_c6_114x162mm", "Envelope C6"},
    {32, "iso_c6c5_114x229mm", "Envelope C65"},
    {34, "iso_b5_176x250mm", "B5 (ISO)"},
    {35, "iso_b6_125x176mm", "Envelope B6"},
    {36, "om_italian_110x230mm", "Envelope Italy"},
    {37, "na_monarch_3.875x7.5in", "Envelope Monarch"},
    {38, "na_personal_3.625x6.5in", "Envelope Personal"},
    {39, "na_fanfold-us_11x14.875in", "US Std Fanfold"},
    {40, "na_fanfold-eur_8.5x12in", "German Std Fanfold"},
    {42, "iso_b4_250x353mm", "B4 (ISO)"},
    {43, "jpn_hagaki_100x148mm", "Japanese Postcard"},
    {44, "na_9x11_9x11in", "9x11"},
    {45, "na_10x11_10x11in", "10x11"},
    {50, "na_letter-extra_9.5x12in", "Letter Extra"},
    {51, "na_legal-extra_9.5x15in", "Legal Extra"},
    {66, "iso_a2_420x594mm", "A2"},
    {70, "iso_a6_105x148mm", "A6"},
    {88, "jis_b6_128x182mm", "B6 (JIS)"},
};

struct TSourceName {
    int Number;
    const char* Source;
    const char* Name;
};

const TSourceName SourceNames[] = {
    {dmBinUpper, "top", "Upper Tray"},
    {dmBinLower, "bottom", "Lower Tray"},
    {dmBinMiddle, "middle", "Middle Tray"},
    {dmBinManual, "manual", "Manual Feed"},
    {dmBinEnvelope, "envelope", "Envelope Feed"},
    {dmBinAuto, "auto", "Automatically Select"},
    {dmBinLargeCapacity, "large-capacity", "Large Capacity"},
};

// "tray-2" -> "Tray 2", "by-pass-tray" -> "By Pass Tray".
QString KeywordText(const QString& Keyword) {
    QStringList Words = Keyword.split(u'-', Qt::SkipEmptyParts);
    for (QString& W : Words)
        W[0] = W[0].toUpper();
    return Words.join(u' ');
}

[[maybe_unused]] int QualityOfResolution(int16_t PrintQuality) {
    // print-quality: 3 draft, 4 normal, 5 high.
    switch (PrintQuality) {
    case dmResHigh:
        return 5;
    case dmResMedium:
        return 4;
    default:
        return 3;
    }
}

} // namespace

int CupsPaperNumber(const QString& Media) {
    for (const TMediaName& M : MediaNames)
        if (Media == QLatin1String(M.Media)) return M.Number;
    return 0;
}

QString CupsPaperName(const QString& Media) {
    for (const TMediaName& M : MediaNames)
        if (Media == QLatin1String(M.Media)) return QString::fromLatin1(M.Name);
    // "custom_148.52x209.9mm_148.52x209.9mm" and the like: the class and size, without the repeat.
    QStringList Parts = Media.split(u'_');
    if (Parts.size() >= 3) return KeywordText(Parts[1]) + u' ' + Parts[2];
    return Media;
}

int CupsBinNumber(const QString& Source) {
    for (const TSourceName& S : SourceNames)
        if (Source == QLatin1String(S.Source)) return S.Number;
    return 0;
}

QString CupsBinName(const QString& Source) {
    for (const TSourceName& S : SourceNames)
        if (Source == QLatin1String(S.Source)) return QString::fromLatin1(S.Name);
    return KeywordText(Source);
}

TCupsPrinter::TCupsPrinter(const QString& Name, const QString& Driver, const QString& Port)
    : FName(Name), FDriver(Driver), FPort(Port) {}

TCupsPrinter::~TCupsPrinter() = default;

#ifdef PIM_HAVE_CUPS

namespace {

// A destination with its supported-value information, freed on every path.
class TCupsDestination {
public:
    explicit TCupsDestination(const QString& Name) {
        FDest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, Name.toUtf8().constData(), nullptr);
        if (!FDest)
            throw Exception(QStringLiteral("The printer %s is not available: %s"),
                            {Name, QString::fromUtf8(cupsLastErrorString())});
        FInfo = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, FDest);
        if (!FInfo) {
            const QString Message = QString::fromUtf8(cupsLastErrorString());
            cupsFreeDests(1, FDest);
            throw Exception(QStringLiteral("The printer %s is not available: %s"), {Name, Message});
        }
    }
    ~TCupsDestination() {
        cupsFreeDestInfo(FInfo);
        cupsFreeDests(1, FDest);
    }
    TCupsDestination(const TCupsDestination&) = delete;
    TCupsDestination& operator=(const TCupsDestination&) = delete;

    ipp_attribute_t* Supported(const char* Option) const {
        return cupsFindDestSupported(CUPS_HTTP_DEFAULT, FDest, FInfo, Option);
    }
    QString Default(const char* Option) const {
        if (const char* V = cupsGetOption(Option, FDest->num_options, FDest->options))
            return QString::fromUtf8(V);
        ipp_attribute_t* A = cupsFindDestDefault(CUPS_HTTP_DEFAULT, FDest, FInfo, Option);
        if (!A) return QString();
        char Buffer[1024];
        ippAttributeString(A, Buffer, sizeof Buffer);
        return QString::fromUtf8(Buffer);
    }
    bool Media(const char* Name, cups_size_t& Size) const {
        return cupsGetDestMediaByName(CUPS_HTTP_DEFAULT, FDest, FInfo, Name, CUPS_MEDIA_FLAGS_DEFAULT,
                                      &Size) != 0;
    }

private:
    cups_dest_t* FDest = nullptr;
    cups_dinfo_t* FInfo = nullptr;
};

QStringList Keywords(ipp_attribute_t* A) {
    QStringList L;
    if (!A) return L;
    for (int I = 0; I < ippGetCount(A); ++I) {
        const QString V = QString::fromUtf8(ippGetString(A, I, nullptr));
        if (!V.isEmpty() && !L.contains(V)) L.append(V);
    }
    return L;
}

int Dpi(int Value, ipp_res_t Units) {
    return Units == IPP_RES_PER_CM ? int(Value * 2.54 + 0.5) : Value;
}

} // namespace

TPrinterBackends CupsPrinters(int& DefaultIndex) {
    DefaultIndex = -1;
    TPrinterBackends List;
    cups_dest_t* Dests = nullptr;
    const int Count = cupsGetDests2(CUPS_HTTP_DEFAULT, &Dests);
    for (int I = 0; I < Count; ++I) {
        const cups_dest_t& D = Dests[I];
        if (D.instance) continue;
        const char* Model = cupsGetOption("printer-make-and-model", D.num_options, D.options);
        const char* Uri = cupsGetOption("device-uri", D.num_options, D.options);
        if (D.is_default) DefaultIndex = int(List.size());
        List.push_back(std::make_unique<TCupsPrinter>(QString::fromUtf8(D.name),
                                                      QString::fromUtf8(Model ? Model : ""),
                                                      QString::fromUtf8(Uri ? Uri : "")));
    }
    cupsFreeDests(Count, Dests);
    return List;
}

void TCupsPrinter::ReadDestination() {
    TCupsDestination Dest(FName);
    TPrinterCapabilities C;

    int NextPaper = dmPaperUser + 1;
    for (const QString& Media : Keywords(Dest.Supported("media"))) {
        cups_size_t Size;
        if (Media.startsWith(QLatin1String("custom_min")) || Media.startsWith(QLatin1String("custom_max")) ||
            !Dest.Media(Media.toUtf8().constData(), Size))
            continue;
        TPrinterPaper P;
        const int Number = CupsPaperNumber(Media);
        P.Number = uint16_t(Number ? Number : NextPaper++);
        P.Name = CupsPaperName(Media);
        P.Media = Media;
        // The spooler counts in hundredths of a millimetre, the device mode in tenths.
        P.Size = QPoint((Size.width + 5) / 10, (Size.length + 5) / 10);
        P.Margins = QMargins(Size.left, Size.top, Size.right, Size.bottom);
        C.Papers.push_back(P);
    }

    int NextBin = dmBinUser + 1;
    for (const QString& Source : Keywords(Dest.Supported("media-source"))) {
        const int Number = CupsBinNumber(Source);
        C.Bins.push_back({uint16_t(Number ? Number : NextBin++), CupsBinName(Source), Source});
    }

    if (ipp_attribute_t* A = Dest.Supported("printer-resolution"))
        for (int I = 0; I < ippGetCount(A); ++I) {
            int Y = 0;
            ipp_res_t Units = IPP_RES_PER_INCH;
            const int X = ippGetResolution(A, I, &Y, &Units);
            C.Resolutions.push_back(QPoint(Dpi(X, Units), Dpi(Y, Units)));
        }

    if (ipp_attribute_t* A = Dest.Supported("copies")) {
        int Upper = 0;
        if (ippGetValueTag(A) == IPP_TAG_RANGE)
            ippGetRange(A, 0, &Upper);
        else
            Upper = ippGetInteger(A, 0);
        C.MaxCopies = Upper;
    }
    for (const QString& Sides : Keywords(Dest.Supported("sides")))
        if (Sides != QLatin1String("one-sided")) C.Duplex = true;

    TDeviceMode M;
    M.Fields = dmfOrientation | dmfScale | dmfCopies | dmfColor | dmfCollate;
    M.Orientation = dmOrientPortrait;
    M.Scale = 100;
    M.Copies = int16_t(qBound(1, Dest.Default("copies").toInt(), 9999));
    M.Color =
        Dest.Default("print-color-mode") == QLatin1String("monochrome") ? dmColorMonochrome : dmColorColor;
    M.Collate =
        Dest.Default("multiple-document-handling") == QLatin1String("separate-documents-uncollated-copies")
            ? 0
            : 1;
    const QString Media = Dest.Default("media");
    for (const TPrinterPaper& P : C.Papers)
        if (P.Media == Media) {
            M.Fields |= dmfPaperSize | dmfFormName;
            M.PaperSize = int16_t(P.Number);
            M.SetFormName(P.Name);
            break;
        }
    const QString Source = Dest.Default("media-source");
    for (const TPrinterBin& B : C.Bins)
        if (B.Source == Source) {
            M.Fields |= dmfDefaultSource;
            M.DefaultSource = int16_t(B.Number);
            break;
        }
    if (C.Duplex) {
        const QString Sides = Dest.Default("sides");
        M.Fields |= dmfDuplex;
        M.Duplex = Sides == QLatin1String("two-sided-long-edge")    ? dmDupVertical
                   : Sides == QLatin1String("two-sided-short-edge") ? dmDupHorizontal
                                                                    : dmDupSimplex;
    }
    C.DefaultResolution = 300;
    const QString Res = Dest.Default("printer-resolution");
    if (!Res.isEmpty()) {
        // "600dpi" or "600x300dpi"
        const QStringList XY = QString(Res).remove(QLatin1String("dpi")).split(u'x');
        if (XY[0].toInt() > 0) {
            C.DefaultResolution = XY[0].toInt();
            M.Fields |= dmfPrintQuality | dmfYResolution;
            M.PrintQuality = int16_t(C.DefaultResolution);
            M.YResolution = int16_t(XY.size() > 1 && XY[1].toInt() > 0 ? XY[1].toInt() : C.DefaultResolution);
        }
    } else if (!C.Resolutions.empty()) {
        C.DefaultResolution = C.Resolutions.front().x();
    }
    FCaps = std::move(C);
    FDefaults = M;
}

TPrinterCapabilities TCupsPrinter::Capabilities() {
    if (!FCaps) ReadDestination();
    return *FCaps;
}

TDeviceMode TCupsPrinter::DefaultDeviceMode() {
    if (!FDefaults) ReadDestination();
    return *FDefaults;
}

std::vector<std::pair<QString, QString>> TCupsPrinter::JobOptions(const TDeviceMode& Mode) {
    const TPrinterCapabilities Caps = Capabilities();
    std::vector<std::pair<QString, QString>> O;
    auto Add = [&O](const char* Name, const QString& Value) {
        O.emplace_back(QString::fromLatin1(Name), Value);
    };

    if (Mode.Has(dmfCopies) && Mode.Copies > 0) Add("copies", QString::number(Mode.Copies));
    if (Mode.Has(dmfCollate)) {
        Add("collate", Mode.Collate ? QStringLiteral("true") : QStringLiteral("false"));
        Add("multiple-document-handling", Mode.Collate
                                              ? QStringLiteral("separate-documents-collated-copies")
                                              : QStringLiteral("separate-documents-uncollated-copies"));
    }
    if (Mode.Has(dmfDuplex))
        Add("sides", Mode.Duplex == dmDupVertical     ? QStringLiteral("two-sided-long-edge")
                     : Mode.Duplex == dmDupHorizontal ? QStringLiteral("two-sided-short-edge")
                                                      : QStringLiteral("one-sided"));
    const TPrinterPaper* Paper = FindModePaper(Mode, Caps);
    if (Paper && !Paper->Media.isEmpty() &&
        !(Mode.Has(dmfPaperLength) && Mode.Has(dmfPaperWidth) && Paper->Number == dmPaperUser))
        Add("media", Paper->Media);
    else if (Mode.Has(dmfPaperLength) && Mode.Has(dmfPaperWidth) && Mode.PaperLength > 0 &&
             Mode.PaperWidth > 0) {
        const QString Size =
            QStringLiteral("%1x%2mm").arg(Mode.PaperWidth / 10.0).arg(Mode.PaperLength / 10.0);
        Add("media", QStringLiteral("custom_") + Size + u'_' + Size);
    }
    if (Mode.Has(dmfDefaultSource))
        for (const TPrinterBin& B : Caps.Bins)
            if (B.Number == uint16_t(Mode.DefaultSource)) {
                Add("media-source", B.Source);
                break;
            }
    if (Mode.Has(dmfPrintQuality)) {
        if (Mode.PrintQuality < 0)
            Add("print-quality", QString::number(QualityOfResolution(Mode.PrintQuality)));
        else if (Mode.PrintQuality > 0) {
            const int Y =
                Mode.Has(dmfYResolution) && Mode.YResolution > 0 ? Mode.YResolution : Mode.PrintQuality;
            Add("printer-resolution", Y == Mode.PrintQuality
                                          ? QStringLiteral("%1dpi").arg(Mode.PrintQuality)
                                          : QStringLiteral("%1x%2dpi").arg(Mode.PrintQuality).arg(Y));
        }
    }
    if (Mode.Has(dmfColor))
        Add("print-color-mode",
            Mode.Color == dmColorMonochrome ? QStringLiteral("monochrome") : QStringLiteral("color"));
    return O;
}

void TCupsPrinter::BeginDoc(const QString& Title, const TDeviceMode& Mode, const TDeviceCaps& Caps) {
    const QString File = CreateTempFileName();
    FTitle = Title;
    FJobMode = Mode;
    try {
        FJob.Begin(File, Title, Caps);
    } catch (...) {
        QFile::remove(File);
        throw;
    }
}

void TCupsPrinter::NewPage(const TDeviceMode&, const TDeviceCaps& Caps) {
    FJob.NewPage(Caps);
}

void TCupsPrinter::EndDoc() {
    FJob.End();
    const QString File = FJob.FileName();
    cups_option_t* Options = nullptr;
    int Count = 0;
    try {
        for (const auto& [Name, Value] : JobOptions(FJobMode))
            Count = cupsAddOption(Name.toUtf8().constData(), Value.toUtf8().constData(), Count, &Options);
    } catch (...) {
        cupsFreeOptions(Count, Options);
        QFile::remove(File);
        throw;
    }
    const int Id =
        cupsPrintFile2(CUPS_HTTP_DEFAULT, FName.toUtf8().constData(), QFile::encodeName(File).constData(),
                       FTitle.toUtf8().constData(), Count, Options);
    const QString Message = QString::fromUtf8(cupsLastErrorString());
    cupsFreeOptions(Count, Options);
    QFile::remove(File);
    if (Id == 0) throw Exception(QStringLiteral("The printer %s did not take the job: %s"), {FName, Message});
    FLastJobId = Id;
}

void TCupsPrinter::Abort() {
    FJob.Abort();
}

#else

TPrinterBackends CupsPrinters(int& DefaultIndex) {
    DefaultIndex = -1;
    return {};
}

TPrinterCapabilities TCupsPrinter::Capabilities() {
    throw Exception(QStringLiteral("The printer %s is not available: %s"),
                    {FName, QStringLiteral("no CUPS")});
}

TDeviceMode TCupsPrinter::DefaultDeviceMode() {
    return Capabilities(), TDeviceMode();
}

std::vector<std::pair<QString, QString>> TCupsPrinter::JobOptions(const TDeviceMode&) {
    return {};
}

void TCupsPrinter::BeginDoc(const QString&, const TDeviceMode&, const TDeviceCaps&) {
    Capabilities();
}
void TCupsPrinter::NewPage(const TDeviceMode&, const TDeviceCaps&) {}
void TCupsPrinter::EndDoc() {}
void TCupsPrinter::Abort() {}

#endif

namespace {
// The spooler's queues come first in the machine's printer list.
[[maybe_unused]] const bool CupsQueuesListed = (AddMachinePrinterSource(0, CupsPrinters), true);
} // namespace
