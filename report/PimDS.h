#pragma once
#include "host/classes.h"
#include "host/controls.h"
#include "host/db.h"

#include <memory>
#include <vector>

class TPimDataSourceManager;

// One data source that a run activated: whether this object opened its data set (and must close
// it) and whether opening failed, with the database's message.
class TPimDataSource {
public:
    explicit TPimDataSource(TDataSource* DataSource, TPimDataSourceManager* Manager = nullptr);
    ~TPimDataSource();

    TDataSource* DataSource() const { return FDataSource; }
    bool CloseDataSource() const { return FCloseDataSource; }
    bool UnableToActivate() const { return FUnableToActivate; }
    // The message of the last failed opening; empty when opening did not fail.
    const QString& ErrorMessage() const { return FErrorMessage; }

    // The message of a failed opening the first time it is asked for; empty afterwards, so a failure
    // that several variables meet is told once.
    QString TakeErrorMessage();

    bool OpenSource();
    // Closes only the data sets this object opened, whatever the data source points to now.
    void CloseSource();

private:
    friend class TPimDataSourceManager;
    bool Opened(const TDataSet* DataSet) const;
    void Forget(TComponent* Component);

    TDataSource* FDataSource;
    bool FCloseDataSource = false;
    bool FUnableToActivate = false;
    QString FErrorMessage;
    bool FErrorTaken = false;
    TPimDataSourceManager* FManager;
    std::vector<TDataSet*> FOpenedDataSets; // opened here, closed by CloseSource
    TDataSet* FFoundOpen = nullptr;         // open before the first activation: never closed here
};

// Opens the data sets a run needs, each once per run, and at the end closes exactly those it
// opened. It hears when a data source or data set it holds is freed, so it never touches one
// after that.
class TPimDataSourceManager : public TComponent {
public:
    TPimDataSourceManager();
    ~TPimDataSourceManager() override;

    // True when the data source's data set is open after the call. A data set that a listed
    // source opened and that was closed during the run (by a sub data band or the first of two
    // passes) is opened again; one whose first opening failed is not tried again.
    bool ActivateDataSource(TDataSource* DataSource);
    void CloseDataSources();

    int Count() const { return static_cast<int>(FDSList.size()); }
    TPimDataSource* Items(int Index) const { return FDSList.at(static_cast<size_t>(Index)).get(); }
    TPimDataSource* Find(const TDataSource* DataSource) const;
    // Why DataSet, the data set of DataSource, is still closed after its activation: the cause its
    // opening raised, after the data set's name. New tells whether the run hears it for the first
    // time: the master loop, every sub data band and every variable on the source meet the same
    // failure, and it is told once.
    QString OpenFailure(TDataSource* DataSource, TDataSet* DataSet, bool& New);

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    friend class TPimDataSource;
    void Track(TComponent* Component);
    void Untrack(TComponent* Component);
    bool Refers(const TComponent* Component) const;

    std::vector<std::unique_ptr<TPimDataSource>> FDSList;
};

// A data set's message, after its name when it has one ("Orders: no such table: orders").
QString DataSetMessage(const TDataSet* DataSet, const QString& Cause);

class TVyrDSGuide;
class TVyrLevel;
class TVyrPage;

// The data link of a guide: the page redraws when the guide's data set opens or closes.
class TPimDataLink : public TDataLink {
public:
    explicit TPimDataLink(TVyrDSGuide* Guide) : DSG(Guide) {}
    TVyrDSGuide* DSG;

protected:
    void ActiveChanged() override;
};

// Stands for one data source of the form at design time: the level at which its automatic
// variables are updated, and whether they are made at all. Lives only on a group page.
class TVyrDSGuide : public TControl {
public:
    explicit TVyrDSGuide(TComponent* AOwner);
    ~TVyrDSGuide() override;

    bool CreateVariables() const { return FCreateVariables; }
    virtual void SetCreateVariables(bool Value);
    TVyrLevel* UpdateLevel() const { return FUpdateLevel; }
    virtual void SetUpdateLevel(TVyrLevel* Value);
    virtual TDataSource* GetDataSource() const { return FDataLink->DataSource(); }
    TDataSource* DataSource() const { return GetDataSource(); }
    virtual void SetDataSource(TDataSource* Value);
    TVyrPage* Page() const;

    void SetParent(TWinControl* AParent) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void BeforeDestruction() override;

private:
    bool PageGoing() const;

    bool FCreateVariables = true;
    TVyrLevel* FUpdateLevel = nullptr; // not owned; cleared on removal
    std::unique_ptr<TPimDataLink> FDataLink;
};

class TVyrDataSourceGuide : public TVyrDSGuide {
public:
    using TVyrDSGuide::TVyrDSGuide;
};
