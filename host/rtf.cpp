#include "host/rtf.h"
#include "host/encoding.h"

#include <QColor>
#include <QHash>
#include <QList>
#include <QSet>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>
#include <algorithm>
#include <cctype>
#include <vector>

namespace {

constexpr char16_t ParagraphEnd = 0x2029;
// Deeper groups than this share the state of the deepest one, so a stream of opening braces
// cannot eat the memory.
constexpr std::size_t MaxGroupDepth = 1000;
constexpr char16_t LineBreak = 0x2028;

// Bullet text is read like text but kept apart: it is drawn, yet takes no position.
enum TDestination : uint8_t { dText, dSkip, dFontTable, dColorTable, dBullet };

// Attributes are -1 while the text has not set them.
struct TCharState {
    int Font = -1;
    int HalfPoints = -1;
    int Bold = -1;
    int Italic = -1;
    int Underline = -1;
    int StrikeOut = -1;
    int Color = -1;
    int Back = -1;
    int Vertical = 0; // 1 raised, 2 lowered
    bool operator==(const TCharState&) const = default;
};

struct TTabStop {
    int Position = 0;
    int Kind = 0; // 0 left, 1 right, 2 centre, 3 decimal
};

struct TParaState {
    int Align = 0; // 0 left, 1 right, 2 centre, 3 justified
    int LeftIndent = 0;
    int RightIndent = 0;
    int FirstIndent = 0;
    int SpaceBefore = 0;
    int SpaceAfter = 0;
    int LineSpacing = 0;
    bool LineMultiple = false;
    std::vector<TTabStop> Tabs;
    int PendingTabKind = 0;
};

struct TGroup {
    TDestination Dest = dText;
    bool Picture = false; // the group holds an embedded picture or object
    int Uc = 1;
    TCharState Chr;
    TParaState Para;
};

struct TFontEntry {
    QString Name;
    int Charset = 1;
};

constexpr int SymbolCodePage = 42;

// Windows character sets of a font table entry and the code page their bytes are in.
int CodePageOfCharset(int Charset, int DocumentCodePage) {
    switch (Charset) {
    case 0:
        return 1252;
    case 2:
        return SymbolCodePage;
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 255:
        return 437;
    default:
        return DocumentCodePage;
    }
}

bool IsDoubleByteCodePage(int CodePage) {
    return CodePage == 932 || CodePage == 936 || CodePage == 949 || CodePage == 950;
}

bool IsLeadByte(int CodePage, uchar b) {
    if (CodePage == 932) return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    return IsDoubleByteCodePage(CodePage) && b >= 0x81 && b <= 0xFE;
}

QByteArray CodecName(int CodePage) {
    switch (CodePage) {
    case 932:
        return "Shift_JIS";
    case 936:
        return "GBK";
    case 949:
        return "EUC-KR";
    case 950:
        return "Big5";
    case 10000:
        return "macintosh";
    case 437:
        return "IBM437";
    case 850:
        return "IBM850";
    default:
        return "windows-" + QByteArray::number(CodePage);
    }
}

// Code page 1252 is decoded by our own table, so it works without any codec library.
QString DecodeCodePage(const QByteArray& Bytes, int CodePage) {
    if (CodePage == SymbolCodePage) {
        // Symbol fonts are not at hand: their Greek letters and bullet become the Unicode ones, drawn
        // in an ordinary face; the rest stays as the bytes are.
        static const char16_t Greek[2][26] = {
            {0x391, 0x392, 0x3A7, 0x394, 0x395, 0x3A6, 0x393, 0x397, 0x399, 0x3D1, 0x39A, 0x39B, 0x39C,
             0x39D, 0x39F, 0x3A0, 0x398, 0x3A1, 0x3A3, 0x3A4, 0x3A5, 0x3C2, 0x3A9, 0x39E, 0x3A8, 0x396},
            {0x3B1, 0x3B2, 0x3C7, 0x3B4, 0x3B5, 0x3C6, 0x3B3, 0x3B7, 0x3B9, 0x3D5, 0x3BA, 0x3BB, 0x3BC,
             0x3BD, 0x3BF, 0x3C0, 0x3B8, 0x3C1, 0x3C3, 0x3C4, 0x3C5, 0x3D6, 0x3C9, 0x3BE, 0x3C8, 0x3B6}};
        QString Result = QString::fromLatin1(Bytes);
        for (QChar& c : Result) {
            const char16_t u = c.unicode();
            if (u >= 'A' && u <= 'Z')
                c = QChar(Greek[0][u - 'A']);
            else if (u >= 'a' && u <= 'z')
                c = QChar(Greek[1][u - 'a']);
            else if (u == 0xB7)
                c = QChar(0x2022);
        }
        return Result;
    }
    if (CodePage == 1252 || CodePage <= 0) return AnsiToString(Bytes);
    QStringDecoder Decoder(CodecName(CodePage).constData());
    if (!Decoder.isValid()) return AnsiToString(Bytes);
    QString Result = Decoder.decode(Bytes);
    if (Decoder.hasError()) return AnsiToString(Bytes);
    return Result;
}

// Destinations whose contents never reach the text, even when the writer left out the \*.
const QSet<QByteArray>& SkippedDestinations() {
    static const QSet<QByteArray> Names = {"stylesheet",
                                           "info",
                                           "header",
                                           "headerl",
                                           "headerr",
                                           "headerf",
                                           "footer",
                                           "footerl",
                                           "footerr",
                                           "footerf",
                                           "footnote",
                                           "annotation",
                                           "fldinst",
                                           "pn",
                                           "xe",
                                           "tc",
                                           "txe",
                                           "rxe",
                                           "template",
                                           "filetbl",
                                           "revtbl",
                                           "listtable",
                                           "listoverridetable",
                                           "rsidtbl",
                                           "generator",
                                           "nonshppict",
                                           "shp",
                                           "shpinst",
                                           "datafield",
                                           "themedata",
                                           "colorschememapping",
                                           "latentstyles",
                                           "datastore",
                                           "xmlnstbl",
                                           "mmathPr",
                                           "author",
                                           "operator",
                                           "title",
                                           "subject",
                                           "keywords",
                                           "comment",
                                           "doccomm",
                                           "company",
                                           "category",
                                           "manager",
                                           "bkmkstart",
                                           "bkmkend",
                                           "atnid",
                                           "atnauthor",
                                           "atrfstart",
                                           "atrfend",
                                           "atnref",
                                           "atndate",
                                           "userprops",
                                           "docvar",
                                           "ftnsep",
                                           "ftnsepc",
                                           "ftncn",
                                           "aftnsep",
                                           "aftnsepc",
                                           "aftncn",
                                           "pgdsctbl",
                                           "fchars",
                                           "lchars",
                                           "hlinkbase",
                                           "buptim",
                                           "creatim",
                                           "printim",
                                           "revtim",
                                           "objdata",
                                           "objclass",
                                           "objname",
                                           "falt",
                                           "panose",
                                           "fontemb",
                                           "fontfile",
                                           "blipuid",
                                           "pnseclvl",
                                           "listpicture",
                                           "sp",
                                           "sn",
                                           "sv"};
    return Names;
}

const QHash<QByteArray, char16_t>& SpecialCharacters() {
    static const QHash<QByteArray, char16_t> Chars = {
        {"tab", u'\t'},      {"cell", u'\t'},       {"nestcell", u'\t'},   {"line", LineBreak},
        {"emdash", 0x2014},  {"endash", 0x2013},    {"bullet", 0x2022},    {"lquote", 0x2018},
        {"rquote", 0x2019},  {"ldblquote", 0x201C}, {"rdblquote", 0x201D}, {"emspace", 0x2003},
        {"enspace", 0x2002}, {"qmspace", 0x2005},   {"zwj", 0x200D},       {"zwnj", 0x200C},
        {"ltrmark", 0x200E}, {"rtlmark", 0x200F},   {"zwbo", 0x200B}};
    return Chars;
}

const QSet<QByteArray>& ParagraphBreaks() {
    static const QSet<QByteArray> Names = {"par", "sect", "row", "nestrow"};
    return Names;
}

} // namespace

