#include "formeditor.h"
#include "design/Pageman.h"
#include "design/Vyrreg.h"
#include "host/buttons.h"
#include "host/db.h"
#include "host/designreg.h"
#include "host/dragdrop.h"
#include "host/lists.h"
#include "host/sqldataset.h"
#include "host/storedforms.h"
#include "report/VyrRep.h"
#include "report/VyrUtil.h"

#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <cstdlib>

namespace {

constexpr int HandleSize = 5;

// Pixels a press must move before it moves the selection.
constexpr int MoveThreshold = 3;

// The keys of a mouse message: Buttons, and the shift keys held.
WPARAM KeysOf(TShiftState Shift, WPARAM Buttons) {
    WPARAM Keys = Buttons;
    if (Shift & ssShift) Keys |= MK_SHIFT;
    if (Shift & ssCtrl) Keys |= MK_CONTROL;
    return Keys;
}

} // namespace

TFormEditor::TFormEditor() {
    initDesignPackage();
    RegisterDesignerPalette();
}

TFormEditor::~TFormEditor() {
    // The form goes while its designer still serves it, so that nothing it frees finds a stale one.
    FRoot.reset();
    FDesigner.reset();
    DeliverPostedMessages();
}

void TFormEditor::Design(std::unique_ptr<TForm> Root) {
    FDesigner.reset();
    FRoot = std::move(Root);
    FDesigner = std::make_unique<TDesignerHost>(FRoot.get());
    FDesigner->OnModified = [this] {
        FModified = true;
        Changed();
    };
    FDesigner->OnSelectionChanged = [this] { Changed(); };
    RegisterRoot(FRoot.get());
}

void TFormEditor::Changed() {
    if (OnChanged) OnChanged();
}

void TFormEditor::NewForm() {
    auto Root = std::make_unique<TForm>(nullptr);
    Root->SetName(QStringLiteral("Form1"));
    Root->SetDesignClass(QStringLiteral("TForm1"), {Root->ClassName()});
    Root->SetBounds(0, 0, 800, 600);
    FRoot.reset();
    Design(std::move(Root));
    FFileName.clear();
    FModified = false;
    Changed();
}

void TFormEditor::Open(const QString& FileName) {
    auto Root = std::make_unique<TForm>(nullptr);
    // Designing from the start, so that what is read is designed, and handler names are kept.
    auto Reading = std::make_unique<TDesignerHost>(Root.get());
    ReadComponentFile(FileName, Root.get());
    Reading.reset();
    FRoot.reset();
    Design(std::move(Root));
    // What the components posted while they were read (a page's bands, a report's page).
    DeliverPostedMessages();
    FFileName = FileName;
    FModified = false;
    Changed();
}

void TFormEditor::Save(const QString& FileName) {
    WriteComponentFile(FileName, FRoot.get());
    // A text label asks its band to look at the clipboard when written; nothing waits for that.
    DeliverPostedMessages();
    FFileName = FileName;
    FModified = false;
    Changed();
}

bool TFormEditor::IsDesigned(const TComponent* C) const {
    return C && FRoot && (C == FRoot.get() || C->Owner() == FRoot.get());
}

TComponent* TFormEditor::AddComponent(const QString& ClassName, QPoint At) {
    const TComponentClass* Class = FindDesignClass(ClassName);
    if (!Class) throw Exception(QStringLiteral("Class %s not found"), {ClassName});
    TComponent* C = Class->Create(FRoot.get());
    try {
        VyrAutoSetComponentName(C, Class->Name, true);
        if (auto* Control = dynamic_cast<TControl*>(C)) {
            TWinControl* Parent = ContainerAt(At, {});
            for (; Parent; Parent = Parent->Parent()) {
                try {
                    Control->SetParent(Parent);
                    break;
                } catch (const EAbort&) {
                }
            }
            if (!Parent) throw Exception(QStringLiteral("A %s cannot be placed here"), {Class->Name});
            const QPoint Local = Parent->ParentToClient(At);
            Control->SetBounds(Local.x(), Local.y(), Control->Width(), Control->Height());
        }
    } catch (...) {
        delete C;
        throw;
    }
    // A report makes its page, and the page its bands, from posted messages.
    DeliverPostedMessages();
    FDesigner->SelectComponent(C);
    FDesigner->Modified();
    return C;
}

