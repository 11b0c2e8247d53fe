#pragma once
#include "host/printers.h"

#include <memory>

class QIODevice;
class QPdfWriter;
class TWholeFileStream;

// The pages of one job as a PDF file: each page gets the paper, orientation and printable area of
// the device mode in force when it begins. The printer's device context paints on Device(). The
// file is written beside its target and put in place by End, once its painter has ended: a job
// that fails or is aborted leaves whatever file was there before.
class TPdfJobWriter {
public:
    TPdfJobWriter();
    ~TPdfJobWriter();

    void Begin(const QString& FileName, const QString& Title, const TDeviceCaps& Caps);
    void NewPage(const TDeviceCaps& Caps);
    // Raises with the file's name and the system's reason when the file could not be written whole.
    void End();
    // Ends the job without a file.
    void Abort();
    QPaintDevice* Device() const;
    bool Active() const { return FWriter != nullptr; }
    const QString& FileName() const { return FFileName; }

private:
    QString FFileName;
    std::unique_ptr<TWholeFileStream> FFile;
    std::unique_ptr<QIODevice> FDevice; // FFile as the PDF writer sees it
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
    QString LastJobFile() const override { return FLastFileName; }

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
