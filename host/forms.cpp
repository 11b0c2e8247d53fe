#include "host/forms.h"
#include "host/dialogs.h"
#include "host/messages.h"
#include "host/releasehold.h"
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QDialog>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <cmath>
#include <memory>
#include <vector>

// TCustomForm

namespace {
// Turns the window manager's close of a modal form's widget into the form's own Close.
class TModalCloseFilter : public QObject {
public:
    explicit TModalCloseFilter(TCustomForm* AForm) : FForm(AForm) {}
    bool eventFilter(QObject*, QEvent* Event) override {
        if (Event->type() == QEvent::Close) {
            Event->ignore();
            FForm->Close();
            return true;
        }
        if (Event->type() == QEvent::Hide && FForm->ModalResult() == mrNone) {
            // A Qt dialog that accepted or rejected itself has hidden its window.
            auto* Dialog = qobject_cast<QDialog*>(FForm->Widget());
            FForm->SetModalResult(Dialog && Dialog->result() == QDialog::Accepted ? mrOk : mrCancel);
        }
        return false;
    }

private:
    TCustomForm* FForm;
};
} // namespace

TCustomForm::TCustomForm(TComponent* AOwner) : TScrollBox(AOwner) {
    // A form's frame is its window's, outside the client area.
    SetBorderStyle(bsNone);
    TControl::SetVisible(false);
    SetBounds(0, 0, 320, 240);
}

TCustomForm::~TCustomForm() = default;

TModalResult TCustomForm::ShowModal() {
    return DialogService()->ShowModal(this);
}

void TCustomForm::SetVisible(bool Value) {
    if (Value == Visible()) return;
    TScrollBox::SetVisible(Value);
    if (QWidget* W = Widget()) W->setVisible(Value);
    if (Value)
        DoShow();
    else
        DoHide();
}

void TCustomForm::Close() {
    if (FModal) {
        SetModalResult(mrCancel);
        return;
    }
    if (!CloseQuery()) return;
    TCloseAction Action = caHide;
    DoClose(Action);
    switch (Action) {
    case caNone:
        break;
    case caHide:
        Hide();
        break;
    case caMinimize:
        FWindowState = wsMinimized;
        break;
    case caFree:
        Release();
        break;
    }
}

bool TCustomForm::CloseQuery() {
    bool CanClose = true;
    if (OnCloseQuery) OnCloseQuery(this, CanClose);
    return CanClose;
}

void TCustomForm::Release() {
    PostMessage(this, CM_RELEASE);
}

void TCustomForm::BeginModal() {
    FModal = true;
    FModalResult = mrNone;
    SetVisible(true);
}

void TCustomForm::EndModal() {
    SetVisible(false);
    FModal = false;
}

TModalResult TCustomForm::ExecuteModal() {
    QWidget* W = Widget();
    if (!W) throw EInvalidOperation(QStringLiteral("Cannot show a form without a window modally"));
    if (Visible()) throw EInvalidOperation(QStringLiteral("Cannot make a visible window modal"));
    W->setWindowModality(Qt::ApplicationModal);
    TModalCloseFilter Filter(this);
    QPointer<QWidget> Guard(W);
    W->installEventFilter(&Filter);
    BeginModal();
    QEventLoop Loop;
    for (;;) {
        while (FModalResult == mrNone && Guard)
            Loop.processEvents(QEventLoop::WaitForMoreEvents);
        if (!Guard) break;
        // The form may refuse to close; then the modal showing goes on.
        bool CanClose = CloseQuery();
        TCloseAction Action = caHide;
        if (CanClose) DoClose(Action);
        if (CanClose && Action != caNone) break;
        FModalResult = mrNone;
        if (!W->isVisible()) W->show();
    }
    if (Guard) W->removeEventFilter(&Filter);
    const TModalResult Result = FModalResult == mrNone ? mrCancel : FModalResult;
    EndModal();
    return Result;
}

namespace {
// The holds that live, and the forms whose release waits for them.
std::vector<const TReleaseHold*>& Holds() {
    static auto* List = new std::vector<const TReleaseHold*>();
    return *List;
}
std::vector<std::unique_ptr<TComponentRef<TCustomForm>>>& WaitingRelease() {
    static auto* List = new std::vector<std::unique_ptr<TComponentRef<TCustomForm>>>();
    return *List;
}
} // namespace

