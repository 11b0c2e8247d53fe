#include "viewer/PimView.h"
#include "host/dialogs.h"
#include "host/exceptions.h"
#include "host/lists.h"
#include "host/mathutil.h"
#include "host/messages.h"
#include "host/resstrings.h"
#include "host/streams.h"
#include "output/PimFile.h"
#include "output/PimSetup.h"
#include "output/PimStr.h"
#include "output/PimUtil.h"
#include "output/PimXport.h"
#include "viewer/PimDest.h"
#include "viewer/PimGoto.h"
#include "viewer/PimMeter.h"
#include "viewer/PimPStat.h"
#include "viewer/PimPrev.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

QString PimViewerDir;
TPimViewEvent PimViewEvent;

void PimResetViewerGlobals() {
    PimViewerDir.clear();
    PimViewEvent = nullptr;
}

namespace {
const char* const SPimFileFilter = "Pim File (*.pim)|*.pim";
const char* const SOpenFilter = "Pim File (*.pim)|*.pim|All Files (*.*)|*.*";
const char* const SDefaultFileName = "PimFile.pim";

TPimExportFilter* ExportFilterAt(int Index) {
    TList* List = ExportFiltersList();
    if (!List || Index < 0 || Index >= List->Count()) return nullptr;
    return static_cast<TPimExportFilter*>(List->Items(Index));
}

// FileName with its extension (after the last "." of the name part) replaced by Ext.
QString WithExtension(const QString& FileName, const QString& Ext) {
    const qsizetype Slash = FileName.lastIndexOf(u'/');
    const qsizetype Dot = FileName.lastIndexOf(u'.');
    const QString Base = Dot > Slash ? FileName.left(Dot) : FileName;
    return Base + Ext;
}

// The desktop theme's icon of that name; themes that draw their actions only as symbols have it
// with "-symbolic" appended. Fallback where the theme has neither.
QIcon ThemeIcon(const char* Name, const QIcon& Fallback) {
    const QString Plain = QString::fromLatin1(Name);
    QIcon Icon = QIcon::fromTheme(Plain);
    if (Icon.isNull()) Icon = QIcon::fromTheme(Plain + QLatin1String("-symbolic"));
    return Icon.isNull() ? Fallback : Icon;
}

// A printer seen from the front, for styles that offer none: paper going in at the top, the body,
// and the sheet coming out.
QIcon DrawnPrinterIcon() {
    QIcon Icon;
    for (int Size : {16, 32}) {
        QPixmap Pixmap(Size, Size);
        Pixmap.fill(Qt::transparent);
        QPainter P(&Pixmap);
        P.setRenderHint(QPainter::Antialiasing);
        P.scale(Size / 16.0, Size / 16.0);
        P.setPen(QPen(QColor(60, 60, 60), 1));
        P.setBrush(Qt::white);
        P.drawRect(QRectF(4.5, 1.5, 7, 5));
        P.setBrush(QColor(150, 150, 150));
        P.drawRoundedRect(QRectF(1.5, 5.5, 13, 6), 1, 1);
        P.setBrush(Qt::white);
        P.drawRect(QRectF(4.5, 9.5, 7, 5));
        P.drawLine(QPointF(6, 11.5), QPointF(10, 11.5));
        P.drawLine(QPointF(6, 13), QPointF(10, 13));
        Icon.addPixmap(Pixmap);
    }
    return Icon;
}

QString ExtensionOf(const QString& FileName) {
    const qsizetype Slash = FileName.lastIndexOf(u'/');
    const qsizetype Dot = FileName.lastIndexOf(u'.');
    return Dot > Slash ? FileName.mid(Dot) : QString();
}
} // namespace

QString PimBuildExportFilter() {
    QString Filter = QString::fromLatin1(SPimFileFilter);
    if (TList* List = ExportFiltersList())
        for (int I = 0; I < List->Count(); ++I) {
            auto* F = static_cast<TPimExportFilter*>(List->Items(I));
            Filter += u'|' + F->DisplayName() + u'|' + F->FileExtension();
        }
    return Filter;
}

QString PimChangeFileType(const QString& FileName, const QString& Pattern) {
    QString List = Pattern;
    if (!List.endsWith(u';')) List += u';';
    const QString Current = ExtensionOf(FileName);
    if (List.contains(u'*' + Current + u';', Qt::CaseInsensitive)) return FileName;
    const qsizetype Dot = List.indexOf(u'.');
    if (Dot < 0) return FileName;
    const QString Ext = List.mid(Dot, List.indexOf(u';') - Dot);
    // "*.*", "*.", or no extension at all name no type a file could take.
    if (Ext.size() < 2 || Ext.contains(u'*') || Ext.contains(u'?') || Dot > List.indexOf(u';'))
        return FileName;
    return WithExtension(FileName, Ext);
}

