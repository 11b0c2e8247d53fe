#pragma once
#include <QString>
#include <memory>

class TFileStream;

// The system's temporary directory (TMPDIR, else /tmp), with a trailing separator.
QString TempDirectory();

// Makes a new, empty file "<Prefix>XXXXXX.tmp" in the temporary directory. The name is chosen and
// the file created in one step, so no other process can slip in between.
QString CreateTempFileName(const QString& Prefix = QStringLiteral("Pim"));

// The same, handing back the open file as a stream; FileName receives its path.
std::unique_ptr<TFileStream> CreateTempFileStream(QString& FileName, const QString& Prefix = QStringLiteral("Pim"));
