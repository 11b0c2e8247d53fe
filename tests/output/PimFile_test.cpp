#include "host/exceptions.h"
#include "host/graphic.h"
#include "host/streams.h"
#include "host/tempfiles.h"
#include "output/PimFile.h"
#include "output/PimSetup.h"
#include "output/PimTypes.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <functional>
#include "support/devices.h"
#include <gtest/gtest.h>

namespace {

QByteArray Hex(const char* Text) {
    return QByteArray::fromHex(Text);
}

QByteArray AllOf(TStream& S) {
    const int64_t Pos = S.Position();
    QByteArray B(int(S.Size()), '\0');
    S.SetPosition(0);
    S.ReadBuffer(B.data(), B.size());
    S.SetPosition(Pos);
    return B;
}

// The page stream of a fresh document begins with its printer setup block and the page start.
const char* const SetupBlock = "6500 10000000 0000 0100 0100 0100 0600 0100 0900 0100";
const char* const FirstPage = "6500 10000000 0000 0100 0100 0100 0600 0100 0900 0100 0500";

// The bytes one call adds to the page stream of a running document.
QByteArray Recorded(const std::function<void(TPimPimFile&)>& Call) {
    TPimPimFile F;
    F.BeginDoc();
    const int64_t Before = F.Stream()->Size();
    Call(F);
    return AllOf(*F.Stream()).mid(int(Before));
}

} // namespace

TEST(PimTypes, RecordsHaveTheirExactBytes) {
    TPimLogFont F;
    F.Color = 0x00123456;
    F.Size = 10;
    F.Italic = 1;
    F.Escapement = 900;
    F.Weight = 700;
    F.CharSet = 1;
    F.PitchAndFamily = 0x22;
    PimSetWideField(F.Name, PimFontNameLength, QStringLiteral("Arial"));
    TMemoryStream M;
    PimWriteLogFont(M, F);
    QByteArray Expected = Hex("56341200 0a00 01 00 00 8403 bc02 01 00 00 00 22 4100720069006100 6c00");
    Expected.append(QByteArray(82 - Expected.size(), '\0'));
    EXPECT_EQ(AllOf(M).toHex(' '), Expected.toHex(' '));

    TMemoryStream P;
    PimWriteLogPen(P, TPimLogPen{0x0000FF, 2, 3, 4});
    PimWriteLogBrush(P, TPimLogBrush{0x00FF00, 6});
    EXPECT_EQ(AllOf(P).toHex(' '), Hex("ff000000 02 0300 04 00ff0000 06").toHex(' '));

    TPimFilePrinterInfo I;
    I.Orientation = 2;
    I.PaperSize = 9;
    I.Length = 11.0;
    I.Width = 8.5;
    I.Copies = 3;
    I.PrintQuality = -4;
    I.CollatedCopies = true;
    TMemoryStream Q;
    PimWriteFilePrinterInfo(Q, I);
    EXPECT_EQ(Q.Size(), PimFilePrinterInfoSize);
    EXPECT_EQ(AllOf(Q).toHex(' '),
              Hex("0200 0900 0000000000002640 0000000000002140 0000 0300 0000 fcff 0000 0000 0000 0000 01")
                  .toHex(' '));
    Q.SetPosition(0);
    TPimFilePrinterInfo Back;
    PimReadFilePrinterInfo(Q, Back);
    EXPECT_EQ(Back.PrintQuality, -4);
    EXPECT_EQ(Back.Length, 11.0);
    EXPECT_TRUE(Back.CollatedCopies);
}

TEST(PimTypes, FontsDifferingOnlyAfterTheNameTerminatorAreEqual) {
    TPimLogFont A, B;
    PimSetWideField(A.Name, PimFontNameLength, QStringLiteral("Arial"));
    PimSetWideField(B.Name, PimFontNameLength, QStringLiteral("Arial"));
    B.Name[10] = u'x';
    EXPECT_TRUE(PimLogFontEqual(A, B));
    B.Name[0] = u'a';
    EXPECT_FALSE(PimLogFontEqual(A, B));
}

