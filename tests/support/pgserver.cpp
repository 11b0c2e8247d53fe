#include "support/pgserver.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

QString FindBinDir() {
    const QByteArray Forced = qgetenv("PIM_PG_BINDIR");
    if (!Forced.isEmpty()) return QString::fromLocal8Bit(Forced);
    for (int Version = 17; Version >= 12; --Version) {
        const QString Dir = QStringLiteral("/usr/lib/postgresql/%1/bin").arg(Version);
        if (QFileInfo(Dir + QStringLiteral("/initdb")).isExecutable() &&
            QFileInfo(Dir + QStringLiteral("/pg_ctl")).isExecutable())
            return Dir;
    }
    return QString();
}

void RemoveTree(const QString& Path) {
    if (!Path.isEmpty()) QDir(Path).removeRecursively();
}

} // namespace

TPrivatePostgres& TPrivatePostgres::Instance() {
    static TPrivatePostgres Server;
    return Server;
}

TPrivatePostgres::TPrivatePostgres() {
    Start();
}

TPrivatePostgres::~TPrivatePostgres() {
    Stop();
}

// Runs a server program as the server's user with its output in the folder's log, and waits.
int TPrivatePostgres::Run(const QStringList& Arguments) {
    std::vector<QByteArray> Bytes;
    for (const QString& a : Arguments)
        Bytes.push_back(a.toLocal8Bit());
    std::vector<char*> Argv;
    for (QByteArray& b : Bytes)
        Argv.push_back(b.data());
    Argv.push_back(nullptr);
    const QByteArray Log = (FRoot + QStringLiteral("/commands.log")).toLocal8Bit();

    const pid_t Child = fork();
    if (Child < 0) return -1;
    if (Child == 0) {
        const int Fd = open(Log.constData(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (Fd >= 0) {
            dup2(Fd, 1);
            dup2(Fd, 2);
            close(Fd);
        }
        if (FUid >= 0) {
            if (setgroups(0, nullptr) != 0 || setgid(static_cast<gid_t>(FGid)) != 0 ||
                setuid(static_cast<uid_t>(FUid)) != 0)
                _exit(126);
        }
        execv(Argv[0], Argv.data());
        _exit(127);
    }
    int Status = 0;
    while (waitpid(Child, &Status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
}

void TPrivatePostgres::Start() {
    FBinDir = FindBinDir();
    if (FBinDir.isEmpty()) {
        FProblem = QStringLiteral("PostgreSQL is not installed (no initdb under /usr/lib/postgresql/*/bin)");
        return;
    }
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
        FProblem = QStringLiteral("The Qt Sql driver QPSQL is not installed");
        return;
    }
    FInstalled = true;

    if (geteuid() == 0) {
        const passwd* User = getpwnam("postgres");
        if (!User) {
            FProblem = QStringLiteral("Running as root, but there is no user \"postgres\" to run the server");
            return;
        }
        FUid = static_cast<int>(User->pw_uid);
        FGid = static_cast<int>(User->pw_gid);
    }
    QByteArray Template = QDir::tempPath().toLocal8Bit() + "/pimpg-XXXXXX";
    if (!mkdtemp(Template.data())) {
        FProblem = QStringLiteral("Cannot make a temporary folder for PostgreSQL");
        return;
    }
    FRoot = QString::fromLocal8Bit(Template);
    FSocketDir = FRoot;
    if (FUid >= 0 && chown(Template.constData(), static_cast<uid_t>(FUid), static_cast<gid_t>(FGid)) != 0) {
        FProblem = QStringLiteral("Cannot give %1 to the postgres user").arg(FRoot);
        return;
    }
    chmod(Template.constData(), 0700);
    const QString Data = FRoot + QStringLiteral("/data");
    if (Run({FBinDir + QStringLiteral("/initdb"), QStringLiteral("-D"), Data, QStringLiteral("-U"),
             QStringLiteral("postgres"), QStringLiteral("-A"), QStringLiteral("trust"), QStringLiteral("-E"),
             QStringLiteral("UTF8"), QStringLiteral("--locale=C"), QStringLiteral("-N")}) != 0) {
        QFile Log(FRoot + QStringLiteral("/commands.log"));
        Log.open(QIODevice::ReadOnly);
        FProblem = QStringLiteral("initdb failed: ") + QString::fromLocal8Bit(Log.readAll().right(2000));
        return;
    }
    const QString Options = QStringLiteral("-k %1 -p %2 -c listen_addresses='' -F -c fsync=off "
                                           "-c full_page_writes=off -c lc_monetary=C -c TimeZone=UTC")
                                .arg(FSocketDir)
                                .arg(FPort);
    if (Run({FBinDir + QStringLiteral("/pg_ctl"), QStringLiteral("-D"), Data, QStringLiteral("-l"),
             FRoot + QStringLiteral("/server.log"), QStringLiteral("-w"), QStringLiteral("-t"),
             QStringLiteral("60"), QStringLiteral("-o"), Options, QStringLiteral("start")}) != 0) {
        QFile Log(FRoot + QStringLiteral("/server.log"));
        Log.open(QIODevice::ReadOnly);
        FProblem =
            QStringLiteral("pg_ctl start failed: ") + QString::fromLocal8Bit(Log.readAll().right(2000));
        Run({FBinDir + QStringLiteral("/pg_ctl"), QStringLiteral("-D"), Data, QStringLiteral("-m"),
             QStringLiteral("immediate"), QStringLiteral("stop")});
        return;
    }
    FRunning = true;
}

void TPrivatePostgres::Stop() {
    if (FRunning) {
        Run({FBinDir + QStringLiteral("/pg_ctl"), QStringLiteral("-D"), FRoot + QStringLiteral("/data"),
             QStringLiteral("-m"), QStringLiteral("immediate"), QStringLiteral("-w"),
             QStringLiteral("stop")});
        FRunning = false;
    }
    RemoveTree(FRoot);
    FRoot.clear();
}

bool TPrivatePostgres::Connect(const QString& ConnectionName, QString& Error) {
    if (!FRunning) {
        Error = FProblem;
        return false;
    }
    if (QSqlDatabase::contains(ConnectionName)) QSqlDatabase::removeDatabase(ConnectionName);
    QSqlDatabase Db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), ConnectionName);
    Db.setHostName(FSocketDir);
    Db.setPort(FPort);
    Db.setUserName(QStringLiteral("postgres"));
    Db.setDatabaseName(QStringLiteral("postgres"));
    Db.setConnectOptions(QStringLiteral("options='-c client_min_messages=warning'"));
    if (!Db.open()) {
        Error = Db.lastError().text();
        return false;
    }
    return true;
}
