#pragma once
#include <QString>
#include <QStringList>

// Checks that read our files as a user's word processor does, through the office suite's command line.
// Tests skip them where the suite is not installed.

bool WordProcessorInstalled();

// Converts FileName headless, with a profile of its own in Dir, to the type To ("txt:Text (encoded):UTF8",
// "pdf"); the result is written into Dir under the file's base name, and its name is returned. A failed
// conversion fails the calling test.
QString ConvertWithWordProcessor(const QString& FileName, const QString& To, const QString& Dir);

// The lines of FileName's text as the word processor reads it, without the byte-order mark.
QStringList WordProcessorLines(const QString& FileName, const QString& Dir);
