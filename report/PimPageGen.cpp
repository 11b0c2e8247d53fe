// The page's generation passes: what a pass prepares before its first record and releases after
// the last.
#include "host/forms.h"
#include "host/mathutil.h"
#include "output/PimOut.h"
#include "output/PimSetup.h"
#include "report/PimDS.h"
#include "report/PimPage.h"
#include "report/VyrRtf.h"
#include "report/VyrVar.h"

#include <QVarLengthArray>
#include <algorithm>

namespace {

bool StartsWithData(const TVyrVar* Var) {
    return dynamic_cast<const TVyrDBVar*>(Var) || dynamic_cast<const TVyrTotalvar*>(Var);
}

} // namespace

bool TVyrPage::InitReport() {
    // Left set by the previous run, it would keep this run's variables from running before the
    // data has even started.
    FDataIsFinished = false;
    FStatusMuted = false;
    FGenerationFailed = false;
    FRtf.reset();
    FContinuous = FOutputType == otRichText;
    if (FContinuous) {
        FRtf = std::make_unique<TVyrRtfFile>(FRtfFile.isEmpty() ? QStringLiteral("PimRtf.rtf") : FRtfFile);
        FRtf->SetPageSetup(FPageSetup.get());
    }
    FPrintDataList.clear();
    FPrintList.clear();
    FUpdateBandLevelList.clear();
    // Flags a failed run left behind would silence the sections of this one.
    FGroupPageState = 0;
    if (FBands)
        for (TVyrBand* B : *FBands) B->SetContinued(false);
    FAtGroupLevel = -1;
    FLastPagePos = 0;
    FFirstNewPage = true;
    FAbortPrinting = false;
    OrderBands();
    FPageSetup->SetUnits(unitInches);
    if (!FHasLists) {
        MakeList();
        FHasLists = true;
    }
    FPFHeight = 0;
    if (const TVyrBandList* Foot = ListOf(FPageFoot))
        for (TVyrBand* B : *Foot)
            if (B->Visible()) FPFHeight += B->Height();
    Position(0, 0);

    if (FLevels) {
        int i = 0;
        for (TVyrLevel* Level : *FLevels)
            Level->SetLevel(i++);
    }
    auto StartVars = [this](bool WithData) {
        if (!FVars) return;
        const std::vector<TVyrVar*> Vars = *FVars;
        for (TVyrVar* Var : Vars) {
            if (StartsWithData(Var) != WithData) continue;
            if (!FDataIsFinished) Var->SetRunning(true);
            Var->Initialize();
        }
    };
    StartVars(false);
    DataStart();
    // A run whose data cannot be read fails: no document, and Run raises why.
    auto Failed = [this] {
        FPrinting = false;
        FGenerationFailed = true;
        return false;
    };
    if (FDataStartFailed) return Failed();
    StartVars(true);
    if (GenerationFailed()) return Failed();

    if (!FDataIsFinished) return true;
    bool Result = true;
    if (FNoDataQuit) {
        FPrinting = false;
        Result = false;
    }
    if (OnNoData) {
        try {
            OnNoData(this);
        } catch (const Exception& E) {
            // The run stops here; its report raises the message once the pass has ended.
            FPrinting = false;
            FGenerationFailed = true;
            if (!FReport) throw;
            FReport->SetExceptionText(E.Message());
            return false;
        }
    }
    return Result;
}

void TVyrPage::UnInitReport() {
    DataFinish();
    if (FVars) {
        const std::vector<TVyrVar*> Vars = *FVars;
        for (TVyrVar* Var : Vars)
            Var->SetRunning(false);
    }
    FPageList.clear();
    FMainList.clear();
    FHasLists = false;
    std::unique_ptr<TVyrRtfFile> Rtf = std::move(FRtf);
    if (FCloseDataSources) FDataSourceManager->CloseDataSources();
    // A failed run writes no file, as it prints no document. Closed here rather than by freeing, so
    // that a file that cannot be written is reported.
    if (Rtf && GenerationFailed())
        Rtf->Abort();
    else if (Rtf)
        Rtf->Close();
}

