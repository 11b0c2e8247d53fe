#pragma once
// What the example programs do around their documents: print on the "PDF file" printer, tell file
// sizes, and show a page as a picture.
#include <QSize>
#include <QString>

class TPimPimFile;

// Selects the "PDF file" printer and sends its jobs to FileName; raises when there is no such printer.
void UsePdfPrinter(const QString& FileName);

// The size of a file in bytes; 0 when it is missing.
qint64 FileSize(const QString& FileName);

// Plays page Page (from 1) of Doc into a picture of the document's paper at 96 pixels per inch and
// writes it to FileName as PNG; returns the picture's size. Raises when the file cannot be written.
QSize WritePagePicture(TPimPimFile& Doc, int Page, const QString& FileName);
