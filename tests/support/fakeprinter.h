#pragma once
#include "host/printers.h"

#include <QPicture>
#include <memory>
#include <vector>

// One page as the fake printer received it: the device mode and device figures in force when the
// page began.
struct TFakePage {
    TDeviceMode Mode;
    TDeviceCaps Caps;
};

struct TFakeJob {
    QString Title;
    TDeviceMode Mode; // the mode the job began with, which carries copies, collation and duplex
    std::vector<TFakePage> Pages;
    QPicture Picture; // everything painted in the job; the device context's log tells pages apart
    bool Ended = false;
    bool Aborted = false;

    int Copies() const { return Mode.Has(dmfCopies) ? Mode.Copies : 1; }
    bool Collate() const { return Mode.Has(dmfCollate) && Mode.Collate != 0; }
    int Duplex() const { return Mode.Has(dmfDuplex) ? int(Mode.Duplex) : int(dmDupSimplex); }
};

// A printer for tests: it records every job, page, copy count and device-mode setting, answers
// with the capabilities it is given and fails on demand.
class TFakePrinter : public TPrinterBackend {
public:
    enum TFailPoint { fpNone, fpCapabilities, fpBeginDoc, fpNewPage, fpEndDoc };

    explicit TFakePrinter(const QString& Name = QStringLiteral("Fake Printer"));
    ~TFakePrinter() override;

    // An office laser at 600 dpi with Letter, Legal, "A4 210 x 297 mm" and a user size, a quarter
    // inch unprintable on every side, three bins and duplex.
    static std::unique_ptr<TFakePrinter> Office(const QString& Name = QStringLiteral("Office Laser"));

    QString Name() const override { return FName; }
    QString Driver() const override { return DriverName; }
    QString Port() const override { return PortName; }

    TPrinterCapabilities Capabilities() override;
    TDeviceMode DefaultDeviceMode() override;

    void BeginDoc(const QString& Title, const TDeviceMode& Mode, const TDeviceCaps& Caps) override;
    void NewPage(const TDeviceMode& Mode, const TDeviceCaps& Caps) override;
    void EndDoc() override;
    void Abort() override;
    QPaintDevice* PaintDevice() override;

    TPrinterCapabilities Caps;
    TDeviceMode Defaults;
    QString DriverName = QStringLiteral("fake");
    QString PortName = QStringLiteral("FILE:");

    TFailPoint FailAt = fpNone;
    QString FailMessage = QStringLiteral("The fake printer failed");
    int CapabilityReads = 0;
    std::vector<TFakeJob> Jobs;

private:
    void Fail(TFailPoint Point) const;

    QString FName;
    bool FPrinting = false;
};

// Puts the given printers in place of the machine's for the life of the object; the machine's
// list comes back afterwards. The printers stay reachable through the returned pointers.
class TFakePrinterList {
public:
    TFakePrinterList(std::vector<std::unique_ptr<TFakePrinter>> Printers, int DefaultIndex = 0);
    // No printer at all.
    TFakePrinterList();
    ~TFakePrinterList();

    TFakePrinter* operator[](int Index) const { return FPrinters[Index]; }

private:
    std::vector<TFakePrinter*> FPrinters;
};
