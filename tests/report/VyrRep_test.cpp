#include "host/exceptions.h"
#include "host/forms.h"
#include "host/messages.h"
#include "host/properties.h"
#include "host/storedforms.h"
#include "report/PimDS.h"
#include "report/PimPage.h"
#include "report/VyrVar.h"
#include "support/reportfixture.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <random>

namespace {

TVyrGrouppage* AddPage(TComponent* Form, TVyrReport* Report, const QString& Name) {
    auto* P = Make<TVyrGrouppage>(Form, Name, Report);
    P->AddMainBands();
    P->SetOrder(Report->Pages()->size() - 1);
    return P;
}

// Everything a page lists, in list order, after ordering its bands.
QString Registries(TVyrPage* P) {
    P->OrderBands();
    QStringList Parts;
    Parts << NamesOf(P->Bands()).join(u' ') << NamesOf(P->Groups()).join(u' ')
          << NamesOf(P->Labels()).join(u' ') << NamesOf(P->Vars()).join(u' ')
          << NamesOf(P->TotalVars()).join(u' ') << NamesOf(P->Levels()).join(u' ')
          << NamesOf(P->DataSourceList()).join(u' ') << NamesOf(P->SubBands()).join(u' ')
          << NamesOf(P->SubDataBands()).join(u' ') << NamesOf(P->DataHFBands()).join(u' ')
          << NamesOf(P->OverLayBands()).join(u' ');
    return Parts.join(u'\n');
}

const QString OddCaption =
    QStringLiteral("It's \"quoted\"\r\nnext line é 中 ") + QString::fromUtf8("\xF0\x9F\x98\x80");

// A report with two pages and a component of every kind on the first.
TVyrReport* BuildReport(TComponent* F) {
    auto* DS = Make<TDataSource>(F, QStringLiteral("dsOrders"), nullptr);
    auto* Report = Make<TVyrReport>(F, QStringLiteral("Report1"), nullptr);
    Report->SetPrompt(false);
    TVyrGrouppage* P = AddPage(F, Report, QStringLiteral("ReportPage"));
    TVyrGrouppage* P2 = AddPage(F, Report, QStringLiteral("ReportPage1"));
    P2->SetDescription(QStringLiteral("Second"));
    P2->PageSetup()->SetLeftMargin(0.25);
    P->SetDataSource(DS);
    P->NoDsgList()->Add(QStringLiteral("dsLines"));
    P->NoDsgList()->Add(QStringLiteral("dsNotes"));

    auto* Expr = Make<TVyrExprVar>(F, QStringLiteral("ExprVar"), P);
    Expr->SetDataType(dtypeString);
    Expr->SetUpdateLevel(P->Detail()->UpdateLevel());
    auto* Field = Make<TVyrDBVar>(F, QStringLiteral("FieldVar"), P);
    Field->SetDataSource(DS);
    Field->SetDataField(QStringLiteral("Name"));
    auto* Auto = Make<TVyrDBVar>(F, QStringLiteral("AutoFieldVar"), P);
    Auto->SetId(vidAutoDataVar);
    auto* Date = Make<TVyrDateTimeVar>(F, QStringLiteral("svarDateTime"), P);
    Date->SetAutoVar(true);
    Make<TVyrPageVar>(F, QStringLiteral("svarPage"), P);
    auto* Total = Make<TVyrTotalvar>(F, QStringLiteral("TotalVar"), P);
    Total->SetVariable(Expr);
    Total->SetIgnoreNulls(true);
    Make<TVyrVar>(F, QStringLiteral("PlainVar"), P);
    // Loading gives a variable without level one, so every variable has its level here.
    for (TVyrVar* V : *P->Vars())
        if (!V->UpdateLevel()) V->SetUpdateLevel(P->Detail()->UpdateLevel());

    auto* G1 = Make<TVyrGroup>(F, QStringLiteral("Group1"), P);
    G1->AddBands(P);
    G1->SetVariable(Expr);
    auto* G2 = Make<TVyrGroup>(F, QStringLiteral("Group2"), P);
    G2->AddBands(P);
    G2->SetLevel(1);
    G1->Header()->ReserveSpace()->SetBand(P->Detail());
    G1->Header()->ReserveSpace()->SetBandCount(2);
    G1->Header()->ReserveSpace()->SetSpace(10);

    auto* Above = Make<TVyrSubBand>(F, QStringLiteral("AboveBand"), P);
    Above->SetBand(P->Detail());
    Above->SetAbove(true);
    auto* Below = Make<TVyrSubBand>(F, QStringLiteral("BelowBand"), P);
    Below->SetBand(P->Detail());
    auto* Overlay = Make<TVyrOverlayBand>(F, QStringLiteral("OverlayBand"), P);
    Overlay->SetFirst(false);
    Overlay->SetTopOffset(5);
    auto* SubData = Make<TVyrSubDataBand>(F, QStringLiteral("SubDataBand"), P);
    SubData->SetBand(P->Detail());
    SubData->SetDataSource(DS);
    SubData->SetDataRange(drSingleRecord);
    Make<TVyrDataHeadBand>(F, QStringLiteral("DataHead"), P)->SetBand(SubData);
    Make<TVyrDataFootBand>(F, QStringLiteral("DataFoot"), P)->SetBand(SubData);
    P->Detail()->SetStretch(true);
    P->Detail()->SetBorderType(btSingle);

    auto* Guide = Make<TVyrDataSourceGuide>(F, QStringLiteral("DataSourceGuide"), P);
    Guide->SetDataSource(DS);
    Guide->SetCreateVariables(false);

    auto* Label = Make<TTestLabel>(F, QStringLiteral("Label1"), P->Detail());
    Label->SetCaption(OddCaption);
    Label->Font()->SetName(QStringLiteral("Arial"));
    Label->Font()->SetSize(12);
    Label->Font()->SetStyle(fsBold | fsItalic);
    Label->SetRow(2);
    Label->Blob = QByteArray::fromHex("00ff10");
    auto* Label2 = Make<TTestLabel>(F, QStringLiteral("Label2"), G1->Header());
    Label2->SetCaption(QStringLiteral("Total"));
    Make<TTestLabel>(F, QStringLiteral("Label3"), P2->PageHead())->SetCaption(QStringLiteral("Page two"));
    return Report;
}

QString ReadError(const QByteArray& Text, TComponent* Root) {
    try {
        ReadComponentText(Text, Root);
    } catch (const Exception& E) {
        return E.Message();
    }
    return QString();
}

} // namespace

