#include "support/scripteddialogs.h"
#include "host/forms.h"
#include <gtest/gtest.h>

TScriptedDialogs::TScriptedDialogs() : FPrevious(SetDialogService(this)) {}

TScriptedDialogs::~TScriptedDialogs() {
    SetDialogService(FPrevious);
    EXPECT_EQ(Pending(), 0) << "scripted answers left unused";
}

void TScriptedDialogs::Answer(TModalResult Result) {
    TAnswer A;
    A.Kind = TShown::skMessage;
    A.Result = Result;
    FAnswers.push_back(std::move(A));
}

void TScriptedDialogs::AnswerForm(TFormScript Script) {
    TAnswer A;
    A.Kind = TShown::skForm;
    A.Script = std::move(Script);
    FAnswers.push_back(std::move(A));
}

void TScriptedDialogs::AnswerForm(TModalResult Result) {
    AnswerForm([Result](TCustomForm*) { return Result; });
}

void TScriptedDialogs::AnswerFile(const QString& FileName, int FilterIndex) {
    TAnswer A;
    A.Kind = TShown::skFile;
    A.FileName = FileName;
    A.FilterIndex = FilterIndex;
    FAnswers.push_back(std::move(A));
}

void TScriptedDialogs::AnswerPrinterSetup(std::function<void()> Script, bool Confirm) {
    TAnswer A;
    A.Kind = TShown::skPrinterSetup;
    A.Setup = std::move(Script);
    A.Result = Confirm ? mrOk : mrCancel;
    FAnswers.push_back(std::move(A));
}

void TScriptedDialogs::SetUnscriptedAnswer(TModalResult Result) {
    FUnscriptedAllowed = true;
    FUnscripted = Result;
}

int TScriptedDialogs::MessageCount() const {
    int Count = 0;
    for (const TShown& S : FShown)
        if (S.Kind == TShown::skMessage) ++Count;
    return Count;
}

const TScriptedDialogs::TShown& TScriptedDialogs::Last() const {
    static const TShown None;
    return FShown.empty() ? None : FShown.back();
}

int TScriptedDialogs::Pending() const {
    return static_cast<int>(FAnswers.size());
}

TScriptedDialogs::TAnswer TScriptedDialogs::Next(TShown::TKind Kind, const QString& What) {
    if (!FAnswers.empty() && FAnswers.front().Kind == Kind) {
        TAnswer A = std::move(FAnswers.front());
        FAnswers.pop_front();
        return A;
    }
    if (!FUnscriptedAllowed) ADD_FAILURE() << "unscripted dialog: " << What.toStdString();
    TAnswer A;
    A.Kind = Kind;
    A.Result = FUnscripted;
    A.FilterIndex = 0; // an unscripted file dialog leaves the type alone
    return A;
}

TModalResult TScriptedDialogs::MessageDlg(const TMessageRequest& Request) {
    TShown S;
    S.Kind = TShown::skMessage;
    S.Caption = Request.Caption;
    S.Text = Request.Text;
    S.DlgType = Request.DlgType;
    S.Buttons = Request.Buttons;
    S.DefaultButton = Request.DefaultButton;
    S.Result = Next(TShown::skMessage, Request.Caption + QStringLiteral(": ") + Request.Text).Result;
    FShown.push_back(S);
    return S.Result;
}

TModalResult TScriptedDialogs::ShowModal(TCustomForm* Form) {
    TShown S;
    S.Kind = TShown::skForm;
    S.Caption = Form->Caption();
    S.Text = Form->ClassName();
    TAnswer A = Next(TShown::skForm, S.Text);
    Form->BeginModal();
    S.Caption = Form->Caption(); // OnShow often sets it
    TModalResult Result = A.Result;
    if (A.Script) {
        try {
            Result = A.Script(Form);
        } catch (...) {
            Form->EndModal();
            throw;
        }
    }
    if (Result == mrNone) Result = Form->ModalResult();
    if (Result == mrNone) Result = mrCancel;
    Form->SetModalResult(Result);
    Form->EndModal();
    S.Result = Result;
    FShown.push_back(S);
    return Result;
}

bool TScriptedDialogs::ExecuteFileDialog(TFileRequest& Request) {
    TShown S;
    S.Kind = TShown::skFile;
    S.Caption = Request.Title;
    S.Text = Request.FileName;
    TAnswer A = Next(TShown::skFile, Request.Title);
    bool Chosen = !A.FileName.isEmpty();
    if (A.FilterIndex > 0 && A.FilterIndex != Request.FilterIndex && Request.OnTypeChange) {
        Request.FilterIndex = A.FilterIndex;
        Request.OnTypeChange(Request);
        S.Renamed = Request.FileName;
        Chosen = Chosen || !Request.FileName.isEmpty();
    }
    if (Chosen) {
        if (!A.FileName.isEmpty()) Request.FileName = A.FileName;
        Request.FilterIndex = A.FilterIndex;
    }
    S.Result = Chosen ? mrOk : mrCancel;
    FShown.push_back(S);
    return Chosen;
}

bool TScriptedDialogs::ExecutePrinterSetup() {
    TShown S;
    S.Kind = TShown::skPrinterSetup;
    S.Caption = QStringLiteral("Printer Setup");
    TAnswer A = Next(TShown::skPrinterSetup, S.Caption);
    if (A.Setup) A.Setup();
    S.Result = A.Result == mrOk ? mrOk : mrCancel;
    FShown.push_back(S);
    return S.Result == mrOk;
}
