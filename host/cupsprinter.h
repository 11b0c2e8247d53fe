#pragma once
#include "host/pdfprinter.h"
#include "host/printers.h"

#include <memory>
#include <optional>

// A CUPS queue. Capabilities come from the destination's supported and default attributes
// (media, media-source, sides, printer-resolution, copies), read once and kept; a job is rendered
// to a PDF file and submitted with its options when it ends.
class TCupsPrinter : public TPrinterBackend {
public:
    explicit TCupsPrinter(const QString& Name, const QString& Driver = QString(),
                          const QString& Port = QString());
    ~TCupsPrinter() override;

    QString Name() const override { return FName; }
    QString Driver() const override { return FDriver; }
    QString Port() const override { return FPort; }

    TPrinterCapabilities Capabilities() override;
    TDeviceMode DefaultDeviceMode() override;

    void BeginDoc(const QString& Title, const TDeviceMode& Mode, const TDeviceCaps& Caps) override;
    void NewPage(const TDeviceMode& Mode, const TDeviceCaps& Caps) override;
    void EndDoc() override;
    void Abort() override;
    QPaintDevice* PaintDevice() override { return FJob.Device(); }

    // The job options a device mode gives, as name and value pairs in the order they are sent.
    std::vector<std::pair<QString, QString>> JobOptions(const TDeviceMode& Mode);
    // The spooler's id of the last job submitted, 0 before the first.
    int LastJobId() const { return FLastJobId; }

private:
    void ReadDestination();

    QString FName;
    QString FDriver;
    QString FPort;
    std::optional<TPrinterCapabilities> FCaps;
    std::optional<TDeviceMode> FDefaults;
    TPdfJobWriter FJob;
    QString FTitle;
    TDeviceMode FJobMode;
    int FLastJobId = 0;
};

// The queues of the CUPS server in use (CUPS_SERVER or the client configuration); DefaultIndex
// receives the default queue's position, -1 when there is none. Empty when there is no server.
TPrinterBackends CupsPrinters(int& DefaultIndex);

// Paper and bin numbers of the device mode for the spooler's media and media-source keywords.
int CupsPaperNumber(const QString& Media);
QString CupsPaperName(const QString& Media);
int CupsBinNumber(const QString& Source);
QString CupsBinName(const QString& Source);
