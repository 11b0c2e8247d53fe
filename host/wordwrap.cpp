#include "host/wordwrap.h"
#include "host/devicecontext.h"
#include "host/exceptions.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <algorithm>

// ---- Word wrap ----

TWordWrap::TWordWrap(std::shared_ptr<const TFontInstance> Font, int Width, int TabWidth)
    : FFont(std::move(Font)), FWidth(Width), FTabWidth(std::max(1, TabWidth)) {
    FLatin.fill(-1);
}

int TWordWrap::Advance(char32_t Ch) const {
    if (Ch < FLatin.size()) {
        int& A = FLatin[Ch];
        if (A < 0) A = FFont->Advance(Ch);
        return A;
    }
    return FFont->Advance(Ch);
}

namespace {

bool IsBlank(char32_t Ch) {
    return Ch == u' ' || Ch == u'\t';
}

bool IsBreak(QChar Ch) {
    return Ch == u'\r' || Ch == u'\n';
}

// Past the hard break at At: CR LF, CR or LF.
qsizetype SkipBreak(QStringView Text, qsizetype At) {
    if (At < Text.size() && Text[At] == u'\r') ++At;
    if (At < Text.size() && Text[At] == u'\n') ++At;
    return At;
}

} // namespace

qsizetype TWordWrap::WrapFrom(QStringView Text, qsizetype From, QStringList& Lines, qsizetype MaxLines,
                              bool& Done) const {
    const qsizetype n = Text.size();
    auto Full = [&] { return MaxLines >= 0 && Lines.size() >= MaxLines; };
    auto Ends = [&](qsizetype k) { return k >= n || IsBreak(Text[k]); };
    Done = false;
    if (Full()) return From;
    if (Ends(From)) {
        Lines.append(QString());
        Done = true;
        return From;
    }
    qsizetype Start = From;
    for (;;) {
        if (Ends(Start)) {
            Done = true;
            return Start;
        }
        if (Full()) return Start;
        // Walk until a character that is not a blank would cross the width; BreakAt is just past
        // the last run of blanks seen, where the line may end without cutting a word.
        int64_t X = 0;
        qsizetype i = Start;
        qsizetype BreakAt = -1;
        qsizetype Units = 1;
        while (!Ends(i)) {
            const char32_t Ch = CodePointAt(Text, i, Units);
            if (IsBlank(Ch)) {
                X = Ch == u'\t' ? NextTabStop(int(std::min<int64_t>(X, INT32_MAX / 2))) : X + Advance(Ch);
                i += Units;
                BreakAt = i;
                continue;
            }
            const int A = Advance(Ch);
            if (X + A > FWidth) break;
            X += A;
            i += Units;
        }
        if (Ends(i)) {
            Lines.append(Text.mid(Start, i - Start).toString());
            Done = true;
            return i;
        }
        qsizetype End;
        if (BreakAt > Start)
            End = BreakAt;
        else if (i > Start)
            End = i;
        else {
            CodePointAt(Text, Start, Units);
            End = Start + Units; // not even one character fits: it takes the line alone
        }
        Lines.append(Text.mid(Start, End - Start).toString());
        Start = End;
    }
}

TWrappedText TWordWrap::Wrap(QStringView Text, qsizetype MaxLines) const {
    TWrappedText R;
    // Each paragraph's end is found as it is wrapped: a wrap that stops early never looks at the
    // rest of the text.
    for (qsizetype Start = 0; Start < Text.size();) {
        bool Done;
        const qsizetype End = WrapFrom(Text, Start, R.Lines, MaxLines, Done);
        if (!Done) {
            R.Complete = false;
            break;
        }
        R.ParagraphEnds.push_back(int(R.Lines.size()) - 1);
        Start = SkipBreak(Text, End);
    }
    return R;
}

// ---- The measuring context ----

TMeasuringContext::TMeasuringContext() : FPixelsPerInch(96), FCanvas(std::make_unique<TCanvas>()) {
    MakeDevice();
}

TMeasuringContext::~TMeasuringContext() {
    FCanvas->SetHandle(nullptr); // frees the canvas's font before its device goes
}

void TMeasuringContext::MakeDevice() {
    TDeviceCaps Caps;
    Caps.Technology = DT_RASDISPLAY;
    Caps.LogPixelsX = FPixelsPerInch;
    Caps.LogPixelsY = FPixelsPerInch;
    Caps.PhysicalWidth = Caps.HorzRes = DeviceSize;
    Caps.PhysicalHeight = Caps.VertRes = DeviceSize;
    TFont Kept(FCanvas->Font());
    const int Points = Kept.Size();
    FCanvas->SetHandle(nullptr);
    FDC = std::make_unique<DeviceContext>(std::make_unique<TNullSurface>(Caps));
    FCanvas->SetHandle(FDC.get());
    Kept.SetPixelsPerInch(FPixelsPerInch);
    Kept.SetSize(Points);
    FCanvas->SetFont(Kept);
    FInstance.reset();
}

void TMeasuringContext::SetPixelsPerInch(int Value) {
    if (Value < 1 || Value == FPixelsPerInch) return;
    FPixelsPerInch = Value;
    MakeDevice();
}

void TMeasuringContext::SetFont(const TFont& Value) {
    TFont F(Value);
    F.SetPixelsPerInch(FPixelsPerInch);
    F.SetSize(Value.Size());
    if (F == FCanvas->Font()) return;
    FCanvas->SetFont(F);
    FInstance.reset();
}

void TMeasuringContext::Prepare(const TFont& Font, int PixelsPerInch) {
    SetPixelsPerInch(PixelsPerInch);
    SetFont(Font);
}

std::shared_ptr<const TFontInstance> TMeasuringContext::FontInstance() {
    if (!FInstance) {
        FCanvas->TextExtent(QString()); // selects the canvas's font into the device
        FInstance = FDC->CurrentFont();
    }
    return FInstance;
}

TTextMetric TMeasuringContext::TextMetrics() {
    return FontInstance()->Metrics();
}

int TMeasuringContext::TextWidth(QStringView Text) {
    return FontInstance()->TextWidth(Text);
}

// ---- The one context of the process ----

namespace {

TMeasuringContext* GMeasuring = nullptr;

void FreeMeasuringAtQtExit() {
    FreeMeasuringContext();
}

void StartMeasuring() {
    static bool Registered = false;
    if (GMeasuring) return;
    GMeasuring = new TMeasuringContext();
    if (!Registered) {
        qAddPostRoutine(FreeMeasuringAtQtExit);
        Registered = true;
    }
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(StartMeasuring)

TMeasuringContext* MeasuringContext() {
    if (!GMeasuring) {
        // Fonts can only be resolved while a GUI application object exists.
        if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            throw Exception(QStringLiteral("Text cannot be measured without an application object"));
        StartMeasuring();
    }
    return GMeasuring;
}

void FreeMeasuringContext() {
    delete GMeasuring;
    GMeasuring = nullptr;
}