// Reads RTF into the document of a TRichText. Text is gathered in a run until the character
// format changes, bytes of the code page until something other than a byte comes.
class TRtfReader {
public:
    TRtfReader(const QByteArray& Bytes, TRichText& Target);
    void Run();

private:
    void OpenGroup();
    void CloseGroup();
    void ReadControl();
    void ReadText(uchar c);
    void PlainChar(uchar c);
    bool ConsumeFallback();

    void HandleWord(const QByteArray& Word, bool HasParam, int Param);
    bool HandleDocumentWord(const QByteArray& Word, bool HasParam, int Param);
    bool HandleCharWord(const QByteArray& Word, bool HasParam, int Param);
    bool HandleParaWord(const QByteArray& Word, bool HasParam, int Param);
    void HandleSymbol(char c);
    void HandleHexByte(uchar b);

    void AddChar(QChar c);
    void AddByte(uchar b);
    void FlushBytes();
    void FlushRun();
    void StartPendingParagraph();
    void EndParagraph();
    void BreakPage();
    void FinishLastParagraph();
    void Finish();

    void AddFontName(uchar b);
    void EndFontEntry();
    void EndColorEntry();

    TGroup& Top() { return FGroups.back(); }
    int CurrentCodePage();
    QTextCharFormat CharFormat();
    QTextBlockFormat BlockFormat();

