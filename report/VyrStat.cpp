#include "report/VyrStat.h"
#include "host/dialogs.h"
#include "host/mathutil.h"
#include "host/resstrings.h"
#include "output/PimUtil.h"
#include "viewer/PimMeter.h"

#include <QCloseEvent>
#include <QDialog>
#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

// The handler the window puts into the page's OnUpdateStatus. Being a type of its own, it tells the
// window whether the page still holds its hook or somebody has replaced it since.
struct TFormPrintStatus::THook {
    TFormPrintStatus* Form;
    void operator()(TVyrPage* APage, TVyrStatus Stat) const {
        // The end status puts the page's own handler back, which frees this object while it runs:
        // nothing of it is touched after the call.
        TFormPrintStatus* Target = Form;
        Target->HookedStatus(APage, Stat);
    }
};

namespace {

// Turns the close box of the window into the form's own Close, which only asks the abort question.
class TCloseFilter : public QObject {
public:
    explicit TCloseFilter(TCustomForm* AForm) : FForm(AForm) {}
    bool eventFilter(QObject*, QEvent* Event) override {
        if (Event->type() != QEvent::Close) return false;
        Event->ignore();
        FForm->Close();
        return true;
    }

private:
    TCustomForm* FForm;
};

QFont ArialFont(int PixelHeight, bool Bold) {
    QFont Font(QStringLiteral("Arial"));
    Font.setPixelSize(PixelHeight);
    Font.setBold(Bold);
    return Font;
}

template <class T> T* Make(QWidget* Parent, const char* Name, int X, int Y, int W, int H) {
    auto* Widget = new T(Parent);
    Widget->setObjectName(QString::fromLatin1(Name));
    Widget->setGeometry(X, Y, W, H);
    return Widget;
}

} // namespace

TFormPrintStatus::TFormPrintStatus(TComponent* AOwner)
    : TCustomForm(AOwner), FDialog(std::make_unique<QDialog>()) {
    QDialog* D = FDialog.get();
    D->setObjectName(QStringLiteral("FormPrintStatus"));
    D->setFixedSize(302, 131);
    D->setFont(ArialFont(13, false));
    SetBounds(0, 0, 302, 131);
    SetCaption(QStringLiteral("Print Status"));
    D->setWindowTitle(Caption());

    FPanel1 = Make<QFrame>(D, "Panel1", 0, 0, 302, 131);
    FPanel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    FPanel1->setLineWidth(2);
    QPalette Black = FPanel1->palette();
    Black.setColor(QPalette::WindowText, Qt::black);
    FlbWait = Make<QLabel>(FPanel1, "lbWait", 16, 16, 271, 19);
    FlbWait->setText(QStringLiteral("Printing Please Wait..."));
    FlbWait->setFont(ArialFont(16, true));
    FlbWait->setPalette(Black);
    FlbPage = Make<QLabel>(FPanel1, "lbPage", 42, 60, 45, 19);
    FlbPage->setText(QStringLiteral("Page:"));
    FlbPage->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    FlbPage->setFont(ArialFont(16, true));
    FlbPage->setPalette(Black);
    Fpagenumber = Make<QLabel>(FPanel1, "pagenumber", 92, 58, 81, 23);
    Fpagenumber->setText(QStringLiteral("1"));
    Fpagenumber->setAlignment(Qt::AlignCenter);
    Fpagenumber->setFont(ArialFont(17, true));
    FAbortbutton = Make<QPushButton>(FPanel1, "Abortbutton", 180, 50, 109, 33);
    FAbortbutton->setText(QStringLiteral("Abort"));
    FAbortbutton->setDefault(true);

    FLoadMeter = new TPimMeter(this);
    FLoadMeter->SetName(QStringLiteral("LoadMeter"));
    FLoadMeter->SetMeterColor(clRed);
    FLoadMeter->SetBackGroundColor(clWhite);
    FLoadMeter->SetBorderStyle(bsSingle);
    FLoadMeter->SetStyle(msHorizontal);
    FLoadMeter->SetMin(0);
    FLoadMeter->SetMax(100);
    FLoadMeter->SetProgress(0);
    FLoadMeter->SetShowText(true);
    if (QWidget* M = FLoadMeter->Widget()) {
        M->setParent(FPanel1);
        M->setObjectName(QStringLiteral("LoadMeter"));
    }
    FLoadMeter->SetBounds(16, 90, 271, 29);
    if (QWidget* M = FLoadMeter->Widget()) M->setGeometry(16, 90, 271, 29);

    QObject::connect(FAbortbutton, &QPushButton::clicked,
                     [this] { CallEventHandler(this, [this] { abortbuttonClick(); }); });
    FCloseFilter = std::make_unique<TCloseFilter>(this);
    D->installEventFilter(FCloseFilter.get());
    FormCreate();
}

