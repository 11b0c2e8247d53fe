#pragma once
#include "formeditor.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class QLabel;
class QListWidget;
class QScrollArea;
class QScrollBar;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;
class QButtonGroup;
class QCloseEvent;
class QMenu;
class TPropertyEditor;
class TFormView;

// Where the design forms that come later show themselves in the program: each hook made here runs
// when a form is opened or made, with the window and its editor (a tool window per designed report,
// say). Hooks stay for the life of the program.
using TDesignerFormHook = std::function<void(class TDesignerWindow* Window, TFormEditor* Editor)>;
void AddDesignerFormHook(TDesignerFormHook Hook);
// Forgets every hook (tests).
void ResetDesignerFormHooks();

// The designer program's window: the palette above, the form in the middle as it will print, the
// components and the properties of the selected one on the left. Menus: File (New, Open, Save,
// Save As), Edit (Cut, Copy, Paste, Delete), Component (the selected component's verbs) and Report
// (Run).
class TDesignerWindow : public QMainWindow {
public:
    explicit TDesignerWindow(QWidget* Parent = nullptr);
    ~TDesignerWindow() override;

    TFormEditor& Editor() { return FEditor; }
    // Opens a stored form; a failure is shown and the form designed before stays.
    bool OpenFile(const QString& FileName);
    bool SaveFile(const QString& FileName);

    // The parts, for tests and screenshots.
    QWidget* FormView() const;
    QListWidget* ComponentList() const { return FComponents; }
    QTreeWidget* PropertyList() const { return FProperties; }
    // The row of the property list that the names of the rows down to it lead to; none: nullptr.
    QTreeWidgetItem* FindPropertyItem(const QStringList& Path) const;
    QTabWidget* Palette() const { return FPalette; }
    // The size of the picture of the form that the form view keeps: the part the window showed.
    QSize PaintedSize() const;
    // The scroll bars that the form's scroll boxes (the report pages) got.
    std::vector<QScrollBar*> ScrollBars() const;
    // The palette class that the next press on the form makes; empty: none.
    void ArmClass(const QString& ClassName);
    const QString& ArmedClass() const { return FArmed; }
    // Rebuilds the lists and the scroll bars, and repaints, at once.
    void Refresh();

protected:
    // Closing asks first when the form has unsaved changes.
    void closeEvent(QCloseEvent* Event) override;
    // The Delete key in the component list deletes the selected components, as on the form; the
    // release of the double click that opened a drop-down list does not close it.
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    friend class TFormView;
    void BuildMenus();
    void BuildPalette();
    void Changed();
    void RefreshComponents();
    void RefreshProperties();
    void RefreshScrollBars();
    void AddPropertyItem(QTreeWidgetItem* Parent, std::unique_ptr<TPropertyEditor> Editor, int Depth);
    void EditProperty(QTreeWidgetItem* Item);
    // The names of the rows from the top of the list down to Row.
    static QStringList PropertyPath(const QTreeWidgetItem* Row);
    void CommitProperty(TPropertyEditor* Editor, const QString& Value);
    // Runs Action, showing what it raises; then, unless it only looked, refreshes the window soon.
    void Guarded(const std::function<void()>& Action, bool Changes = true);
    void NewForm();
    void Open();
    void Save();
    void SaveAs();
    // Whether the form may be put away: unchanged, saved now, or let go at the user's word.
    bool CanDiscard();
    void FormChanged();
    bool PressedOnForm(QPoint At, TShiftState Shift);

    TFormEditor FEditor;
    TFormView* FView = nullptr;
    QScrollArea* FScroll = nullptr;
    QListWidget* FComponents = nullptr;
    QTreeWidget* FProperties = nullptr;
    QTabWidget* FPalette = nullptr;
    QButtonGroup* FPaletteButtons = nullptr;
    QMenu* FComponentMenu = nullptr;
    QLabel* FStatus = nullptr;
    std::vector<std::shared_ptr<TPropertyEditor>> FEditors; // shared with an edit still open
    std::map<std::pair<const TScrollBox*, bool>, QPointer<QScrollBar>> FBars;
    QString FArmed;
    bool FRefreshPending = false;
    int FRefreshes = 0; // counts the rebuilds of the lists, which free their rows
    bool FRefreshing = false;
    bool FTellingRun = false; // the window tells why it does not close during a run
    // The drop-down list a double click just opened, which the release of that click would close.
    QPointer<QWidget> FOpenedList;
    QElapsedTimer FListOpened;
};
