#include "host/devicecontext.h"
#include "host/exceptions.h"
#include "host/graphic.h"
#include "host/graphics.h"
#include "host/mathutil.h"
#include "host/streams.h"
#include "output/PimFile.h"
#include "output/PimTypes.h"
#include "support/devices.h"

#include <QByteArray>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

QByteArray Hex(const char* Text) {
    return QByteArray::fromHex(Text);
}

QByteArray BytesOf(TMemoryStream& M) {
    return QByteArray(reinterpret_cast<const char*>(M.Memory()), int(M.Size()));
}

QByteArray Saved(TPimPimFile& F) {
    TMemoryStream M;
    F.SaveToStream(M);
    return BytesOf(M);
}

void Load(TPimPimFile& F, const QByteArray& Bytes) {
    TMemoryStream M;
    M.WriteBuffer(Bytes.constData(), Bytes.size());
    M.SetPosition(0);
    F.LoadFromStream(M);
}

QByteArray PageData(TPimPimFile& F) {
    TPimStream& S = *F.Stream();
    QByteArray B(int(S.Size()), '\0');
    S.SetPosition(0);
    S.ReadBuffer(B.data(), B.size());
    return B;
}

QByteArray Utf16Field(const QString& Text, int Chars) {
    QByteArray B(Chars * 2, '\0');
    for (int i = 0; i < Text.size(); ++i) {
        B[2 * i] = char(Text[i].unicode() & 0xFF);
        B[2 * i + 1] = char(Text[i].unicode() >> 8);
    }
    return B;
}

// A two-page document with one font, one pen, user data and a title.
std::unique_ptr<TPimPimFile> Recorded() {
    auto F = std::make_unique<TPimPimFile>();
    F->SetPixelsPerInchX(600);
    F->SetPixelsPerInchY(300);
    F->SetDescription(QStringLiteral("Quarterly figures"));
    F->BeginDoc();
    TMemoryStream User;
    User.WriteBuffer("abc", 3);
    User.SetPosition(0);
    F->SetUserStream(User);
    TFont Font;
    Font.SetName(QStringLiteral("Arial"));
    Font.SetSize(12);
    Font.SetColor(clRed);
    F->SetFont(Font);
    F->Textout(10, 20, QStringLiteral("Grüße"));
    TPen Pen;
    Pen.SetWidth(3);
    F->SetPen(Pen);
    F->LineTo(100, 200);
    F->NewPage();
    F->TextJustify(Rect(1, 2, 3, 4), 5, 6, QStringLiteral("x"), true, Rect(7, 8, 9, 10));
    F->EndDoc();
    return F;
}

// A file as an older version wrote it, or a 5.0 file built by hand: a page holding a font
// selection, a Textout "Grüß" and a TextJustify "Ende", with printer settings of copies 2 and no
// collation (which the file's own printer info before 3.0 cannot say; the record that opens each
// page can). A second page, when asked for, selects the font again and holds a Textout "Seite 2" and
// a justified line.
QByteArray HandBuiltFile(float Version, int Pages = 1) {
    const bool Wide = Version >= 5.0f;
    const bool Block = Version >= 4.0f;
    TPimPrinterSetup Setup;
    Setup.SetCopies(2);
    Setup.SetCollatedCopies(false);
    TPimFilePrinterInfo Info;
    Setup.GetPrintInfo(Info);
    auto WriteSetup = [&](TStream& S, bool AsRecord) {
        if (Block) {
            Setup.WriteToStream(S);
        } else {
            if (AsRecord) S.WriteUInt16(100);
            TMemoryStream I;
            PimWriteFilePrinterInfo(I, Info);
            S.WriteBuffer(I.Memory(), !AsRecord && Version < 3.0f ? 36 : 37);
        }
    };

    TMemoryStream P;
    auto WriteText = [&](const QString& Text) {
        if (Wide) {
            P.WriteInt32(int32_t(Text.size() * 2));
            const QByteArray B = Utf16Field(Text, int(Text.size()));
            P.WriteBuffer(B.constData(), B.size());
            return;
        }
        const QByteArray B = Text == QStringLiteral("Grüß") ? QByteArray("Gr\xfc\xdf") : Text.toLatin1();
        if (Block)
            P.WriteInt32(int32_t(B.size()));
        else
            P.WriteUInt16(uint16_t(B.size()));
        P.WriteBuffer(B.constData(), B.size());
    };
    auto Justify = [&](std::initializer_list<int> Head, const QString& Text, bool End,
                       std::initializer_list<int> Full) {
        P.WriteUInt16(37);
        for (int V : Head)
            P.WriteUInt16(uint16_t(V));
        WriteText(Text);
        P.WriteUInt8(End ? 1 : 0);
        if (Version > 1.0f)
            for (int V : Full)
                P.WriteUInt16(uint16_t(V));
    };
    std::vector<int32_t> Offsets;
    auto Page = [&](const QString& Text, int X, int Y) {
        Offsets.push_back(int32_t(P.Position()));
        WriteSetup(P, true);
        P.WriteUInt16(5);
        P.WriteUInt16(4);
        P.WriteUInt16(0);
        P.WriteUInt16(21);
        P.WriteUInt16(uint16_t(X));
        P.WriteUInt16(uint16_t(Y));
        WriteText(Text);
    };
    Page(QStringLiteral("Grüß"), 10, 20);
    Justify({1, 2, 3, 4, 5, 6}, QStringLiteral("Ende"), true, {7, 8, 9, 10});
    P.WriteUInt16(6);
    if (Pages > 1) {
        Page(QStringLiteral("Seite 2"), 300, 150);
        Justify({300, 400, 1500, 460, 300, 400}, QStringLiteral("one two three"), false, {300, 400, 1500, 900});
        P.WriteUInt16(6);
    }

    TMemoryStream M;
    M.WriteBuffer("PIM", 3);
    M.WriteInt32(101071);
    M.WriteSingle(Version);
    M.WriteInt32(0);
    if (Wide) {
        const QByteArray T = Utf16Field(QStringLiteral("Café report"), 101);
        M.WriteBuffer(T.constData(), T.size());
    } else {
        QByteArray T("Caf\xe9 report");
        T.append(QByteArray(101 - T.size(), '\0'));
        M.WriteBuffer(T.constData(), T.size());
    }
    M.WriteInt32(int32_t(Offsets.size()));
    M.WriteUInt16(2);
    M.WriteUInt16(300);
    M.WriteUInt16(300);
    WriteSetup(M, false);
    M.WriteInt32(2);
    M.WriteBuffer("ud", 2);
    for (int32_t Offset : Offsets)
        M.WriteInt32(Offset);

    M.WriteUInt16(1);
    M.WriteInt32(0x0000FF);
    M.WriteUInt16(10);
    M.WriteBuffer("\x01\x00\x00", 3);
    M.WriteUInt16(900);
    M.WriteUInt16(700);
    M.WriteBuffer("\x00\x00\x00\x02\x22", 5);
    if (Wide) {
        const QByteArray N = Utf16Field(QStringLiteral("Tímes"), 32);
        M.WriteBuffer(N.constData(), N.size());
    } else {
        QByteArray N("T\xedmes");
        N.append(QByteArray(32 - N.size(), '\0'));
        M.WriteBuffer(N.constData(), N.size());
    }
    M.WriteUInt16(3);
    M.WriteInt32(0x00FF00);
    M.WriteUInt8(2);

    const int64_t HeaderLen = M.Position();
    M.SetPosition(11);
    M.WriteInt32(int32_t(HeaderLen));
    M.SetPosition(HeaderLen);
    M.WriteBuffer(P.Memory(), P.Size());
    return BytesOf(M);
}

