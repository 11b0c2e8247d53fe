#include "host/encoding.h"
#include "host/rtf.h"
#include "output/PimRtfP.h"
#include "support/pixelprobe.h"

#include <QCoreApplication>
#include <QEvent>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TDeviceCaps Caps(int Technology, int PixelsPerInch) {
    TDeviceCaps c;
    c.Technology = Technology;
    c.LogPixelsX = c.LogPixelsY = PixelsPerInch;
    c.HorzRes = c.PhysicalWidth = PixelsPerInch * 8;
    c.VertRes = c.PhysicalHeight = PixelsPerInch * 10;
    return c;
}

void LoadBytes(TPimRtfDraw& r, const QByteArray& Bytes) {
    TMemoryStream s;
    s.WriteBuffer(Bytes.constData(), Bytes.size());
    r.LoadFromStream(s);
}

QByteArray LongRtf() {
    QByteArray r = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman Times New Roman;}}"
                   "{\\colortbl;\\red0\\green0\\blue160;}";
    for (int i = 0; i < 9; ++i) {
        r += i % 2 ? "\\pard\\qj\\fi400\\f1\\fs22 " : "\\pard\\sa100\\f0\\fs20 ";
        for (int w = 0; w < 40; ++w)
            r += w % 6 == 2 ? "{\\b strong} " : w % 10 == 7 ? "{\\cf1 caf\\'e9}\\tab " : "word ";
        r += "\\par ";
    }
    return r + "}";
}

// The texts of the ExtTextOut calls of a log, in order.
QString DrawnText(const TDeviceLog& Log) {
    static const QRegularExpression Quoted(QStringLiteral("\"((?:[^\"\\\\]|\\\\.)*)\""));
    QString All;
    for (const QString& Call : Log.Only({"ExtTextOut"})) {
        QString t = Quoted.match(Call).captured(1);
        t.replace("\\\"", "\"").replace("\\\\", "\\");
        All += t;
    }
    return All;
}

QString WithoutLayoutCharacters(QString s) {
    s.remove(u'\r');
    s.remove(u'\v');
    s.remove(u'\t');
    return s;
}

} // namespace

TEST(PimRtfDraw, ScaleRectTurnsPixelsIntoTwips) {
    TPimRtfDraw r;
    r.SetPixelsPerInchX(96);
    r.SetPixelsPerInchY(96);
    EXPECT_EQ(r.ScaleRect(Rect(0, 0, 95, 95)), Rect(0, 0, 1439, 1439));
    EXPECT_EQ(r.ScaleRect(Rect(10, 20, 105, 29)), Rect(150, 300, 1589, 449));
    r.SetPixelsPerInchX(300);
    r.SetPixelsPerInchY(600);
    // 7 * 1440 / 300 = 33.6 and 13 * 1440 / 600 = 31.2 round to the nearest twip.
    EXPECT_EQ(r.ScaleRect(Rect(7, 13, 306, 612)), Rect(34, 31, 34 + 1440 - 1, 31 + 1440 - 1));
    // With no printer and no device, the rectangle is measured at the asked resolution alone.
    EXPECT_EQ(r.PScaleRect(Rect(0, 0, 299, 599), nullptr), Rect(0, 0, 1439, 1439));
}

TEST(PimRtfDraw, PScaleRectMapsAScreenToThePaperSizeOfItsText) {
    TPimRtfDraw r;
    r.SetPixelsPerInchX(96);
    r.SetPixelsPerInchY(96);
    auto Screen = DeviceContext::CreateRecording(Caps(DT_RASDISPLAY, 96));
    // 96 * 10 / 9 = 107 differs from 96: anisotropic mapping over the full resolution, and left,
    // top and width grow by 10/9 while the bottom stays.
    const TRect t = r.PScaleRect(Rect(90, 45, 180, 300), Screen.get());
    EXPECT_EQ(Screen->Log()->Calls,
              QStringList({"SetMapMode 8", "SetWindowExtEx 768 960", "SetViewportExtEx 689 861"}));
    EXPECT_EQ(Screen->GetMapMode(), MM_ANISOTROPIC);
    EXPECT_EQ(t, r.ScaleRect(Rect(100, 50, 200, 300)));
    // A renderer already at the screen's enlarged resolution leaves the mapping alone.
    r.SetPixelsPerInchX(107);
    r.SetPixelsPerInchY(107);
    auto Other = DeviceContext::CreateRecording(Caps(DT_RASDISPLAY, 96));
    EXPECT_EQ(r.PScaleRect(Rect(90, 45, 180, 300), Other.get()), r.ScaleRect(Rect(100, 50, 200, 300)));
    EXPECT_TRUE(Other->Log()->Calls.isEmpty());
    // Printers get the plain conversion.
    auto Printer = DeviceContext::CreateRecording(Caps(DT_RASPRINTER, 96));
    r.SetPixelsPerInchX(96);
    r.SetPixelsPerInchY(96);
    EXPECT_EQ(r.PScaleRect(Rect(90, 45, 180, 300), Printer.get()), r.ScaleRect(Rect(90, 45, 180, 300)));
    EXPECT_TRUE(Printer->Log()->Calls.isEmpty());
}