TEST(VyrReport, ReportSavedLoadedAndSavedAgainIsTheSameReport) {
    RegisterReportTestClasses();
    ResetStoredForms();
    TReportTestForm Form;
    Form.SetName(QStringLiteral("ReportForm"));
    TVyrReport* Report = BuildReport(&Form);
    ClearPostedMessages();
    const QByteArray Text = WriteComponentText(&Form);

    QTemporaryDir Dir;
    const QString FileName = Dir.filePath(QStringLiteral("report.txt"));
    Report->SaveToFile(FileName);
    QFile File(FileName);
    ASSERT_TRUE(File.open(QIODevice::ReadOnly));
    EXPECT_EQ(File.readAll(), Text);

    TReportTestForm Loaded;
    TVyrReport* Copy = TVyrReport::LoadReport(FileName, &Loaded);
    ClearPostedMessages();
    ASSERT_NE(Copy, nullptr);
    EXPECT_EQ(WriteComponentText(&Loaded).toStdString(), Text.toStdString());

    // Loaded into a designed form, the pages order and stack their bands with a strip under each.
    TReportTestForm Designed;
    Designed.SetDesigning(true);
    ReadComponentText(Text, &Designed);
    Application()->ProcessMessages();
    auto* DesignedPage = static_cast<TVyrPage*>(Designed.FindComponent(QStringLiteral("ReportPage")));
    auto* Original = static_cast<TVyrPage*>(Form.FindComponent(QStringLiteral("ReportPage")));
    Original->OrderBands();
    EXPECT_EQ(NamesOf(DesignedPage->Bands()), NamesOf(Original->Bands()));
    int y = 0;
    for (TVyrBand* B : *DesignedPage->Bands()) {
        EXPECT_EQ(B->Top(), y) << B->Name().toStdString();
        EXPECT_EQ(DesignedPage->HeadOf(B)->Top(), y + B->Height());
        y += B->Height() + 15;
    }

    ASSERT_EQ(NamesOf(Copy->Pages()), NamesOf(Report->Pages()));
    for (size_t i = 0; i < Report->Pages()->size(); ++i)
        EXPECT_EQ(Registries((*Copy->Pages())[i]), Registries((*Report->Pages())[i]));
    auto* P = static_cast<TVyrPage*>(Loaded.FindComponent(QStringLiteral("ReportPage")));
    EXPECT_EQ(P->Report(), Copy);
    EXPECT_EQ(P->DataSource(), Loaded.FindComponent(QStringLiteral("dsOrders")));
    EXPECT_EQ(P->NoDsgList()->ToStringList(), QStringList({"dsLines", "dsNotes"}));
    EXPECT_EQ(P->Order(), 0);
    auto* P2 = static_cast<TVyrPage*>(Loaded.FindComponent(QStringLiteral("ReportPage1")));
    EXPECT_EQ(P2->Order(), 1);
    EXPECT_EQ(P2->PageSetup()->LeftMargin(), 0.25);
    EXPECT_EQ(P2->PageSetup()->Page(), P2);
    auto* Label = static_cast<TTestLabel*>(Loaded.FindComponent(QStringLiteral("Label1")));
    EXPECT_EQ(Label->Caption(), OddCaption);
    EXPECT_EQ(Label->Blob, QByteArray::fromHex("00ff10"));
    EXPECT_EQ(Label->Font()->Style(), fsBold | fsItalic);
    auto* Header = static_cast<TVyrBand*>(Loaded.FindComponent(QStringLiteral("Group1Header")));
    EXPECT_EQ(Header->ReserveSpace()->Band(), P->Detail());
    EXPECT_EQ(Header->ReserveSpace()->Reserve(), 2 * 20 + 10);
    EXPECT_TRUE(Header->UpdateLevel()->IsHeader());
    auto* Group2 = static_cast<TVyrGroup*>(Loaded.FindComponent(QStringLiteral("Group2")));
    EXPECT_EQ(Group2->Level(), 1);
    EXPECT_EQ(Group2->Footer()->BandName(), QStringLiteral("Group2 Footer"));
    QStringList Ids;
    for (TVyrVar* V : *P->Vars())
        Ids << VyrVarIdName(V->Id()) + (V->AutoVar() ? QStringLiteral("+") : QString());
    EXPECT_EQ(Ids.join(u' '), QStringLiteral("vidExprVar vidDBVar vidAutoDataVar vidDateTimeVar+ vidPageVar "
                                             "vidTotalVar vidAbstract"));
}