template <typename E> QString MessageOf(const std::function<void()>& F) {
    try {
        F();
    } catch (const E& Error) {
        return Error.Message();
    }
    return QStringLiteral("<no exception>");
}

} // namespace

TEST(PimFileFormat, EachPartStandsAtItsOffset) {
    auto F = Recorded();
    const QByteArray File = Saved(*F);
    const int32_t Page2 = F->PagePosition(1)->Pos;

    EXPECT_EQ(File.mid(0, 15).toHex(' '), Hex("50494d cf8a0100 0000a040 66010000").toHex(' '));
    EXPECT_EQ(File.mid(15, 202), Utf16Field(QStringLiteral("Quarterly figures"), 101));
    EXPECT_EQ(File.mid(217, 10).toHex(' '), Hex("02000000 0200 5802 2c01").toHex(' '));
    EXPECT_EQ(File.mid(227, 22).toHex(' '),
              Hex("6500 10000000 0000 0100 0100 0100 0600 0100 0900 0100").toHex(' '));
    EXPECT_EQ(File.mid(249, 7).toHex(' '), Hex("03000000 616263").toHex(' '));
    QByteArray Offsets = Hex("00000000 00000000");
    PutUInt32LE(reinterpret_cast<uint8_t*>(Offsets.data() + 4), uint32_t(Page2));
    EXPECT_EQ(File.mid(256, 8).toHex(' '), Offsets.toHex(' '));
    // The font entry: kind, colour, size 12, no italic/underline/strike-out, then its name at 18.
    EXPECT_EQ(File.mid(264, 11).toHex(' '), Hex("0100 ff000000 0c00 000000").toHex(' '));
    EXPECT_EQ(File.mid(284, 64), Utf16Field(QStringLiteral("Arial"), 32));
    EXPECT_EQ(File.mid(348, 10).toHex(' '), Hex("0200 00000000 00 0300 04").toHex(' '));
    EXPECT_EQ(File.mid(358), PageData(*F));
    EXPECT_EQ(File.mid(358 + Page2, 2).toHex(), "6500");
}

TEST(PimFileFormat, SavingALoadedDocumentGivesTheSameBytes) {
    auto F = Recorded();
    const QByteArray File = Saved(*F);
    TPimPimFile G;
    Load(G, File);
    EXPECT_EQ(Saved(G), File);
    EXPECT_EQ(G.PageCount(), 2);
    EXPECT_EQ(G.PagePosition(1)->Pos, F->PagePosition(1)->Pos);
    ASSERT_NE(G.Objects(), nullptr);
    EXPECT_EQ(G.Objects()->size(), 2u);
    EXPECT_EQ(G.PixelsPerInchX(), 600);
    EXPECT_EQ(G.PixelsPerInchY(), 300);
    EXPECT_EQ(BytesOf(*G.UserStream()), QByteArray("abc"));
    EXPECT_EQ(G.PercentDone(), 100);
    EXPECT_FALSE(G.Running());
}

