#include "report/VyrRtf.h"

#include "host/devicecontext.h"
#include "host/encoding.h"
#include "host/exceptions.h"
#include "host/mathutil.h"
#include "host/streams.h"
#include "output/PimUtil.h"
#include "report/PSetup.h"

#include <QHash>
#include <algorithm>
#include <cstdlib>

namespace {

// Characters above 127 that Windows-1252 holds, with their bytes.
const QHash<char16_t, uint8_t>& AnsiBytes() {
    static const QHash<char16_t, uint8_t> Table = [] {
        QHash<char16_t, uint8_t> T;
        for (int b = 0x80; b <= 0xFF; ++b) {
            const char Byte = char(b);
            const QString C = AnsiToString(&Byte, 1);
            if (C.size() == 1) T.insert(C[0].unicode(), uint8_t(b));
        }
        return T;
    }();
    return Table;
}

QByteArray HexByte(uint8_t b) {
    static const char Digits[] = "0123456789abcdef";
    QByteArray R("\\'");
    R.append(Digits[b >> 4]);
    R.append(Digits[b & 15]);
    return R;
}

QByteArray Num(int64_t N) {
    return QByteArray::number(qlonglong(N));
}

// The decimal twips of a length, nothing for a length that comes to 0.
QByteArray TwipsText(double Twips) {
    if (Twips == 0) return QByteArray();
    const int64_t N = Round(Twips);
    return N == 0 ? QByteArray() : Num(N);
}

QByteArray FamilyName(uint8_t PitchAndFamily) {
    if (PitchAndFamily >= 16 && PitchAndFamily <= 31) return "roman";
    if (PitchAndFamily >= 32 && PitchAndFamily <= 47) return "swiss";
    if (PitchAndFamily >= 48 && PitchAndFamily <= 63) return "modern";
    if (PitchAndFamily >= 64 && PitchAndFamily <= 79) return "script";
    if (PitchAndFamily >= 80 && PitchAndFamily <= 95) return "decor";
    return "nil";
}

int PitchNumber(uint8_t PitchAndFamily) {
    switch (PitchAndFamily & 3) {
    case VARIABLE_PITCH:
        return 2;
    case FIXED_PITCH:
        return 1;
    default:
        return 0;
    }
}

} // namespace

QByteArray VyrRtfText(const QString& Text) {
    QByteArray R;
    R.reserve(Text.size());
    const qsizetype n = Text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = Text[i].unicode();
        switch (c) {
        case u'\\':
            R.append("\\\\");
            continue;
        case u'{':
            R.append("\\{");
            continue;
        case u'}':
            R.append("\\}");
            continue;
        case u'\t':
            R.append("\\tab ");
            continue;
        case u'\r':
            if (i + 1 < n && Text[i + 1] == u'\n') ++i;
            R.append("\\line ");
            continue;
        case u'\n':
        case u'\v':
            R.append("\\line ");
            continue;
        default:
            break;
        }
        if (c < 0x20)
            R.append(HexByte(uint8_t(c)));
        else if (c < 0x80)
            R.append(char(c));
        else if (const auto b = AnsiBytes().constFind(c); b != AnsiBytes().constEnd())
            R.append(HexByte(*b));
        else
            // Each half of a surrogate pair goes out on its own, as RTF counts in UTF-16 units.
            R.append("\\u" + Num(int16_t(c)) + "?");
    }
    return R;
}

// ---------------------------------------------------------------------------------------------------
// Font-table entries

TVyrRtfFont::TVyrRtfFont() : FFont(std::make_unique<TFont>()) {}

TVyrRtfFont::~TVyrRtfFont() = default;

void TVyrRtfFont::SetFont(const TFont& Value) {
    FFont->Assign(Value);
    TLogFont Lf = Value.LogFont();
    // The record as the platform makes the font from it, so the table names what is drawn.
    const HFONT Handle = CreateFontIndirect(Lf);
    if (PimGetObject(Handle, Lf) == 0) Lf = Value.LogFont();
    DeleteObject(Handle);
    FPitchAndFamily = Lf.lfPitchAndFamily;
    FCharSet = Lf.lfCharSet;
    FName = Lf.lfFaceName;
}

void TVyrRtfFont::Assign(const TVyrRtfFont* Source) {
    if (Source && Source != this) SetFont(*Source->FFont);
}

bool TVyrRtfFont::FontSame(const TFont& Value) const {
    return FFont->Style() == Value.Style() && FFont->Size() == Value.Size() &&
           FFont->Color() == Value.Color() && FFont->Pitch() == Value.Pitch() &&
           FFont->Name() == Value.Name();
}

bool TVyrRtfFont::DefinitionSame(const TFont& Value) const {
    return FFont->Pitch() == Value.Pitch() && FFont->Name() == Value.Name();
}