// The surface

TControl* TFormEditor::ControlAt(QPoint At) const {
    if (!FRoot) return nullptr;
    TControl* C = FRoot->ControlAtPos(At);
    return C ? C : FRoot.get();
}

QString TFormEditor::HintAt(QPoint At) const {
    if (!FRoot) return QString();
    TControl* Under = ControlAt(At);
    if (Under == DesignedAt(At)) return QString();
    auto* Button = dynamic_cast<TSpeedButton*>(Under);
    return Button && Button->ShowHint() ? Button->Hint() : QString();
}

TControl* TFormEditor::DesignedAt(QPoint At) const {
    TControl* C = ControlAt(At);
    while (C && !IsDesigned(C))
        C = C->Parent();
    return C ? C : FRoot.get();
}

QRect TFormEditor::FormRect(const TControl* Control) const {
    if (!Control || Control == FRoot.get())
        return QRect(QPoint(0, 0), FRoot ? FRoot->ClientRect().size() : QSize());
    const QPoint TopLeft = Control->ClientToParent(QPoint(0, 0));
    return QRect(TopLeft, QSize(Control->Width(), Control->Height()));
}

std::vector<QRect> TFormEditor::Handles(const TControl* Control) const {
    const QRect R = FormRect(Control);
    const int L = R.left(), T = R.top(), Rt = R.left() + R.width(), B = R.top() + R.height();
    const int MX = (L + Rt) / 2, MY = (T + B) / 2;
    const QPoint Points[8] = {{L, T}, {MX, T}, {Rt, T}, {Rt, MY}, {Rt, B}, {MX, B}, {L, B}, {L, MY}};
    std::vector<QRect> List;
    for (const QPoint& P : Points)
        List.emplace_back(P.x() - HandleSize / 2, P.y() - HandleSize / 2, HandleSize, HandleSize);
    return List;
}

bool TFormEditor::IsHandle(const TControl* Control, int Index) const {
    // The form keeps its top-left corner; it is sized by its right and bottom edges only.
    if (Control == FRoot.get()) return Index >= 3 && Index <= 5;
    if (!Control || !Control->Parent() || Index < 0 || Index >= 8) return false;
    // The scroll boxes (pages, reports) clip; a label that sticks out of its band keeps the
    // handles that size it back.
    const TWinControl* Box = Control->Parent();
    while (Box && Box != FRoot.get() && !dynamic_cast<const TScrollBox*>(Box))
        Box = Box->Parent();
    const QPoint At = Handles(Control)[size_t(Index)].center();
    return VisibleClient(Box).adjusted(0, 0, 1, 1).contains(At);
}

QRect TFormEditor::VisibleClient(const TWinControl* Window) const {
    if (!Window || !FRoot) return QRect();
    if (Window == FRoot.get()) return FormRect(Window);
    if (!Window->ShownOnParent()) return QRect();
    // FormRect's corner is already that of the client area, inside any frame.
    const QRect Client(FormRect(Window).topLeft(), Window->ClientRect().size());
    return Client & VisibleClient(Window->Parent());
}

std::vector<TControl*> TFormEditor::SelectedControls() const {
    std::vector<TControl*> List;
    if (!FDesigner) return List;
    for (TComponent* C : FDesigner->GetSelections())
        if (auto* Control = dynamic_cast<TControl*>(C);
            Control && Control != FRoot.get() && Control->Parent())
            List.push_back(Control);
    return List;
}

void TFormEditor::Send(TControl* Control, uint32_t Msg, QPoint At, TShiftState Shift, WPARAM Buttons) {
    const QPoint Local = Control->ParentToClient(At);
    SendMessage(Control, Msg, KeysOf(Shift, Buttons), MAKELPARAM(Local.x(), Local.y()));
}