    const QByteArray& FBytes;
    TRichText& FTarget;
    QTextCursor FCursor;
    qsizetype FPos = 0;
    std::vector<TGroup> FGroups;

    int FDocumentCodePage = 1252;
    int FDefaultFont = -1;
    QHash<int, TFontEntry> FFonts;
    int FFontEntry = 0;
    QByteArray FFontName;
    QList<QColor> FColors;
    int FRed = -1, FGreen = -1, FBlue = -1;

    int FFallbackLeft = 0;
    std::size_t FExcessDepth = 0;
    QByteArray FPendingBytes;
    QString FRun;
    QTextCharFormat FRunFormat;
    // The format of the last state asked for; tables change only before the text starts.
    TCharState FCachedState;
    QTextCharFormat FCachedFormat;
    bool FHaveCachedFormat = false;
    bool FHaveRunFormat = false;
    bool FParagraphPending = false;
    bool FPageBreakPending = false;
    bool FFinished = false;
    bool FStarPending = false;
    QString FBullet;
    QTextCharFormat FBulletFormat;
};

TRtfReader::TRtfReader(const QByteArray& Bytes, TRichText& Target)
    : FBytes(Bytes), FTarget(Target), FCursor(Target.FDocument.get()) {
    FGroups.emplace_back();
}

void TRtfReader::Run() {
    const qsizetype n = FBytes.size();
    // One edit block for the whole text: the cursor then does not lay out every paragraph it
    // passes.
    FCursor.beginEditBlock();
    // Whatever follows the document's closing brace is not part of it.
    while (FPos < n && !FFinished) {
        const uchar c = static_cast<uchar>(FBytes[FPos]);
        if (c == '{') {
            ++FPos;
            OpenGroup();
        } else if (c == '}') {
            ++FPos;
            CloseGroup();
        } else if (c == '\\') {
            ReadControl();
        } else {
            ++FPos;
            ReadText(c);
        }
    }
    Finish();
    FCursor.endEditBlock();
}

void TRtfReader::OpenGroup() {
    FlushBytes();
    FStarPending = false;
    FFallbackLeft = 0;
    if (FGroups.size() >= MaxGroupDepth)
        ++FExcessDepth;
    else
        FGroups.push_back(FGroups.back());
}

void TRtfReader::CloseGroup() {
    FlushBytes();
    FStarPending = false;
    FFallbackLeft = 0;
    if (FExcessDepth > 0) {
        --FExcessDepth;
        return;
    }
    if (Top().Dest == dFontTable && !FFontName.isEmpty()) EndFontEntry();
    // The last paragraph takes the formats in force when the document's own group closes.
    if (FGroups.size() == 2) FinishLastParagraph();
    // An unbalanced closing brace is ignored rather than taking the outermost state away.
    if (FGroups.size() <= 1) return;
    const bool Picture = Top().Picture;
    FGroups.pop_back();
    // An embedded picture or object takes one position, as it does in the control the positions
    // stored in documents were counted by.
    if (Picture) AddChar(QChar(QChar::ObjectReplacementCharacter));
}

