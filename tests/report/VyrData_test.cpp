#include "host/controls.h"
#include "host/memdataset.h"
#include "host/lists.h"
#include "host/streams.h"
#include "report/VyrCurr.h"
#include "report/VyrData.h"
#include "report/VyrFloat.h"

#include <gtest/gtest.h>
#include <QDate>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>

namespace {

QString Hex(TStream* s) {
    QString R;
    const int64_t Keep = s->Position();
    s->SetPosition(0);
    for (int64_t i = 0; i < s->Size(); ++i) {
        if (!R.isEmpty()) R += u' ';
        R += QStringLiteral("%1").arg(s->ReadUInt8(), 2, 16, QChar(u'0')).toUpper();
    }
    s->SetPosition(Keep);
    return R;
}

// Every value test runs under the fixed United States settings unless it installs others.
class Values : public ::testing::Test {
protected:
    TFormatSettingsScope Scope{TFormatSettings::Fixed()};
};

// Continental conventions for the tests that must not pass by accident with the defaults.
TFormatSettings Continental() {
    TFormatSettings S = TFormatSettings::Fixed();
    S.DecimalSeparator = u',';
    S.ThousandSeparator = u'.';
    S.CurrencyString = QStringLiteral("EUR");
    S.CurrencyFormat = 3;
    S.CurrencyDecimals = 3;
    return S;
}

struct TKind {
    const char* Name;
    std::function<std::unique_ptr<TVyrData>()> Make;
    std::function<void(TVyrData&)> Prepare;  // a typical value for the getters
    std::function<QString(TVyrData&)> Render; // what a setter left behind
};

QString RenderText(TVyrData& v) { return v.AsString(); }
QString RenderFloat(TVyrData& v) { return QString::number(v.AsFloat()); }
QString RenderStream(TVyrData& v) { return Hex(static_cast<TVyrBlob&>(v).ValueStream()); }

template <class T> std::function<std::unique_ptr<TVyrData>()> Maker() {
    return [] { return std::unique_ptr<TVyrData>(new T); };
}

QString Outcome(const std::function<QString()>& f) {
    try {
        return f();
    } catch (const EAbstractError&) {
        return QStringLiteral("A");
    } catch (const EConvertError&) {
        return QStringLiteral("C");
    } catch (const Exception& e) {
        return QStringLiteral("E:") + e.Message();
    }
}

} // namespace