TFormPrintStatus::~TFormPrintStatus() {
    Detach();
    if (FDialog) FDialog->removeEventFilter(FCloseFilter.get());
}

void TFormPrintStatus::BeforeDestruction() {
    // The page must not call a window on its way out.
    Detach();
    TCustomForm::BeforeDestruction();
    FLoadMeter = nullptr;
}

QWidget* TFormPrintStatus::Widget() const {
    return FDialog.get();
}

void TFormPrintStatus::FormCreate() {
    FClosing = false;
}

void TFormPrintStatus::DoShow() {
    FlbPage->setText(LoadStr(SPage));
    FAbortbutton->setText(LoadStr(SAbort));
    SetCaption(LoadStr(SPrintStatus));
    FDialog->setWindowTitle(Caption());
    TCustomForm::DoShow();
}

void TFormPrintStatus::Start(TVyrPage* APage) {
    Detach();
    FPage.Set(APage);
    if (APage) {
        if (const THook* Other = APage->OnUpdateStatus.target<THook>()) {
            // A window of an earlier pass still hooked: its page handler is the one to keep.
            TFormPrintStatus* Former = Other->Form;
            FUserUpdateStatus = std::move(Former->FUserUpdateStatus);
            Former->FUserUpdateStatus = nullptr;
            Former->FHooked = false;
        } else {
            FUserUpdateStatus = APage->OnUpdateStatus;
        }
        APage->OnUpdateStatus = THook{this};
        FHooked = true;
    }
    Show();
    Application()->ProcessMessages();
}

void TFormPrintStatus::HookedStatus(TVyrPage* APage, TVyrStatus Stat) {
    // The end status puts the page's own handler back before it runs, so take it first.
    const TVyrOnUpdateStatus User = FUserUpdateStatus;
    UpdateStatus(APage, Stat);
    if (User) User(APage, Stat);
}

void TFormPrintStatus::UpdateStatus(TVyrPage* APage, TVyrStatus Stat) {
    if (Stat == ssPrinting)
        FlbWait->setText(LoadStr(SPrintingWait));
    else if (Stat == ssGenerating)
        FlbWait->setText(LoadStr(SGeneratingWait));
    if (APage) {
        Fpagenumber->setText(QString::number(APage->PageNumber()));
        // A status past the end (a page count that grew after it was taken) still fills the bar only.
        const int64_t Percent = std::clamp<int64_t>(Round(APage->PercentDone()), 0, 100);
        FLoadMeter->SetProgress(int(Percent));
    }
    if (Stat == ssEnd) Finish();
}

void TFormPrintStatus::Finish() {
    if (FFinished) return;
    FFinished = true;
    Detach();
    FClosing = true;
    try {
        Close();
    } catch (...) {
        // The window goes all the same; a handler's error must not end the run's cleanup.
        Release();
    }
}

void TFormPrintStatus::DoClose(TCloseAction& Action) {
    TCustomForm::DoClose(Action);
    if (FClosing) {
        Hide();
        Action = caFree;
        return;
    }
    // The user's close box: the window stays and the user says what becomes of the run.
    Action = caNone;
    AskAbort();
}

void TFormPrintStatus::AskAbort() {
    const int Answer = PimAskAbort();
    if (Answer != IDYES && Answer != IDNO) return;
    const bool Discard = Answer == IDYES;
    TVyrPage* P = FPage.Get();
    if (OnAbort)
        OnAbort(P, Discard);
    else if (P)
        P->SetAbortPrinting(true);
}

QString TFormPrintStatus::WaitText() const {
    return FlbWait->text();
}

QString TFormPrintStatus::PageText() const {
    return Fpagenumber->text();
}

int TFormPrintStatus::Progress() const {
    return FLoadMeter ? FLoadMeter->Progress() : 0;
}

void TFormPrintStatus::Detach() {
    if (!FHooked) return;
    FHooked = false;
    TVyrOnUpdateStatus User = std::move(FUserUpdateStatus);
    FUserUpdateStatus = nullptr;
    TVyrPage* P = FPage.Get();
    if (!P) return;
    // Somebody who replaced the hook since keeps the page.
    const THook* Hook = P->OnUpdateStatus.target<THook>();
    if (Hook && Hook->Form == this) P->OnUpdateStatus = std::move(User);
}
