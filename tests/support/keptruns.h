#pragma once
#include "output/PimFile.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

// Keeps the document of every report run to the screen in place of a viewer, while it lives. With
// Raise set the preview fails instead, with that message, as a viewer that cannot open would.
class TKeptRuns {
public:
    TKeptRuns();
    ~TKeptRuns();
    TKeptRuns(const TKeptRuns&) = delete;
    TKeptRuns& operator=(const TKeptRuns&) = delete;

    std::vector<std::shared_ptr<TPimPimFile>> Documents;
    QString Raise;
};

// The texts page N (from 1) of a document writes, as "x y text" in drawing order.
QStringList PlacedTexts(TPimPimFile& Document, int N);
// Only the texts.
QStringList TextsOf(const QStringList& Placed);
// Writes page N of a document as a PNG image of the page at 96 pixels per inch.
void SavePagePng(TPimPimFile& Document, int N, const QString& FileName);
// The texts of a page by line: "y: text | text ..." for each y at which a text is written, in order
// of y and, within a line, of x; a text that runs over several lines (wrapped memo lines) is given
// line by line.
QStringList TextLines(TPimPimFile& Document, int N);
// The texts page N draws with their look: "x y text / font height weight italic / colour".
QStringList StyledTexts(TPimPimFile& Document, int N);