// A = abstract-call error, C = conversion error, E: = the general exception with its text.
TEST_F(Values, ConversionMatrixOfEveryKind) {
    const TDateTime Day = EncodeDate(2024, 3, 5); // 45356
    const std::vector<TKind> Kinds = {
        {"String", Maker<TVyrString>(), [](TVyrData& v) { v.SetAsString(QStringLiteral("12")); }, RenderText},
        {"Integer", Maker<TVyrInteger>(), [](TVyrData& v) { v.SetAsInteger(12); }, RenderText},
        {"DateTime", Maker<TVyrDateTime>(), [&](TVyrData& v) { v.SetAsDateTime(Day); }, RenderFloat},
        {"Boolean", Maker<TVyrBoolean>(), [](TVyrData& v) { v.SetAsBoolean(true); }, RenderText},
        {"Blob", Maker<TVyrBlob>(), [](TVyrData& v) { v.SetAsString(QStringLiteral("abc")); }, RenderStream},
        {"Graphic", Maker<TVyrGraphic>(), [](TVyrData& v) { v.SetAsString(QStringLiteral("abc")); }, RenderStream},
        {"Memo", Maker<TVyrMemo>(), [](TVyrData& v) { v.SetAsString(QStringLiteral("abc")); }, RenderStream},
        {"Unknown", Maker<TVyrUnknown>(), [](TVyrData& v) { v.SetAsString(QStringLiteral("abc")); }, RenderStream},
        {"Float", Maker<TVyrFloat>(), [](TVyrData& v) { v.SetAsFloat(2.5); }, RenderText},
        {"Currency", Maker<TVyrCurrency>(), [](TVyrData& v) { v.SetAsFloat(2.5); }, RenderText},
    };
    TMemoryStream Bytes;
    Bytes.WriteBuffer("xy", 2);
    TStringList Lines;
    Lines.Add(QStringLiteral("a"));
    Lines.Add(QStringLiteral("b"));

    struct TOp {
        const char* Name;
        bool Getter;
        std::function<QString(TVyrData&)> Do;
    };
    const std::vector<TOp> Ops = {
        {"AsString", true, [](TVyrData& v) { return v.AsString(); }},
        {"AsInteger", true, [](TVyrData& v) { return QString::number(v.AsInteger()); }},
        {"AsFloat", true, [](TVyrData& v) { return QString::number(v.AsFloat()); }},
        {"AsCurrency", true, [](TVyrData& v) { return QString::number(v.AsCurrency().Units()); }},
        {"AsDateTime", true, [](TVyrData& v) { return QString::number(v.AsDateTime()); }},
        {"AsBoolean", true, [](TVyrData& v) { return QString::number(v.AsBoolean()); }},
        {"SetAsString", false, [](TVyrData& v) { v.SetAsString(QStringLiteral("7")); return QString(); }},
        {"SetAsInteger", false, [](TVyrData& v) { v.SetAsInteger(7); return QString(); }},
        {"SetAsFloat", false, [](TVyrData& v) { v.SetAsFloat(-7.9); return QString(); }},
        {"SetAsCurrency", false, [](TVyrData& v) { v.SetAsCurrency(Currency::FromInt(7)); return QString(); }},
        {"SetAsDateTime", false, [&](TVyrData& v) { v.SetAsDateTime(Day); return QString(); }},
        {"SetAsBoolean", false, [](TVyrData& v) { v.SetAsBoolean(true); return QString(); }},
        {"SetAsStream", false, [&](TVyrData& v) { v.SetAsStream(&Bytes); return QString(); }},
        {"SetAsStrings", false, [&](TVyrData& v) { v.SetAsStrings(&Lines); return QString(); }},
    };
    const char* const BlobText = "E:I am not allowing blob or graphic value AsString.";
    const char* const Mark7 = "FF FE 37 00";
    // columns: String Integer DateTime Boolean Blob Graphic Memo Unknown Float Currency
    const std::vector<std::vector<const char*>> Expected = {
        {"12", "12", "3/5/2024", "True", BlobText, BlobText, "abc", "Unknown type, check to see if field exists.", "2.5", "2.5"},
        {"12", "12", "A", "1", "A", "A", "A", "A", "2", "2"},
        {"12", "12", "45356", "1", "0", "0", "0", "0", "2.5", "2.5"},
        {"120000", "120000", "0", "0", "0", "0", "0", "0", "25000", "25000"},
        {"C", "A", "45356", "A", "A", "A", "A", "A", "A", "A"},
        {"0", "1", "0", "1", "0", "0", "0", "0", "1", "1"},
        {"7", "7", "C", "False", Mark7, Mark7, Mark7, Mark7, "7", "7"},
        {"7", "7", "A", "True", "A", "A", "A", "A", "7", "7"},
        {"-7.9", "-7", "-7.9", "True", "A", "A", "A", "A", "-7.9", "-7.9"},
        {"A", "A", "A", "A", "A", "A", "A", "A", "A", "7"},
        {"3/5/2024", "A", "45356", "A", "A", "A", "A", "A", "A", "A"},
        {"True", "1", "A", "True", "A", "A", "A", "A", "1", "1"},
        {"A", "A", "A", "A", "78 79", "78 79", "78 79", "78 79", "A", "A"},
        {"A", "A", "A", "A", "A", "A", "FF FE 61 00 0D 00 0A 00 62 00 0D 00 0A 00", "A", "A", "A"},
    };
    ASSERT_EQ(Expected.size(), Ops.size());
    for (size_t o = 0; o < Ops.size(); ++o) {
        ASSERT_EQ(Expected[o].size(), Kinds.size());
        for (size_t k = 0; k < Kinds.size(); ++k) {
            auto v = Kinds[k].Make();
            const QString Got = Outcome([&] {
                if (Ops[o].Getter) {
                    Kinds[k].Prepare(*v);
                    return Ops[o].Do(*v);
                }
                Ops[o].Do(*v);
                return Kinds[k].Render(*v);
            });
            EXPECT_EQ(Got, QString::fromUtf8(Expected[o][k])) << Ops[o].Name << " of " << Kinds[k].Name;
        }
    }
}

