#pragma once
#include "host/classes.h"
#include "host/forms.h"
#include "report/VyrData.h"

#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class IDesigner;
class QWidget;
class TComboBox;
class TControl;
class TCustomPanel;
class TDataSet;
class TField;
class TFieldDef;
class TListBox;
class TMeasuringContext;
class TMenuItem;
class TPimDropLabelsWindow;
class TSpeedButton;
class TVyrBand;
class TVyrLabel;
class TVyrPage;
class TVyrVar;

// What a label made for a database variable learns from its field: the type, the display
// attributes and the width. The field is the data set's open field of that name, else one made from
// the field definition for the reading alone: the data set never gets a field it did not have.
class TMyField {
public:
    // Reads the definitions of a closed data set first; a definition that cannot be read or found
    // leaves the reader without definition and field.
    TMyField(const QString& AFieldName, TDataSet* ADataSet);
    ~TMyField();
    TMyField(const TMyField&) = delete;
    TMyField& operator=(const TMyField&) = delete;

    // The report's type for the definition's field type; dtypeUnknown without definition.
    TVyrDataTypes GetDataType() const;
    // Sets a variable label's display format, wrapping and alignment from the field, by its kind.
    void FormatFieldLabel(TVyrLabel* Label) const;

    QString FieldName;
    TDataSet* DataSet = nullptr;
    // The data set's field, or the one made here; nil without definition.
    TField* Field = nullptr;
    // Valid while the reader lives; nil when none was found.
    const TFieldDef* FieldDef = nullptr;
    // Field was made here and goes with the reader.
    bool DeleteField = false;

private:
    std::unique_ptr<TField> FOwnField;
};

// A list of components that forgets each one freed behind its back.
template <class T> class TComponentRefList {
public:
    int Count() const { return static_cast<int>(FItems.size()); }
    bool IsEmpty() const { return FItems.empty(); }
    // nullptr for an entry freed since it was added.
    T* Items(int Index) const { return FItems[size_t(Index)]->Get(); }
    T* operator[](int Index) const { return Items(Index); }
    void Add(T* Item) { FItems.push_back(std::make_unique<TComponentRef<T>>(Item)); }
    // Drops the entries from Index on.
    void Truncate(int Index) { FItems.resize(size_t(std::max(0, std::min(Index, Count())))); }
    void Clear() { FItems.clear(); }

private:
    std::vector<std::unique_ptr<TComponentRef<T>>> FItems;
};

// The fast label placement window ("FAST Label Utility"): a list of the page's variables whose
// selection, dragged onto a band, becomes a label per variable, of the kind and format its data
// suits, with a caption each when asked, in a row or a column, with dividers between a row's
// labels, the bands grown to fit; a row that runs past the printable width asks what to do. The last
// drop can be undone. Its logic needs no widget; Widget() makes its tool window on first show.
class TPimDropLabels : public TForm {
public:
    explicit TPimDropLabels(TComponent* AOwner);
    ~TPimDropLabels() override;

    QWidget* Widget() const override;

    // The page whose variables are offered; nil once that page is freed, and then the lists stay
    // empty, drops make nothing and undo frees nothing.
    TVyrPage* Page() const { return FPage.Get(); }
    virtual void SetPage(TVyrPage* Value);
    // The list the variables are dragged from.
    TControl* SList() const { return FSList; }

    // Refills both choices from the page, keeping each one's choice while its index still exists.
    virtual void FillComboBoxes();
    // Refills the variable list with the kind of variable chosen.
    void VariableSelectionChange();
    // Makes labels for the selected variables on Band, the first at X, Y (band coordinates).
    virtual void DropLabels(TVyrBand* Band, int X, int Y);

    // The buttons' handlers: undo the last drop, one column more (up to 10), one fewer (down to 2).
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    // A click in the variable list: the selection's order is kept up to date.
    void PimVariableListClick();
    // Handlers for a menu that keeps the window on top and closes it.
    void StayOnTopClick(TMenuItem* Item);
    void CloseClick();

    // The indices (as text) of the selected variables, in the order they were first selected.
    const QStringList& SelectedList() const { return FSelectedList; }
    // The labels and dividers of the last drop.
    const TComponentRefList<TVyrLabel>& TextLabelList() const { return FTextLabelList; }
    const TComponentRefList<TVyrLabel>& VarLabelList() const { return FVarLabelList; }
    const TComponentRefList<TVyrLabel>& TextDivList() const { return FTextDivList; }
    const TComponentRefList<TVyrLabel>& VarDivList() const { return FVarDivList; }
    TVyrBand* TextLabelBand() const { return FTextLabelBand.Get(); }
    TVyrBand* VarLabelBand() const { return FVarLabelBand.Get(); }

