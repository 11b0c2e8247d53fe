#include "host/storedforms.h"
#include "host/controls.h"
#include "host/streams.h"
#include <QLocale>
#include <QSet>
#include <QStringDecoder>
#include <cctype>
#include <cmath>
#include <limits>
#include <optional>

// Text of values

namespace {

bool IsControlChar(char16_t c) {
    return c < 32 || c == 127 || (c >= 0x80 && c < 0xA0);
}

QString QuoteString(const QString& S) {
    if (S.isEmpty()) return QStringLiteral("''");
    QString Result;
    Result.reserve(S.size() + 2);
    bool InQuote = false;
    auto Code = [&](uint Value) {
        if (InQuote) Result += u'\'';
        InQuote = false;
        Result += u'#';
        Result += QString::number(Value);
    };
    for (qsizetype i = 0; i < S.size(); ++i) {
        const QChar c = S[i];
        const bool Pair = c.isHighSurrogate() && i + 1 < S.size() && S[i + 1].isLowSurrogate();
        if (IsControlChar(c.unicode()) || (c.isSurrogate() && !Pair)) {
            // Lone surrogates have no UTF-8 form, so they travel as numbers to come back unchanged.
            Code(c.unicode());
            continue;
        }
        if (!InQuote) Result += u'\'';
        InQuote = true;
        if (c == u'\'') Result += u'\'';
        Result += c;
        if (Pair) Result += S[++i];
    }
    if (InQuote) Result += u'\'';
    return Result;
}

// The shortest text that the reader turns back into the same double, sign of zero included.
QString FormatFloat(double V) {
    if (std::isnan(V)) return QStringLiteral("NAN");
    if (std::isinf(V)) return V < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    if (V == 0) return std::signbit(V) ? QStringLiteral("-0") : QStringLiteral("0");
    // The reader takes digits without a point or an exponent for a 64-bit integer, so a whole
    // number beyond that range is written with its exponent.
    constexpr double IntegerLimit = 9223372036854775808.0;
    if (std::fabs(V) >= IntegerLimit) return QString::number(V, 'e', QLocale::FloatingPointShortest);
    return QString::number(V, 'g', QLocale::FloatingPointShortest);
}

QString FormatSet(const TEnumInfo& Names, qint64 Bits) {
    QStringList Items;
    for (int i = 0; i < 63; ++i) {
        if (!((Bits >> i) & 1)) continue;
        const QString Name = Names.NameOf(i);
        if (Name.isEmpty())
            throw EWriteError(QStringLiteral("Value %s of %s has no name"),
                              {QString::number(i), Names.TypeName()});
        Items << Name;
    }
    return u'[' + Items.join(QStringLiteral(", ")) + u']';
}

QString FormatEnum(const TEnumInfo& Names, int Value) {
    const QString Name = Names.NameOf(Value);
    if (Name.isEmpty())
        throw EWriteError(QStringLiteral("Value %s of %s has no name"),
                          {QString::number(Value), Names.TypeName()});
    return Name;
}

} // namespace

// TWriter

TWriter::TWriter(TComponent* Root) : FRoot(Root) {}

TWriter::~TWriter() = default;

void TWriter::WriteRootComponent() {
    WriteObject(FRoot);
}

void TWriter::WriteComponent(TComponent* Component) {
    WriteObject(Component);
}

void TWriter::WriteObject(TComponent* Component) {
    // A designed form stands for the class its stored form declared, which is no C++ class.
    const QString Class = Component == FRoot ? Component->DesignClassName() : Component->ClassName();
    WriteLine(Component->Name().isEmpty() ? QStringLiteral("object ") + Class
                                          : QStringLiteral("object %1: %2").arg(Component->Name(), Class));
    ++FLevel;
    Component->IncludeState(csWriting);
    try {
        Component->WriteState(this);
    } catch (...) {
        Component->ExcludeState(csWriting);
        throw;
    }
    Component->ExcludeState(csWriting);
    WriteChildren(Component);
    --FLevel;
    WriteLine(QStringLiteral("end"));
}

void TWriter::WriteChildren(TComponent* Parent) {
    // A control goes inside the control that parents it when the root owns that one too; everything
    // else the root owns goes at the top, in the root's order.
    auto NestedElsewhere = [this](TComponent* C) {
        auto* Control = dynamic_cast<TControl*>(C);
        if (!Control || !Control->Parent()) return false;
        TComponent* P = Control->Parent();
        return P != FRoot && P->Owner() == FRoot;
    };
    if (Parent == FRoot) {
        for (int i = 0; i < FRoot->ComponentCount(); ++i) {
            TComponent* C = FRoot->Components(i);
            if (!NestedElsewhere(C)) WriteObject(C);
        }
        return;
    }
    auto* Container = dynamic_cast<TWinControl*>(Parent);
    if (!Container) return;
    for (int i = 0; i < Container->ControlCount(); ++i) {
        TControl* C = Container->Controls(i);
        if (C->Owner() == FRoot && C != FRoot) WriteObject(C);
    }
}

void TWriter::WriteProperties(TPersistent* Instance) {
    WriteObjectProperties(ErasedPointer(Instance), GetPropList(Instance), Instance, QString());
    WriteExtras(Instance, QString());
}