TEST_F(Values, KindsStartEmptyAndResetClearsNull) {
    TVyrString s;
    TVyrInteger i;
    TVyrDateTime d;
    TVyrBoolean b;
    TVyrMemo m;
    const struct {
        TVyrData* Value;
        TVyrDataTypes Type;
        const char* Text;
        const char* Empty;
    } All[] = {{&s, dtypeString, "x", ""},          {&i, dtypeInteger, "5", "0"}, {&d, dtypeDateTime, "3/5/2024", ""},
               {&b, dtypeBoolean, "true", "False"}, {&m, dtypeMemo, "x", ""}};
    for (const auto& c : All) {
        EXPECT_EQ(c.Value->DataType(), c.Type);
        EXPECT_FALSE(c.Value->IsNull());
        EXPECT_EQ(c.Value->AsString(), QString::fromLatin1(c.Empty));
        c.Value->SetAsString(QString::fromLatin1(c.Text));
        EXPECT_NE(c.Value->AsString(), QString::fromLatin1(c.Empty));
        c.Value->SetIsNull(true);
        c.Value->Reset();
        EXPECT_FALSE(c.Value->IsNull());
        EXPECT_EQ(c.Value->AsString(), QString::fromLatin1(c.Empty)) << int(c.Type);
    }
}

TEST_F(Values, TextTruthAndBooleanParsing) {
    TVyrString s;
    const std::pair<const char*, bool> Texts[] = {{"yes", true}, {"Y", true}, {"true", true}, {"T", true},
                                                  {"no", false}, {"1", false}, {"", false}, {"False", false}};
    for (auto [Text, Truth] : Texts) {
        s.SetAsString(QString::fromLatin1(Text));
        EXPECT_EQ(s.AsBoolean(), Truth) << Text;
    }
    TVyrBoolean b;
    b.SetAsString(QStringLiteral("TRUE"));
    EXPECT_TRUE(b.AsBoolean());
    b.SetAsString(QStringLiteral("Yes"));
    EXPECT_FALSE(b.AsBoolean());
    s.SetAsString(QStringLiteral("x1"));
    EXPECT_EQ(s.AsFloat(), 0); // a bad text reads as 0
    s.SetAsString(QStringLiteral("2.5"));
    EXPECT_EQ(s.AsCurrency().Units(), 25000);
    s.SetAsString(QStringLiteral("0.00025"));
    EXPECT_EQ(s.AsCurrency().Units(), 2); // halves to even
}

TEST_F(Values, OverflowingConversionsRaiseTheConversionError) {
    TVyrInteger i;
    EXPECT_THROW(i.SetAsFloat(3e9), EConvertError);
    EXPECT_THROW(i.SetAsFloat(std::nan("")), EConvertError);
    i.SetAsFloat(-2147483648.9);
    EXPECT_EQ(i.AsInteger(), -2147483647 - 1);
    TVyrFloat f;
    f.SetAsFloat(1e300);
    EXPECT_THROW(f.AsInteger(), EConvertError);
    EXPECT_THROW(f.AsCurrency(), EConvertError);
    TVyrCurrency c;
    EXPECT_THROW(c.SetAsFloat(1e300), EConvertError);
    EXPECT_THROW(c.SetAsFloat(std::numeric_limits<double>::infinity()), EConvertError);
    TVyrString s;
    s.SetAsString(QStringLiteral("1e300"));
    EXPECT_THROW(s.AsCurrency(), EConvertError);
}

