#include "report/VyrUtil.h"
#include "host/classes.h"

namespace {

constexpr double MMPerInch = 25.4;
constexpr double CMPerInch = 2.54;

bool IsIdentStart(QChar c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_';
}

bool IsIdentChar(QChar c) { return IsIdentStart(c) || (c >= u'0' && c <= u'9'); }

} // namespace

TVyrUnitMaster::TVyrUnitMaster() = default;
TVyrUnitMaster::~TVyrUnitMaster() = default;

double TVyrUnitMaster::ToIn(double Value, TVyrUnits From) {
    switch (From) {
    case unitInches: return Value;
    case unitMiliMeters: return Value / MMPerInch;
    case unitCentiMeters: return Value / CMPerInch;
    }
    return 0;
}

double TVyrUnitMaster::ToMM(double Value, TVyrUnits From) {
    switch (From) {
    case unitInches: return Value * MMPerInch;
    case unitMiliMeters: return Value;
    case unitCentiMeters: return Value * 10;
    }
    return 0;
}

double TVyrUnitMaster::ToCM(double Value, TVyrUnits From) {
    switch (From) {
    case unitInches: return Value * CMPerInch;
    case unitMiliMeters: return Value / 10;
    case unitCentiMeters: return Value;
    }
    return 0;
}

double TVyrUnitMaster::InTo(double Value, TVyrUnits To) {
    switch (To) {
    case unitInches: return Value;
    case unitMiliMeters: return Value * MMPerInch;
    case unitCentiMeters: return Value * CMPerInch;
    }
    return 0;
}

double TVyrUnitMaster::MMTo(double Value, TVyrUnits To) {
    switch (To) {
    case unitInches: return Value / MMPerInch;
    case unitMiliMeters: return Value;
    case unitCentiMeters: return Value / 10;
    }
    return 0;
}

double TVyrUnitMaster::CMTo(double Value, TVyrUnits To) {
    switch (To) {
    case unitInches: return Value / CMPerInch;
    case unitMiliMeters: return Value * 10;
    case unitCentiMeters: return Value;
    }
    return 0;
}

double TVyrUnitMaster::UnitToUnit(double Value, TVyrUnits From, TVyrUnits To) {
    switch (From) {
    case unitInches: return InTo(Value, To);
    case unitMiliMeters: return MMTo(Value, To);
    case unitCentiMeters: return CMTo(Value, To);
    }
    return 0;
}

QString VyrStripFirst(const QString& S) {
    if (S.size() > 4 && S.left(4).compare(QStringLiteral("TVYR"), Qt::CaseInsensitive) == 0) return S.mid(4);
    if (S.size() > 1 && (S[0] == u'T' || S[0] == u't')) return S.mid(1);
    return S;
}

QString VyrMakeValidIDent(const QString& S, bool Strip) {
    QString R = Strip ? VyrStripFirst(S) : S;
    for (qsizetype i = 0; i < R.size(); ++i)
        if (i == 0 ? !IsIdentStart(R[i]) : !IsIdentChar(R[i])) R[i] = u'_';
    return R;
}

bool VyrIsValidIdent(const QString& S) {
    if (S.isEmpty() || !IsIdentStart(S[0])) return false;
    for (QChar c : S)
        if (!IsIdentChar(c)) return false;
    return true;
}

namespace {

enum TNaming { nmAccepted, nmDuplicate, nmRefused };

TNaming TryName(TComponent* Component, const QString& Name) {
    try {
        Component->SetName(Name);
        return nmAccepted;
    } catch (const EDuplicateComponentName&) {
        return nmDuplicate;
    } catch (const EComponentError&) {
        return nmRefused;
    }
}

} // namespace

bool VyrSetComponentName(TComponent* Component, const QString& Name) {
    if (!Component || VyrEmpty(Name) || !VyrIsValidIdent(Name)) return false;
    return TryName(Component, Name) == nmAccepted;
}

bool VyrAutoSetComponentName(TComponent* Component, const QString& Base, bool Strip) {
    // A blank base would otherwise come back as a row of underscores.
    if (!Component || VyrEmpty(Base)) return false;
    const QString Name = VyrMakeValidIDent(Base, Strip);
    if (VyrEmpty(Name) || !VyrIsValidIdent(Name)) return false;
    // Only a clash is worth another number; any other refusal would refuse every number too. The
    // bound keeps an owner that calls every name a clash from holding the caller for ever.
    constexpr int MaxTries = 100000;
    for (int i = 0; i < MaxTries; ++i) {
        switch (TryName(Component, i == 0 ? Name : Name + QString::number(i))) {
        case nmAccepted: return true;
        case nmDuplicate: continue;
        case nmRefused: return false;
        }
    }
    return false;
}

bool VyrEmpty(const QString& S) {
    for (QChar c : S)
        if (c != u' ') return false;
    return true;
}

QString VyrRightTrim(const QString& S) {
    qsizetype n = S.size();
    while (n > 0 && S[n - 1] == u' ') --n;
    return S.left(n);
}