    // The controls, named as their fields.
    TListBox* PimVariableList = nullptr;
    TCustomPanel* LayoutPanel = nullptr;
    TSpeedButton* sbHoriz = nullptr;
    TSpeedButton* sbHorizdiv = nullptr;
    TSpeedButton* sbVert = nullptr;
    TComboBox* VariableSelection = nullptr;
    TCustomPanel* TextPanel = nullptr;
    TSpeedButton* sbTop = nullptr;
    TSpeedButton* sbLeft = nullptr;
    TComboBox* TextBand = nullptr;
    TCustomPanel* UndoPanel = nullptr;
    TSpeedButton* SpeedButton1 = nullptr;
    TSpeedButton* SpeedButton2 = nullptr;
    TSpeedButton* SpeedButton3 = nullptr;

protected:
    // A listed variable that is freed leaves the list and the selection.
    void Notification(TComponent* AComponent, TOperation Operation) override;

    TControl* FSList = nullptr; // owned through the component model

private:
    friend class TPimDropLabelsWindow;
    // Where the captions of a drop go.
    enum TCaptionPlace : uint8_t { cpNone, cpBand, cpAbove, cpLeft };

    void CreateControls();
    TVyrBand* GetTextBand() const;
    void CreateLabels();
    TVyrLabel* CreateVarLabel(TVyrVar* Var, TVyrBand* Band);
    TVyrLabel* CreateLabel(TVyrVar* Var, TVyrDataTypes DataType);
    void FormatTextLabel(TVyrLabel* Label, TVyrVar* Var);
    void FormatVarLabel(TVyrLabel* Label, TVyrVar* Var, TVyrDataTypes DataType);
    void FormatLabelHW(TVyrLabel* Label, TVyrVar* Var, const TMyField* MyField);
    bool ArrangeLabels();
    void ArrangeHorizontal(bool Wrap);
    void ArrangeVertical();
    // Visits every pair of the drop whose labels are still there: its index, value and caption.
    template <class F> void ForEachPair(F Visit);
    // Puts a pair at x, y: its caption and value as the captions' place wants them.
    void PlacePair(TVyrLabel* Value, TVyrLabel* Caption, int x, int y);
    bool CheckWidth();
    void ShrinkLabels();
    void DeleteRest(TComponentRefList<TVyrLabel>& List, int From);
    void DeleteExcess();
    void AdjustBandHeight();
    void CreateDividers();
    void SelectComponents();

    TCaptionPlace CaptionPlace() const;
    // The step from a pair's left to the next pair's in a row.
    int RowStep(TVyrLabel* Value, TVyrLabel* Caption) const;
    // The owner, parent and name of a new label or divider.
    template <class T> T* NewLabel(TVyrBand* Band);
    // The tool window's pixels per inch and its text widths in Label's font.
    int P() const;
    int TextWidth(TVyrLabel* Label, const QString& Text);
    void SetListHeight();
    // Puts the tool window and its views where the controls are.
    void PlaceWindow();
    // The designer of the page's form: its band manager's, else the one designing the form.
    IDesigner* PageDesigner() const;
    void Modified();

    QStringList FSelectedList;
    TComponentRefList<TVyrLabel> FTextLabelList;
    TComponentRefList<TVyrLabel> FVarLabelList;
    TComponentRefList<TVyrLabel> FTextDivList;
    TComponentRefList<TVyrLabel> FVarDivList;
    TComponentRef<TVyrBand> FTextLabelBand;
    TComponentRef<TVyrBand> FVarLabelBand;
    bool FDropHorz = true;
    bool FTextAbove = true;
    bool FDividers = false;
    int FxDrop = 0;
    int FyDrop = 0;
    TComponentRef<TVyrPage> FPage;
    std::unique_ptr<TMeasuringContext> FMeasure;
    mutable QPointer<QWidget> FWindow; // the tool window, made on first show
};

// Makes the fast label window, owned by Owner; without a factory, or when it gives nullptr, the
// design companion has no such window.
using TPimDropLabelsFactory = std::function<TPimDropLabels*(TComponent* Owner)>;
void SetPimDropLabelsFactory(TPimDropLabelsFactory Factory);
const TPimDropLabelsFactory& PimDropLabelsFactory();
// No factory, as the package starts.
void ResetPimDropLabelsFactory();