TEST(PimFileFormat, ANamedPaperReadsBackWithItsOwnSizeTurnedWithTheOrientation) {
    struct TCase {
        int Paper, Orientation, Width, Height;
    };
    // A4 landscape and portrait, Letter landscape, and a custom paper that keeps its own size.
    for (const TCase& C :
         {TCase{9, 2, 1123, 794}, TCase{9, 1, 794, 1123}, TCase{1, 2, 1056, 816}, TCase{256, 1, 480, 672}}) {
        SCOPED_TRACE(C.Paper * 10 + C.Orientation);
        TPimPimFile F;
        F.SetPixelsPerInchX(96);
        F.SetPixelsPerInchY(96);
        TPimPrinterSetup* Recording = F.PimPrinterSetup();
        Recording->SetPaperSize(C.Paper);
        Recording->SetOrientation(C.Orientation);
        if (C.Paper == 256) {
            Recording->SetWidth(5);
            Recording->SetLength(7);
        }
        F.BeginDoc();
        F.Textout(10, 20, QStringLiteral("one"));
        F.NewPage();
        F.Textout(10, 20, QStringLiteral("two"));
        F.EndDoc();
        const QByteArray File = Saved(F);

        TPimPimFile G;
        Load(G, File);
        EXPECT_EQ(G.PageWidth(), C.Width);
        EXPECT_EQ(G.PageHeight(), C.Height);
        // The size is the paper's, not forced on the printer, so the file is written again unchanged.
        EXPECT_EQ(G.PimPrinterSetup()->PrintSet(apsPaperWidth), C.Paper == 256);
        EXPECT_EQ(G.PimPrinterSetup()->PrintSet(apsPaperLength), C.Paper == 256);
        EXPECT_EQ(Saved(G), File);
        // A page's own block, read into a fresh setup and while playing, gives the same size.
        TPimPrinterSetup Page;
        ASSERT_TRUE(G.GetPagePrinterInfo(&Page, 2));
        EXPECT_EQ(int(Round(Page.Width() * 96)), C.Width);
        EXPECT_EQ(int(Round(Page.Length() * 96)), C.Height);
        auto DC = DeviceContext::CreateImage(C.Width, C.Height, 96, 96);
        G.PlayPage(DC.get(), 2);
        EXPECT_EQ(G.PageWidth(), C.Width);
        EXPECT_EQ(G.PageHeight(), C.Height);
    }
}

TEST(PimFileFormat, EndDocWritesTheSameFileAsSaving) {
    QTemporaryDir Dir;
    auto F = std::make_unique<TPimPimFile>();
    F->SetFileName(Dir.filePath(QStringLiteral("doc.pim")));
    F->SetCreateFile(true);
    F->BeginDoc();
    F->Textout(1, 2, QStringLiteral("only"));
    F->EndDoc();
    TMemoryStream Written;
    Written.LoadFromFile(F->FileName());
    EXPECT_EQ(BytesOf(Written), Saved(*F));

    const QString Copy = Dir.filePath(QStringLiteral("copy.pim"));
    F->SaveToFile(Copy);
    TPimPimFile G;
    G.LoadFromFile(Copy);
    EXPECT_EQ(Saved(G), BytesOf(Written));
}

TEST(PimFileFormat, AFileThatCannotBeMadeOrOpenedRaises) {
    QTemporaryDir Dir;
    const QString Missing = Dir.filePath(QStringLiteral("no/such/dir/doc.pim"));
    auto F = Recorded();
    EXPECT_THROW(F->SaveToFile(Missing), Exception);
    TPimPimFile G;
    EXPECT_THROW(G.LoadFromFile(Missing), Exception);
    EXPECT_EQ(G.Stream(), nullptr);
}

TEST(PimFileFormat, SavingWhileRunningOrBeforeAnyDocumentWritesNothing) {
    TPimPimFile Fresh;
    EXPECT_TRUE(Saved(Fresh).isEmpty());
    TPimPimFile F;
    F.BeginDoc();
    EXPECT_TRUE(Saved(F).isEmpty());
    F.EndDoc();
    EXPECT_FALSE(Saved(F).isEmpty());
}

TEST(PimFileFormat, EveryOlderVersionLoadsItsStringsFontsAndCollation) {
    for (float Version : {1.0f, 2.0f, 3.0f, 4.0f, 4.5f, 5.0f}) {
        SCOPED_TRACE(Version);
        TPimPimFile F;
        Load(F, HandBuiltFile(Version));
        EXPECT_EQ(F.Description(), QStringLiteral("Café report"));
        EXPECT_EQ(F.PimFileHeader.Version, Version);
        EXPECT_EQ(BytesOf(*F.UserStream()), QByteArray("ud"));
        ASSERT_EQ(F.Objects()->size(), 2u);
        const TPimPimFileObject& Font = *(*F.Objects())[0];
        EXPECT_EQ(Font.ObjectType, aotFont);
        EXPECT_EQ(PimWideFieldText(Font.LogFont.Name, PimFontNameLength), QStringLiteral("Tímes"));
        EXPECT_EQ(Font.LogFont.Weight, 700);
        EXPECT_EQ(Font.LogFont.Escapement, 900);
        EXPECT_EQ(Font.LogFont.PitchAndFamily, 0x22);
        EXPECT_EQ((*F.Objects())[1]->ObjectType, aotBrush);
        EXPECT_EQ((*F.Objects())[1]->LogBrush.Color, 0x00FF00);

        TPimPrinterSetup* Setup = F.PimPrinterSetup();
        EXPECT_EQ(Setup->Copies(), 2);
        EXPECT_EQ(Setup->CollatedCopies(), Version < 3.0f);
        EXPECT_TRUE(Setup->PrintSet(apsCollate));

        TPimStream& S = *F.Stream();
        S.SetPosition(F.PagePosition(0)->Pos);
        if (Version < 4.0f) {
            ASSERT_EQ(F.ReadType(), 100);
            TPimFilePrinterInfo Info;
            F.ReadPrinterInfo(Info);
            EXPECT_EQ(Info.Copies, 2);
            // The record on the page has its collation byte in every version.
            EXPECT_FALSE(Info.CollatedCopies);
        } else {
            ASSERT_EQ(F.ReadType(), 101);
            TPimPrinterSetup Page;
            EXPECT_TRUE(Page.ReadFromStream(S));
        }
        EXPECT_EQ(F.ReadType(), 5);
        EXPECT_EQ(F.ReadType(), 4);
        EXPECT_EQ(F.ReadSmallInt(), 0);
        EXPECT_EQ(F.ReadType(), 21);
        EXPECT_EQ(F.ReadSmallInt(), 10);
        EXPECT_EQ(F.ReadSmallInt(), 20);
        EXPECT_EQ(F.ReadString(), QStringLiteral("Grüß"));
        EXPECT_EQ(F.ReadType(), 37);
        EXPECT_EQ(F.ReadRect(), Rect(1, 2, 3, 4));
        EXPECT_EQ(F.ReadSmallInt(), 5);
        EXPECT_EQ(F.ReadSmallInt(), 6);
        EXPECT_EQ(F.ReadString(), QStringLiteral("Ende"));
        EXPECT_TRUE(F.ReadBoolean());
        if (Version > 1.0f) {
            EXPECT_EQ(F.ReadRect(), Rect(7, 8, 9, 10));
        }
        EXPECT_EQ(F.ReadType(), 6);
        EXPECT_EQ(S.Position(), S.Size());
    }
}