// The fallback text after \uN stands in for the character just added; it is dropped.
bool TRtfReader::ConsumeFallback() {
    if (FFallbackLeft <= 0) return false;
    --FFallbackLeft;
    return true;
}

void TRtfReader::ReadControl() {
    const qsizetype n = FBytes.size();
    ++FPos; // the backslash
    if (FPos >= n) return;
    const char c = FBytes[FPos];
    if (!QChar::isLetter(static_cast<uchar>(c)) || static_cast<uchar>(c) >= 0x80) {
        ++FPos;
        if (c == '\'') {
            int Value = 0;
            int Digits = 0;
            while (Digits < 2 && FPos < n) {
                const int d = QByteArray("0123456789abcdef")
                                  .indexOf(static_cast<char>(std::tolower(static_cast<uchar>(FBytes[FPos]))));
                if (d < 0) break;
                Value = Value * 16 + d;
                ++Digits;
                ++FPos;
            }
            if (ConsumeFallback()) return;
            if (Digits == 2) HandleHexByte(static_cast<uchar>(Value));
            return;
        }
        if (ConsumeFallback()) return;
        HandleSymbol(c);
        return;
    }
    const qsizetype Start = FPos;
    while (FPos < n && FPos - Start < 32 && QChar::isLetter(static_cast<uchar>(FBytes[FPos])) &&
           static_cast<uchar>(FBytes[FPos]) < 0x80)
        ++FPos;
    const QByteArray Word = FBytes.mid(Start, FPos - Start);
    bool HasParam = false;
    bool Negative = false;
    int64_t Param = 0;
    if (FPos < n && FBytes[FPos] == '-') {
        Negative = true;
        ++FPos;
    }
    while (FPos < n && FBytes[FPos] >= '0' && FBytes[FPos] <= '9') {
        HasParam = true;
        if (Param < 100000000) Param = Param * 10 + (FBytes[FPos] - '0');
        ++FPos;
    }
    if (FPos < n && FBytes[FPos] == ' ') ++FPos;
    const int Value = static_cast<int>(Negative ? -Param : Param);
    if (Word == "bin") {
        // Binary data is never text; it is stepped over even inside fallback text.
        FPos = std::min<qsizetype>(n, FPos + std::max(0, Value));
        return;
    }
    if (ConsumeFallback()) return;
    HandleWord(Word, HasParam, Value);
}

void TRtfReader::ReadText(uchar c) {
    if (c == '\r' || c == '\n') return;
    if (ConsumeFallback()) return;
    PlainChar(c);
}

void TRtfReader::PlainChar(uchar c) {
    if (FStarPending) {
        FStarPending = false;
        Top().Dest = dSkip;
    }
    switch (Top().Dest) {
    case dSkip:
        return;
    case dFontTable:
        AddFontName(c);
        return;
    case dColorTable:
        if (c == ';') EndColorEntry();
        return;
    case dText:
    case dBullet:
        break;
    }
    if (c == '\t') {
        AddChar(QChar(u'\t'));
        return;
    }
    // Bytes of the code page: everything above ASCII, the trail byte of a double-byte character,
    // and every character of a symbol font.
    if (c >= 0x80 ||
        (!FPendingBytes.isEmpty() && IsLeadByte(CurrentCodePage(), uchar(FPendingBytes.back()))) ||
        (c >= 0x20 && CurrentCodePage() == SymbolCodePage)) {
        AddByte(c);
        return;
    }
    if (c < 0x20) return;
    AddChar(QChar(c));
}