namespace {

// Sets a section flag for as long as the section prints, also when it ends by an exception.
class TSection {
public:
    TSection(TVyrGroupPageState& State, TVyrGroupPageState Flag) : FState(State), FFlag(Flag) { FState |= Flag; }
    ~TSection() { FState &= static_cast<TVyrGroupPageState>(~FFlag); }
    TSection(const TSection&) = delete;
    TSection& operator=(const TSection&) = delete;

private:
    TVyrGroupPageState& FState;
    TVyrGroupPageState FFlag;
};

bool IsAttachedKind(const TVyrBand* Band) {
    return dynamic_cast<const TVyrSubBand*>(Band) || dynamic_cast<const TVyrSubDataBand*>(Band) ||
           dynamic_cast<const TVyrDataHeadBand*>(Band);
}

TVyrLevel* BandLevel(const TVyrBand* Band) {
    return Band ? Band->UpdateLevel() : nullptr;
}

} // namespace

void TVyrPage::MakeList() {
    FPageList.clear();
    FMainList.clear();
    std::vector<TVyrBand*> Main;
    Main.push_back(FHead);
    Main.push_back(FPageHead);
    if (FGroups)
        for (TVyrGroup* G : *FGroups) Main.push_back(G->Header());
    Main.push_back(FDetail);
    if (FGroups)
        for (TVyrGroup* G : *FGroups) Main.push_back(G->Footer());
    Main.push_back(FPageFoot);
    Main.push_back(FFoot);
    for (TVyrBand* B : Main) MakeBandList(B);
    FOverLayList.clear();
    if (FBands)
        for (TVyrBand* B : *FBands)
            if (dynamic_cast<TVyrOverlayBand*>(B)) FOverLayList.push_back(B);
    for (TVyrBand* B : FOverLayList) MakeBandList(B);
    // A layout missing a main band or a group band prints without it.
    for (TVyrBand* B : Main)
        if (B) FMainList.push_back(B);
}

void TVyrPage::MakeBandList(TVyrBand* Band) {
    // Bands attached to each other in a circle would be listed for ever; each is listed once.
    if (!Band || std::find(FListing.begin(), FListing.end(), Band) != FListing.end()) return;
    FListing.push_back(Band);
    auto List = std::make_unique<std::vector<TVyrBand*>>();
    std::vector<TVyrBand*>* Members = List.get();
    FPageList.push_back(std::move(List));
    Band->SetListPos(static_cast<int>(FPageList.size()) - 1);
    if (FBands)
        for (TVyrBand* B : *FBands)
            if (B == Band || (IsAttachedKind(B) && B->Band() == Band)) Members->push_back(B);
    if (std::find(Members->begin(), Members->end(), Band) == Members->end()) Members->insert(Members->begin(), Band);
    const std::vector<TVyrBand*> Copy = *Members;
    for (TVyrBand* B : Copy)
        if (B != Band) MakeBandList(B);
    FListing.pop_back();
}

const std::vector<TVyrBand*>* TVyrPage::ListOf(const TVyrBand* Band) const {
    if (!Band) return nullptr;
    const int Pos = Band->ListPos();
    if (Pos < 0 || Pos >= static_cast<int>(FPageList.size())) return nullptr;
    const std::vector<TVyrBand*>* List = FPageList[Pos].get();
    return std::find(List->begin(), List->end(), Band) != List->end() ? List : nullptr;
}

int TVyrPage::GetPageFootHeight() const {
    return (FGroupPageState & gpsPrintHead) ? 0 : FPFHeight;
}

int TVyrPage::GetBandListHeight(TVyrBand* Band) {
    const std::vector<TVyrBand*>* List = ListOf(Band);
    if (!List) return 0;
    int h = 0;
    for (TVyrBand* B : *List) h += B == Band ? B->GetPrintHeight() : GetBandListHeight(B);
    return h;
}

