#pragma once
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

class TCustomForm;

using TModalResult = int;
// The results of modal forms and message dialogs; the numbers are those of the message box's IDs.
enum : TModalResult {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
    mrClose = 8,
    mrHelp = 9,
    mrAll = 12,
    mrNoToAll = 13,
    mrYesToAll = 14,
};

// Message box flags and answers.
enum : unsigned {
    MB_OK = 0x0000,
    MB_OKCANCEL = 0x0001,
    MB_ABORTRETRYIGNORE = 0x0002,
    MB_YESNOCANCEL = 0x0003,
    MB_YESNO = 0x0004,
    MB_RETRYCANCEL = 0x0005,
    MB_TYPEMASK = 0x000F,
    MB_ICONHAND = 0x0010,
    MB_ICONSTOP = MB_ICONHAND,
    MB_ICONERROR = MB_ICONHAND,
    MB_ICONQUESTION = 0x0020,
    MB_ICONEXCLAMATION = 0x0030,
    MB_ICONWARNING = MB_ICONEXCLAMATION,
    MB_ICONASTERISK = 0x0040,
    MB_ICONINFORMATION = MB_ICONASTERISK,
    MB_ICONMASK = 0x00F0,
    MB_DEFBUTTON1 = 0x0000,
    MB_DEFBUTTON2 = 0x0100,
    MB_DEFBUTTON3 = 0x0200,
    MB_DEFMASK = 0x0F00,
};
enum : int { IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7 };

enum TMsgDlgType : uint8_t { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

enum TMsgDlgBtn : uint16_t {
    mbYes = 0x0001,
    mbNo = 0x0002,
    mbOK = 0x0004,
    mbCancel = 0x0008,
    mbAbort = 0x0010,
    mbRetry = 0x0020,
    mbIgnore = 0x0040,
    mbAll = 0x0080,
    mbNoToAll = 0x0100,
    mbYesToAll = 0x0200,
    mbHelp = 0x0400,
    mbClose = 0x0800,
};
using TMsgDlgButtons = uint16_t;
inline constexpr TMsgDlgButtons mbYesNo = mbYes | mbNo;
inline constexpr TMsgDlgButtons mbYesNoCancel = mbYes | mbNo | mbCancel;
inline constexpr TMsgDlgButtons mbOKCancel = mbOK | mbCancel;
inline constexpr TMsgDlgButtons mbAbortRetryIgnore = mbAbort | mbRetry | mbIgnore;
inline constexpr TMsgDlgButtons mbAbortIgnore = mbAbort | mbIgnore;

// The modal result that a button gives.
TModalResult ModalResultOf(TMsgDlgBtn Button);

// One question put to the user.
struct TMessageRequest {
    QString Caption;
    QString Text;
    TMsgDlgType DlgType = mtInformation;
    TMsgDlgButtons Buttons = mbOK;
    TMsgDlgBtn DefaultButton = mbOK;
};

// A file chosen in an open or save dialog. Filter is "Text|*.txt|All|*.*"; FilterIndex counts from 1.
struct TFileRequest {
    QString Title;
    QString Filter;
    int FilterIndex = 1;
    QString InitialDir;
    QString FileName;
    QString DefaultExt;
    bool Save = false;
    bool OverwritePrompt = true;
    // Called while the dialog is open whenever the user picks another type: FilterIndex already
    // holds the new type and FileName the name in the dialog; the handler may rename the file.
    std::function<void(TFileRequest& Request)> OnTypeChange;
};

// Everything the system shows modally goes through this service, so that tests can answer by script.
// The default service shows real Qt dialogs.
class TDialogService {
public:
    virtual ~TDialogService();
    // Returns the modal result of the button pressed (mrCancel when the box was closed).
    virtual TModalResult MessageDlg(const TMessageRequest& Request) = 0;
    // Shows the form modally and returns its modal result.
    virtual TModalResult ShowModal(TCustomForm* Form) = 0;
    // Fills in Request.FileName and FilterIndex and returns true when a file was chosen.
    virtual bool ExecuteFileDialog(TFileRequest& Request) = 0;
    // Lets the user choose the current printer and its paper, bin, orientation and duplex, which go
    // into Printer()'s device mode; returns true when the choice was confirmed. The default shows
    // the Qt printer-setup dialog.
    virtual bool ExecutePrinterSetup();
};

// Whether the Qt service can show a dialog that somebody could answer. On the offscreen and minimal
// platforms nobody can, so a modal dialog would wait for ever: there the Qt service does not show it,
// logs it and answers as if it had been closed (Cancel, else No, else the last button; no file; a
// form gets mrCancel). A program that drives such dialogs itself (a test pressing buttons from a
// timer) allows them with SetUnattendedDialogs(true).
bool DialogsCanBeAnswered();
void SetUnattendedDialogs(bool Allowed);

// The service in use; never nullptr.
TDialogService* DialogService();
// Installs a service (not owned; nullptr puts back the Qt one) and returns the previous one.
TDialogService* SetDialogService(TDialogService* Service);
// The service that shows real Qt dialogs.
TDialogService* QtDialogService();

// The printer-setup dialog of the service in use.
bool ExecutePrinterSetupDialog();

// A message text as a Qt message box shows it: the platform's line breaks (CR LF, and a lone CR as
// the system's texts use) become line feeds.
QString MessageBoxText(const QString& Text);

// The caption used when a message box has none: the application's title.
TModalResult MessageDlg(const QString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx = 0);
TModalResult MessageDlgDef(const QString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons,
                           TMsgDlgBtn DefaultButton);
void ShowMessage(const QString& Msg);
// The platform's message box: Flags choose buttons, icon and default button; returns an ID value.
int MessageBox(const QString& Text, const QString& Caption, unsigned Flags);