void TVyrRtfFont::WriteHeader(TStream& Stream) const {
    const QByteArray Rtf = "{\\f" + Num(FNumber) + "\\f" + FamilyName(FPitchAndFamily) + "\\fcharset0\\fprq" +
                           Num(PitchNumber(FPitchAndFamily)) + " " + VyrRtfText(FName) + ";}";
    Stream.WriteBuffer(Rtf.constData(), Rtf.size());
}

void TVyrRtfFont::WriteFont(TVyrRtfFile& File) const {
    QByteArray Rtf = "\\f" + Num(FNumber) + "\\fs" + Num(2 * FFont->Size());
    const TFontStyles Style = FFont->Style();
    if (Style & fsBold) Rtf.append("\\b");
    if (Style & fsItalic) Rtf.append("\\i");
    if (Style & fsUnderline) Rtf.append("\\ul");
    Rtf.append(' ');
    File.Write(Rtf);
}

// ---------------------------------------------------------------------------------------------------
// The file

TVyrRtfFile::TVyrRtfFile(const QString& FileName)
    : FFileName(FileName), FStream(std::make_unique<TMemoryStream>()), FFont(std::make_unique<TFont>()),
      FPageSetup(std::make_unique<TVyrPageSetup>()) {
    auto First = std::make_unique<TVyrRtfFont>();
    First->SetFont(TFont());
    AddFont(std::move(First));

    FWriteStream = std::make_unique<TWholeFileStream>(FileName);

    Write("\\pard\\plain ");
    FRtfFont->WriteFont(*this);
}

TVyrRtfFile::~TVyrRtfFile() {
    if (FClosed) return;
    try {
        Close();
    } catch (...) {
        // A destructor reports nothing; Close has removed the partial file.
    }
}

void TVyrRtfFile::Close() {
    if (FClosed) return;
    FClosed = true;
    try {
        while (FBraceCount > 0)
            PopBrace();
        Write("}");
        WriteFile();
        FWriteStream->Commit();
    } catch (...) {
        FWriteStream.reset();
        throw;
    }
}

void TVyrRtfFile::Abort() {
    FClosed = true;
    FWriteStream.reset();
}

void TVyrRtfFile::SetPageSetup(const TVyrPageSetup* Value) {
    FPageSetup->Assign(Value);
}

void TVyrRtfFile::SetRtfFont(TVyrRtfFont* Value) {
    FRtfFont = Value;
}

void TVyrRtfFile::AddFont(std::unique_ptr<TVyrRtfFont> Value) {
    FFontList.push_back(std::move(Value));
    FRtfFont = FFontList.back().get();
    FRtfFont->SetNumber(int32_t(FFontList.size()));
}

void TVyrRtfFile::SetFont(const TFont& Value) {
    if (FRtfFont && FRtfFont->FontSame(Value)) return;
    TVyrRtfFont* Shared = nullptr;
    for (const auto& Entry : FFontList)
        if (Entry->DefinitionSame(Value)) {
            Shared = Entry.get();
            break;
        }
    if (Shared)
        SetRtfFont(Shared);
    else
        AddFont(std::make_unique<TVyrRtfFont>());
    FFont->Assign(Value);
    FRtfFont->SetFont(Value);
    PopBrace();
    PushBrace();
    // The group inherits the paragraph's character format; without the reset a bold entry written
    // there would carry over into every text of the same face.
    Write("\\plain");
    FRtfFont->WriteFont(*this);
}

void TVyrRtfFile::Write(const QByteArray& Rtf) {
    FStream->Append(Rtf.constData(), Rtf.size());
    FlushWhenFull();
}

void TVyrRtfFile::StartBorder() {
    FBorder = true;
}

void TVyrRtfFile::EndBorder() {
    FBorder = false;
    if (FBorderType == rbtBottom) return;
    ParagraphDefault();
    NewParagraph();
}

void TVyrRtfFile::TextOut(const QString& Text) {
    Write(VyrRtfText(Text));
}

void TVyrRtfFile::TextOutStream(TStream& Stream) {
    FStream->CopyFrom(Stream, 0);
    FlushWhenFull();
}

