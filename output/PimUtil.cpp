#include "output/PimUtil.h"

#include "host/classes.h"
#include "host/dialogs.h"
#include "host/exceptions.h"
#include "host/forms.h"
#include "host/lists.h"
#include "host/resstrings.h"
#include "host/streams.h"
#include "host/tempfiles.h"

#include <cstring>

// ---------------------------------------------------------------------------------------------------
// TPimList

TPimList::TPimList() = default;

TPimList::~TPimList() { Clear(); }

int TPimList::Add(void* Item) {
    const int NewCount = FCount + 1;
    if (static_cast<int64_t>(FLists.size()) * ChunkSize < NewCount) FLists.push_back(std::make_unique<TList>());
    FLists.back()->Add(Item);
    FCount = NewCount;
    return FCount - 1;
}

void* TPimList::Items(int Spot) const {
    // Only the chunks check their bounds, so a spot past the last chunk raises the same error a
    // chunk would.
    const int Chunk = Spot / ChunkSize;
    if (Chunk < 0 || Chunk >= static_cast<int>(FLists.size()))
        throw EListError(QStringLiteral("List index out of bounds (%d)"), {QString::number(Chunk)});
    return FLists[static_cast<size_t>(Chunk)]->Items(Spot % ChunkSize);
}

void TPimList::Clear() {
    FLists.clear();
    FCount = 0;
}

// ---------------------------------------------------------------------------------------------------
// Placeable metafile headers

namespace {

// The header as the ten 16-bit words that its checksum covers, in file order.
std::array<uint16_t, 10> PlaceHeadWords(const TPimPlaceMetaHeader& h) {
    return {static_cast<uint16_t>(h.Key & 0xFFFF),
            static_cast<uint16_t>(h.Key >> 16),
            static_cast<uint16_t>(h.Hmf),
            static_cast<uint16_t>(h.BBox.Left),
            static_cast<uint16_t>(h.BBox.Top),
            static_cast<uint16_t>(h.BBox.Right),
            static_cast<uint16_t>(h.BBox.Bottom),
            h.Inch,
            static_cast<uint16_t>(h.Reserved & 0xFFFF),
            static_cast<uint16_t>(h.Reserved >> 16)};
}

} // namespace

bool PimIsPlaceableMetaFile(TStream& Stream) {
    uint8_t Buffer[PimPlaceMetaHeaderSize] = {};
    Stream.SetPosition(0);
    if (Stream.Read(Buffer, PimPlaceMetaHeaderSize) != PimPlaceMetaHeaderSize) return false;
    return GetUInt32LE(Buffer) == PimPlaceHeadKey;
}

void PimFillPlaceHead(TPimPlaceMetaHeader& Header) {
    Header.Key = PimPlaceHeadKey;
    Header.Hmf = 0;
    Header.Reserved = 0;
    uint16_t Sum = 0;
    for (const uint16_t w : PlaceHeadWords(Header)) Sum ^= w;
    Header.CheckSum = Sum;
}

// ---------------------------------------------------------------------------------------------------
// Strings and numbers

char16_t* PimStrToPChar(QString& S) {
    // Reserving one more than the length forces a private, writable buffer even for an empty or
    // shared string; the string keeps its own terminating zero behind the last character.
    S.reserve(S.size() + 1);
    return reinterpret_cast<char16_t*>(S.data());
}

bool PimIsPCharEqual(const void* A, const void* B, int Len) {
    if (Len <= 0) return true;
    return std::memcmp(A, B, static_cast<size_t>(Len)) == 0;
}

bool PimEmpty(const QString& S) {
    for (const QChar c : S)
        if (c != u' ') return false;
    return true;
}

QString PimRightTrim(const QString& S) {
    qsizetype n = S.size();
    while (n > 0 && S.at(n - 1) == u' ') --n;
    return S.left(n);
}

QString PimIntToStr(int N) {
    // Widened first, so the most negative value has a positive counterpart too.
    int64_t v = N;
    const bool Negative = v < 0;
    if (Negative) v = -v;
    QString Digits;
    do {
        Digits.prepend(QChar(u'0' + static_cast<char16_t>(v % 10)));
        v /= 10;
    } while (v > 0);
    return Negative ? QStringLiteral("-") + Digits : Digits;
}

