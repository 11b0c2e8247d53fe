#include "support/bandfixture.h"
#include "host/mathutil.h"
#include "host/messages.h"
#include "report/PSetup.h"
#include "support/devices.h"

#include <algorithm>

TBandPage::TBandPage() {
    ClearPostedMessages();
    Form = std::make_unique<TReportTestForm>();
    Report = Make<TVyrReport>(Form.get(), QStringLiteral("Report1"), nullptr);
    Report->SetPixelsPerInch(96);
    Page = Make<TVyrGrouppage>(Form.get(), QStringLiteral("ReportPage"), Report);
    ClearPostedMessages();
    TVyrPageSetup* Setup = Page->PageSetup();
    Setup->SetAdjustMargin(false);
    Setup->SetSize(psCustom);
    Setup->SetWidth(3);
    Setup->SetHeight(4);
    Setup->SetLeftMargin(0.5);
    Setup->SetTopMargin(0.5);
    Setup->SetRightMargin(0.5);
    Setup->SetBottomMargin(0.5);
    // A document job keeps its document for the tests to play; a screen job would hand it to a viewer.
    Output.SetDestination(adPimFile);
    Page->SetPrintTo(&Output);
}

TBandPage::~TBandPage() {
    Page->SetPrintTo(nullptr);
}

void TBandPage::BeginDoc() {
    Output.BeginDoc();
    Page->SetPgNum(1);
    Page->SetPageNumber(1);
    Page->Position(0, 0);
    Page->SetLastPagePos(Page->YPos());
}

void TBandPage::EndDoc() {
    Output.EndDoc();
}

void TBandPage::NewPage() {
    if (Page->YPos() <= Page->LastPagePos()) return;
    Output.NewPage();
    Page->SetPgNum(Page->PgNum() + 1);
    Page->SetPageNumber(Page->PageNumber() + 1);
    Page->Position(0, 0);
    Page->SetLastPagePos(Page->YPos());
}

namespace {

int TopMargin(const TVyrPage& Page) {
    return int(Round(Page.getppi() * Page.PageSetup()->TopMargin()));
}

} // namespace

void TBandPage::CheckHeight(int nH) {
    const int TM = TopMargin(*Page);
    if (int64_t(Page->YPos()) + nH >= int64_t(Page->getpageheight()) + TM) NewPage();
}

std::vector<int> TBandPage::PrintStretching(TVyrBand* Band) {
    const int PH = Page->getpageheight();
    const int TM = TopMargin(*Page);
    std::vector<int> Heights;
    Band->StartPrint();
    const int Space = Band->KeepTogether() ? PH : PH + TM - Page->YPos() - 1;
    const int h = Band->SpendHeight(Page, Space);
    CheckHeight(std::max(h, Band->ReserveSpace()->Reserve() + Band->Height()));
    do {
        CheckHeight(0);
        if (OnPiece) OnPiece(PH + TM - Page->YPos());
        const int Piece = Band->PrintHeight(Page, PH + TM - Page->YPos());
        Page->SetYPos(Page->YPos() + Piece);
        Heights.push_back(Piece);
    } while (!Band->EndPrint());
    Band->FinishedPrint();
    return Heights;
}

QStringList PlayedPage(TPimPimFile& Document, int N) {
    auto DC = DeviceContext::CreateRecording(PrinterCaps(96, 3, 4, 0));
    Document.PlayPage(DC.get(), N);
    QStringList Calls = DC->Log()->Calls;
    while (!Calls.isEmpty() && Calls.last().startsWith(QStringLiteral("SelectObject stock")))
        Calls.removeLast();
    return Calls;
}

QStringList PlayedPage(TPimPimFile& Document, int N, const QStringList& Names) {
    QStringList Calls;
    for (const QString& Call : PlayedPage(Document, N))
        if (Names.contains(Call.section(QLatin1Char(' '), 0, 0))) Calls << Call;
    return Calls;
}

// TScriptedLabel

TScriptedLabel::TScriptedLabel(TComponent* AOwner) : TVyrLabel(AOwner) {}

void TScriptedLabel::StartPrint() {
    TVyrLabel::StartPrint();
    FRemaining = Need;
}

int TScriptedLabel::Fits(int Space) const {
    return Space < 0 ? FRemaining : std::clamp(Space - Top(), 0, FRemaining);
}

int TScriptedLabel::SpendHeight(TVyrPage*, int Space) {
    return PrintOk() ? Top() + Fits(Space) : 0;
}

int TScriptedLabel::PrintHeight(TVyrPage* oPage, int Space, int) {
    Spaces.push_back(Space);
    if (oPage->PrintTo()) Destinations.push_back(oPage->PrintTo()->Destination());
    if (!PrintOk()) {
        SetEndPrint(true);
        return 0;
    }
    const int Piece = Fits(Space);
    Fill(oPage, Bounds(oPage->XPos() + Left(), oPage->YPos() + Top(), Width(), Piece));
    Pieces.push_back(Piece);
    FRemaining -= Piece;
    SetEndPrint(FRemaining <= 0);
    return Top() + Piece;
}

void TScriptedLabel::Print(TVyrPage* oPage, int Space) {
    Spaces.push_back(Space);
    if (oPage->PrintTo()) Destinations.push_back(oPage->PrintTo()->Destination());
    TVyrLabel::Print(oPage, Space);
}

void TScriptedLabel::PrintLabel(TPimCanvas* PimCanvas, const TRect& Rect, int) {
    PimCanvas->Brush().SetColor(Color);
    PimCanvas->Brush().SetStyle(bsSolid);
    PimCanvas->FillRect(Rect);
}

void TScriptedLabel::Fill(TVyrPage* oPage, const TRect& Rect) {
    if (TPimCanvas* C = oPage->GetCanvas()) PrintLabel(C, Rect, Rect.Height());
}
