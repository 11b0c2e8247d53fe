#pragma once
#include "output/PimTypes.h"

#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class TComponent;
class TList;
class TStream;

// A list of pointers for indexes that grow into the hundreds of thousands (pages, positions): the
// items live in chunks of 1000, so adding never moves what is already there. It owns the chunks,
// never the items.
class TPimList {
public:
    static constexpr int ChunkSize = 1000;

    TPimList();
    ~TPimList();
    TPimList(const TPimList&) = delete;
    TPimList& operator=(const TPimList&) = delete;

    int Add(void* Item);
    void* Items(int Spot) const;
    void Clear();
    int Count() const { return FCount; }

private:
    int FCount = 0;
    std::vector<std::unique_ptr<TList>> FLists; // the chunks, owned
};

enum TPimShadePercent : uint8_t { spNone, spVeryDark, spDark, spMedDark, spMedium, spMedLight, spLight };
enum TPimCheckStyle : uint8_t { acsCross, acsCheck };
enum TPimDrawType : uint8_t { dtArc, dtChord, dtPie };
enum TPimPolyType : uint8_t { ptPolygon, ptPolyLine };

// Placeable metafile headers.
bool PimIsPlaceableMetaFile(TStream& Stream);
void PimFillPlaceHead(TPimPlaceMetaHeader& Header);

// Strings and numbers.
char16_t* PimStrToPChar(QString& S);
bool PimIsPCharEqual(const void* A, const void* B, int Len);
bool PimEmpty(const QString& S);
QString PimRightTrim(const QString& S);
QString PimIntToStr(int N);
double PimInchToMM(double X);
double PimMMtoInch(double X);
// A new, empty file in the temporary directory; an empty name when none could be made.
QString PimGetTempFile(const QString& Prefix);

// The 8 x 8 pattern of a shade, one byte per row from the top; a 0 bit takes the text colour.
std::array<uint8_t, 8> PimShadePattern(TPimShadePercent Shade);

// Paper sizes by the platform's paper number and the form names of papers 1 to 26.
inline constexpr int PimFormNameCount = 26;
extern const std::array<const char*, PimFormNameCount> PimFormNames;

void PimPaperSizeUnit(int Orientation, int PaperSize, double& X, double& Y, int Units);
void PimPaperSizeMM(int Orientation, int PaperSize, double& X, double& Y);
void PimPaperSizeInch(int Orientation, int PaperSize, double& X, double& Y);
int PimGetForm(const QString& Name);

// Components and the running report.
bool PimIsAncestor(const TComponent* Component);
// Asks whether to discard, keep or go on with a report being made; IDYES, IDNO or IDCANCEL.
int PimAskAbort();