void TFormEditor::MouseDown(QPoint At, TShiftState Shift) {
    if (!FRoot) return;
    FDown = At;
    FMode = mmNone;
    FStart.clear();
    std::vector<TControl*> Sized = SelectedControls();
    if (FDesigner->IsSelected(FRoot.get())) Sized.push_back(FRoot.get());
    for (TControl* C : Sized) {
        const std::vector<QRect> List = Handles(C);
        for (size_t i = 0; i < List.size(); ++i)
            if (IsHandle(C, int(i)) && List[i].adjusted(-1, -1, 1, 1).contains(At)) {
                FMode = mmSizing;
                FSized = C;
                FHandle = int(i);
                FStart.push_back({C, C->BoundsRect()});
                return;
            }
    }
    TControl* Under = ControlAt(At);
    TControl* Designed = DesignedAt(At);
    // Parts that are no component of the form, and designed controls that want the mouse, take it.
    const bool Own = Under != Designed;
    if (Own || (Designed != FRoot.get() && SendMessage(Designed, CM_DESIGNHITTEST, 0,
                                                       MAKELPARAM(Designed->ParentToClient(At).x(),
                                                                  Designed->ParentToClient(At).y())) != 0)) {
        FMode = mmControl;
        FMouseControl = Own ? Under : Designed;
        Send(FMouseControl.Get(), WM_LBUTTONDOWN, At, Shift);
        return;
    }
    if (Shift & ssShift) {
        FDesigner->ToggleSelection(Designed);
        return;
    }
    if (!FDesigner->IsSelected(Designed)) FDesigner->SelectComponent(Designed);
    // Of the selected controls those move whose parent does not move with them.
    const std::vector<TControl*> Selected = SelectedControls();
    for (TControl* C : Selected)
        if (std::find(Selected.begin(), Selected.end(), C->Parent()) == Selected.end())
            FStart.push_back({C, C->BoundsRect()});
    if (!FStart.empty()) FMode = mmPending;
}

void TFormEditor::MouseMove(QPoint At, TShiftState Shift) {
    if (!FRoot) return;
    switch (FMode) {
    case mmControl:
        if (TControl* C = FMouseControl.Get()) Send(C, WM_MOUSEMOVE, At, Shift);
        // A control that began a drag when pressed drags over the form.
        if (DragManager::Pending()) DragManager::Move(FRoot.get(), At);
        return;
    case mmPending:
        if (std::abs(At.x() - FDown.x()) < MoveThreshold && std::abs(At.y() - FDown.y()) < MoveThreshold)
            return;
        FMode = mmMoving;
        [[fallthrough]];
    case mmMoving: {
        const QPoint Delta = At - FDown;
        for (const auto& [C, R] : FStart)
            if (FDesigner->IsSelected(C))
                C->SetBounds(R.left() + Delta.x(), R.top() + Delta.y(), R.width(), R.height());
        return;
    }
    case mmSizing: {
        TControl* C = FSized.Get();
        if (!C || FStart.empty()) return;
        const QRect R = FStart.front().second;
        const QPoint D = At - FDown;
        int L = R.left(), T = R.top(), Rt = R.left() + R.width(), B = R.top() + R.height();
        if (FHandle == 0 || FHandle == 6 || FHandle == 7) L = std::min(L + D.x(), Rt - 1);
        if (FHandle >= 2 && FHandle <= 4) Rt = std::max(Rt + D.x(), L + 1);
        if (FHandle <= 2) T = std::min(T + D.y(), B - 1);
        if (FHandle >= 4 && FHandle <= 6) B = std::max(B + D.y(), T + 1);
        C->SetBounds(L, T, Rt - L, B - T);
        return;
    }
    default:
        break;
    }
    DesignHitTest(FRoot.get(), At);
}

void TFormEditor::MouseUp(QPoint At, TShiftState Shift) {
    if (!FRoot) return;
    const TMouseMode Mode = FMode;
    FMode = mmNone;
    switch (Mode) {
    case mmControl: {
        // A drag that started ends in a drop, not in a click.
        const bool Dragged = DragManager::Started();
        if (DragManager::Pending()) DragManager::Release(FRoot.get(), At);
        if (TControl* C = FMouseControl.Get(); C && !Dragged) Send(C, WM_LBUTTONUP, At, Shift);
        FMouseControl = nullptr;
        break;
    }
    case mmMoving:
        DropMoved(At);
        FDesigner->Modified();
        break;
    case mmSizing:
        if (At != FDown) FDesigner->Modified();
        break;
    default:
        break;
    }
    FStart.clear();
}

