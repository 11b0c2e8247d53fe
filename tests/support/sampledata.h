#pragma once
#include <QSqlDatabase>
#include <QString>

// The sample database scripts of examples/data ("sqlite" or "postgresql").
QString SampleScriptPath(const QString& Dialect);
QString ReadSampleScript(const QString& Dialect);

// Makes the sample database on Db afresh: its tables dropped where they are, then its script run.
void LoadSampleDatabase(QSqlDatabase Db, const QString& Dialect);