void TVyrPage::BandListSaveNewPage(TVyrBand* Band, bool Restore) {
    const std::vector<TVyrBand*>* List = ListOf(Band);
    if (!List) return;
    for (TVyrBand* B : *List) {
        if (B != Band) {
            BandListSaveNewPage(B, Restore);
            continue;
        }
        if (Restore)
            B->SetNewPage(B->SaveNewPage());
        else {
            B->SetSaveNewPage(B->NewPage());
            B->SetNewPage(false);
        }
    }
}

void TVyrPage::AddUpdateBand(TVyrBand* Band) {
    TVyrLevel* Level = BandLevel(Band);
    FUpdateBandLevelList.push_back(Level);
    UpdateDataLevel(Level);
}

void TVyrPage::RemoveUpdateLevel(TVyrLevel* Level) {
    auto It = std::find(FUpdateBandLevelList.begin(), FUpdateBandLevelList.end(), Level);
    if (It != FUpdateBandLevelList.end()) FUpdateBandLevelList.erase(It);
}

void TVyrPage::UpdateTotalsAt(TVyrLevel* Level) {
    StepTotals(Level, &TVyrTotalvar::UpdateAtlevel);
}

void TVyrPage::StartReport() {
    FFirstBorder = true;
    FPrintedHead = false;
    UpdateStatus(ssGenerating);
    if (!FDataIsFinished) UpdateDataLevel(BandLevel(FDetail));
    if (FHead) {
        TSection S(FGroupPageState, gpsPrintHead);
        PrintBandList(FHead, false);
    }
    if (FPrintedHead) {
        // The report header had a page of its own.
        if (GetPrintOk()) ++FPagesPrinted;
        ++FPgNum;
        GetPrintOk();
        if (!FAbortPrinting) ++FPageNumber;
        Position(0, 0);
        // A header page outside the range was never output: the next page takes the open sheet.
        if (!FAbortPrinting && FOutputType == otNormal && GetPrintOk() && FPrintTo && FPagesPrinted > 0)
            FPrintTo->NewPage();
        UpdateStatus(ssGenerating);
    }
    if (FAbortPrinting) return;
    FFirstNewPage = true;
    PrintOverLays(true);
    PrintBorder();
    if (FPageHead) {
        TSection S(FGroupPageState, gpsPrintPageHead);
        PrintBandList(FPageHead, false);
    }
    FLastPagePos = FyPos;
    PrintGroupHeads(0);
    ReverseUpdateDataLevel(BandLevel(FDetail));
    FGroupPageState |= gpsPrintDetail;
    FFirstTime = true;
    FPrinting = true;
    FInProcess = false;
}

void TVyrPage::Process() {
    if (FInProcess) return;
    FInProcess = true;
    try {
        TVyrLevel* DetailLevel = BandLevel(FDetail);
        if (FFirstTime)
            FFirstTime = false;
        else {
            UpdateDataLevel(DetailLevel);
            int L = -1;
            if (FGroups)
                for (int i = 0; i < static_cast<int>(FGroups->size()); ++i)
                    if ((*FGroups)[i]->CheckBroken()) {
                        L = i;
                        break;
                    }
            ReverseUpdateDataLevel(DetailLevel);
            if (L != -1) {
                PrintGroupFeet(L);
                AddUpdateBand(FDetail);
                PrintGroupHeads(L);
                RemoveUpdateLevel(DetailLevel);
                ReverseUpdateDataLevel(DetailLevel);
            }
        }
        if (!FDataIsFinished) {
            if (!FPrintTo) UpdateStatus(ssGenerating);
            if (FDetail) PrintBandList(FDetail, false);
            if (!FAbortPrinting) DataSkip();
        }
        FPrinting = !(FDataIsFinished || FAbortPrinting);
        FInProcess = false;
    } catch (const Exception& E) {
        // Generation ends here; the run reports the error once, after the pass.
        FInProcess = false;
        FPrinting = false;
        FAbortPrinting = true;
        FGenerationFailed = true;
        if (!FReport) throw;
        FReport->SetExceptionText(E.Message());
    } catch (...) {
        FInProcess = false;
        FPrinting = false;
        FAbortPrinting = true;
        FGenerationFailed = true;
        throw;
    }
}