void TFormEditor::RightMouseDown(QPoint At, TShiftState Shift) {
    FRightControl = nullptr;
    if (!FRoot) return;
    TControl* Under = ControlAt(At);
    if (Under == DesignedAt(At)) return;
    FRightControl = Under;
    Send(Under, WM_RBUTTONDOWN, At, Shift, MK_RBUTTON);
}

void TFormEditor::RightMouseUp(QPoint At, TShiftState Shift) {
    TControl* C = FRightControl.Get();
    FRightControl = nullptr;
    if (!C) return;
    Send(C, WM_RBUTTONUP, At, Shift, 0);
}

TWinControl* TFormEditor::ContainerAt(QPoint At, const std::vector<TControl*>& Skip) const {
    // The innermost designed window under At that is none of the skipped controls nor inside one.
    TWinControl* Found = FRoot.get();
    TWinControl* Window = FRoot.get();
    QPoint Local = At;
    while (Window) {
        TControl* Next = nullptr;
        for (int i = Window->ControlCount() - 1; i >= 0 && !Next; --i) {
            TControl* C = Window->Controls(i);
            if (!dynamic_cast<TWinControl*>(C) || !C->ShownOnParent() || !C->BoundsRect().contains(Local))
                continue;
            if (std::find(Skip.begin(), Skip.end(), C) != Skip.end()) continue;
            Next = C;
        }
        auto* Inner = dynamic_cast<TWinControl*>(Next);
        if (!Inner) break;
        Local = Local - Inner->BoundsRect().topLeft() - Inner->ClientOrigin();
        if (IsDesigned(Inner)) Found = Inner;
        Window = Inner;
    }
    return Found;
}

void TFormEditor::DropMoved(QPoint At) {
    std::vector<TControl*> Moved;
    for (const auto& Entry : FStart)
        Moved.push_back(Entry.first);
    TWinControl* Target = ContainerAt(At, Moved);
    for (TControl* C : Moved) {
        if (!FDesigner->IsSelected(C) || !Target || C->Parent() == Target) continue;
        // A control dropped on another container moves there if that one takes it.
        const QPoint OnForm = C->ClientToParent(QPoint(0, 0));
        try {
            C->SetParent(Target);
        } catch (const EAbort&) {
            continue;
        }
        const QPoint Local = Target->ParentToClient(OnForm);
        C->SetBounds(Local.x(), Local.y(), C->Width(), C->Height());
    }
}

void TFormEditor::DblClick(QPoint At) {
    TControl* Designed = DesignedAt(At);
    if (!Designed || ControlAt(At) != Designed) return;
    Send(Designed, WM_LBUTTONDBLCLK, At, 0);
}

void TFormEditor::MoveSelection(int DX, int DY) {
    const std::vector<TControl*> List = SelectedControls();
    if (List.empty()) return;
    for (TControl* C : List)
        C->SetBounds(C->Left() + DX, C->Top() + DY, C->Width(), C->Height());
    FDesigner->Modified();
}

void TFormEditor::SizeSelection(int DX, int DY) {
    const std::vector<TControl*> List = SelectedControls();
    if (List.empty()) return;
    for (TControl* C : List)
        C->SetBounds(C->Left(), C->Top(), std::max(C->Width() + DX, 1), std::max(C->Height() + DY, 1));
    FDesigner->Modified();
}

// The clipboard

namespace {

// The selected components without the form and without those inside another selected one.
std::vector<TComponent*> Outermost(const TDesignerSelections& List, const TComponent* Root) {
    std::vector<TComponent*> Result;
    for (TComponent* C : List) {
        if (C == Root) continue;
        bool Inside = false;
        if (auto* Control = dynamic_cast<TControl*>(C))
            for (TControl* P = Control->Parent(); P && !Inside; P = P->Parent())
                Inside = std::find(List.begin(), List.end(), P) != List.end();
        if (!Inside) Result.push_back(C);
    }
    return Result;
}

} // namespace

void TFormEditor::CopySelection() {
    const std::vector<TComponent*> List = Outermost(FDesigner->GetSelections(), FRoot.get());
    if (List.empty()) return;
    TWriter Writer(FRoot.get());
    for (TComponent* C : List)
        Writer.WriteComponent(C);
    WriteClipboardText(QString::fromUtf8(Writer.Text()));
}