void TWriter::WriteObjectProperties(void* Object, const TPropList* List, TPersistent* Persistent,
                                    const QString& Prefix) {
    if (!List) return;
    auto* Component = Prefix.isEmpty() ? dynamic_cast<TComponent*>(Persistent) : nullptr;
    for (const TPropInfo* Info : List->Published()) {
        const bool KeptHandler = Info->Kind == pkEvent && Component && Component->HasState(csDesigning) &&
                                 !Component->EventBinding(Info->Name).isEmpty();
        if (!KeptHandler && !IsStoredProp(Object, *Info)) continue;
        const QString Name = Prefix + Info->Name;
        switch (Info->Kind) {
        case pkObject: {
            void* Nested = Info->Object(Object);
            if (!Nested) break;
            TPersistent* NestedPersistent =
                Info->ObjectIsPersistent ? static_cast<TPersistent*>(Nested) : nullptr;
            WriteObjectProperties(Nested, Info->ObjectProps(Nested), NestedPersistent, Name + u'.');
            if (NestedPersistent) WriteExtras(NestedPersistent, Name + u'.');
            break;
        }
        case pkEvent: {
            const QString Handler = Component ? Component->EventBinding(Info->Name) : QString();
            if (!Handler.isEmpty()) WriteLine(Name + QStringLiteral(" = ") + Handler);
            break;
        }
        case pkStrings:
            WriteStrings(Name, Info->Get(Object).toStringList());
            break;
        case pkBinary:
            WriteBinary(Name, Info->Get(Object).toByteArray());
            break;
        case pkReference: {
            const QString Target = ReferenceName(Info->Get(Object).value<TComponent*>());
            if (!Target.isEmpty()) WriteLine(Name + QStringLiteral(" = ") + Target);
            break;
        }
        default:
            WriteLine(Name + QStringLiteral(" = ") + FormatScalar(*Info, Info->Get(Object)));
            break;
        }
    }
}

QString TWriter::FormatScalar(const TPropInfo& Info, const QVariant& Value) {
    switch (Info.Kind) {
    case pkInteger: {
        if (Info.Enum) {
            const QString Name = Info.Enum->NameOf(Value.toInt());
            if (!Name.isEmpty() && Value.toLongLong() == Value.toInt()) return Name;
        }
        return QString::number(Value.toLongLong());
    }
    case pkFloat:
        return FormatFloat(Value.toDouble());
    case pkBoolean:
        return Value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case pkString:
        return QuoteString(Value.toString());
    case pkEnumeration:
        return FormatEnum(*Info.Enum, Value.toInt());
    case pkSet:
        return FormatSet(*Info.Enum, Value.toLongLong());
    case pkColor:
        return ColorToString(static_cast<TColor>(Value.toInt()));
    default:
        throw EWriteError(QStringLiteral("Property %s cannot be written"), {Info.Name});
    }
}

void TWriter::WriteStrings(const QString& Name, const QStringList& Items) {
    if (Items.isEmpty()) {
        WriteLine(Name + QStringLiteral(" = ()"));
        return;
    }
    WriteLine(Name + QStringLiteral(" = ("));
    ++FLevel;
    for (qsizetype i = 0; i < Items.size(); ++i)
        WriteLine(QuoteString(Items[i]) + (i + 1 == Items.size() ? QStringLiteral(")") : QString()));
    --FLevel;
}

void TWriter::WriteBinary(const QString& Name, const QByteArray& Bytes) {
    if (Bytes.isEmpty()) {
        WriteLine(Name + QStringLiteral(" = {}"));
        return;
    }
    WriteLine(Name + QStringLiteral(" = {"));
    ++FLevel;
    const QByteArray Hex = Bytes.toHex().toUpper();
    constexpr qsizetype LineWidth = 64;
    for (qsizetype i = 0; i < Hex.size(); i += LineWidth) {
        const bool Last = i + LineWidth >= Hex.size();
        WriteLine(QString::fromLatin1(Hex.mid(i, LineWidth)) + (Last ? QStringLiteral("}") : QString()));
    }
    --FLevel;
}

void TWriter::WriteExtras(TPersistent* Instance, const QString& Prefix) {
    TPropertyCollector Collector;
    Collector.Collect(Instance);
    for (const TPropertyCollector::TEntry& Entry : Collector.Entries) {
        if (!Entry.HasData) continue;
        const QString Name = Prefix + Entry.Name;
        if (Entry.IsBinary) {
            WriteBinary(Name, Entry.Binary);
            continue;
        }
        const QVariant& V = Entry.Value;
        QString Text;
        if (IsIdent(V)) {
            Text = IdentOf(V);
        } else {
            switch (V.typeId()) {
            case QMetaType::Bool:
                Text = V.toBool() ? QStringLiteral("True") : QStringLiteral("False");
                break;
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::LongLong:
            case QMetaType::Long:
            case QMetaType::ULong:
            case QMetaType::Short:
            case QMetaType::UShort:
            case QMetaType::UChar:
            case QMetaType::SChar:
                Text = QString::number(V.toLongLong());
                break;
            case QMetaType::Double:
            case QMetaType::Float:
                Text = FormatFloat(V.toDouble());
                break;
            case QMetaType::QString:
                Text = QuoteString(V.toString());
                break;
            case QMetaType::QByteArray:
                WriteBinary(Name, V.toByteArray());
                continue;
            case QMetaType::QStringList:
                WriteStrings(Name, V.toStringList());
                continue;
            default:
                throw EWriteError(QStringLiteral("Property %s cannot be written"), {Name});
            }
        }
        WriteLine(Name + QStringLiteral(" = ") + Text);
    }
}

void TWriter::WriteLine(const QString& Line) {
    FText += QByteArray(FLevel * 2, ' ');
    FText += Line.toUtf8();
    FText += '\n';
}

QString TWriter::ReferenceName(const TComponent* Target) const {
    if (!Target || Target->Name().isEmpty()) return QString();
    if (Target == FRoot || FindRoot(Target->Name()) == Target) return Target->Name();
    if (Target == FRoot || Target->Owner() == FRoot || !Target->Owner()) return Target->Name();
    if (Target->Owner()->Name().isEmpty()) return QString();
    return Target->Owner()->Name() + u'.' + Target->Name();
}

// Reading: the text is parsed whole first, so that cut or garbled text is refused before anything
// is made.