TEST(PimTypes, LongFontNamesAreCutTo31Characters) {
    TPimLogFont F;
    PimSetWideField(F.Name, PimFontNameLength, QString(40, QLatin1Char('N')));
    EXPECT_EQ(PimWideFieldText(F.Name, PimFontNameLength), QString(31, QLatin1Char('N')));
    EXPECT_EQ(F.Name[31], 0);
}

TEST(PimPimFile, OnePageDocumentIsSetupStartRecordsEnd) {
    TPimPimFile F;
    F.BeginDoc();
    EXPECT_TRUE(F.Running());
    F.SetFont(MakeFont(QStringLiteral("Arial"), 10));
    F.Textout(10, 20, QStringLiteral("Hi"));
    F.EndDoc();
    EXPECT_FALSE(F.Running());
    EXPECT_EQ(F.PercentDone(), 100);
    QByteArray Expected = Hex(FirstPage);
    Expected += Hex("0400 0000  1500 0a00 1400 04000000 4800 6900  0600");
    EXPECT_EQ(AllOf(*F.Stream()).toHex(' '), Expected.toHex(' '));
    ASSERT_EQ(F.PageCount(), 1);
    EXPECT_EQ(F.PagePosition(0)->Pos, 0);
    EXPECT_EQ(F.PimFileInfo.Pages, 1);
    EXPECT_EQ(F.PimFileInfo.Objects, 1);
}

TEST(PimPimFile, EveryNewPageReselectsTheFontPenAndBrushInForce) {
    TPimPimFile F;
    F.BeginDoc();
    F.SetFont(MakeFont(QStringLiteral("Arial"), 10));
    F.SetPen(MakePen(clRed, 2));
    F.SetBrush(MakeBrush(clYellow, bsSolid));
    F.MoveTo(1, 2);
    F.NewPage();
    F.LineTo(3, 4);
    F.NewPage();
    F.EndDoc();

    const QByteArray Reselect = Hex("0400 0000 0400 0100 0400 0200");
    QByteArray Expected = Hex(FirstPage) + Reselect + Hex("1700 0100 0200");
    const int Page2 = int(Expected.size()) + 2;
    Expected += Hex("0600") + Hex(SetupBlock) + Hex("0500") + Reselect + Hex("1800 0300 0400");
    const int Page3 = int(Expected.size()) + 2;
    Expected += Hex("0600") + Hex(SetupBlock) + Hex("0500") + Reselect + Hex("0600");
    EXPECT_EQ(AllOf(*F.Stream()).toHex(' '), Expected.toHex(' '));
    ASSERT_EQ(F.PageCount(), 3);
    EXPECT_EQ(F.PagePosition(1)->Pos, Page2);
    EXPECT_EQ(F.PagePosition(2)->Pos, Page3);
}

TEST(PimPimFile, NewPageWithNothingSelectedWritesNoSelection) {
    TPimPimFile F;
    F.BeginDoc();
    F.NewPage();
    EXPECT_EQ(AllOf(*F.Stream()).toHex(' '), (Hex(FirstPage) + Hex("0600") + Hex(FirstPage)).toHex(' '));
}

TEST(PimPimFile, ObjectTableKeepsEachDistinctObjectOnce) {
    TPimPimFile F;
    F.BeginDoc();
    const TFont Normal = MakeFont(QStringLiteral("Arial"), 10);
    const TFont Bold = MakeFont(QStringLiteral("Arial"), 10, fsBold);
    F.SetFont(Normal);
    F.SetFont(Normal);
    EXPECT_EQ(F.Objects()->size(), 1u);
    F.SetFont(Bold);
    F.SetPen(MakePen(clBlack, 1));
    F.SetBrush(MakeBrush(clBlack, bsSolid));
    F.SetFont(Normal);
    ASSERT_EQ(F.Objects()->size(), 4u);
    EXPECT_EQ(F.CurrFont(), 0);
    EXPECT_EQ(F.CurrPen(), 2);
    EXPECT_EQ(F.CurrBrush(), 3);
    const TPimPimFileObjects& T = *F.Objects();
    EXPECT_EQ(T[0]->ObjectType, aotFont);
    EXPECT_EQ(T[0]->LogFont.Weight, 400);
    EXPECT_EQ(T[1]->LogFont.Weight, 700);
    EXPECT_EQ(T[0]->LogFont.Size, 10);
    EXPECT_EQ(PimWideFieldText(T[0]->LogFont.Name, PimFontNameLength), QStringLiteral("Arial"));
    EXPECT_EQ(T[2]->ObjectType, aotPen);
    EXPECT_EQ(T[3]->ObjectType, aotBrush);
    // Two selections of the same font: two records with the same index.
    EXPECT_EQ(AllOf(*F.Stream()).mid(24).toHex(' '),
              Hex("0400 0000 0400 0000 0400 0100 0400 0200 0400 0300 0400 0000").toHex(' '));
}

