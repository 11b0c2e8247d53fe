#pragma once
#include <QString>

// The sample database scripts of examples/data ("sqlite" or "postgresql").
QString SampleScriptPath(const QString& Dialect);
QString ReadSampleScript(const QString& Dialect);
