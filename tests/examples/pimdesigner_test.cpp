#include "design/Pageman.h"
#include "design/PimDrop.h"
#include "design/VyrVOpt.h"
#include "design/Vyrrepds.h"
#include "designerwindow.h"
#include "formeditor.h"
#include "host/buttons.h"
#include "host/designreg.h"
#include "host/devicecontext.h"
#include "host/dragdrop.h"
#include "host/grids.h"
#include "host/listbox.h"
#include "host/lists.h"
#include "host/paintpass.h"
#include "host/pdfprinter.h"
#include "host/printers.h"
#include "host/properties.h"
#include "host/sqldataset.h"
#include "host/storedforms.h"
#include "output/PimFile.h"
#include "output/PimOut.h"
#include "report/PimPage.h"
#include "report/VyrBtn.h"
#include "report/VyrCtrl.h"
#include "report/VyrDest.h"
#include "report/VyrRep.h"
#include "report/VyrText.h"
#include "report/VyrUtil.h"
#include "support/bandfixture.h"
#include "support/devices.h"
#include "support/fakeprinter.h"
#include "support/paintlog.h"
#include "support/reportfixture.h"
#include "support/sampledata.h"
#include "support/scripteddialogs.h"
#include "uidriver.h"
#include "viewer/PimPrev.h"
#include "viewer/PimView.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolTip>
#include <QTreeWidget>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace {

QByteArray Bytes(const QString& FileName) {
    QFile F(FileName);
    return F.open(QIODevice::ReadOnly) ? F.readAll() : QByteArray();
}

template <class T> T* Find(TComponent* Root, const QString& Name) {
    return dynamic_cast<T*>(Root->FindComponent(Name));
}

QPoint Center(const QRect& R) {
    return QPoint(R.left() + R.width() / 2, R.top() + R.height() / 2);
}

// The orders form opened in the editor, form and report made large enough to show every band.
struct TOrdersDesign {
    TFormEditor Editor;
    TForm* Root = nullptr;
    TVyrReport* Report = nullptr;
    TVyrPage* Page = nullptr;
    TOrdersDesign() {
        Editor.Open(SourceFile("examples/orders.rep"));
        Root = Editor.Root();
        Report = Find<TVyrReport>(Root, "OrdersReport");
        Page = Report->Page();
        Root->SetBounds(0, 0, 1100, 800);
        Report->SetBounds(0, 0, 1080, 780);
        Editor.Designer()->ResetModified();
    }
};

TEST(PimDesigner, OrdersSaveAgainToTheSameBytesAndPaintTheirBandsAndLabelsWhereTheyAreStacked) {
    QTemporaryDir Dir;
    const QString First = Dir.filePath("first.rep"), Second = Dir.filePath("second.rep");
    {
        TFormEditor Editor;
        Editor.Open(SourceFile("examples/orders.rep"));
        EXPECT_EQ(Editor.Root()->DesignClassName(), "TOrdersForm");
        EXPECT_FALSE(Editor.IsModified());
        Editor.Save(First);
    }
    {
        TFormEditor Editor;
        Editor.Open(First);
        Editor.Save(Second);
    }
    const QByteArray Saved = Bytes(First);
    EXPECT_TRUE(Saved.startsWith("object OrdersForm: TOrdersForm\n"));
    EXPECT_TRUE(Saved.contains("OnGetData = OrdersPageTextGetData\n"));
    EXPECT_EQ(Saved, Bytes(Second));

    TOrdersDesign D;
    auto DC = DeviceContext::CreateRecording(ScreenCaps(96, D.Root->Width(), D.Root->Height()));
    PaintControl(D.Root, *DC);
    const QRect Client(D.Page->ClientToParent(QPoint(0, 0)), D.Page->ClientRect().size());
    int Strips = 0;
    for (size_t i = 0; i < D.Page->Bands()->size(); ++i) {
        TVyrBand* Band = (*D.Page->Bands())[i];
        TVyrBandHead* Strip = (*D.Page->BandHeads())[i];
        // Each strip lies right under its band, and the next band under the strip.
        EXPECT_EQ(Strip->Top(), Band->Top() + Band->Height());
        if (i + 1 < D.Page->Bands()->size()) {
            EXPECT_EQ((*D.Page->Bands())[i + 1]->Top(), Strip->Top() + Strip->Height());
        }
        const QPoint Name = Strip->NameLabel()->ClientToParent(QPoint(0, 0));
        if (!Client.contains(Name)) continue;
        ++Strips;
        EXPECT_EQ(DrawnAt(*DC->Log(), Band->BandName()), Name) << Band->BandName().toStdString();
    }
    EXPECT_EQ(Strips, 7);
    int Labels = 0;
    for (TVyrLabel* Label : *D.Page->Labels()) {
        auto* Text = dynamic_cast<TVyrTextLabel*>(Label);
        if (!Text) continue;
        const QRect R = D.Editor.FormRect(Label);
        const QPoint At = DrawnAt(*DC->Log(), Text->Caption());
        EXPECT_TRUE(R.adjusted(0, 0, 1, 1).contains(At)) << Text->Caption().toStdString();
        ++Labels;
    }
    EXPECT_GE(Labels, 8);
}

TEST(PimDesigner, TheAutomaticVariablesThePageMakesSaveAndReloadToTheSameBytes) {
    QTemporaryDir Dir;
    const QString First = Dir.filePath("first.rep"), Second = Dir.filePath("second.rep");
    {
        TOrdersDesign D;
        // As opening the band manager's data control centre does.
        D.Page->UpdateVarList();
        D.Editor.Save(First);
    }
    {
        TFormEditor Editor;
        Editor.Open(First);
        Editor.Save(Second);
    }
    EXPECT_TRUE(Bytes(First).contains("object svarDateTime: TVyrDateTimeVar\n"));
    EXPECT_EQ(Bytes(First), Bytes(Second));
}

TEST(PimDesigner, ALabelOfAFoldedReportShowsNoHandlesAndIsNotSizedByAPressWhereTheyWere) {
    TOrdersDesign D;
    auto* Label = Find<TVyrLabel>(D.Root, "AmountLabel");
    D.Editor.Designer()->SelectComponent(Label);
    const QRect Start = Label->BoundsRect();
    const QPoint Corner = Center(D.Editor.Handles(Label)[4]);
    EXPECT_TRUE(D.Editor.IsHandle(Label, 4));
    // A band's left edge lies on its page's, inside the page's frame.
    EXPECT_TRUE(D.Editor.IsHandle(D.Page->Detail(), 0));
    EXPECT_TRUE(D.Editor.IsHandle(D.Page->Detail(), 7));

    D.Report->SetMinimized(true);
    for (int i = 0; i < 8; ++i)
        EXPECT_FALSE(D.Editor.IsHandle(Label, i)) << i;
    D.Editor.MouseDown(Corner, 0);
    D.Editor.MouseMove(Corner + QPoint(30, 20), 0);
    D.Editor.MouseUp(Corner + QPoint(30, 20), 0);
    EXPECT_EQ(Label->BoundsRect(), Start);

    D.Report->SetMinimized(false);
    EXPECT_TRUE(D.Editor.IsHandle(Label, 4));
}