QString PimTypeChangeFileName(const QString& FileName, int FilterIndex) {
    if (FilterIndex == 1) return WithExtension(FileName, QStringLiteral(".pim"));
    TPimExportFilter* Filter = ExportFilterAt(FilterIndex - 2);
    return Filter ? PimChangeFileType(FileName, Filter->FileExtension()) : FileName;
}

void PimExportDocument(TPimPimFile& Document, TPimExportFilter& Filter, const QString& FileName,
                       int CurrentPage) {
    std::unique_ptr<TStream> Stream;
    QString TempName;
    TPimStream* Own = Document.Stream();
    if (Own && Own->HasFileStream()) {
        TempName = PimGetTempFile(QStringLiteral("Pim"));
        if (TempName.isEmpty()) throw EFCreateError(QStringLiteral("Cannot create a temporary file"));
    }
    auto CleanUp = [&] {
        if (Stream) Stream->SetSize(0);
        Stream.reset();
        if (!TempName.isEmpty()) QFile::remove(TempName);
    };
    try {
        if (TempName.isEmpty())
            Stream = std::make_unique<TMemoryStream>();
        else
            Stream = std::make_unique<TFileStream>(TempName, fmOpenReadWrite);
        Document.SaveToStream(*Stream);
        Stream->SetPosition(0);
        Filter.GenerateToFile(Stream.get(), FileName, CurrentPage);
    } catch (...) {
        CleanUp();
        throw;
    }
    CleanUp();
}

// The Qt side of the window: keys of the whole window, double clicks, the divider's drag, the print
// button's right click, resizing and the window manager's close.
class TPimViewer::TEvents : public QObject {
public:
    explicit TEvents(TPimViewer* Viewer) : FViewer(Viewer) {}

    bool eventFilter(QObject* Watched, QEvent* Event) override {
        TPimViewer& V = *FViewer;
        if (V.FDestroying) return false;
        switch (Event->type()) {
        case QEvent::KeyPress: {
            auto* W = qobject_cast<QWidget*>(Watched);
            if (!W || W->window() != V.FWindow.get()) return false;
            // A key typed into the zoom list belongs to it.
            if (W == V.FZoomValues || qobject_cast<QMenuBar*>(W)) return false;
            auto* K = static_cast<QKeyEvent*>(Event);
            bool Used = false;
            CallEventHandler(&V, [&] { Used = V.FormKeyDown(K->key(), K->modifiers()); });
            return Used;
        }
        case QEvent::MouseButtonDblClick:
            if (Watched == V.FToolBar) {
                V.Call(&TPimViewer::ToolBarDblClick);
                return true;
            }
            if (Watched == V.FPageNum) {
                V.Call(&TPimViewer::GotoPageClick);
                return true;
            }
            return false;
        case QEvent::MouseButtonPress:
        case QEvent::MouseMove:
        case QEvent::MouseButtonRelease: {
            auto* M = static_cast<QMouseEvent*>(Event);
            const int X = int(M->position().x());
            if (Watched == V.Fsendprinter && Event->type() == QEvent::MouseButtonPress &&
                M->button() == Qt::RightButton) {
                V.Call(&TPimViewer::PrintAtOnce);
                return true;
            }
            if (Watched != V.FDivider) return false;
            if (Event->type() == QEvent::MouseButtonPress)
                V.DividerMouseDown(X);
            else if (Event->type() == QEvent::MouseMove)
                V.DividerMouseMove(X);
            else
                V.DividerMouseUp(X);
            return true;
        }
        case QEvent::Resize:
            if (Watched == V.FArea) V.LayoutPreviews();
            return false;
        case QEvent::Close:
            if (Watched == V.FWindow.get() && !V.Modal()) {
                Event->ignore();
                V.Close();
                return true;
            }
            return false;
        default:
            return false;
        }
    }

private:
    TPimViewer* FViewer;
};

TPimViewer::TPimViewer(TComponent* AOwner) : TCustomForm(AOwner) {
    BuildWindow();
    FormCreate();
}

TPimViewer::~TPimViewer() {
    FWindow.reset();
}

void TPimViewer::BeforeDestruction() {
    // The previews and the meter go first, with their Qt parts, while the window still stands; no
    // event may reach them on the way.
    FDestroying = true;
    if (qApp && FEvents) qApp->removeEventFilter(FEvents.get());
    Detach();
    TCustomForm::BeforeDestruction();
    FLeftPreview = FRightPreview = FCurrentPreview = nullptr;
    FLoadMeter = nullptr;
}

QWidget* TPimViewer::Widget() const {
    return FWindow.get();
}

QToolButton* TPimViewer::SpeedButton(const char* Name, int X, int Width, const QString& Hint) {
    auto* B = new QToolButton(FToolBar);
    B->setObjectName(QString::fromLatin1(Name));
    B->setGeometry(X, 6, Width, 25);
    B->setToolTip(Hint);
    B->setAutoRaise(true);
    return B;
}

