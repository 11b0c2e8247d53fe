// The main job: draws a sample document of three pages through the drawing surface, records it to
// <out>/sample.pim, loads that file back, prints it on the "PDF file" printer to <out>/sample.pdf and
// plays its first page into a 96 pixels-per-inch image, <out>/sample-page1.png.
#include "examplejobs.h"
#include "host/exceptions.h"
#include "host/graphic.h"
#include "host/streams.h"
#include "output/PimFile.h"
#include "output/PimOut.h"
#include "output/PimSetup.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QRadialGradient>
#include <cstdio>
#include <memory>

namespace {

// The document is recorded at 96 units per inch on the A4 paper of the "PDF file" printer: 794 x 1123
// units, half an inch of margin all round.
constexpr int Left = 48;
constexpr int Right = 746;
constexpr int Bottom = 1075;

TFont Font(const QString& Name, int Size, TFontStyles Style = 0, TColor Color = clBlack) {
    TFont F;
    F.SetName(Name);
    F.SetSize(Size);
    F.SetStyle(Style);
    F.SetColor(Color);
    return F;
}

TPen Pen(TColor Color, int Width, TPenStyle Style = psSolid) {
    TPen P;
    P.SetColor(Color);
    P.SetWidth(Width);
    P.SetStyle(Style);
    return P;
}

TBrush Brush(TColor Color, TBrushStyle Style = bsSolid) {
    TBrush B;
    B.SetColor(Color);
    B.SetStyle(Style);
    return B;
}

// Heading and footer common to every page.
void PageFrame(TPimCanvas& C, int Page, const QString& Title) {
    C.SetTextAlign(TA_LEFT | TA_TOP);
    C.SetBrush(Brush(clWhite, bsClear));
    C.SetFont(Font(QStringLiteral("Arial"), 20, fsBold, clNavy));
    C.Textout(Left, 40, Title);
    C.SetPen(Pen(clNavy, 2));
    C.MoveTo(Left, 76);
    C.LineTo(Right, 76);
    C.SetPen(Pen(clGray, 1));
    C.MoveTo(Left, Bottom - 24);
    C.LineTo(Right, Bottom - 24);
    C.SetFont(Font(QStringLiteral("Arial"), 8, 0, clGray));
    C.Textout(Left, Bottom - 18, QStringLiteral("Sample document"));
    C.SetTextAlign(TA_RIGHT | TA_TOP);
    C.Textout(Right, Bottom - 18, QStringLiteral("Page %1 of 3").arg(Page));
    C.SetTextAlign(TA_LEFT | TA_TOP);
}

void FontsPage(TPimCanvas& C) {
    PageFrame(C, 1, QStringLiteral("Fonts, sizes and styles"));
    // One column per face, one line per size.
    int Y = 92;
    const struct {
        const char* Name;
        TColor Color;
    } Faces[] = {{"Arial", clBlack}, {"Times New Roman", clMaroon}, {"Courier New", clGreen}};
    int X = Left;
    for (const auto& Face : Faces) {
        int LineY = Y;
        for (int Size : {8, 10, 12, 14, 18}) {
            C.SetFont(Font(QString::fromLatin1(Face.Name), Size, 0, Face.Color));
            C.Textout(X, LineY, QStringLiteral("%1 %2").arg(QString::fromLatin1(Face.Name)).arg(Size));
            LineY += Size * 2;
        }
        X += 240;
    }
    Y += 118;
    const struct {
        const char* Text;
        TFontStyles Style;
    } Styles[] = {{"Bold", fsBold},
                  {"Italic", fsItalic},
                  {"Underline", fsUnderline},
                  {"Strike out", fsStrikeOut},
                  {"Bold italic", TFontStyles(fsBold | fsItalic)}};
    X = Left;
    for (const auto& S : Styles) {
        C.SetFont(Font(QStringLiteral("Times New Roman"), 14, S.Style, clBlack));
        C.Textout(X, Y, QString::fromLatin1(S.Text));
        X += 130;
    }
    Y += 40;

    // Every alignment against a guide line through the anchor point.
    C.SetFont(Font(QStringLiteral("Arial"), 11, fsBold, clBlack));
    C.Textout(Left, Y, QStringLiteral("Alignment"));
    Y += 26;
    C.SetPen(Pen(clRed, 1, psDot));
    const int Anchor = 408;
    C.MoveTo(Anchor, Y - 4);
    C.LineTo(Anchor, Y + 92);
    C.SetFont(Font(QStringLiteral("Arial"), 12, 0, clBlack));
    const struct {
        uint16_t Flags;
        const char* Text;
    } Aligns[] = {{TA_LEFT | TA_TOP, "left aligned at the line"},
                  {TA_CENTER | TA_TOP, "centred on the line"},
                  {TA_RIGHT | TA_TOP, "right aligned at the line"}};
    for (const auto& A : Aligns) {
        C.SetTextAlign(A.Flags);
        C.Textout(Anchor, Y, QString::fromLatin1(A.Text));
        Y += 22;
    }
    C.SetPen(Pen(clRed, 1, psDot));
    C.MoveTo(Left, Y + 16);
    C.LineTo(Right, Y + 16);
    C.SetTextAlign(TA_LEFT | TA_TOP);
    C.Textout(Left, Y + 16, QStringLiteral("top"));
    C.SetTextAlign(TA_LEFT | TA_BASELINE);
    C.Textout(Left + 120, Y + 16, QStringLiteral("baseline"));
    C.SetTextAlign(TA_LEFT | TA_BOTTOM);
    C.Textout(Left + 260, Y + 16, QStringLiteral("bottom"));
    C.SetTextAlign(TA_LEFT | TA_TOP);
    Y += 50;

    // Angles
    C.SetFont(Font(QStringLiteral("Arial"), 11, fsBold, clBlack));
    C.Textout(Left, Y, QStringLiteral("Angles"));
    const int CX = 250, CY = Y + 110;
    C.SetFont(Font(QStringLiteral("Arial"), 12, 0, clPurple));
    for (int Angle : {0, 45, 90, 135, 180, 225, 270, 315}) {
        C.SetFontAngle(Angle);
        C.Textout(CX, CY, QStringLiteral("    %1 degrees").arg(Angle));
    }
    C.SetFontAngle(0);
    C.SetBrush(Brush(clPurple));
    C.SetPen(Pen(clPurple, 1));
    C.Ellipse(CX - 3, CY - 3, CX + 4, CY + 4);
    C.SetBrush(Brush(clWhite, bsClear));
    Y += 240;

    // Justified text: every line but the paragraph's last is stretched to the right edge.
    C.SetFont(Font(QStringLiteral("Arial"), 11, fsBold, clBlack));
    C.Textout(Left, Y, QStringLiteral("Justified text"));
    Y += 26;
    C.SetFont(Font(QStringLiteral("Times New Roman"), 12, 0, clBlack));
    const char* const Lines[] = {
        "A banded report is made of bands that repeat for every record of its data: a title at the",
        "start, a header and a footer on each page, group headers and footers where a value changes,",
        "and a detail band for each record. Every band prints its labels, pictures and shapes where",
        "they were placed, and the report engine breaks pages wherever the next band does not fit.",
    };
    const int JustifyRight = Left + 600;
    const TRect Full{Left, Y, JustifyRight, Y + 4 * 20};
    for (int i = 0; i < 4; ++i) {
        const TRect Line{Left, Y, JustifyRight, Y + 20};
        C.TextJustify(Line, Left, Y, QString::fromLatin1(Lines[i]), i == 3, Full);
        Y += 20;
    }
}

void ShapesPage(TPimCanvas& C) {
    PageFrame(C, 2, QStringLiteral("Shapes, lines and shading"));
    C.SetFont(Font(QStringLiteral("Arial"), 10, 0, clBlack));
    int Y = 100;
    // Lines of every width, drawn as open figures so the width follows the resolution, and of
    // every style.
    for (int W = 1; W <= 5; ++W) {
        C.SetPen(Pen(clBlack, W));
        const TPoint Line[] = {{Left, Y}, {Left + 300, Y}};
        C.Polyline(Line, 2);
        Y += 14;
    }
    Y = 100;
    const TPenStyle Styles[] = {psSolid, psDash, psDot, psDashDot, psDashDotDot};
    for (TPenStyle S : Styles) {
        C.SetPen(Pen(clBlue, 1, S));
        C.MoveTo(Left + 380, Y);
        C.LineTo(Right, Y);
        Y += 14;
    }

    // Figures with solid and hatched brushes.
    Y = 190;
    C.SetPen(Pen(clBlack, 2));
    C.SetBrush(Brush(clYellow));
    C.Rectangle(Left, Y, Left + 140, Y + 90);
    C.SetBrush(Brush(clAqua));
    C.RoundRect(Left + 170, Y, Left + 310, Y + 90, 30, 30);
    C.SetBrush(Brush(clLime));
    C.Ellipse(Left + 340, Y, Left + 480, Y + 90);
    C.SetBrush(Brush(clRed, bsDiagCross));
    C.Rectangle(Left + 510, Y, Left + 650, Y + 90);
    Y += 120;
    C.SetBrush(Brush(clFuchsia));
    C.Pie(Left, Y, Left + 140, Y + 110, Left + 140, Y, Left + 140, Y + 110);
    C.SetBrush(Brush(clSkyBlue));
    C.Chord(Left + 170, Y, Left + 310, Y + 110, Left + 310, Y + 20, Left + 170, Y + 20);
    C.SetPen(Pen(clMaroon, 3));
    C.Arc(Left + 340, Y, Left + 480, Y + 110, Left + 480, Y + 55, Left + 340, Y + 55);
    C.SetPen(Pen(clNavy, 2));
    C.SetBrush(Brush(clCream));
    const TPoint Star[] = {{600, Y},      {620, Y + 40},  {665, Y + 40}, {630, Y + 65}, {645, Y + 110},
                           {600, Y + 82}, {555, Y + 110}, {570, Y + 65}, {535, Y + 40}, {580, Y + 40}};
    C.Polygon(Star, 10);
    Y += 140;
    C.SetPen(Pen(clGreen, 2));
    TPoint Wave[13];
    for (int i = 0; i < 13; ++i)
        Wave[i] = TPoint{Left + i * 55, Y + (i % 2 ? 0 : 40)};
    C.Polyline(Wave, 13);
    Y += 70;

    // Every shade and a filled rectangle.
    C.SetBrush(Brush(clWhite, bsClear));
    C.SetPen(Pen(clBlack, 1));
    const TPimShadePercent Shades[] = {spVeryDark, spDark, spMedDark, spMedium, spMedLight, spLight};
    int X = Left;
    for (TPimShadePercent S : Shades) {
        C.ShadeRect(TRect{X, Y, X + 100, Y + 60}, S);
        C.Rectangle(X, Y, X + 101, Y + 61);
        X += 115;
    }
    Y += 90;
    C.SetBrush(Brush(clSilver));
    C.FillRect(TRect{Left, Y, Right, Y + 24});
    C.SetBrush(Brush(clWhite, bsClear));
    C.Textout(Left + 8, Y + 4, QStringLiteral("A filled band behind a line of text"));
    Y += 50;

    // Check boxes, crossed and ticked.
    X = Left;
    for (int Size : {12, 18, 24, 36}) {
        C.SetPen(Pen(clBlack, 1));
        C.Rectangle(X, Y, X + Size, Y + Size);
        C.DrawCheckBox(TRect{X, Y, X + Size - 1, Y + Size - 1}, acsCross, clRed, Size / 8 + 1);
        C.Rectangle(X + 60, Y, X + 60 + Size, Y + Size);
        C.DrawCheckBox(TRect{X + 60, Y, X + 60 + Size - 1, Y + Size - 1}, acsCheck, clGreen, Size / 8 + 1);
        X += 170;
    }
}

// A small picture made here, so the sample needs no file of its own.
QImage Picture() {
    QImage Image(120, 80, QImage::Format_RGB32);
    QPainter P(&Image);
    QRadialGradient G(60, 40, 70);
    G.setColorAt(0, QColor(255, 220, 80));
    G.setColorAt(1, QColor(30, 60, 160));
    P.fillRect(Image.rect(), G);
    P.setPen(QPen(Qt::white, 3));
    P.drawEllipse(QPoint(60, 40), 25, 25);
    P.end();
    return Image;
}

void WriteImage(const QImage& Image, const char* Format, TMemoryStream& Stream) {
    QByteArray Bytes;
    QBuffer Buffer(&Bytes);
    Buffer.open(QIODevice::WriteOnly);
    Image.save(&Buffer, Format);
    Stream.WriteBuffer(Bytes.constData(), Bytes.size());
    Stream.SetPosition(0);
}

void PicturesPage(TPimCanvas& C) {
    PageFrame(C, 3, QStringLiteral("Pictures and bar codes"));
    C.SetFont(Font(QStringLiteral("Arial"), 10, 0, clBlack));
    const QImage Image = Picture();
    TMemoryStream Bmp;
    WriteImage(Image, "BMP", Bmp);
    C.Textout(Left, 96, QStringLiteral("Bitmap at its size"));
    C.DrawBitmap(Left, 116, &Bmp);
    C.Textout(Left + 180, 96, QStringLiteral("Bitmap stretched"));
    C.StretchDrawBitmap(TRect{Left + 180, 116, Left + 420, 276}, &Bmp);
    TMemoryStream Png;
    WriteImage(Image, "PNG", Png);
    TPngImage Graphic;
    Graphic.LoadFromStream(Png);
    C.Textout(Left + 480, 96, QStringLiteral("Picture"));
    C.Draw(Left + 480, 116, &Graphic);

    // Labels on a clear background; the bars are filled with the brush in force.
    C.SetBrush(Brush(clWhite, bsClear));
    C.Textout(Left, 320, QStringLiteral("Code 39"));
    C.Textout(Left, 404, QStringLiteral("*PIM-2026*"));
    C.Textout(Left + 400, 320, QStringLiteral("Interleaved 2 of 5"));
    C.Textout(Left + 400, 404, QStringLiteral("0123456789"));
    C.Textout(Left, 460, QStringLiteral("Code 39, vertical"));
    C.SetBrush(Brush(clBlack));
    C.Print3of9Barcode(Left, 340, 0, 60, 10, 25, true, false, QStringLiteral("PIM-2026"));
    C.Print2of5Barcode(Left + 400, 340, 0, 60, 10, 25, true, false, QStringLiteral("0123456789"));
    C.Print3of9Barcode(Left, 480, 50, 0, 10, 25, true, true, QStringLiteral("42"));

    TMemoryStream Rtf;
    const QByteArray Text(
        "{\\rtf1\\ansi{\\fonttbl{\\f0 Times New Roman;}}{\\colortbl;\\red192\\green0\\blue0;}"
        "\\f0\\fs24 Rich text: "
        "{\\b bold}, {\\i italic} and {\\cf1 coloured} words in one paragraph.}");
    Rtf.WriteBuffer(Text.constData(), Text.size());
    C.SetFont(Font(QStringLiteral("Times New Roman"), 12, 0, clBlack));
    C.SetBrush(Brush(clWhite, bsClear));
    C.RtfDraw(TRect{Left + 200, 480, Right, 560}, &Rtf, 0, -1, true);
}

void Record(const QString& FileName) {
    TPimOutput Output;
    Output.SetDestination(adPimFile);
    Output.SetFileName(FileName);
    Output.SetCreateFile(true);
    Output.SetDescription(QStringLiteral("Sample document"));
    Output.PimPrinterSetup()->SetPaperSize(dmPaperA4);
    Output.PimPrinterSetup()->SetOrientation(dmOrientPortrait);
    Output.BeginDoc();
    TPimCanvas& C = *Output.PimCanvas();
    FontsPage(C);
    Output.NewPage();
    ShapesPage(C);
    Output.NewPage();
    PicturesPage(C);
    Output.EndDoc();
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication App(argc, argv);
    const QDir Out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("out"));
    QDir().mkpath(Out.path());
    const QString PimName = Out.filePath(QStringLiteral("sample.pim"));
    const QString PdfName = Out.filePath(QStringLiteral("sample.pdf"));
    const QString PngName = Out.filePath(QStringLiteral("sample-page1.png"));
    try {
        UsePdfPrinter(PdfName);
        Record(PimName);

        auto Doc = std::make_shared<TPimPimFile>();
        Doc->LoadFromFile(PimName);
        std::printf("wrote %s (%d pages, %lld bytes)\n", qPrintable(PimName), Doc->PageCount(),
                    FileSize(PimName));

        TPimPrinter Print;
        Doc->SendPages(&Print, 1, Doc->PageCount());
        if (!Print.ExceptionText().isEmpty()) throw Exception(Print.ExceptionText());
        std::printf("wrote %s (%d pages printed on \"PDF file\", %lld bytes)\n", qPrintable(PdfName),
                    Doc->PageCount(), FileSize(PdfName));

        const QSize Picture = WritePagePicture(*Doc, 1, PngName);
        std::printf("wrote %s (page 1, %d x %d pixels at 96 pixels per inch)\n", qPrintable(PngName), Picture.width(),
                    Picture.height());
    } catch (const Exception& E) {
        std::fprintf(stderr, "pimsample: %s\n", qPrintable(E.Message()));
        return 1;
    }
    return 0;
}
