#include "host/exceptions.h"
#include "host/forms.h"
#include "host/lists.h"
#include "host/printers.h"
#include "host/resstrings.h"
#include "host/streams.h"
#include "output/PimFile.h"
#include "output/PimOut.h"
#include "output/PimPSet.h"
#include "output/PimSetup.h"
#include "output/PimStr.h"
#include "output/PimXport.h"
#include "support/fakeprinter.h"
#include "support/scripteddialogs.h"
#include "viewer/PimDest.h"
#include "viewer/PimGoto.h"
#include "viewer/PimMeter.h"
#include "viewer/PimPStat.h"
#include "viewer/PimPrev.h"
#include "viewer/PimView.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QIcon>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QProcess>
#include <QStyle>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

static void PrintTo(const QString& S, std::ostream* Out) {
    *Out << '"' << S.toStdString() << '"';
}

namespace {

std::vector<std::unique_ptr<TFakePrinter>> OfficeOnly() {
    std::vector<std::unique_ptr<TFakePrinter>> List;
    List.push_back(TFakePrinter::Office());
    return List;
}

// A finished document of Pages pages, each with its number written on it.
std::shared_ptr<TPimPimFile> MakeDocument(int Pages) {
    auto D = std::make_shared<TPimPimFile>();
    D->BeginDoc();
    for (int P = 1; P <= Pages; ++P) {
        if (P > 1) D->NewPage();
        D->Textout(100, 100, QStringLiteral("Page %1").arg(P));
    }
    D->EndDoc();
    D->SetPercentDone(100);
    return D;
}

QByteArray BytesOf(TStream& S) {
    QByteArray B(int(S.Size()), '\0');
    S.SetPosition(0);
    S.ReadBuffer(B.data(), B.size());
    return B;
}

QStringList TempPimFiles() {
    return QDir(QDir::tempPath()).entryList({QStringLiteral("Pim*")}, QDir::Files);
}

class Viewer : public ::testing::Test {
protected:
    void SetUp() override {
        ResetApplication();
        Screen()->SetPixelsPerInch(96);
        PimClearPrinterInfoCache();
        PimResetViewerGlobals();
        PimInstallViewerFactory();
    }
    void TearDown() override {
        ResetApplication();
        PimClearPrinterInfoCache();
    }

    // A viewer owned by the application, shown at a known size, holding Document in its left preview.
    TPimViewer* Open(std::shared_ptr<TPimPimFile> Document) {
        auto* V = new TPimViewer(Application());
        V->Widget()->resize(700, 600);
        V->Show();
        Pump();
        if (Document) {
            V->LeftPreview()->LoadFromPimFile(std::move(Document));
            V->UpdatePage();
        }
        return V;
    }
    static void Pump() { Application()->ProcessMessages(); }
    template <class T = QWidget> static T* Find(TPimViewer* V, const char* Name) {
        T* W = V->Widget()->findChild<T*>(QString::fromLatin1(Name));
        EXPECT_NE(W, nullptr) << Name;
        return W;
    }
    static void Key(TPimViewer* V, int K, Qt::KeyboardModifiers M = Qt::NoModifier) {
        QKeyEvent E(QEvent::KeyPress, K, M);
        QCoreApplication::sendEvent(V->Widget(), &E);
    }
    static void Mouse(QWidget* W, QEvent::Type Type, int X, Qt::MouseButton Button = Qt::LeftButton) {
        QMouseEvent E(Type, QPointF(X, 2), W->mapToGlobal(QPointF(X, 2)), Button,
                      Type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Button),
                      Qt::NoModifier);
        QCoreApplication::sendEvent(W, &E);
    }
    static QString PageText(TPimViewer* V) { return Find<QLabel>(V, "PageNum")->text(); }

    TFakePrinterList Printers{OfficeOnly()};
};

TEST(ViewerFactory, IsInstalledWhenTheLibraryLoads) {
    // Nothing in this program replaces it, so it stands as the library left it.
    EXPECT_TRUE(PimViewerFactory());
}

