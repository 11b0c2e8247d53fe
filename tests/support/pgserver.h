#pragma once
#include <QString>
#include <gtest/gtest.h>

// A PostgreSQL server of the test program's own: initdb into a temporary folder, pg_ctl on a
// Unix socket in that folder, stopped and removed when the program ends. As root the server runs
// as the "postgres" user, which owns the folder.
class TPrivatePostgres {
public:
    // Started on first use; one per test program.
    static TPrivatePostgres& Instance();

    bool Installed() const { return FInstalled; }
    bool Running() const { return FRunning; }
    // Why the server is not there: not installed (skip) or failed to start (fail).
    const QString& Problem() const { return FProblem; }
    const QString& SocketDir() const { return FSocketDir; }
    int Port() const { return FPort; }

    // Registers a Qt Sql connection of that name to the server's "postgres" database and opens
    // it; an existing connection of the name is replaced.
    bool Connect(const QString& ConnectionName, QString& Error);

    TPrivatePostgres(const TPrivatePostgres&) = delete;
    TPrivatePostgres& operator=(const TPrivatePostgres&) = delete;

private:
    TPrivatePostgres();
    ~TPrivatePostgres();
    void Start();
    void Stop();
    int Run(const QStringList& Arguments);

    bool FInstalled = false;
    bool FRunning = false;
    QString FProblem;
    QString FBinDir;
    QString FRoot;
    QString FSocketDir;
    int FPort = 5432;
    int FUid = -1;
    int FGid = -1;
};

// Skips the test where PostgreSQL is not installed, fails it where the server would not start.
#define PIM_REQUIRE_POSTGRES()                                                                               \
    do {                                                                                                     \
        TPrivatePostgres& Pg_ = TPrivatePostgres::Instance();                                                \
        if (!Pg_.Installed()) GTEST_SKIP() << qPrintable(Pg_.Problem());                                     \
        if (!Pg_.Running()) FAIL() << qPrintable(Pg_.Problem());                                             \
    } while (0)