TEST_F(Values, SetDataTakesOverMatchingKindsAndRefusesOthers) {
    TVyrString From;
    From.SetAsString(QStringLiteral("42"));
    From.SetIsNull(true);
    TVyrInteger To;
    To.SetData(&From);
    EXPECT_EQ(To.AsInteger(), 42);
    EXPECT_TRUE(To.IsNull());

    TVyrMemo Memo;
    Memo.SetAsString(QStringLiteral("text"));
    TVyrBlob Blob;
    Blob.SetData(&Memo);
    EXPECT_EQ(Hex(Blob.ValueStream()), QStringLiteral("FF FE 74 00 65 00 78 00 74 00"));
    EXPECT_THROW(Blob.SetData(&From), EInvalidCast);
    EXPECT_THROW(Blob.SetData(nullptr), EInvalidCast);
    Blob.SetData(&Blob); // itself: nothing lost
    EXPECT_EQ(Blob.ValueStream()->Size(), 10);

    TVyrFloat F1, F2;
    F1.SetAsFloat(5);
    F1.SetAsFloat(-2);
    F2.SetData(&F1);
    F2.SetTotalType(ttSum);
    EXPECT_EQ(F2.AsFloat(), 3);
    EXPECT_EQ(F2.Calc()->Count(), 2);
    TVyrCurrency C;
    EXPECT_THROW(F2.SetData(&C), EInvalidCast);
    EXPECT_THROW(C.SetData(&F1), EInvalidCast);
}

TEST_F(Values, TextsCopiedBackAndForthKeepEveryHolderOfAnEarlierText) {
    TVyrString Now, Last;
    Now.SetAsString(QStringLiteral("a much longer first text"));
    Last.SetData(&Now);
    const QString Held = Last.AsString();
    Now.SetAsString(QStringLiteral("short"));
    Last.SetData(&Now);
    Now.SetData(&Last);
    EXPECT_EQ(Last.AsString(), QStringLiteral("short"));
    EXPECT_EQ(Now.AsString(), QStringLiteral("short"));
    EXPECT_EQ(Held, QStringLiteral("a much longer first text"));
    Now.SetData(&Now);
    EXPECT_EQ(Now.AsString(), QStringLiteral("short"));

    // Values read as the same text when AsString gives the same text, whatever their kind.
    TVyrInteger I1, I2;
    I1.SetValueInteger(3000000000);
    I2.SetValueInteger(3000000000);
    EXPECT_TRUE(VyrSameText(&I1, &I2));
    I2.SetValueInteger(3000000001);
    EXPECT_FALSE(VyrSameText(&I1, &I2));
    TVyrString Digits;
    Digits.SetAsString(QStringLiteral("3000000000"));
    EXPECT_TRUE(VyrSameText(&I1, &Digits));
    TVyrDateTime Morning, Evening;
    Morning.SetAsDateTime(45351.25);
    Evening.SetAsDateTime(45351.75);
    EXPECT_TRUE(VyrSameText(&Morning, &Evening)); // the date alone
    TVyrBoolean Yes, No;
    Yes.SetAsBoolean(true);
    EXPECT_FALSE(VyrSameText(&Yes, &No));
    No.SetAsBoolean(true);
    EXPECT_TRUE(VyrSameText(&Yes, &No));
}

TEST_F(Values, MemoReadsBackWithoutTheByteOrderMark) {
    TVyrMemo m;
    m.SetAsString(QStringLiteral("Zeile eins\r\nZeile zwei"));
    EXPECT_EQ(m.AsString(), QStringLiteral("Zeile eins\r\nZeile zwei"));
    TStringList* Lines = m.AsStrings();
    ASSERT_EQ(Lines->Count(), 2);
    EXPECT_EQ(Lines->Strings(1), QStringLiteral("Zeile zwei"));
    // text without a mark and an odd trailing byte
    TMemoryStream Raw;
    Raw.WriteBuffer("h\0i\0!", 5);
    m.SetAsStream(&Raw);
    EXPECT_EQ(m.AsString(), QStringLiteral("hi"));
    m.SetAsString(QString());
    EXPECT_EQ(m.ValueStream()->Size(), 0);
    EXPECT_EQ(m.AsString(), QString());
}