namespace {

struct TValue {
    enum TKind : uint8_t { vInteger, vFloat, vString, vIdent, vSet, vList, vBinary };
    TKind Kind = vInteger;
    QString Text; // number text, string, identifier
    qint64 Int = 0;
    double Float = 0;
    QStringList Items; // set names or list strings
    QByteArray Bytes;
};

struct TPropNode {
    QString Name;
    TValue Value;
    int Line = 0;
};

struct TObjNode {
    QString Name;
    QString ClassName;
    int Line = 0;
    std::vector<TPropNode> Props;
    std::vector<TObjNode> Children;
};

// An error found while reading, with its message complete; turned into the public exception once
// everything made has been freed.
struct TFormError {
    QString Message;
    bool ClassNotFound = false;
};

// Names in a message are cut to this many characters: a form may hold a name of any length, and a
// message must stay readable.
constexpr qsizetype MaxShownName = 100;

// Text with every run of characters other than blanks longer than MaxShownName cut to that length
// and ended with "...". The names a message repeats (objects, properties, classes, values) are such
// runs; the message's own words are far shorter.
QString ShortenNames(const QString& Text) {
    QString Result;
    qsizetype Start = 0;
    while (Start < Text.size()) {
        qsizetype End = Start;
        while (End < Text.size() && !Text[End].isSpace())
            ++End;
        Result += QStringView(Text).sliced(Start, std::min(End - Start, MaxShownName));
        if (End - Start > MaxShownName) Result += QLatin1String("...");
        Start = End;
        while (End < Text.size() && Text[End].isSpace())
            ++End;
        Result += QStringView(Text).sliced(Start, End - Start);
        Start = End;
    }
    return Result;
}

QString ErrorText(const QString& Cause, int Line, const QString& Path) {
    const QString Shown = ShortenNames(Cause);
    if (Path.isEmpty()) return QStringLiteral("Error on line %1: %2").arg(QString::number(Line), Shown);
    return QStringLiteral("Error reading %1 on line %2: %3")
        .arg(ShortenNames(Path), QString::number(Line), Shown);
}

class TParser {
public:
    explicit TParser(const QString& Text) : FText(Text) {}

    std::vector<TObjNode> ParseObjects(bool Single) {
        std::vector<TObjNode> Result;
        SkipBlanks();
        while (!AtEnd()) {
            Result.push_back(ParseObject(0));
            SkipBlanks();
            if (Single && !AtEnd()) Fail(QStringLiteral("Text after the end of the form"));
        }
        if (Result.empty()) Fail(QStringLiteral("The form is empty"));
        return Result;
    }

private:
    bool AtEnd() const { return FPos >= FText.size(); }
    char16_t Peek(qsizetype Ahead = 0) const {
        return FPos + Ahead < FText.size() ? FText[FPos + Ahead].unicode() : char16_t(0);
    }
    [[noreturn]] void Fail(const QString& Cause) const {
        throw TFormError{ErrorText(Cause, FLine, QString())};
    }

    void SkipBlanks() {
        while (!AtEnd()) {
            const char16_t c = Peek();
            if (c == u'\n')
                ++FLine;
            else if (c != u' ' && c != u'\t' && c != u'\r')
                break;
            ++FPos;
        }
    }
    // Blanks within one line only.
    void SkipSpaces() {
        while (!AtEnd() && (Peek() == u' ' || Peek() == u'\t' || Peek() == u'\r'))
            ++FPos;
    }

    static bool IsIdentStart(char16_t c) {
        return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_';
    }
    static bool IsIdentChar(char16_t c) { return IsIdentStart(c) || (c >= u'0' && c <= u'9'); }

    // A name, with dots between its parts when Dotted.
    QString ParseIdent(bool Dotted) {
        if (!IsIdentStart(Peek()))
            Fail(AtEnd() ? QStringLiteral("Unexpected end of text") : QStringLiteral("Identifier expected"));
        const qsizetype Start = FPos;
        while (true) {
            while (IsIdentChar(Peek()))
                ++FPos;
            if (Dotted && Peek() == u'.' && IsIdentStart(Peek(1))) {
                ++FPos;
                continue;
            }
            break;
        }
        return FText.mid(Start, FPos - Start);
    }

    void Expect(char16_t c, const char* What) {
        SkipSpaces();
        if (Peek() != c)
            Fail(AtEnd() ? QStringLiteral("Unexpected end of text")
                         : QStringLiteral("%1 expected").arg(QLatin1String(What)));
        ++FPos;
    }

    TObjNode ParseObject(int Depth) {
        if (Depth > 200) Fail(QStringLiteral("Objects nested too deeply"));
        TObjNode Node;
        Node.Line = FLine;
        const QString Keyword = ParseIdent(false);
        if (Keyword.compare(QLatin1String("object"), Qt::CaseInsensitive) != 0)
            Fail(QStringLiteral("'object' expected"));
        SkipSpaces();
        QString First = ParseIdent(false);
        SkipSpaces();
        if (Peek() == u':') {
            ++FPos;
            SkipSpaces();
            Node.Name = First;
            Node.ClassName = ParseIdent(false);
        } else {
            Node.ClassName = First;
        }
        EndOfLine();
        while (true) {
            SkipBlanks();
            if (AtEnd()) Fail(QStringLiteral("Unexpected end of text"));
            const int Line = FLine;
            const qsizetype Start = FPos;
            const QString Word = ParseIdent(true);
            SkipSpaces();
            if (Peek() != u'=') {
                if (Word.compare(QLatin1String("end"), Qt::CaseInsensitive) == 0) {
                    EndOfLine();
                    return Node;
                }
                if (Word.compare(QLatin1String("object"), Qt::CaseInsensitive) == 0) {
                    FPos = Start;
                    Node.Children.push_back(ParseObject(Depth + 1));
                    continue;
                }
                Fail(QStringLiteral("'=' expected"));
            }
            ++FPos;
            SkipSpaces();
            TPropNode Prop;
            Prop.Name = Word;
            Prop.Line = Line;
            Prop.Value = ParseValue();
            Node.Props.push_back(std::move(Prop));
            EndOfLine();
        }
    }