TEST(VyrReport, SmallFormIsWrittenExactly) {
    RegisterReportTestClasses();
    ResetStoredForms();
    TReportTestForm Form;
    Form.SetName(QStringLiteral("Small"));
    auto* Report = Make<TVyrReport>(&Form, QStringLiteral("Report1"), nullptr);
    auto* Page = Make<TVyrGrouppage>(&Form, QStringLiteral("ReportPage"), Report);
    Page->SetOrder(3);
    auto* Band = Make<TVyrBand>(&Form, QStringLiteral("DetailBand"), Page);
    Band->SetBounds(0, 20, 100, 20);
    Band->SetBandName(QStringLiteral("Detail"));
    auto* Head = Make<TVyrLevel>(&Form, QStringLiteral("HeadLevel"), Page);
    Head->SetIsHeader(true);
    auto* Level = Make<TVyrLevel>(&Form, QStringLiteral("DetailLevel"), Page);
    Band->SetUpdateLevel(Level);
    Page->SetDetail(Band);
    auto* Var = Make<TVyrPageVar>(&Form, QStringLiteral("svarPage"), Page);
    Var->SetUpdateLevel(Head);
    ClearPostedMessages();
    (void)Report;

    // Levels write IsHeader only when set; an empty NoDsgList is not written; the page's bounds are
    // the report's business and are not written either.
    EXPECT_EQ(WriteComponentText(&Form).toStdString(), "object Small: TReportTestForm\n"
                                                       "  Left = 0\n"
                                                       "  Top = 0\n"
                                                       "  Width = 320\n"
                                                       "  Height = 240\n"
                                                       "  object Report1: TVyrReport\n"
                                                       "    Left = 0\n"
                                                       "    Top = 0\n"
                                                       "    Width = 400\n"
                                                       "    Height = 200\n"
                                                       "    PixelsPerInch = 96\n"
                                                       "    STop = 0\n"
                                                       "    SLeft = 0\n"
                                                       "    SWidth = 800\n"
                                                       "    SHeight = 400\n"
                                                       "    MTop = 0\n"
                                                       "    MLeft = 0\n"
                                                       "    SAlign = alNone\n"
                                                       "    Version = vPim1_0\n"
                                                       "    object ReportPage: TVyrGrouppage\n"
                                                       "      PageSetup.Height = 11\n"
                                                       "      PageSetup.Width = 8.5\n"
                                                       "      Detail = DetailBand\n"
                                                       "      Order = 3\n"
                                                       "      object DetailBand: TVyrBand\n"
                                                       "        Left = 0\n"
                                                       "        Top = 20\n"
                                                       "        Width = 100\n"
                                                       "        Height = 20\n"
                                                       "        BandName = 'Detail'\n"
                                                       "        Updatelevel = DetailLevel\n"
                                                       "      end\n"
                                                       "      object HeadLevel: TVyrLevel\n"
                                                       "        Left = 0\n"
                                                       "        Top = 0\n"
                                                       "        Width = 0\n"
                                                       "        Height = 0\n"
                                                       "        IsHeader = True\n"
                                                       "      end\n"
                                                       "      object DetailLevel: TVyrLevel\n"
                                                       "        Left = 0\n"
                                                       "        Top = 0\n"
                                                       "        Width = 0\n"
                                                       "        Height = 0\n"
                                                       "      end\n"
                                                       "      object svarPage: TVyrPageVar\n"
                                                       "        Left = 0\n"
                                                       "        Top = 0\n"
                                                       "        Width = 0\n"
                                                       "        Height = 0\n"
                                                       "        UpdateLevel = HeadLevel\n"
                                                       "        AutoVar = False\n"
                                                       "        ID = vidPageVar\n"
                                                       "      end\n"
                                                       "    end\n"
                                                       "  end\n"
                                                       "end\n");
}