TEST_F(Values, PlainStreamIsUtf16WithoutMarkAndReused) {
    TVyrString s;
    s.SetAsString(QStringLiteral("abc"));
    TStream* First = s.AsStream();
    EXPECT_EQ(Hex(First), QStringLiteral("61 00 62 00 63 00"));
    EXPECT_EQ(First->Position(), 0);
    const QString Long(300, u'x');
    s.SetAsString(Long);
    TStream* Second = s.AsStream();
    EXPECT_EQ(Second, First);
    EXPECT_EQ(Second->Size(), 600); // long texts are kept whole
    TVyrBlob b;
    b.SetAsString(QStringLiteral("abc"));
    EXPECT_EQ(b.AsStream(), b.ValueStream());
}

TEST_F(Values, FormatAsStreamWritesTheMarkAndTheText) {
    TVyrString s;
    s.SetAsString(QStringLiteral("abc"));
    TVyrFormat f;
    TStream* Out = f.FormatAsStream(&s);
    EXPECT_EQ(Hex(Out), QStringLiteral("FF FE 61 00 62 00 63 00"));
    EXPECT_EQ(Out->Position(), 0);
    s.SetAsString(QStringLiteral("d"));
    EXPECT_EQ(f.FormatAsStream(&s), Out);
    EXPECT_EQ(Hex(Out), QStringLiteral("FF FE 64 00"));
    EXPECT_EQ(s.AsFormat(&f), QStringLiteral("d"));
}

TEST_F(Values, HoursAndMinutesThroughFloatAndCurrency) {
    const struct {
        double Days;
        const char* Text;
    } Cases[] = {
        {0.0625, "01:30"}, {0.075, "01:48"}, {1.0, "24:00"},    {0.000347, "00:00"},    {1.5, "36:00"},
        {-0.0625, "-01:30"}, {-0.02083333, "-00:30"}, {100, "2400:00"}, {0, "00:00"},
    };
    TVyrFormat f;
    f.SetDisplayFormat(QStringLiteral("HH:MM"));
    for (const auto& c : Cases) {
        TVyrFloat v;
        v.SetAsFloat(c.Days);
        EXPECT_EQ(f.FormatAsString(&v), QString::fromLatin1(c.Text)) << "float " << c.Days;
        TVyrCurrency m;
        m.SetAsFloat(c.Days);
        EXPECT_EQ(f.FormatAsString(&m), QString::fromLatin1(c.Text)) << "currency " << c.Days;
    }
    TVyrInteger i;
    i.SetAsInteger(2);
    EXPECT_EQ(f.FormatAsString(&i), QStringLiteral("48:00"));
    TVyrFloat Huge;
    Huge.SetAsFloat(1e300);
    EXPECT_THROW(f.FormatAsString(&Huge), EConvertError);
    f.SetDisplayFormat(QStringLiteral("hh:mm")); // not the magic text: a number pattern
    TVyrFloat v;
    v.SetAsFloat(1.5);
    EXPECT_EQ(f.FormatAsString(&v), QStringLiteral("hh:mm2"));
}

TEST_F(Values, NumberOutputFollowsTheSettings) {
    TFormatSettingsScope Local(Continental());
    TVyrFloat v;
    v.SetAsFloat(1234.5);
    TVyrFloatFormat Total;
    EXPECT_EQ(Total.FloatFormat(), ffNumber);
    EXPECT_EQ(Total.Digits(), 2);
    EXPECT_EQ(Total.FormatAsString(&v), QStringLiteral("1.234,50"));

    TVyrCurrency c;
    c.SetAsFloat(1234.5);
    Total.SetFloatFormat(ffCurrency);
    EXPECT_EQ(Total.FormatAsString(&c), QStringLiteral("1.234,50 EUR"));
    Total.SetUseCurrencyDecimals(true);
    EXPECT_EQ(Total.FormatAsString(&c), QStringLiteral("1.234,500 EUR"));
    EXPECT_EQ(Total.FormatAsString(&v), QStringLiteral("1.234,500 EUR"));

    TVyrFloat Neg;
    Neg.SetAsFloat(-1234.5);
    TVyrFormat Pattern;
    Pattern.SetDisplayFormat(QStringLiteral("#,##0.00;(#,##0.00)"));
    EXPECT_EQ(Pattern.FormatAsString(&Neg), QStringLiteral("(1.234,50)"));
    TVyrCurrency NegC;
    NegC.SetAsFloat(-1234.5);
    EXPECT_EQ(Pattern.FormatAsString(&NegC), QStringLiteral("(1.234,50)"));

    TVyrFormat Plain;
    TVyrInteger i;
    i.SetAsInteger(1234);
    EXPECT_EQ(Plain.FormatAsString(&i), QStringLiteral("1234"));
    EXPECT_EQ(Plain.FormatAsString(&v), QStringLiteral("1234,5"));
}