void TRtfReader::HandleWord(const QByteArray& Word, bool HasParam, int Param) {
    TGroup& g = Top();
    if (g.Dest == dSkip) return;
    FlushBytes();
    if (FStarPending) {
        // Only destinations follow \*; the one a picture comes in is read, any other skipped.
        FStarPending = false;
        if (Word != "shppict") {
            g.Dest = dSkip;
            return;
        }
    }
    if (g.Dest == dFontTable) {
        if (Word == "f")
            FFontEntry = Param;
        else if (Word == "fcharset")
            FFonts[FFontEntry].Charset = Param;
        else if (SkippedDestinations().contains(Word))
            g.Dest = dSkip;
        return;
    }
    if (g.Dest == dColorTable) {
        if (Word == "red")
            FRed = Param;
        else if (Word == "green")
            FGreen = Param;
        else if (Word == "blue")
            FBlue = Param;
        return;
    }
    if (Word == "fonttbl") {
        g.Dest = dFontTable;
        FFontName.clear();
        FHaveCachedFormat = false;
        return;
    }
    if (Word == "colortbl") {
        FHaveCachedFormat = false;
        g.Dest = dColorTable;
        FColors.clear();
        return;
    }
    if (SkippedDestinations().contains(Word)) {
        g.Dest = dSkip;
        return;
    }
    if (Word == "pntext" || Word == "listtext") {
        g.Dest = dBullet;
        FBullet.clear();
        return;
    }
    if (Word == "pict" || Word == "object") {
        g.Dest = dSkip;
        g.Picture = true;
        return;
    }
    if (HandleDocumentWord(Word, HasParam, Param)) return;
    if (HandleCharWord(Word, HasParam, Param)) return;
    if (HandleParaWord(Word, HasParam, Param)) return;
    if (ParagraphBreaks().contains(Word)) {
        EndParagraph();
        return;
    }
    if (Word == "page") {
        BreakPage();
        return;
    }
    const auto Special = SpecialCharacters().constFind(Word);
    if (Special != SpecialCharacters().constEnd()) {
        AddChar(QChar(*Special));
        return;
    }
    if (Word == "u" && HasParam) {
        AddChar(QChar(static_cast<char16_t>(Param < 0 ? Param + 65536 : Param)));
        FFallbackLeft = g.Uc;
    }
    // Every other control word is a property this layout has no use for.
}

bool TRtfReader::HandleDocumentWord(const QByteArray& Word, bool HasParam, int Param) {
    if (Word == "ansi")
        FDocumentCodePage = 1252;
    else if (Word == "mac")
        FDocumentCodePage = 10000;
    else if (Word == "pc")
        FDocumentCodePage = 437;
    else if (Word == "pca")
        FDocumentCodePage = 850;
    else if (Word == "ansicpg") {
        if (HasParam && Param > 0) FDocumentCodePage = Param;
    } else if (Word == "deff")
        FDefaultFont = Param;
    else if (Word == "deftab") {
        if (Param > 0) FTarget.FDefaultTab = Param;
    } else if (Word == "uc")
        Top().Uc = std::max(0, Param);
    else
        return false;
    return true;
}

bool TRtfReader::HandleCharWord(const QByteArray& Word, bool HasParam, int Param) {
    TCharState& s = Top().Chr;
    const int On = HasParam ? (Param != 0 ? 1 : 0) : 1;
    if (Word == "plain")
        s = TCharState();
    else if (Word == "f") {
        FlushBytes();
        s.Font = Param;
    } else if (Word == "fs")
        s.HalfPoints = Param > 0 ? Param : -1;
    else if (Word == "b")
        s.Bold = On;
    else if (Word == "i")
        s.Italic = On;
    else if (Word == "ulnone")
        s.Underline = 0;
    else if (Word == "ul" || (Word.startsWith("ul") && Word != "ulc"))
        s.Underline = On;
    else if (Word == "strike" || Word == "striked")
        s.StrikeOut = On;
    else if (Word == "cf")
        s.Color = Param;
    else if (Word == "cb" || Word == "highlight" || Word == "chcbpat")
        s.Back = Param;
    else if (Word == "super")
        s.Vertical = 1;
    else if (Word == "sub")
        s.Vertical = 2;
    else if (Word == "nosupersub")
        s.Vertical = 0;
    else if (Word == "up")
        s.Vertical = Param > 0 ? 1 : 0;
    else if (Word == "dn")
        s.Vertical = Param > 0 ? 2 : 0;
    else
        return false;
    return true;
}