TEST(PimPimFile, ObjectTableRefusesMoreEntriesThanAnIndexCanCarry) {
    TPimPimFile F;
    F.BeginDoc();
    for (int i = 0; i < TPimPimFile::MaxObjects; ++i)
        F.SetPen(MakePen(TColor(i), 1));
    EXPECT_EQ(int(F.Objects()->size()), TPimPimFile::MaxObjects);
    F.SetPen(MakePen(TColor(5), 1)); // an existing one is still found
    try {
        F.SetPen(MakePen(TColor(TPimPimFile::MaxObjects), 1));
        FAIL() << "no error for a table past its index range";
    } catch (const Exception& E) {
        EXPECT_TRUE(E.Message().contains(QStringLiteral("32768")));
    }
}

TEST(PimPimFile, RecordWritersWriteTheirPayloads) {
    const TRect R = Rect(1, 2, 3, 4);
    const QByteArray RB = Hex("0100 0200 0300 0400");
    auto Check = [](const QByteArray& Got, const QByteArray& Want) {
        EXPECT_EQ(Got.toHex(' '), Want.toHex(' '));
    };

    Check(Recorded([](TPimPimFile& F) { F.SetTextAlign(24); }), Hex("1400 1800"));
    Check(Recorded([](TPimPimFile& F) { F.Textout(-1, 70000, QString()); }), Hex("1500 ffff 7011 00000000"));
    const char16_t Abc[] = u"abc";
    Check(Recorded([&](TPimPimFile& F) { F.PTextout(5, 6, Abc, 2); }),
          Hex("1900 0500 0600 02000000 6100 6200"));
    Check(Recorded([&](TPimPimFile& F) { F.ExtTextout(5, 6, 6, R, Abc, 1); }),
          Hex("1a00 0500 0600 0600") + RB + Hex("01000000 6100"));
    Check(Recorded([&](TPimPimFile& F) { F.TextRect(R, 7, 8, QStringLiteral("A")); }),
          Hex("1b00") + RB + Hex("0700 0800 02000000 4100"));
    Check(Recorded([&](TPimPimFile& F) { F.FillRect(R); }), Hex("1c00") + RB);
    Check(Recorded([](TPimPimFile& F) { F.Rectangle(1, 2, 3, 4); }), Hex("1d00 0100 0200 0300 0400"));
    Check(Recorded([](TPimPimFile& F) { F.RoundRect(1, 2, 3, 4, 5, 6); }),
          Hex("1e00 0100 0200 0300 0400 0500 0600"));
    Check(Recorded([](TPimPimFile& F) { F.Ellipse(1, 2, 3, 4); }), Hex("1f00 0100 0200 0300 0400"));
    Check(Recorded([&](TPimPimFile& F) { F.ShadeRect(R, spMedium); }), Hex("2200") + RB + Hex("0400"));
    Check(Recorded([](TPimPimFile& F) { F.SetBkColor(0x00ABCDEF); }), Hex("2300 efcdab00"));
    Check(Recorded(
              [&](TPimPimFile& F) { F.TextJustify(R, 9, 10, QStringLiteral("B"), true, Rect(5, 6, 7, 8)); }),
          Hex("2500") + RB + Hex("0900 0a00 02000000 4200 01 0500 0600 0700 0800"));
    Check(Recorded([&](TPimPimFile& F) { F.DrawCheckBox(R, acsCheck, clRed, 3); }),
          Hex("2900") + RB + Hex("0100 ff000000 0300"));
    Check(Recorded([](TPimPimFile& F) { F.DrawShapeType(dtPie, 1, 2, 3, 4, 5, 6, 7, 8); }),
          Hex("2a00 0200 01000000 03000000 05000000 07000000 02000000 04000000 06000000 08000000"));
    const TPoint Pts[3] = {{1, 2}, {3, 4}, {-5, 6}};
    Check(Recorded([&](TPimPimFile& F) { F.PolyDrawType(ptPolygon, Pts, 3); }),
          Hex("2b00 0000 0300 01000000 02000000 03000000 04000000 fbffffff 06000000"));
    Check(Recorded(
              [](TPimPimFile& F) { F.Print3of9Barcode(1, 2, 3, 4, 5, 6, true, false, QStringLiteral("7")); }),
          Hex("2c00 0100 0200 0300 0400 0500 0600 01 00 02000000 3700"));
    Check(Recorded([](TPimPimFile& F) { F.Print2of5Barcode(1, 2, 3, 4, 5, 6, false, true, QString()); }),
          Hex("2d00 0100 0200 0300 0400 0500 0600 00 01 00000000"));
    TPimFilePrinterInfo Info;
    Info.CollatedCopies = true;
    const QByteArray InfoRecord = Recorded([&](TPimPimFile& F) { F.WritePrinterInfo(Info); });
    EXPECT_EQ(InfoRecord.size(), 2 + 37);
    EXPECT_EQ(InfoRecord.left(2), Hex("6400"));
}

