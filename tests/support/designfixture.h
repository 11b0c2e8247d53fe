#pragma once
#include "host/forms.h"
#include "report/PimPage.h"
#include "report/VyrRep.h"
#include "support/reportfixture.h"
#include "support/testdesigner.h"

#include <memory>

// A report being designed: the form "Form1" served by the test designer, holding the report
// "VyrReport1" (800 x 600) whose group page "ReportPage" got its five main bands and their levels
// as a report dropped on a form does. The caller installs the design package when it needs it.
class TDesignedReport {
public:
    TDesignedReport();
    ~TDesignedReport();

    // A component of T owned by the form, named, on Parent when it is a control.
    template <class T> T* Add(const QString& Name, TWinControl* Parent = nullptr) {
        return Make<T>(Form.get(), Name, Parent);
    }

    std::unique_ptr<TForm> Form;
    std::unique_ptr<TTestDesigner> Designer;
    TVyrReport* Report = nullptr;
    TVyrGrouppage* Page = nullptr;
};