TEST(PimFileFormat, OldDocumentsPlayTheirPagesInTheirFontAndTheSameWhenSavedAgain) {
    auto Played = [](TPimPimFile& F, int Page) {
        auto DC = DeviceContext::CreateRecording(PrinterCaps(300));
        F.PlayPage(DC.get(), Page);
        return DC->Log()->Calls;
    };
    TPimPimFile Five;
    Load(Five, HandBuiltFile(5.0f, 2));
    for (float Version : {1.0f, 2.0f}) {
        SCOPED_TRACE(Version);
        TPimPimFile F;
        Load(F, HandBuiltFile(Version, 2));
        const QStringList Page1 = Played(F, 1), Page2 = Played(F, 2);
        // The bold font of 10 points at 300 pixels per inch, turned by 90 degrees, on both pages.
        const QString Font = QStringLiteral("SelectObject font \"Tímes\" -42 0 700 1 0 0 0 esc=900");
        EXPECT_EQ(Page1.mid(0, 3), QStringList({Font, "SetTextColor 0x0000FF", "TextOut 10 20 \"Grüß\""}));
        EXPECT_TRUE(Page1.contains("TextOut 5 6 \"E\""));
        EXPECT_EQ(Page2.mid(0, 3), QStringList({Font, "SetTextColor 0x0000FF", "TextOut 300 150 \"Seite 2\""}));
        // The justified line starts its words at the left edge, in the middle and where the last
        // word ends at the right edge: the same as the current version plays it.
        EXPECT_EQ(Page2.filter("MoveToEx"), QStringList({"MoveToEx 300 400", "MoveToEx 836 400", "MoveToEx 1373 400"}));
        EXPECT_EQ(Page2, Played(Five, 2));

        TPimPimFile Again;
        Load(Again, Saved(F));
        EXPECT_EQ(Again.PimFileHeader.Version, Version);
        EXPECT_EQ(Played(Again, 1), Page1);
        EXPECT_EQ(Played(Again, 2), Page2);
    }
}

TEST(PimFileFormat, AnOlderFileIsSavedAgainInItsOwnVersion) {
    for (float Version : {1.0f, 2.0f, 3.0f, 4.0f, 5.0f}) {
        SCOPED_TRACE(Version);
        const QByteArray File = HandBuiltFile(Version);
        TPimPimFile F;
        Load(F, File);
        EXPECT_EQ(Saved(F).toHex(' '), File.toHex(' '));
    }
}

TEST(PimFileFormat, RecordingAfterLoadingAnOlderFileWritesVersionFive) {
    TPimPimFile F;
    Load(F, HandBuiltFile(3.0f));
    F.BeginDoc();
    F.Textout(0, 0, QStringLiteral("new"));
    F.EndDoc();
    const QByteArray File = Saved(F);
    EXPECT_EQ(File.mid(7, 4).toHex(), "0000a040");
    TPimPimFile G;
    Load(G, File);
    G.Stream()->SetPosition(G.PagePosition(0)->Pos);
    G.ReadType();
    G.PimPrinterSetup()->ReadFromStream(*G.Stream());
    EXPECT_EQ(G.ReadType(), 5);
    EXPECT_EQ(G.ReadType(), 21);
    G.ReadSmallInt();
    G.ReadSmallInt();
    EXPECT_EQ(G.ReadString(), QStringLiteral("new"));
}

TEST(PimFileFormat, ADocumentIsReadAndWrittenAtTheStreamsPosition) {
    for (float Version : {3.0f, 5.0f}) {
        SCOPED_TRACE(Version);
        const QByteArray File = HandBuiltFile(Version);
        TMemoryStream In;
        In.WriteBuffer("prefix", 6);
        In.WriteBuffer(File.constData(), File.size());
        In.SetPosition(6);
        TPimPimFile F;
        F.LoadFromStream(In);
        EXPECT_EQ(F.Description(), QStringLiteral("Café report"));
        EXPECT_EQ(F.PageCount(), 1);
        TMemoryStream Out;
        Out.WriteBuffer("xy", 2);
        F.SaveToStream(Out);
        EXPECT_EQ(BytesOf(Out).mid(2).toHex(' '), File.toHex(' '));
    }
}

TEST(PimFileFormat, NewerVersionsAndForeignFilesAreRefused) {
    auto Refusal = [](const QByteArray& File) {
        return MessageOf<Exception>([&] {
            TPimPimFile F;
            Load(F, File);
        });
    };
    QByteArray V55 = HandBuiltFile(5.0f);
    const float Five5 = 5.5f;
    std::memcpy(V55.data() + 7, &Five5, 4);
    EXPECT_EQ(Refusal(V55), QStringLiteral("This PIM File Version is not supported"));
    QByteArray NaN = HandBuiltFile(5.0f);
    NaN.replace(7, 4, Hex("0000c07f"));
    EXPECT_EQ(Refusal(NaN), QStringLiteral("This PIM File Version is not supported"));
    QByteArray Foreign = HandBuiltFile(5.0f);
    Foreign[3] = 0;
    EXPECT_EQ(Refusal(Foreign), QStringLiteral("ERROR: not an PIM file"));

    // A refused file leaves the document empty, not holding the one before.
    auto F = Recorded();
    EXPECT_THROW(Load(*F, V55), Exception);
    EXPECT_EQ(F->PageCount(), 0);
    EXPECT_EQ(F->Objects(), nullptr);
    EXPECT_TRUE(Saved(*F).isEmpty());
}

