// The page's master data loop: positioning, filtering and counting the records of its data set.
#include "host/forms.h"
#include "host/messages.h"
#include "host/resstrings.h"
#include "host/sqldataset.h"
#include "report/PimDS.h"
#include "report/PimPage.h"

namespace {
// Milliseconds between two turns of the event loop while the records are walked.
constexpr qint64 EventsInterval = 10;
} // namespace

bool IsQueryDataSet(const TPersistent* DataSet) {
    if (!DataSet) return false;
    if (dynamic_cast<const TSqlDataSet*>(DataSet)) return true;
    return DataSet->ClassName().compare(QStringLiteral("TQUERY"), Qt::CaseInsensitive) == 0;
}

int DataSetRecordCount(TPersistent* DataSet) {
    auto* Set = dynamic_cast<TDataSet*>(DataSet);
    if (!Set) return 0;
    if (IsQueryDataSet(Set) && !Set->Active()) return 0;
    return Set->RecordCount();
}

TDataSet* TVyrPage::GetDataSet() const {
    if (TDataSource* Source = GetDataSource())
        if (Source->DataSet()) return Source->DataSet();
    return FDataSet;
}

void TVyrPage::DataStart() {
    FSkipped = 0;
    FRecords = 0;
    FDataIsFinished = false;
    FDataStartFailed = false;
    TDataSet* Set = GetDataSet();
    if (FDataRange == drAllRecords && !Set && !OnDataStart && !GetDataSource()) {
        // A page without data runs a pass without records; the application hears why once a run,
        // not once a pass.
        FDataIsFinished = true;
        if (!FReport || FReport->Pass() <= 1)
            Application()->HandleException(this, std::make_exception_ptr(Exception(LoadStr(SNoDataSource))));
        return;
    }
    bool Tell = true;
    try {
        if (TDataSource* Source = GetDataSource(); Source && !Set && !OnDataStart) {
            // The data source is there but has lost its data set: the report would come out empty.
            throw Exception(
                QStringLiteral("The DataSource %1 of %2 has no DataSet.  Set its DataSet property to "
                               "let the report know what database to skip thru.")
                    .arg(Source->Name().isEmpty() ? Source->ClassName() : Source->Name(), Name()));
        }
        if (OnDataStart)
            OnDataStart(this);
        else if (Set) {
            if (!FDataSourceManager->ActivateDataSource(GetDataSource()) && !Set->Active()) {
                // Without its data the report would come out empty and look finished.
                throw EDatabaseError(FDataSourceManager->OpenFailure(GetDataSource(), Set, Tell));
            }
            if (FDataRange == drAllRecords) {
                if (!FNoRecordCount) FRecords = DataSetRecordCount(Set);
                Set->First();
                FDataIsFinished = Set->Eof();
            } else {
                // A single record of an empty set is no record at all.
                FDataIsFinished = Set->IsEmpty();
            }
        }
        if (FDataIsFinished) return;
        if (FDataRange == drSingleRecord) {
            FSkipped = 1;
            FRecords = 1;
            FDataIsFinished = !DoOnDataFilter();
            if (!FDataIsFinished) AfterDataSkip();
        } else if (DoOnDataFilter())
            AfterDataSkip();
        else
            DataSkip();
    } catch (const EAbort&) {
        // The silent abort ends the data quietly.
        FDataIsFinished = true;
    } catch (...) {
        FDataIsFinished = true;
        FDataStartFailed = true;
        if (Tell) RunFailed(this, std::current_exception());
    }
}

void TVyrPage::RunFailed(TComponent* Sender, std::exception_ptr Error) {
    if (!FReport)
        Application()->HandleException(Sender, Error);
    else if (FReport->RunFailed(Sender, Error))
        FAbortPrinting = true;
}

void VyrRunFailed(TVyrPage* Page, TComponent* Sender, std::exception_ptr Error) {
    if (Page)
        Page->RunFailed(Sender, Error);
    else
        Application()->HandleException(Sender, Error);
}

bool TVyrPage::DoOnDataFilter() {
    if (!OnDataFilter) return true;
    bool Result = false;
    OnDataFilter(this, Result);
    return Result;
}

void TVyrPage::DoSkip() {
    ++FSkipped;
    if (OnDataSkip) {
        OnDataSkip(this);
        return;
    }
    TDataSet* Set = GetDataSet();
    // Without a data set there is nothing to move to.
    if (!Set) {
        FDataIsFinished = true;
        return;
    }
    Set->Next();
    FDataIsFinished = Set->Eof();
}

void TVyrPage::DataSkip() {
    if (FDataRange == drSingleRecord)
        FDataIsFinished = true;
    else {
        bool Moving = false;
        auto Move = [&] {
            Moving = true;
            DoSkip();
            Moving = false;
        };
        try {
            Move();
            while (!FDataIsFinished && !DoOnDataFilter()) Move();
            if (!FDataIsFinished) AfterDataSkip();
        } catch (...) {
            // A move that fails would fail again on the same record: the data ends here, so the
            // record is not printed over and over.
            if (Moving) FDataIsFinished = true;
            RunFailed(this, std::current_exception());
        }
    }
    // The application's input (an Abort pressed) needs the event loop now and then, not at every
    // record: polling an empty queue per row would cost a long report a good part of its time. The
    // system's own posted messages still go out at every record.
    if (!FEventsTimer.isValid() || FEventsTimer.hasExpired(EventsInterval)) {
        Application()->ProcessMessages();
        FEventsTimer.start();
    } else
        DeliverPostedMessages();
    if (FRecords > 0) {
        FPercentDone = static_cast<float>(FSkipped) / static_cast<float>(FRecords) * 100.0f;
        if (FPercentDone == 100.0f) FPercentDone = 99.0f;
    }
}

void TVyrPage::DataFinish() {
    FSkipped = FRecords;
    try {
        if (OnDataFinish)
            OnDataFinish(this);
        else if (TDataSet* Set = GetDataSet(); Set && FCloseDataSet)
            Set->Close();
    } catch (...) {
        RunFailed(this, std::current_exception());
    }
}

void TVyrPage::AfterDataSkip() {
    if (!OnAfterDataSkip) return;
    try {
        OnAfterDataSkip(this);
    } catch (...) {
        Application()->HandleException(this);
    }
}