TEST(PimPimFile, StreamRecordsCarryTheWholeStream) {
    TMemoryStream Bmp;
    Bmp.WriteBuffer("BMxyz", 5);
    EXPECT_EQ(Recorded([&](TPimPimFile& F) { F.DrawBitmap(3, 4, &Bmp); }).toHex(' '),
              Hex("2600 0300 0400 05000000 424d78797a").toHex(' '));
    EXPECT_EQ(Recorded([&](TPimPimFile& F) { F.StretchDrawBitmap(Rect(1, 2, 3, 4), &Bmp); }).toHex(' '),
              Hex("2700 0100 0200 0300 0400 05000000 424d78797a").toHex(' '));

    TMemoryStream Rtf;
    const QByteArray Text(100, 'r');
    Rtf.WriteBuffer(Text.constData(), Text.size());
    const QByteArray R = Recorded([&](TPimPimFile& F) { F.RtfDraw(Rect(1, 2, 3, 4), &Rtf, 7, -1, true); });
    EXPECT_EQ(R.left(2 + 4 + 8 + 1 + 4 + 4 + 4).toHex(' '),
              Hex("2800 7d000000 0100 0200 0300 0400 01 07000000 ffffffff 64000000").toHex(' '));
    EXPECT_EQ(R.mid(27), Text);

    TMemoryStream Empty;
    EXPECT_TRUE(Recorded([&](TPimPimFile& F) {
                    F.DrawBitmap(1, 1, &Empty);
                    F.StretchDrawBitmap(Rect(1, 1, 2, 2), nullptr);
                    F.RtfDraw(Rect(1, 1, 2, 2), &Empty, 0, 0, false);
                    F.Draw(1, 1, nullptr);
                }).isEmpty());
}

TEST(PimPimFile, GraphicsAreRecordedWithTheirKind) {
    QImage Image(2, 2, QImage::Format_RGB32);
    Image.fill(Qt::red);
    QByteArray Bmp;
    QBuffer Buffer(&Bmp);
    Buffer.open(QIODevice::WriteOnly);
    Image.save(&Buffer, "BMP");
    TMemoryStream In;
    In.WriteBuffer(Bmp.constData(), Bmp.size());
    In.SetPosition(0);
    TBitmap Bitmap;
    Bitmap.LoadFromStream(In);
    TMemoryStream Saved;
    Bitmap.SaveToStream(Saved);
    const QByteArray Bytes = AllOf(Saved);
    ASSERT_FALSE(Bytes.isEmpty());
    const QByteArray R = Recorded([&](TPimPimFile& F) { F.Draw(5, 6, &Bitmap); });
    QByteArray Size(4, '\0');
    PutUInt32LE(reinterpret_cast<uint8_t*>(Size.data()), uint32_t(Bytes.size()));
    EXPECT_EQ(R.toHex(' '), (Hex("2000 0500 0600 0100") + Size + Bytes).toHex(' '));
    const QByteArray S = Recorded([&](TPimPimFile& F) { F.StretchDraw(Rect(1, 2, 3, 4), &Bitmap); });
    EXPECT_EQ(S.left(12).toHex(' '), Hex("2100 0100 0200 0300 0400 0100").toHex(' '));
}