TEST(PimFileFormat, PaperSizesThatAreNoPaperAndVersionsBelowOneAreDamage) {
    auto WithDouble = [](QByteArray File, int At, double Value) {
        std::memcpy(File.data() + At, &Value, sizeof Value);
        return File;
    };
    const double Bad[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                          -std::numeric_limits<double>::infinity(), -1.0, 1e300};
    for (float Version : {1.0f, 2.0f, 3.0f}) {
        SCOPED_TRACE(Version);
        const QByteArray Good = HandBuiltFile(Version, 2);
        // The file's own printer info follows the 116-byte header and the 10-byte info: length at 4
        // and width at 12 within it.
        for (int At : {126 + 4, 126 + 12})
            for (double Value : Bad) {
                TPimPimFile F;
                EXPECT_EQ(MessageOf<EReadError>([&] { Load(F, WithDouble(Good, At, Value)); }),
                          QStringLiteral("Stream read error"))
                    << At << " " << Value;
                EXPECT_EQ(F.PageCount(), 0);
            }
        // The same in the record that opens a page: the page cannot be played or printed.
        const int Page = int(GetUInt32LE(reinterpret_cast<const uint8_t*>(Good.constData() + 11)));
        TPimPimFile F;
        Load(F, WithDouble(Good, Page + 2 + 4, 1e300));
        auto DC = DeviceContext::CreateRecording(PrinterCaps(300));
        EXPECT_THROW(F.PlayPage(DC.get(), 1), EReadError);
        TPimPrinterSetup Setup;
        EXPECT_THROW(F.GetPagePrinterInfo(&Setup, 1), EReadError);
        // A size of nothing is no damage.
        Load(F, WithDouble(Good, 126 + 4, 0.0));
        EXPECT_EQ(F.PageHeight(), 0);
        EXPECT_EQ(F.PageWidth(), Round(300 * F.PimPrinterSetup()->Width()));
    }
    for (float Version : {0.0f, -0.0f, -2.0f}) {
        QByteArray File = HandBuiltFile(3.0f);
        std::memcpy(File.data() + 7, &Version, 4);
        TPimPimFile F;
        EXPECT_EQ(MessageOf<Exception>([&] { Load(F, File); }),
                  QStringLiteral("This PIM File Version is not supported"))
            << Version;
    }
}

TEST(PimFileFormat, ASmallOldFileIsNotReadAsAWideHeader) {
    // Shorter than the 217 bytes of a 5.0 header.
    TPimPimFile F;
    QByteArray File = Hex("50494d cf8a0100 00004040 00000000");
    File.append(QByteArray(101, '\0'));
    File.append(Hex("00000000 0000 6000 6000"));
    File.append(QByteArray(37, '\0'));
    File.append(Hex("00000000"));
    ASSERT_LT(File.size(), 217);
    Load(F, File);
    EXPECT_EQ(F.PageCount(), 0);
    EXPECT_EQ(F.PixelsPerInchX(), 96);
}

TEST(PimFileFormat, TheTitleOfALoadedFileIsKeptForSavingAgain) {
    const QByteArray File = Saved(*Recorded());
    TPimPimFile F;
    Load(F, File);
    EXPECT_EQ(F.Description(), QStringLiteral("Quarterly figures"));
    EXPECT_EQ(Saved(F), File);

    // A title the caller set stays; one that only came from the last file gives way to the next.
    TPimPimFile Own;
    Own.SetDescription(QStringLiteral("Mine"));
    Load(Own, File);
    EXPECT_EQ(Own.Description(), QStringLiteral("Mine"));
    Load(F, HandBuiltFile(4.0f));
    EXPECT_EQ(F.Description(), QStringLiteral("Café report"));
}

TEST(PimFileFormat, LoadingStartsFromDefaultPrinterSettings) {
    TPimPimFile F;
    Load(F, HandBuiltFile(4.0f));
    EXPECT_EQ(F.PimPrinterSetup()->Copies(), 2);
    auto Plain = std::make_unique<TPimPimFile>();
    Plain->BeginDoc();
    Plain->EndDoc();
    Load(F, Saved(*Plain));
    EXPECT_EQ(F.PimPrinterSetup()->Copies(), 1);
    EXPECT_FALSE(F.PimPrinterSetup()->PrintSet(apsCopies));
    EXPECT_TRUE(F.PimPrinterSetup()->CollatedCopies());
}

TEST(PimFileFormat, AnUnknownObjectKindKeepsItsPlaceInTheTable) {
    // Kind 9 is read as an entry of no kind with nothing after it; the brush behind it is still found.
    QByteArray File = Saved(*Recorded());
    const int Objects = 217 + 4;
    File[Objects] = 3;
    File.insert(264, Hex("0900"));
    File[11] = char(uint8_t(File[11]) + 2);
    TPimPimFile F;
    Load(F, File);
    ASSERT_EQ(F.Objects()->size(), 3u);
    EXPECT_EQ((*F.Objects())[0]->ObjectType, aotNone);
    EXPECT_EQ((*F.Objects())[1]->ObjectType, aotFont);
    EXPECT_EQ((*F.Objects())[2]->ObjectType, aotPen);
    const QByteArray Again = Saved(F);
    EXPECT_EQ(Again.mid(264, 4).toHex(), "00000100");
    TPimPimFile G;
    Load(G, Again);
    EXPECT_EQ(Saved(G), Again);
}