void TFormEditor::CutSelection() {
    CopySelection();
    DeleteSelection();
}

std::vector<TComponent*> TFormEditor::Paste() {
    TStringList Lines;
    ReadClipboardText(Lines);
    QStringList Copied;
    for (int i = 0; i < Lines.Count(); ++i)
        Copied << Lines[i];
    QSet<QString> Taken;
    auto Fresh = [this, &Taken](const QString& Name) { return FreshName(Name, FRoot.get(), Taken); };
    TWinControl* Parent = FRoot.get();
    const TDesignerSelections Selected = FDesigner->GetSelections();
    if (!Selected.empty()) {
        if (auto* Window = dynamic_cast<TWinControl*>(Selected.front()))
            Parent = Window;
        else if (auto* Control = dynamic_cast<TControl*>(Selected.front()); Control && Control->Parent())
            Parent = Control->Parent();
    }
    const std::vector<TComponent*> Pasted =
        TReader(FRoot.get()).ReadComponents(Copied.join(u'\n').toUtf8(), Parent, Fresh);
    DeliverPostedMessages();
    FDesigner->SetSelections(Pasted);
    FDesigner->Modified();
    return Pasted;
}

void TFormEditor::DeleteSelection() {
    const std::vector<TComponent*> List = Outermost(FDesigner->GetSelections(), FRoot.get());
    if (List.empty()) return;
    std::vector<std::unique_ptr<TComponentRef<TComponent>>> Refs;
    for (TComponent* C : List)
        Refs.push_back(std::make_unique<TComponentRef<TComponent>>(C));
    bool Freed = false;
    for (const auto& Ref : Refs) {
        TComponent* C = Ref->Get();
        if (!C) continue;
        try {
            C->Free();
            Freed = true;
        } catch (...) {
            Application()->HandleException(C);
        }
    }
    if (Freed) FDesigner->Modified();
}

// Verbs and running

QStringList TFormEditor::Verbs() {
    const TDesignerSelections List = FDesigner->GetSelections();
    if (List.size() != 1) return {};
    auto Editor = GetComponentEditor(List.front(), FDesigner.get());
    QStringList Names;
    for (int i = 0; i < Editor->GetVerbCount(); ++i)
        Names << Editor->GetVerb(i);
    return Names;
}

void TFormEditor::ExecuteVerb(int Index) {
    const TDesignerSelections List = FDesigner->GetSelections();
    if (List.size() != 1) return;
    GetComponentEditor(List.front(), FDesigner.get())->ExecuteVerb(Index);
}

void TFormEditor::Run() {
    TVyrReport* Report = nullptr;
    for (TComponent* C : FDesigner->GetSelections())
        if (!Report) Report = dynamic_cast<TVyrReport*>(C);
    for (int i = 0; i < FRoot->ComponentCount() && !Report; ++i)
        Report = dynamic_cast<TVyrReport*>(FRoot->Components(i));
    if (!Report) throw Exception(QStringLiteral("The form holds no report"));
    Report->SetDesignPreview(true);
    Report->Run();
}

bool TFormEditor::Running() const {
    return FRoot && VyrFormRunning(FRoot.get());
}

void RegisterDesignerPalette() {
    RegisterComponents(QStringLiteral("Data Access"),
                       {ComponentClassOf<TDataSource>(), ComponentClassOf<TSqlDataSet>()});
}

// Names of pasted components

QString FreshName(const QString& Name, const TComponent* Root, QSet<QString>& Taken) {
    static const QRegularExpression Digits(QStringLiteral("\\d+$"));
    auto Free = [&](const QString& Candidate) {
        return !Root->FindComponent(Candidate) && Candidate.compare(Root->Name(), Qt::CaseInsensitive) != 0 &&
               !Taken.contains(Candidate.toUpper());
    };
    QString Fresh = Name;
    if (!Free(Fresh)) {
        QString Base = Name;
        Base.remove(Digits);
        for (int i = 1;; ++i) {
            Fresh = Base + QString::number(i);
            if (Free(Fresh)) break;
        }
    }
    Taken.insert(Fresh.toUpper());
    return Fresh;
}