TEST(PimDesigner, TheMouseSelectsDragsAndDropsLabelsOntoOtherBandsAndClicksTheStripBoxes) {
    TOrdersDesign D;
    TDesignerHost& Host = *D.Editor.Designer();
    auto* Title = Find<TVyrLabel>(D.Root, "TitleLabel");
    TVyrBand* Header = D.Page->PageHead();
    TVyrBand* Detail = D.Page->Detail();
    const QRect Start = Title->BoundsRect();
    QPoint At = Center(D.Editor.FormRect(Title));
    D.Editor.MouseDown(At, 0);
    D.Editor.MouseMove(At + QPoint(4, 2), 0);
    D.Editor.MouseMove(At + QPoint(10, 5), 0);
    D.Editor.MouseUp(At + QPoint(10, 5), 0);
    EXPECT_EQ(Host.GetSelections(), TDesignerSelections{Title});
    EXPECT_EQ(Title->BoundsRect(), Start.translated(10, 5));
    EXPECT_EQ(Host.ModifiedCount(), 1);

    // Dropped over the detail band, the label moves there, keeping its place on the form.
    At = Center(D.Editor.FormRect(Title));
    const QPoint Target(At.x(), Center(D.Editor.FormRect(Detail)).y());
    const QPoint OnForm = D.Editor.FormRect(Title).topLeft() + (Target - At);
    D.Editor.MouseDown(At, 0);
    D.Editor.MouseMove(Target, 0);
    D.Editor.MouseUp(Target, 0);
    EXPECT_EQ(Title->Parent(), Detail);
    EXPECT_EQ(D.Editor.FormRect(Title).topLeft(), OnForm);
    auto Lists = [](const std::vector<TVyrLabel*>* L, TVyrLabel* Label) {
        return L ? std::count(L->begin(), L->end(), Label) : 0;
    };
    EXPECT_EQ(Lists(Header->Labels(), Title), 0);
    EXPECT_EQ(Lists(Detail->Labels(), Title), 1);
    EXPECT_EQ(Lists(D.Page->Labels(), Title), 1);
    EXPECT_EQ(Host.ModifiedCount(), 2);

    // A handle sizes, Shift adds to the selection, arrows move.
    D.Editor.MouseDown(Center(D.Editor.Handles(Title)[4]), 0);
    D.Editor.MouseMove(Center(D.Editor.Handles(Title)[4]) + QPoint(6, 3), 0);
    D.Editor.MouseUp(Center(D.Editor.Handles(Title)[4]) + QPoint(6, 3), 0);
    EXPECT_EQ(Title->Width(), Start.width() + 6);
    EXPECT_EQ(Title->Height(), Start.height() + 3);
    auto* Date = Find<TVyrLabel>(D.Root, "DateCaption");
    D.Editor.MouseDown(Center(D.Editor.FormRect(Date)), ssShift);
    D.Editor.MouseUp(Center(D.Editor.FormRect(Date)), ssShift);
    EXPECT_EQ(Host.GetSelections(), (TDesignerSelections{Title, Date}));
    const int DateLeft = Date->Left();
    D.Editor.MoveSelection(-1, 0);
    EXPECT_EQ(Date->Left(), DateLeft - 1);
    EXPECT_EQ(Host.ModifiedCount(), 4);

    // The strip's check box is no component of the form: it takes the click itself.
    TCheckBox* Stretch = D.Page->HeadOf(Detail)->StretchCheck();
    const QPoint Box = Center(D.Editor.FormRect(Stretch)) - QPoint(30, 0);
    D.Editor.MouseDown(Box, 0);
    D.Editor.MouseUp(Box, 0);
    EXPECT_TRUE(Detail->Stretch());
    EXPECT_EQ(Host.ModifiedCount(), 5);
    EXPECT_EQ(Host.GetSelections(), (TDesignerSelections{Title, Date}));

    // A double click on the page opens its editor: the band manager, hidden the first time.
    const QPoint Blank(D.Editor.FormRect(D.Page).right() - 5, D.Editor.FormRect(D.Page).bottom() - 5);
    ASSERT_EQ(D.Editor.DesignedAt(Blank), D.Page);
    D.Editor.DblClick(Blank);
    ASSERT_NE(D.Page->PageManager(), nullptr);
    EXPECT_FALSE(static_cast<TControl*>(D.Page->PageManager())->Visible());
    D.Editor.DblClick(Blank);
    EXPECT_TRUE(static_cast<TControl*>(D.Page->PageManager())->Visible());
}

TEST(PimDesigner, ANewFormMadeFromThePaletteSavesReopensAndRunsItsCaptionOncePerRecord) {
    TSampleDatabase Db;
    TFakePrinterList Printers{[] {
        std::vector<std::unique_ptr<TFakePrinter>> List;
        List.push_back(TFakePrinter::Office());
        return List;
    }()};
    RegisterDesignerPalette();
    QTemporaryDir Dir;
    const QString FileName = Dir.filePath("customers.rep");
    {
        TFormEditor Editor;
        Editor.NewForm();
        auto* Report = dynamic_cast<TVyrReport*>(Editor.AddComponent("TVyrReport", QPoint(8, 8)));
        ASSERT_NE(Report, nullptr);
        TVyrPage* Page = Report->Page();
        ASSERT_NE(Page, nullptr);
        auto* Label = dynamic_cast<TVyrTextLabel*>(
            Editor.AddComponent("TVyrTextLabel", Center(Editor.FormRect(Page->Detail())) - QPoint(100, 0)));
        ASSERT_NE(Label, nullptr);
        EXPECT_EQ(Label->Name(), "TextLabel");
        EXPECT_EQ(Label->Parent(), Page->Detail());
        IDesigner* D = Editor.Designer();
        GetPropertyEditor(D, Label, "Caption")->SetValue("Customer");
        TComponent* Query = Editor.AddComponent("TSqlDataSet", QPoint(0, 0));
        GetPropertyEditor(D, Query, "SQL")->SetValue("SELECT name FROM customers LIMIT 3");
        TComponent* Source = Editor.AddComponent("TDataSource", QPoint(0, 0));
        GetPropertyEditor(D, Source, "DataSet")->SetValue("SqlDataSet");
        GetPropertyEditor(D, Page, "DataSource")->SetValue("DataSource");
        EXPECT_TRUE(Editor.IsModified());
        Editor.Save(FileName);
        EXPECT_FALSE(Editor.IsModified());
    }
    TFormEditor Editor;
    Editor.Open(FileName);
    std::shared_ptr<TPimPimFile> Document;
    CustomPreview = [&](TVyrPage* Page) { Document = Page->PrintTo()->PimFile(); };
    Editor.Run();
    CustomPreview = nullptr;
    ASSERT_NE(Document, nullptr);
    ASSERT_EQ(Document->PageCount(), 1);
    EXPECT_EQ(DrawnTexts(*Document, 1).count("Customer"), 3);
}

TEST(PimDesigner, ACopiedTextLabelPastesAsAVariableLabelUnderAFreshName) {
    TOrdersDesign D;
    TDesignerHost& Host = *D.Editor.Designer();
    auto* Title = Find<TVyrTextLabel>(D.Root, "TitleLabel");
    Host.SelectComponent(Title);
    D.Editor.CopySelection();
    DeliverPostedMessages();
    EXPECT_TRUE(QGuiApplication::clipboard()->text().startsWith("object TitleLabel: TVyrvarlabel\n"));
    Host.SelectComponent(D.Page->Detail());
    const std::vector<TComponent*> Pasted = D.Editor.Paste();
    ASSERT_EQ(Pasted.size(), 1u);
    auto* Copy = dynamic_cast<TVyrvarlabel*>(Pasted[0]);
    ASSERT_NE(Copy, nullptr);
    EXPECT_EQ(Copy->Name(), "TitleLabel1");
    EXPECT_EQ(Copy->Caption(), Title->Caption());
    EXPECT_EQ(Copy->Parent(), D.Page->Detail());
    EXPECT_EQ(Host.GetSelections(), TDesignerSelections{Copy});

    // Cut takes it away; a band refuses to go outside the band manager and stays.
    D.Editor.CutSelection();
    EXPECT_EQ(D.Root->FindComponent("TitleLabel1"), nullptr);
    TToldErrors Told;
    Host.SelectComponent(D.Page->Detail());
    D.Editor.DeleteSelection();
    EXPECT_EQ(D.Page->Detail()->Parent(), D.Page);
    EXPECT_EQ(Told.Messages,
              QStringList{"You are not allowed to delete a band outside of the page manager."});
}

TEST(PimDesigner, TheWindowShowsThePaletteTheComponentsThePropertiesAndThePagesScrollBars) {
    TDesignerWindow Window;
    QStringList Hooked;
    AddDesignerFormHook([&](TDesignerWindow* W, TFormEditor* E) {
        Hooked << (W == &Window ? E->Root()->Name() : QStringLiteral("another window"));
    });
    ASSERT_TRUE(Window.OpenFile(SourceFile("examples/orders.rep")));
    ResetDesignerFormHooks();
    EXPECT_EQ(Hooked, QStringList{"OrdersForm"});
    Window.show();
    Window.Refresh();
    QApplication::processEvents();
    EXPECT_EQ(Window.Palette()->count(), 2);
    EXPECT_EQ(Window.Palette()->tabText(0), "PimReporter");
    EXPECT_EQ(Window.Palette()->tabText(1), "Data Access");
    EXPECT_EQ(Window.ComponentList()->item(0)->text(), "OrdersForm: TOrdersForm");
    // A report box smaller than its page: the bands reach below it and past its right side, so the
    // page has both bars.
    auto* Report = Find<TVyrReport>(Window.Editor().Root(), "OrdersReport");
    Report->SetBounds(0, 0, 400, 200);
    Window.Refresh();
    QApplication::processEvents();
    EXPECT_EQ(Window.ScrollBars().size(), 2u);
    TVyrPage* Page = Report->Page();
    for (QScrollBar* Bar : Window.ScrollBars())
        if (Bar->orientation() == Qt::Vertical) Bar->setValue(40);
    EXPECT_EQ(Page->VertScrollBar().Position, 40);

    Window.Editor().Designer()->SelectComponent(Page->Detail());
    Window.Refresh();
    QStringList Shown;
    for (int i = 0; i < Window.PropertyList()->topLevelItemCount(); ++i)
        Shown << Window.PropertyList()->topLevelItem(i)->text(0) + u'=' +
                     Window.PropertyList()->topLevelItem(i)->text(1);
    EXPECT_TRUE(Shown.contains("BandName=Detail"));
    EXPECT_TRUE(Shown.contains("Updatelevel=(TVyrLevel)"));
    const QImage Shot = Window.grab().toImage();
    EXPECT_EQ(Shot.size(), Window.size());

    // A palette class armed, a press on the form makes it there.
    Window.ArmClass("TVyrShape");
    EXPECT_EQ(Window.ArmedClass(), "TVyrShape");
}