TEST(PimFileFormat, DamagedCountsAndOffsetsRaiseAReadError) {
    const QByteArray Good = Saved(*Recorded());
    struct TCase {
        const char* Name;
        int Offset;
        const char* Bytes;
    };
    const TCase Cases[] = {
        {"pages beyond the file", 217, "ffffff0f"}, {"negative pages", 217, "ffffffff"},
        {"objects beyond the file", 221, "ffff"},   {"user data beyond the file", 249, "ffffff7f"},
        {"negative user data", 249, "feffffff"},    {"page offset past the page data", 260, "ffffff00"},
        {"negative page offset", 256, "ffffffff"},  {"setup block running off the end", 229, "ffffff7f"},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        QByteArray File = Good;
        const QByteArray Patch = Hex(C.Bytes);
        File.replace(C.Offset, Patch.size(), Patch);
        TPimPimFile F;
        EXPECT_EQ(MessageOf<EReadError>([&] { Load(F, File); }), QStringLiteral("Stream read error"));
        EXPECT_EQ(F.PageCount(), 0);
        EXPECT_EQ(F.Stream(), nullptr);
    }
}

namespace {

// A document of two pages holding every kind of record the recorder writes.
QByteArray EveryRecord() {
    TPimPimFile F;
    F.BeginDoc();
    TFont Font;
    Font.SetName(QStringLiteral("Arial"));
    F.SetFont(Font);
    F.SetTextAlign(24);
    F.Textout(1, 2, QStringLiteral("Textout"));
    F.PTextout(3, 4, u"pq", 2);
    F.ExtTextout(5, 6, 4, Rect(1, 2, 30, 12), u"abc", 3);
    F.TextRect(Rect(0, 0, 40, 10), 1, 1, QStringLiteral("in a box"));
    F.MoveTo(7, 8);
    F.LineTo(9, 10);
    F.FillRect(Rect(1, 1, 5, 5));
    F.Rectangle(1, 2, 3, 4);
    F.RoundRect(1, 2, 31, 22, 6, 4);
    F.Ellipse(3, 4, 13, 14);
    TBitmap Picture;
    QImage Image(4, 3, QImage::Format_RGB32);
    Image.fill(Qt::green);
    Picture.LoadFromImage(Image);
    F.Draw(10, 20, &Picture);
    F.StretchDraw(Rect(0, 0, 8, 6), &Picture);
    F.ShadeRect(Rect(0, 0, 30, 30), spMedium);
    F.SetBkColor(0x123456);
    F.NewPage();
    F.TextJustify(Rect(40, 50, 100, 60), 25, 50, QStringLiteral("Wide"), true, Rect(20, 50, 200, 60));
    TMemoryStream Bytes;
    Bytes.WriteBuffer("BM-not-really", 13);
    F.DrawBitmap(1, 2, &Bytes);
    F.StretchDrawBitmap(Rect(3, 4, 5, 6), &Bytes);
    TMemoryStream Rtf;
    Rtf.WriteBuffer("{\\rtf1 x}", 9);
    F.RtfDraw(Rect(0, 0, 50, 20), &Rtf, 0, -1, true);
    F.DrawCheckBox(Rect(0, 100, 10, 110), acsCross, clRed, 1);
    F.DrawShapeType(dtPie, 0, 120, 40, 160, 40, 120, 0, 160);
    const TPoint Points[] = {{1, 1}, {20, 5}, {9, 30}};
    F.PolyDrawType(ptPolygon, Points, 3);
    F.Print3of9Barcode(10, 200, 0, 5, 1, 2, false, false, QStringLiteral("1"));
    F.Print2of5Barcode(30, 200, 4, 0, 1, 3, false, true, QStringLiteral("12"));
    TPimFilePrinterInfo Info;
    F.PimPrinterSetup()->GetPrintInfo(Info);
    F.WritePrinterInfo(Info);
    F.EndDoc();
    return Saved(F);
}

} // namespace

TEST(PimFileFormat, EveryCutOfAFileRaisesAReadError) {
    // Loading steps over every record of every page, in files of every version, so a cut anywhere
    // (also inside the last page's records) is found.
    std::vector<std::pair<std::string, QByteArray>> Files = {{"every record", EveryRecord()},
                                                             {"recorded", Saved(*Recorded())}};
    for (float Version : {1.0f, 2.0f, 3.0f, 4.0f, 5.0f})
        Files.emplace_back("version " + std::to_string(Version), HandBuiltFile(Version, 2));
    for (const auto& [Name, Good] : Files) {
        TPimPimFile Whole;
        Load(Whole, Good);
        ASSERT_EQ(Whole.PageCount(), 2) << Name;
        for (int Size = 0; Size < Good.size(); ++Size) {
            TPimPimFile F;
            EXPECT_THROW(Load(F, Good.left(Size)), EReadError) << Name << " cut to " << Size;
            EXPECT_EQ(F.PageCount(), 0);
        }
    }
}

TEST(PimFileFormat, AStringLongerThanThePageDataRaisesAReadError) {
    for (float Version : {3.0f, 4.0f, 5.0f}) {
        SCOPED_TRACE(Version);
        QByteArray File = HandBuiltFile(Version);
        TPimPimFile F;
        Load(F, File);
        // Walk to the Textout's count.
        TPimStream& S = *F.Stream();
        if (F.ReadType() == 100) {
            TPimFilePrinterInfo Info;
            F.ReadPrinterInfo(Info);
        } else {
            TPimPrinterSetup Page;
            Page.ReadFromStream(S);
        }
        for (int Type : {5, 4})
            ASSERT_EQ(F.ReadType(), Type);
        F.ReadSmallInt();
        ASSERT_EQ(F.ReadType(), 21);
        F.ReadSmallInt();
        F.ReadSmallInt();
        const int64_t Count = S.Position();
        const QByteArray Bad = Version < 4.0f ? Hex("ffff") : Hex("ffffff7f");
        // A file holding such a string is refused when it is loaded...
        const int HeaderLen = int(GetUInt32LE(reinterpret_cast<const uint8_t*>(File.constData() + 11)));
        File.replace(HeaderLen + int(Count), Bad.size(), Bad);
        TPimPimFile Damaged;
        EXPECT_EQ(MessageOf<EReadError>([&] { Load(Damaged, File); }), QStringLiteral("Stream read error"));
        EXPECT_EQ(Damaged.PageCount(), 0);
        // ...and a page stream damaged afterwards still raises when the string is read.
        S.SetPosition(Count);
        S.WriteBuffer(Bad.constData(), Bad.size());
        S.SetPosition(Count);
        EXPECT_EQ(MessageOf<EReadError>([&] { F.ReadString(); }), QStringLiteral("Stream read error"));
    }
}