TReleaseHold::TReleaseHold(TComponent* Component) : FComponent(Component) {
    Holds().push_back(this);
}

TReleaseHold::~TReleaseHold() {
    std::erase(Holds(), this);
    // Each waiting form asks again; one still held waits on.
    std::vector<std::unique_ptr<TComponentRef<TCustomForm>>> Waiting;
    Waiting.swap(WaitingRelease());
    for (const auto& Form : Waiting)
        if (TCustomForm* F = Form->Get()) PostMessage(F, CM_RELEASE);
}

bool ReleaseHeld(const TComponent* Form) {
    for (const TReleaseHold* Hold : Holds())
        for (const TComponent* Up = Hold->Component(); Up; Up = Up->Owner())
            if (Up == Form) return true;
    return false;
}

void TCustomForm::WndProc(TMessage& Message) {
    if (Message.Msg == CM_RELEASE) {
        if (ReleaseHeld(this)) {
            WaitingRelease().push_back(std::make_unique<TComponentRef<TCustomForm>>(this));
            return;
        }
        delete this;
        return;
    }
    TScrollBox::WndProc(Message);
}

void TCustomForm::DoShow() {
    if (OnShow) OnShow(this);
}

void TCustomForm::DoHide() {
    if (OnHide) OnHide(this);
}

void TCustomForm::DoClose(TCloseAction& Action) {
    if (OnClose) OnClose(this, Action);
}

void WithFormsNotOnTop(std::initializer_list<TCustomForm*> Forms, const std::function<void()>& Action) {
    auto OnTop = [&Forms](bool Value) {
        for (TCustomForm* Form : Forms) {
            if (!Form || Form->FormStyle() != fsStayOnTop || !Form->Widget()) continue;
            QWidget* W = Form->Widget();
            const bool Shown = W->isVisible();
            W->setWindowFlag(Qt::WindowStaysOnTopHint, Value);
            // Changing a window's flags hides it.
            if (Shown) W->show();
        }
    };
    OnTop(false);
    try {
        Action();
    } catch (...) {
        OnTop(true);
        throw;
    }
    OnTop(true);
}

// TApplication

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {
    SetMessageExceptionHandler([this](TComponent* Sender) { HandleException(Sender); });
}

TApplication::~TApplication() {
    SetMessageExceptionHandler(nullptr);
}

void TApplication::ProcessMessages() {
    DeliverPostedMessages();
    if (QCoreApplication::instance()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        DeliverPostedMessages();
    }
}

void TApplication::HandleException(TComponent* Sender) {
    HandleException(Sender, std::current_exception());
}

void TApplication::HandleException(TComponent* Sender, std::exception_ptr Error) {
    if (!Error) return;
    auto Handle = [&](const Exception& E) {
        if (OnException)
            OnException(Sender, E);
        else
            ShowException(E);
    };
    try {
        std::rethrow_exception(Error);
    } catch (const EAbort&) {
    } catch (const Exception& E) {
        Handle(E);
    } catch (...) {
        Handle(Exception(ExceptionMessage(std::current_exception())));
    }
}

QString TApplication::ExceptionMessage(std::exception_ptr Error) {
    if (!Error) return QString();
    try {
        std::rethrow_exception(Error);
    } catch (const EAbort&) {
        return QString();
    } catch (const Exception& E) {
        return E.Message();
    } catch (const std::exception& E) {
        return QString::fromLocal8Bit(E.what());
    } catch (...) {
        return QStringLiteral("Unknown exception");
    }
}

void TApplication::ShowException(const Exception& E) {
    QString Text = E.Message();
    // A sentence gets its full stop; a text that already ends in punctuation keeps it.
    if (!Text.isEmpty() && Text.back().isLetterOrNumber()) Text += u'.';
    MessageBox(Text, FTitle, MB_OK | MB_ICONSTOP);
}

int TApplication::MessageBox(const QString& Text, const QString& Caption, unsigned Flags) {
    return ::MessageBox(Text, Caption, Flags);
}

