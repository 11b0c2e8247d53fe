#pragma once
#include "host/controls.h"
#include "host/db.h"
#include "report/VyrData.h"

#include <functional>
#include <memory>

class TVyrPage;
class TVyrVar;

enum TVyrUpdateMode : uint8_t { umNeedUpdate, umUpdating, umNoUpdate };

enum TVyrVarId : uint8_t {
    vidAbstract,
    vidDBVar,
    vidExprVar,
    vidTotalVar,
    vidAutoDataVar,
    vidDateTimeVar,
    vidPageVar,
};

// The stored name of a kind ("vidDBVar").
QString VyrVarIdName(TVyrVarId Id);
// The kind a stored name stands for, case ignored; raises "Cannot find <name> in TVyrVarId".
TVyrVarId VyrVarIdFromName(const QString& Name);

// The moment at which a set of variables takes new data. Every main band and group band has its own.
class TVyrLevel : public TControl {
public:
    explicit TVyrLevel(TComponent* AOwner);
    ~TVyrLevel() override;

    int Level() const { return FLevel; }
    void SetLevel(int Value) { FLevel = Value; }
    bool IsHeader() const { return FIsHeader; }
    void SetIsHeader(bool Value) { FIsHeader = Value; }
    virtual TVyrPage* GetPage() const;
    TVyrPage* Page() const { return GetPage(); }

    // Only a page is a parent; the level registers with it before it is placed there.
    void SetParent(TWinControl* AParent) override;
    void DefineProperties(TFiler* Filer) override;
    void BeforeDestruction() override;

private:
    int FLevel = 0;
    bool FIsHeader = false;
};

// The data of a report: a current and a last value, taken at its update level. Values are computed
// by the kinds; this class keeps what every kind shares and its place on the page.
class TVyrVar : public TControl {
public:
    explicit TVyrVar(TComponent* AOwner);
    ~TVyrVar() override;

    TVyrData* DataNow() const { return FDataNow.get(); }
    TVyrData* DataLast() const { return FDataLast.get(); }
    bool AutoVar() const { return FAutovar; }
    void SetAutoVar(bool Value) { FAutovar = Value; }
    TVyrDataTypes DataType() const { return FDataType; }
    virtual void SetDataType(TVyrDataTypes Value);
    TVyrUpdateMode UpdateMode() const { return FUpdateMode; }
    void SetUpdateMode(TVyrUpdateMode Value) { FUpdateMode = Value; }
    TVyrLevel* UpdateLevel() const { return FUpdateLevel; }
    void SetUpdateLevel(TVyrLevel* Value);
    TVyrVarId Id() const { return FId; }
    void SetId(TVyrVarId Value) { FId = Value; }
    bool Active() const { return FActive; }
    bool Initialized() const { return FInitialized; }
    bool Running() const { return FRunning; }
    // The page the variable is registered with: its parent when that is a page.
    TVyrPage* Page() const;

    void SetParent(TWinControl* AParent) override;
    void SetName(const QString& NewName) override;
    void DefineProperties(TFiler* Filer) override;
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void BeforeDestruction() override;

protected:
    // The page asks its band manager to refresh after a change that the data control centre shows.
    void Changed();

    std::unique_ptr<TVyrData> FDataLast; // owned
    std::unique_ptr<TVyrData> FDataNow;  // owned
    bool FAutovar = false;
    TVyrDataTypes FDataType = dtypeUnknown;
    TVyrUpdateMode FUpdateMode = umNoUpdate;
    TVyrLevel* FUpdateLevel = nullptr; // not owned; cleared on removal
    TVyrVarId FId = vidAbstract;
    bool FActive = true;
    bool FInitialized = false;
    bool FRunning = false;
};

// A variable that reads one field of a data set.
class TVyrDBVar : public TVyrVar {
public:
    explicit TVyrDBVar(TComponent* AOwner);
    ~TVyrDBVar() override;

    TDataSource* DataSource() const { return FDataLink->DataSource(); }
    void SetDataSource(TDataSource* Value);
    const QString& DataField() const { return FDataField; }
    void SetDataField(const QString& Value);
    int FieldNo() const { return FFieldNo; }
    const QString& DisplayText() const { return FDisplayText; }

    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    int FFieldNo = -1;
    QString FDataField;
    std::unique_ptr<TFieldDataLink> FDataLink; // owned
    QString FDisplayText;
};

using TGetDataEvent = std::function<void(TVyrVar* Sender)>;

// A variable whose value an event handler supplies.
class TVyrExprVar : public TVyrVar {
public:
    explicit TVyrExprVar(TComponent* AOwner);
    TGetDataEvent OnGetData;
};

// The time the run started.
class TVyrDateTimeVar : public TVyrVar {
public:
    explicit TVyrDateTimeVar(TComponent* AOwner);
    void Loaded() override;
};

// Counts its updates; on the page header's level it counts pages.
class TVyrPageVar : public TVyrVar {
public:
    explicit TVyrPageVar(TComponent* AOwner);
    void Loaded() override;
};

// Sums another variable once per level of the page.
class TVyrTotalvar : public TVyrVar {
public:
    explicit TVyrTotalvar(TComponent* AOwner);
    ~TVyrTotalvar() override;

    TVyrVar* Variable() const { return FVariable; }
    void SetVariable(TVyrVar* Value);
    bool IgnoreNulls() const { return FIgnoreNulls; }
    void SetIgnoreNulls(bool Value) { FIgnoreNulls = Value; }
    bool IsCurrency() const { return FIsCurrency; }

    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    TVyrVar* FVariable = nullptr; // not owned; cleared on removal
    // One accumulator pair and one pair of reset flags per level of the page; made for a run.
    std::vector<std::unique_ptr<TVyrData>> FDataNowList;
    std::vector<std::unique_ptr<TVyrData>> FDataLastList;
    std::vector<bool> FResetNowList;
    std::vector<bool> FResetLastList;
    bool FIgnoreNulls = false;
    bool FIsCurrency = false;
};