TEST_F(Viewer, IsMadeWithItsControlsTextsAndFactory) {
    TPimViewer* V = Open(nullptr);
    EXPECT_EQ(V->Caption(), QStringLiteral("Pim Viewer"));
    EXPECT_EQ(V->Widget()->windowTitle(), QStringLiteral("Pim Viewer"));
    for (const char* Name : {"ToolBar", "btnOpen", "btnSave", "sendprinter", "btnClose", "ZoomValues",
                             "firstpage", "PreviousPage", "PageNum", "NextPage", "LastPage", "LoadMeter",
                             "Stop", "LeftPreview", "RightPreview", "Divider", "CursorPosition", "MainMenu1"})
        Find(V, Name);
    EXPECT_EQ(Find<QToolButton>(V, "sendprinter")->toolTip(),
              QStringLiteral("Send To Printer, Right-Click to skip prompt"));
    EXPECT_EQ(Find<QToolButton>(V, "btnClose")->text(), QStringLiteral("&Close"));
    EXPECT_EQ(Find<QAction>(V, "GotoPage1")->text(), QStringLiteral("Jump To Page"));
    EXPECT_EQ(Find<QAction>(V, "TwoPages")->text(), QStringLiteral("Two Pa&ge"));
    EXPECT_FALSE(Find(V, "Stop")->isEnabled());
    EXPECT_FALSE(Find(V, "RightPreview")->isVisible());
    EXPECT_TRUE(Find(V, "LeftPreview")->isVisible());
    EXPECT_TRUE(Find(V, "LoadMeter")->isVisible());
    EXPECT_EQ(Find(V, "LoadMeter")->geometry(), QRect(472, 6, 97, 25));
    EXPECT_EQ(Find<QComboBox>(V, "ZoomValues")->itemText(azPage), QStringLiteral("Whole Page"));
    {
        TScriptedDialogs Script;
        Script.Answer(mrOk);
        Find<QAction>(V, "KeyboardHelp1")->trigger();
        const QString Help = Script.Last().Text;
        EXPECT_TRUE(
            Help.startsWith(QStringLiteral("Keyboard Navigation in the PIM Previewer\n\nUP - scroll current "
                                           "page up one line\nCTRL-UP - scroll")));
        EXPECT_TRUE(Help.endsWith(QStringLiteral("\nEND - move screen to right edge of page\n")));
        EXPECT_EQ(Help.count(u'\n'), 16);
    }

    // A job to the screen gets a viewer through the factory the library installed.
    TPimOutput O;
    O.SetDestination(adPreview);
    O.BeginDoc();
    EXPECT_NE(dynamic_cast<TPimViewer*>(O.PimViewer()), nullptr);
    O.EndDoc();
}

TEST_F(Viewer, ToolbarButtonsShowTheDesktopThemesIconsElseQtsOwnAndKeepTheirHints) {
    // A desktop theme that has the open icon under its name and the next-page icon only as a symbol.
    QTemporaryDir Themes;
    const QDir Theme(Themes.filePath(QStringLiteral("PimTest")));
    ASSERT_TRUE(Theme.mkpath(QStringLiteral("16x16/actions")));
    QFile Index(Theme.filePath(QStringLiteral("index.theme")));
    ASSERT_TRUE(Index.open(QIODevice::WriteOnly));
    Index.write("[Icon Theme]\nDirectories=16x16/actions\n[16x16/actions]\nSize=16\nType=Fixed\n");
    Index.close();
    QImage Red(16, 16, QImage::Format_ARGB32);
    Red.fill(Qt::red);
    for (const char* Name : {"document-open", "go-next-symbolic"})
        ASSERT_TRUE(
            Red.save(Theme.filePath(QStringLiteral("16x16/actions/%1.png").arg(QLatin1String(Name)))));
    // Theme icons follow the theme, so the test's theme stays until the test ends.
    struct TThemeScope {
        QStringList Paths = QIcon::themeSearchPaths();
        QString Name = QIcon::themeName();
        ~TThemeScope() {
            QIcon::setThemeName(Name);
            QIcon::setThemeSearchPaths(Paths);
        }
    } Scope;
    QIcon::setThemeSearchPaths({Themes.path()});
    QIcon::setThemeName(QStringLiteral("PimTest"));
    TPimViewer* V = Open(nullptr);

    const auto Icon = [V](const char* Name) { return Find<QToolButton>(V, Name)->icon(); };
    EXPECT_EQ(Icon("btnOpen").name(), QStringLiteral("document-open"));
    EXPECT_EQ(Icon("btnOpen").pixmap(16).toImage().pixel(8, 8), qRgb(255, 0, 0));
    EXPECT_EQ(Icon("NextPage").name(), QStringLiteral("go-next-symbolic"));
    // What the theme lacks comes from the style.
    EXPECT_EQ(Icon("LastPage").pixmap(16).toImage(),
              V->Widget()->style()->standardIcon(QStyle::SP_MediaSkipForward).pixmap(16).toImage());
    for (const char* Name :
         {"btnOpen", "btnSave", "sendprinter", "firstpage", "PreviousPage", "NextPage", "LastPage", "Stop"}) {
        SCOPED_TRACE(Name);
        EXPECT_FALSE(Icon(Name).isNull());
        EXPECT_EQ(Find<QToolButton>(V, Name)->text(), QString()); // no letter in place of the picture
    }
    EXPECT_EQ(Find<QToolButton>(V, "btnOpen")->toolTip(), QStringLiteral("Open Report"));
    EXPECT_EQ(Find<QToolButton>(V, "Stop")->toolTip(), QStringLiteral("Abort Report"));
}