TEST(PimRtfDraw, LoadingRewindsTheStreamAndTakesTheTextLength) {
    TPimRtfDraw r;
    TMemoryStream s;
    const QByteArray Rtf = "{\\rtf1 one\\par two\\par}";
    s.WriteBuffer(Rtf.constData(), Rtf.size());
    EXPECT_EQ(s.Position(), s.Size());
    r.LoadFromStream(s);
    EXPECT_EQ(r.TextLength(), 7);
    EXPECT_EQ(r.RichEdit()->Text(), "one\rtwo");
    // A text variable's stream: UTF-16 with its mark, no markup.
    LoadBytes(r, StringToUtf16LE(QString::fromUtf8("Grüße\r\nan alle"), true));
    EXPECT_EQ(r.TextLength(), 13);
    r.Reset();
    EXPECT_EQ(r.TextLength(), 0);
    EXPECT_EQ(r.RangeStart(), -1);
    EXPECT_EQ(r.RangeEnd(), -1);
    EXPECT_EQ(r.PixelsPerInchX(), 0);
    EXPECT_EQ(r.Handle(), nullptr);
    EXPECT_FALSE(r.SetDefaultFont);
}

TEST(PimRtfDraw, PiecesOfALongTextJoinWithoutGapOrOverlap) {
    TPimRtfDraw r;
    r.Reset();
    r.SetPixelsPerInchX(300);
    r.SetPixelsPerInchY(300);
    r.SetOutRect(Bounds(100, 100, 600, 250));
    LoadBytes(r, LongRtf());
    QString Joined;
    int Pieces = 0;
    while (r.Position() < r.TextLength()) {
        const int n = r.PrintCount();
        const int h = r.Height();
        ASSERT_GT(n, 0);
        EXPECT_GT(h, 0);
        EXPECT_LE(h, 250 - 1);
        Joined += r.RichEdit()->Text(r.Position(), r.Position() + n);
        r.SetPosition(r.Position() + n);
        ++Pieces;
    }
    EXPECT_GT(Pieces, 4);
    EXPECT_EQ(Joined, r.RichEdit()->Text());
    // At the end nothing is measured.
    EXPECT_EQ(r.PrintCount(), 0);
    EXPECT_EQ(r.Height(), 0);
}

TEST(PimRtfDraw, ARectangleTooLowForOneLineStillTakesTheFirstLine) {
    TPimRtfDraw r;
    r.SetPixelsPerInchX(96);
    r.SetPixelsPerInchY(96);
    r.SetOutRect(Bounds(0, 0, 400, 2));
    LoadBytes(r, "{\\rtf1\\fs40 Big first line\\par second}");
    EXPECT_EQ(r.PrintCount(), 15);
    EXPECT_GT(r.Height(), 20);
    // Whole text in a roomy rectangle, measured again after the rectangle changed.
    r.SetOutRect(Bounds(0, 0, 400, 400));
    r.SetPosition(0);
    EXPECT_EQ(r.PrintCount(), r.TextLength());
}