QAction* TPimViewer::Item(QMenu* Menu, const char* Name, const QString& Caption,
                          void (TPimViewer::*Handler)()) {
    QAction* A = Menu->addAction(Caption);
    A->setObjectName(QString::fromLatin1(Name));
    if (Handler) QObject::connect(A, &QAction::triggered, [this, Handler] { Call(Handler); });
    return A;
}

void TPimViewer::Call(void (TPimViewer::*Handler)()) {
    CallEventHandler(this, [this, Handler] { (this->*Handler)(); });
}

void TPimViewer::BuildWindow() {
    FWindow = std::make_unique<QMainWindow>();
    FEvents = std::make_unique<TEvents>(this);
    QMainWindow* W = FWindow.get();
    W->setObjectName(QStringLiteral("PimViewer"));
    W->resize(752, 486 + 37);
    QFont Font(QStringLiteral("Arial"));
    Font.setPixelSize(13);
    W->setFont(Font);

    // Menus
    FMainMenu1 = new QMenuBar(W);
    FMainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    W->setMenuBar(FMainMenu1);
    FFile1 = FMainMenu1->addMenu(LoadStr(SMenuFile));
    FFile1->setObjectName(QStringLiteral("File1"));
    FFile1->menuAction()->setObjectName(QStringLiteral("File1"));
    FOpen1 = Item(FFile1, "Open1", LoadStr(SMenuOpen), &TPimViewer::OpenClick);
    Item(FFile1, "Close1", LoadStr(SMenuClose), &TPimViewer::CloseDocumentClick);
    FFile1->addSeparator();
    Item(FFile1, "Save1", LoadStr(SMenuSave), &TPimViewer::SaveClick);
    FFile1->addSeparator();
    Item(FFile1, "PrintSetup1", LoadStr(SMenuPrinterSetup), &TPimViewer::PrinterSetupClick);
    Item(FFile1, "Print1", LoadStr(SMenuPrint), &TPimViewer::PrintClick);
    FFile1->addSeparator();
    QAction* Exit = Item(FFile1, "mitemExit", LoadStr(SMenuExit), nullptr);
    QObject::connect(Exit, &QAction::triggered, [this] { Close(); });
    QMenu* Options = FMainMenu1->addMenu(LoadStr(SMenuOptions));
    Options->setObjectName(QStringLiteral("Options1"));
    FSynchronized = Item(Options, "Synchronized", LoadStr(SMenuSynchronize), &TPimViewer::SynchronizedClick);
    FSynchronized->setCheckable(true);
    FViewToolbar = Item(Options, "ViewToolbar", LoadStr(SMenuToolbar), &TPimViewer::ViewToolbarClick);
    FViewToolbar->setCheckable(true);
    FViewToolbar->setChecked(true);
    FTwoPages = Item(Options, "TwoPages", LoadStr(SMenuTwoPage), &TPimViewer::TwoPagesClick);
    FTwoPages->setCheckable(true);
    QMenu* Navigate = FMainMenu1->addMenu(LoadStr(SMenuNavigate));
    Navigate->setObjectName(QStringLiteral("Navigate1"));
    Item(Navigate, "Next1", LoadStr(SNextPage), &TPimViewer::NextPageClick);
    Item(Navigate, "Back1", LoadStr(SPreviousPage), &TPimViewer::PriorPageClick);
    Item(Navigate, "FirstPage1", LoadStr(SFirstPage), &TPimViewer::FirstPageClick);
    Item(Navigate, "LastPage1", LoadStr(SLastPage), &TPimViewer::LastPageClick);
    Item(Navigate, "GotoPage1", LoadStr(SJumpToPage), &TPimViewer::GotoPageClick);
    QMenu* Help = FMainMenu1->addMenu(QStringLiteral("Help"));
    Help->setObjectName(QStringLiteral("Help1"));
    Item(Help, "KeyboardHelp1", QStringLiteral("Keyboard Help"), &TPimViewer::KeyboardHelpClick);

    // Toolbar
    auto* Central = new QWidget(W);
    Central->setObjectName(QStringLiteral("Client"));
    auto* Layout = new QVBoxLayout(Central);
    Layout->setContentsMargins(0, 0, 0, 0);
    Layout->setSpacing(0);
    FToolBar = new QWidget(Central);
    FToolBar->setObjectName(QStringLiteral("ToolBar"));
    FToolBar->setFixedHeight(37);
    FToolBar->installEventFilter(FEvents.get());
    Layout->addWidget(FToolBar);
    const QStyle* Style = W->style();
    FbtnOpen = SpeedButton("btnOpen", 2, 25, QStringLiteral("Open Report"));
    FbtnOpen->setIcon(ThemeIcon("document-open", Style->standardIcon(QStyle::SP_DialogOpenButton)));
    FbtnSave = SpeedButton("btnSave", 28, 25, QStringLiteral("Save Report"));
    FbtnSave->setIcon(ThemeIcon("document-save", Style->standardIcon(QStyle::SP_DialogSaveButton)));
    Fsendprinter = SpeedButton("sendprinter", 54, 25, LoadStr(SHintPrint));
    Fsendprinter->setIcon(ThemeIcon("document-print", DrawnPrinterIcon()));
    Fsendprinter->installEventFilter(FEvents.get());
    QToolButton* Close = SpeedButton("btnClose", 80, 70, LoadStr(SHintClose));
    Close->setText(LoadStr(SViewerClose));
    QFont Bold = Close->font();
    Bold.setBold(true);
    Close->setFont(Bold);
    FZoomValues = new QComboBox(FToolBar);
    FZoomValues->setObjectName(QStringLiteral("ZoomValues"));
    FZoomValues->setGeometry(156, 6, 96, 25);
    FZoomValues->setMaxVisibleItems(15);
    FZoomValues->addItems({QStringLiteral("200%"), QStringLiteral("150%"), QStringLiteral("100%"),
                           QStringLiteral("75%"), QStringLiteral("50%"), QStringLiteral("25%"),
                           QStringLiteral("10%"), QStringLiteral("Page Width"), QStringLiteral("Page Height"),
                           QStringLiteral("Whole Page")});
    FZoomValues->setCurrentIndex(az100);
    FZoomValues->setToolTip(LoadStr(SHintZoom));
    QToolButton* First = SpeedButton("firstpage", 256, 25, LoadStr(SFirstPage));
    First->setIcon(ThemeIcon("go-first", Style->standardIcon(QStyle::SP_MediaSkipBackward)));
    QToolButton* Previous = SpeedButton("PreviousPage", 282, 25, LoadStr(SPreviousPage));
    Previous->setIcon(ThemeIcon("go-previous", Style->standardIcon(QStyle::SP_ArrowLeft)));
    FPageNum = new QLabel(FToolBar);
    FPageNum->setObjectName(QStringLiteral("PageNum"));
    FPageNum->setGeometry(310, 8, 94, 21);
    FPageNum->setAlignment(Qt::AlignCenter);
    QFont Small = FPageNum->font();
    Small.setPixelSize(12);
    FPageNum->setFont(Small);
    FPageNum->setToolTip(LoadStr(SHintJump));
    FPageNum->installEventFilter(FEvents.get());
    QToolButton* Next = SpeedButton("NextPage", 408, 25, LoadStr(SNextPage));
    Next->setIcon(ThemeIcon("go-next", Style->standardIcon(QStyle::SP_ArrowRight)));
    QToolButton* Last = SpeedButton("LastPage", 434, 25, LoadStr(SLastPage));
    Last->setIcon(ThemeIcon("go-last", Style->standardIcon(QStyle::SP_MediaSkipForward)));
    FLoadMeter = new TPimMeter(this);
    FLoadMeter->SetName(QStringLiteral("LoadMeter"));
    FLoadMeter->SetMeterColor(clYellow);
    FLoadMeter->SetBackGroundColor(clWhite);
    FLoadMeter->SetMin(0);
    FLoadMeter->SetMax(100);
    FLoadMeter->SetShowText(true);
    if (QWidget* M = FLoadMeter->Widget()) {
        M->setParent(FToolBar);
        M->setObjectName(QStringLiteral("LoadMeter"));
    }
    FLoadMeter->SetBounds(472, 6, 97, 25);
    if (QWidget* M = FLoadMeter->Widget()) M->setGeometry(472, 6, 97, 25);
    FStop = SpeedButton("Stop", 580, 25, LoadStr(SHintAbort));
    FStop->setIcon(ThemeIcon("process-stop", Style->standardIcon(QStyle::SP_BrowserStop)));
    FStop->setEnabled(false);

    QObject::connect(FbtnOpen, &QToolButton::clicked, [this] { Call(&TPimViewer::OpenClick); });
    QObject::connect(FbtnSave, &QToolButton::clicked, [this] { Call(&TPimViewer::SaveClick); });
    QObject::connect(Fsendprinter, &QToolButton::clicked, [this] { Call(&TPimViewer::PrintClick); });
    QObject::connect(Close, &QToolButton::clicked, [this] { this->Close(); });
    QObject::connect(FZoomValues, &QComboBox::activated, [this] { Call(&TPimViewer::ZoomValuesChange); });
    QObject::connect(First, &QToolButton::clicked, [this] { Call(&TPimViewer::FirstPageClick); });
    QObject::connect(Previous, &QToolButton::clicked, [this] { Call(&TPimViewer::PriorPageClick); });
    QObject::connect(Next, &QToolButton::clicked, [this] { Call(&TPimViewer::NextPageClick); });
    QObject::connect(Last, &QToolButton::clicked, [this] { Call(&TPimViewer::LastPageClick); });
    QObject::connect(FStop, &QToolButton::clicked, [this] { Call(&TPimViewer::StopClick); });

    // Previews, divider and the line shown while the divider is dragged
    FArea = new QWidget(Central);
    FArea->setObjectName(QStringLiteral("PreviewArea"));
    FArea->installEventFilter(FEvents.get());
    Layout->addWidget(FArea, 1);
    W->setCentralWidget(Central);
    auto MakePreview = [this](const char* Name) {
        auto* P = new TPimPreview(this);
        P->SetName(QString::fromLatin1(Name));
        if (QWidget* PW = P->Widget()) {
            PW->setParent(FArea);
            PW->setObjectName(QString::fromLatin1(Name));
            PW->installEventFilter(FEvents.get());
        }
        P->HorzScrollBar().Increment = 24;
        P->VertScrollBar().Increment = 24;
        P->OnClick = [this, P](TComponent*) { SelectPreview(P); };
        P->OnHorzScroll = [this, P](TComponent*) { PreviewScrolled(P); };
        P->OnVertScroll = [this, P](TComponent*) { PreviewScrolled(P); };
        return P;
    };
    FLeftPreview = MakePreview("LeftPreview");
    FRightPreview = MakePreview("RightPreview");
    FRightPreview->SetVisible(false);
    FDivider = new QFrame(FArea);
    FDivider->setObjectName(QStringLiteral("Divider"));
    FDivider->setCursor(Qt::SplitHCursor);
    FDivider->setFrameShape(QFrame::VLine);
    FDivider->installEventFilter(FEvents.get());
    FDivider->hide();
    FCursorPosition = new QFrame(FArea);
    FCursorPosition->setObjectName(QStringLiteral("CursorPosition"));
    FCursorPosition->setAutoFillBackground(true);
    QPalette Black = FCursorPosition->palette();
    Black.setColor(QPalette::Window, Qt::black);
    FCursorPosition->setPalette(Black);
    FCursorPosition->hide();
    W->installEventFilter(FEvents.get());
    if (qApp) qApp->installEventFilter(FEvents.get());
}