bool TRtfReader::HandleParaWord(const QByteArray& Word, bool, int Param) {
    TParaState& p = Top().Para;
    if (Word == "pard")
        p = TParaState();
    else if (Word == "ql")
        p.Align = 0;
    else if (Word == "qr")
        p.Align = 1;
    else if (Word == "qc")
        p.Align = 2;
    else if (Word == "qj" || Word == "qd")
        p.Align = 3;
    else if (Word == "li" || Word == "lin")
        p.LeftIndent = Param;
    else if (Word == "ri" || Word == "rin")
        p.RightIndent = Param;
    else if (Word == "fi")
        p.FirstIndent = Param;
    else if (Word == "sb")
        p.SpaceBefore = std::max(0, Param);
    else if (Word == "sa")
        p.SpaceAfter = std::max(0, Param);
    else if (Word == "sl")
        p.LineSpacing = Param;
    else if (Word == "slmult")
        p.LineMultiple = Param != 0;
    else if (Word == "tqr")
        p.PendingTabKind = 1;
    else if (Word == "tqc")
        p.PendingTabKind = 2;
    else if (Word == "tqdec")
        p.PendingTabKind = 3;
    else if (Word == "tx") {
        p.Tabs.push_back({Param, p.PendingTabKind});
        p.PendingTabKind = 0;
    } else if (Word == "tb")
        p.PendingTabKind = 0;
    else
        return false;
    return true;
}

void TRtfReader::HandleSymbol(char c) {
    TGroup& g = Top();
    if (c == '*') {
        if (g.Dest == dText)
            FStarPending = true;
        else if (g.Dest == dFontTable)
            g.Dest = dSkip;
        return;
    }
    FStarPending = false;
    if (c == '\\' || c == '{' || c == '}') {
        PlainChar(static_cast<uchar>(c));
        return;
    }
    if (g.Dest != dText && g.Dest != dBullet) return;
    FlushBytes();
    switch (c) {
    case '~':
        AddChar(QChar(u'\u00A0'));
        break;
    case '-':
        AddChar(QChar(u'\u00AD'));
        break;
    case '_':
        AddChar(QChar(u'\u2011'));
        break;
    case '\t':
        AddChar(QChar(u'\t'));
        break;
    case '\r':
    case '\n':
        EndParagraph();
        break;
    default:
        break;
    }
}

void TRtfReader::HandleHexByte(uchar b) {
    switch (Top().Dest) {
    case dText:
    case dBullet:
        AddByte(b);
        break;
    case dFontTable:
        AddFontName(b);
        break;
    default:
        break;
    }
}

void TRtfReader::AddChar(QChar c) {
    if (Top().Dest == dBullet) {
        if (FBullet.isEmpty()) FBulletFormat = CharFormat();
        FBullet.append(c);
        return;
    }
    if (Top().Dest != dText) return;
    FlushBytes();
    StartPendingParagraph();
    const QTextCharFormat f = CharFormat();
    if (FHaveRunFormat && !(FRunFormat == f)) FlushRun();
    FRunFormat = f;
    FHaveRunFormat = true;
    FRun.append(c);
}

void TRtfReader::AddByte(uchar b) {
    FPendingBytes.append(static_cast<char>(b));
}

void TRtfReader::FlushBytes() {
    if (FPendingBytes.isEmpty()) return;
    const QByteArray Bytes = FPendingBytes;
    FPendingBytes.clear();
    const QString Text = DecodeCodePage(Bytes, CurrentCodePage());
    for (QChar c : Text)
        AddChar(c);
}

void TRtfReader::FlushRun() {
    if (FRun.isEmpty()) return;
    FCursor.insertText(FRun, FRunFormat);
    FRun.clear();
}

// A paragraph end is written only once something follows it, so that the \par closing the
// last paragraph does not leave an empty paragraph behind.
void TRtfReader::StartPendingParagraph() {
    if (!FParagraphPending) return;
    FParagraphPending = false;
    FCursor.insertBlock();
}

void TRtfReader::EndParagraph() {
    if (Top().Dest != dText) return;
    FlushBytes();
    StartPendingParagraph();
    FlushRun();
    FCursor.setBlockFormat(BlockFormat());
    FCursor.setBlockCharFormat(CharFormat());
    FParagraphPending = true;
}

// The paragraph after a page break starts a page. A break amid a paragraph's text ends that
// paragraph; one at the start of a paragraph makes no empty paragraph of its own.
void TRtfReader::BreakPage() {
    if (Top().Dest != dText) return;
    FlushBytes();
    if (!FParagraphPending && (!FRun.isEmpty() || FCursor.block().length() > 1)) EndParagraph();
    FPageBreakPending = true;
}