TEST(PimRtfDraw, PrintDrawsExactlyTheRangeAndMovesPastIt) {
    auto Printer = DeviceContext::CreateRecording(Caps(DT_RASPRINTER, 300));
    const int Objects = GdiObjectCount();
    TPimRtfDraw r;
    r.SetPixelsPerInchX(300);
    r.SetPixelsPerInchY(300);
    r.SetOutRect(Bounds(150, 120, 1500, 600));
    r.SetRangeStart(37);
    r.SetRangeEnd(412);
    r.SetHandle(Printer.get());
    LoadBytes(r, LongRtf());
    Printer->SetTextColor(RGB(1, 2, 3));
    Printer->StartLog();
    Printer->Log()->Clear();
    r.Print();
    EXPECT_EQ(r.Position(), 412);
    const TDeviceLog& Log = *Printer->Log();
    EXPECT_EQ(DrawnText(Log), WithoutLayoutCharacters(r.RichEdit()->Text(37, 412)));
    EXPECT_EQ(Log.Calls.first(), "SaveDC");
    EXPECT_EQ(Log.Calls.last(), "RestoreDC 1");
    EXPECT_TRUE(Log.Calls.contains("SetMapMode 1"));
    // Text of no colour of its own takes the device's text colour; the blue run its own.
    EXPECT_FALSE(Log.Calls.filter("SetTextColor 0xA00000").isEmpty());
    // Every text starts inside the rectangle, and the first line near its top.
    bool First = true;
    for (const QString& Call : Log.Only({"ExtTextOut"})) {
        const QStringList f = Call.split(' ');
        const int x = f[1].toInt(), y = f[2].toInt();
        EXPECT_GE(x, 150);
        EXPECT_LT(x, 1650);
        EXPECT_GT(y, 120);
        if (First) {
            EXPECT_LT(y, 120 + 60);
        }
        First = false;
    }
    // Every font made for the drawing is freed again.
    EXPECT_EQ(GdiObjectCount(), Objects);
    // The range is done: printing again draws nothing.
    Printer->Log()->Clear();
    r.SetRangeStart(-1);
    r.SetPosition(r.TextLength());
    r.Print();
    EXPECT_TRUE(Printer->Log()->Calls.isEmpty());
}

TEST(PimRtfDraw, PrintedPiecesAddUpToTheWholeText) {
    auto Printer = DeviceContext::CreateRecording(Caps(DT_RASPRINTER, 300));
    TPimRtfDraw Measurer;
    Measurer.SetPixelsPerInchX(300);
    Measurer.SetPixelsPerInchY(300);
    Measurer.SetOutRect(Bounds(0, 0, 900, 300));
    LoadBytes(Measurer, LongRtf());
    Printer->StartLog();
    while (Measurer.Position() < Measurer.TextLength()) {
        const int p = Measurer.Position(), n = Measurer.PrintCount();
        // A fresh renderer for every piece, as the drawing surface makes one per call.
        TPimRtfDraw Piece;
        Piece.SetRangeStart(p);
        Piece.SetRangeEnd(p + n);
        Piece.SetPixelsPerInchX(300);
        Piece.SetPixelsPerInchY(300);
        Piece.SetOutRect(Bounds(0, 0, 900, 300));
        Piece.SetHandle(Printer.get());
        LoadBytes(Piece, LongRtf());
        const int Before = int(Printer->Log()->Only({"ExtTextOut"}).size());
        Piece.Print();
        EXPECT_EQ(Piece.Position(), p + n);
        // Nothing of the piece falls below its rectangle.
        const QStringList Texts = Printer->Log()->Only({"ExtTextOut"});
        for (qsizetype i = Before; i < Texts.size(); ++i)
            EXPECT_LT(Texts[i].split(' ')[2].toInt(), 300);
        Measurer.SetPosition(p + n);
    }
    EXPECT_EQ(DrawnText(*Printer->Log()), WithoutLayoutCharacters(Measurer.RichEdit()->Text()));
}

TEST(PimRtfDraw, DefaultFontGoesToTextWithoutAFontOfItsOwn) {
    auto Printer = DeviceContext::CreateRecording(Caps(DT_RASPRINTER, 96));
    TPimRtfDraw r;
    r.SetPixelsPerInchX(96);
    r.SetPixelsPerInchY(96);
    r.SetOutRect(Bounds(0, 0, 500, 100));
    r.SetHandle(Printer.get());
    TFont f;
    f.SetName("Courier New");
    f.SetSize(15);
    f.SetStyle(fsBold);
    r.SetFont(f);
    r.SetDefaultFont = true;
    LoadBytes(r, "plain text");
    Printer->StartLog();
    Printer->Log()->Clear();
    r.Print();
    EXPECT_EQ(Printer->Log()->Only({"SelectObject"}).first(),
              "SelectObject font \"Courier New\" -20 0 700 0 0 0 1 esc=0");
    EXPECT_EQ(DrawnText(*Printer->Log()), "plain text");
}