TEST(PimDesigner, TheSecondDoubleClickShowsTheBandManagerWhereASubBandAddedShowsUpOnThePage) {
    TOrdersDesign D;
    const QPoint Blank(D.Editor.FormRect(D.Page).right() - 5, D.Editor.FormRect(D.Page).bottom() - 5);
    D.Editor.DblClick(Blank);
    D.Editor.DblClick(Blank);
    auto* Manager = dynamic_cast<TVyrPageManager*>(D.Page->PageManager());
    ASSERT_NE(Manager, nullptr);
    ASSERT_NE(Manager->Widget(), nullptr);
    EXPECT_TRUE(Manager->Widget()->isVisible());
    EXPECT_EQ(Manager->Widget()->windowTitle(), QStringLiteral("Band Manager for ReportPage"));
    // A row per band, in the page's order, and a row per group.
    QStringList Rows;
    for (int i = 0; i < Manager->BandList->Items().Count(); ++i)
        Rows << Manager->BandList->Items()[i];
    QStringList Bands;
    for (const TVyrBand* B : *D.Page->Bands())
        Bands << B->BandName();
    EXPECT_EQ(Rows, Bands);
    EXPECT_EQ(Manager->grouplist->Items().Count(), int(D.Page->Groups()->size()));

    // A sub band below the detail band, added from the band menu, lies under it on the page.
    const int DetailRow = Manager->BandList->Items().IndexOfObject(D.Page->Detail());
    const TRect R = Manager->BandList->ItemRect(DetailRow);
    Manager->BandList->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(R.Left + 20, R.Top + 5));
    Manager->BandList->Perform(WM_LBUTTONUP, 0, MAKELPARAM(R.Left + 20, R.Top + 5));
    EXPECT_EQ(D.Editor.Designer()->GetSelections(), TDesignerSelections{D.Page->Detail()});
    Manager->BandListPopup->Popup(0, 0);
    Manager->Below1->Click();
    Manager->BandListPopup->CloseMenu();
    auto* Sub = Find<TVyrSubBand>(D.Root, "DetailBandSub");
    ASSERT_NE(Sub, nullptr);
    EXPECT_EQ(Manager->BandList->Items()[DetailRow + 1], QStringLiteral("DetailBandSub"));
    const std::vector<TVyrBand*>& Flow = *D.Page->Bands();
    EXPECT_EQ(
        std::find(Flow.begin(), Flow.end(), Sub) - std::find(Flow.begin(), Flow.end(), D.Page->Detail()), 1);
    EXPECT_TRUE(D.Editor.IsModified());
    auto DC = DeviceContext::CreateRecording(ScreenCaps(96, 1100, 800));
    PaintControl(D.Root, *DC);
    const QPoint SubAt = DrawnAt(*DC->Log(), QStringLiteral("DetailBandSub"));
    EXPECT_GT(SubAt.y(), DrawnAt(*DC->Log(), QStringLiteral("Detail")).y());
    EXPECT_EQ(SubAt.y(), D.Editor.FormRect(Sub).bottom() + 1);
}

TEST(PimDesigner, TheReportsToolRowAndRulersAreDrawnAndItsBandAndRunButtonsWork) {
    TSampleDatabase Db;
    TFakePrinterList Printers{[] {
        std::vector<std::unique_ptr<TFakePrinter>> List;
        List.push_back(TFakePrinter::Office());
        return List;
    }()};
    {
        // Read from its file, the report has its rulers at its page.
        TFormEditor Editor;
        Editor.Open(SourceFile("examples/orders.rep"));
        auto* Report = Find<TVyrReport>(Editor.Root(), "OrdersReport");
        auto* Design = dynamic_cast<TVyrReportDesign*>(Report->RepDesign());
        ASSERT_NE(Design, nullptr);
        TVyrPage* Page = Report->Page();
        EXPECT_EQ(Design->TopRuler()->BoundsRect(),
                  QRect(Page->Left() + 2, Page->Top() - 20, Page->Width(), 20));
        EXPECT_EQ(Design->LeftRuler()->BoundsRect(),
                  QRect(Page->Left() - 20, Page->Top(), 20, Page->Height()));
    }
    TOrdersDesign D;
    auto* Design = dynamic_cast<TVyrReportDesign*>(D.Report->RepDesign());
    ASSERT_NE(Design, nullptr);
    auto DC = DeviceContext::CreateRecording(ScreenCaps(96, D.Root->Width(), D.Root->Height()));
    PaintControl(D.Root, *DC);
    for (const char* Caption : {"Min", "Band", "Data", "Fast", "Run", "Overview", "Diagnostic"}) {
        const TControl* Button = nullptr;
        for (int i = 0; i < 12 && !Button; ++i)
            if (D.Report->Controls(i)->Caption() == QLatin1String(Caption)) Button = D.Report->Controls(i);
        ASSERT_NE(Button, nullptr) << Caption;
        EXPECT_TRUE(D.Editor.FormRect(Button).contains(DrawnAt(*DC->Log(), QString::fromLatin1(Caption))))
            << Caption;
    }
    // The top ruler stands right above the page's client area, in the page's millimetres.
    const QPoint Client = D.Page->ClientToParent(QPoint(0, 0));
    EXPECT_EQ(DrawnAt(*DC->Log(), QStringLiteral("10")), Client + QPoint(41, -20));
    EXPECT_EQ(D.Editor.FormRect(Design->TopRuler()).bottom() + 1,
              D.Page->ClientToParent(QPoint(0, 0)).y() - 2);

    // "Band" is a button, no component of the form: it takes the click and shows the band manager.
    const QPoint Band = Center(D.Editor.FormRect(Design->PageManButton()));
    D.Editor.MouseDown(Band, 0);
    D.Editor.MouseUp(Band, 0);
    ASSERT_NE(D.Page->PageManager(), nullptr);
    EXPECT_TRUE(static_cast<TControl*>(D.Page->PageManager())->Visible());
    EXPECT_TRUE(D.Editor.Designer()->GetSelections().empty());

    // "Run" shows the report in the viewer; a few orders make a short one.
    auto* Orders = Find<TSqlDataSet>(D.Root, "Orders");
    QString Sql = Orders->SQL();
    Orders->SetSQL(Sql.replace(QStringLiteral("ORDER BY"), QStringLiteral("WHERE c.id <= 2 ORDER BY")));
    const QPoint Run = Center(D.Editor.FormRect(Design->RunButton()));
    D.Editor.MouseDown(Run, 0);
    D.Editor.MouseUp(Run, 0);
    TPimViewer* Viewer = nullptr;
    for (int i = 0; i < Application()->ComponentCount() && !Viewer; ++i)
        Viewer = dynamic_cast<TPimViewer*>(Application()->Components(i));
    ASSERT_NE(Viewer, nullptr);
    EXPECT_FALSE(Viewer->Generating());
    EXPECT_EQ(Viewer->CurrentPreview()->PageCount(), 1);
    EXPECT_TRUE(D.Report->DesignPreview());
    delete Viewer;
}

TEST(PimDesigner, WhileAReportOfTheFormRunsTheFormIsNeitherPutAwayNorChanged) {
    TSampleDatabase Db;
    TScriptedDialogs Dialogs; // a question asked meanwhile fails the test
    Dialogs.Answer(mrOk);     // the word why the window does not close
    TDesignerWindow Window;
    ASSERT_TRUE(Window.OpenFile(SourceFile("examples/orders.rep")));
    TFormEditor& Editor = Window.Editor();
    TForm* Root = Editor.Root();
    auto* Report = Find<TVyrReport>(Root, "OrdersReport");
    auto* Design = dynamic_cast<TVyrReportDesign*>(Report->RepDesign());
    ASSERT_NE(Design, nullptr);
    auto* Orders = Find<TSqlDataSet>(Root, "Orders");
    QString Sql = Orders->SQL();
    Orders->SetSQL(Sql.replace(QStringLiteral("ORDER BY"), QStringLiteral("WHERE c.id <= 2 ORDER BY")));
    auto Action = [&](const QString& Text) {
        for (QAction* A : Window.findChildren<QAction*>())
            if (A->text() == Text) return A;
        return static_cast<QAction*>(nullptr);
    };
    ASSERT_NE(Action("&New"), nullptr);
    ASSERT_NE(Action("&Delete"), nullptr);

    // The run lets the window work: the user asks for a new form, deletes the report and closes.
    bool DuringRun = false;
    QTimer::singleShot(0, &Window, [&] {
        DuringRun = Report->Printing();
        Editor.Designer()->SelectComponent(Report);
        Action("&New")->trigger();
        Action("&Delete")->trigger();
        EXPECT_FALSE(Window.close());
    });
    const QPoint Run = Center(Editor.FormRect(Design->RunButton()));
    Editor.MouseDown(Run, 0);
    Editor.MouseUp(Run, 0);
    EXPECT_TRUE(DuringRun);
    EXPECT_FALSE(Report->Printing());
    EXPECT_EQ(Editor.Root(), Root);
    EXPECT_EQ(Find<TVyrReport>(Root, "OrdersReport"), Report);
    ASSERT_EQ(Dialogs.Shown().size(), 1u);
    EXPECT_EQ(
        Dialogs.Last().Text,
        QStringLiteral("A report of the form is running: close the designer again once the run is done"));
    TPimViewer* Viewer = nullptr;
    for (int i = 0; i < Application()->ComponentCount() && !Viewer; ++i)
        Viewer = dynamic_cast<TPimViewer*>(Application()->Components(i));
    ASSERT_NE(Viewer, nullptr);
    EXPECT_EQ(Viewer->CurrentPreview()->PageCount(), 1);
    delete Viewer;

    // Once the run is done the window works on the form again.
    EXPECT_TRUE(Window.close());
}