TEST(PimPimFile, PrimitivesReadBackWhatTheyWrite) {
    TPimPimFile F;
    F.BeginDoc();
    const int64_t Start = F.Stream()->Position();
    F.WriteType(1000);
    F.WriteSmallInt(-2);
    F.WriteLongInt(-3);
    F.WriteBoolean(true);
    F.WriteRect(Rect(-1, 2, -3, 4));
    F.WriteString(QStringLiteral("Grüße"));
    const char16_t Chars[] = u"xy";
    F.WritePChar(Chars, 2);
    TMemoryStream Blob;
    Blob.WriteBuffer("abc", 3);
    F.WriteStream(Blob);

    F.Stream()->SetPosition(Start);
    EXPECT_EQ(F.ReadType(), 1000);
    EXPECT_EQ(F.ReadSmallInt(), -2);
    EXPECT_EQ(F.ReadLongInt(), -3);
    EXPECT_TRUE(F.ReadBoolean());
    EXPECT_EQ(F.ReadRect(), Rect(-1, 2, -3, 4));
    EXPECT_EQ(F.ReadString(), QStringLiteral("Grüße"));
    char16_t Back[2];
    F.ReadPChar(Back, 2);
    EXPECT_EQ(Back[1], u'y');
    TMemoryStream Out;
    F.ReadStream(Out);
    EXPECT_EQ(AllOf(Out), QByteArray("abc"));
    EXPECT_THROW(F.ReadWord(), EReadError);
}

TEST(PimPimFile, WritingBeforeTheDocumentStartsRaises) {
    TPimPimFile F;
    EXPECT_THROW(F.Textout(1, 1, QStringLiteral("x")), Exception);
    EXPECT_THROW(F.SetFont(TFont()), Exception);
    F.EndDoc(); // nothing to close
    EXPECT_FALSE(F.Running());
}

TEST(PimPimFile, SavedFileHasHeaderInfoSetupUserDataOffsetsObjectsAndPages) {
    TPimPimFile F;
    F.SetPixelsPerInchX(300);
    F.SetPixelsPerInchY(600);
    F.SetDescription(QString(150, QLatin1Char('d')));
    F.BeginDoc();
    TMemoryStream User;
    User.WriteBuffer("UD", 2);
    User.SetPosition(0);
    F.SetUserStream(User);
    F.SetPen(MakePen(clRed, 2));
    F.NewPage();
    F.EndDoc();

    TMemoryStream Out;
    F.SaveToStream(Out);
    const QByteArray B = AllOf(Out);
    const QByteArray Pages = AllOf(*F.Stream());

    QByteArray Header = Hex("50494d cf8a0100 0000a040");
    QByteArray Len(4, '\0');
    const int HeaderLen = 217 + 10 + 22 + 4 + 2 + 2 * 4 + 2 + 8;
    PutUInt32LE(reinterpret_cast<uint8_t*>(Len.data()), HeaderLen);
    Header += Len;
    for (int i = 0; i < 100; ++i)
        Header += Hex("6400");
    Header += Hex("0000");
    ASSERT_EQ(Header.size(), 217);
    QByteArray Expected = Header;
    Expected += Hex("02000000 0100 2c01 5802");
    Expected += Hex(SetupBlock);
    Expected += Hex("02000000 5544");
    QByteArray Second(4, '\0');
    PutUInt32LE(reinterpret_cast<uint8_t*>(Second.data()), uint32_t(F.PagePosition(1)->Pos));
    Expected += Hex("00000000") + Second;
    Expected += Hex("0200 ff000000 00 0200 04");
    ASSERT_EQ(Expected.size(), HeaderLen);
    Expected += Pages;
    EXPECT_EQ(B.toHex(' '), Expected.toHex(' '));
    EXPECT_EQ(F.PimFileHeader.HeaderLen, HeaderLen);
}