TEST(PimRtfDraw, OnAScreenTextKeepsItsPaperSizeAndPlace) {
    // The same text drawn on a 96-pixel screen (through the 10/9 mapping) and on a 96-pixel printer
    // covers the same pixels, give or take the rounding of the mapping.
    QRect Ink[2];
    for (int i = 0; i < 2; ++i) {
        auto DC = DeviceContext::CreateRecordingImage(Caps(i == 0 ? DT_RASDISPLAY : DT_RASPRINTER, 96));
        TPimRtfDraw r;
        r.SetPixelsPerInchX(96);
        r.SetPixelsPerInchY(96);
        r.SetOutRect(Bounds(90, 60, 300, 200));
        r.SetHandle(DC.get());
        LoadBytes(r, "{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 Some words that wrap in the rectangle given, "
                     "over a few lines of text.}");
        r.Print();
        Ink[i] = InkBounds(*DC->Image());
        EXPECT_EQ(DC->GetMapMode(), MM_TEXT);
    }
    ASSERT_FALSE(Ink[0].isEmpty());
    EXPECT_NEAR(Ink[0].left(), Ink[1].left(), 2);
    EXPECT_NEAR(Ink[0].top(), Ink[1].top(), 2);
    EXPECT_NEAR(Ink[0].right(), Ink[1].right(), 4);
    EXPECT_NEAR(Ink[0].bottom(), Ink[1].bottom(), 4);
    EXPECT_GE(Ink[1].left(), 90);
    EXPECT_LT(Ink[1].right(), 390);
}

TEST(PimRtfDraw, NothingIsDrawnWithoutADeviceOrText) {
    TPimRtfDraw r;
    r.SetPixelsPerInchX(96);
    r.SetPixelsPerInchY(96);
    r.SetOutRect(Bounds(0, 0, 100, 100));
    LoadBytes(r, "abc");
    r.Print(); // no device: nothing happens
    EXPECT_EQ(r.Position(), 0);
    auto Printer = DeviceContext::CreateRecording(Caps(DT_RASPRINTER, 96));
    r.SetHandle(Printer.get());
    LoadBytes(r, "");
    Printer->StartLog();
    Printer->Log()->Clear();
    r.Print();
    EXPECT_TRUE(Printer->Log()->Calls.isEmpty());
    EXPECT_EQ(r.PrintCount(), 0);
    EXPECT_EQ(r.Height(), 0);
}

// Drawing a piece is not a point where the application handles its events.
TEST(PimRtfDraw, PrintingHandlesNoPendingEvents) {
    struct TReceiver : QObject {
        int Count = 0;
        bool event(QEvent* e) override {
            if (e->type() != QEvent::User) return QObject::event(e);
            ++Count;
            return true;
        }
    } Receiver;
    QCoreApplication::postEvent(&Receiver, new QEvent(QEvent::User));
    auto Printer = DeviceContext::CreateRecording(Caps(DT_RASPRINTER, 96));
    TPimRtfDraw r;
    r.SetPixelsPerInchX(96);
    r.SetPixelsPerInchY(96);
    r.SetOutRect(Bounds(0, 0, 300, 300));
    r.SetHandle(Printer.get());
    LoadBytes(r, LongRtf());
    EXPECT_GT(r.PrintCount(), 0);
    r.Print();
    EXPECT_EQ(Receiver.Count, 0);
    QCoreApplication::sendPostedEvents(&Receiver);
    EXPECT_EQ(Receiver.Count, 1);
}

TEST(PimRtfDraw, PrintingIntoAPdfKeepsTheWordsInOrder) {
    const QString Tool = QStandardPaths::findExecutable("pdftotext");
    if (Tool.isEmpty()) GTEST_SKIP() << "pdftotext is not installed";
    QTemporaryDir Dir;
    const QString File = Dir.filePath("rich.pdf");
    {
        auto Pdf = DeviceContext::CreatePdf(File, QSizeF(210, 297), 300);
        TPimRtfDraw r;
        r.SetPixelsPerInchX(300);
        r.SetPixelsPerInchY(300);
        r.SetOutRect(Bounds(150, 150, 1800, 1200));
        r.SetHandle(Pdf.get());
        LoadBytes(r, "{\\rtf1{\\fonttbl{\\f0 Times New Roman;}}\\f0\\fs24 Caf\\'e9 au lait,{\\b  bold} and "
                     "\\u8364? prices.\\par\\qr Right side}");
        r.Print();
        EXPECT_EQ(r.Position(), r.TextLength());
        Pdf->EndDoc();
    }
    QProcess p;
    p.start(Tool, {"-layout", File, "-"});
    ASSERT_TRUE(p.waitForFinished(30000));
    const QString Text = QString::fromUtf8(p.readAllStandardOutput()).simplified();
    EXPECT_TRUE(Text.contains(QString::fromUtf8("Café au lait, bold and € prices."))) << Text.toStdString();
    EXPECT_TRUE(Text.contains("Right side")) << Text.toStdString();
}
