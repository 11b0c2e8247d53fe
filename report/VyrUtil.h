#pragma once
#include "host/controls.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

class TComponent;
class TVyrPage;

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

// How far a page's bands stand right of and below its edge: the page's frame.
int VyrRulerOffset(const TVyrPage* Page);

// A scale in the page's units beside a designed report: horizontal above the page, vertical beside
// one band. A white mark follows the pointer.
class TVyrRuler : public TCustomPanel {
public:
    explicit TVyrRuler(TComponent* AOwner);
    ~TVyrRuler() override;

    bool Vertical() const { return FVertical; }
    void SetVertical(bool Value) { FVertical = Value; }
    int PixelsPerInch() const { return FPixelsPerInch; }
    void SetPixelsPerInch(int Value) { FPixelsPerInch = Value; }
    TVyrUnits Units() const { return FUnits; }
    void SetUnits(TVyrUnits Value) { FUnits = Value; }
    TVyrUnitMaster* Um() const { return FUm.get(); }
    // Where the scale's 0 lies: minus the page's scroll position.
    int StartPixels() const { return FStartPixels; }
    void SetStartPixels(int Value) { FStartPixels = Value; }
    bool ShowCrossHair() const { return FShowCrossHair; }
    void SetShowCrossHair(bool Value) { FShowCrossHair = Value; }
    int CrossHairPosition() const { return FCrossHairPosition; }
    void SetCrossHairPosition(int Value) { FCrossHairPosition = Value; }

    // Moves the mark; the ruler repaints where it was and where it goes.
    void UpdateHair(int Position);
    // The panel with its bevels, the scale and the mark.
    void Paint() override;

private:
    void PaintScale();
    void PaintHair();

    bool FVertical = false;
    int FPixelsPerInch = 96;
    TVyrUnits FUnits = unitInches;
    std::unique_ptr<TVyrUnitMaster> FUm;
    int FStartPixels = 0;
    bool FShowCrossHair = true;
    int FCrossHairPosition = 0;
};

// The vertical rulers left of a designed report's page, one beside each band.
class TVyrRulerContainer : public TCustomPanel {
public:
    explicit TVyrRulerContainer(TComponent* AOwner);
    ~TVyrRulerContainer() override;

    // In band order; the container owns them.
    const std::vector<TVyrRuler*>& Rulers() const { return FRulers; }
    // Given to every ruler, those made later included.
    void SetPixelsPerInch(int Value);
    void SetUnits(TVyrUnits Value);
    bool ShowCrossHair() const { return FShowCrossHair; }
    void SetShowCrossHair(bool Value) { FShowCrossHair = Value; }
    int CrossHairPosition() const { return FCrossHairPosition; }

    // The first page of the report the container stands on; nil elsewhere.
    TVyrPage* GetPage() const;
    // One ruler beside each band of the page, cut at the container's bottom.
    void UpdateRulers();
    // Moves the mark to Position, a height in the report's page: the ruler of the band there shows
    // it, the one that showed it before lets go.
    void UpdateHair(int Position);
    // The last ruler whose height holds Position; nil when none does.
    TVyrRuler* RulerAtPosition(int Position) const;

    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    std::vector<TVyrRuler*> FRulers; // owned
    bool FShowCrossHair = true;
    int FCrossHairPosition = 0;
    int FPixelsPerInch = 96;
    TVyrUnits FUnits = unitInches;
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