void TVyrPage::PrintGroupFeet(int GroupLevel) {
    if (!FGroups) return;
    TSection S(FGroupPageState, gpsPrintGroupFoot);
    for (int i = static_cast<int>(FGroups->size()) - 1; i >= GroupLevel; --i) {
        if (TVyrBand* Footer = (*FGroups)[i]->Footer()) PrintBandList(Footer, false);
        FAtGroupLevel = i - 1;
    }
}

void TVyrPage::PrintGroupHeads(int GroupLevel) {
    if (!FGroups) return;
    TSection S(FGroupPageState, gpsPrintGroupHead);
    for (int i = GroupLevel; i < static_cast<int>(FGroups->size()); ++i) {
        FAtGroupLevel = i;
        TVyrBand* Header = (*FGroups)[i]->Header();
        if (!Header) continue;
        const bool Quiet = !FGroupPageBreaks && i != GroupLevel;
        if (Quiet) BandListSaveNewPage(Header, false);
        try {
            PrintBandList(Header, false);
        } catch (...) {
            if (Quiet) BandListSaveNewPage(Header, true);
            throw;
        }
        if (Quiet) BandListSaveNewPage(Header, true);
    }
}

void TVyrPage::EndReport() {
    FGroupPageState &= static_cast<TVyrGroupPageState>(~gpsPrintDetail);
    if (FAbortPrinting) return;
    PrintGroupFeet(0);
    if (FFoot) {
        TSection S(FGroupPageState, gpsPrintFoot);
        PrintBandList(FFoot, false);
    }
    if (!FOmitLastPgFt) PrintPageFoot();
    PrintOverLays(false);
}

void TVyrPage::PrintBandList(TVyrBand* Band, bool PageFootBand) {
    const std::vector<TVyrBand*>* Found = ListOf(Band);
    if (!Found) return;
    FPrintList.push_back(Band);
    struct TPop {
        std::vector<TVyrBand*>& Stack;
        ~TPop() { Stack.pop_back(); }
    } Pop{FPrintList};
    TVyrLevel* Level = BandLevel(Band);
    auto PrintOwn = [&](bool CheckFirst) {
        if (CheckFirst) {
            if (Band->NewPage() && !FFirstNewPage)
                NewPage();
            else
                CheckBandHeight(Band);
        }
        PrintBand(Band, PageFootBand);
    };
    if (Band->Kind() == TVyrBand::bkSubData) {
        auto* Sub = static_cast<TVyrSubDataBand*>(Band);
        FPrintDataList.push_back(Sub);
        SubDataLoop(Sub, TVyrBandList(*Found), false, PageFootBand);
        Sub->DataFinish();
        auto It = std::find(FPrintDataList.begin(), FPrintDataList.end(), Sub);
        if (It != FPrintDataList.end()) FPrintDataList.erase(It);
        return;
    }
    // A copy, as printing may change the lists; a band's few companions are copied without allocating.
    const QVarLengthArray<TVyrBand*, 16> List(Found->begin(), Found->end());
    const bool IsSub = Band->Kind() == TVyrBand::bkSub;
    if (!IsSub) AddUpdateBand(Band);
    for (TVyrBand* B : List) {
        if (B == Band)
            PrintOwn(!PageFootBand);
        else
            PrintBandList(B, PageFootBand);
    }
    if (!IsSub) {
        ResetTotalLevel(Level);
        UpdateTotalsAt(Level);
    }
}

void TVyrPage::CheckBandHeight(TVyrBand* Band) {
    if (Band->Kind() == TVyrBand::bkOverlay) return;
    const int nH = Band->GetPrintHeight();
    if (nH > 0) CheckHeight(nH);
}

void TVyrPage::CheckHeight(int nH) {
    if (FContinuous) return;
    const int64_t Bottom = int64_t(FyPos) + nH + GetPageFootHeight();
    if (Bottom >= int64_t(getpageheight()) + TopMarginPixels()) NewPage();
}

int TVyrPage::TopMarginPixels() const {
    return static_cast<int>(Round(getppi() * FPageSetup->TopMargin()));
}

