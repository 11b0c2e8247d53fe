#include "report/VyrBtn.h"
#include "host/exceptions.h"
#include "host/properties.h"
#include "report/PSetup.h"
#include "report/PimPage.h"
#include "report/VyrCtrl.h"
#include "report/VyrRep.h"

#include <exception>

TVyrReportButton::TVyrReportButton(TComponent* AOwner) : TBitBtn(AOwner) {}

TVyrReportButton::~TVyrReportButton() = default;

void TVyrReportButton::SetReport(TVyrReport* Value) {
    if (Value == FReport) return;
    if (FReport) FReport->RemoveFreeNotification(this);
    FReport = Value;
    if (FReport) FReport->FreeNotification(this);
}

void TVyrReportButton::Click() {
    std::exception_ptr Failure;
    try {
        RunReport();
    } catch (...) {
        Failure = std::current_exception();
    }
    TBitBtn::Click();
    if (Failure) std::rethrow_exception(Failure);
}

void TVyrReportButton::RunReport() {
    if (!FReport || !FReport->Pages() || FReport->Pages()->empty()) return;
    TVyrPage* Page = FReport->Pages()->front();
    TVyrPageSetup* Setup = Page->PageSetup();
    if (FDestination == bdPrinter)
        Setup->SetDestination(destPrinter);
    else if (FDestination == bdScreen)
        Setup->SetDestination(destScreen);
    if (FPrompt != bpDefault) FReport->SetPrompt(FPrompt == bpPrompt);
    if (FDataRange == brAllRecords)
        Page->SetDataRange(drAllRecords);
    else if (FDataRange == brSingleRecord)
        Page->SetDataRange(drSingleRecord);
    if (OnBeforeRun) try {
            OnBeforeRun(Setup);
        } catch (...) {
            return;
        }
    FReport->Run();
}

void TVyrReportButton::Notification(TComponent* AComponent, TOperation Operation) {
    TBitBtn::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FReport) FReport = nullptr;
}

void TVyrReportButton::SetParent(TWinControl* AParent) {
    if (dynamic_cast<TVyrPage*>(AParent) || dynamic_cast<TVyrBand*>(AParent) || dynamic_cast<TVyrReport*>(AParent))
        Abort();
    TBitBtn::SetParent(AParent);
}

namespace {

const TEnumInfo& DestNames() {
    static const TEnumInfo Names(QStringLiteral("TVyrBtnDest"),
                                 {QStringLiteral("bdPrinter"), QStringLiteral("bdScreen"), QStringLiteral("bdDefault")});
    return Names;
}

const TEnumInfo& PromptNames() {
    static const TEnumInfo Names(QStringLiteral("TVyrBtnPrompt"),
                                 {QStringLiteral("bpPrompt"), QStringLiteral("bpNoPrompt"), QStringLiteral("bpDefault")});
    return Names;
}

const TEnumInfo& DataRangeNames() {
    static const TEnumInfo Names(QStringLiteral("TVyrBtnDataRange"),
                                 {QStringLiteral("brAllRecords"), QStringLiteral("brSingleRecord"),
                                  QStringLiteral("brDefault")});
    return Names;
}

[[maybe_unused]] const bool Declared = [] {
    DeclareProperties<TVyrReportButton, TBitBtn>()
        .Reference("Report", &TVyrReportButton::Report, &TVyrReportButton::SetReport)
        .Enumeration("Destination", DestNames(), &TVyrReportButton::Destination, &TVyrReportButton::SetDestination)
        .Default(bdDefault)
        .Enumeration("Prompt", PromptNames(), &TVyrReportButton::Prompt, &TVyrReportButton::SetPrompt)
        .Default(bpDefault)
        .Event("OnBeforeRun", &TVyrReportButton::OnBeforeRun)
        .Enumeration("DataRange", DataRangeNames(), &TVyrReportButton::DataRange, &TVyrReportButton::SetDataRange)
        .Default(brDefault);
    RegisterClasses<TVyrReportButton>();
    return true;
}();

} // namespace