double PimInchToMM(double X) { return X * 25.4; }

double PimMMtoInch(double X) { return X / 25.4; }

QString PimGetTempFile(const QString& Prefix) {
    // The platform only ever used the first three characters of a prefix.
    try {
        return CreateTempFileName(Prefix.left(3));
    } catch (const Exception&) {
        return QString();
    }
}

// ---------------------------------------------------------------------------------------------------
// Shade patterns

std::array<uint8_t, 8> PimShadePattern(TPimShadePercent Shade) {
    switch (Shade) {
    case spVeryDark: return {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
    case spDark: return {0x55, 0xBB, 0x66, 0xDD, 0x55, 0xBB, 0x66, 0xDD};
    case spMedDark: return {0xBB, 0xEE, 0x77, 0xDD, 0xBB, 0xEE, 0x77, 0xDD};
    case spMedLight: return {0xFF, 0xFF, 0xBB, 0xFF, 0xFF, 0xFF, 0xDD, 0xFF};
    case spLight: return {0xFF, 0xBF, 0xFF, 0xFF, 0xFF, 0xFD, 0xFF, 0xFF};
    default: return {0xFB, 0xF7, 0xBE, 0xDF, 0xFB, 0x7D, 0xEF, 0xBF};
    }
}

// ---------------------------------------------------------------------------------------------------
// Paper sizes and form names

const std::array<const char*, PimFormNameCount> PimFormNames = {
    "LETTER", "LETTERSMALL", "TABLOID", "LEDGER", "LEGAL",  "STATEMENT", "EXECUTIVE", "A3",     "A4",
    "A4SMALL", "A5",         "B4",      "B5",     "FOLIO",  "QUARTO",    "10X14",     "11X17",  "NOTE",
    "ENV_9",  "ENV_10",      "ENV_11",  "ENV_12", "ENV_14", "CSHEET",    "DSHEET",    "ESHEET"};

namespace {

enum TPaperUnit : uint8_t { puInch, puMM };

// First is the height and second the width of the paper held in portrait.
struct PaperEntry {
    int Number;
    double First;
    double Second;
    TPaperUnit Unit;
};

constexpr PaperEntry PaperTable[] = {
    {1, 11, 8.5, puInch},       {2, 11, 8.5, puInch},       {3, 17, 11, puInch},
    {4, 11, 17, puInch},        {5, 14, 8.5, puInch},       {6, 8.5, 5.5, puInch},
    {7, 10.5, 7.25, puInch},    {8, 420, 297, puMM},        {9, 297, 210, puMM},
    {10, 297, 210, puMM},       {11, 210, 148, puMM},       {12, 354, 250, puMM},
    {13, 257, 182, puMM},       {14, 13, 8.5, puInch},      {15, 275, 215, puMM},
    {16, 14, 10, puInch},       {17, 17, 11, puInch},       {18, 11, 8.5, puInch},
    {19, 8.875, 3.875, puInch}, {20, 9.5, 4.125, puInch},   {21, 10.375, 4.5, puInch},
    {22, 11, 4.75, puInch},     {23, 11.5, 5, puInch},      {24, 22, 17, puInch},
    {25, 34, 22, puInch},       {26, 44, 34, puInch},       {27, 220, 110, puMM},
    {28, 229, 162, puMM},       {29, 458, 324, puMM},       {30, 324, 229, puMM},
    {31, 162, 114, puMM},       {32, 229, 114, puMM},       {33, 353, 250, puMM},
    {34, 250, 176, puMM},       {35, 176, 125, puMM},       {36, 230, 110, puMM},
    {37, 7.5, 3.875, puInch},   {38, 6.5, 3.625, puInch},   {39, 11, 14.875, puInch},
    {40, 12, 8.5, puInch},      {41, 13, 8.5, puInch},      {42, 353, 250, puMM},
    {43, 148, 100, puMM},       {44, 11, 9, puInch},        {45, 11, 10, puInch},
    {46, 11, 15, puInch},       {47, 220, 220, puMM},       {50, 12, 9.5, puInch},
    {51, 15, 9.5, puInch},      {52, 18, 11.69, puInch},    {53, 12.69, 9.27, puInch},
    {54, 11, 8.5, puInch},      {55, 297, 210, puMM},       {56, 12, 9.5, puInch},
    {57, 356, 227, puMM},       {58, 487, 305, puMM},       {59, 12.69, 8.5, puInch},
    {60, 330, 210, puMM},       {61, 210, 148, puMM},       {62, 257, 182, puMM},
    {63, 445, 322, puMM},       {64, 235, 174, puMM},       {65, 276, 201, puMM},
    {66, 594, 420, puMM},       {67, 420, 297, puMM},       {68, 445, 322, puMM},
    {69, 148, 200, puMM},       {70, 148, 105, puMM},       {75, 8.5, 11, puInch},
    {76, 297, 420, puMM},       {77, 210, 297, puMM},       {78, 148, 210, puMM},
    {79, 257, 364, puMM},       {80, 182, 257, puMM},       {81, 100, 148, puMM},
    {82, 200, 148, puMM},       {83, 105, 148, puMM},       {88, 182, 128, puMM},
    {89, 128, 182, puMM},       {90, 11, 12, puInch},       {93, 215, 146, puMM},
    {94, 151, 97, puMM},        {95, 151, 97, puMM},        {96, 165, 102, puMM},
    {97, 176, 102, puMM},       {98, 176, 125, puMM},       {99, 208, 110, puMM},
    {100, 220, 110, puMM},      {101, 230, 120, puMM},      {102, 230, 160, puMM},
    {103, 309, 120, puMM},      {104, 324, 229, puMM},      {105, 458, 324, puMM},
    {109, 102, 165, puMM},      {110, 102, 176, puMM},      {111, 125, 176, puMM},
    {112, 110, 208, puMM},      {113, 110, 220, puMM},      {114, 120, 230, puMM},
    {115, 160, 230, puMM},      {116, 120, 309, puMM},      {117, 229, 324, puMM},
    {118, 324, 458, puMM},      {256, 0, 0, puInch},
};

} // namespace

void PimPaperSizeUnit(int Orientation, int PaperSize, double& X, double& Y, int Units) {
    double First = 0;
    double Second = 0;
    for (const PaperEntry& e : PaperTable) {
        if (e.Number != PaperSize) continue;
        First = e.First;
        Second = e.Second;
        if (Units == 1 && e.Unit == puInch) {
            First = PimInchToMM(First);
            Second = PimInchToMM(Second);
        } else if (Units == 0 && e.Unit == puMM) {
            First = PimMMtoInch(First);
            Second = PimMMtoInch(Second);
        }
        break;
    }
    const int Landscape = 2;
    if (Orientation == Landscape) {
        X = First;
        Y = Second;
    } else {
        X = Second;
        Y = First;
    }
}

void PimPaperSizeMM(int Orientation, int PaperSize, double& X, double& Y) {
    PimPaperSizeUnit(Orientation, PaperSize, X, Y, 1);
}

void PimPaperSizeInch(int Orientation, int PaperSize, double& X, double& Y) {
    PimPaperSizeUnit(Orientation, PaperSize, X, Y, 0);
}

int PimGetForm(const QString& Name) {
    // The name went through a fixed buffer of 256 characters; a longer one never matched.
    if (Name.size() > 256) return -1;
    const QString Upper = Name.toUpper();
    for (int i = 0; i < PimFormNameCount; ++i)
        if (Upper == QLatin1String(PimFormNames[static_cast<size_t>(i)])) return i;
    return -1;
}

// ---------------------------------------------------------------------------------------------------
// Components and the running report

bool PimIsAncestor(const TComponent* Component) {
    return Component != nullptr && Component->HasState(csAncestor);
}

int PimAskAbort() {
    const QString Text = LoadStr(SAbortYes) + QChar(13) + LoadStr(SAbortNo) + QChar(13) + LoadStr(SAbortCancel);
    return Application()->MessageBox(Text, LoadStr(SAbortCaption), MB_YESNOCANCEL);
}