    void EndOfLine() {
        SkipSpaces();
        if (!AtEnd() && Peek() != u'\n') Fail(QStringLiteral("End of line expected"));
    }

    TValue ParseValue() {
        TValue V;
        const char16_t c = Peek();
        if (c == u'\'' || c == u'#') {
            V.Kind = TValue::vString;
            V.Text = ParseString();
        } else if (c == u'-' || c == u'+' || c == u'$' || (c >= u'0' && c <= u'9')) {
            ParseNumber(V);
        } else if (IsIdentStart(c)) {
            V.Kind = TValue::vIdent;
            V.Text = ParseIdent(true);
        } else if (c == u'[') {
            V.Kind = TValue::vSet;
            ++FPos;
            SkipSpaces();
            if (Peek() != u']') {
                while (true) {
                    SkipSpaces();
                    V.Items << ParseIdent(false);
                    SkipSpaces();
                    if (Peek() == u',') {
                        ++FPos;
                        continue;
                    }
                    break;
                }
            }
            Expect(u']', "']'");
        } else if (c == u'(') {
            V.Kind = TValue::vList;
            ++FPos;
            while (true) {
                SkipBlanks();
                if (Peek() == u')') break;
                if (Peek() != u'\'' && Peek() != u'#')
                    Fail(AtEnd() ? QStringLiteral("Unexpected end of text")
                                 : QStringLiteral("String expected"));
                V.Items << ParseString();
            }
            ++FPos;
        } else if (c == u'{') {
            V.Kind = TValue::vBinary;
            ++FPos;
            QByteArray Hex;
            while (true) {
                SkipBlanks();
                if (AtEnd()) Fail(QStringLiteral("Unexpected end of text"));
                const char16_t h = Peek();
                if (h == u'}') break;
                if (!std::isxdigit(h < 128 ? int(h) : 0)) Fail(QStringLiteral("Invalid binary value"));
                Hex += char(h);
                ++FPos;
            }
            ++FPos;
            if (Hex.size() % 2) Fail(QStringLiteral("Invalid binary value"));
            V.Bytes = QByteArray::fromHex(Hex);
        } else {
            Fail(AtEnd() || c == u'\n' ? QStringLiteral("Value expected")
                                       : QStringLiteral("Invalid property value"));
        }
        return V;
    }

    // Quoted parts and #n characters side by side; parts joined with + may continue on further lines.
    // The parts are joined in a loop: a value of very many parts must not cost a stack frame each.
    QString ParseString() {
        QString S;
        while (true) {
            ParseStringParts(S);
            const qsizetype Save = FPos;
            const int SaveLine = FLine;
            SkipBlanks();
            if (Peek() != u'+') {
                FPos = Save;
                FLine = SaveLine;
                return S;
            }
            ++FPos;
            SkipBlanks();
            if (Peek() != u'\'' && Peek() != u'#') Fail(QStringLiteral("String expected"));
        }
    }

    // Appends the quoted parts and #n characters that stand side by side at the current position.
    void ParseStringParts(QString& S) {
        while (true) {
            if (Peek() == u'\'') {
                ++FPos;
                while (true) {
                    if (AtEnd() || Peek() == u'\n') Fail(QStringLiteral("Unterminated string"));
                    const QChar c = FText[FPos++];
                    if (c == u'\'') {
                        if (Peek() == u'\'') {
                            ++FPos;
                            S += u'\'';
                            continue;
                        }
                        break;
                    }
                    S += c;
                }
            } else if (Peek() == u'#') {
                ++FPos;
                bool Hex = false;
                if (Peek() == u'$') {
                    Hex = true;
                    ++FPos;
                }
                const qsizetype Start = FPos;
                while (Hex ? std::isxdigit(Peek() < 128 ? int(Peek()) : 0)
                           : (Peek() >= u'0' && Peek() <= u'9'))
                    ++FPos;
                bool Ok = false;
                const uint Code = FText.mid(Start, FPos - Start).toUInt(&Ok, Hex ? 16 : 10);
                if (!Ok || Code > 0x10FFFF) Fail(QStringLiteral("Invalid character code"));
                if (Code > 0xFFFF)
                    S += QString::fromUcs4(reinterpret_cast<const char32_t*>(&Code), 1);
                else
                    S += QChar(char16_t(Code));
            } else {
                return;
            }
        }
    }

    void ParseNumber(TValue& V) {
        const qsizetype Start = FPos;
        bool Negative = false;
        if (Peek() == u'-' || Peek() == u'+') {
            Negative = Peek() == u'-';
            ++FPos;
            if (IsIdentStart(Peek())) {
                const QString Word = ParseIdent(false);
                if (Word.compare(QLatin1String("INF"), Qt::CaseInsensitive) != 0)
                    Fail(QStringLiteral("Invalid number"));
                V.Kind = TValue::vFloat;
                V.Float = Negative ? -std::numeric_limits<double>::infinity()
                                   : std::numeric_limits<double>::infinity();
                return;
            }
        }
        if (Peek() == u'$') {
            ++FPos;
            const qsizetype HexStart = FPos;
            while (std::isxdigit(Peek() < 128 ? int(Peek()) : 0))
                ++FPos;
            bool Ok = false;
            const quint64 U = FText.mid(HexStart, FPos - HexStart).toULongLong(&Ok, 16);
            if (!Ok) Fail(QStringLiteral("Invalid number"));
            V.Kind = TValue::vInteger;
            V.Int = Negative ? -static_cast<qint64>(U) : static_cast<qint64>(U);
            V.Text = FText.mid(Start, FPos - Start);
            return;
        }
        bool IsFloat = false;
        while ((Peek() >= u'0' && Peek() <= u'9') || Peek() == u'.' || Peek() == u'e' || Peek() == u'E' ||
               ((Peek() == u'-' || Peek() == u'+') && (FText[FPos - 1] == u'e' || FText[FPos - 1] == u'E'))) {
            if (!(Peek() >= u'0' && Peek() <= u'9')) IsFloat = true;
            ++FPos;
        }
        V.Text = FText.mid(Start, FPos - Start);
        bool Ok = false;
        if (IsFloat) {
            V.Kind = TValue::vFloat;
            V.Float = V.Text.toDouble(&Ok);
        } else {
            V.Kind = TValue::vInteger;
            V.Int = V.Text.toLongLong(&Ok);
            // Digits past the 64-bit integers: a large whole float, as earlier writers wrote one.
            if (!Ok) {
                V.Float = V.Text.toDouble(&Ok);
                if (Ok) V.Kind = TValue::vFloat;
            }
        }
        if (!Ok) Fail(QStringLiteral("Invalid number"));
    }

