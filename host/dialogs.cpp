#include "host/dialogs.h"
#include "host/forms.h"
#include "host/printsetup.h"
#include <QAbstractButton>
#include <QApplication>
#include <QDebug>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<TMsgDlgBtn, TModalResult>, 12> ButtonResults{{
    {mbYes, mrYes},
    {mbNo, mrNo},
    {mbOK, mrOk},
    {mbCancel, mrCancel},
    {mbAbort, mrAbort},
    {mbRetry, mrRetry},
    {mbIgnore, mrIgnore},
    {mbAll, mrAll},
    {mbNoToAll, mrNoToAll},
    {mbYesToAll, mrYesToAll},
    {mbHelp, mrHelp},
    {mbClose, mrClose},
}};

QMessageBox::StandardButton StandardButtonOf(TMsgDlgBtn Button) {
    switch (Button) {
    case mbYes:
        return QMessageBox::Yes;
    case mbNo:
        return QMessageBox::No;
    case mbOK:
        return QMessageBox::Ok;
    case mbCancel:
        return QMessageBox::Cancel;
    case mbAbort:
        return QMessageBox::Abort;
    case mbRetry:
        return QMessageBox::Retry;
    case mbIgnore:
        return QMessageBox::Ignore;
    case mbNoToAll:
        return QMessageBox::NoToAll;
    case mbYesToAll:
        return QMessageBox::YesToAll;
    case mbHelp:
        return QMessageBox::Help;
    case mbClose:
        return QMessageBox::Close;
    case mbAll:
        break;
    }
    return QMessageBox::NoButton;
}

QString DefaultCaption(TMsgDlgType DlgType) {
    switch (DlgType) {
    case mtWarning:
        return QStringLiteral("Warning");
    case mtError:
        return QStringLiteral("Error");
    case mtInformation:
        return QStringLiteral("Information");
    case mtConfirmation:
        return QStringLiteral("Confirm");
    case mtCustom:
        break;
    }
    return Application()->Title();
}

bool GUnattendedDialogs = false;

// Real dialogs of Qt; where nobody could answer them they count as closed.
class TQtDialogService : public TDialogService {
public:
    TModalResult MessageDlg(const TMessageRequest& Request) override {
        if (!DialogsCanBeAnswered()) {
            qWarning().noquote() << "Message box not shown (no display):" << Request.Caption << "-"
                                 << Request.Text;
            return mrCancel;
        }
        QMessageBox Box;
        Box.setWindowTitle(Request.Caption);
        Box.setText(MessageBoxText(Request.Text));
        switch (Request.DlgType) {
        case mtWarning:
            Box.setIcon(QMessageBox::Warning);
            break;
        case mtError:
            Box.setIcon(QMessageBox::Critical);
            break;
        case mtInformation:
            Box.setIcon(QMessageBox::Information);
            break;
        case mtConfirmation:
            Box.setIcon(QMessageBox::Question);
            break;
        case mtCustom:
            break;
        }
        std::vector<std::pair<QAbstractButton*, TModalResult>> Made;
        for (const auto& [Button, Result] : ButtonResults) {
            if (!(Request.Buttons & Button)) continue;
            QAbstractButton* Made1 = nullptr;
            if (Button == mbAll)
                Made1 = Box.addButton(QStringLiteral("&All"), QMessageBox::AcceptRole);
            else
                Made1 = Box.addButton(StandardButtonOf(Button));
            Made.emplace_back(Made1, Result);
            if (Button == Request.DefaultButton) Box.setDefaultButton(qobject_cast<QPushButton*>(Made1));
        }
        Box.exec();
        for (const auto& [Button, Result] : Made)
            if (Button == Box.clickedButton()) return Result;
        return mrCancel;
    }

    TModalResult ShowModal(TCustomForm* Form) override {
        if (!DialogsCanBeAnswered() && Form->Widget()) {
            qWarning().noquote() << "Modal form not shown (no display):" << Form->ClassName();
            return mrCancel;
        }
        return Form->ExecuteModal();
    }

