#pragma once
#include "host/dialogs.h"
#include <QString>
#include <deque>
#include <functional>
#include <vector>

class TCustomForm;

// A dialog service that answers from a script, so that no test waits in a modal loop. While an
// object of this class lives it is the installed service; the previous one comes back when it goes.
//
// Answers are taken in order. A message box or form shown with no answer left is a test failure
// (reported through GoogleTest) and is answered with Cancel, unless the test allowed it with
// SetUnscriptedAnswer.
class TScriptedDialogs : public TDialogService {
public:
    // What the user was shown, in order.
    struct TShown {
        enum TKind : uint8_t { skMessage, skForm, skFile, skPrinterSetup } Kind = skMessage;
        QString Caption;
        QString Text; // message text, or the form's class name
        TMsgDlgType DlgType = mtCustom;
        TMsgDlgButtons Buttons = 0;
        TMsgDlgBtn DefaultButton = mbOK;
        TModalResult Result = mrNone;
        // A file dialog whose answer picked another type: the name the type change left in it.
        QString Renamed;
    };
    using TFormScript = std::function<TModalResult(TCustomForm* Form)>;

    TScriptedDialogs();
    ~TScriptedDialogs() override;
    TScriptedDialogs(const TScriptedDialogs&) = delete;
    TScriptedDialogs& operator=(const TScriptedDialogs&) = delete;

    // The next message box is answered with Result (mrYes, mrNo, ... or IDYES, IDNO, ...).
    void Answer(TModalResult Result);
    // The next modal form runs Script while shown (after OnShow); its result, or the form's modal
    // result when the script returns mrNone, ends the showing.
    void AnswerForm(TFormScript Script);
    void AnswerForm(TModalResult Result);
    // The next file dialog returns FileName (an empty name = cancelled). When FilterIndex differs
    // from the type the dialog opened with, the request's type-change handler runs first, as if the
    // user had picked that type; an empty FileName then takes the name the handler left.
    void AnswerFile(const QString& FileName, int FilterIndex = 1);
    // The next printer-setup dialog runs Script on Printer() while shown (choosing a printer, editing
    // its device mode) and is confirmed, or cancelled when Confirm is false.
    void AnswerPrinterSetup(std::function<void()> Script, bool Confirm = true);
    // Answer for anything shown beyond the script instead of failing the test.
    void SetUnscriptedAnswer(TModalResult Result);

    const std::vector<TShown>& Shown() const { return FShown; }
    int MessageCount() const;
    const TShown& Last() const;
    // Answers that were scripted but not used.
    int Pending() const;

    TModalResult MessageDlg(const TMessageRequest& Request) override;
    TModalResult ShowModal(TCustomForm* Form) override;
    bool ExecuteFileDialog(TFileRequest& Request) override;
    bool ExecutePrinterSetup() override;

private:
    struct TAnswer {
        TShown::TKind Kind;
        TModalResult Result = mrNone;
        TFormScript Script;
        QString FileName;
        int FilterIndex = 1;
        std::function<void()> Setup;
    };
    TAnswer Next(TShown::TKind Kind, const QString& What);

    std::deque<TAnswer> FAnswers;
    std::vector<TShown> FShown;
    TDialogService* FPrevious = nullptr;
    bool FUnscriptedAllowed = false;
    TModalResult FUnscripted = mrCancel;
};