TEST(PimPimFile, EndDocWritesTheFileWithTheSetupOfTheStart) {
    const QString Name = CreateTempFileName();
    TPimPimFile F;
    F.SetFileName(Name);
    F.SetCreateFile(true);
    F.BeginDoc();
    F.Textout(1, 2, QStringLiteral("x"));
    F.PimPrinterSetup()->SetCopies(4); // a later page's setting, not the document's
    F.NewPage();
    F.EndDoc();
    TPimPrinterSetup Start;
    F.SetPimPrinterSetup(&Start);
    TMemoryStream Saved;
    F.SaveToStream(Saved);
    TMemoryStream FromFile;
    FromFile.LoadFromFile(Name);
    EXPECT_EQ(AllOf(FromFile).toHex(' '), AllOf(Saved).toHex(' '));
    EXPECT_EQ(AllOf(FromFile).mid(227, 22).toHex(' '), Hex(SetupBlock).toHex(' '));
    QFile::remove(Name);
}

TEST(PimPimFile, FailedEndDocStopsRunningAndLeavesNoFile) {
    TPimPimFile F;
    F.SetFileName(QStringLiteral("/nonexistent-dir/doc.pim"));
    F.SetCreateFile(true);
    F.BeginDoc();
    EXPECT_THROW(F.EndDoc(), Exception);
    EXPECT_FALSE(F.Running());
    EXPECT_FALSE(QFile::exists(QStringLiteral("/nonexistent-dir/doc.pim")));
    EXPECT_EQ(AllOf(*F.Stream()).right(2), Hex("0600"));
}

TEST(PimPimFile, AbortDocClosesWithoutWritingTheFile) {
    const QString Name = CreateTempFileName();
    QFile::remove(Name);
    TPimPimFile F;
    F.SetFileName(Name);
    F.SetCreateFile(true);
    F.BeginDoc();
    F.AbortDoc();
    EXPECT_FALSE(F.Running());
    EXPECT_FALSE(QFile::exists(Name));
}

TEST(PimPimFile, BeginDocStartsAfreshAndClearDropsTheTable) {
    TPimPimFile F;
    F.BeginDoc();
    F.SetPen(MakePen(clRed, 1));
    F.NewPage();
    F.EndDoc();
    F.BeginDoc();
    EXPECT_EQ(F.PageCount(), 1);
    EXPECT_EQ(F.Objects()->size(), 0u);
    EXPECT_EQ(F.CurrPen(), -1);
    F.EndDoc();
    F.Clear();
    EXPECT_EQ(F.Objects(), nullptr);
    EXPECT_EQ(F.Stream(), nullptr);
    TMemoryStream Out;
    F.SaveToStream(Out);
    EXPECT_EQ(Out.Size(), 0);
}

TEST(PimPimFile, PageSizeFollowsTheSetupAtTheDocumentResolution) {
    TPimPimFile F;
    F.SetPixelsPerInchX(100);
    F.SetPixelsPerInchY(200);
    F.PimPrinterSetup()->SetWidth(8.5);
    F.PimPrinterSetup()->SetLength(11);
    EXPECT_EQ(F.PageWidth(), 850);
    EXPECT_EQ(F.PageHeight(), 2200);
}

TEST(PimPimFileObject, WritesKindCodeAndRecordAndReadsThemBack) {
    TPimPimFileObject Pen;
    Pen.ObjectType = aotPen;
    Pen.LogPen = TPimLogPen{1, 2, 3, 4};
    TPimPimFileObject Brush;
    Brush.ObjectType = aotBrush;
    Brush.LogBrush = TPimLogBrush{5, 1};
    TPimPimFileObject None;
    TMemoryStream M;
    Pen.Write(M);
    Brush.Write(M);
    None.Write(M);
    EXPECT_EQ(AllOf(M).toHex(' '), Hex("0200 01000000 02 0300 04 0300 05000000 01").toHex(' '));
    M.WriteUInt16(9);
    M.SetPosition(0);
    TPimPimFileObject A, B, C;
    A.Read(M);
    B.Read(M);
    C.Read(M);
    EXPECT_EQ(A.ObjectType, aotPen);
    EXPECT_EQ(A.LogPen, Pen.LogPen);
    EXPECT_EQ(B.LogBrush, Brush.LogBrush);
    EXPECT_EQ(C.ObjectType, aotNone);
}