TEST(VyrReport, OlderFormsAndBadIdentifiersAreReadAsTheyDeserve) {
    RegisterReportTestClasses();
    ResetStoredForms();
    const QByteArray Old = "object Old: TReportTestForm\n"
                           "  object Report1: TVyrReport\n"
                           "    object ReportPage: TVyrGrouppage\n"
                           "      DataSet = Table1\n"
                           "      PageHead = PageHeaderBand\n"
                           "      order = 0\n"
                           "      object PageHeaderBand: TVyrBand\n"
                           "        UPDATELEVEL = PageHeaderLevel\n"
                           "      end\n"
                           "      object PageHeaderLevel: TVyrLevel\n"
                           "        isheader = true\n"
                           "      end\n"
                           "      object svarPage: TVyrPageVar\n"
                           "        id = VIDPAGEVAR\n"
                           "      end\n"
                           "      object SubData: TVyrSubDataBand\n"
                           "        DataSet = Table2\n"
                           "      end\n"
                           "    end\n"
                           "  end\n"
                           "end\n";
    TReportTestForm Form;
    ASSERT_EQ(ReadError(Old, &Form), QString());
    ClearPostedMessages();
    auto* Page = static_cast<TVyrPage*>(Form.FindComponent(QStringLiteral("ReportPage")));
    ASSERT_NE(Page, nullptr);
    EXPECT_EQ(NamesOf(Page->SubDataBands()), QStringList({"SubData"}));
    EXPECT_FALSE(WriteComponentText(&Form).contains("DataSet"));
    // Names are read in any case; a page variable without a level takes the page header's.
    auto* PageVar = static_cast<TVyrVar*>(Form.FindComponent(QStringLiteral("svarPage")));
    EXPECT_EQ(PageVar->Id(), vidPageVar);
    EXPECT_EQ(PageVar->UpdateLevel(), Form.FindComponent(QStringLiteral("PageHeaderLevel")));
    EXPECT_TRUE(PageVar->UpdateLevel()->IsHeader());

    const QByteArray Bad = "object Bad: TReportTestForm\n"
                           "  object Report1: TVyrReport\n"
                           "    object ReportPage: TVyrGrouppage\n"
                           "      object Var1: TVyrExprVar\n"
                           "        AutoVar = False\n"
                           "        ID = vidFoo\n"
                           "      end\n"
                           "    end\n"
                           "  end\n"
                           "end\n";
    // A form that fails leaves the owner and the registries of what it held as they were.
    TReportTestForm Other;
    auto* Existing = Make<TVyrReport>(&Other, QStringLiteral("Existing"), nullptr);
    TVyrGrouppage* Kept = AddPage(&Other, Existing, QStringLiteral("KeptPage"));
    Make<TVyrExprVar>(&Other, QStringLiteral("KeptVar"), Kept);
    ClearPostedMessages();
    const QString Before = Registries(Kept);
    const int Count = Other.ComponentCount();
    const QString Message = ReadError(Bad, &Other);
    EXPECT_EQ(Message.toStdString(), "Error reading Var1.ID on line 6: Cannot find vidFoo in TVyrVarId");
    EXPECT_EQ(Other.ComponentCount(), Count);
    EXPECT_EQ(Registries(Kept), Before);
    EXPECT_EQ(NamesOf(Existing->Pages()), QStringList({"KeptPage"}));
    ClearPostedMessages();
}

