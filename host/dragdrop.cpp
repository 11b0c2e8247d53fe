#include "host/dragdrop.h"
#include "host/controls.h"
#include "host/messages.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>
#include <cstdlib>
#include <memory>
#include <vector>

TDragObject::~TDragObject() = default;

TDragControlObject::TDragControlObject(TControl* AControl) : TDragObject(AControl), FControl(AControl) {}

namespace {

struct TDrag {
    std::unique_ptr<TDragObject> Object;
    TComponentRef<TComponent> Source; // the dragged component, told when the drag ends
    TComponentRef<TWinControl> StartWindow;
    QPoint Start;
    int Threshold = DragThreshold;
    bool Started = false;
    TComponentRef<TControl> Target;
    QPoint TargetPos; // where the pointer was over Target, in its window's coordinates
    bool Accepted = false;
    TComponentRef<TWinControl> PressWindow;
    QPoint PressPos;
};

TDrag& Drag() {
    static auto* State = new TDrag();
    return *State;
}

bool SendDrag(TControl* Target, TDragMessage Kind, QPoint Pos) {
    TDragRec Rec;
    Rec.Pos = Pos;
    Rec.Source = Drag().Object.get();
    Rec.Target = Target;
    return SendMessage(Target, CM_DRAG, Kind, reinterpret_cast<LPARAM>(&Rec)) != 0;
}

// The control under Pos in Window: its deepest control there, or the window itself.
TControl* ControlUnder(TWinControl* Window, QPoint Pos) {
    if (!Window || !Window->ClientRect().contains(Pos)) return nullptr;
    TControl* Found = Window->ControlAtPos(Pos);
    return Found ? Found : Window;
}

struct TView {
    TComponentRef<TWinControl> Window;
    QPointer<QWidget> View;
};

std::vector<std::unique_ptr<TView>>& Views() {
    static auto* List = new std::vector<std::unique_ptr<TView>>();
    return *List;
}

void ForgetGoneViews() {
    auto& List = Views();
    std::erase_if(List, [](const std::unique_ptr<TView>& V) { return !V->Window || !V->View; });
}

TView* ViewOf(const TWinControl* Window) {
    for (const auto& V : Views())
        if (V->Window.Get() == Window && V->View && V->View->isVisible()) return V.get();
    return nullptr;
}

TView* ViewShowing(const QWidget* Widget) {
    for (; Widget; Widget = Widget->parentWidget())
        for (const auto& V : Views())
            if (V->View == Widget && V->Window && V->View->isVisible()) return V.get();
    return nullptr;
}

// A point outside Window, when Window is shown in a view, lies over whichever shown window is
// under it on the screen: Window and Pos become that window and the point in it.
void FollowPointer(TWinControl*& Window, QPoint& Pos) {
    if (!Window || Window->ClientRect().contains(Pos)) return;
    ForgetGoneViews();
    const TView* From = ViewOf(Window);
    if (!From) return;
    const QPoint Global = From->View->mapToGlobal(Pos);
    const TView* To = ViewShowing(QApplication::widgetAt(Global));
    // Without a window system that tells which window is on top, the views are asked in turn.
    for (auto It = Views().rbegin(); !To && It != Views().rend(); ++It) {
        const TView* V = It->get();
        if (V != From && V->Window && V->View->isVisible() &&
            V->View->rect().contains(V->View->mapFromGlobal(Global)))
            To = V;
    }
    if (!To || To == From) return;
    Window = To->Window.Get();
    Pos = To->View->mapFromGlobal(Global);
}

void Finish(TControl* DropTarget, QPoint Pos) {
    TDrag& D = Drag();
    TComponent* Source = D.Source.Get();
    QPoint At = Pos;
    if (DropTarget) At = DropTarget->ParentToClient(Pos);
    std::unique_ptr<TDragObject> Object = std::move(D.Object);
    D.Source = nullptr;
    D.StartWindow = nullptr;
    D.Target = nullptr;
    D.Started = false;
    D.Accepted = false;
    if (auto* Control = dynamic_cast<TControl*>(Source); Control && Control->OnEndDrag)
        Control->OnEndDrag(Control, DropTarget, DropTarget ? At.x() : 0, DropTarget ? At.y() : 0);
}

} // namespace

