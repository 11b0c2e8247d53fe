#include "guide.h"
#include "host/exceptions.h"
#include "host/forms.h"
#include "host/printers.h"
#include "host/sqldataset.h"
#include "output/PimFile.h"
#include "report/PSetup.h"
#include "report/PimPage.h"
#include "report/VyrCtrl.h"
#include "report/VyrData.h"
#include "report/VyrRep.h"
#include "report/VyrText.h"
#include "report/VyrVar.h"

#include <QSqlDatabase>

namespace {

// A label on Band at Left, Top, in pixels at the report's 96 pixels per inch; first.cpp's helper.
template <class T> T* Place(TForm* Form, TVyrBand* Band, int Left, int Top, int Width) {
    auto* Label = new T(Form);
    Label->SetParent(Band);
    Label->SetBounds(Left, Top, Width, 18);
    return Label;
}

// A variable that takes the field's value at every detail line.
TVyrDBVar* FieldVar(TForm* Form, TVyrGrouppage* Page, TDataSource* Source, const QString& Field) {
    auto* Var = new TVyrDBVar(Form);
    Var->SetParent(Page);
    Var->SetDataSource(Source);
    Var->SetDataField(Field);
    Var->SetUpdateLevel(Page->Detail()->UpdateLevel());
    return Var;
}

} // namespace

// The printer list answers -1 for a name it does not hold, and -1 as an index is the default
// printer: a misspelt name would print there.
void SelectPrinter(const QString& Name) {
    const int Index = Printer().Printers().indexOf(Name);
    if (Index < 0) throw Exception(QString("Printer \"%1\" not found").arg(Name));
    Printer().SetPrinterIndex(Index);
}