TEST(VyrReport, DamagedReportFormsRaiseOrLoadAndNeverCrash) {
    RegisterReportTestClasses();
    ResetStoredForms();
    QByteArray Text;
    {
        TReportTestForm Form;
        Form.SetName(QStringLiteral("ReportForm"));
        BuildReport(&Form);
        Text = WriteComponentText(&Form);
    }
    ClearPostedMessages();
    const QList<QByteArray> Lines = Text.split('\n');
    std::mt19937 Random(18);
    auto Pick = [&](qsizetype Count) {
        return static_cast<qsizetype>(Random() % static_cast<uint32_t>(Count));
    };
    int Loaded = 0;
    for (int i = 0; i < 500; ++i) {
        QByteArray Damaged;
        switch (i % 4) {
        case 0:
            Damaged = Text.left(Pick(Text.size()));
            break;
        case 1: {
            QList<QByteArray> L = Lines;
            L.removeAt(Pick(L.size()));
            Damaged = L.join('\n');
            break;
        }
        case 2: {
            QList<QByteArray> L = Lines;
            L.swapItemsAt(Pick(L.size()), Pick(L.size()));
            Damaged = L.join('\n');
            break;
        }
        default:
            Damaged = Text;
            Damaged[Pick(Damaged.size())] = static_cast<char>(32 + Pick(95));
            break;
        }
        auto Form = std::make_unique<TReportTestForm>();
        // Every other form is designed, so the design-time upkeep runs on what was read as well.
        if (i % 2) Form->SetDesigning(true);
        if (ReadError(Damaged, Form.get()).isEmpty()) {
            ++Loaded;
            DeliverPostedMessages();
            for (int c = 0; c < Form->ComponentCount(); ++c)
                if (auto* P = dynamic_cast<TVyrPage*>(Form->Components(c))) {
                    P->OrderBands();
                    P->ArrangeBands();
                }
            WriteComponentText(Form.get());
        } else {
            EXPECT_EQ(Form->ComponentCount(), 0);
        }
        Form.reset();
        ClearPostedMessages();
    }
    EXPECT_GT(Loaded, 100);
}

TEST(VyrReport, AReportCopiedAsTextIsRefusedAndAButtonIsNot) {
    TVyrReport Report(nullptr);
    QClipboard* Clipboard = QGuiApplication::clipboard();
    Clipboard->setText(QStringLiteral("object RunButton: TVyrReportButton\n  Report = Report1\nend\n"));
    EXPECT_NO_THROW(Report.Perform(WM_VYR_NOCOPYREPORT));
    EXPECT_FALSE(Clipboard->text().isEmpty());
    Clipboard->setText(QStringLiteral("object Form1: TForm\n  object Report1: TVyrReport\n  end\nend\n"));
    try {
        Report.Perform(WM_VYR_NOCOPYREPORT);
        ADD_FAILURE() << "no exception";
    } catch (const Exception& E) {
        EXPECT_EQ(E.Message(), QStringLiteral("You cannot copy a report."));
    }
    EXPECT_TRUE(Clipboard->text().isEmpty());
}
