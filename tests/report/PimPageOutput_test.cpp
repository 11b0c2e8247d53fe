#include "host/exceptions.h"
#include "host/forms.h"
#include "host/memdataset.h"
#include "host/tempfiles.h"
#include "output/PimFile.h"
#include "output/PimOut.h"
#include "report/PimPage.h"
#include "report/VyrVar.h"
#include "support/fakeprinter.h"
#include "support/reportfixture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A viewer as the viewer layer will install it, noting what the page asks of it.
class TTestPageViewer : public TVyrPageViewer {
public:
    void SetGenerating(bool Value) override { Calls << QStringLiteral("Generating %1").arg(Value); }
    void SetPimFile(std::shared_ptr<TPimPimFile> Value) override { Document = std::move(Value); }
    void Show() override { Calls << QStringLiteral("Show"); }
    void SetFormStyle(TFormStyle Value) override { Calls << QStringLiteral("Style %1").arg(Value); }
    void SetWindowState(TWindowState Value) override { Calls << QStringLiteral("State %1").arg(Value); }
    void SetZoom(TPimZoom Value) override { Calls << QStringLiteral("Zoom %1").arg(Value); }
    void UpdatePage() override { ++Updates; }
    void ShowModal() override { Calls << QStringLiteral("Modal"); }

    QStringList Calls;
    std::shared_ptr<TPimPimFile> Document;
    int Updates = 0;
};

// A page with its output, its statuses noted, and the viewers the factory made.
struct TOutputPage {
    static std::vector<std::unique_ptr<TFakePrinter>> PrintersFor(bool WithPrinter) {
        std::vector<std::unique_ptr<TFakePrinter>> List;
        if (WithPrinter) List.push_back(TFakePrinter::Office());
        return List;
    }
    TFakePrinterList Printers;
    std::unique_ptr<TReportTestForm> Form = std::make_unique<TReportTestForm>();
    TVyrReport* Report = Make<TVyrReport>(Form.get(), QStringLiteral("Report1"), nullptr);
    TVyrGrouppage* Page = Make<TVyrGrouppage>(Form.get(), QStringLiteral("ReportPage"), Report);
    TPimOutput Output;
    QList<TVyrStatus> Statuses;
    std::vector<std::unique_ptr<TTestPageViewer>> Viewers;
    QList<TComponent*> ViewerOwners;
    explicit TOutputPage(bool WithPrinter = false) : Printers(PrintersFor(WithPrinter)) {
        Output.SetDestination(adPimFile);
        Page->SetPrintTo(&Output);
        Page->OnUpdateStatus = [this](TVyrPage*, TVyrStatus Stat) { Statuses << Stat; };
        SetVyrPageViewerFactory([this](TComponent* Owner) {
            ViewerOwners << Owner;
            Viewers.push_back(std::make_unique<TTestPageViewer>());
            return Viewers.back().get();
        });
    }
    ~TOutputPage() {
        if (Page) Page->SetPrintTo(nullptr);
        ResetVyrPageViewerFactory();
    }
};

} // namespace

TEST(PageOutput, DocumentFileGetsEveryPageAndAFileWithoutNameIsRefused) {
    TOutputPage P;
    P.Page->PageSetup()->SetDestination(destFile);
    P.Page->PageSetup()->SetUnits(unitMiliMeters);
    // Without a file name the run is refused before anything starts.
    try {
        P.Page->BeginDoc();
        ADD_FAILURE() << "no exception";
    } catch (const Exception& E) {
        EXPECT_TRUE(E.Message().contains(QStringLiteral("PimFileName"))) << E.Message().toStdString();
    }
    EXPECT_EQ(P.Output.PimFile(), nullptr);
    EXPECT_TRUE(P.Statuses.isEmpty());

    const QString Name = CreateTempFileName();
    QFile::remove(Name);
    P.Page->SetPimFileName(Name);
    P.Page->SetDescription(QStringLiteral("Orders"));
    P.Page->PageStart();
    EXPECT_EQ(P.Page->PageSetup()->Units(), unitInches);
    P.Page->BeginDoc();
    EXPECT_EQ(P.Page->PageNumber(), 1);
    EXPECT_EQ(P.Page->PgNum(), 1);
    std::shared_ptr<TPimPimFile> Doc = P.Output.PimFile();
    ASSERT_NE(Doc, nullptr);
    for (int i = 2; i <= 3; ++i) {
        P.Output.NewPage();
        P.Page->SetPageNumber(i);
    }
    P.Page->EndDoc();
    P.Page->PageEnd();
    EXPECT_EQ(P.Page->PageSetup()->Units(), unitMiliMeters);
    EXPECT_EQ(P.Page->PageCount(), 3);
    EXPECT_EQ(P.Page->PercentDone(), 100);
    EXPECT_EQ(P.Output.PimFile(), nullptr); // the file is written; nobody holds the document
    EXPECT_TRUE(P.Viewers.empty());
    EXPECT_EQ(P.Statuses, (QList<TVyrStatus>{ssBegin, ssEnd}));
    TPimPimFile Read;
    Read.LoadFromFile(Name);
    EXPECT_EQ(Read.PageCount(), 3);
    EXPECT_EQ(Read.Description(), QStringLiteral("Orders"));
    QFile::remove(Name);
}

