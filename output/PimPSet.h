#pragma once
#include "host/printers.h"

#include <QPoint>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

enum TPimPrintSettings : uint8_t {
    apsOrientation,
    apsPaperSize,
    apsPaperLength,
    apsPaperWidth,
    apsScale,
    apsCopies,
    apsDefaultSource,
    apsPrintQuality,
    apsColor,
    apsDuplex,
    apsYResolution,
    apsTTOption,
    apsCollate,
    apsFormName,
};

enum TPimWinVersion : uint8_t { awvWin31, awvWin95, awvWinNT };

class TPimBinInfo {
public:
    QString binName;
    uint16_t binNumber = 0;
};

class TPimResolution {
public:
    int32_t HorzRes = 0;
    int32_t VertRes = 0;
};

class TPimPaper {
public:
    QString PaperName;
    uint16_t PaperNum = 0;
    QPoint PaperSize; // x = width, y = length, tenths of a millimetre, portrait
};

// Thirteen device-mode settings and a form name, each with a flag that says whether it is to be
// forced on the printer.
class TPimPrinterSettings {
public:
    static constexpr int PropCount = 14;

    TPimPrinterSettings();
    void Assign(const TPimPrinterSettings* Source);

    void GetValues();
    void SetValues(bool Reset);

    int32_t PSProperty(TPimPrintSettings Index) const { return FPSProperties[Index]; }
    // Stores the value and raises its flag, changed or not.
    void SetPSProperty(TPimPrintSettings Index, int32_t Value);
    bool PrintSet(TPimPrintSettings Index) const { return FPrintSet[Index]; }

    int32_t Orientation() const { return FPSProperties[apsOrientation]; }
    void SetOrientation(int32_t V) { SetPSProperty(apsOrientation, V); }
    int32_t PaperSize() const { return FPSProperties[apsPaperSize]; }
    void SetPaperSize(int32_t V) { SetPSProperty(apsPaperSize, V); }
    int32_t PaperLength() const { return FPSProperties[apsPaperLength]; }
    void SetPaperLength(int32_t V) { SetPSProperty(apsPaperLength, V); }
    int32_t PaperWidth() const { return FPSProperties[apsPaperWidth]; }
    void SetPaperWidth(int32_t V) { SetPSProperty(apsPaperWidth, V); }
    int32_t Scale() const { return FPSProperties[apsScale]; }
    void SetScale(int32_t V) { SetPSProperty(apsScale, V); }
    int32_t Copies() const { return FPSProperties[apsCopies]; }
    void SetCopies(int32_t V) { SetPSProperty(apsCopies, V); }
    int32_t DefaultSource() const { return FPSProperties[apsDefaultSource]; }
    void SetDefaultSource(int32_t V) { SetPSProperty(apsDefaultSource, V); }
    int32_t PrintQuality() const { return FPSProperties[apsPrintQuality]; }
    void SetPrintQuality(int32_t V) { SetPSProperty(apsPrintQuality, V); }
    int32_t Color() const { return FPSProperties[apsColor]; }
    void SetColor(int32_t V) { SetPSProperty(apsColor, V); }
    int32_t Duplex() const { return FPSProperties[apsDuplex]; }
    void SetDuplex(int32_t V) { SetPSProperty(apsDuplex, V); }
    int32_t YResolution() const { return FPSProperties[apsYResolution]; }
    void SetYResolution(int32_t V) { SetPSProperty(apsYResolution, V); }
    int32_t TTOption() const { return FPSProperties[apsTTOption]; }
    void SetTTOption(int32_t V) { SetPSProperty(apsTTOption, V); }
    int32_t Collate() const { return FPSProperties[apsCollate]; }
    void SetCollate(int32_t V) { SetPSProperty(apsCollate, V); }
    const QString& FormName() const { return FFormName; }
    void SetFormName(const QString& Value);
    bool CustomPaperSize() const { return FCustomPaperSize; }
    void SetCustomPaperSize(bool Value) { FCustomPaperSize = Value; }

private:
    std::array<int32_t, 13> FPSProperties{};
    QString FFormName;
    std::array<bool, PropCount> FPrintSet{};
    bool FCustomPaperSize = false;
};

// What the current printer can do and its default settings, read once per printer name for the
// life of the process; every object is a private copy of the cached entry.
class TPimPrinterInfo {
public:
    TPimPrinterInfo();
    ~TPimPrinterInfo();
    TPimPrinterInfo(const TPimPrinterInfo&) = delete;
    TPimPrinterInfo& operator=(const TPimPrinterInfo&) = delete;

    void Assign(const TPimPrinterInfo* Source);
    void Update();
    void GetDeviceMode(bool Reset);
    void ReleaseDeviceMode();
    bool PrinterChanged();

    TPimPaper* GetPaperByNum(int Value) const;
    TPimPaper* GetPaperByName(const QString& FormName) const;
    TPimPaper* FindPaperByName(const QString& FormName) const;
    static QString GetPaperName(int Value);
    TPimBinInfo* GetBinByNum(int Value) const;
    static QString GetBinName(int Value);
    TPimBinInfo* FindBinByName(const QString& BinName) const;
    TPimBinInfo* FindBinByNum(int BinNum) const;
    TPimResolution* GetResolution(int HorzRes, int VertRes) const;

    TPimPrinterSettings* PrinterSettings() const { return FPrinterSettings.get(); }
    const std::vector<std::unique_ptr<TPimBinInfo>>& BinList() const { return FBinList; }
    int32_t Copies() const { return FCopies; }
    bool Duplex() const { return FDuplex; }
    const std::vector<std::unique_ptr<TPimResolution>>& Resolutions() const { return FResolutions; }
    const std::vector<std::unique_ptr<TPimPaper>>& PaperList() const { return FPaperList; }
    int32_t TrueType() const { return FTrueType; }
    const QString& PrinterName() const { return FPrinterName; }

    QString Device;
    QString Driver;
    QString Port;
    // The printer object's device mode while it is open, nullptr otherwise.
    TDeviceMode* DeviceMode = nullptr;

private:
    void ReadFromCache();

    std::vector<std::unique_ptr<TPimBinInfo>> FBinList;
    int32_t FCopies = 0;
    bool FDuplex = false;
    std::vector<std::unique_ptr<TPimResolution>> FResolutions;
    QPoint FMaxExtent;
    QPoint FMinExtent;
    std::vector<std::unique_ptr<TPimPaper>> FPaperList;
    QString FPrinterName;
    int32_t FTrueType = 0;
    std::unique_ptr<TPimPrinterSettings> FPrinterSettings;
};

int PimGetPrinterCount();
TPimWinVersion PimWinVersion();
void PimResetPrinter();
// Every blank-separated word of Asked occurs in Candidate, ignoring case; an empty Asked matches
// nothing.
bool PimWordMatch(const QString& Asked, const QString& Candidate);
// Empties the process-wide cache, so that tests meet every printer afresh.
void PimClearPrinterInfoCache();