void TPimViewer::FormCreate() {
    FGenerating = false;
    FShowFirst = true;
    const int ScreenW = Screen()->Width();
    const int ScreenH = Screen()->Height();
    const int H = ScreenH * 9 / 10;
    const int Wd = std::min(H * 3 / 4, ScreenW * 9 / 10);
    SetBounds(ScreenW / 20, ScreenH / 20, Wd, H);
    FWindow->setGeometry(ScreenW / 20, ScreenH / 20, Wd, H);
    SetCaption(LoadStr(SViewerCaption));
    FWindow->setWindowTitle(Caption());
    SelectPreview(FLeftPreview);
    FInitialDir = PimViewerDir;
    LayoutPreviews();
    if (PimViewEvent) PimViewEvent(this);
}

void TPimViewer::SetVisible(bool Value) {
    if (Value && WindowState() == wsMaximized) FWindow->setWindowState(Qt::WindowMaximized);
    TCustomForm::SetVisible(Value);
}

void TPimViewer::LayoutPreviews() {
    if (!FArea || FMouseIsDown) return;
    const int W = FArea->width();
    const int H = FArea->height();
    const bool Two = FTwoPages->isChecked();
    int LeftWidth = W;
    if (Two) {
        const int RW = std::clamp(FRightWidth, 0, std::max(0, W - 4));
        FRightPreview->SetBounds(W - RW, 0, RW, H);
        if (QWidget* RW2 = FRightPreview->Widget()) RW2->setGeometry(W - RW, 0, RW, H);
        FDivider->setGeometry(W - RW - 4, 0, 4, H);
        LeftWidth = W - RW - 4;
    }
    FLeftPreview->SetBounds(0, 0, LeftWidth, H);
    if (QWidget* LW = FLeftPreview->Widget()) LW->setGeometry(0, 0, LeftWidth, H);
}

