#include "support/bandfixture.h"
#include "host/messages.h"
#include "report/PSetup.h"
#include "report/VyrRtf.h"
#include "support/devices.h"
#include "support/logfilter.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>

TBandPage::TBandPage() {
    ClearPostedMessages();
    Form = std::make_unique<TReportTestForm>();
    Report = Make<TVyrReport>(Form.get(), QStringLiteral("Report1"), nullptr);
    Report->SetPixelsPerInch(96);
    Page = Make<TVyrGrouppage>(Form.get(), QStringLiteral("ReportPage"), Report);
    ClearPostedMessages();
    UseTestPaper(Page->PageSetup());
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
    Page->SetPagesPrinted(0);
    Page->Position(0, 0);
    Page->SetLastPagePos(Page->YPos());
}

void TBandPage::EndDoc() {
    Output.EndDoc();
}

QByteArray TBandPage::RichTextRows(TVyrBand* Band) {
    QTemporaryDir Dir;
    TVyrRtfFile Rtf(Dir.filePath(QStringLiteral("rows.rtf")));
    Rtf.SetPageSetup(Page->PageSetup());
    Band->PrintRtf(Page, &Rtf);
    const QByteArray Body(reinterpret_cast<const char*>(Rtf.Stream()->Memory()),
                          qsizetype(Rtf.Stream()->Size()));
    Rtf.Close();
    return Body;
}

std::vector<int> TBandPage::PrintStretching(TVyrBand* Band) {
    // Each page break is announced with the height reached on the page it closes; the band
    // starts where the page stands, and after a break at the top of the new page's body.
    std::vector<int> Heights;
    const int Start = Page->YPos();
    bool FirstPage = true;
    auto Taken = [&] {
        const int From = FirstPage ? Start : Page->LastPagePos();
        if (Page->YPos() > From) Heights.push_back(Page->YPos() - From);
        FirstPage = false;
    };
    std::function<void(TVyrPage*, bool&)> Before = Page->OnBeforeNewPage;
    Page->OnBeforeNewPage = [&](TVyrPage* P, bool& DoNewPage) {
        if (Before) Before(P, DoNewPage);
        Taken();
    };
    struct TRestore {
        TVyrPage* P;
        std::function<void(TVyrPage*, bool&)>& Handler;
        ~TRestore() { P->OnBeforeNewPage = std::move(Handler); }
    } Restore{Page, Before};
    Page->PrintBand(Band, false);
    Taken();
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

QStringList DrawnTexts(TPimPimFile& Document, int N) {
    static const QRegularExpression Quoted(QStringLiteral("\"(.*)\"")); // the quoted text of a call
    QStringList Texts;
    for (const QString& Call :
         PlayedPage(Document, N, {QStringLiteral("TextOut"), QStringLiteral("ExtTextOut")}))
        if (auto M = Quoted.match(Call); M.hasMatch()) Texts << M.captured(1);
    return Texts;
}

QStringList ExportedPage(TPimPimFile& Document, int N) {
    TLogFilter Filter;
    Document.SetExporting(true);
    Document.SetExportFilter(&Filter);
    auto DC = DeviceContext::CreateRecording(PrinterCaps(96, 3, 4, 0));
    Document.PlayPage(DC.get(), N);
    Document.SetExportFilter(nullptr);
    Document.SetExporting(false);
    return Filter.Calls;
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