void TApplication::Reset() {
    DestroyComponents();
    OnException = nullptr;
    FTitle = QCoreApplication::instance() ? QCoreApplication::applicationName() : QString();
    FTerminated = false;
    ClearPostedMessages();
}

// TScreen

TScreen::TScreen(TComponent* AOwner) : TComponent(AOwner) {
    Reset();
}

TScreen::~TScreen() {
    if (FCursorOverridden && qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        QGuiApplication::restoreOverrideCursor();
}

void TScreen::SetPixelsPerInch(int Value) {
    if (Value > 0) FPixelsPerInch = Value;
}

int TScreen::Width() const {
    if (FWidth > 0) return FWidth;
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return 1024;
    QScreen* Primary = QGuiApplication::primaryScreen();
    return Primary ? Primary->geometry().width() : 1024;
}

int TScreen::Height() const {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return 768;
    QScreen* Primary = QGuiApplication::primaryScreen();
    return Primary ? Primary->geometry().height() : 768;
}

int TScreen::WorkAreaHeight() const {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return Height();
    QScreen* Primary = QGuiApplication::primaryScreen();
    return Primary ? Primary->availableGeometry().height() : Height();
}

namespace {
Qt::CursorShape ShapeOf(TCursor Cursor) {
    switch (Cursor) {
    case crCross:
        return Qt::CrossCursor;
    case crIBeam:
        return Qt::IBeamCursor;
    case crSizeNESW:
        return Qt::SizeBDiagCursor;
    case crSizeNS:
        return Qt::SizeVerCursor;
    case crSizeNWSE:
        return Qt::SizeFDiagCursor;
    case crSizeWE:
        return Qt::SizeHorCursor;
    case crUpArrow:
        return Qt::UpArrowCursor;
    case crHourGlass:
    case crSQLWait:
        return Qt::WaitCursor;
    case crAppStart:
        return Qt::BusyCursor;
    case crNo:
    case crNoDrop:
        return Qt::ForbiddenCursor;
    case crHSplit:
        return Qt::SplitHCursor;
    case crVSplit:
        return Qt::SplitVCursor;
    case crHelp:
        return Qt::WhatsThisCursor;
    case crHandPoint:
        return Qt::PointingHandCursor;
    case crDrag:
    case crMultiDrag:
        return Qt::DragMoveCursor;
    default:
        return Qt::ArrowCursor;
    }
}
} // namespace

void TScreen::SetCursor(TCursor Value) {
    if (Value == FCursor) return;
    FCursor = Value;
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return;
    if (FCursorOverridden) {
        QGuiApplication::restoreOverrideCursor();
        FCursorOverridden = false;
    }
    if (Value != crDefault) {
        QGuiApplication::setOverrideCursor(QCursor(ShapeOf(Value)));
        FCursorOverridden = true;
    }
}

void TScreen::Reset() {
    SetCursor(crDefault);
    FWidth = 0;
    FPixelsPerInch = 96;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        if (QScreen* Primary = QGuiApplication::primaryScreen())
            FPixelsPerInch = static_cast<int>(std::lround(Primary->logicalDotsPerInchY()));
    if (FPixelsPerInch <= 0) FPixelsPerInch = 96;
}

// Globals

namespace {
TApplication* GApplication = nullptr;
TScreen* GScreen = nullptr;

// Forms owned by the application may hold widgets, which must go before Qt's application object.
void FreeApplicationAtQtExit() {
    if (GApplication) GApplication->Reset();
}
} // namespace

TApplication* Application() {
    if (!GApplication) {
        GApplication = new TApplication(nullptr);
        GApplication->Reset();
        if (QCoreApplication::instance()) qAddPostRoutine(FreeApplicationAtQtExit);
    }
    return GApplication;
}

TScreen* Screen() {
    if (!GScreen) GScreen = new TScreen(nullptr);
    return GScreen;
}

void ResetApplication() {
    Application()->Reset();
    Screen()->Reset();
}

bool CallEventHandler(TComponent* Sender, const std::function<void()>& Handler) {
    if (!Handler) return true;
    try {
        Handler();
        return true;
    } catch (...) {
        Application()->HandleException(Sender);
        return false;
    }
}
