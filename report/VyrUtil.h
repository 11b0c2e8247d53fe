#pragma once
#include <QString>
#include <cstdint>

class TComponent;

enum TVyrUnits : uint8_t { unitInches, unitMiliMeters, unitCentiMeters };

// Converts lengths between the three units of measure. A unit outside the three gives 0.
class TVyrUnitMaster {
public:
    TVyrUnitMaster();
    virtual ~TVyrUnitMaster();

    virtual double ToIn(double Value, TVyrUnits From);
    virtual double ToMM(double Value, TVyrUnits From);
    virtual double ToCM(double Value, TVyrUnits From);
    virtual double InTo(double Value, TVyrUnits To);
    virtual double MMTo(double Value, TVyrUnits To);
    virtual double CMTo(double Value, TVyrUnits To);

    double UnitToUnit(double Value, TVyrUnits From, TVyrUnits To);
};

// A class name made into a component base name: "TVyrLabel" and "TLabel" both give "Label".
QString VyrStripFirst(const QString& S);
// S with every character that may not stand in an identifier replaced by "_".
QString VyrMakeValidIDent(const QString& S, bool Strip);
// True when S starts with a letter or "_" and goes on with letters, digits and "_" only.
bool VyrIsValidIdent(const QString& S);
// Names the component; False when the name is blank, not an identifier or refused by the owner.
bool VyrSetComponentName(TComponent* Component, const QString& Name);
// Names the component Base, Base1, Base2, ... with the first name its owner accepts.
bool VyrAutoSetComponentName(TComponent* Component, const QString& Base, bool Strip);
bool VyrEmpty(const QString& S);
QString VyrRightTrim(const QString& S);
