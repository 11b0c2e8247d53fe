#pragma once
#include "output/PimPSet.h"

#include <QString>
#include <array>
#include <cstdint>
#include <memory>

class TPimFile;
class TStream;

// The printer settings a document page was recorded with, as the document file keeps them: 37
// bytes, Words zero-extended, PrintQuality signed.
struct TPimFilePrinterInfo {
    uint16_t Orientation = 0;
    uint16_t PaperSize = 0;
    double Length = 0;
    double Width = 0;
    uint16_t Scale = 0;
    uint16_t Copies = 0;
    uint16_t Source = 0;
    int16_t PrintQuality = 0;
    uint16_t Color = 0;
    uint16_t Duplex = 0;
    uint16_t YResolution = 0;
    uint16_t TTOption = 0;
    bool CollatedCopies = false;
};

// The page and printer configuration that travels with a report run and with every recorded
// page. Each setting has a flag that says whether it is to be forced on the printer.
class TPimPrinterSetup {
public:
    // The record type that opens the tagged block in a page stream.
    static constexpr uint16_t BlockType = 101;
    // A form name longer than this is cut when written, so that every reader's buffer holds it.
    static constexpr int MaxFormNameLength = 255;

    TPimPrinterSetup();
    virtual ~TPimPrinterSetup();
    TPimPrinterSetup(const TPimPrinterSetup&) = delete;
    TPimPrinterSetup& operator=(const TPimPrinterSetup&) = delete;

    // Copies settings, flags and printer settings from another setup; nullptr does nothing.
    virtual void Assign(const TPimPrinterSetup* Source);

    void ClearSettings();
    void SetPrintInfo(const TPimFilePrinterInfo& pinfo);
    void GetPrintInfo(TPimFilePrinterInfo& pinfo) const;
    bool IsEqual(const TPimPrinterSetup& ps) const;
    bool IsRunningEqual(const TPimPrinterSetup& ps) const;

    void CopyToPrinterSettings();
    void CopyFromPrinterSettings();
    void SetData();
    void SetDataReset();
    void GetData();

    void WriteToStream(TStream& Stream) const;
    // The stream stands after the record type; false when the block holds nothing. A block that
    // names a known paper without its own size gets the paper's size, turned with the orientation.
    bool ReadFromStream(TStream& Stream);
    // The same block at the position of a document's page stream; a document without one gets
    // nothing written and reads as holding nothing.
    void WriteToPimFile(TPimFile* af) const;
    bool ReadFromPimFile(TPimFile* af);

    bool PrintSet(TPimPrintSettings Index) const { return FPrintSet[Index]; }

    int32_t Orientation() const { return FOrientation; }
    void SetOrientation(int32_t Value);
    int32_t PaperSize() const { return FPaperSize; }
    void SetPaperSize(int32_t Value);
    double Length() const { return FLength; }
    void SetLength(double Value);
    double Width() const { return FWidth; }
    void SetWidth(double Value);
    int32_t Scale() const { return FScale; }
    void SetScale(int32_t Value);
    int32_t Copies() const { return FCopies; }
    void SetCopies(int32_t Value);
    int32_t Source() const { return FSource; }
    void SetSource(int32_t Value);
    int32_t PrintQuality() const { return FPrintQuality; }
    void SetPrintQuality(int32_t Value);
    int32_t Color() const { return FColor; }
    void SetColor(int32_t Value);
    int32_t Duplex() const { return FDuplex; }
    void SetDuplex(int32_t Value);
    int32_t YResolution() const { return FYResolution; }
    void SetYResolution(int32_t Value);
    int32_t TTOption() const { return FTTOption; }
    void SetTTOption(int32_t Value);
    bool CollatedCopies() const { return FCollatedCopies; }
    void SetCollatedCopies(bool Value);
    const QString& FormName() const { return FFormName; }
    void SetFormName(const QString& Value);

    double LeftPrintArea() const { return FLeftPrintArea; }
    double TopPrintArea() const { return FTopPrintArea; }
    double RightPrintArea() const { return FRightPrintArea; }
    double BottomPrintArea() const { return FBottomPrintArea; }
    int GetPrinterCount() const;
    int PrinterCount() const { return GetPrinterCount(); }
    int PixelsPerInchX() const;
    int PixelsPerInchY() const;
    TPimPrinterSettings* PrinterSettings() const { return FPrinterSettings.get(); }

private:
    template <typename T> void Store(T& Field, const T& Value, TPimPrintSettings Index);
    void ReadEntry(uint16_t Tag, TStream& Stream);
    // Fills the length and width a block left out from the paper's number, when it names a known paper.
    void TakeNamedPaperSize(bool KeepLength, bool KeepWidth);

    int32_t FOrientation = 1;
    int32_t FPaperSize = 1;
    double FLength = 11.0;
    double FWidth = 8.5;
    int32_t FScale = 100;
    int32_t FCopies = 1;
    int32_t FSource = 1;
    int32_t FPrintQuality = -4;
    int32_t FColor = 2;
    int32_t FDuplex = 1;
    int32_t FYResolution = 0;
    int32_t FTTOption = 2;
    bool FCollatedCopies = true;
    QString FFormName;
    double FLeftPrintArea = 0;
    double FRightPrintArea = 0;
    double FTopPrintArea = 0;
    double FBottomPrintArea = 0;
    std::unique_ptr<TPimPrinterSettings> FPrinterSettings;
    std::array<bool, TPimPrinterSettings::PropCount> FPrintSet{};
};