    bool ExecuteFileDialog(TFileRequest& Request) override {
        if (!DialogsCanBeAnswered()) {
            qWarning().noquote() << "File dialog not shown (no display):" << Request.Title;
            return false;
        }
        QFileDialog Dialog(nullptr, Request.Title, Request.InitialDir);
        const QStringList Parts = Request.Filter.split(u'|');
        QStringList Filters;
        for (qsizetype i = 0; i + 1 < Parts.size(); i += 2) {
            const QString Masks = QString(Parts[i + 1]).replace(u';', u' ');
            // "Pim File (*.pim)" already shows its masks; Qt reads them from the brackets either way.
            Filters << (Parts[i].endsWith(u'(' + Masks + u')')
                            ? Parts[i]
                            : QStringLiteral("%1 (%2)").arg(Parts[i], Masks));
        }
        Dialog.setNameFilters(Filters);
        if (Request.FilterIndex >= 1 && Request.FilterIndex <= Filters.size())
            Dialog.selectNameFilter(Filters[Request.FilterIndex - 1]);
        Dialog.setAcceptMode(Request.Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        Dialog.setFileMode(Request.Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        if (!Request.OverwritePrompt) Dialog.setOption(QFileDialog::DontConfirmOverwrite);
        Dialog.setDefaultSuffix(Request.DefaultExt);
        if (!Request.FileName.isEmpty()) Dialog.selectFile(Request.FileName);
        if (Request.OnTypeChange) {
            // Only Qt's own dialog lets a change of type rename the file in its name box.
            Dialog.setOption(QFileDialog::DontUseNativeDialog);
            QObject::connect(&Dialog, &QFileDialog::filterSelected, &Dialog, [&](const QString& Filter) {
                // Qt may have tidied the filter texts it was given; its own list has them as shown.
                const int Index = static_cast<int>(Dialog.nameFilters().indexOf(Filter)) + 1;
                if (Index < 1) return;
                auto* NameBox = Dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                Request.FilterIndex = Index;
                if (NameBox) Request.FileName = NameBox->text();
                Request.OnTypeChange(Request);
                if (NameBox) NameBox->setText(QFileInfo(Request.FileName).fileName());
            });
        }
        if (Dialog.exec() != QDialog::Accepted || Dialog.selectedFiles().isEmpty()) return false;
        Request.FileName = Dialog.selectedFiles().constFirst();
        Request.FilterIndex = static_cast<int>(Filters.indexOf(Dialog.selectedNameFilter())) + 1;
        if (Request.FilterIndex < 1) Request.FilterIndex = 1;
        return true;
    }
};

TDialogService* GService = nullptr;

// The buttons of each message box type, in the order the default-button flag counts them.
std::vector<TMsgDlgBtn> ButtonsOfType(unsigned Type) {
    switch (Type) {
    case MB_OKCANCEL:
        return {mbOK, mbCancel};
    case MB_ABORTRETRYIGNORE:
        return {mbAbort, mbRetry, mbIgnore};
    case MB_YESNOCANCEL:
        return {mbYes, mbNo, mbCancel};
    case MB_YESNO:
        return {mbYes, mbNo};
    case MB_RETRYCANCEL:
        return {mbRetry, mbCancel};
    default:
        return {mbOK};
    }
}

} // namespace

TModalResult ModalResultOf(TMsgDlgBtn Button) {
    for (const auto& [B, Result] : ButtonResults)
        if (B == Button) return Result;
    return mrNone;
}

QString MessageBoxText(const QString& Text) {
    QString Result = Text;
    Result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    Result.replace(u'\r', u'\n');
    return Result;
}

TDialogService::~TDialogService() = default;

bool TDialogService::ExecutePrinterSetup() {
    TPrinterSetupDialog Dialog;
    if (!DialogsCanBeAnswered()) {
        qWarning().noquote() << "Printer setup not shown (no display)";
        return false;
    }
    if (Dialog.exec() != QDialog::Accepted) {
        Dialog.Revert();
        return false;
    }
    Dialog.Apply();
    return true;
}

bool ExecutePrinterSetupDialog() {
    return DialogService()->ExecutePrinterSetup();
}

bool DialogsCanBeAnswered() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return false;
    if (GUnattendedDialogs) return true;
    const QString Platform = QGuiApplication::platformName();
    return Platform != QLatin1String("offscreen") && Platform != QLatin1String("minimal");
}

void SetUnattendedDialogs(bool Allowed) {
    GUnattendedDialogs = Allowed;
}

TDialogService* QtDialogService() {
    static auto* Service = new TQtDialogService();
    return Service;
}

TDialogService* DialogService() {
    return GService ? GService : QtDialogService();
}

TDialogService* SetDialogService(TDialogService* Service) {
    TDialogService* Previous = DialogService();
    GService = Service == QtDialogService() ? nullptr : Service;
    return Previous;
}

TModalResult MessageDlg(const QString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int) {
    // The first of the usual default buttons that is present is the default.
    TMsgDlgBtn Default = mbOK;
    for (TMsgDlgBtn B : {mbOK, mbYes, mbYesToAll, mbAll, mbRetry, mbAbort, mbIgnore, mbNo, mbCancel, mbClose})
        if (Buttons & B) {
            Default = B;
            break;
        }
    return MessageDlgDef(Msg, DlgType, Buttons, Default);
}

TModalResult MessageDlgDef(const QString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons,
                           TMsgDlgBtn DefaultButton) {
    TMessageRequest Request;
    Request.Caption = DefaultCaption(DlgType);
    Request.Text = Msg;
    Request.DlgType = DlgType;
    Request.Buttons = Buttons;
    Request.DefaultButton = DefaultButton;
    return DialogService()->MessageDlg(Request);
}

void ShowMessage(const QString& Msg) {
    MessageDlgDef(Msg, mtCustom, mbOK, mbOK);
}

int MessageBox(const QString& Text, const QString& Caption, unsigned Flags) {
    const std::vector<TMsgDlgBtn> Buttons = ButtonsOfType(Flags & MB_TYPEMASK);
    TMessageRequest Request;
    Request.Caption = Caption;
    Request.Text = Text;
    switch (Flags & MB_ICONMASK) {
    case MB_ICONHAND:
        Request.DlgType = mtError;
        break;
    case MB_ICONQUESTION:
        Request.DlgType = mtConfirmation;
        break;
    case MB_ICONEXCLAMATION:
        Request.DlgType = mtWarning;
        break;
    case MB_ICONASTERISK:
        Request.DlgType = mtInformation;
        break;
    default:
        Request.DlgType = mtCustom;
        break;
    }
    Request.Buttons = 0;
    for (TMsgDlgBtn B : Buttons)
        Request.Buttons |= B;
    const size_t DefaultIndex = (Flags & MB_DEFMASK) >> 8;
    Request.DefaultButton = Buttons[DefaultIndex < Buttons.size() ? DefaultIndex : 0];
    const TModalResult Result = DialogService()->MessageDlg(Request);
    // The box can only answer with one of its buttons; closing it counts as Cancel where there is one,
    // else as No, else as its last button, never as a consent.
    for (TMsgDlgBtn B : Buttons)
        if (ModalResultOf(B) == Result) return Result;
    if (Request.Buttons & mbCancel) return IDCANCEL;
    if (Request.Buttons & mbNo) return IDNO;
    return ModalResultOf(Buttons.back());
}