TPimPreview* TPimViewer::OtherPreview() const {
    return FCurrentPreview == FLeftPreview ? FRightPreview : FLeftPreview;
}

void TPimViewer::SelectPreview(TPimPreview* Preview) {
    FCurrentPreview = Preview;
    for (TPimPreview* P : {FLeftPreview, FRightPreview})
        if (auto* Frame = qobject_cast<QFrame*>(P->Widget()))
            Frame->setFrameShape(P == Preview ? QFrame::Box : QFrame::NoFrame);
    UpdatePage();
    FZoomValues->setCurrentIndex(Preview->PimZoom());
}

double TPimViewer::GetLoadPercent() const {
    return FCurrentPreview ? FCurrentPreview->LoadPercent() : 0;
}

void TPimViewer::UpdatePage() {
    if (!FCurrentPreview) return;
    FLoadMeter->SetProgress(int(Round(GetLoadPercent())));
    FPageNum->setText(LoadStr(SPage) + u' ' + QString::number(FCurrentPreview->Page()) + u'/' +
                      QString::number(FCurrentPreview->PageCount()));
    if (FShowFirst && (FCurrentPreview->PageCount() > 1 || FLoadMeter->Progress() == 100)) {
        FShowFirst = false;
        FCurrentPreview->Invalidate();
    }
    const QString Description = FCurrentPreview->Description();
    SetCaption(Description.isEmpty() ? LoadStr(SViewerCaption) : Description);
    FWindow->setWindowTitle(Caption());
    if (!FGenerating) return;
    const bool Updating = FUpdatingPage;
    FUpdatingPage = true;
    struct TRestore {
        bool& Flag;
        bool Value;
        ~TRestore() { Flag = Value; }
    } Restore{FUpdatingPage, Updating};
    // Generation is over when the document being recorded is complete, whatever the current
    // preview shows. The rounded percentage is no sign of that: it reads 100 from 99.5 % on, while
    // the last records still go into the document.
    std::shared_ptr<TPimPimFile> Shown = FRecording.lock();
    if (!Shown) Shown = FCurrentPreview->PimFile();
    if (Shown && !Shown->Running()) SetGenerating(false);
}