    const QString& FText;
    qsizetype FPos = 0;
    int FLine = 1;
};

QString DecodeText(const QByteArray& Bytes) {
    QByteArrayView View(Bytes);
    if (View.startsWith("\xEF\xBB\xBF")) View = View.sliced(3);
    QStringDecoder Decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString Text = Decoder.decode(View);
    if (Decoder.hasError()) throw TFormError{QStringLiteral("The form is not UTF-8 text")};
    return Text;
}

// What FormatFloat writes for a float that bare digits or a number would not give back: a signed
// zero, and the words of the floats that are not numbers.
std::optional<double> FloatWord(const TValue& V) {
    if (V.Kind == TValue::vInteger && V.Int == 0 && V.Text.startsWith(u'-')) return -0.0;
    if (V.Kind != TValue::vIdent) return std::nullopt;
    if (V.Text.compare(QLatin1String("NAN"), Qt::CaseInsensitive) == 0)
        return std::numeric_limits<double>::quiet_NaN();
    if (V.Text.compare(QLatin1String("INF"), Qt::CaseInsensitive) == 0)
        return std::numeric_limits<double>::infinity();
    return std::nullopt;
}

QVariant ExtraValue(const TValue& V) {
    if (const auto F = FloatWord(V)) return QVariant(*F);
    switch (V.Kind) {
    case TValue::vInteger:
        if (V.Int >= std::numeric_limits<int>::min() && V.Int <= std::numeric_limits<int>::max())
            return QVariant(static_cast<int>(V.Int));
        return QVariant(V.Int);
    case TValue::vFloat:
        return QVariant(V.Float);
    case TValue::vString:
        return QVariant(V.Text);
    case TValue::vIdent:
        if (V.Text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return QVariant(true);
        if (V.Text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return QVariant(false);
        return MakeIdent(V.Text);
    case TValue::vSet:
    case TValue::vList:
        return QVariant(V.Items);
    case TValue::vBinary:
        return QVariant(V.Bytes);
    }
    return QVariant();
}

[[noreturn]] void InvalidValue() {
    throw EPropertyError(QStringLiteral("Invalid property value"));
}

// The stored value in the form Info's kind takes; CoercePropValue checks it further.
QVariant PublishedValue(const TPropInfo& Info, const TValue& V) {
    switch (Info.Kind) {
    case pkInteger:
        if (V.Kind == TValue::vInteger) return QVariant(V.Int);
        if (V.Kind == TValue::vIdent && Info.Enum) {
            auto N = Info.Enum->Find(V.Text);
            if (!N) throw EReadError(QStringLiteral("Cannot find %s in %s"), {V.Text, Info.Enum->TypeName()});
            return QVariant(static_cast<qint64>(*N));
        }
        InvalidValue();
    case pkFloat:
        if (V.Kind == TValue::vFloat) return QVariant(V.Float);
        if (const auto F = FloatWord(V)) return QVariant(*F);
        if (V.Kind == TValue::vInteger) return QVariant(double(V.Int));
        InvalidValue();
    case pkBoolean:
        if (V.Kind == TValue::vIdent && V.Text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
            return QVariant(true);
        if (V.Kind == TValue::vIdent && V.Text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
            return QVariant(false);
        InvalidValue();
    case pkString:
        if (V.Kind == TValue::vString) return QVariant(V.Text);
        InvalidValue();
    case pkEnumeration:
        if (V.Kind == TValue::vIdent) return QVariant(Info.Enum->ValueOf(V.Text));
        InvalidValue();
    case pkSet:
        if (V.Kind == TValue::vSet) {
            qint64 Bits = 0;
            for (const QString& Ident : V.Items) {
                const int Bit = Info.Enum->ValueOf(Ident);
                if (Bit < 0 || Bit > 62) InvalidValue();
                Bits |= qint64(1) << Bit;
            }
            return QVariant(Bits);
        }
        InvalidValue();
    case pkColor:
        if (V.Kind == TValue::vIdent) {
            auto C = ColorNames().Find(V.Text);
            if (!C)
                throw EReadError(QStringLiteral("Cannot find %s in %s"), {V.Text, QStringLiteral("TColor")});
            return QVariant(static_cast<qint64>(*C));
        }
        if (V.Kind == TValue::vInteger) return QVariant(V.Int);
        InvalidValue();
    case pkStrings:
        if (V.Kind == TValue::vList) return QVariant(V.Items);
        InvalidValue();
    case pkBinary:
        if (V.Kind == TValue::vBinary) return QVariant(V.Bytes);
        InvalidValue();
    case pkObject:
    case pkReference:
    case pkEvent:
        break;
    }
    InvalidValue();
}

// Hands one stored value to the extra property of that name, if the object defines one.
class TExtraReader : public TFiler {
public:
    TExtraReader(const QString& Name, const TValue& Value) : FName(Name), FValue(Value) {}
    bool Found = false;

    void DefineProperty(const QString& Name, const std::function<void(const QVariant&)>& ReadData,
                        const std::function<QVariant()>&, bool) override {
        if (Found || Name.compare(FName, Qt::CaseInsensitive) != 0) return;
        Found = true;
        if (ReadData) ReadData(ExtraValue(FValue));
    }
    void DefineBinaryProperty(const QString& Name, const std::function<void(TStream&)>& ReadData,
                              const std::function<void(TStream&)>&, bool) override {
        if (Found || Name.compare(FName, Qt::CaseInsensitive) != 0) return;
        Found = true;
        if (FValue.Kind != TValue::vBinary) InvalidValue();
        if (!ReadData) return;
        TMemoryStream Stream;
        Stream.Write(FValue.Bytes.constData(), FValue.Bytes.size());
        Stream.SetPosition(0);
        ReadData(Stream);
    }

private:
    QString FName;
    const TValue& FValue;
};

// A reference into another form that is not loaded yet.
struct TWaitingReference {
    std::unique_ptr<TComponentRef<TComponent>> Holder;
    void* Object = nullptr;
    const TPropInfo* Info = nullptr;
    QString RootName;
    QString ComponentName;
};

struct TFormRegistry {
    std::vector<std::unique_ptr<TComponentRef<TComponent>>> Roots;
    std::vector<TWaitingReference> Waiting;

    static TFormRegistry& Get() {
        static auto* Registry = new TFormRegistry();
        return *Registry;
    }
    void Prune() {
        std::erase_if(Roots, [](const auto& R) { return !R->Get(); });
        std::erase_if(Waiting, [](const TWaitingReference& W) { return !W.Holder->Get(); });
    }
};

bool SameName(const QString& A, const QString& B) {
    return A.compare(B, Qt::CaseInsensitive) == 0;
}

} // namespace

// TReader

struct TReader::TImpl {
    struct TFixup {
        TComponent* Holder = nullptr;
        void* Object = nullptr;
        const TPropInfo* Info = nullptr;
        QString Target;
        int Line = 0;
        QString Path;
    };

    TComponent* Root = nullptr;
    std::vector<TComponent*> Made;
    std::vector<TFixup> Fixups;
    std::vector<TWaitingReference> Waiting;
    QSet<TComponent*> Before;
    QString StoredRootName; // the root's name in the text, which may differ from the root's own
    std::function<QString(const QString&)> Rename;
    QHash<QString, QString> Renamed; // upper-cased stored name -> the name given instead

    explicit TImpl(TComponent* ARoot) : Root(ARoot) {
        for (int i = 0; i < Root->ComponentCount(); ++i)
            Before.insert(Root->Components(i));
    }

    [[noreturn]] static void Fail(const Exception& E, int Line, const QString& Path) {
        throw TFormError{ErrorText(E.Message(), Line, Path),
                         dynamic_cast<const EClassNotFound*>(&E) != nullptr};
    }

    TComponent* MakeObject(const TObjNode& Node, TComponent* Enclosing, TWinControl* TopParent) {
        const QString Path = Node.Name.isEmpty() ? Node.ClassName : Node.Name;
        TComponent* C = nullptr;
        try {
            C = CreateComponentByClassName(Node.ClassName, Root);
        } catch (const Exception& E) {
            Fail(E, Node.Line, Path);
        }
        Made.push_back(C);
        C->IncludeState(csLoading | csReading);
        try {
            QString Name = Node.Name;
            if (Rename && !Name.isEmpty()) {
                Name = Rename(Node.Name);
                if (Name != Node.Name) Renamed.insert(Node.Name.toUpper(), Name);
            }
            C->SetName(Name);
            if (auto* Control = dynamic_cast<TControl*>(C)) {
                TWinControl* Parent = nullptr;
                if (Enclosing) {
                    Parent = dynamic_cast<TWinControl*>(Enclosing);
                    if (!Parent)
                        throw EReadError(QStringLiteral("%s cannot hold controls"), {Enclosing->ClassName()});
                } else {
                    Parent = TopParent;
                }
                if (Parent) {
                    try {
                        Control->SetParent(Parent);
                    } catch (const EAbort&) {
                        throw EReadError(QStringLiteral("A %s cannot be placed on a %s"),
                                         {C->ClassName(), Parent->ClassName()});
                    }
                }
            }
        } catch (const Exception& E) {
            Fail(E, Node.Line, Path);
        }
        for (const TPropNode& Prop : Node.Props)
            ReadProperty(C, Path, Prop);
        for (const TObjNode& Child : Node.Children)
            MakeObject(Child, C, nullptr);
        return C;
    }

    void ReadProperty(TComponent* Component, const QString& ObjectPath, const TPropNode& Prop) {
        const QString Path = ObjectPath + u'.' + Prop.Name;
        try {
            const QStringList Parts = Prop.Name.split(u'.');
            void* Object = ErasedPointer<TPersistent>(Component);
            TPersistent* Persistent = Component;
            const TPropList* List = GetPropList(Component);
            for (qsizetype i = 0; i + 1 < Parts.size(); ++i) {
                const TPropInfo* Info = List ? List->Find(Parts[i], true) : nullptr;
                if (!Info || Info->Kind != pkObject || !(Object = Info->Object(Object)))
                    throw EReadError(QStringLiteral("Property %s does not exist"), {Prop.Name});
                Persistent = Info->ObjectIsPersistent ? static_cast<TPersistent*>(Object) : nullptr;
                List = Info->ObjectProps(Object);
            }
            const QString Last = Parts.last();
            const TPropInfo* Info = List ? List->Find(Last, true) : nullptr;
            if (!Info) {
                TExtraReader Extra(Last, Prop.Value);
                if (Persistent) Persistent->DefineProperties(&Extra);
                if (!Extra.Found) throw EReadError(QStringLiteral("Property %s does not exist"), {Prop.Name});
                return;
            }
            switch (Info->Kind) {
            case pkObject:
                InvalidValue();
            case pkReference:
                if (Prop.Value.Kind != TValue::vIdent) InvalidValue();
                if (SameName(Prop.Value.Text, QStringLiteral("nil")))
                    Info->Set(Object, QVariant::fromValue<TComponent*>(nullptr));
                else
                    Fixups.push_back({Component, Object, Info, Prop.Value.Text, Prop.Line, Path});
                return;
            case pkEvent: {
                if (Prop.Value.Kind != TValue::vIdent || Prop.Value.Text.contains(u'.')) InvalidValue();
                for (TComponent* R = Root; R; R = R->Owner()) {
                    if (const std::any* Handler = R->MethodAddress(Prop.Value.Text)) {
                        BindEvent(Component, Object, *Info, R->MethodName(Prop.Value.Text), *Handler);
                        return;
                    }
                }
                // A form being designed has no code behind it: it keeps the name for writing.
                if (Root->HasState(csDesigning)) {
                    Component->SetEventBinding(Info->Name, Prop.Value.Text);
                    return;
                }
                throw EReadError(QStringLiteral("Method %s not found"), {Prop.Value.Text});
            }
            default:
                Info->Set(Object, CoercePropValue(*Info, PublishedValue(*Info, Prop.Value)));
                return;
            }
        } catch (const Exception& E) {
            Fail(E, Prop.Line, Path);
        }
    }

    bool IsRootName(const QString& Name) const {
        return SameName(Name, Root->Name()) || (!StoredRootName.isEmpty() && SameName(Name, StoredRootName));
    }

    // Fixes up the references once every object exists; those into forms not loaded yet wait.
    void FixUp() {
        for (const TFixup& F : Fixups) {
            try {
                TComponent* Target = nullptr;
                const qsizetype Dot = F.Target.indexOf(u'.');
                if (Dot >= 0) {
                    const QString Module = F.Target.left(Dot);
                    const QString Name = F.Target.mid(Dot + 1);
                    if (IsRootName(Module)) {
                        Target = Root->FindComponent(Renamed.value(Name.toUpper(), Name));
                    } else if (TComponent* Other = FindRoot(Module)) {
                        Target = Other->FindComponent(Name);
                    } else {
                        Waiting.push_back({std::make_unique<TComponentRef<TComponent>>(F.Holder), F.Object,
                                           F.Info, Module, Name});
                        continue;
                    }
                } else {
                    Target = Root->FindComponent(Renamed.value(F.Target.toUpper(), F.Target));
                    if (!Target && IsRootName(F.Target)) Target = Root;
                    if (!Target) Target = FindRoot(F.Target);
                }
                if (!Target) throw EReadError(QStringLiteral("Cannot find component %s"), {F.Target});
                F.Info->Set(F.Object, CoercePropValue(*F.Info, QVariant::fromValue<TComponent*>(Target)));
            } catch (const Exception& E) {
                Fail(E, F.Line, F.Path);
            }
        }
    }

    // Frees what the reading made, and what their constructors made, newest first.
    void Cleanup() {
        while (true) {
            TComponent* Last = nullptr;
            for (int i = Root->ComponentCount() - 1; i >= 0 && !Last; --i)
                if (!Before.contains(Root->Components(i))) Last = Root->Components(i);
            if (!Last) break;
            delete Last;
        }
    }

    // Ends reading everywhere, then runs Loaded on each object made, and ends its loading whatever
    // its Loaded did. An error of a Loaded is raised after all of them ran. A Loaded may free other
    // objects made, which are then skipped: each is watched for being freed, so a large form costs
    // no more per object than a small one.
    void EndLoading(bool WithRoot) {
        std::vector<TComponent*> Loading = Made;
        if (WithRoot) Loading.insert(Loading.begin(), Root);
        for (TComponent* C : Loading)
            C->ExcludeState(csReading);
        std::vector<TComponentRef<TComponent>> Watches(Loading.size());
        for (size_t i = 0; i < Loading.size(); ++i)
            if (Loading[i] != Root) Watches[i].Set(Loading[i]);
        const auto Alive = [&](size_t i) { return Loading[i] == Root || Watches[i].Get(); };
        std::exception_ptr First;
        for (size_t i = 0; i < Loading.size(); ++i) {
            if (!Alive(i)) continue;
            try {
                Loading[i]->Loaded();
            } catch (...) {
                if (!First) First = std::current_exception();
            }
            if (Alive(i)) Loading[i]->ExcludeState(csLoading);
        }
        if (First) std::rethrow_exception(First);
    }

    void Commit() {
        TFormRegistry& R = TFormRegistry::Get();
        for (TWaitingReference& W : Waiting)
            R.Waiting.push_back(std::move(W));
        Waiting.clear();
    }
};

TReader::TReader(TComponent* Root) : FRoot(Root) {}

TReader::~TReader() = default;

namespace {

[[noreturn]] void RaiseFormError(const TFormError& E) {
    if (E.ClassNotFound) throw EClassNotFound(E.Message);
    throw EReadError(E.Message);
}

} // namespace

void TReader::ReadRootComponent(const QByteArray& Text) {
    std::vector<TObjNode> Nodes;
    try {
        Nodes = TParser(DecodeText(Text)).ParseObjects(true);
    } catch (const TFormError& E) {
        RaiseFormError(E);
    }
    const TObjNode& Node = Nodes.front();
    TImpl Impl(FRoot);
    Impl.StoredRootName = Node.Name;
    const QString OldName = FRoot->Name();
    const bool WasLoading = FRoot->HasState(csLoading);
    const bool WasReading = FRoot->HasState(csReading);
    const QString OldClass = FRoot->DesignClassName();
    const QStringList OldAncestors = FRoot->DesignAncestors();
    auto Undo = [&] {
        Impl.Cleanup();
        if (FRoot->DesignClassName() != OldClass) FRoot->SetDesignClass(OldClass, OldAncestors);
        if (!WasLoading) FRoot->ExcludeState(csLoading);
        if (!WasReading) FRoot->ExcludeState(csReading);
        if (FRoot->Name() != OldName) {
            try {
                FRoot->SetName(OldName);
            } catch (...) {
            }
        }
    };
    try {
        if (!FRoot->ClassNameIs(Node.ClassName) && !SameName(FRoot->DesignClassName(), Node.ClassName)) {
            if (!FRoot->HasState(csDesigning))
                throw TFormError{ErrorText(QStringLiteral("The form holds a %1, not a %2")
                                               .arg(Node.ClassName, FRoot->DesignClassName()),
                                           Node.Line, Node.Name)};
            // A form being designed is no class of the program: it takes the class its stored form
            // declares, derived from the class it stood for until now.
            QStringList Ancestors = FRoot->DesignAncestors();
            Ancestors.prepend(FRoot->DesignClassName());
            FRoot->SetDesignClass(Node.ClassName, Ancestors);
        }
        FRoot->IncludeState(csLoading | csReading);
        if (FRoot->Name().isEmpty() && !Node.Name.isEmpty()) {
            try {
                FRoot->SetName(Node.Name);
            } catch (const Exception& E) {
                TImpl::Fail(E, Node.Line, Node.Name);
            }
        }
        const QString Path = FRoot->Name().isEmpty() ? Node.ClassName : FRoot->Name();
        auto* TopParent = dynamic_cast<TWinControl*>(FRoot);
        for (const TObjNode& Child : Node.Children)
            Impl.MakeObject(Child, nullptr, TopParent);
        // The root's own values come last, so that an error in any object leaves them as they were.
        for (const TPropNode& Prop : Node.Props)
            Impl.ReadProperty(FRoot, Path, Prop);
        Impl.FixUp();
    } catch (const TFormError& E) {
        Undo();
        RaiseFormError(E);
    } catch (...) {
        Undo();
        throw;
    }
    Impl.Commit();
    RegisterRoot(FRoot);
    Impl.EndLoading(true);
}

std::vector<TComponent*> TReader::ReadComponents(const QByteArray& Text, TWinControl* Parent,
                                                 const std::function<QString(const QString& Name)>& Rename) {
    std::vector<TObjNode> Nodes;
    try {
        Nodes = TParser(DecodeText(Text)).ParseObjects(false);
    } catch (const TFormError& E) {
        RaiseFormError(E);
    }
    TImpl Impl(FRoot);
    Impl.Rename = Rename;
    std::vector<TComponent*> Top;
    try {
        for (const TObjNode& Node : Nodes)
            Top.push_back(Impl.MakeObject(Node, nullptr, Parent));
        Impl.FixUp();
    } catch (const TFormError& E) {
        Impl.Cleanup();
        RaiseFormError(E);
    } catch (...) {
        Impl.Cleanup();
        throw;
    }
    Impl.Commit();
    Impl.EndLoading(false);
    return Top;
}

// Whole forms

QByteArray WriteComponentText(TComponent* Root) {
    TWriter Writer(Root);
    Writer.WriteRootComponent();
    return Writer.Text();
}

void ReadComponentText(const QByteArray& Text, TComponent* Root) {
    TReader(Root).ReadRootComponent(Text);
}

void WriteComponentFile(const QString& FileName, TComponent* Root) {
    WriteWholeFile(FileName, WriteComponentText(Root));
}

void ReadComponentFile(const QString& FileName, TComponent* Root) {
    QByteArray Text;
    {
        TFileStream Stream(FileName, fmOpenRead | fmShareDenyNone);
        Text.resize(static_cast<qsizetype>(Stream.Size()));
        Stream.ReadBuffer(Text.data(), Text.size());
    }
    ReadComponentText(Text, Root);
}

// Loaded forms

void RegisterRoot(TComponent* Root) {
    if (!Root) return;
    TFormRegistry& R = TFormRegistry::Get();
    R.Prune();
    bool Listed = false;
    for (const auto& Ref : R.Roots)
        if (Ref->Get() == Root) Listed = true;
    if (!Listed) R.Roots.push_back(std::make_unique<TComponentRef<TComponent>>(Root));
    // References that waited for this form are fixed up now; a name it lacks stays unset.
    std::vector<TWaitingReference> Ready;
    for (auto It = R.Waiting.begin(); It != R.Waiting.end();) {
        if (SameName(It->RootName, Root->Name())) {
            Ready.push_back(std::move(*It));
            It = R.Waiting.erase(It);
        } else {
            ++It;
        }
    }
    for (TWaitingReference& W : Ready) {
        if (!W.Holder->Get()) continue;
        TComponent* Target = Root->FindComponent(W.ComponentName);
        if (!Target || !W.Info->Accepts(Target)) continue;
        try {
            W.Info->Set(W.Object, QVariant::fromValue<TComponent*>(Target));
        } catch (const Exception&) {
        }
    }
}

void UnRegisterRoot(TComponent* Root) {
    TFormRegistry& R = TFormRegistry::Get();
    std::erase_if(R.Roots, [Root](const auto& Ref) { return Ref->Get() == Root; });
    R.Prune();
}

TComponent* FindRoot(const QString& Name) {
    if (Name.isEmpty()) return nullptr;
    TFormRegistry& R = TFormRegistry::Get();
    for (auto It = R.Roots.rbegin(); It != R.Roots.rend(); ++It)
        if (TComponent* Root = (*It)->Get(); Root && SameName(Root->Name(), Name)) return Root;
    return nullptr;
}

std::vector<TComponent*> RegisteredRoots() {
    TFormRegistry& R = TFormRegistry::Get();
    R.Prune();
    std::vector<TComponent*> Roots;
    for (const auto& Ref : R.Roots)
        Roots.push_back(Ref->Get());
    return Roots;
}

void ResetStoredForms() {
    TFormRegistry& R = TFormRegistry::Get();
    R.Roots.clear();
    R.Waiting.clear();
}
