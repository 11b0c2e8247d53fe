#pragma once
#include <QPoint>
#include <cstdint>
#include <functional>

class TComponent;
class TControl;
class TWinControl;
class QWidget;

// Drag and drop between controls. A drag begins on a control (automatically on a left-button press
// when its DragMode is dmAutomatic, or by BeginDrag) and starts once the pointer has moved far
// enough; from then on the control under the pointer gets CM_DRAG messages: enter when the pointer
// comes over it, move while it stays, leave when it goes, and drop when the button comes up over a
// control that accepted the last enter or move. The source then gets OnEndDrag with the control it
// was dropped on, or nothing.

enum TDragMode : uint8_t { dmManual, dmAutomatic };
enum TDragState : uint8_t { dsDragEnter, dsDragLeave, dsDragMove };
// What a CM_DRAG message tells (its WParam).
enum TDragMessage : uint8_t { dmDragEnter, dmDragLeave, dmDragMove, dmDragDrop, dmDragCancel };

// What is dragged. A drag of a control carries the control; others (items of a list in another
// window, say) carry what the source puts in.
class TDragObject {
public:
    explicit TDragObject(TComponent* ASource = nullptr) : FSource(ASource) {}
    virtual ~TDragObject();
    // The component handlers are told was dragged.
    virtual TComponent* Source() const { return FSource; }

private:
    TComponent* FSource;
};

class TDragControlObject : public TDragObject {
public:
    explicit TDragControlObject(TControl* AControl);
    TControl* Control() const { return FControl; }

private:
    TControl* FControl;
};

// What a CM_DRAG message points to (its LParam). Pos is in the client coordinates of the window the
// pointer is over (the outermost parent of Target); the receiver converts it to its own.
struct TDragRec {
    QPoint Pos;
    TDragObject* Source = nullptr;
    TControl* Target = nullptr;
};

using TDragOverEvent =
    std::function<void(TComponent* Sender, TComponent* Source, int X, int Y, TDragState State, bool& Accept)>;
using TDragDropEvent = std::function<void(TComponent* Sender, TComponent* Source, int X, int Y)>;
// Target is nullptr when the drag ended without a drop.
using TEndDragEvent = std::function<void(TComponent* Sender, TComponent* Target, int X, int Y)>;

// The pointer moved to Pos (client coordinates of Form, a form being designed): the control of the
// form under it, or its nearest parent that is one, hears CM_DESIGNHITTEST with Pos in its own
// coordinates (the rulers of a report follow it so). Returns that control, nullptr over the form
// itself.
TControl* DesignHitTest(TWinControl* Form, QPoint Pos);

// The pointer pixels a pressed control waits for before its drag starts.
constexpr int DragThreshold = 5;

// The drag in progress, for the windows that carry the pointer to it.
namespace DragManager {
// A drag of Object (owned by the drag from now on), begun at Start in Window's client coordinates;
// it starts at once when Immediate, else once the pointer has moved Threshold pixels.
void Begin(TDragObject* Object, TWinControl* Window, QPoint Start, bool Immediate,
           int Threshold = DragThreshold);
// The pointer is at Pos in Window's client coordinates.
void Move(TWinControl* Window, QPoint Pos);
// The button came up at Pos: a started drag drops there when the control under the pointer
// accepted it, and ends.
void Release(TWinControl* Window, QPoint Pos);
// Ends the drag without a drop; the control under the pointer gets a leave.
void Cancel();
// A drag was begun and not yet ended; Started: it has passed its threshold.
bool Pending();
bool Started();
TDragObject* Object();
// The control under the pointer during a started drag, and whether it accepts.
TControl* Target();
bool Accepted();
// Where the last mouse press went, for BeginDrag: the window and the point in its client coordinates.
void NotePress(TWinControl* Window, QPoint Pos);

// The Qt windows that show windows of controls, each point of View being the same point of Window's
// client area. A drag carried to a point outside the window it is over goes on over the shown window
// under that point, so that what is dragged out of one window (a tool window's list) drops in
// another (the designed form). A view is forgotten when it or its window is freed.
void AddView(TWinControl* Window, QWidget* View);
void RemoveView(QWidget* View);
} // namespace DragManager