void TPimViewer::SetGenerating(bool Value) {
    FGenerating = Value;
    FStop->setEnabled(Value);
    if (Value)
        FViewerMode |= vmGenerating;
    else
        FViewerMode &= uint8_t(~vmGenerating);
    UpdateControls();
    // A job that stops generating leaves the final page count and progress to show.
    if (!Value && !FUpdatingPage) UpdatePage();
}

void TPimViewer::SetPimFile(std::shared_ptr<TPimPimFile> Value) {
    FLoadMeter->SetProgress(0);
    FRecording = Value;
    SetGenerating(true);
    FShowFirst = true;
    if (Value) FCurrentPreview->SetPimPrinterSetup(Value->PimPrinterSetup());
    FCurrentPreview->LoadFromPimFile(std::move(Value));
}

void TPimViewer::UpdateControls() {
    const bool Idle = FViewerMode == 0;
    FFile1->setEnabled(Idle);
    FFile1->menuAction()->setEnabled(Idle);
    // Everything that replaces or saves the document follows the File menu.
    FbtnOpen->setEnabled(Idle);
    FbtnSave->setEnabled(Idle);
    FToolBar->setEnabled(!(FViewerMode & vmPrinting));
}

void TPimViewer::SetZoom(TPimZoom Zoom) {
    FZoomValues->setCurrentIndex(Zoom);
    ZoomValuesChange();
}

void TPimViewer::ZoomValuesChange() {
    const int Row = FZoomValues->currentIndex();
    if (Row < 0) return;
    const auto Zoom = TPimZoom(Row);
    FCurrentPreview->SetPimZoom(Zoom);
    if (FSynchronized->isChecked()) OtherPreview()->SetPimZoom(Zoom);
}

void TPimViewer::ToolBarDblClick() {
    SetZoom(FZoomValues->currentIndex() == azPage ? az100 : azPage);
}

void TPimViewer::SynchronizedClick() {
    if (FSynchronized->isChecked()) OtherPreview()->SetZoom(FCurrentPreview->Zoom());
}

void TPimViewer::PreviewScrolled(TPimPreview* Sender) {
    if (!FSynchronized->isChecked() || !FTwoPages->isChecked()) return;
    TPimPreview* Other = Sender == FLeftPreview ? FRightPreview : FLeftPreview;
    Other->ScrollTo(Sender->HorzScrollBar().Position, Sender->VertScrollBar().Position);
}

void TPimViewer::TwoPagesClick() {
    const bool Two = FTwoPages->isChecked();
    if (Two && !FRightPreview->PimFile()) FRightPreview->LoadFromPimFile(FLeftPreview->PimFile());
    if (!Two && FCurrentPreview == FRightPreview) SelectPreview(FLeftPreview);
    FRightWidth = FWindow->width() / 2;
    FRightPreview->SetVisible(Two);
    if (QWidget* RW = FRightPreview->Widget()) RW->setVisible(Two);
    FDivider->setVisible(Two);
    LayoutPreviews();
}

void TPimViewer::ViewToolbarClick() {
    FToolBar->setVisible(FViewToolbar->isChecked());
}

void TPimViewer::DividerMouseDown(int X) {
    FCursorPosition->setGeometry(FDivider->x() + X, 0, 1, FArea->height());
    FCursorPosition->show();
    FCursorPosition->raise();
    FMouseIsDown = true;
}

void TPimViewer::DividerMouseMove(int X) {
    if (!FMouseIsDown) return;
    const int Pos = std::max(20, std::min(FDivider->x() + X, FArea->width() - 24));
    FCursorPosition->move(Pos, 0);
}

void TPimViewer::DividerMouseUp(int) {
    if (!FMouseIsDown) return;
    FMouseIsDown = false;
    FRightWidth = FArea->width() - FCursorPosition->x();
    FCursorPosition->hide();
    LayoutPreviews();
    ZoomValuesChange();
}

void TPimViewer::FirstPageClick() {
    FCurrentPreview->FirstPage();
    UpdatePage();
}