TEST(PimFileFormat, PagePrinterInfoClampsThePage) {
    TPimPimFile F;
    F.BeginDoc();
    auto CopiesOf = [&](int Page) {
        TPimPrinterSetup Into;
        EXPECT_TRUE(F.GetPagePrinterInfo(&Into, Page));
        return Into.Copies();
    };
    for (int Page = 2; Page <= 5; ++Page) {
        F.PimPrinterSetup()->SetCopies(Page);
        F.NewPage();
        if (Page == 3) {
            // Running with three pages: the third is still being recorded.
            EXPECT_EQ(CopiesOf(3), 2);
            const int64_t End = F.Stream()->Position();
            EXPECT_EQ(End, F.Stream()->Size());
        }
    }
    F.EndDoc();
    EXPECT_EQ(CopiesOf(0), 1);
    EXPECT_EQ(CopiesOf(1), 1);
    EXPECT_EQ(CopiesOf(4), 4);
    EXPECT_EQ(CopiesOf(9), 5);
}

TEST(PimFileFormat, PagePrinterInfoWithoutAFinishedPageGivesTheDocumentSetup) {
    TPimPimFile F;
    F.PimPrinterSetup()->SetCopies(7);
    F.BeginDoc();
    TPimPrinterSetup Into;
    EXPECT_FALSE(F.GetPagePrinterInfo(&Into, 1));
    EXPECT_EQ(Into.Copies(), 7);
    F.EndDoc();
    TPimPimFile Empty;
    EXPECT_FALSE(Empty.GetPagePrinterInfo(&Into, 1));
}

TEST(PimFileFormat, PagePrinterInfoReadsAnOldPrinterInfoRecord) {
    TPimPimFile F;
    Load(F, HandBuiltFile(2.0f));
    TPimPrinterSetup Into;
    EXPECT_TRUE(F.GetPagePrinterInfo(&Into, 1));
    EXPECT_EQ(Into.Copies(), 2);
    EXPECT_FALSE(Into.CollatedCopies());
    EXPECT_TRUE(Into.PrintSet(apsScale));
    EXPECT_EQ(F.Stream()->Position(), 0);
}

TEST(PimFileFormat, TheSetupBlockGoesToAndFromADocumentsPageStream) {
    TPimPimFile F;
    TPimPrinterSetup Setup;
    Setup.SetCopies(4);
    Setup.WriteToPimFile(&F);
    EXPECT_FALSE(Setup.ReadFromPimFile(&F));
    F.BeginDoc();
    const int64_t At = F.Stream()->Position();
    Setup.WriteToPimFile(&F);
    F.Stream()->SetPosition(At);
    EXPECT_EQ(F.ReadType(), 101);
    TPimPrinterSetup Back;
    EXPECT_TRUE(Back.ReadFromPimFile(&F));
    EXPECT_EQ(Back.Copies(), 4);
    EXPECT_EQ(F.Stream()->Position(), F.Stream()->Size());
    F.EndDoc();
}

TEST(PimFileFormat, RecordingMoreObjectsThanASmallIntCanSelectRaises) {
    TPimPimFile F;
    F.BeginDoc();
    TBrush Brush;
    for (int i = 0; i < TPimPimFile::MaxObjects; ++i) {
        Brush.SetColor(i);
        F.SetBrush(Brush);
    }
    TPen Pen;
    const int64_t Before = F.Stream()->Size();
    EXPECT_THROW(F.SetPen(Pen), Exception);
    EXPECT_EQ(F.Stream()->Size(), Before);
    // One already in the table is still selected.
    Brush.SetColor(TPimPimFile::MaxObjects - 1);
    F.SetBrush(Brush);
    EXPECT_EQ(F.CurrBrush(), TPimPimFile::MaxObjects - 1);
    F.EndDoc();
}

TEST(PimFileRecords, AnsiHeaderAndFontHaveTheirOldLayout) {
    TPimFileHeader H;
    H.Key = PimFileKey;
    H.Version = 3.0f;
    H.HeaderLen = 0x1234;
    PimSetWideField(H.Description, PimDescriptionLength + 1, QStringLiteral("Résumé€"));
    TMemoryStream M;
    PimWriteAnsiFileHeader(M, H);
    ASSERT_EQ(M.Size(), PimAnsiFileHeaderSize);
    QByteArray Expected = Hex("50494d cf8a0100 00004040 34120000 52e973756de980");
    Expected.append(QByteArray(PimAnsiFileHeaderSize - Expected.size(), '\0'));
    EXPECT_EQ(BytesOf(M).toHex(' '), Expected.toHex(' '));

    TPimLogFont Font;
    Font.Color = -16777208;
    Font.Size = 9;
    Font.Weight = 400;
    PimSetWideField(Font.Name, PimFontNameLength, QStringLiteral("Ärial"));
    TMemoryStream A;
    PimWriteAnsiLogFont(A, Font);
    ASSERT_EQ(A.Size(), PimAnsiLogFontSize);
    EXPECT_EQ(BytesOf(A).left(23).toHex(' '),
              Hex("080000ff 0900 000000 0000 9001 0000000000 c4726961 6c").toHex(' '));
    A.SetPosition(0);
    TPimLogFont Back;
    PimReadAnsiLogFont(A, Back);
    EXPECT_TRUE(PimLogFontEqual(Back, Font));
}