TEST(PageOutput, ScreenViewerShowsPagesWhileGeneratedAndKeepsThemWhenStopped) {
    TOutputPage P;
    TVyrPreviewSettings* Settings = P.Page->PageSetup()->PreviewSettings();
    Settings->SetFormStyle(pfsStayOnTop);
    Settings->SetWindowState(wsNormal);
    Settings->SetModalPreview(mpNonModal);
    P.Page->BeginDoc();
    ASSERT_EQ(P.Viewers.size(), 1u);
    TTestPageViewer& V = *P.Viewers[0];
    EXPECT_EQ(P.ViewerOwners, QList<TComponent*>{Application()});
    EXPECT_EQ(V.Calls, (QStringList{QStringLiteral("Style %1").arg(fsStayOnTop), QStringLiteral("State %1").arg(wsNormal),
                                    QStringLiteral("Zoom %1").arg(Settings->Zoom()), QStringLiteral("Generating 1"),
                                    QStringLiteral("Show")}));
    EXPECT_EQ(V.Document, P.Output.PimFile());
    EXPECT_EQ(V.Page, P.Page);
    P.Output.NewPage();
    P.Page->SetPageNumber(2);

    // Stop: the viewer keeps both pages, the rest of the run draws nowhere and reports nothing.
    V.OnAbort(nullptr);
    EXPECT_TRUE(P.Page->AbortPrinting());
    EXPECT_EQ(P.Page->PimViewer(), nullptr);
    EXPECT_EQ(V.Page, nullptr);
    EXPECT_FALSE(V.OnAbort);
    EXPECT_EQ(P.Output.Destination(), adNoWhere);
    EXPECT_EQ(V.Document->PageCount(), 2);
    EXPECT_FALSE(V.Document->Running());
    P.Page->UpdateStatus(ssGenerating);
    P.Page->EndDoc();
    EXPECT_EQ(P.Statuses, QList<TVyrStatus>{ssBegin});
    EXPECT_EQ(V.Calls.size(), 5);

    // The next run reports again; nowhere, printing shows as ssNoWhere. A modal viewer shows at
    // the end, made by the report's form when it asks for it.
    P.Statuses.clear();
    Settings->SetModalPreview(mpModal);
    Settings->SetPreviewOwner(poFormOwned);
    Settings->SetFormStyle(pfsDefault);
    P.Output.SetDestination(adPimFile);
    P.Page->BeginDoc();
    P.Page->UpdateStatus(ssPrinting);
    ASSERT_EQ(P.Viewers.size(), 2u);
    TTestPageViewer& M = *P.Viewers[1];
    EXPECT_EQ(P.ViewerOwners[1], P.Form.get());
    EXPECT_FALSE(M.Calls.contains(QStringLiteral("Show")));
    P.Page->EndDoc();
    EXPECT_EQ(M.Calls.mid(M.Calls.size() - 2), (QStringList{QStringLiteral("Generating 0"), QStringLiteral("Modal")}));
    EXPECT_EQ(M.Document->PageCount(), 1);
    P.Output.SetDestination(adNoWhere);
    P.Page->UpdateStatus(ssPrinting);
    EXPECT_EQ(P.Statuses, (QList<TVyrStatus>{ssBegin, ssPrinting, ssNoWhere}));

    // The page's own preview handler replaces any viewer.
    int Previews = 0;
    P.Page->OnPreview = [&Previews](TComponent*) { ++Previews; };
    P.Output.SetDestination(adPimFile);
    P.Page->BeginDoc();
    P.Page->EndDoc();
    EXPECT_EQ(Previews, 1);
    EXPECT_EQ(P.Viewers.size(), 2u);
}