void TRtfReader::FinishLastParagraph() {
    if (FFinished) return;
    FFinished = true;
    FlushBytes();
    FlushRun();
    if (!FParagraphPending) {
        FCursor.setBlockFormat(BlockFormat());
        FCursor.setBlockCharFormat(CharFormat());
    }
    if (FDefaultFont >= 0 && FFonts.contains(FDefaultFont))
        FTarget.FDefaultFamily = FFonts[FDefaultFont].Name;
}

// A document that never closes its group still keeps the text it has.
void TRtfReader::Finish() {
    FinishLastParagraph();
}

void TRtfReader::AddFontName(uchar b) {
    if (b == ';') {
        EndFontEntry();
        return;
    }
    FFontName.append(static_cast<char>(b));
}

void TRtfReader::EndFontEntry() {
    TFontEntry& e = FFonts[FFontEntry];
    // A symbol font's own name is in ordinary letters.
    const int CodePage = e.Charset == 2 ? FDocumentCodePage : CodePageOfCharset(e.Charset, FDocumentCodePage);
    e.Name = DecodeCodePage(FFontName, CodePage).trimmed();
    FFontName.clear();
    FHaveCachedFormat = false;
}

void TRtfReader::EndColorEntry() {
    FHaveCachedFormat = false;
    if (FRed < 0 && FGreen < 0 && FBlue < 0)
        FColors.append(QColor());
    else
        FColors.append(
            QColor(std::clamp(FRed, 0, 255), std::clamp(FGreen, 0, 255), std::clamp(FBlue, 0, 255)));
    FRed = FGreen = FBlue = -1;
}

int TRtfReader::CurrentCodePage() {
    int Font = Top().Chr.Font;
    if (Font < 0) Font = FDefaultFont;
    const auto e = FFonts.constFind(Font);
    if (e == FFonts.constEnd()) return FDocumentCodePage;
    return CodePageOfCharset(e->Charset, FDocumentCodePage);
}

QTextCharFormat TRtfReader::CharFormat() {
    const TCharState& s = Top().Chr;
    if (FHaveCachedFormat && s == FCachedState) return FCachedFormat;
    QTextCharFormat f;
    if (s.Font >= 0 && FFonts.contains(s.Font) && !FFonts[s.Font].Name.isEmpty() &&
        FFonts[s.Font].Charset != 2) {
        f.setFontFamilies(QStringList{FFonts[s.Font].Name});
        f.setProperty(rcpHasFamily, true);
    }
    if (s.HalfPoints > 0) {
        f.setFontPointSize(s.HalfPoints / 2.0);
        f.setProperty(rcpHasSize, true);
    }
    if (s.Bold >= 0) {
        f.setFontWeight(s.Bold ? QFont::Bold : QFont::Normal);
        f.setProperty(rcpHasBold, true);
    }
    if (s.Italic >= 0) {
        f.setFontItalic(s.Italic != 0);
        f.setProperty(rcpHasItalic, true);
    }
    if (s.Underline >= 0) {
        f.setFontUnderline(s.Underline != 0);
        f.setProperty(rcpHasUnderline, true);
    }
    if (s.StrikeOut >= 0) {
        f.setFontStrikeOut(s.StrikeOut != 0);
        f.setProperty(rcpHasStrikeOut, true);
    }
    if (s.Color > 0 && s.Color < FColors.size() && FColors[s.Color].isValid()) {
        f.setForeground(FColors[s.Color]);
        f.setProperty(rcpHasColor, true);
    }
    if (s.Back > 0 && s.Back < FColors.size() && FColors[s.Back].isValid()) f.setBackground(FColors[s.Back]);
    if (s.Vertical == 1)
        f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    else if (s.Vertical == 2)
        f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    FCachedState = s;
    FCachedFormat = f;
    FHaveCachedFormat = true;
    return f;
}