TEST_F(Values, BooleanPatternsCaseAndNulls) {
    TVyrBoolean Yes, No;
    Yes.SetAsBoolean(true);
    TVyrFormat f;
    EXPECT_EQ(f.FormatAsString(&Yes), QStringLiteral("True"));
    f.SetDisplayFormat(QStringLiteral("yes;no"));
    EXPECT_EQ(f.FormatAsString(&Yes), QStringLiteral("yes"));
    EXPECT_EQ(f.FormatAsString(&No), QStringLiteral("no"));
    f.SetDisplayFormat(QStringLiteral("Ja"));
    EXPECT_EQ(f.FormatAsString(&Yes), QStringLiteral("Ja"));
    EXPECT_EQ(f.FormatAsString(&No), QString());
    f.SetDisplayFormat(QString(300, u'y'));
    EXPECT_EQ(f.FormatAsString(&Yes).size(), 255);
    f.SetDisplayFormat(QStringLiteral("   "));
    EXPECT_EQ(f.FormatAsString(&No), QStringLiteral("False")); // blanks are no pattern

    f.SetDisplayFormat(QStringLiteral("yes;no"));
    f.SetTextCase(tcUpper);
    EXPECT_EQ(f.FormatAsString(&Yes), QStringLiteral("YES"));
    Yes.SetIsNull(true);
    EXPECT_EQ(f.FormatAsString(&Yes), QStringLiteral("YES"));
    f.SetSuppressNulls(true);
    EXPECT_EQ(f.FormatAsString(&Yes), QString());

    TVyrString Accented;
    Accented.SetAsString(QStringLiteral("àbc Déf"));
    TVyrFormat Case;
    Case.SetTextCase(tcUpper);
    EXPECT_EQ(Case.FormatAsString(&Accented), QStringLiteral("àBC DéF"));
    Case.SetTextCase(tcLower);
    EXPECT_EQ(Case.FormatAsString(&Accented), QStringLiteral("àbc déf"));
}

TEST_F(Values, DatesTextsAndOtherKindsThroughTheFormat) {
    TVyrDateTime d;
    TVyrFormat f;
    EXPECT_EQ(f.FormatAsString(&d), QString()); // 0 prints nothing
    d.SetAsDateTime(EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 0, 0));
    EXPECT_EQ(f.FormatAsString(&d), QStringLiteral("3/5/2024"));
    f.SetDisplayFormat(QStringLiteral("yyyy-mm-dd hh:nn"));
    EXPECT_EQ(f.FormatAsString(&d), QStringLiteral("2024-03-05 14:07"));
    f.SetDisplayFormat(QStringLiteral("dddd d mmmm"));
    EXPECT_EQ(f.FormatAsString(&d), QStringLiteral("Tuesday 5 March"));
    d.SetIsNull(true);
    f.SetDisplayFormat(QString());
    EXPECT_EQ(f.FormatAsString(&d), QString());

    TVyrString Phone;
    Phone.SetAsString(QStringLiteral("5551234567"));
    f.SetDisplayFormat(QStringLiteral("!(999)000-0000;0;_"));
    EXPECT_EQ(f.FormatAsString(&Phone), QStringLiteral("(555)123-4567"));

    TVyrUnknown u;
    EXPECT_EQ(f.FormatAsString(&u), QStringLiteral("Unknown type, check to see if field exists."));
    TVyrGraphic g;
    EXPECT_THROW(f.FormatAsString(&g), Exception);
    TVyrMemo m;
    m.SetAsString(QStringLiteral("memo"));
    EXPECT_EQ(f.FormatAsString(&m), QStringLiteral("memo"));
}

