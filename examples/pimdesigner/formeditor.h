#pragma once
#include "host/controls.h"
#include "host/designer.h"
#include "host/forms.h"

#include <QPoint>
#include <QRect>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

// The editing of one designed form, without windows: the form and its designer, the files, the
// mouse and keys on the form's surface, making components from the palette, the clipboard, the
// component editor's verbs and running a report. The designer program's window shows it; its tests
// drive it directly. Points are in the form's client coordinates.
class TFormEditor {
public:
    TFormEditor();
    ~TFormEditor();
    TFormEditor(const TFormEditor&) = delete;
    TFormEditor& operator=(const TFormEditor&) = delete;

    TForm* Root() const { return FRoot.get(); }
    TDesignerHost* Designer() const { return FDesigner.get(); }

    // A new empty form "Form1" of class "TForm1".
    void NewForm();
    // The form a stored-form file holds, as the form now designed. The form designed before stays
    // when the file cannot be read.
    void Open(const QString& FileName);
    void Save(const QString& FileName);
    const QString& FileName() const { return FFileName; }
    // Changed since opened or saved.
    bool IsModified() const { return FModified; }

    // A component of the class named (a palette class or one the designer makes without a button),
    // owned by the form and named after its class; a control goes on the innermost designed
    // container under At that takes it, at At. It becomes the selection.
    TComponent* AddComponent(const QString& ClassName, QPoint At);

    // The surface. A press on a control of the form selects it (Shift adds or takes out) and a drag
    // moves the selection, onto another container when the drop lands on one that takes it; the
    // handles of a selected control size it; controls that are no part of the form (the check
    // boxes of the band strips, the design tools), and designed ones that answer the designer's hit
    // test, get the mouse themselves.
    void MouseDown(QPoint At, TShiftState Shift);
    void MouseMove(QPoint At, TShiftState Shift);
    void MouseUp(QPoint At, TShiftState Shift);
    // The right button goes only to the controls that are no part of the form (the design tools),
    // press and release to the control pressed.
    void RightMouseDown(QPoint At, TShiftState Shift);
    void RightMouseUp(QPoint At, TShiftState Shift);
    // Opens the component editor of the designed control under At.
    void DblClick(QPoint At);
    // Arrows: moves the selected controls a pixel, with Shift sizes them.
    void MoveSelection(int DX, int DY);
    void SizeSelection(int DX, int DY);

    // The hint of the design tool under At that shows its hint; empty over anything else.
    QString HintAt(QPoint At) const;
    // The deepest control under At, the form itself where there is none.
    TControl* ControlAt(QPoint At) const;
    // The control of the form that a press at At designs: the control under it, or its nearest
    // designed parent.
    TControl* DesignedAt(QPoint At) const;
    // Where a control lies on the form.
    QRect FormRect(const TControl* Control) const;
    // The eight handles of a selected control: corners and the middles of the sides, clockwise
    // from the top-left corner.
    std::vector<QRect> Handles(const TControl* Control) const;
    // The selected controls that show all their handles: all but the form itself.
    std::vector<TControl*> SelectedControls() const;
    // Whether handle Index of Control works: all of a control's, the right and bottom ones of the
    // form's; none that lies where the scroll boxes holding the control do not show it (a folded
    // report, a band scrolled out of its page).
    bool IsHandle(const TControl* Control, int Index) const;
    // The part of a window's client area that shows on the form, clipped by its parents.
    QRect VisibleClient(const TWinControl* Window) const;

    // The clipboard holds components as stored-form text.
    void CopySelection();
    void CutSelection();
    // Pastes into the selected container (or the one that holds the selected control); names that
    // the form already has are made new.
    std::vector<TComponent*> Paste();
    // Frees the selected components; a component that refuses keeps its place and says why.
    void DeleteSelection();

    // The verbs of the selected component's editor, and running one.
    QStringList Verbs();
    void ExecuteVerb(int Index);

    // Runs the selected report, else the form's first, as a preview at design time.
    void Run();
    // Whether a report of the form is being made. Its run lets the windows work meanwhile, and the
    // form must stay as it is until the run is done.
    bool Running() const;

    // Told after the form changed, the selection changed or another form is designed.
    std::function<void()> OnChanged;

private:
    void Design(std::unique_ptr<TForm> Root);
    void Changed();
    bool IsDesigned(const TComponent* C) const;
    TWinControl* ContainerAt(QPoint At, const std::vector<TControl*>& Skip) const;
    void DropMoved(QPoint At);
    // A mouse message to Control at At (form coordinates); the left button held unless told.
    void Send(TControl* Control, uint32_t Msg, QPoint At, TShiftState Shift, WPARAM Buttons = MK_LBUTTON);

    enum TMouseMode : uint8_t { mmNone, mmPending, mmMoving, mmSizing, mmControl };
    std::unique_ptr<TForm> FRoot;
    std::unique_ptr<TDesignerHost> FDesigner;
    QString FFileName;
    bool FModified = false;
    TMouseMode FMode = mmNone;
    QPoint FDown;
    TComponentRef<TControl> FMouseControl; // the control that has the mouse in mmControl
    TComponentRef<TControl> FRightControl; // the control a right press went to
    TComponentRef<TControl> FSized;
    int FHandle = -1;
    std::vector<std::pair<TControl*, QRect>> FStart; // the moved or sized controls as they were
};

// The designer program's classes beyond the report package's: the data-access page of the palette.
// Registering twice changes nothing.
void RegisterDesignerPalette();

// The name a pasted component gets: Name itself when neither Root nor any name in Taken (upper-cased)
// has it, else Name without its trailing digits and the lowest free number. The name given joins
// Taken.
QString FreshName(const QString& Name, const TComponent* Root, QSet<QString>& Taken);