namespace {

// The room a band asks for below the print position: its reserve and its own height, summed wide,
// since a reserve may be as large as an int holds.
int ReservedHeight(const TVyrBand* Band) {
    const int64_t Sum = int64_t(Band->ReserveSpace()->Reserve()) + Band->Height();
    return int(std::min<int64_t>(Sum, INT32_MAX));
}

} // namespace

void TVyrPage::PrintBand(TVyrBand* Band, bool PageFootBand) {
    TVyrLevel* Level = BandLevel(Band);
    const bool Overlay = Band->Kind() == TVyrBand::bkOverlay;
    if (Band->GetPrintOk()) {
        if (FGroupPageState & gpsPrintHead) FPrintedHead = true;
        if (FFirstBorder) PrintBorder();
        if (Band != FPageHead && FOutputType != otRichText) FFirstNewPage = false;
        const int PH = getpageheight();
        const int TM = TopMarginPixels();
        if (!Band->Stretch() || PageFootBand) {
            if (!Overlay && !PageFootBand) CheckHeight(ReservedHeight(Band));
            RemoveUpdateLevel(Level);
            if (FOutputType == otRichText) {
                Band->PrintRtf(this, FRtf.get());
                if (Band != FPageHead) FFirstNewPage = false;
            } else
                Band->Print(this);
            if (!FContinuous) FyPos += Band->Height();
        } else {
            Band->StartPrint();
            if (!Overlay && !FContinuous) {
                const int Space = Band->KeepTogether() ? PH : PH + TM - GetPageFootHeight() - FyPos - 1;
                const int h = Band->SpendHeight(this, Space);
                CheckHeight(std::max(h, ReservedHeight(Band)));
            }
            RemoveUpdateLevel(Level);
            if (Overlay && !FContinuous)
                PrintOverlayPiece(Band, PH + TM);
            else
                PrintPieces(Band, PH, TM);
            Band->FinishedPrint();
        }
    }
    RemoveUpdateLevel(Level);
}

void TVyrPage::PrintPieces(TVyrBand* Band, int PH, int TM) {
    do {
        CheckHeight(0);
        const int Space = FContinuous ? -1 : PH + TM - GetPageFootHeight() - FyPos;
        // A page with no body could never take a piece: the band ends unprinted.
        if (!FContinuous && Space <= 0 && FyPos <= FLastPagePos) break;
        if (FOutputType == otRichText) {
            Band->PrintRtf(this, FRtf.get());
            if (Band != FPageHead) FFirstNewPage = false;
        } else {
            const int h = Band->PrintHeight(this, Space);
            if (!FContinuous) FyPos += h;
        }
    } while (!Band->EndPrint());
}

void TVyrPage::PrintOverlayPiece(TVyrBand* Band, int PageBottom) {
    // No page breaks while overlays print, so a piece that does not fit could never go on: an
    // overlay prints once a page, and what lies below the page's bottom is cut off.
    const int Space = PageBottom - FyPos;
    if (Space > 0) FyPos += Band->PrintHeight(this, Space);
}

void TVyrPage::NewPage() {
    if (FyPos <= FLastPagePos || (FGroupPageState & gpsPrintOverLays)) return;
    if (OnBeforeNewPage) {
        bool DoNewPage = true;
        const int Noted = FyPos;
        OnBeforeNewPage(this, DoNewPage);
        if (!DoNewPage && FyPos < Noted) return;
    }
    for (auto It = FUpdateBandLevelList.rbegin(); It != FUpdateBandLevelList.rend(); ++It) ReverseUpdateDataLevel(*It);
    PrintPageFoot();
    PrintOverLays(false);
    if (GetPrintOk()) ++FPagesPrinted;
    ++FPgNum;
    GetPrintOk();
    if (!FAbortPrinting) ++FPageNumber;
    Position(0, 0);
    for (TVyrLevel* Level : FUpdateBandLevelList) UpdateDataLevel(Level);
    if (GetPrintOk()) {
        if (FPagesPrinted > 0 && FOutputType != otRichText && FPrintTo) {
            FPrintTo->EndPage();
            try {
                FPrintTo->PimPrinterSetup()->ClearSettings();
                if (OnNewPage) {
                    OnNewPage(dynamic_cast<TVyrGrouppage*>(this), FPrintTo, FPageNumber);
                    FPageSetup->LoadSettings();
                    FPageSetup->GetPimPrinterSetup(FPrintTo->PimPrinterSetup());
                    FPrintTo->PimPrinterSetup()->SetData();
                }
            } catch (...) {
                // The handler's page setup may be half applied; the page starts regardless, and
                // the application hears of the failure as it does of every other event's.
                Application()->HandleException(this);
            }
            FPrintTo->StartPage();
            FPrintTo->SetLoadPercent(FPercentDone);
        }
        PrintOverLays(true);
        PrintBorder();
    }
    UpdateStatus(ssGenerating);
    if (!(FGroupPageState & gpsPrintPageHead)) {
        if (!(FGroupPageState & gpsPrintHead) && FPageHead) {
            TSection S(FGroupPageState, gpsPrintPageHead);
            PrintBandList(FPageHead, false);
        }
        PrintNewPageRepeats();
    }
    FLastPagePos = FyPos;
}