TEST(PageOutput, RichTextPassStartsVariablesAfterAStaleEndAndReportsAFileItCannotWrite) {
    QTemporaryDir Dir;
    ASSERT_TRUE(QDir(Dir.path()).mkdir(QStringLiteral("taken.rtf")));
    TOutputPage P;
    P.Page->SetPrintTo(nullptr);
    P.Page->SetOutputType(otRichText);
    P.Page->SetRtfFile(Dir.filePath(QStringLiteral("taken.rtf")));
    TMemDataSet Set;
    Set.FieldDefs().Add(QStringLiteral("N"), ftInteger);
    Set.Open();
    Set.AppendRecord({1});
    TDataSource Source;
    Source.SetDataSet(&Set);
    P.Page->SetDataSource(&Source);
    auto* Var = Make<TVyrExprVar>(P.Form.get(), QStringLiteral("Var1"), P.Page);
    P.Page->SetDataIsFinished(true); // as the previous run left it
    EXPECT_TRUE(P.Page->InitReport());
    EXPECT_TRUE(Var->Running());
    EXPECT_TRUE(P.Page->Continuous());
    ASSERT_NE(P.Page->Rtf(), nullptr);
    P.Page->UpdateStatus(ssPrinting); // no output to ask
    EXPECT_EQ(P.Statuses, QList<TVyrStatus>{ssPrinting});
    EXPECT_THROW(P.Page->UnInitReport(), EFCreateError);
    EXPECT_FALSE(Var->Running());
    EXPECT_EQ(P.Page->Rtf(), nullptr);
    EXPECT_TRUE(QDir(Dir.path()).entryList(QDir::Files).isEmpty());
    P.Page->SetDataSource(nullptr);
}

TEST(PageOutput, PrinterGetsTheRecordedDocumentAndItsErrorReachesTheReport) {
    TOutputPage P(true);
    TFakePrinter* Printer = P.Printers[0];
    Printer->FailAt = TFakePrinter::fpEndDoc;
    P.Page->PageSetup()->SetDestination(destPrinter);
    QList<int> Numbers;
    QList<float> Percents;
    P.Page->OnUpdateStatus = [&](TVyrPage* Page, TVyrStatus Stat) {
        if (Stat != ssPrinting) return;
        Numbers << Page->PageNumber();
        Percents << Page->PercentDone();
    };
    P.Page->BeginDoc();
    P.Output.NewPage();
    P.Page->SetPageNumber(2);
    P.Page->EndDoc();
    EXPECT_EQ(P.Page->PageCount(), 2);
    ASSERT_EQ(Printer->Jobs.size(), 1u);
    EXPECT_EQ(Printer->Jobs[0].Pages.size(), 2u);
    ASSERT_FALSE(Numbers.isEmpty());
    EXPECT_EQ(Numbers.last(), 2);
    EXPECT_EQ(Percents.last(), 100);
    EXPECT_EQ(P.Report->ExceptionText(), Printer->FailMessage);
    EXPECT_EQ(P.Output.PimFile(), nullptr);
}

// A page freed while its non-modal viewer still shows the run leaves the viewer nothing to call.
TEST(PageOutput, AFreedPageLetsGoOfItsViewer) {
    TOutputPage P;
    P.Page->PageSetup()->PreviewSettings()->SetModalPreview(mpNonModal);
    P.Page->BeginDoc();
    ASSERT_EQ(P.Viewers.size(), 1u);
    TTestPageViewer& V = *P.Viewers[0];
    ASSERT_TRUE(V.OnAbort);
    delete P.Page;
    P.Page = nullptr;
    EXPECT_FALSE(V.OnAbort);
    EXPECT_EQ(V.Page, nullptr);
    EXPECT_EQ(V.Document, P.Output.PimFile()); // the pages made so far stay with the viewer
}
