#pragma once
#include "host/classes.h"
#include "host/controls.h"
#include "host/dialogs.h"
#include <functional>
#include <initializer_list>

class QWidget;

enum TCloseAction : uint8_t { caNone, caHide, caFree, caMinimize };
enum TFormStyle : uint8_t { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TWindowState : uint8_t { wsNormal, wsMinimized, wsMaximized };

// A top-level window. Without a widget it is a plain container (tests, headless runs); a class that
// shows a real window returns its Qt widget from Widget(). Modal showing goes through the dialog
// service, so tests answer forms by script.
class TCustomForm : public TScrollBox {
public:
    explicit TCustomForm(TComponent* AOwner);
    ~TCustomForm() override;

    virtual QWidget* Widget() const { return nullptr; }

    TModalResult ShowModal();
    // Setting a result other than mrNone ends a modal showing.
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult Value) { FModalResult = Value; }
    bool Modal() const { return FModal; }
    void SetVisible(bool Value) override;
    // Asks OnCloseQuery, then OnClose: a modal form ends with mrCancel, another is hidden or freed.
    void Close();
    bool CloseQuery();
    // Frees the form once the messages being handled are done with.
    void Release();

    TFormStyle FormStyle() const { return FFormStyle; }
    void SetFormStyle(TFormStyle Value) { FFormStyle = Value; }
    TWindowState WindowState() const { return FWindowState; }
    void SetWindowState(TWindowState Value) { FWindowState = Value; }

    // The steps around a modal showing, for dialog services: BeginModal makes the form visible and
    // runs OnShow, EndModal hides it (OnHide).
    void BeginModal();
    void EndModal();
    // The real modal loop over the form's widget; the Qt dialog service uses it.
    TModalResult ExecuteModal();

    std::function<void(TComponent* Sender)> OnShow;
    std::function<void(TComponent* Sender)> OnHide;
    std::function<void(TComponent* Sender, TCloseAction& Action)> OnClose;
    std::function<void(TComponent* Sender, bool& CanClose)> OnCloseQuery;

    void WndProc(TMessage& Message) override;

protected:
    virtual void DoShow();
    virtual void DoHide();
    virtual void DoClose(TCloseAction& Action);

private:
    TModalResult FModalResult = mrNone;
    bool FModal = false;
    TFormStyle FFormStyle = fsNormal;
    TWindowState FWindowState = wsNormal;
};

class TForm : public TCustomForm {
public:
    using TCustomForm::TCustomForm;
};

// The application object: owner of the forms that live as long as the program, the pump of posted
// messages and Qt's events, and the handler of exceptions that no caller takes.
class TApplication : public TComponent {
public:
    explicit TApplication(TComponent* AOwner);
    ~TApplication() override;

    // Delivers the posted messages and Qt's pending events, then the messages those posted.
    void ProcessMessages();

    // Takes the exception being handled (call it inside a catch block): the silent abort is dropped,
    // anything else goes to OnException when assigned, otherwise it is shown in a message box.
    void HandleException(TComponent* Sender);
    void HandleException(TComponent* Sender, std::exception_ptr Error);
    // The message an exception shows; an empty text for the silent abort and for no exception.
    static QString ExceptionMessage(std::exception_ptr Error);
    // Shows an exception's message in an error message box.
    void ShowException(const Exception& E);

    // Shows a message box through the dialog service; Flags and the result are MB_ and ID values.
    int MessageBox(const QString& Text, const QString& Caption, unsigned Flags);

    // Makes a form owned by the application.
    template <class T> T* CreateForm() { return new T(this); }

    const QString& Title() const { return FTitle; }
    void SetTitle(const QString& Value) { FTitle = Value; }
    bool Terminated() const { return FTerminated; }
    void Terminate() { FTerminated = true; }

    std::function<void(TComponent* Sender, const Exception& E)> OnException;

    // Brings the object back to its state at start: forms freed, handler and title reset, the posted
    // messages dropped.
    void Reset();

private:
    QString FTitle;
    bool FTerminated = false;
};

enum TCursor : int16_t {
    crDefault = 0,
    crArrow = -2,
    crCross = -3,
    crIBeam = -4,
    crSizeNESW = -6,
    crSizeNS = -7,
    crSizeNWSE = -8,
    crSizeWE = -9,
    crUpArrow = -10,
    crHourGlass = -11,
    crDrag = -12,
    crNoDrop = -13,
    crHSplit = -14,
    crVSplit = -15,
    crMultiDrag = -16,
    crSQLWait = -17,
    crNo = -18,
    crAppStart = -19,
    crHelp = -20,
    crHandPoint = -21,
};

// The screen: its resolution for everything that converts between points and pixels.
class TScreen : public TComponent {
public:
    explicit TScreen(TComponent* AOwner);
    ~TScreen() override;

    // The screen's pixels per inch: the primary screen's logical resolution, or 96 without a display.
    int PixelsPerInch() const { return FPixelsPerInch; }
    void SetPixelsPerInch(int Value);
    // The primary screen's size, or 1024 x 768 without a display.
    int Width() const;
    int Height() const;
    // The height of the primary screen that windows may take, without the desktop's panels; the
    // screen's height without a display.
    int WorkAreaHeight() const;
    // A width that stands in for the screen's (tests); 0 gives the screen's own back.
    void SetWidth(int Value) { FWidth = Value > 0 ? Value : 0; }

    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor Value);

    void Reset();

private:
    int FPixelsPerInch = 96;
    int FWidth = 0;
    TCursor FCursor = crDefault;
    bool FCursorOverridden = false;
};

// The one application object and the one screen; both are made on first use.
TApplication* Application();
TScreen* Screen();
// Puts both back to their state at start (for tests).
void ResetApplication();

// Runs Action with the given stay-on-top forms made ordinary windows, so that a dialog it shows is not
// hidden behind them; they are put on top again afterwards, also when Action raises. Forms that are
// nullptr, not stay-on-top or without a window are passed over.
void WithFormsNotOnTop(std::initializer_list<TCustomForm*> Forms, const std::function<void()>& Action);

// Runs an event handler: an exception it raises goes to the application's exception handler and the
// caller goes on. Returns false when the handler raised.
bool CallEventHandler(TComponent* Sender, const std::function<void()>& Handler);