TEST_F(Values, FormatSettersAndAssign) {
    TVyrFormat f;
    EXPECT_EQ(f.Width(), 15);
    EXPECT_EQ(f.FloatFormat(), ffGeneral);
    EXPECT_EQ(f.Digits(), 0);
    EXPECT_EQ(f.TextCase(), tcNone);
    f.SetDisplayFormat(QStringLiteral("0.0"));
    f.SetWidth(10);
    f.SetTextCase(tcLower);
    f.SetSuppressNulls(true);
    TVyrFloatFormat g;
    g.Assign(&f);
    EXPECT_EQ(g.DisplayFormat(), QStringLiteral("0.0"));
    EXPECT_EQ(g.Width(), 10);
    EXPECT_EQ(g.Digits(), 0);
    EXPECT_EQ(g.FloatFormat(), ffGeneral);
    EXPECT_EQ(g.TextCase(), tcLower);
    EXPECT_TRUE(g.SuppressNulls());
}

TEST_F(Values, ChangedSettingsRepaintTheLabelOnce) {
    TControl Label(nullptr);
    int Repaints = 0;
    SetInvalidateHook([&](TControl* c) { Repaints += c == &Label; });
    TVyrFloatFormat f;
    f.SetVyrLabel(&Label);
    f.SetDigits(2);
    f.SetFloatFormat(ffNumber);
    f.SetWidth(15);
    EXPECT_EQ(Repaints, 0); // all unchanged
    f.SetDigits(3);
    f.SetDisplayFormat(QStringLiteral("0"));
    f.SetTextCase(tcUpper);
    EXPECT_EQ(Repaints, 3);
    Label.BeginLoading();
    f.SetWidth(5);
    Label.EndLoading();
    EXPECT_EQ(Repaints, 3); // nothing is drawn while the label is being read
    SetInvalidateHook(nullptr);
}

TEST_F(Values, IntegersHold64BitsAndRefuseThemAsA32BitInteger) {
    TVyrInteger Big;
    const int64_t Three = 3000000000;
    Big.SetValue(&Three);
    EXPECT_EQ(Big.AsString(), QStringLiteral("3000000000"));
    EXPECT_EQ(Big.AsFloat(), 3e9);
    EXPECT_EQ(Big.AsCurrency().Units(), 30000000000000);
    try {
        Big.AsInteger();
        ADD_FAILURE() << "no exception";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("3000000000 is out of the integer range"));
    }
    TVyrInteger Copy;
    Copy.SetData(&Big); // between integers nothing is cut, nothing raises
    EXPECT_EQ(Copy.ValueInteger(), Three);
    Big.SetValueInteger(-2147483648LL);
    EXPECT_EQ(Big.AsInteger(), -2147483647 - 1);
}

TEST(FieldValues, ValueTypeOfEveryFieldTypeNumber) {
    // Row i is field type i; above 51 every number is unknown.
    const char* Expected = "USIIIBFCFDDDbbIbMGbbbbbSSIbbbbbbbbbbDFSSDUIIIUbbbUbF";
    ASSERT_EQ(strlen(Expected), 52u);
    auto Letter = [](TVyrDataTypes t) {
        return "USFIBDbMGC"[t];
    };
    for (int t = 0; t < 60; ++t) {
        const char Want = t < 52 ? Expected[t] : 'U';
        EXPECT_EQ(Letter(GetPimDataType(static_cast<TFieldType>(t))), Want) << "field type " << t;
        EXPECT_EQ(VyrCreateData(GetPimDataType(static_cast<TFieldType>(t)))->DataType(),
                  GetPimDataType(static_cast<TFieldType>(t)));
    }
}