TControl* DesignHitTest(TWinControl* Form, QPoint Pos) {
    if (!Form || !Form->ClientRect().contains(Pos)) return nullptr;
    TControl* C = Form->ControlAtPos(Pos);
    while (C && C->Owner() != Form)
        C = C->Parent();
    if (!C || C == Form || !C->HasState(csDesigning)) return nullptr;
    const QPoint Local = C->ParentToClient(Pos);
    SendMessage(C, CM_DESIGNHITTEST, 0, MAKELPARAM(Local.x(), Local.y()));
    return C;
}

namespace DragManager {

void Begin(TDragObject* Object, TWinControl* Window, QPoint Start, bool Immediate, int Threshold) {
    TDrag& D = Drag();
    if (D.Object) Cancel();
    D.Object.reset(Object);
    D.Source = Object ? Object->Source() : nullptr;
    // A drag begun from a press starts where the press was.
    if (Start.isNull() && D.PressWindow.Get() == Window) Start = D.PressPos;
    D.StartWindow = Window;
    D.Start = Start;
    D.Threshold = Threshold;
    D.Started = false;
    D.Target = nullptr;
    D.Accepted = false;
    if (Immediate) {
        D.Started = true;
        Move(Window, Start);
    }
}

void Move(TWinControl* Window, QPoint Pos) {
    TDrag& D = Drag();
    if (!D.Object) return;
    FollowPointer(Window, Pos);
    if (!D.Started) {
        const bool Far =
            std::abs(Pos.x() - D.Start.x()) >= D.Threshold || std::abs(Pos.y() - D.Start.y()) >= D.Threshold;
        if (Window == D.StartWindow.Get() && !Far) return;
        D.Started = true;
    }
    TControl* Under = ControlUnder(Window, Pos);
    TControl* Before = D.Target.Get();
    if (Under != Before) {
        if (Before) SendDrag(Before, dmDragLeave, D.TargetPos);
        D.Target = Under;
        D.TargetPos = Pos;
        D.Accepted = Under && SendDrag(Under, dmDragEnter, Pos);
        return;
    }
    D.TargetPos = Pos;
    D.Accepted = Under && SendDrag(Under, dmDragMove, Pos);
}

void Release(TWinControl* Window, QPoint Pos) {
    TDrag& D = Drag();
    if (!D.Object) return;
    FollowPointer(Window, Pos);
    if (!D.Started) {
        // The pointer never went far enough: a click, no drag.
        Finish(nullptr, Pos);
        return;
    }
    Move(Window, Pos);
    TControl* Target = D.Target.Get();
    if (Target && D.Accepted) {
        SendDrag(Target, dmDragDrop, Pos);
        Finish(D.Target.Get(), Pos);
        return;
    }
    if (Target) SendDrag(Target, dmDragLeave, Pos);
    Finish(nullptr, Pos);
}

void Cancel() {
    TDrag& D = Drag();
    if (!D.Object) return;
    if (TControl* Target = D.Target.Get(); Target && D.Started) SendDrag(Target, dmDragLeave, D.TargetPos);
    Finish(nullptr, QPoint());
}

bool Pending() {
    return Drag().Object != nullptr;
}

bool Started() {
    return Drag().Object && Drag().Started;
}

TDragObject* Object() {
    return Drag().Object.get();
}

TControl* Target() {
    return Drag().Started ? Drag().Target.Get() : nullptr;
}

bool Accepted() {
    return Drag().Started && Drag().Accepted;
}

void NotePress(TWinControl* Window, QPoint Pos) {
    Drag().PressWindow = Window;
    Drag().PressPos = Pos;
}

void AddView(TWinControl* Window, QWidget* View) {
    RemoveView(View);
    auto V = std::make_unique<TView>();
    V->Window = Window;
    V->View = View;
    Views().push_back(std::move(V));
}

void RemoveView(QWidget* View) {
    std::erase_if(Views(), [View](const std::unique_ptr<TView>& V) { return V->View == View; });
    ForgetGoneViews();
}

} // namespace DragManager