TCityReport BuildCityReport(TForm* Form, const QString& Database) {
    auto* Report = new TVyrReport(Form);
    Report->SetPrompt(false);
    auto* Page = new TVyrGrouppage(Form);
    Page->SetParent(Report);
    TVyrPageSetup* Setup = Page->PageSetup();
    Setup->SetSize(psA4);
    Setup->SetUnits(unitMiliMeters);
    Setup->SetLeftMargin(20);
    Setup->SetTopMargin(15);

    auto* Orders = new TSqlDataSet(Form);
    Orders->SetDatabaseName(Database);
    // A group is a run of rows with the same value: the query sorts by it.
    Orders->SetSQL("SELECT c.city, o.id, o.order_date, o.shipped, o.amount FROM orders o "
                   "JOIN customers c ON c.id = o.customer_id ORDER BY c.city, o.id");
    auto* Source = new TDataSource(Form);
    Source->SetDataSet(Orders);
    Page->SetDataSource(Source);
    Page->AddMainBands();
    Page->PageHead()->SetHeight(48);
    Page->Detail()->SetHeight(18);
    TVyrDBVar* City = FieldVar(Form, Page, Source, "city");
    TVyrDBVar* Id = FieldVar(Form, Page, Source, "id");
    TVyrDBVar* Date = FieldVar(Form, Page, Source, "order_date");
    TVyrDBVar* Shipped = FieldVar(Form, Page, Source, "shipped");
    TVyrDBVar* Amount = FieldVar(Form, Page, Source, "amount");

    Place<TVyrTextLabel>(Form, Page->PageHead(), 0, 0, 300)->SetCaption("Orders by city");
    const char* Captions[] = {"Order", "Date", "Shipped", "Amount"};
    for (int i = 0; i < 4; ++i) {
        auto* Caption = Place<TVyrTextLabel>(Form, Page->PageHead(), i * 110, 28, 100);
        Caption->SetCaption(Captions[i]);
        Caption->SetHorizontalAlign(i == 3 ? laRight : laLeft); // over the amounts' right edges
        Caption->SetRow(1); // a rich-text file writes a band by rows: this one goes below the title
    }

    auto* CityGroup = new TVyrGroup(Form);
    CityGroup->SetName("CityGroup");
    CityGroup->SetParent(Page);
    CityGroup->AddBands(Page);    // a header and a footer band, each with its own update level
    CityGroup->SetVariable(City); // a new group begins where the city changes
    Place<TVyrvarlabel>(Form, CityGroup->Header(), 0, 0, 300)->SetVariable(City);

    Place<TVyrvarlabel>(Form, Page->Detail(), 0, 0, 100)->SetVariable(Id);
    auto* DateLabel = Place<TVyrvarlabel>(Form, Page->Detail(), 110, 0, 100);
    DateLabel->SetVariable(Date);
    DateLabel->DataFormat()->SetDisplayFormat("yyyy-mm-dd");
    auto* ShippedLabel = Place<TVyrvarlabel>(Form, Page->Detail(), 220, 0, 100);
    ShippedLabel->SetVariable(Shipped);
    ShippedLabel->DataFormat()->SetDisplayFormat("yyyy-mm-dd");
    ShippedLabel->DataFormat()->SetSuppressNulls(true); // not shipped: nothing rather than 1899-12-30
    auto* AmountLabel = Place<TVyrvarlabel>(Form, Page->Detail(), 330, 0, 100);
    AmountLabel->SetVariable(Amount);
    AmountLabel->SetHorizontalAlign(laRight);
    AmountLabel->DataFormat()->SetDisplayFormat("#,##0.00");

    auto* Amounts = new TVyrTotalvar(Form); // adds the amount up at every detail line
    Amounts->SetParent(Page);
    Amounts->SetVariable(Amount);
    Amounts->SetUpdateLevel(Page->Detail()->UpdateLevel());
    TVyrBand* Footer = CityGroup->Footer();
    Place<TVyrTextLabel>(Form, Footer, 0, 0, 100)->SetCaption("Orders");
    auto* Count = Place<TVyrTotalvarLabel>(Form, Footer, 110, 0, 100);
    Count->SetTotalVariable(Amounts);  // at the footer's level: the city's orders
    Count->SetTotalType(ttCount);      // how many values were added, rather than their sum
    Count->DataFormat()->SetDigits(0); // a whole number: a total label prints 336.00 otherwise
    auto* Sum = Place<TVyrTotalvarLabel>(Form, Footer, 330, 0, 100);
    Sum->SetTotalVariable(Amounts); // ttSum, in the system's number form with two decimals
    Sum->SetHorizontalAlign(laRight);
    Place<TVyrTextLabel>(Form, Page->Foot(), 0, 0, 100)->SetCaption("All cities");
    auto* Total = Place<TVyrTotalvarLabel>(Form, Page->Foot(), 330, 0, 100);
    Total->SetTotalVariable(Amounts); // at the report footer's level: every order
    Total->SetHorizontalAlign(laRight);
    return {Report, Page, Orders, Count, Sum, Total};
}

QString RunWithoutBoxes(TVyrReport* Report, QStringList& Unheard) {
    Report->SetPrompt(false);        // no destination question
    Report->SetSuppressStatus(true); // no status window, and so no question whether to stop
    // Only what no caller of Run can hear reaches the application's handler: without one, each such
    // error shows in a message box.
    auto Before = Application()->OnException;
    Application()->OnException = [&Unheard](TComponent*, const Exception& E) { Unheard << E.Message(); };
    QString Error;
    try {
        Report->Run();
    } catch (const Exception& E) {
        Error = E.Message(); // told once, here: a failing query, file or printer
    }
    Application()->OnException = Before;
    return Error;
}

void PrintDocument(const QString& FileName) {
    auto Doc = std::make_shared<TPimPimFile>();
    Doc->LoadFromFile(FileName); // raises for a file that is not a whole document
    TPimPrinter Printer;
    Doc->SendPages(&Printer, 1, Doc->PageCount()); // raises what fails while a page prints
    // The printer's refusal of the finished job is kept rather than raised.
    if (!Printer.ExceptionText().isEmpty()) throw Exception(Printer.ExceptionText());
}

void UseServer(TSqlDataSet* Customers, const QString& Password) {
    QSqlDatabase Db = QSqlDatabase::addDatabase("QPSQL", "sales");
    Db.setHostName("db.example.com");
    Db.setDatabaseName("sales");
    Db.setUserName("report");
    Db.setPassword(Password);
    Customers->SetConnectionName("sales"); // in place of SetDatabaseName(File)
}