TEST(FieldValues, EachFieldTypeIsReadIntoItsValueExactly) {
    TFormatSettingsScope Scope{TFormatSettings::Fixed()};
    TMemDataSet ds;
    struct TCase {
        TFieldType Type;
        QVariant Stored;
        QString Read; // AsString of the value, or the hex of its stream for the blob kinds
    };
    const QByteArray Raw("\x00\x01\xFF\x80", 4);
    const std::vector<TCase> Cases = {
        {ftString, QStringLiteral("abc"), QStringLiteral("abc")},
        {ftWideString, QStringLiteral("中é"), QStringLiteral("中é")},
        {ftSmallint, -7, QStringLiteral("-7")},
        {ftLargeint, qlonglong(3000000000), QStringLiteral("3000000000")},
        {ftLongWord, qlonglong(4000000000), QStringLiteral("4000000000")},
        {ftByte, 200, QStringLiteral("200")},
        {ftBoolean, true, QStringLiteral("True")},
        {ftSingle, 1.5, QStringLiteral("1.5")},
        {ftFloat, -0.25, QStringLiteral("-0.25")},
        {ftCurrency, QStringLiteral("12.3456"), QStringLiteral("12.3456")},
        {ftDate, QDate(2024, 3, 5), QStringLiteral("3/5/2024")},
        {ftMemo, QStringLiteral("ab\r\ncd\r\n"), QStringLiteral("FF FE 61 00 62 00 0D 00 0A 00 63 00 64 00")},
        {ftMemo, QStringLiteral("x\ny"), QStringLiteral("FF FE 78 00 0D 00 0A 00 79 00")},
        {ftWideMemo, QStringLiteral("long text"), QStringLiteral("long text")},
        {ftBlob, Raw, QStringLiteral("00 01 FF 80")},
        {ftGraphic, Raw, QStringLiteral("00 01 FF 80")},
        {ftExtended, 2.5, QStringLiteral("")}, // not read: the value stays empty
    };
    for (size_t i = 0; i < Cases.size(); ++i)
        ds.FieldDefs().Add(QStringLiteral("F%1").arg(i), Cases[i].Type);
    QVariantList Row;
    for (const TCase& c : Cases) Row.push_back(c.Stored);
    ds.AppendRecord(Row);
    ds.Open();
    for (size_t i = 0; i < Cases.size(); ++i) {
        const TField& Field = *ds.Fields(static_cast<int>(i));
        const std::unique_ptr<TVyrData> Value = VyrCreateData(GetPimDataType(Field.DataType()));
        Value->SetIsNull(true);
        VyrReadField(Field, *Value);
        EXPECT_FALSE(Value->IsNull()) << i;
        QString Got;
        if (auto* Blob = dynamic_cast<TVyrBlob*>(Value.get()); Blob && Value->DataType() != dtypeUnknown)
            Got = Hex(Blob->ValueStream());
        else if (Value->DataType() != dtypeUnknown)
            Got = Value->AsString();
        EXPECT_EQ(Got, Cases[i].Read) << "field " << i;
    }
    // Exact values and types where text would hide a difference.
    auto Read = [&](int i) {
        std::unique_ptr<TVyrData> v = VyrCreateData(GetPimDataType(ds.Fields(i)->DataType()));
        VyrReadField(*ds.Fields(i), *v);
        return v;
    };
    EXPECT_EQ(static_cast<TVyrInteger&>(*Read(4)).ValueInteger(), 4000000000);
    EXPECT_EQ(Read(7)->DataType(), dtypeFloat);
    EXPECT_EQ(Read(7)->AsFloat(), 1.5);
    EXPECT_EQ(Read(9)->DataType(), dtypeCurrency);
    EXPECT_EQ(static_cast<TVyrCurrency&>(*Read(9)).ValueCurrency().Units(), 123456);
    EXPECT_EQ(Read(10)->AsDateTime(), EncodeDate(2024, 3, 5));
    EXPECT_EQ(Read(16)->DataType(), dtypeUnknown);
    // A field that cannot give the value raises; the caller decides what the value keeps.
    TVyrInteger Small;
    TVyrString NotABlob;
    EXPECT_NO_THROW(VyrReadField(*ds.Fields(14), NotABlob)); // bytes into a text value go nowhere
    EXPECT_THROW(VyrReadField(*ds.Fields(0), Small), EConvertError); // "abc" is no integer
}