TEST_F(Viewer, KeysPageAndScrollTheCurrentPreview) {
    TPimViewer* V = Open(MakeDocument(12));
    TPimPreview* P = V->LeftPreview();
    Key(V, Qt::Key_PageDown);
    Key(V, Qt::Key_PageDown);
    EXPECT_EQ(PageText(V), QStringLiteral("Page: 3/12"));
    Key(V, Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(P->Page(), 12);
    Key(V, Qt::Key_PageUp);
    EXPECT_EQ(P->Page(), 11);
    Key(V, Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(PageText(V), QStringLiteral("Page: 1/12"));

    // Wider than the old fixed end position of 2000 plus the window.
    P->SetZoom(400);
    const int Height = P->ClientHeight();
    const int Width = P->ClientWidth();
    ASSERT_GT(Width, 100);
    Key(V, Qt::Key_Down);
    EXPECT_EQ(P->VertScrollBar().Position, 24);
    Key(V, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(P->VertScrollBar().Position, 24 + Height);
    Key(V, Qt::Key_Up);
    EXPECT_EQ(P->VertScrollBar().Position, Height);
    Key(V, Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(P->VertScrollBar().Position, 0);
    Key(V, Qt::Key_Right);
    Key(V, Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(P->HorzScrollBar().Position, 24 + Width);
    Key(V, Qt::Key_Left);
    EXPECT_EQ(P->HorzScrollBar().Position, Width);
    Key(V, Qt::Key_End);
    const int RightEdge = P->HorzScrollBar().Range - Width;
    EXPECT_GT(RightEdge, 2000);
    EXPECT_EQ(P->HorzScrollBar().Position, RightEdge);
    Key(V, Qt::Key_Home, Qt::ShiftModifier);
    Key(V, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(P->HorzScrollBar().Position, RightEdge);
    Key(V, Qt::Key_Home);
    EXPECT_EQ(P->HorzScrollBar().Position, 0);
}

TEST_F(Viewer, MenusShareOneDocumentBetweenTwoSynchronizedPages) {
    std::weak_ptr<TPimPimFile> Watch;
    {
        auto Doc = MakeDocument(12);
        Watch = Doc;
        TPimViewer* V = Open(std::move(Doc));
        Find<QAction>(V, "TwoPages")->trigger();
        Pump();
        EXPECT_TRUE(Find(V, "RightPreview")->isVisible());
        EXPECT_EQ(V->RightPreview()->PimFile(), V->LeftPreview()->PimFile());
        EXPECT_EQ(V->RightPreview()->Width(), 350); // half the window

        // Synchronized: the zoom list and scrolling reach both pages.
        Find<QAction>(V, "Synchronized")->trigger();
        auto* Zoom = Find<QComboBox>(V, "ZoomValues");
        Zoom->setCurrentIndex(az50);
        emit Zoom->activated(az50);
        EXPECT_EQ(V->LeftPreview()->Zoom(), 50);
        EXPECT_EQ(V->RightPreview()->Zoom(), 50);
        V->LeftPreview()->SetZoom(200);
        V->RightPreview()->SetZoom(200);
        Key(V, Qt::Key_Down);
        Key(V, Qt::Key_Right);
        EXPECT_EQ(V->RightPreview()->VertScrollBar().Position, 24);
        EXPECT_EQ(V->RightPreview()->HorzScrollBar().Position, 24);

        // A double click on the toolbar toggles between the whole page and 100 %.
        Mouse(Find(V, "ToolBar"), QEvent::MouseButtonDblClick, 700);
        EXPECT_EQ(Zoom->currentIndex(), azPage);
        EXPECT_EQ(V->RightPreview()->PimZoom(), azPage);
        Mouse(Find(V, "ToolBar"), QEvent::MouseButtonDblClick, 700);
        EXPECT_EQ(V->LeftPreview()->Zoom(), 100);

        // Go to page: 0 is the first page, 99 the last, an empty entry goes nowhere.
        TScriptedDialogs Script;
        auto Enter = [&](const QString& Text) {
            Script.AnswerForm([Text](TCustomForm* Form) {
                EXPECT_EQ(Form->Caption(), QStringLiteral("Page Movement"));
                static_cast<TPimGotoPage*>(Form)->PageNum()->setText(Text);
                return mrOk;
            });
        };
        Enter(QStringLiteral("99"));
        Find<QAction>(V, "GotoPage1")->trigger();
        EXPECT_EQ(V->LeftPreview()->Page(), 12);
        Enter(QStringLiteral("0"));
        Mouse(Find(V, "PageNum"), QEvent::MouseButtonDblClick, 5);
        EXPECT_EQ(V->LeftPreview()->Page(), 1);
        Find<QAction>(V, "Next1")->trigger();
        Enter(QString());
        Find<QAction>(V, "GotoPage1")->trigger();
        EXPECT_EQ(PageText(V), QStringLiteral("Page: 2/12"));

        // The divider dragged too far left stops 20 pixels from the edge.
        QWidget* Divider = Find(V, "Divider");
        QWidget* Area = Find(V, "PreviewArea");
        Mouse(Divider, QEvent::MouseButtonPress, 1);
        Mouse(Divider, QEvent::MouseMove, 5 - Divider->x());
        EXPECT_EQ(Find(V, "CursorPosition")->x(), 20);
        Mouse(Divider, QEvent::MouseButtonRelease, 5 - Divider->x());
        EXPECT_EQ(V->RightPreview()->Width(), Area->width() - 20);
        EXPECT_FALSE(Find(V, "CursorPosition")->isVisible());

        // Closing the two-page view while the right page is current makes the left one current.
        V->SelectPreview(V->RightPreview());
        Find<QAction>(V, "TwoPages")->trigger();
        EXPECT_EQ(V->CurrentPreview(), V->LeftPreview());
        EXPECT_FALSE(Find(V, "RightPreview")->isVisible());
        delete V;
    }
    EXPECT_TRUE(Watch.expired());
}

// An export filter that keeps what it was handed, and can fail.
class TKeepingFilter : public TPimExportFilter {
public:
    TKeepingFilter(const QString& Name, const QString& Extension) : TPimExportFilter(nullptr) {
        SetDisplayName(Name);
        SetFileExtension(Extension);
    }
    void GenerateToFile(TStream* PimFileStream, const QString& FileName, int CurrentPage) override {
        ++Calls;
        Bytes = BytesOf(*PimFileStream);
        Name = FileName;
        Page = CurrentPage;
        auto* File = dynamic_cast<TFileStream*>(PimFileStream);
        StreamFile = File ? File->FileName() : QString();
        if (Fail) throw Exception(QStringLiteral("The filter failed"));
    }
    int Calls = 0;
    QByteArray Bytes;
    QString Name;
    int Page = 0;
    QString StreamFile;
    bool Fail = false;
};

TEST_F(Viewer, SavesAndExportsThroughTheRegisteredFilters) {
    EXPECT_EQ(PimBuildExportFilter(), QStringLiteral("Pim File (*.pim)|*.pim"));
    TKeepingFilter Text(QStringLiteral("Text File"), QStringLiteral("*.txt"));
    RegisterPimFilter(&Text);
    EXPECT_EQ(PimBuildExportFilter(), QStringLiteral("Pim File (*.pim)|*.pim|Text File|*.txt"));
    TKeepingFilter Html(QStringLiteral("Web Page"), QStringLiteral("*.htm;*.html"));
    RegisterPimFilter(&Html);
    EXPECT_EQ(PimBuildExportFilter(),
              QStringLiteral("Pim File (*.pim)|*.pim|Text File|*.txt|Web Page|*.htm;*.html"));

    auto Doc = MakeDocument(3);
    TMemoryStream Saved;
    Doc->SaveToStream(Saved);
    TPimViewer* V = Open(Doc);
    V->LeftPreview()->SetPage(2);
    TScriptedDialogs Script;
    // The user switches to the web page type, which renames the file, and saves.
    Script.AnswerFile(QString(), 3);
    Find<QAction>(V, "Save1")->trigger();
    EXPECT_EQ(Script.Last().Renamed, QStringLiteral("PimFile.htm"));
    EXPECT_EQ(Html.Calls, 1);
    EXPECT_EQ(Html.Name, QStringLiteral("PimFile.htm"));
    EXPECT_EQ(Html.Page, 2);
    EXPECT_EQ(Html.Bytes, BytesOf(Saved));
    EXPECT_TRUE(Html.StreamFile.isEmpty()); // in memory
    EXPECT_EQ(Text.Calls, 0);

    // A document spilled to disk goes through a temporary file, removed also when the filter fails.
    const int Limit = PimMaximumMemoryUsage;
    PimMaximumMemoryUsage = 64;
    auto Spilled = MakeDocument(3);
    PimMaximumMemoryUsage = Limit;
    ASSERT_TRUE(Spilled->Stream()->HasFileStream());
    TMemoryStream SpilledBytes;
    Spilled->SaveToStream(SpilledBytes);
    V->LeftPreview()->LoadFromPimFile(Spilled);
    Text.Fail = true;
    const QStringList TempBefore = TempPimFiles();
    Script.AnswerFile(QStringLiteral("/tmp/out.txt"), 2);
    EXPECT_THROW(V->SaveClick(), Exception);
    EXPECT_EQ(Text.Calls, 1);
    EXPECT_EQ(Text.Bytes, BytesOf(SpilledBytes));
    EXPECT_TRUE(QFileInfo(Text.StreamFile).fileName().startsWith(QStringLiteral("Pim")));
    EXPECT_FALSE(QFile::exists(Text.StreamFile));
    EXPECT_EQ(TempPimFiles(), TempBefore);

    UnRegisterPimFilter(&Html);
    UnRegisterPimFilter(&Text);
}

TEST_F(Viewer, ATypeChangeGivesTheNameTheTypesExtension) {
    struct {
        const char* Name;
        const char* Pattern;
        const char* Result;
    } const Table[] = {
        {"/a/report.pim", "*.txt", "/a/report.txt"},
        {"/a/report.txt", "*.txt", "/a/report.txt"},
        {"/a/report.HTML", "*.htm;*.html", "/a/report.HTML"},
        {"/a/report.pim", "*.htm;*.html", "/a/report.htm"},
        {"/a.b/report", "*.txt;", "/a.b/report.txt"},
        {"/a/report.pim", "txt", "/a/report.pim"},
        {"/a/report.pim", "*", "/a/report.pim"},
        {"/a/report.pim", "*.*", "/a/report.pim"},
        {"/a/report.pim", "", "/a/report.pim"},
    };
    for (const auto& Row : Table)
        EXPECT_EQ(PimChangeFileType(QString::fromLatin1(Row.Name), QString::fromLatin1(Row.Pattern)),
                  QString::fromLatin1(Row.Result))
            << Row.Name << " " << Row.Pattern;
    EXPECT_EQ(PimTypeChangeFileName(QStringLiteral("/a/report.txt"), 1), QStringLiteral("/a/report.pim"));
}

TEST_F(Viewer, AModalViewerIsFreedOnlyByWhoeverShowedIt) {
    SetUnattendedDialogs(true);
    auto V = std::make_unique<TPimViewer>(nullptr);
    V->LeftPreview()->LoadFromPimFile(MakeDocument(1));
    QTimer::singleShot(0, [&] { V->Widget()->close(); });
    EXPECT_EQ(V->ShowModal(), mrCancel);
    SetUnattendedDialogs(false);
    Pump(); // nothing may be left that frees it a second time
    EXPECT_FALSE(V->Visible());
}

TEST_F(Viewer, AJobToTheScreenShowsItsPagesAsTheyAreRecorded) {
    TScriptedDialogs Script; // Open must not even ask for a file
    std::weak_ptr<TPimPimFile> Watch;
    {
        TPimOutput O;
        O.SetDestination(adPreview);
        O.BeginDoc();
        auto* V = dynamic_cast<TPimViewer*>(O.PimViewer());
        ASSERT_NE(V, nullptr);
        EXPECT_TRUE(V->Visible());
        EXPECT_FALSE(Find(V, "btnOpen")->isEnabled());
        EXPECT_FALSE(Find(V, "btnSave")->isEnabled());
        EXPECT_FALSE(Find<QAction>(V, "File1")->isEnabled());
        EXPECT_TRUE(Find(V, "Stop")->isEnabled());
        V->OpenClick(); // nothing may replace the document being recorded: no dialog, no change
        EXPECT_EQ(V->LeftPreview()->PimFile(), O.PimFile());
        O.NewPage();
        O.NewPage();
        EXPECT_EQ(PageText(V), QStringLiteral("Page: 1/3"));
        int Aborts = 0;
        V->OnAbort = [&](TComponent* Sender) {
            EXPECT_EQ(Sender, V);
            ++Aborts;
        };
        Find<QToolButton>(V, "Stop")->click();
        Find<QToolButton>(V, "Stop")->click();
        EXPECT_EQ(Aborts, 1);
        EXPECT_FALSE(Find(V, "Stop")->isEnabled());
        EXPECT_TRUE(Find(V, "btnOpen")->isEnabled());
        O.EndDoc();
        EXPECT_EQ(V->LoadMeter()->Progress(), 100);
        EXPECT_EQ(PageText(V), QStringLiteral("Page: 1/3"));

        // Closing the window in the middle of the next job stops it and frees the window.
        O.BeginDoc();
        auto* V2 = dynamic_cast<TPimViewer*>(O.PimViewer());
        ASSERT_NE(V2, nullptr);
        Watch = O.PimFile();
        int Aborts2 = 0;
        V2->OnAbort = [&](TComponent*) { ++Aborts2; };
        V2->Close();
        EXPECT_EQ(Aborts2, 1);
        Pump(); // the window frees itself
        EXPECT_EQ(O.PimViewer(), nullptr);
        O.NewPage();
        O.EndDoc();
        EXPECT_EQ(O.PimFile()->PageCount(), 2);
    }
    EXPECT_TRUE(Watch.expired());
}

TEST_F(Viewer, GenerationEndsWhenTheRecordedDocumentIsComplete) {
    TPimViewer* V = Open(nullptr);
    auto Recording = std::make_shared<TPimPimFile>();
    Recording->BeginDoc();
    V->SetPimFile(Recording);
    EXPECT_TRUE(V->Generating());
    // Record 3,991 of 4,000: the meter rounds to 100, but the last records still go in.
    Recording->NewPage();
    Recording->SetPercentDone(3991 * 100.0 / 4000);
    V->UpdatePage();
    EXPECT_EQ(V->LoadMeter()->Progress(), 100);
    EXPECT_TRUE(V->Generating());
    EXPECT_TRUE(Find(V, "Stop")->isEnabled());
    EXPECT_FALSE(Find(V, "btnSave")->isEnabled());
    // The other page shows a finished document and is current: the job is not over for that.
    Find<QAction>(V, "TwoPages")->trigger();
    V->RightPreview()->LoadFromPimFile(MakeDocument(2));
    V->SelectPreview(V->RightPreview());
    EXPECT_TRUE(V->Generating());
    Recording->EndDoc();
    Recording->SetPercentDone(100);
    V->UpdatePage();
    EXPECT_FALSE(V->Generating());
}

// A printer that runs a routine before each page after the first, as a user acting between pages.
class TActingPrinter : public TFakePrinter {
public:
    using TFakePrinter::TFakePrinter;
    void NewPage(const TDeviceMode& Mode, const TDeviceCaps& Caps) override {
        TFakePrinter::NewPage(Mode, Caps);
        if (BeforePage) BeforePage(int(Jobs.back().Pages.size()));
    }
    std::function<void(int PagesSoFar)> BeforePage;
};

class ViewerPrinting : public Viewer {
protected:
    void SetUp() override {
        std::vector<std::unique_ptr<TFakePrinter>> List;
        List.push_back(std::make_unique<TActingPrinter>(QStringLiteral("Acting")));
        List[0]->Caps = TFakePrinter::Office()->Caps;
        List[0]->Defaults = TFakePrinter::Office()->Defaults;
        Fake = std::make_unique<TFakePrinterList>(std::move(List));
        Acting = static_cast<TActingPrinter*>((*Fake)[0]);
        Viewer::SetUp();
    }
    void TearDown() override {
        Viewer::TearDown();
        Fake.reset();
    }
    static TPimPreviewStatus* StatusWindow() {
        for (int I = 0; I < Application()->ComponentCount(); ++I)
            if (auto* S = dynamic_cast<TPimPreviewStatus*>(Application()->Components(I))) return S;
        return nullptr;
    }
    std::unique_ptr<TFakePrinterList> Fake;
    TActingPrinter* Acting = nullptr;
};

TEST_F(ViewerPrinting, ThePrintDialogPrintsItsRangeAndCopies) {
    TPimViewer* V = Open(MakeDocument(3));
    // Print at once: every page, no dialog, the document's own settings.
    Mouse(Find(V, "sendprinter"), QEvent::MouseButtonPress, 3, Qt::RightButton);
    ASSERT_EQ(Acting->Jobs.size(), 1u);
    EXPECT_EQ(Acting->Jobs[0].Pages.size(), 3u);
    EXPECT_FALSE(V->LeftPreview()->IgnorePrinterSettings());
    Acting->Jobs.clear();

    TScriptedDialogs Script;
    // Bad texts raise before anything reaches the printer; then pages 2 to 3, 2 copies.
    Script.AnswerForm([](TCustomForm* Form) {
        auto* D = static_cast<TPimPrintDestination*>(Form);
        EXPECT_EQ(D->Caption(), QStringLiteral("Report Destination"));
        auto* Copies = D->Widget()->findChild<QLineEdit*>(QStringLiteral("Copies"));
        EXPECT_EQ(Copies->text(), QStringLiteral("1"));
        D->SetRange(prPages);
        auto* From = D->Widget()->findChild<QLineEdit*>(QStringLiteral("StartRange"));
        auto* To = D->Widget()->findChild<QLineEdit*>(QStringLiteral("EndRange"));
        EXPECT_EQ(To->text(), QStringLiteral("3"));
        Copies->setText(QStringLiteral("2 "));
        From->setText(QStringLiteral("3"));
        To->setText(QStringLiteral("x"));
        EXPECT_THROW(D->btnPrintClick(), EConvertError);
        To->setText(QStringLiteral("2"));
        EXPECT_THROW(D->btnPrintClick(), EConvertError);
        EXPECT_EQ(D->PimPrinterSetup()->Copies(), 1);
        EXPECT_EQ(D->ModalResult(), mrNone);
        From->setText(QStringLiteral("2"));
        To->setText(QStringLiteral("3"));
        D->btnPrintClick();
        return mrNone;
    });
    Find<QAction>(V, "Print1")->trigger();
    ASSERT_EQ(Acting->Jobs.size(), 1u);
    EXPECT_EQ(Acting->Jobs[0].Pages.size(), 4u); // pages 2 and 3, twice
    EXPECT_TRUE(Acting->Jobs[0].Ended);
    EXPECT_TRUE(V->LeftPreview()->IgnorePrinterSettings()); // the copies changed
    EXPECT_EQ(V->ViewerMode(), 0);
    EXPECT_TRUE(Find(V, "ToolBar")->isEnabled());

    EXPECT_EQ(StatusWindow(), nullptr);
}

TEST_F(ViewerPrinting, APrinterSetupChangeMakesThePrintIgnoreTheDocumentsSettings) {
    TPimViewer* V = Open(MakeDocument(2));
    TScriptedDialogs Script;
    for (bool Change : {false, true}) {
        Script.AnswerForm([&Script, Change](TCustomForm* Form) {
            if (Change)
                Script.AnswerPrinterSetup([] {
                    Printer().DeviceMode().Orientation = dmOrientLandscape;
                    Printer().DeviceMode().Fields |= dmfOrientation;
                });
            else
                Script.AnswerPrinterSetup(nullptr, false);
            auto* D = static_cast<TPimPrintDestination*>(Form);
            D->printersetupClick();
            D->btnPrintClick();
            return mrNone;
        });
        Find<QToolButton>(V, "sendprinter")->click();
        EXPECT_EQ(V->LeftPreview()->IgnorePrinterSettings(), Change);
    }
    ASSERT_EQ(Acting->Jobs.size(), 2u);
    EXPECT_EQ(Acting->Jobs[1].Mode.Orientation, dmOrientLandscape);
}

TEST_F(ViewerPrinting, PagesTurnedWhileAPrintRunsLeaveItsSettingsAlone) {
    // Four portrait pages of Letter, then a landscape one.
    auto Doc = std::make_shared<TPimPimFile>();
    Doc->PimPrinterSetup()->SetPaperSize(dmPaperLetter);
    Doc->PimPrinterSetup()->SetOrientation(dmOrientPortrait);
    Doc->BeginDoc();
    for (int P = 1; P <= 5; ++P) {
        if (P == 5) Doc->PimPrinterSetup()->SetOrientation(dmOrientLandscape);
        if (P > 1) Doc->NewPage();
        Doc->Textout(100, 100, QStringLiteral("Page %1").arg(P));
    }
    Doc->EndDoc();
    TPimViewer* V = Open(Doc);
    Find<QAction>(V, "TwoPages")->trigger();
    // While page 2 prints, the user turns the printing preview by key, then the other one by hand,
    // to the landscape page.
    for (bool Printing : {true, false}) {
        Acting->BeforePage = [&](int PagesSoFar) {
            if (PagesSoFar != 2) return;
            if (Printing)
                Key(V, Qt::Key_PageDown, Qt::ControlModifier);
            else
                V->RightPreview()->LastPage();
        };
        V->PrintAtOnce();
        V->LeftPreview()->FirstPage();
        V->RightPreview()->FirstPage();
    }
    ASSERT_EQ(Acting->Jobs.size(), 2u);
    for (const TFakeJob& Job : Acting->Jobs) {
        ASSERT_EQ(Job.Pages.size(), 5u);
        for (size_t i = 0; i < 5; ++i)
            EXPECT_EQ(Job.Pages[i].Mode.Orientation, i < 4 ? dmOrientPortrait : dmOrientLandscape) << i;
    }
    // Outside a print run a page turn still gives the printer that page's settings, and a preview
    // turned during its own run is sized for its page once the run is over.
    V->LeftPreview()->LastPage();
    EXPECT_EQ(Printer().DeviceMode().Orientation, dmOrientLandscape);
    Acting->BeforePage = [&](int PagesSoFar) {
        if (PagesSoFar == 2) V->LeftPreview()->FirstPage();
    };
    V->PrintAtOnce();
    EXPECT_EQ(V->LeftPreview()->Page(), 1);
    EXPECT_LT(V->LeftPreview()->PaintBox()->Width(), V->LeftPreview()->PaintBox()->Height());
}

TEST_F(ViewerPrinting, TheAbortQuestionStopsOrDiscardsThePrintRun) {
    TPimViewer* V = Open(MakeDocument(3));
    TScriptedDialogs Script;
    for (int Answer : {IDYES, IDNO, IDCANCEL}) {
        Acting->BeforePage = [&](int PagesSoFar) {
            if (PagesSoFar != 2) return;
            TPimPreviewStatus* S = StatusWindow();
            ASSERT_NE(S, nullptr);
            EXPECT_EQ(S->PageNumber(), QStringLiteral("2"));
            Script.Answer(Answer);
            S->AbortButtonClick();
            EXPECT_EQ(Script.Last().Caption, QStringLiteral("Abort Report?"));
        };
        V->PrintAtOnce();
    }
    ASSERT_EQ(Acting->Jobs.size(), 3u);
    EXPECT_TRUE(Acting->Jobs[0].Aborted); // Yes: the report is discarded
    EXPECT_TRUE(Acting->Jobs[1].Ended);   // No: the pages so far are kept
    EXPECT_FALSE(Acting->Jobs[1].Aborted);
    EXPECT_EQ(Acting->Jobs[1].Pages.size(), 2u);
    EXPECT_EQ(Acting->Jobs[2].Pages.size(), 3u); // Cancel: printing goes on
}

TEST_F(ViewerPrinting, ClosingWhilePrintingStopsThePrinterAndClosesAfterwards) {
    TPimViewer* V = Open(MakeDocument(3));
    Acting->BeforePage = [&](int PagesSoFar) {
        if (PagesSoFar == 2) V->Close();
    };
    std::weak_ptr<TPimPimFile> Watch = V->LeftPreview()->PimFile();
    V->PrintAtOnce();
    ASSERT_EQ(Acting->Jobs.size(), 1u);
    EXPECT_EQ(Acting->Jobs[0].Pages.size(), 2u);
    EXPECT_TRUE(Acting->Jobs[0].Ended);
    Pump(); // the window freed itself once the print loop had let go of it
    EXPECT_TRUE(Watch.expired());
}

TEST(ViewerDialogs, ThePrintDialogsTextsGiveCopiesAndRange) {
    auto Choice = PimReadPrintChoice(prAll, QStringLiteral(" 2 "), true, QString(), QString(), 5);
    EXPECT_EQ(Choice.Copies, 2);
    EXPECT_TRUE(Choice.Collate);
    EXPECT_EQ(Choice.StartPage, 0);
    Choice = PimReadPrintChoice(prCurrentPage, QStringLiteral("1"), false, QString(), QString(), 5);
    EXPECT_EQ(Choice.StartPage, 5);
    EXPECT_EQ(Choice.EndPage, 5);
    Choice = PimReadPrintChoice(prPages, QStringLiteral("1"), false, QStringLiteral("  "), QString(), 5);
    EXPECT_EQ(Choice.StartPage, 0);
    EXPECT_EQ(Choice.EndPage, 0);
    Choice = PimReadPrintChoice(prPages, QStringLiteral("1"), false, QStringLiteral("4"), QString(), 5);
    EXPECT_EQ(Choice.StartPage, 4); // to the last page
    try {
        PimReadPrintChoice(prAll, QStringLiteral("two"), false, QString(), QString(), 1);
        ADD_FAILURE();
    } catch (const EConvertError& E) {
        EXPECT_EQ(E.Message(), QStringLiteral("'two' is not a valid integer value"));
    }
    EXPECT_THROW(PimReadPrintChoice(prAll, QStringLiteral("0"), false, QString(), QString(), 1),
                 EConvertError);
    EXPECT_THROW(
        PimReadPrintChoice(prPages, QStringLiteral("1"), false, QStringLiteral("3"), QStringLiteral("2"), 1),
        EConvertError);

    int Page = 7;
    EXPECT_FALSE(PimGotoPageTarget(QString(), 12, Page));
    EXPECT_EQ(Page, 7);
    ASSERT_TRUE(PimGotoPageTarget(QStringLiteral("0"), 12, Page));
    EXPECT_EQ(Page, 1);
    ASSERT_TRUE(PimGotoPageTarget(QStringLiteral("12"), 12, Page));
    EXPECT_EQ(Page, 12);
    ASSERT_TRUE(PimGotoPageTarget(QStringLiteral("5"), 12, Page));
    EXPECT_EQ(Page, 5);
}

TEST(ViewerProgram, ShowsAGoodFileAndRefusesADamagedOne) {
    const QString Program = QCoreApplication::applicationDirPath() + QStringLiteral("/../examples/pimview");
    ASSERT_TRUE(QFile::exists(Program)) << Program.toStdString();
    QTemporaryDir Dir;
    const QString Good = Dir.filePath(QStringLiteral("good.pim"));
    MakeDocument(2)->SaveToFile(Good);
    const QString Damaged = Dir.filePath(QStringLiteral("damaged.pim"));
    {
        QFile F(Damaged);
        ASSERT_TRUE(F.open(QIODevice::WriteOnly));
        F.write("not a document at all");
    }
    // A document that lost its last bytes: it lists pages it no longer holds.
    const QString Cut = Dir.filePath(QStringLiteral("cut.pim"));
    ASSERT_TRUE(QFile::copy(Good, Cut));
    ASSERT_TRUE(QFile::resize(Cut, QFileInfo(Good).size() - 10));
    auto Run = [&](const QString& File, QString& Errors) {
        QProcess P;
        P.start(Program, {File});
        EXPECT_TRUE(P.waitForFinished(60000));
        Errors = QString::fromLocal8Bit(P.readAllStandardError()).trimmed();
        return P.exitCode();
    };
    QString Errors;
    EXPECT_EQ(Run(Good, Errors), 0) << Errors.toStdString();
    for (const QString& Bad : {Damaged, Dir.filePath(QStringLiteral("missing.pim")), Cut}) {
        QString Expected;
        try {
            TPimPimFile().LoadFromFile(Bad);
        } catch (const Exception& E) {
            Expected = E.Message();
        }
        ASSERT_FALSE(Expected.isEmpty());
        EXPECT_EQ(Run(Bad, Errors), 1);
        EXPECT_TRUE(Errors.endsWith(Expected)) << Errors.toStdString();
    }
}

} // namespace
