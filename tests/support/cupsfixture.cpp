#include "support/cupsfixture.h"

#include "host/exceptions.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#ifdef PIM_HAVE_CUPS
#include <cups/cups.h>
#endif

namespace {

std::unique_ptr<TCupsServer>& Server() {
    static std::unique_ptr<TCupsServer> S;
    return S;
}
QString& Reason() {
    static QString R;
    return R;
}
bool Tried = false;

QString Executable(const QString& Name) {
    return QStandardPaths::findExecutable(Name, {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"),
                                                 QStringLiteral("/usr/bin"), QStringLiteral("/bin")});
}

void WriteFile(const QString& Path, const QString& Text) {
    QFile F(Path);
    if (!F.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw Exception(QStringLiteral("Cannot write %s"), {Path});
    F.write(Text.toUtf8());
}

} // namespace

QString FindPpd(const QString& FileName) {
    for (const QString& Root : {QStringLiteral("/usr/share/ppd"), QStringLiteral("/usr/share/cups/model")}) {
        QDirIterator It(Root, {FileName}, QDir::Files, QDirIterator::Subdirectories);
        if (It.hasNext()) return It.next();
    }
    return QString();
}

TCupsServer* TCupsServer::Instance() {
    if (Tried) return Server().get();
    Tried = true;
#ifndef PIM_HAVE_CUPS
    Reason() = QStringLiteral("built without libcups");
    return nullptr;
#else
    if (Executable(QStringLiteral("cupsd")).isEmpty() || Executable(QStringLiteral("lpadmin")).isEmpty()) {
        Reason() = QStringLiteral("cupsd is not installed (Debian package cups)");
        return nullptr;
    }
    std::unique_ptr<TCupsServer> S(new TCupsServer);
    try {
        S->Start();
    } catch (const Exception& E) {
        Reason() = E.Message();
        return nullptr;
    }
    Server() = std::move(S);
    return Server().get();
#endif
}

QString TCupsServer::SkipReason() {
    return Reason();
}

void TCupsServer::Shutdown() {
    Server().reset();
}

TCupsServer::TCupsServer() = default;

TCupsServer::~TCupsServer() {
    if (FDaemon && FDaemon->state() != QProcess::NotRunning) {
        FDaemon->terminate();
        if (!FDaemon->waitForFinished(5000)) {
            FDaemon->kill();
            FDaemon->waitForFinished(2000);
        }
    }
    qunsetenv("CUPS_SERVER");
#ifdef PIM_HAVE_CUPS
    cupsSetServer(nullptr);
#endif
}

QString TCupsServer::Directory() const {
    return FDir ? FDir->path() : QString();
}

void TCupsServer::Start() {
    // A short path: the socket's name must fit the 108 bytes of a socket address.
    FDir = std::make_unique<QTemporaryDir>(QStringLiteral("/tmp/PimCups-XXXXXX"));
    if (!FDir->isValid()) throw Exception(QStringLiteral("cannot make a directory for cupsd"));
    const QString D = FDir->path();
    for (const char* Sub : {"spool", "spool/tmp", "cache", "state", "log", "ppd"})
        QDir(D).mkpath(QString::fromLatin1(Sub));
    // The scheduler runs filters and reads files as its own unprivileged user.
    QFile::setPermissions(D, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                 QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                 QFileDevice::ExeOther);
    FSocket = D + QStringLiteral("/cups.sock");

    WriteFile(D + QStringLiteral("/cupsd.conf"), QStringLiteral("LogLevel warn\n"
                                                                "Listen %1\n"
                                                                "Browsing No\n"
                                                                "DefaultAuthType None\n"
                                                                "WebInterface No\n"
                                                                "PreserveJobHistory Yes\n"
                                                                "PreserveJobFiles Yes\n"
                                                                "<Location />\n"
                                                                "Order allow,deny\n"
                                                                "Allow all\n"
                                                                "</Location>\n"
                                                                "<Policy default>\n"
                                                                "<Limit All>\n"
                                                                "Order deny,allow\n"
                                                                "Allow all\n"
                                                                "</Limit>\n"
                                                                "</Policy>\n")
                                                     .arg(FSocket));
    WriteFile(D + QStringLiteral("/cups-files.conf"), QStringLiteral("ServerRoot %1\n"
                                                                     "RequestRoot %1/spool\n"
                                                                     "CacheDir %1/cache\n"
                                                                     "StateDir %1/state\n"
                                                                     "TempDir %1/spool/tmp\n"
                                                                     "AccessLog %1/log/access_log\n"
                                                                     "ErrorLog %1/log/error_log\n"
                                                                     "PageLog %1/log/page_log\n"
                                                                     "FileDevice Yes\n"
                                                                     "SystemGroup root\n"
                                                                     "ServerBin /usr/lib/cups\n"
                                                                     "DataDir /usr/share/cups\n")
                                                          .arg(D));

    FDaemon = std::make_unique<QProcess>();
    FDaemon->setProcessChannelMode(QProcess::MergedChannels);
    FDaemon->start(Executable(QStringLiteral("cupsd")),
                   {QStringLiteral("-f"), QStringLiteral("-c"), D + QStringLiteral("/cupsd.conf"),
                    QStringLiteral("-s"), D + QStringLiteral("/cups-files.conf")});
    if (!FDaemon->waitForStarted(5000)) throw Exception(QStringLiteral("cupsd did not start"));

    qputenv("CUPS_SERVER", FSocket.toUtf8());
#ifdef PIM_HAVE_CUPS
    cupsSetServer(FSocket.toUtf8().constData());
#endif
    QElapsedTimer Timer;
    Timer.start();
    while (Timer.elapsed() < 15000) {
        if (FDaemon->state() == QProcess::NotRunning)
            throw Exception(QStringLiteral("cupsd stopped: %s"),
                            {QString::fromLocal8Bit(FDaemon->readAll())});
        QProcess Probe;
        Probe.start(Executable(QStringLiteral("lpstat")), {QStringLiteral("-r")});
        Probe.waitForFinished(5000);
        if (QFileInfo::exists(FSocket) && Probe.exitCode() == 0 &&
            Probe.readAllStandardOutput().contains("scheduler is running"))
            return;
        QThread::msleep(100);
    }
    throw Exception(QStringLiteral("cupsd did not answer on %s"), {FSocket});
}

void TCupsServer::Run(const QString& Program, const QStringList& Arguments) const {
    QProcess P;
    P.setProcessChannelMode(QProcess::MergedChannels);
    P.start(Executable(Program), Arguments);
    if (!P.waitForFinished(30000) || P.exitStatus() != QProcess::NormalExit || P.exitCode() != 0)
        throw Exception(QStringLiteral("%s failed: %s"), {Program, QString::fromLocal8Bit(P.readAll())});
}

void TCupsServer::AddQueue(const QString& Name, const QString& Ppd, const QStringList& Options) {
    QStringList Args = {QStringLiteral("-p"), Name, QStringLiteral("-v"), QStringLiteral("file:///dev/null"),
                        QStringLiteral("-P"), Ppd,  QStringLiteral("-E")};
    for (const QString& O : Options)
        Args << QStringLiteral("-o") << O;
    Run(QStringLiteral("lpadmin"), Args);
    Run(QStringLiteral("cupsdisable"), {Name});
}

void TCupsServer::SetDefault(const QString& Name) {
    Run(QStringLiteral("lpadmin"), {QStringLiteral("-d"), Name});
}

QMap<QString, QString> TCupsServer::JobAttributes(int JobId) const {
    QMap<QString, QString> Result;
#ifdef PIM_HAVE_CUPS
    ipp_t* Request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    const QByteArray Uri = QStringLiteral("ipp://localhost/jobs/%1").arg(JobId).toUtf8();
    ippAddString(Request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, Uri.constData());
    ippAddString(Request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ipp_t* Response = cupsDoRequest(CUPS_HTTP_DEFAULT, Request, "/");
    for (ipp_attribute_t* A = ippFirstAttribute(Response); A; A = ippNextAttribute(Response)) {
        if (!ippGetName(A)) continue;
        char Buffer[1024];
        ippAttributeString(A, Buffer, sizeof Buffer);
        Result.insert(QString::fromUtf8(ippGetName(A)), QString::fromUtf8(Buffer));
    }
    ippDelete(Response);
#else
    (void)JobId;
#endif
    return Result;
}

QString TCupsServer::JobDocument(int JobId) const {
    return Directory() + QStringLiteral("/spool/d%1-001").arg(JobId, 5, 10, QLatin1Char('0'));
}