TEST(PimFileRecords, MetafileHeaderAndRecordHeadAreLittleEndian) {
    TPimMetaHeader H;
    H.mtType = 1;
    H.mtHeaderSize = 9;
    H.mtVersion = 0x300;
    H.mtSize = 0x01020304;
    H.mtNoObjects = 2;
    H.mtMaxRecord = 0x0A0B0C0D;
    H.mtNoParameters = 0;
    TMemoryStream M;
    PimWriteMetaHeader(M, H);
    TPimMetaRecord R;
    R.rdSize = 3;
    R.rdFunction = 0;
    PimWriteMetaRecordHead(M, R);
    EXPECT_EQ(BytesOf(M).toHex(' '),
              Hex("0100 0900 0003 04030201 0200 0d0c0b0a 0000 03000000 0000").toHex(' '));
    M.SetPosition(0);
    TPimMetaHeader Back;
    PimReadMetaHeader(M, Back);
    EXPECT_EQ(Back.mtSize, H.mtSize);
    EXPECT_EQ(Back.mtMaxRecord, H.mtMaxRecord);
    TPimMetaRecord RBack;
    PimReadMetaRecordHead(M, RBack);
    EXPECT_EQ(RBack.rdSize, 3);
}

namespace {

// Damage of the kinds a broken disk or a hostile sender gives: changed bytes, counts set to their
// extremes, cuts and repeated pieces. Most of it goes where the counts and offsets live.
void Mutate(QByteArray& B, std::mt19937& Rng) {
    auto Pick = [&](int N) { return N <= 0 ? 0 : int(Rng() % uint32_t(N)); };
    static const uint32_t Extremes[] = {0,      1,       2,          0x7FFF,     0x8000,
                                        0xFFFF, 0x10000, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
    const int Steps = 1 + Pick(4);
    for (int Step = 0; Step < Steps && !B.isEmpty(); ++Step) {
        const int Span = Pick(3) ? std::min<int>(int(B.size()), 400) : int(B.size());
        const int At = Pick(Span);
        switch (Pick(5)) {
        case 0:
            B[At] = char(Rng());
            break;
        case 1:
            B[At] = char(B[At] ^ (1 << Pick(8)));
            break;
        case 2:
            if (At + 4 <= B.size())
                PutUInt32LE(reinterpret_cast<uint8_t*>(B.data() + At), Extremes[Pick(std::size(Extremes))]);
            break;
        case 3:
            B.truncate(Pick(int(B.size()) + 1));
            break;
        default:
            B.insert(At, B.mid(Pick(int(B.size())), 1 + Pick(16)));
            break;
        }
    }
}

// Reads the records these files hold, as a player would, up to the end of the page or a record it
// does not know.
void WalkPage(TPimPimFile& F, int Page) {
    TPimStream& S = *F.Stream();
    S.SetPosition(F.PagePosition(Page)->Pos);
    for (;;) {
        switch (F.ReadType()) {
        case 100: {
            TPimFilePrinterInfo Info;
            F.ReadPrinterInfo(Info);
            break;
        }
        case 101: {
            TPimPrinterSetup Setup;
            Setup.ReadFromStream(S);
            break;
        }
        case 4:
            F.ReadSmallInt();
            break;
        case 5:
            break;
        case 21:
            F.ReadSmallInt();
            F.ReadSmallInt();
            F.ReadString();
            break;
        case 24:
            F.ReadSmallInt();
            F.ReadSmallInt();
            break;
        case 37:
            F.ReadRect();
            F.ReadSmallInt();
            F.ReadSmallInt();
            F.ReadString();
            F.ReadBoolean();
            if (F.PimFileHeader.Version > 1.0f) F.ReadRect();
            break;
        default:
            return;
        }
    }
}

} // namespace

TEST(PimFileFormat, ThousandsOfDamagedFilesLoadOrRaiseTheirError) {
    const std::vector<QByteArray> Seeds = {Saved(*Recorded()),  HandBuiltFile(1.0f), HandBuiltFile(2.0f),
                                           HandBuiltFile(3.0f), HandBuiltFile(4.0f), HandBuiltFile(5.0f)};
    std::mt19937 Rng(20261209);
    const int Rounds = 6000;
    int Loaded = 0;
    for (int Round = 0; Round < Rounds; ++Round) {
        QByteArray File = Seeds[size_t(Round) % Seeds.size()];
        Mutate(File, Rng);
        TPimPimFile F;
        try {
            Load(F, File);
        } catch (const Exception&) {
            EXPECT_EQ(F.PageCount(), 0);
            EXPECT_EQ(F.Stream(), nullptr);
            continue;
        }
        ++Loaded;
        TPimPrinterSetup Setup;
        for (int Page = 0; Page <= std::min(F.PageCount(), 3) + 1; ++Page) {
            try {
                F.GetPagePrinterInfo(&Setup, Page);
                if (Page >= 1 && Page <= F.PageCount()) WalkPage(F, Page - 1);
            } catch (const Exception&) {
            }
        }
        // Whatever loads saves into a sound file, and settles after one more round.
        const QByteArray Once = Saved(F);
        TPimPimFile Again;
        ASSERT_NO_THROW(Load(Again, Once)) << "round " << Round;
        const QByteArray Twice = Saved(Again);
        TPimPimFile Third;
        ASSERT_NO_THROW(Load(Third, Twice)) << "round " << Round;
        ASSERT_EQ(Saved(Third), Twice) << "round " << Round;
    }
    EXPECT_GT(Loaded, Rounds / 10);
}
