// Writes a few sound inputs of every kind the harnesses read, one folder per harness, so that
// fuzzing starts from real files instead of having to find their magic numbers first.
#include "host/graphics.h"
#include "output/PimFile.h"
#include "output/PimSetup.h"
#include "output/PimUtil.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <cstdio>
#include <cstring>

namespace {

QString GRoot;

void Put(const QString& Harness, const QString& Name, const QByteArray& Bytes) {
    QDir().mkpath(GRoot + u'/' + Harness);
    QFile F(GRoot + u'/' + Harness + u'/' + Name);
    if (!F.open(QIODevice::WriteOnly) || F.write(Bytes) != Bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(F.fileName()));
        std::exit(1);
    }
}

QByteArray BytesOf(TMemoryStream& M) {
    return QByteArray(reinterpret_cast<const char*>(M.Memory()), qsizetype(M.Size()));
}

QByteArray Utf16(const QString& Text) {
    QByteArray B;
    for (QChar C : Text) {
        B.append(char(C.unicode() & 0xFF));
        B.append(char(C.unicode() >> 8));
    }
    return B;
}

QByteArray Encoded(const QImage& Image, const char* Format) {
    QByteArray B;
    QBuffer Buffer(&B);
    Buffer.open(QIODevice::WriteOnly);
    Image.save(&Buffer, Format);
    return B;
}

// An eight-bit bitmap with a short colour table, its rows run-length coded.
QByteArray Rle8Bitmap() {
    const QByteArray Bits = QByteArray::fromHex("0300 0201 0001 0401 0001 0001");
    QByteArray B = QByteArray::fromHex("424d 00000000 00000000 36000000"
                                       "28000000 04000000 02000000 0100 0800 01000000 00000000"
                                       "c40e0000 c40e0000 02000000 00000000"
                                       "ff000000 0000ff00");
    B += Bits;
    const uint32_t Size = uint32_t(B.size()), Offset = 14 + 40 + 8;
    std::memcpy(B.data() + 2, &Size, 4);
    std::memcpy(B.data() + 10, &Offset, 4);
    return B;
}