TEST(PimDesigner, TheToolsTakeTheRightButtonAndShowTheirHintsWhichTheFormsComponentsDoNot) {
    TScriptedDialogs Dialogs;
    TDesignerWindow Window;
    ASSERT_TRUE(Window.OpenFile(SourceFile("examples/orders.rep")));
    TFormEditor& Editor = Window.Editor();
    Editor.Designer()->ResetModified();
    auto* Report = Find<TVyrReport>(Editor.Root(), "OrdersReport");
    auto* Design = dynamic_cast<TVyrReportDesign*>(Report->RepDesign());
    ASSERT_NE(Design, nullptr);
    Report->SetPrompt(true);
    Report->SetDesignPreview(true);
    auto RightClick = [&](QPoint At) {
        for (QEvent::Type Type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent Event(Type, QPointF(At), QPointF(At), Qt::RightButton,
                              Type == QEvent::MouseButtonPress ? Qt::RightButton : Qt::NoButton,
                              Qt::NoModifier);
            QApplication::sendEvent(Window.FormView(), &Event);
        }
    };
    Dialogs.AnswerForm(mrCancel);
    RightClick(Center(Editor.FormRect(Design->RunButton())));
    ASSERT_EQ(Dialogs.Shown().size(), 1u);
    EXPECT_EQ(Dialogs.Shown()[0].Text, QStringLiteral("TVyrReportDestination"));
    EXPECT_FALSE(Report->DesignPreview());
    EXPECT_FALSE(Report->Printing());

    // A right click on a label of the form neither selects nor changes it.
    RightClick(Center(Editor.FormRect(Find<TVyrLabel>(Editor.Root(), "TitleLabel"))));
    EXPECT_TRUE(Editor.Designer()->GetSelections().empty());
    EXPECT_FALSE(Editor.IsModified());
    EXPECT_EQ(Dialogs.Shown().size(), 1u);

    // Resting over a tool shows its hint, over the form's own components nothing.
    Window.show();
    auto HintAt = [&](QPoint At) {
        QHelpEvent Event(QEvent::ToolTip, At, Window.FormView()->mapToGlobal(At));
        QApplication::sendEvent(Window.FormView(), &Event);
        return Event.isAccepted() && QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    EXPECT_EQ(HintAt(Center(Editor.FormRect(Design->SelectButton()))), QStringLiteral("Select GroupPage"));
    EXPECT_EQ(HintAt(Center(Editor.FormRect(Design->RunButton()))), QStringLiteral("Run Report"));
    EXPECT_EQ(HintAt(Center(Editor.FormRect(Find<TVyrLabel>(Editor.Root(), "TitleLabel")))), QString());
}

TEST(PimDesigner, ChangesAreSavedOrKeptBeforeANewFormOrClosingUnlessTheUserLetsThemGo) {
    QTemporaryDir Dir;
    const QString File = Dir.filePath("orders.rep");
    ASSERT_TRUE(QFile::copy(SourceFile("examples/orders.rep"), File));
    TDesignerWindow Window;
    ASSERT_TRUE(Window.OpenFile(File));
    QAction* New = nullptr;
    for (QAction* A : Window.findChildren<QAction*>())
        if (A->text() == QStringLiteral("&New")) New = A;
    ASSERT_NE(New, nullptr);
    TFormEditor& Editor = Window.Editor();
    Editor.Designer()->SelectComponent(Editor.Root()->FindComponent("TitleLabel"));
    Editor.MoveSelection(3, 0);
    ASSERT_TRUE(Editor.IsModified());

    TScriptedDialogs Dialogs;
    Dialogs.Answer(mrCancel);
    New->trigger();
    EXPECT_EQ(Dialogs.Last().Text, QStringLiteral("Save the changes to orders.rep?"));
    EXPECT_EQ(Editor.Root()->Name(), QStringLiteral("OrdersForm"));
    Dialogs.Answer(mrCancel);
    EXPECT_FALSE(Window.close());
    EXPECT_TRUE(Editor.IsModified());

    // Yes saves the moved title into the file, then the new form comes.
    Dialogs.Answer(mrYes);
    New->trigger();
    EXPECT_EQ(Editor.Root()->Name(), QStringLiteral("Form1"));
    TFormEditor Reopened;
    Reopened.Open(File);
    ASSERT_NE(Find<TControl>(Reopened.Root(), "TitleLabel"), nullptr);
    EXPECT_EQ(Find<TControl>(Reopened.Root(), "TitleLabel")->Left(), 3);

    // No lets the changes go.
    Editor.AddComponent("TVyrReport", QPoint(10, 10));
    Dialogs.Answer(mrNo);
    EXPECT_TRUE(Window.close());
    EXPECT_EQ(Dialogs.MessageCount(), 4);
    EXPECT_EQ(Dialogs.Pending(), 0);
}

TEST(PimDesigner, TheDeleteKeyInTheComponentListDeletesTheSelectedLabel) {
    TDesignerWindow Window;
    ASSERT_TRUE(Window.OpenFile(SourceFile("examples/orders.rep")));
    TComponentRef<TComponent> Title(Window.Editor().Root()->FindComponent("TitleLabel"));
    Window.Editor().Designer()->SelectComponent(Title.Get());
    QKeyEvent Key(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(Window.ComponentList(), &Key);
    EXPECT_EQ(Title.Get(), nullptr);
    EXPECT_TRUE(Window.Editor().IsModified());
}

TEST(PimDesigner, ClosingTheDesignerClosesTheBandManagerThatWouldElseKeepTheProgramRunning) {
    TDesignerWindow Window;
    ASSERT_TRUE(Window.OpenFile(SourceFile("examples/orders.rep")));
    Window.show();
    TVyrPage* Page = Find<TVyrReport>(Window.Editor().Root(), "OrdersReport")->Page();
    const QPoint Blank(Window.Editor().FormRect(Page).right() - 5,
                       Window.Editor().FormRect(Page).bottom() - 5);
    Window.Editor().DblClick(Blank);
    Window.Editor().DblClick(Blank);
    auto* Manager = dynamic_cast<TVyrPageManager*>(Page->PageManager());
    ASSERT_NE(Manager, nullptr);
    ASSERT_TRUE(Manager->Widget()->isVisible());
    ASSERT_FALSE(Window.Editor().IsModified());
    EXPECT_TRUE(Window.close());
    EXPECT_FALSE(Manager->Widget()->isVisible());
}

TEST(PimDesigner, APropertysDropDownListStaysOpenUntilAValueIsChosenWhichTheLabelTakes) {
    TDesignerWindow Window;
    ASSERT_TRUE(Window.OpenFile(SourceFile("examples/orders.rep")));
    Window.show();
    auto* Title = Find<TVyrLabel>(Window.Editor().Root(), "TitleLabel");
    Window.Editor().Designer()->SelectComponent(Title);
    Window.Refresh();
    QTreeWidget* List = Window.PropertyList();
    auto Row = [&](const QString& Name) {
        for (int i = 0; i < List->topLevelItemCount(); ++i)
            if (List->topLevelItem(i)->text(0) == Name) return List->topLevelItem(i);
        return static_cast<QTreeWidgetItem*>(nullptr);
    };
    ASSERT_NE(Row("BorderType"), nullptr);
    emit List->itemDoubleClicked(Row("BorderType"), 1);
    QApplication::processEvents();
    QApplication::processEvents();
    // The hover of the pointer over the form changes nothing and refreshes nothing either.
    QMouseEvent Move(QEvent::MouseMove, QPointF(5, 5), QPointF(5, 5), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(Window.FormView(), &Move);
    QApplication::processEvents();
    auto* Box = qobject_cast<QComboBox*>(List->itemWidget(Row("BorderType"), 1));
    ASSERT_NE(Box, nullptr);
    const int Single = Box->findText(QStringLiteral("btSingle"));
    ASSERT_GE(Single, 0);
    Box->setCurrentIndex(Single);
    emit Box->activated(Single);
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_EQ(Title->BorderType(), btSingle);
    EXPECT_TRUE(Window.Editor().IsModified());
    ASSERT_NE(Row("BorderType"), nullptr);
    EXPECT_EQ(Row("BorderType")->text(1), QStringLiteral("btSingle"));

    // A variable list makes the page make its variables as it gathers their names, which changes
    // the form; with a change not shown yet, the window rebuilds its lists at the next turn of
    // the event loop, which the data control centre's refresh takes meanwhile.
    auto* Label = Find<TVyrvarlabel>(Window.Editor().Root(), "OrderLabel");
    Window.Editor().Designer()->SelectComponent(Label);
    Window.Refresh();
    ASSERT_NE(Row("Variable"), nullptr);
    Window.Editor().Designer()->Modified();
    emit List->itemDoubleClicked(Row("Variable"), 1);
    QApplication::processEvents();
    QApplication::processEvents();
    ASSERT_NE(Row("Variable"), nullptr);
    Box = qobject_cast<QComboBox*>(List->itemWidget(Row("Variable"), 1));
    ASSERT_NE(Box, nullptr);
    EXPECT_EQ(Box->currentText(), QStringLiteral("IdVar"));
    const int Status = Box->findText(QStringLiteral("StatusVar"));
    ASSERT_GE(Status, 0);
    Box->setCurrentIndex(Status);
    emit Box->activated(Status);
    QApplication::processEvents();
    QApplication::processEvents();
    ASSERT_NE(Label->Variable(), nullptr);
    EXPECT_EQ(Label->Variable()->Name(), QStringLiteral("StatusVar"));
    EXPECT_EQ(Row("Variable")->text(1), QStringLiteral("StatusVar"));
}

TEST(PimDesigner, TheDataButtonOpensTheDataControlCentreWhereAFieldDroppedOnTheTotalsMakesATotal) {
    TSampleDatabase Db;
    TOrdersDesign D;
    auto* Design = dynamic_cast<TVyrReportDesign*>(D.Report->RepDesign());
    ASSERT_NE(Design, nullptr);
    const QPoint Data = Center(D.Editor.FormRect(Design->DataButton()));
    D.Editor.MouseDown(Data, 0);
    D.Editor.MouseUp(Data, 0);
    DeliverPostedMessages();
    auto* Manager = dynamic_cast<TVyrPageManager*>(D.Page->PageManager());
    ASSERT_NE(Manager, nullptr);
    auto* Centre = dynamic_cast<TVyrDSVariableOptions*>(Manager->DataControl());
    ASSERT_NE(Centre, nullptr);
    ASSERT_NE(Centre->Widget(), nullptr);
    EXPECT_TRUE(Centre->Widget()->isVisible());
    EXPECT_EQ(Centre->Widget()->windowTitle(), QStringLiteral("Data Control Center"));
    EXPECT_EQ(Centre->DataSourceList->Cells(1, 0), QStringLiteral("OrdersSource"));
    EXPECT_EQ(Centre->clist->Items().ToStringList(),
              QStringList({"id", "order_date", "shipped", "status", "discount", "amount", "customer_id",
                           "customer"}));

    // "amount" pressed in the field list and dragged onto the total list.
    TListBox* Fields = Centre->clist;
    const TRect Item = Fields->ItemRect(Fields->Items().IndexOf(QStringLiteral("amount")));
    const QPoint From(Item.Left + 10, Item.Top + 5);
    Fields->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(From.x(), From.y()));
    ASSERT_TRUE(DragManager::Pending());
    const QPoint Onto = Centre->TotalVarList->ClientToParent(QPoint(20, 10));
    DragManager::Move(Centre, Onto);
    EXPECT_TRUE(DragManager::Accepted());
    DragManager::Release(Centre, Onto);
    auto* Total = Find<TVyrTotalvar>(D.Root, "TotalOfamount");
    ASSERT_NE(Total, nullptr);
    EXPECT_EQ(Total->Variable(), Find<TVyrVar>(D.Root, "Ordersamountvar"));
    EXPECT_EQ(Centre->TotalVarList->Items().ToStringList().join(u',').toStdString(),
              "AmountTotal,TotalOfamount");
    EXPECT_EQ(D.Editor.Designer()->GetSelections(), TDesignerSelections{Total});
    EXPECT_TRUE(D.Editor.IsModified());
    Centre->Close();
    EXPECT_FALSE(Centre->Widget()->isVisible());
}

// A mouse event as the window system hands it to View: Global on the screen.
void SendMouse(QWidget* View, QEvent::Type Type, QPoint Global, Qt::KeyboardModifiers Keys = Qt::NoModifier) {
    const Qt::MouseButtons Held = Type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent Event(Type, View->mapFromGlobal(Global), Global,
                      Type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, Held, Keys);
    QApplication::sendEvent(View, &Event);
}

void ClickAt(QWidget* View, QPoint Global, Qt::KeyboardModifiers Keys = Qt::NoModifier) {
    SendMouse(View, QEvent::MouseButtonPress, Global, Keys);
    SendMouse(View, QEvent::MouseButtonRelease, Global, Keys);
}

TEST(PimDesigner, FastOpensTheToolWindowFromWhichTwoVariablesDraggedOntoTheDetailBandBecomeSelectedLabels) {
    TSampleDatabase Db;
    TDesignerWindow Window;
    ASSERT_TRUE(Window.OpenFile(SourceFile("examples/orders.rep")));
    Window.show();
    Window.Refresh();
    QApplication::processEvents();
    TFormEditor& E = Window.Editor();
    auto* Report = Find<TVyrReport>(E.Root(), "OrdersReport");
    auto* Design = dynamic_cast<TVyrReportDesign*>(Report->RepDesign());
    ASSERT_NE(Design, nullptr);
    QWidget* FormView = Window.FormView();
    ClickAt(FormView, FormView->mapToGlobal(Center(E.FormRect(Design->AutoLabelButton()))));
    TPimDropLabels* Tool = Design->DropForm();
    ASSERT_NE(Tool, nullptr);
    QWidget* ToolWindow = Tool->Widget();
    EXPECT_TRUE(ToolWindow->isVisible());
    EXPECT_EQ(ToolWindow->windowTitle(), QStringLiteral("FAST Label Utility"));
    // Out of the way of the form, as a user would put it.
    ToolWindow->move(Window.geometry().right() + 20, 0);
    QApplication::processEvents();

    // A column of labels: the tool's button, pressed in its window.
    ClickAt(ToolWindow,
            ToolWindow->mapToGlobal(Center(QRect(Tool->sbVert->ClientToParent(QPoint(0, 0)),
                                                 QSize(Tool->sbVert->Width(), Tool->sbVert->Height())))));
    EXPECT_TRUE(Tool->sbVert->Down());
    TListBox* List = Tool->PimVariableList;
    QWidget* ListView = List->Widget();
    auto ItemAt = [&](const char* Name) {
        const TRect R = List->ItemRect(List->Items().IndexOf(QString::fromLatin1(Name)));
        return ListView->mapToGlobal(QPoint((R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2) +
                                     List->ClientOrigin());
    };
    ClickAt(ListView, ItemAt("StatusVar"));
    ClickAt(ListView, ItemAt("AmountVar"), Qt::ControlModifier);
    EXPECT_EQ(List->SelCount(), 2);

    // Dragged from the list onto the detail band's free room between its labels.
    TVyrBand* Detail = Report->Page()->Detail();
    const int Labels = int(Detail->Labels()->size());
    const QPoint Drop = FormView->mapToGlobal(E.FormRect(Detail).topLeft() + QPoint(485, 3));
    SendMouse(ListView, QEvent::MouseButtonPress, ItemAt("AmountVar"));
    SendMouse(ListView, QEvent::MouseMove, ItemAt("AmountVar") + QPoint(10, 10));
    SendMouse(ListView, QEvent::MouseMove, Drop);
    EXPECT_EQ(DragManager::Target(), Detail);
    SendMouse(ListView, QEvent::MouseButtonRelease, Drop);
    Window.Refresh();

    ASSERT_EQ(int(Detail->Labels()->size()), Labels + 2);
    QStringList Made;
    for (int i = 0; i < 2; ++i) {
        auto* Label = dynamic_cast<TVyrvarlabel*>(Tool->VarLabelList()[i]);
        ASSERT_NE(Label, nullptr);
        EXPECT_EQ(Label->Parent(), Detail);
        EXPECT_EQ(Label->Left(), 485);
        Made << Label->Variable()->Name();
    }
    EXPECT_EQ(Made, QStringList({"StatusVar", "AmountVar"}));
    EXPECT_EQ(E.Designer()->GetSelections().size(), 2u);
    EXPECT_TRUE(E.IsModified());
    EXPECT_GE(Detail->Height(), Tool->VarLabelList()[1]->Top() + Tool->VarLabelList()[1]->Height());
}

TEST(PimDesigner, ADoubleClickOpensAPropertysDropDownListEvenOnAnEmptyValueAndItsReleaseKeepsItOpen) {
    RegisterDesignerPalette();
    TDesignerWindow Window;
    ASSERT_TRUE(Window.OpenFile(SourceFile("examples/orders.rep")));
    Window.show();
    TComponent* Source = Window.Editor().AddComponent("TDataSource", QPoint(0, 0));
    Window.Refresh();
    QTreeWidget* List = Window.PropertyList();
    QTreeWidgetItem* Row = nullptr;
    for (int i = 0; i < List->topLevelItemCount(); ++i)
        if (List->topLevelItem(i)->text(0) == QStringLiteral("DataSet")) Row = List->topLevelItem(i);
    ASSERT_NE(Row, nullptr);
    ASSERT_EQ(Row->text(1), QString());
    const QPoint Pressed = List->viewport()->mapToGlobal(List->visualItemRect(Row).center());
    emit List->itemDoubleClicked(Row, 1);
    auto* Box = qobject_cast<QComboBox*>(List->itemWidget(Row, 1));
    ASSERT_NE(Box, nullptr);
    QWidget* Popup = Box->view()->parentWidget();
    ASSERT_TRUE(Popup->isVisible());
    // The double click's release comes at once, on the row, where the list does not lie.
    QMouseEvent Release(QEvent::MouseButtonRelease, QPointF(Popup->mapFromGlobal(Pressed)), QPointF(Pressed),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(Popup, &Release);
    QApplication::processEvents();
    EXPECT_TRUE(Popup->isVisible());
    const int Orders = Box->findText(QStringLiteral("Orders"));
    ASSERT_GE(Orders, 0);
    Box->setCurrentIndex(Orders);
    emit Box->activated(Orders);
    QApplication::processEvents();
    EXPECT_EQ(GetPropertyEditor(Window.Editor().Designer(), Source, "DataSet")->GetValue(),
              QStringLiteral("Orders"));
}

TEST(PimDesigner, AnInlineEditCommittedWithEnterIsTakenOnceAndClosesItsEditorWithoutAWarning) {
    static QStringList Warnings;
    Warnings.clear();
    const QtMessageHandler Previous =
        qInstallMessageHandler([](QtMsgType Type, const QMessageLogContext&, const QString& Text) {
            // The headless platform notes what it cannot do; that is no fault of the window.
            if (Type != QtDebugMsg && Type != QtInfoMsg && !Text.startsWith(QStringLiteral("This plugin")))
                Warnings << Text;
        });
    TDesignerWindow Window;
    ASSERT_TRUE(Window.OpenFile(SourceFile("examples/orders.rep")));
    Window.show();
    auto* Title = Find<TVyrTextLabel>(Window.Editor().Root(), "TitleLabel");
    Window.Editor().Designer()->SelectComponent(Title);
    Window.Refresh();
    QTreeWidget* List = Window.PropertyList();
    QTreeWidgetItem* Row = nullptr;
    for (int i = 0; i < List->topLevelItemCount(); ++i)
        if (List->topLevelItem(i)->text(0) == QStringLiteral("Caption")) Row = List->topLevelItem(i);
    ASSERT_NE(Row, nullptr);
    const int Changes = Window.Editor().Designer()->ModifiedCount();
    emit List->itemDoubleClicked(Row, 1);
    auto* Edit = List->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(Edit, nullptr);
    Edit->setText(QStringLiteral("Open orders"));
    QKeyEvent Enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(Edit, &Enter);
    QApplication::processEvents();
    QApplication::processEvents();
    qInstallMessageHandler(Previous);
    EXPECT_EQ(Warnings, QStringList());
    EXPECT_EQ(Title->Caption(), QStringLiteral("Open orders"));
    EXPECT_EQ(Window.Editor().Designer()->ModifiedCount(), Changes + 1);
}

// A run that cannot start says why in one box, the designer's, and opens no viewer.
TEST(PimDesigner, ARunThatCannotStartSaysWhyOnceAndOpensNoViewer) {
    TSampleDatabase Db;
    const struct {
        const char* What;
        std::function<void(TDesignerWindow&)> Spoil;
        QString Told;
    } Cases[] = {
        {"the data set deleted",
         [](TDesignerWindow& W) {
             W.Editor().Designer()->SelectComponent(
                 W.Editor().Root()->FindComponent(QStringLiteral("Orders")));
             for (QAction* A : W.findChildren<QAction*>())
                 if (A->text() == QStringLiteral("&Delete")) A->trigger();
         },
         QStringLiteral(
             "The DataSource OrdersSource of ReportPage has no DataSet.  Set its DataSet property to let "
             "the report know what database to skip thru.")},
        {"a query that does not read",
         [](TDesignerWindow& W) {
             Find<TSqlDataSet>(W.Editor().Root(), "Orders")->SetSQL(QStringLiteral("SELECT id FROM nosuch"));
         },
         QStringLiteral("Orders: no such table: nosuch.")}, // the box ends the sentence
    };
    for (const auto& Case : Cases) {
        SCOPED_TRACE(Case.What);
        TScriptedDialogs Dialogs;
        Dialogs.SetUnscriptedAnswer(mrOk);
        TDesignerWindow Window;
        ASSERT_TRUE(Window.OpenFile(SourceFile("examples/orders.rep")));
        Case.Spoil(Window);
        Application()->ProcessMessages();
        ASSERT_EQ(Find<TVyrReport>(Window.Editor().Root(), "OrdersReport")->Page()->DataSource(),
                  Window.Editor().Root()->FindComponent(QStringLiteral("OrdersSource")));
        for (QAction* A : Window.findChildren<QAction*>())
            if (A->text() == QStringLiteral("&Run")) A->trigger();
        QStringList Told;
        for (const TScriptedDialogs::TShown& Shown : Dialogs.Shown())
            Told << Shown.Text;
        EXPECT_EQ(Told, QStringList{Case.Told});
        for (int i = 0; i < Application()->ComponentCount(); ++i)
            EXPECT_EQ(dynamic_cast<TPimViewer*>(Application()->Components(i)), nullptr);
        EXPECT_FALSE(Window.Editor().Running());
    }
}

TEST(PimDesigner, WhileAReportOfTheFormRunsTheViewShowsTheFormAsDesigned) {
    TSampleDatabase Db;
    TFakePrinterList Printers{[] {
        std::vector<std::unique_ptr<TFakePrinter>> List;
        List.push_back(TFakePrinter::Office());
        return List;
    }()};
    TDesignerWindow Window;
    ASSERT_TRUE(Window.OpenFile(SourceFile("examples/orders.rep")));
    auto* Orders = Find<TSqlDataSet>(Window.Editor().Root(), "Orders");
    QString Sql = Orders->SQL();
    Orders->SetSQL(Sql.replace(QStringLiteral("ORDER BY"), QStringLiteral("WHERE c.id <= 2 ORDER BY")));
    Window.show();
    Window.Refresh();
    QApplication::processEvents();
    const QImage Designed = Window.FormView()->grab().toImage();
    // The view as last painted during the run: its labels would hold the run's values, its ruler
    // inches.
    QImage During;
    QTimer Timer;
    QObject::connect(&Timer, &QTimer::timeout, [&] {
        if (Window.Editor().Running()) During = Window.FormView()->grab().toImage();
    });
    Timer.start(0);
    std::shared_ptr<TPimPimFile> Document;
    CustomPreview = [&](TVyrPage* Page) { Document = Page->PrintTo()->PimFile(); };
    for (QAction* A : Window.findChildren<QAction*>())
        if (A->text() == QStringLiteral("&Run")) A->trigger();
    CustomPreview = nullptr;
    Timer.stop();
    ASSERT_NE(Document, nullptr);
    ASSERT_FALSE(During.isNull());
    EXPECT_TRUE(During == Designed);
    EXPECT_TRUE(Window.FormView()->grab().toImage() == Designed);
}

// Where Row's Column shows in the list's view.
QPoint RowPoint(QTreeWidget* List, QTreeWidgetItem* Row, int Column) {
    const QRect Cell = List->visualItemRect(Row);
    const int Left = Column == 0 ? Cell.left() : List->header()->sectionPosition(1);
    return QPoint(Left + 10, Cell.center().y());
}

// A double click on Row's value, as the user gives it.
void DoubleClickValue(QTreeWidget* List, QTreeWidgetItem* Row) {
    DoubleClickView(List->viewport(), RowPoint(List, Row, 1));
}

// Types Text into the value of Row, opened with a double click, and presses Enter.
void TypeValue(QTreeWidget* List, QTreeWidgetItem* Row, const QString& Text) {
    DoubleClickValue(List, Row);
    auto* Edit = List->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(Edit, nullptr);
    Edit->selectAll();
    PressKey(Edit, Qt::Key_Delete);
    if (!Text.isEmpty()) {
        QKeyEvent Typed(QEvent::KeyPress, 0, Qt::NoModifier, Text);
        QApplication::sendEvent(Edit, &Typed);
    }
    QKeyEvent Enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(Edit, &Enter);
    QApplication::processEvents();
    QApplication::processEvents();
}

TEST(PimDesigner, TheNameRowRenamesToAFreeIdentifierAndWhatTheFormStoresByNameFollows) {
    QTemporaryDir Dir;
    TScriptedDialogs Dialogs;
    Dialogs.SetUnscriptedAnswer(mrOk);
    TDesignerWindow Window;
    ASSERT_TRUE(Window.OpenFile(SourceFile("examples/orders.rep")));
    Window.show();
    TForm* Root = Window.Editor().Root();
    TVyrPage* Page = Find<TVyrReport>(Root, "OrdersReport")->Page();
    // A second data source that the page is to give no guide: the page keeps it by its name.
    TComponent* Spare = Window.Editor().AddComponent("TDataSource", QPoint(0, 0));
    ASSERT_EQ(Spare->Name(), QStringLiteral("DataSource"));
    Page->NoDsgList()->Add(Spare->Name());
    QTreeWidget* List = Window.PropertyList();
    struct {
        const char* Component;
        const char* Typed;
        const char* Told; // empty: taken
    } const Cases[] = {
        {"CustomerIdVar", "2x", "'2x' is not a valid component name."},
        {"CustomerIdVar", "", "'' is not a valid component name."},
        {"CustomerIdVar", "Customer Key", "'Customer Key' is not a valid component name."},
        {"CustomerIdVar", "statusvar", "A component named statusvar already exists."},
        {"CustomerIdVar", "ordersform", "A component named ordersform already exists."},
        {"OrdersForm", "OrdersReport", "A component named OrdersReport already exists."},
        {"CustomerIdVar", "CustomerKey", ""},
        {"OrdersSource", "OrderRows", ""},
        {"DataSource", "SpareSource", ""},
        {"CustomerLabel", "customerlabel", ""},
    };
    for (const auto& Case : Cases) {
        SCOPED_TRACE(Case.Typed);
        TComponent* C =
            QByteArray(Case.Component) == "OrdersForm" ? Root : Root->FindComponent(Case.Component);
        ASSERT_NE(C, nullptr);
        Window.Editor().Designer()->SelectComponent(C);
        Window.Refresh();
        QTreeWidgetItem* Row = List->topLevelItem(0);
        ASSERT_NE(Row, nullptr);
        EXPECT_EQ(Row->text(0), QStringLiteral("Name"));
        EXPECT_EQ(Row->text(1), C->Name());
        const size_t Shown = Dialogs.Shown().size();
        const bool Modified = Window.Editor().IsModified();
        TypeValue(List, Row, QString::fromLatin1(Case.Typed));
        const QString Told = QString::fromLatin1(Case.Told);
        const QString Now =
            Told.isEmpty() ? QString::fromLatin1(Case.Typed) : QString::fromLatin1(Case.Component);
        EXPECT_EQ(C->Name(), Now);
        if (C != Root) {
            EXPECT_EQ(Root->FindComponent(Now), C);
        }
        ASSERT_EQ(Dialogs.Shown().size(), Shown + (Told.isEmpty() ? 0 : 1));
        if (!Told.isEmpty()) {
            EXPECT_EQ(Dialogs.Last().Text, Told);
            EXPECT_EQ(Window.Editor().IsModified(), Modified);
        } else {
            EXPECT_TRUE(Window.Editor().IsModified());
        }
        ASSERT_NE(Window.FindPropertyItem({"Name"}), nullptr);
        EXPECT_EQ(Window.FindPropertyItem({"Name"})->text(1), Now);
    }
    // Several components selected are not given one name.
    Window.Editor().Designer()->SetSelections(
        {Root->FindComponent("OrderLabel"), Root->FindComponent("DateLabel")});
    Window.Refresh();
    EXPECT_EQ(Window.FindPropertyItem({"Name"}), nullptr);

    // The stored form writes the new names wherever it refers to the components.
    const QString File = Dir.filePath("renamed.rep");
    ASSERT_TRUE(Window.SaveFile(File));
    const QByteArray Saved = Bytes(File);
    for (const char* Gone : {"CustomerIdVar", "OrdersSource", "'DataSource'", "CustomerLabel"})
        EXPECT_FALSE(Saved.contains(Gone)) << Gone;
    for (const char* Line :
         {"object CustomerKey: TVyrDBVar\n", "        Variable = CustomerKey\n",
          "object OrderRows: TDataSource\n", "      DataSource = OrderRows\n",
          "object SpareSource: TDataSource\n", "'SpareSource'", "object customerlabel: TVyrvarlabel\n"})
        EXPECT_TRUE(Saved.contains(Line)) << Line;
    TFormEditor Reopened;
    Reopened.Open(File);
    auto* Group = Find<TVyrGroup>(Reopened.Root(), "CustomerGroup");
    ASSERT_NE(Group, nullptr);
    ASSERT_NE(Group->Variable(), nullptr);
    EXPECT_EQ(Group->Variable()->Name(), QStringLiteral("CustomerKey"));
}

TEST(PimDesigner, ThePropertyListKeepsItsOpenRowsItsCurrentRowAndItsScrollAcrossAChange) {
    TDesignerWindow Window;
    ASSERT_TRUE(Window.OpenFile(SourceFile("examples/orders.rep")));
    Window.resize(900, 800);
    Window.show();
    TFormEditor& E = Window.Editor();
    auto* Title = Find<TVyrTextLabel>(E.Root(), "TitleLabel");
    E.Designer()->SelectComponent(Title);
    Window.Refresh();
    QTreeWidget* List = Window.PropertyList();
    QApplication::processEvents();
    // The user opens the font and its style with a click and the right arrow, and scrolls down.
    for (const QStringList& Path : {QStringList{"Font"}, QStringList{"Font", "Style"}}) {
        QTreeWidgetItem* Row = Window.FindPropertyItem(Path);
        ASSERT_NE(Row, nullptr);
        List->scrollToItem(Row);
        ClickView(List->viewport(), RowPoint(List, Row, 0));
        QKeyEvent Right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
        QApplication::sendEvent(List, &Right);
        ASSERT_TRUE(Row->isExpanded());
    }
    QTreeWidgetItem* Size = Window.FindPropertyItem({"Font", "Height"});
    ASSERT_NE(Size, nullptr);
    QApplication::processEvents();
    List->scrollToItem(Size, QAbstractItemView::PositionAtTop);
    QWheelEvent Wheel(QPointF(20, 20), QPointF(List->viewport()->mapToGlobal(QPoint(20, 20))), QPoint(),
                      QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(List->viewport(), &Wheel);
    const int Scrolled = List->verticalScrollBar()->value();
    ASSERT_GT(Scrolled, 0);
    for (const QStringList& Path : {QStringList{"Font", "Height"}, QStringList{"Font", "Color"}})
        ASSERT_TRUE(List->viewport()->rect().contains(List->visualItemRect(Window.FindPropertyItem(Path))));
    ClickView(List->viewport(), RowPoint(List, Size, 0));
    ASSERT_EQ(List->currentItem(), Size);
    const int Top = List->indexAt(QPoint(5, 5)).row();

    auto* Caption = Find<TVyrTextLabel>(E.Root(), "OrderCaption");
    struct {
        const char* Change;
        std::function<void()> Make;
        std::function<bool()> Made;
    } const Changes[] = {
        {"a value typed in",
         [&] {
             TypeValue(List, Window.FindPropertyItem({"Font", "Height"}), "-16");
         },
         [&] { return Title->Font()->Height() == -16; }},
        {"a colour chosen from a list",
         [&] {
             QTreeWidgetItem* Colour = Window.FindPropertyItem({"Font", "Color"});
             DoubleClickValue(List, Colour);
             auto* Box =
                 qobject_cast<QComboBox*>(List->itemWidget(Window.FindPropertyItem({"Font", "Color"}), 1));
             ASSERT_NE(Box, nullptr);
             const int Red = Box->findText(QStringLiteral("clRed"));
             Box->setCurrentIndex(Red);
             emit Box->activated(Red);
             QApplication::processEvents();
             QApplication::processEvents();
             ClickView(List->viewport(), RowPoint(List, Window.FindPropertyItem({"Font", "Height"}), 0));
         },
         [&] { return Title->Font()->Color() == clRed; }},
        {"the label moved on the form by a key",
         [&] {
             QKeyEvent Key(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
             QApplication::sendEvent(Window.FormView(), &Key);
             QApplication::processEvents();
         },
         [&] { return Title->Left() == 1; }},
        {"another label of the class selected",
         [&] {
             E.Designer()->SelectComponent(Caption);
             QApplication::processEvents();
         },
         [&] { return E.Designer()->IsSelected(Caption); }},
    };
    for (const auto& Change : Changes) {
        SCOPED_TRACE(Change.Change);
        Change.Make();
        EXPECT_TRUE(Change.Made());
        ASSERT_NE(Window.FindPropertyItem({"Font", "Style"}), nullptr);
        EXPECT_TRUE(Window.FindPropertyItem({"Font"})->isExpanded());
        EXPECT_TRUE(Window.FindPropertyItem({"Font", "Style"})->isExpanded());
        EXPECT_EQ(List->currentItem(), Window.FindPropertyItem({"Font", "Height"}));
        EXPECT_EQ(List->verticalScrollBar()->value(), Scrolled);
        EXPECT_EQ(List->indexAt(QPoint(5, 5)).row(), Top);
    }
}

TEST(PimDesigner, ADropDownListOfNamesIsAsWideAsItsLongestName) {
    TDesignerWindow Window;
    ASSERT_TRUE(Window.OpenFile(SourceFile("examples/orders.rep")));
    Window.show();
    TFormEditor& E = Window.Editor();
    TVyrPage* Page = Find<TVyrReport>(E.Root(), "OrdersReport")->Page();
    // Two variables whose names differ only in their middle.
    for (const char* Name : {"sqldataset1CustomerCompanyVar", "sqldataset1CustomerCountryVar"}) {
        auto* Var = new TVyrExprVar(E.Root());
        Var->SetName(QString::fromLatin1(Name));
        Var->SetParent(Page);
    }
    struct {
        const char* Component;
        const char* Property;
    } const Lists[] = {{"CustomerGroup", "Variable"},
                       {"OrderLabel", "Variable"},
                       {"GrandTotalLabel", "Level"},
                       {"ReportPage", "DataSource"}};
    for (const auto& Case : Lists) {
        SCOPED_TRACE(Case.Component);
        E.Designer()->SelectComponent(E.Root()->FindComponent(Case.Component));
        Window.Refresh();
        QTreeWidget* List = Window.PropertyList();
        QTreeWidgetItem* Row = Window.FindPropertyItem({Case.Property});
        ASSERT_NE(Row, nullptr);
        List->scrollToItem(Row);
        DoubleClickValue(List, Row);
        QApplication::processEvents();
        Row = Window.FindPropertyItem({Case.Property});
        auto* Box = qobject_cast<QComboBox*>(List->itemWidget(Row, 1));
        ASSERT_NE(Box, nullptr);
        QAbstractItemView* View = Box->view();
        ASSERT_TRUE(View->isVisible());
        ASSERT_GT(Box->count(), 0);
        // Every name fits the list's width whole, none shortened in the middle.
        for (int i = 0; i < Box->count(); ++i) {
            const QModelIndex Index = View->model()->index(i, Box->modelColumn());
            EXPECT_LE(View->sizeHintForIndex(Index).width(), View->viewport()->width())
                << Box->itemText(i).toStdString();
        }
        Box->hidePopup();
    }
}

TEST(PimDesigner, ClosingDuringARunSaysWhyAndPrintingFromTheRunQuestionSaysWhereTheOutputWent) {
    QTemporaryDir Dir;
    TSampleDatabase Db;
    TDesignerWindow Window;
    ASSERT_TRUE(Window.OpenFile(SourceFile("examples/orders.rep")));
    TFormEditor& E = Window.Editor();
    auto* Report = Find<TVyrReport>(E.Root(), "OrdersReport");
    auto* Design = dynamic_cast<TVyrReportDesign*>(Report->RepDesign());
    ASSERT_NE(Design, nullptr);
    auto* Orders = Find<TSqlDataSet>(E.Root(), "Orders");
    QString Sql = Orders->SQL();
    Orders->SetSQL(Sql.replace(QStringLiteral("ORDER BY"), QStringLiteral("WHERE c.id <= 2 ORDER BY")));
    Report->SetPrompt(true);
    QLabel* Status = nullptr;
    for (QLabel* L : Window.statusBar()->findChildren<QLabel*>())
        Status = L;
    ASSERT_NE(Status, nullptr);
    const QString Pdf = Dir.filePath("orders.pdf");
    TPrinterBackends Machine;
    Machine.push_back(TFakePrinter::Office());
    Machine.push_back(std::make_unique<TPdfFilePrinter>());
    static_cast<TPdfFilePrinter*>(Machine.back().get())->SetFileName(Pdf);
    Printer().SetPrinters(std::move(Machine), 0);
    struct {
        const char* Printer;
        bool CloseMeanwhile;
        const char* Said;
    } const Runs[] = {
        {"Office Laser", true, "The report was printed on Office Laser"},
        {"PDF file", false, "The report was printed into the file %1"},
    };
    for (const auto& Run : Runs) {
        SCOPED_TRACE(Run.Printer);
        TScriptedDialogs Dialogs;
        Printer().SetPrinterIndex(Printer().Printers().indexOf(QString::fromLatin1(Run.Printer)));
        ASSERT_GE(Printer().PrinterIndex(), 0);
        Dialogs.AnswerForm([](TCustomForm* Form) {
            auto* Dest = dynamic_cast<TVyrReportDestination*>(Form);
            Dest->goPrinter()->click();
            Dest->btnPrint()->click();
            return mrNone;
        });
        bool Closed = true;
        if (Run.CloseMeanwhile) {
            Dialogs.Answer(mrOk);
            QTimer::singleShot(0, &Window, [&] { Closed = Window.close(); });
        }
        // Released over the Run tool, the right button asks where the report goes.
        ClickView(Window.FormView(), Center(E.FormRect(Design->RunButton())), Qt::RightButton);
        EXPECT_FALSE(Report->Printing());
        EXPECT_EQ(Dialogs.Pending(), 0);
        if (Run.CloseMeanwhile) {
            EXPECT_FALSE(Closed);
            ASSERT_EQ(Dialogs.MessageCount(), 1);
            EXPECT_EQ(Dialogs.Last().Text,
                      QStringLiteral("A report of the form is running: close the designer again "
                                     "once the run is done"));
        }
        const QString Said = QString::fromLatin1(Run.Said);
        EXPECT_EQ(Status->text(), Said.contains(u'%') ? Said.arg(QDir::toNativeSeparators(Pdf)) : Said);
    }
    EXPECT_TRUE(QFileInfo::exists(Pdf));
    Printer().Refresh();
}

TEST(PimDesigner, APasteRenamesOnlyThePastedComponentsAndTheReferencesToThem) {
    struct {
        const char* Copied; // renamed first to Name
        const char* Name;
        const char* AlsoCopied; // copied with it
        const char* Pasted;
        const char* Variable; // the pasted label's
    } const Cases[] = {
        {"CustomerLabel", "False", "", "False1", "CustomerVar"},
        {"CustomerLabel", "clWindowText", "", "clWindowText1", "CustomerVar"},
        {"OrderLabel", "laRight", "", "laRight1", "IdVar"},
        {"CustomerLabel", "True", "", "True1", "CustomerVar"},
        {"CustomerLabel", "CustomerLabel", "CustomerVar", "CustomerLabel1", "CustomerVar1"},
    };
    for (const auto& Case : Cases) {
        SCOPED_TRACE(Case.Name);
        TOrdersDesign D;
        TDesignerHost& Host = *D.Editor.Designer();
        auto* Label = Find<TVyrvarlabel>(D.Root, Case.Copied);
        ASSERT_NE(Label, nullptr);
        Label->SetName(QString::fromLatin1(Case.Name));
        const QStringList Before = QStringList{D.Editor.Root()->FindComponent("TitleLabel")->Name()};
        std::vector<TComponent*> Copied{Label};
        if (*Case.AlsoCopied) Copied.push_back(D.Root->FindComponent(Case.AlsoCopied));
        Host.SetSelections(Copied);
        D.Editor.CopySelection();
        DeliverPostedMessages();
        Host.SelectComponent(D.Page->Detail());
        TToldErrors Told;
        const std::vector<TComponent*> Pasted = D.Editor.Paste();
        EXPECT_TRUE(Told.Messages.isEmpty()) << Told.Messages.join(u' ').toStdString();
        ASSERT_EQ(Pasted.size(), Copied.size());
        auto* Copy = dynamic_cast<TVyrvarlabel*>(Pasted[0]);
        ASSERT_NE(Copy, nullptr);
        EXPECT_EQ(Copy->Name(), QString::fromLatin1(Case.Pasted));
        EXPECT_EQ(Label->Name(), QString::fromLatin1(Case.Name));
        ASSERT_NE(Copy->Variable(), nullptr);
        EXPECT_EQ(Copy->Variable()->Name(), QString::fromLatin1(Case.Variable));
        // Whatever the copied label held comes with it as it was.
        EXPECT_EQ(Copy->Font()->Color(), Label->Font()->Color());
        EXPECT_EQ(Copy->Font()->Style(), Label->Font()->Style());
        EXPECT_EQ(Copy->ParentFont(), Label->ParentFont());
        EXPECT_EQ(Copy->AlignHorizontal(), Label->AlignHorizontal());
        EXPECT_EQ(Copy->DataFormat()->SuppressNulls(), Label->DataFormat()->SuppressNulls());
        EXPECT_EQ(Host.GetSelections(), Pasted);
    }
}

} // namespace
