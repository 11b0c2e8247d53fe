#pragma once
// The code of the README's guide, a function a section. Every C++ block of the README is a piece of
// guide.cpp or of first/first.cpp, word for word; tests/examples/guide_test.cpp checks that and runs
// these functions over the sample database.
#include <QString>
#include <QStringList>

class TForm;
class TSqlDataSet;
class TVyrGrouppage;
class TVyrReport;
class TVyrTotalvarLabel;

// Makes the printer of that name the current one; a name the printer list does not hold raises
// Printer "NAME" not found.
void SelectPrinter(const QString& Name);

// The orders of the sample database by city, on Form: a group per city whose header names it and
// whose footer counts its orders and sums their amounts, the amounts of all cities at the end.
struct TCityReport {
    TVyrReport* Report = nullptr;
    TVyrGrouppage* Page = nullptr;
    TSqlDataSet* Orders = nullptr;
    TVyrTotalvarLabel* Count = nullptr;
    TVyrTotalvarLabel* Sum = nullptr;
    TVyrTotalvarLabel* Total = nullptr;
};
TCityReport BuildCityReport(TForm* Form, const QString& Database);

// Runs Report without any window or message box, to the file or printer its page setup names (the
// screen would open the viewer). Gives the run's error, empty when it ended well; errors no caller
// can hear (those of the events the run goes on from) are added to Unheard.
QString RunWithoutBoxes(TVyrReport* Report, QStringList& Unheard);

// Prints every page of a stored document on the current printer; raises the printer's error.
void PrintDocument(const QString& FileName);

// Points Customers at a PostgreSQL server rather than an SQLite file.
void UseServer(TSqlDataSet* Customers, const QString& Password);