void TVyrPage::PrintPageFoot() {
    if (FGroupPageState & (gpsPrintHead | gpsPrintPageFoot)) return;
    TSection S(FGroupPageState, gpsPrintPageFoot);
    TVyrLevel* Level = BandLevel(FPageFoot);
    StepTotals(Level, &TVyrTotalvar::ResetMarkedLevel);
    UpdateDataLevel(Level);
    if (const std::vector<TVyrBand*>* Found = ListOf(FPageFoot)) {
        const QVarLengthArray<TVyrBand*, 16> List(Found->begin(), Found->end());
        int Sum = 0;
        for (TVyrBand* B : List) {
            Position(0, getpageheight() + Sum - FPFHeight);
            if (FOutputType == otRichText)
                B->PrintRtf(this, FRtf.get());
            else
                B->Print(this);
            if (B->Visible()) Sum += B->Height();
        }
    }
    ResetTotalLevel(Level);
    UpdateTotalsAt(Level);
}

void TVyrPage::PrintOverLays(bool First) {
    if (FGroupPageState & gpsPrintHead) return;
    TSection S(FGroupPageState, gpsPrintOverLays);
    const std::vector<TVyrBand*> Overlays = FOverLayList;
    for (TVyrBand* B : Overlays) {
        auto* O = static_cast<TVyrOverlayBand*>(B);
        if (O->UseMargins())
            Position(O->LeftOffset(), O->TopOffset());
        else {
            FxPos = O->LeftOffset();
            FyPos = O->TopOffset();
        }
        if (First == O->First()) PrintBandList(O, false);
        Position(0, 0);
    }
}

void TVyrPage::PrintBorder() {
    FFirstBorder = false;
    if (FBorderType != btSingle || FOutputType == otRichText) return;
    TPimCanvas* C = GetCanvas();
    if (!C || !GetPrintOk()) return;
    const int Left = static_cast<int>(Round(getppi() * FPageSetup->LeftMargin()));
    const int Top = TopMarginPixels();
    VyrDrawBorder(C, Rect(Left, Top, Left + getpagewidth() - 1, Top + getpageheight()), btSingle, false);
}

void TVyrPage::PrintNewPageRepeats() {
    if (FGroupPageState & gpsPrintRepeats) return;
    TSection S(FGroupPageState, gpsPrintRepeats);
    // Continued bands print only when they repeat; the mark holds only while the repeats print.
    struct TContinued {
        const std::vector<TVyrBand*>* Bands;
        void Mark(bool Value) const {
            if (Bands)
                for (TVyrBand* B : *Bands) B->SetContinued(Value);
        }
        ~TContinued() { Mark(false); }
    } Continued{FBands.get()};
    Continued.Mark(true);
    if (FGroupPageState & gpsPrintHead) PrintRepeats(FHead);
    const int GroupCount = FGroups ? static_cast<int>(FGroups->size()) : 0;
    const bool InGroup = FAtGroupLevel >= 0 && FAtGroupLevel < GroupCount;
    if (InGroup)
        for (int i = 0; i <= FAtGroupLevel; ++i) PrintRepeats((*FGroups)[i]->Header());
    // The detail repeats only while its own list prints, not during the group break before it.
    if ((FGroupPageState & gpsPrintDetail) && InPrintList(FDetail)) PrintRepeats(FDetail);
    // Only the footer being printed: the outer ones print after it anyway.
    if (InGroup && (FGroupPageState & gpsPrintGroupFoot)) PrintRepeats((*FGroups)[FAtGroupLevel]->Footer());
    if (FGroupPageState & gpsPrintFoot) PrintRepeats(FFoot);
}