void TPimViewer::PriorPageClick() {
    FCurrentPreview->PriorPage();
    UpdatePage();
}

void TPimViewer::NextPageClick() {
    FCurrentPreview->NextPage();
    UpdatePage();
}

void TPimViewer::LastPageClick() {
    FCurrentPreview->LastPage();
    UpdatePage();
}

void TPimViewer::GotoPageClick() {
    TPimGotoPage Prompt(nullptr);
    Prompt.SetCaption(LoadStr(SPageMovement));
    Prompt.Label1()->setText(LoadStr(SGotoPage));
    Prompt.Button1()->setText(LoadStr(SGo));
    Prompt.Button2()->setText(LoadStr(SGotoCancel));
    if (Prompt.ShowModal() != mrOk) return;
    int Page = 0;
    if (!PimGotoPageTarget(Prompt.PageNum()->text(), FCurrentPreview->PageCount(), Page)) return;
    FCurrentPreview->SetPage(Page);
    UpdatePage();
}

bool TPimViewer::FormKeyDown(int Key, Qt::KeyboardModifiers Shift) {
    const bool Ctrl = Shift & Qt::ControlModifier;
    const bool Plain = (Shift & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier)) == 0;
    TPimPreview* P = FCurrentPreview;
    auto Scroll = [P](uint32_t Msg, int Code, int Position = 0) {
        SendMessage(P, Msg, WPARAM(uint16_t(Code)) | (WPARAM(uint16_t(Position)) << 16));
    };
    switch (Key) {
    case Qt::Key_PageUp:
        Ctrl ? P->FirstPage() : P->PriorPage();
        UpdatePage();
        return true;
    case Qt::Key_PageDown:
        Ctrl ? P->LastPage() : P->NextPage();
        UpdatePage();
        return true;
    case Qt::Key_Up:
        Scroll(WM_VSCROLL, Ctrl ? SB_PAGEUP : SB_LINEUP);
        return true;
    case Qt::Key_Down:
        Scroll(WM_VSCROLL, Ctrl ? SB_PAGEDOWN : SB_LINEDOWN);
        return true;
    case Qt::Key_Left:
        Scroll(WM_HSCROLL, Ctrl ? SB_PAGELEFT : SB_LINELEFT);
        return true;
    case Qt::Key_Right:
        Scroll(WM_HSCROLL, Ctrl ? SB_PAGERIGHT : SB_LINERIGHT);
        return true;
    case Qt::Key_Home:
        if (!Plain) return false;
        Scroll(WM_HSCROLL, SB_THUMBPOSITION, 0);
        return true;
    case Qt::Key_End:
        if (!Plain) return false;
        // The right edge of this page at this zoom; a fixed far position would stop short of a
        // wide page.
        Scroll(WM_HSCROLL, SB_RIGHT);
        return true;
    default:
        return false;
    }
}

void TPimViewer::KeyboardHelpClick() {
    static const char* const Lines[] = {
        "Keyboard Navigation in the PIM Previewer",
        "",
        "UP - scroll current page up one line",
        "CTRL-UP - scroll current page up one screenful within the page",
        "DOWN - scroll current page down one line",
        "CTRL-DOWN - scroll current page down one screenful within the page",
        "PGUP - move to previous page",
        "CTRL-PGUP - move to first page",
        "PGDN - move to next page",
        "CTRL-PGDN - move to last page",
        "RIGHT - incremental movement right",
        "CTRL-RIGHT - move one screenful to the right",
        "LEFT - incremental movement left",
        "CTRL-LEFT - move one screenful to the left",
        "HOME - move screen to left edge of page",
        "END - move screen to right edge of page",
    };
    QString Text;
    for (const char* Line : Lines)
        Text += QString::fromLatin1(Line) + u'\n';
    ShowMessage(Text);
}

void TPimViewer::OpenClick() {
    // The document being recorded or printed may not be replaced.
    if (FViewerMode != 0) return;
    TFileRequest Request;
    Request.Filter = QString::fromLatin1(SOpenFilter);
    Request.DefaultExt = QStringLiteral("Pim");
    Request.FileName = QString::fromLatin1(SDefaultFileName);
    Request.InitialDir = FInitialDir;
    if (!DialogService()->ExecuteFileDialog(Request)) return;
    if (FLeftPreview->PimFile() && FLeftPreview->PimFile() == FRightPreview->PimFile())
        FCurrentPreview->Filer()->SetPimFile(nullptr);
    FCurrentPreview->LoadFromFile(Request.FileName);
    UpdatePage();
}

void TPimViewer::CloseDocumentClick() {
    if (FViewerMode != 0) return;
    // With shared_ptr the document goes when its last preview lets go of it.
    FCurrentPreview->Filer()->SetPimFile(nullptr);
    FCurrentPreview->Invalidate();
    UpdatePage();
}