QTextBlockFormat TRtfReader::BlockFormat() {
    const TParaState& p = FGroups.back().Para;
    QTextBlockFormat f;
    static const Qt::Alignment Aligns[] = {Qt::AlignLeft, Qt::AlignRight, Qt::AlignHCenter, Qt::AlignJustify};
    f.setAlignment(Aligns[p.Align]);
    f.setProperty(rbpLeftIndent, p.LeftIndent);
    f.setProperty(rbpRightIndent, p.RightIndent);
    f.setProperty(rbpFirstIndent, p.FirstIndent);
    f.setProperty(rbpSpaceBefore, p.SpaceBefore);
    f.setProperty(rbpSpaceAfter, p.SpaceAfter);
    f.setProperty(rbpLineSpacing, p.LineSpacing);
    f.setProperty(rbpLineSpacingMultiple, p.LineMultiple);
    QList<QTextOption::Tab> Tabs;
    static const QTextOption::TabType Kinds[] = {QTextOption::LeftTab, QTextOption::RightTab,
                                                 QTextOption::CenterTab, QTextOption::DelimiterTab};
    for (const TTabStop& t : p.Tabs)
        Tabs.append(QTextOption::Tab(t.Position, Kinds[t.Kind], t.Kind == 3 ? QChar(u'.') : QChar()));
    f.setTabPositions(Tabs);
    if (FPageBreakPending) {
        f.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        FPageBreakPending = false;
    }
    // The bullet read before the paragraph's text belongs to this paragraph alone.
    if (!FBullet.isEmpty()) {
        f.setProperty(rbpBulletText, FBullet);
        f.setProperty(rbpBulletFormat, FBulletFormat);
        FBullet.clear();
    }
    return f;
}

// ---------------------------------------------------------------------------------------------

TRichText::TRichText() : FDocument(std::make_unique<QTextDocument>()) {
    FDocument->setUndoRedoEnabled(false);
}

TRichText::~TRichText() = default;

void TRichText::Clear() {
    FDocument->clear();
    FDefaultFamily.clear();
    FDefaultTab = 720;
}

namespace {

// RTF that arrived as UTF-16 or UTF-8 text goes back to the 7-bit form the reader expects; any
// character beyond one byte becomes \uN with no fallback.
QByteArray RtfBytesOf(const QString& Text) {
    QByteArray Result;
    Result.reserve(Text.size());
    for (QChar c : Text) {
        if (c.unicode() < 0x80)
            Result.append(static_cast<char>(c.unicode()));
        else
            Result.append("{\\uc0\\u" + QByteArray::number(static_cast<int16_t>(c.unicode())) + "}");
    }
    return Result;
}

bool HasMark(const QByteArray& Bytes, const char* Mark) {
    return Bytes.startsWith(Mark);
}

} // namespace

void TRichText::Load(const QByteArray& Bytes) {
    Clear();
    if (HasMark(Bytes, "{\\rtf")) {
        TRtfReader Reader(Bytes, *this);
        Reader.Run();
        return;
    }
    const QString Decoded = DecodeText(Bytes);
    if (Decoded.startsWith(QLatin1String("{\\rtf"))) {
        const QByteArray Rtf = RtfBytesOf(Decoded);
        TRtfReader Reader(Rtf, *this);
        Reader.Run();
        return;
    }
    // Plain text: every line break ends a paragraph, the last one included.
    QString Text = Decoded;
    Text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    Text.replace(u'\r', u'\n');
    if (Text.endsWith(u'\n')) Text.chop(1);
    Text.replace(u'\n', QChar(ParagraphEnd));
    Text.replace(u'\v', QChar(LineBreak));
    QTextCursor Cursor(FDocument.get());
    Cursor.insertText(Text);
}

int TRichText::TextLength() const {
    return FDocument->characterCount() - 1;
}

QString TRichText::Text(int From, int To) const {
    const int Length = TextLength();
    if (To < 0 || To > Length) To = Length;
    From = std::clamp(From, 0, Length);
    if (To <= From) return QString();
    QString Result = FDocument->toRawText().mid(From, To - From);
    for (QChar& c : Result) {
        if (c.unicode() == ParagraphEnd)
            c = u'\r';
        else if (c.unicode() == LineBreak)
            c = u'\v';
    }
    return Result;
}

bool IsRtf(const QByteArray& Bytes) {
    if (HasMark(Bytes, "{\\rtf")) return true;
    if (HasMark(Bytes, "\xFF\xFE") || HasMark(Bytes, "\xEF\xBB\xBF"))
        return DecodeText(Bytes).startsWith(QLatin1String("{\\rtf"));
    return false;
}