bool TVyrPage::InPrintList(const TVyrBand* Band) const {
    return Band && std::find(FPrintList.begin(), FPrintList.end(), Band) != FPrintList.end();
}

bool TVyrPage::IsInnermost(const TVyrBand* Band) const {
    return !FPrintList.empty() && FPrintList.back() == Band;
}

void TVyrPage::PrintRepeats(TVyrBand* Band) {
    if (!Band) return;
    if (auto* Sub = dynamic_cast<TVyrSubDataBand*>(Band))
        if (std::find(FPrintDataList.begin(), FPrintDataList.end(), Sub) == FPrintDataList.end()) return;
    const TVyrBandList* Found = ListOf(Band);
    bool Repeatable = !FPrintList.empty() && !IsInnermost(Band);
    if (Repeatable && Found) {
        auto At = std::find(FPrintList.begin(), FPrintList.end(), Band);
        if (At != FPrintList.end())
            for (TVyrBand* B : *Found) {
                if (B == Band) break;
                auto Deeper = std::find(FPrintList.begin(), FPrintList.end(), B);
                if (Deeper != FPrintList.end() && Deeper > At) {
                    Repeatable = false;
                    break;
                }
            }
    }
    if (Repeatable && Band->NewPageRepeat()) {
        RepeatPrintBandList(Band);
        return;
    }
    if (!Found) return;
    const TVyrBandList List = *Found;
    // The walk ends at the band being printed, also when that is Band itself: what follows it in
    // the list has not been printed yet, so it is no repeat.
    for (TVyrBand* B : List) {
        const bool Last = IsInnermost(B);
        if (B != Band) {
            if (B->NewPageRepeat())
                RepeatPrintBandList(B);
            else
                PrintRepeats(B);
        }
        if (Last) break;
    }
}

void TVyrPage::RepeatPrintBandList(TVyrBand* Band) {
    const TVyrBandList* Found = ListOf(Band);
    if (!Found) return;
    const TVyrBandList List = *Found;
    if (auto* Sub = dynamic_cast<TVyrSubDataBand*>(Band)) {
        if (Sub->NewPageRepeat())
            RepeatDataLoop(Sub, List);
        else
            for (TVyrBand* B : List)
                if (B != Band) RepeatPrintBandList(B);
        return;
    }
    if (IsInnermost(Band) || FPrintList.empty()) return;
    TVyrLevel* Level = BandLevel(Band);
    const bool Tracked = Band->NewPageRepeat() && !dynamic_cast<TVyrSubBand*>(Band) && Band != FDetail;
    if (Tracked) AddUpdateBand(Band);
    for (TVyrBand* B : List) {
        if (B != Band)
            RepeatPrintBandList(B);
        else if (Band->NewPageRepeat())
            RepeatPrintBand(Band);
    }
    if (Tracked) {
        // Printed: its level is no longer pending.
        RemoveUpdateLevel(Level);
        ResetTotalLevel(Level);
        UpdateTotalsAt(Level);
    }
}

void TVyrPage::RepeatPrintBand(TVyrBand* Band) {
    if (!Band->GetPrintOk()) return;
    if (!Band->Stretch()) {
        CheckBandHeight(Band);
        if (FOutputType == otRichText)
            Band->PrintRtf(this, FRtf.get());
        else
            Band->Print(this);
        if (!FContinuous) FyPos += Band->Height();
        return;
    }
    Band->StartPrint();
    do {
        const int Space = FContinuous ? -1 : getpageheight() + TopMarginPixels() - FyPos - FPFHeight;
        // A repeat has no next page to go on to.
        if (!FContinuous && Space <= 0) break;
        int h = 0;
        if (FOutputType == otRichText)
            Band->PrintRtf(this, FRtf.get());
        else
            h = Band->PrintHeight(this, Space);
        FyPos += h;
    } while (!Band->EndPrint());
    Band->FinishedPrint();
}