void TPimViewer::SaveClick() {
    if (FViewerMode != 0) return;
    const std::shared_ptr<TPimPimFile> Doc = FCurrentPreview->PimFile();
    if (!Doc) return;
    TFileRequest Request;
    Request.Save = true;
    Request.FileName = Doc->FileName().isEmpty() ? QString::fromLatin1(SDefaultFileName) : Doc->FileName();
    Request.Filter = PimBuildExportFilter();
    Request.InitialDir = FInitialDir;
    Request.OnTypeChange = [](TFileRequest& R) {
        R.FileName = PimTypeChangeFileName(R.FileName, R.FilterIndex);
    };
    if (!DialogService()->ExecuteFileDialog(Request)) return;
    if (Request.FilterIndex <= 1) {
        FCurrentPreview->SaveToFile(WithExtension(Request.FileName, QStringLiteral(".pim")));
        return;
    }
    TPimExportFilter* Filter = ExportFilterAt(Request.FilterIndex - 2);
    if (!Filter) return;
    PimExportDocument(*Doc, *Filter, Request.FileName, FCurrentPreview->Page());
}

void TPimViewer::PrintClick() {
    TPimPreview* P = FCurrentPreview;
    TPimPrinterSetup Copy;
    Copy.Assign(P->PimPrinterSetup());
    auto Dialog = std::make_unique<TPimPrintDestination>(Application());
    Dialog->SetViewer(this);
    Dialog->SetPreview(P);
    Dialog->SetPimPrinterSetup(P->PimPrinterSetup());
    auto Done = [this] {
        FViewerMode &= uint8_t(~vmPrinting);
        UpdateControls();
    };
    try {
        P->PimPrinterSetup()->SetDataReset();
        if (Dialog->ShowModal() == mrOk) {
            const int Start = Dialog->StartPage();
            const int End = Dialog->EndPage();
            Dialog.reset();
            RunPrint(Start, End, !P->PimPrinterSetup()->IsEqual(Copy));
        }
    } catch (...) {
        Done();
        throw;
    }
    Done();
}

void TPimViewer::PrintAtOnce() {
    RunPrint(0, 0, false);
}

void TPimViewer::RunPrint(int StartPage, int EndPage, bool IgnorePrinterSettings) {
    TPimPreview* P = FCurrentPreview;
    FViewerMode |= vmPrinting;
    UpdateControls();
    auto Status = std::make_unique<TPimPreviewStatus>(Application());
    Status->SetPreview(P);
    auto Finish = [&] {
        Status.reset();
        FViewerMode &= uint8_t(~vmPrinting);
        UpdateControls();
        // A close asked for during the run waited for the print loop to let go of the window.
        if (FCloseAfterPrint) {
            FCloseAfterPrint = false;
            Close();
        }
    };
    try {
        Status->Show();
        P->SetIgnorePrinterSettings(IgnorePrinterSettings);
        TPimPreviewStatus* S = Status.get();
        P->SetPrintStatus([S](TPimPrinter* Printer) { S->UpdateStatus(Printer); });
        P->SendPagesToPrinter(StartPage, EndPage);
    } catch (...) {
        Finish();
        throw;
    }
    Finish();
}

void TPimViewer::PrinterSetupClick() {
    TPimPrinterSetup* Setup = FCurrentPreview->PimPrinterSetup();
    Setup->SetDataReset();
    ExecutePrinterSetupDialog();
    Setup->GetData();
}

void TPimViewer::StopClick() {
    if (OnAbort) {
        // The routine goes before it runs, so that whatever it does, it runs once.
        auto Abort = std::move(OnAbort);
        OnAbort = nullptr;
        CallEventHandler(this, [&] { Abort(this); });
    }
    SetGenerating(false);
}

void TPimViewer::DoClose(TCloseAction& Action) {
    if (FViewerMode & vmPrinting) {
        // The print loop still uses this window: stop it and close once it has returned.
        if (TPimPrinter* Printer = FCurrentPreview->PimPrinter()) Printer->SetStopPrinting(true);
        FCloseAfterPrint = true;
        Action = caNone;
        return;
    }
    if (FGenerating) StopClick();
    // Whoever showed a modal viewer frees it; only a modeless one frees itself.
    Action = Modal() ? caHide : caFree;
    TCustomForm::DoClose(Action);
    if (Action == caFree) {
        Detach();
        FWindow->hide();
    }
}

void PimInstallViewerFactory() {
    SetPimViewerFactory([](TComponent* Owner) -> TPimJobViewer* {
        // Without a GUI there is no window to show; the job keeps its document.
        if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return nullptr;
        return new TPimViewer(Owner);
    });
}

namespace {
[[maybe_unused]] const bool GViewerFactoryInstalled = (PimInstallViewerFactory(), true);
} // namespace

void PimFileView(const QString& FileName) {
    auto Viewer = std::make_unique<TPimViewer>(nullptr);
    Viewer->SetWindowState(wsMaximized);
    Viewer->CurrentPreview()->LoadFromFile(FileName);
    Viewer->UpdatePage();
    Viewer->ShowModal();
}
