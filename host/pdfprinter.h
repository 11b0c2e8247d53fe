#pragma once
#include "host/printers.h"

#include <memory>

class QPdfWriter;

// The pages of one job as a PDF file: each page gets the paper, orientation and printable area of
// the device mode in force when it begins. The printer's device context paints on Device(); the
// file is complete once its painter has ended and End is called.
class TPdfJobWriter {
public:
    TPdfJobWriter();
    ~TPdfJobWriter();

    void Begin(const QString& FileName, const QString& Title, const TDeviceCaps& Caps);
    void NewPage(const TDeviceCaps& Caps);
    void End();
    // Ends the file and removes it.
    void Abort();
    QPaintDevice* Device() const;
    bool Active() const { return FWriter != nullptr; }
    const QString& FileName() const { return FFileName; }

private:
    QString FFileName;
    std::unique_ptr<QPdfWriter> FWriter;
};

// The printer that writes every job to a PDF file, as a desktop's print-to-file does. The file is
// the printer's port; with none set, the job goes to "<title>.pdf" in the documents folder.
class TPdfFilePrinter : public TPrinterBackend {
public:
    static constexpr int Resolution = 600;

    TPdfFilePrinter();
    ~TPdfFilePrinter() override;

    QString Name() const override;
    QString Driver() const override;
    QString Port() const override { return FFileName; }
    void SetFileName(const QString& Value) { FFileName = Value; }
    // The file the last job went to.
    const QString& LastFileName() const { return FLastFileName; }

    TPrinterCapabilities Capabilities() override;
    TDeviceMode DefaultDeviceMode() override;

    void BeginDoc(const QString& Title, const TDeviceMode& Mode, const TDeviceCaps& Caps) override;
    void NewPage(const TDeviceMode& Mode, const TDeviceCaps& Caps) override;
    void EndDoc() override;
    void Abort() override;
    QPaintDevice* PaintDevice() override { return FJob.Device(); }

private:
    QString FFileName;
    QString FLastFileName;
    TPdfJobWriter FJob;
};

// The papers every PDF file can take, with numbers of the device-mode paper codes.
std::vector<TPrinterPaper> StandardPapers();