namespace {

// Where a sub data band's loop stands: its data position and whether it has ended.
struct TLoopPlace {
    explicit TLoopPlace(TVyrSubDataBand* Band) : Sub(Band), Finished(Band->DataIsFinished()) {
        if (TDataSet* DS = Band->DataSet(); DS && DS->Active()) {
            Mark = DS->GetBookmark();
            Eof = DS->Eof();
        }
    }
    void Restore() const {
        Sub->SetDataIsFinished(Finished);
        TDataSet* DS = Sub->DataSet();
        if (!DS || !DS->Active() || Mark.isEmpty()) return;
        DS->GotoBookmark(Mark);
        if (Eof) DS->Next();
    }
    TVyrSubDataBand* Sub;
    bool Finished;
    TBookmark Mark;
    bool Eof = false;
};

} // namespace

void TVyrPage::RepeatDataLoop(TVyrSubDataBand* Sub, const TVyrBandList& List) {
    // The loop being printed shares the band's data and variables: the repeat runs on them and
    // puts them back, so no record is printed or counted twice and the set stays open.
    const TLoopPlace Place(Sub);
    std::vector<std::pair<TVyrVar*, TVyrVarState>> Vars;
    if (FVars)
        for (TVyrVar* V : *FVars)
            Vars.emplace_back(V, V->SaveState());
    const std::vector<TVyrLevel*> Pending = FUpdateBandLevelList;
    auto PutBack = [&] {
        FUpdateBandLevelList = Pending;
        for (auto& [V, State] : Vars)
            V->RestoreState(State);
        Place.Restore();
    };
    try {
        SubDataLoop(Sub, List, true, false);
    } catch (...) {
        PutBack();
        throw;
    }
    PutBack();
}

void TVyrPage::SubDataLoop(TVyrSubDataBand* Sub, const TVyrBandList& List, bool Repeat, bool PageFootBand) {
    TVyrLevel* Level = BandLevel(Sub);
    TVyrBand* HeadBand = nullptr;
    TVyrBand* FootBand = nullptr;
    for (TVyrBand* B : List) {
        if (dynamic_cast<TVyrDataFootBand*>(B))
            FootBand = B;
        else if (dynamic_cast<TVyrDataHeadBand*>(B))
            HeadBand = B;
    }
    auto PrintPart = [&](TVyrBand* B, bool FootList) {
        if (Repeat)
            RepeatPrintBandList(B);
        else
            PrintBandList(B, FootList);
    };
    Sub->DataStart();
    if (Sub->DataIsFinished()) {
        ResetDataLevel(Level);
        ResetTotalLevel(Level);
        UpdateTotalsAt(Level);
        return;
    }
    if (HeadBand) {
        UpdateDataLevel(Level);
        PrintPart(HeadBand, PageFootBand);
        ReverseUpdateDataLevel(Level);
    }
    do {
        AddUpdateBand(Sub);
        for (TVyrBand* B : List) {
            if (B == Sub) {
                if (!Repeat && Sub->NewPage() && !FFirstNewPage)
                    NewPage();
                else
                    CheckBandHeight(Sub);
                if (Repeat)
                    RepeatPrintBand(Sub);
                else
                    PrintBand(Sub, PageFootBand);
            } else if (B != HeadBand && B != FootBand)
                PrintPart(B, false);
        }
        // A repeat prints without the bookkeeping that takes the level off the pending list.
        if (Repeat) RemoveUpdateLevel(Level);
        ResetTotalLevel(Level);
        UpdateTotalsAt(Level);
        if (!FAbortPrinting) Sub->DataSkip();
    } while (!Sub->DataIsFinished() && !FAbortPrinting);
    if (FootBand) PrintPart(FootBand, PageFootBand);
}
