#pragma once
#include "host/designreg.h"

class TVyrPage;

// What the designer calls when it loads the design package: the report components on the palette
// page "PimReporter", the classes only the designer makes, the editors that turn references to
// variables, levels, bands and data sources into lists of names, and the component editor of the
// group page, which makes the band manager.
void Register();

// Registers the package once: Register, then the hooks through which designed reports reach their
// designer. A second call does nothing; resetDesignPackage undoes it all (tests).
void initDesignPackage();
void resetDesignPackage();

// The component editor of a group page: it makes the page's band manager, hidden, when the page has
// none; a double click or its one verb shows the manager, except for the editor that made it.
class TVyrGrouppageEditor : public TComponentEditor {
public:
    TVyrGrouppageEditor(TComponent* AComponent, IDesigner* ADesigner);
    void Edit() override;
    void ExecuteVerb(int Index) override;
    QString GetVerb(int Index) override;
    int GetVerbCount() override;
    // Set only in the editor that has just made the band manager.
    bool First() const { return FFirst; }

private:
    bool FFirst = false;
};

// A reference to a variable: the page's variables that are not totals. Works on the first selected
// component, whose page it finds by the component's kind.
class TVyrVarProperty : public TComponentProperty {
public:
    using TComponentProperty::TComponentProperty;
    QString GetValue() override;
    void GetValues(const TGetStrProc& Proc) override;
    void SetValue(const QString& Value) override;
    // The page of the edited component; raises "variable property editor can not find page".
    TVyrPage* GetPage();
    // Fills the page's lists of the form's data sources from the designer.
    void SetDataLists();
    void AddDataLists(const QString& Name);
};

// A reference to a total variable.
class TVyrTotalVarProperty : public TComponentProperty {
public:
    using TComponentProperty::TComponentProperty;
    QString GetValue() override;
    void GetValues(const TGetStrProc& Proc) override;
    void SetValue(const QString& Value) override;
};

// A reference to an update level of the edited component's page.
class TVyrLevelProperty : public TComponentProperty {
public:
    using TComponentProperty::TComponentProperty;
    QString GetValue() override;
    void GetValues(const TGetStrProc& Proc) override;
    void SetValue(const QString& Value) override;

protected:
    // Whether Level may be chosen here.
    virtual bool Offers(const TComponent* Level) const;
};

// The level of a total label: header levels are not offered.
class TVyrTotalLevelProperty : public TVyrLevelProperty {
public:
    using TVyrLevelProperty::TVyrLevelProperty;

protected:
    bool Offers(const TComponent* Level) const override;
};

// The data set of older forms: no list, only clearing.
class TVyrDataSetProperty : public TComponentProperty {
public:
    using TComponentProperty::TComponentProperty;
    QString GetValue() override;
    void GetValues(const TGetStrProc& Proc) override;
    void SetValue(const QString& Value) override;
};

// The band of a reserved space: the bands of the page its band lies on.
class TVyrReserveBandProperty : public TComponentProperty {
public:
    using TComponentProperty::TComponentProperty;
    QString GetValue() override;
    void GetValues(const TGetStrProc& Proc) override;
    void SetValue(const QString& Value) override;

private:
    TVyrPage* GetPage();
};

// References that are shown but not chosen here.
class TVyrReadOnlySubProperty : public TClassProperty {
public:
    using TClassProperty::TClassProperty;
    TPropertyAttributes GetAttributes() override;
};

class TVyrDataSourceDSGProperty : public TClassProperty {
public:
    using TClassProperty::TClassProperty;
    TPropertyAttributes GetAttributes() override;
    QString GetValue() override;
};
