#pragma once
#include "host/buttons.h"

#include <cstdint>
#include <functional>

class TVyrPageSetup;
class TVyrReport;

// The tool buttons the design companion puts on a report.
class TVyrNoScaleBtn : public TSpeedButton {
public:
    using TSpeedButton::TSpeedButton;
};

enum TVyrBtnDest : uint8_t { bdPrinter, bdScreen, bdDefault };
enum TVyrBtnPrompt : uint8_t { bpPrompt, bpNoPrompt, bpDefault };
enum TVyrBtnDataRange : uint8_t { brAllRecords, brSingleRecord, brDefault };

using TVyrOnBeforeRunEvent = std::function<void(TVyrPageSetup* PageSetup)>;

// A button that runs a report in one press, after setting its destination, question and data range
// when asked to; what it sets stays on the report after the run.
class TVyrReportButton : public TBitBtn {
public:
    explicit TVyrReportButton(TComponent* AOwner);
    ~TVyrReportButton() override;

    TVyrReport* Report() const { return FReport; }
    void SetReport(TVyrReport* Value);
    TVyrBtnDest Destination() const { return FDestination; }
    void SetDestination(TVyrBtnDest Value) { FDestination = Value; }
    TVyrBtnPrompt Prompt() const { return FPrompt; }
    void SetPrompt(TVyrBtnPrompt Value) { FPrompt = Value; }
    TVyrBtnDataRange DataRange() const { return FDataRange; }
    void SetDataRange(TVyrBtnDataRange Value) { FDataRange = Value; }

    // Runs the report, then the button's own press (OnClick), also when the run raises; the run's
    // exception reaches the caller afterwards. A report without a page is not run.
    void Click() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // A button belongs on a form, never on a report, page or band.
    void SetParent(TWinControl* AParent) override;

    // Runs before the report with its page setup; raising skips the run without a message.
    TVyrOnBeforeRunEvent OnBeforeRun;

private:
    void RunReport();

    TVyrReport* FReport = nullptr; // not owned; cleared on removal
    TVyrBtnDest FDestination = bdDefault;
    TVyrBtnPrompt FPrompt = bpDefault;
    TVyrBtnDataRange FDataRange = brDefault;
};
