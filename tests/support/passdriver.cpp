#include "support/passdriver.h"
#include "output/PimOut.h"
#include "report/PimPage.h"

void RunPasses(TVyrPage& Page, TPimOutput& Output) {
    const int Passes = Page.TwoPass() ? 2 : 1;
    // A run starts without the error of the last one.
    if (TVyrReport* Report = Page.Report()) Report->SetExceptionText(QString());
    Page.SetPrintTo(&Output);
    for (int Pass = 1; Pass <= Passes; ++Pass) {
        Page.PageStart();
        Output.SetDestination(Pass < Passes ? adNoWhere : adPimFile);
        if (Page.InitReport()) {
            Page.BeginDoc();
            Page.StartReport();
            while (Page.Printing()) Page.Process();
            Page.EndReport();
            Page.EndDoc();
        }
        Page.PageEnd();
    }
    Page.UnInitReport();
    Page.SetPrintTo(nullptr);
}
