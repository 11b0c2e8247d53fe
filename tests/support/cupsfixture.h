#pragma once
#include <QMap>
#include <QString>
#include <QStringList>
#include <memory>

class QProcess;
class QTemporaryDir;

// A private CUPS scheduler for the tests of one program: its own configuration, spool and state in
// a temporary directory, listening only on its own socket, with file devices, so that nothing of
// the machine's printing is touched. Queues are stopped, so jobs stay pending and can be examined.
// The client library and the command-line tools of the test process are pointed at it.
class TCupsServer {
public:
    // The running server, started on first use; nullptr when it cannot run here, with the reason
    // in SkipReason().
    static TCupsServer* Instance();
    static QString SkipReason();
    // Stops the server and points the client back at the machine's.
    static void Shutdown();

    ~TCupsServer();

    const QString& Socket() const { return FSocket; }
    QString Directory() const;
    // Makes a stopped queue that accepts jobs, from a PPD file, with extra lpadmin -o settings.
    void AddQueue(const QString& Name, const QString& Ppd, const QStringList& Options = {});
    void SetDefault(const QString& Name);
    // The attributes of a job as name -> text ("copies" -> "2").
    QMap<QString, QString> JobAttributes(int JobId) const;
    // The file the spooler keeps of a pending job's first document.
    QString JobDocument(int JobId) const;

private:
    TCupsServer();
    void Start();
    void Run(const QString& Program, const QStringList& Arguments) const;

    std::unique_ptr<QTemporaryDir> FDir;
    std::unique_ptr<QProcess> FDaemon;
    QString FSocket;
};

// A PPD file of the installed drivers by file name ("pxlcolor.ppd"), empty when none is found.
QString FindPpd(const QString& FileName);