QByteArray Document(const QByteArray& Picture) {
    TPimPimFile F;
    F.SetPixelsPerInchX(96);
    F.SetPixelsPerInchY(96);
    F.BeginDoc();
    TFont Font;
    Font.SetName(QStringLiteral("Arial"));
    Font.SetSize(10);
    F.SetFont(Font);
    TPen Pen;
    Pen.SetWidth(2);
    F.SetPen(Pen);
    TBrush Brush;
    Brush.SetColor(clYellow);
    F.SetBrush(Brush);
    F.SetTextAlign(24);
    F.Textout(10, 20, QStringLiteral("Total"));
    const char16_t Text[] = u"abc";
    F.PTextout(5, 5, Text, 3);
    F.ExtTextout(3, 4, 6, TRect{1, 2, 30, 12}, Text, 3);
    F.TextRect(TRect{0, 0, 50, 10}, 1, 1, QStringLiteral("boxed"));
    F.MoveTo(5, 7);
    F.LineTo(50, 7);
    F.FillRect(TRect{10, 10, 21, 21});
    F.Rectangle(10, 40, 60, 70);
    F.RoundRect(1, 2, 30, 40, 5, 5);
    F.Ellipse(3, 3, 40, 20);
    F.ShadeRect(TRect{0, 0, 20, 20}, spMedium);
    F.SetBkColor(0xFFFFFF);
    F.TextJustify(TRect{0, 50, 100, 60}, 0, 50, QStringLiteral("a justified line"), false,
                  TRect{0, 50, 100, 80});
    TMemoryStream Bmp;
    Bmp.WriteBuffer(Picture.constData(), Picture.size());
    F.DrawBitmap(4, 90, &Bmp);
    F.StretchDrawBitmap(TRect{20, 90, 60, 120}, &Bmp);
    TMemoryStream Rtf;
    const QByteArray R("{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 Hello \\b bold\\b0\\par world}");
    Rtf.WriteBuffer(R.constData(), R.size());
    F.RtfDraw(TRect{0, 130, 150, 160}, &Rtf, 0, -1, true);
    F.DrawCheckBox(TRect{100, 10, 110, 20}, acsCheck, clBlack, 2);
    F.DrawShapeType(dtPie, 10, 10, 60, 60, 60, 35, 35, 10);
    const TPoint Points[] = {{1, 1}, {40, 5}, {20, 30}};
    F.PolyDrawType(ptPolygon, Points, 3);
    F.Print3of9Barcode(5, 170, 100, 20, 1, 3, false, false, QStringLiteral("AB12"));
    F.Print2of5Barcode(5, 190, 100, 20, 10, 30, true, false, QStringLiteral("1234"));
    F.NewPage();
    TPimFilePrinterInfo Info;
    F.PimPrinterSetup()->GetPrintInfo(Info);
    F.WritePrinterInfo(Info);
    F.Textout(1, 1, QStringLiteral("second"));
    F.EndDoc();
    TMemoryStream M;
    F.SaveToStream(M);
    return BytesOf(M);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication App(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzzseeds FOLDER\n");
        return 2;
    }
    GRoot = QString::fromLocal8Bit(argv[1]);

    QImage Image(5, 3, QImage::Format_RGB32);
    Image.fill(Qt::blue);
    Image.setPixel(1, 1, qRgb(255, 0, 0));
    const QByteArray Bmp = Encoded(Image, "BMP");
    Put(QStringLiteral("fuzz_picture"), QStringLiteral("rgb.bmp"), Bmp);
    Put(QStringLiteral("fuzz_picture"), QStringLiteral("rle8.bmp"), Rle8Bitmap());
    Put(QStringLiteral("fuzz_picture"), QStringLiteral("indexed.bmp"),
        Encoded(Image.convertToFormat(QImage::Format_Indexed8), "BMP"));
    Put(QStringLiteral("fuzz_picture"), QStringLiteral("p.png"), Encoded(Image, "PNG"));
    Put(QStringLiteral("fuzz_picture"), QStringLiteral("p.jpg"), Encoded(Image, "JPEG"));

    Put(QStringLiteral("fuzz_document"), QStringLiteral("v5.pim"), Document(Rle8Bitmap()));

    Put(QStringLiteral("fuzz_rtf"), QStringLiteral("plain.rtf"),
        "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1 Times New Roman;}}"
        "{\\colortbl;\\red255\\green0\\blue0;}\\pard\\li720\\sb120\\sl-240\\tx1440\\f0\\fs24 Hello "
        "\\cf1\\b bold\\b0\\cf0\\tab\\i italic\\i0\\line next\\par"
        "{\\pntext\\'b7\\tab}{\\*\\pn\\pnlvlblt}\\fi-360\\li360 item\\u8364?\\par}");
    Put(QStringLiteral("fuzz_rtf"), QStringLiteral("text.txt"), "just words\r\nand a line");

    TPimPrinterSetup Setup;
    Setup.SetCopies(2);
    Setup.SetLength(11.5);
    Setup.SetWidth(8.25);
    Setup.SetScale(50);
    Setup.SetCollatedCopies(false);
    Setup.SetFormName(QStringLiteral("Letter"));
    TMemoryStream Block;
    Setup.WriteToStream(Block);
    Put(QStringLiteral("fuzz_setupblock"), QStringLiteral("block"), BytesOf(Block).mid(2));

    Put(QStringLiteral("fuzz_stringlist"), QStringLiteral("comma"), Utf16(QStringLiteral("a, \"b c\",\"d\"\"e\"\r\nx=1")));

    auto Format = [](int Kind, double Value, const QString& Pattern) {
        QByteArray B(1, char(Kind));
        B.append(reinterpret_cast<const char*>(&Value), sizeof Value);
        return B + Utf16(Pattern);
    };
    Put(QStringLiteral("fuzz_format"), QStringLiteral("float"), Format(0, -1234.5678, QStringLiteral("#,##0.00;(#,##0.00);'zero'")));
    Put(QStringLiteral("fuzz_format"), QStringLiteral("exp"), Format(0, 6.02e23, QStringLiteral("0.###E+00")));
    Put(QStringLiteral("fuzz_format"), QStringLiteral("date"), Format(2, 45000.75, QStringLiteral("dddd, d mmmm yyyy hh:nn:ss.zzz am/pm")));
    Put(QStringLiteral("fuzz_format"), QStringLiteral("mask"), Format(3, 0, QStringLiteral("!(999) 000-0000;1;_")));
    Put(QStringLiteral("fuzz_format"), QStringLiteral("parse"), Format(6, 0, QStringLiteral("12/31/2024 23:59:59")));
    return 0;
}