void TVyrRtfFile::WriteFile() {
    TVyrPageSetup& P = *FPageSetup;
    TMemoryStream Header;
    const auto WriteHeaderText = [&Header](const QByteArray& Rtf) {
        Header.WriteBuffer(Rtf.constData(), Rtf.size());
    };
    WriteHeaderText("{\\rtf1\\ansi {\\fonttbl");
    for (const auto& Entry : FFontList)
        Entry->WriteHeader(Header);
    WriteHeaderText("}");

    const auto Twips = [&P](double Length) { return P.UM()->ToIn(Length, P.Units()) * 1440; };
    const QByteArray PaperId = Num(VyrPaperSizeId(P.Size()));
    if (P.Size() == psCustom)
        WriteHeaderText("\\paperw" + Num(Round(Twips(P.Width()))) + "\\paperh" +
                        Num(Round(Twips(P.Height()))) + "\\psz" + PaperId);
    else if (P.Size() != psUseCurrent)
        WriteHeaderText("\\paperh" + TwipsText(Twips(P.Height())) + "\\paperw" + TwipsText(Twips(P.Width())) +
                        "\\psz" + PaperId);
    WriteHeaderText("\\margl" + TwipsText(Twips(P.LeftMargin())) + "\\margr" +
                    TwipsText(Twips(P.RightMargin())) + "\\margt" + TwipsText(Twips(P.TopMargin())) +
                    "\\margb" + TwipsText(Twips(P.BottomMargin())));
    if (P.Orientation() == poLandscape) WriteHeaderText("\\landscape");
    WriteHeaderText(" ");
    if (FBodyWritten == 0) {
        // A body that never filled a buffer follows the header at once.
        FWriteStream->WriteBuffer(Header.Memory(), Header.Size());
        FWriteStream->WriteBuffer(FStream->Memory(), FStream->Size());
        FStream->SetSize(0);
        return;
    }
    FlushBody();
    // The file is not complete: its stream raises the failed write's error when committed.
    if (!FWriteFailed) InsertHeader(Header);
}

void TVyrRtfFile::NewParagraph() {
    Write("\\par ");
}

void TVyrRtfFile::PushBrace() {
    ++FBraceCount;
    Write("{");
}

void TVyrRtfFile::PopBrace() {
    if (FBraceCount <= 0) return;
    --FBraceCount;
    Write("}");
}

void TVyrRtfFile::DefineTab(int XPos, TVyrTabAlignment Alignment) {
    if (Alignment == taCenter)
        Write("\\tqc");
    else if (Alignment == taRight)
        Write("\\tqr");
    Write("\\tx" + Num(XPos) + " ");
}

void TVyrRtfFile::Tab() {
    Write("\\tab ");
}

void TVyrRtfFile::RowTabStop(int XPos, TVyrTabAlignment Alignment) {
    const bool First = !FRowHasStop;
    FRowHasStop = true;
    if (First && XPos <= 0) {
        FRowLeadDropped = true;
        return;
    }
    DefineTab(XPos, Alignment);
}

void TVyrRtfFile::RowTab() {
    const bool First = !FRowHasTab;
    FRowHasTab = true;
    if (First && FRowLeadDropped) return;
    Tab();
}

void TVyrRtfFile::ParagraphDefault() {
    FRowHasStop = FRowHasTab = FRowLeadDropped = false;
    PopBrace();
    Write("\\pard");
    if (FPageBreak) Write(" \\page");
    if (FBorder) Write(FBorderType == rbtBox ? "\\box\\brdrs " : "\\brdrb\\brdrs ");
    FRtfFont = FFontList.front().get();
    Write("\\plain");
    FRtfFont->WriteFont(*this);
}

void TVyrRtfFile::StartFrame(int X, int Y, int W, int H) {
    ParagraphDefault();
    QByteArray Rtf = "\\posyt\\phmrg\\posx" + Num(X) + "\\posy" + Num(Y);
    if (W > 0) Rtf.append("\\absw" + Num(W));
    if (H > 0) Rtf.append("\\absh" + Num(H));
    Rtf.append("\\dxfrtext180\\dfrmtxtx180\\dfrmtxty0 ");
    Write(Rtf);
}

void TVyrRtfFile::EndFrame() {
    NewParagraph();
    ParagraphDefault();
}

void TVyrRtfFile::FlushWhenFull() {
    if (FStream->Size() >= BodyBufferSize) FlushBody();
}

void TVyrRtfFile::FlushBody() {
    const int64_t n = FStream->Size();
    // After a failed write the rest is dropped: the file is discarded when the run closes it.
    if (n > 0 && !FWriteFailed) {
        if (FWriteStream->Write(FStream->Memory(), n) == n)
            FBodyWritten += n;
        else
            FWriteFailed = true;
    }
    FStream->SetSize(0);
}

void TVyrRtfFile::InsertHeader(TMemoryStream& Header) {
    const int64_t Shift = Header.Size();
    // From the end, so that no part is overwritten before it has moved.
    std::vector<uint8_t> Buffer(size_t(std::min<int64_t>(FBodyWritten, 1 << 20)));
    for (int64_t End = FBodyWritten; End > 0;) {
        const int64_t n = std::min<int64_t>(End, int64_t(Buffer.size()));
        End -= n;
        FWriteStream->SetPosition(End);
        FWriteStream->ReadBuffer(Buffer.data(), n);
        // A write that falls short is the stream's to report when committed.
        FWriteStream->SetPosition(End + Shift);
        FWriteStream->Write(Buffer.data(), n);
    }
    FWriteStream->SetPosition(0);
    FWriteStream->Write(Header.Memory(), Shift);
}
