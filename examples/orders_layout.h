#pragma once
#include "host/forms.h"

#include <QString>

class TDataSet;
class TSqlDataSet;
class TVyrGrouppage;
class TVyrReport;
class TVyrTotalvar;

// The form that holds the "orders" report; its stored form names it as the root class.
class TOrdersForm : public TForm {
public:
    explicit TOrdersForm(TComponent* AOwner = nullptr);
};

// The query of the report over the sample database: one row an order, customers by name; the
// discount in percent and the customer as "name, city".
QString OrdersSql();

// The report's one handler, the text of the page footer: "Page N of M" from the page number and the
// page count of the first pass, "Page N" in rich text. Stored forms name it OrdersPageTextGetData;
// a form that is to read the report must define it first.
void DefineOrdersHandlers(TComponent* Root);

// An SQL data set on the application's default connection, named "Orders", owned by Owner.
TSqlDataSet* MakeOrdersDataSet(TComponent* Owner);

// The "orders" report, built on Form over Data (not owned by the report): A4 portrait, margins of
// 10 mm, 96 pixels per inch, "Arial" 10 pt, two passes, no destination question; a page header with
// the title and the captions, a group of orders per customer with its subtotal, a detail line per
// order, "Page N of M" at the foot of every page and the grand total at the end. Data must give the
// fields of OrdersSql.
TVyrReport* BuildOrdersReport(TComponent* Form, TDataSet* Data);

// The parts of a built or loaded orders report that callers look at.
struct TOrdersParts {
    TVyrReport* Report = nullptr;
    TVyrGrouppage* Page = nullptr;
    TVyrTotalvar* Total = nullptr;
};
TOrdersParts FindOrdersParts(TComponent* Form);

// Registers the form class the stored form names as its root (once); the data classes are the host's.
void RegisterOrdersClasses();
