#include "output/PimCtrl.h"
#include "output/PimOut.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

// Elements as the codes of the element strings: "0" narrow bar, "1" narrow space, "2" wide bar,
// "3" wide space.
QString Codes(const std::vector<TPimBarElement>& Elements) {
    QString s;
    for (const auto& e : Elements)
        s += QChar('0' + (e.Bar ? 0 : 1) + (e.Wide ? 2 : 0));
    return s;
}

// A Code 39 character of the table as element codes with its gap.
QString Code39(const char* Pattern) {
    QString s;
    for (int i = 0; i < 9; ++i)
        s += QChar('0' + (i % 2) + (Pattern[i] == '1' ? 2 : 0));
    return s + QLatin1Char('1');
}

} // namespace

TEST(BarCode3of9, TableGivesThePatternsWithTheirNinthElement) {
    const char* Expected[44] = {"100100001", "001100001", "101100000", "000110001", "100110000", "001110000",
                                "000100101", "100100100", "001100100", "000110100", "100001001", "001001001",
                                "101001000", "000011001", "100011000", "001011000", "000001101", "100001100",
                                "001001100", "000011100", "100000011", "001000011", "101000010", "000010011",
                                "100010010", "001010010", "000000111", "100000110", "001000110", "000010110",
                                "110000001", "011000001", "111000000", "010010001", "110010000", "011010000",
                                "010000101", "110000100", "011000100", "010010100", "010101000", "010100010",
                                "010001010", "000101010"};
    for (int i = 0; i < 44; ++i) {
        EXPECT_EQ(TPim3of9BarCode::CharCode(QLatin1Char(Bar3of9Char[i])), QLatin1String(Expected[i])) << i;
        const int Wide = TPim3of9BarCode::CharCode(QLatin1Char(Bar3of9Char[i])).count(QLatin1Char('1'));
        EXPECT_EQ(Wide, 3) << i;
    }
    EXPECT_EQ(TPim3of9BarCode::CharCode(QLatin1Char('a')), QString());
    EXPECT_EQ(TPim3of9BarCode::CharCode(QChar(0x00C4)), QString());
}

TEST(BarCode3of9, TextIsUpperCasedBetweenStartAndStop) {
    TPim3of9BarCode c;
    const QString Star = Code39("010010100");
    EXPECT_EQ(Codes(c.Elements("abc")),
              Star + Code39("100001001") + Code39("001001001") + Code39("101001000") + Star);
    EXPECT_EQ(Codes(c.Elements("%")), Star + Code39("000101010") + Star);
    EXPECT_TRUE(c.Elements("").empty());
}

TEST(BarCode3of9, LengthCountsOnlyWhatIsDrawn) {
    TPim3of9BarCode c;
    EXPECT_EQ(c.BarCodeLengthAt(96, "A"), 48);
    EXPECT_EQ(c.BarCodeLengthAt(96, "a"), 48);
    EXPECT_EQ(c.BarCodeLengthAt(96, "A#~"), 48);
    EXPECT_EQ(Codes(c.Elements("A#~")), Codes(c.Elements("A")));
    EXPECT_EQ(c.BarCodeLengthAt(96, ""), 0);
    c.SetNarrowWidth(2);
    c.SetWideWidth(5);
    EXPECT_EQ(c.BarCodeLengthAt(96, "AB"), 4 * (3 * 5 + 7 * 2));
}

TEST(BarCode2of5, DigitsArePairedAfterALeadingZero) {
    TPim2of5BarCode c;
    EXPECT_EQ(TPim2of5BarCode::GetBarString('0', '1'), "0301212103");
    EXPECT_EQ(TPim2of5BarCode::GetBarString('2', '3'), "0323010121");
    EXPECT_EQ(TPim2of5BarCode::GetBarString('2', 'x'), QString());
    EXPECT_EQ(Codes(c.Elements("123")), "0101"
                                        "0301212103"
                                        "0323010121"
                                        "210");
    EXPECT_EQ(Codes(c.Elements("0123")), Codes(c.Elements("123")));
    EXPECT_EQ(c.BarCodeLengthAt(96, "123"), 45);
    EXPECT_EQ(c.BarCodeLengthAt(96, "0123"), 45);
}

TEST(BarCode2of5, AnyNonDigitDrawsNothing) {
    TPim2of5BarCode c;
    EXPECT_TRUE(c.Elements("12a4").empty());
    EXPECT_TRUE(c.Elements("").empty());
    EXPECT_EQ(c.BarCodeLengthAt(96, "12a4"), 0);
    EXPECT_EQ(TPim2of5BarCode::FindCode('7', Bar2of5Char, 10), 7);
    EXPECT_EQ(TPim2of5BarCode::FindCode('7', Bar2of5Char, 7), -1);
}

TEST(BarCode, ThousandthsOfAnInchBecomeWholeMultiplesOfTheNarrowPixel) {
    TPim2of5BarCode c;
    c.SetWidthInInches_1000(true);
    c.SetNarrowWidth(10);
    c.SetWideWidth(30);
    EXPECT_EQ(c.NarrowPixels(600), 6);
    EXPECT_EQ(c.WidePixels(600), 18);
    c.SetNarrowWidth(13);
    c.SetWideWidth(39);
    EXPECT_EQ(c.NarrowPixels(600), 8);
    EXPECT_EQ(c.WidePixels(600), 24);
    c.SetNarrowWidth(1);
    EXPECT_EQ(c.NarrowPixels(96), 1);
    c.SetWidthInInches_1000(false);
    EXPECT_EQ(c.NarrowPixels(600), 1);
    EXPECT_EQ(c.WidePixels(600), 39);
}

namespace {

TDeviceCaps Caps(int PixelsPerInchX, int PixelsPerInchY) {
    TDeviceCaps c;
    c.LogPixelsX = PixelsPerInchX;
    c.LogPixelsY = PixelsPerInchY;
    c.HorzRes = c.VertRes = c.PhysicalWidth = c.PhysicalHeight = 2000;
    return c;
}

// The boxes filled, as "left top right bottom", one per line.
std::string Fills(const DeviceContext& DC) {
    QStringList Boxes;
    for (const QString& Call : DC.Log()->Only({"FillRect"}))
        Boxes << Call.section(QLatin1Char(' '), 1, 4);
    return Boxes.join(QLatin1Char('\n')).toStdString();
}

// Widths of the runs of black and white along a row, starting with the first black pixel.
std::vector<int> Runs(const QImage& Image, int Y) {
    std::vector<int> Result;
    int x = 0;
    while (x < Image.width() && Image.pixel(x, Y) != qRgb(0, 0, 0))
        ++x;
    while (x < Image.width()) {
        const QRgb c = Image.pixel(x, Y);
        int n = 0;
        while (x < Image.width() && Image.pixel(x, Y) == c)
            ++x, ++n;
        Result.push_back(n);
    }
    if (!Result.empty()) Result.pop_back(); // the white behind the code
    return Result;
}

struct TBrushFixture {
    HBRUSH Brush = CreateSolidBrush(RGB(0, 0, 0));
    ~TBrushFixture() { DeleteObject(Brush); }
};

} // namespace

TEST(BarCodePrint, Code39BarsAreFilledAndSpacesSkipped) {
    TBrushFixture B;
    auto DC = DeviceContext::CreateRecording(Caps(96, 96));
    TPim3of9BarCode c;
    c.SetHeight(20);
    c.PrintDC(*DC, B.Brush, 10, 5, "A");
    // "*" = 010010100, "A" = 100001001, each followed by the narrow gap.
    EXPECT_EQ(Fills(*DC), "10 5 11 25\n14 5 15 25\n16 5 19 25\n20 5 23 25\n24 5 25 25\n"
                          "26 5 29 25\n30 5 31 25\n32 5 33 25\n36 5 37 25\n38 5 41 25\n"
                          "42 5 43 25\n46 5 47 25\n48 5 51 25\n52 5 55 25\n56 5 57 25");
    EXPECT_EQ(DC->Log()->Only({"FillRect"}).size(), 15);
    // The stop character ends 47 pixels of elements after its start, then the gap.
    const QString Last = DC->Log()->Only({"FillRect"}).last();
    EXPECT_EQ(Last.section(QLatin1Char(' '), 3, 3).toInt(), 10 + 3 * 16 - 1);
    EXPECT_EQ(c.BarCodeLength(*DC, "A"), 48);
    EXPECT_TRUE(Last.endsWith("brush 0 0x000000 0")) << Last.toStdString();
}

TEST(BarCodePrint, OnACanvasDrawsWithItsCurrentBrush) {
    auto Plain = DeviceContext::CreateRecording(Caps(96, 96));
    TPim2of5BarCode c;
    c.SetHeight(8);
    TBrushFixture B;
    c.PrintDC(*Plain, B.Brush, 3, 4, "12");
    auto DC = DeviceContext::CreateRecording(Caps(96, 96));
    {
        TPimCanvas Canvas;
        Canvas.SetHandle(DC.get());
        TBrush Red;
        Red.SetColor(clRed);
        Canvas.SetBrush(Red);
        c.Print(&Canvas, 3, 4, "12");
        Canvas.SetHandle(nullptr);
    }
    EXPECT_EQ(Fills(*DC), Fills(*Plain));
    for (const QString& Call : DC->Log()->Only({"FillRect"}))
        EXPECT_TRUE(Call.endsWith("brush 0 0x0000FF 0")) << Call.toStdString();
    TPimCanvas Detached;
    c.Print(&Detached, 3, 4, "12"); // no device context: nothing to draw on, no fault
}

TEST(BarCodePrint, TwoOf5DrawsStartPairsAndStop) {
    TBrushFixture B;
    auto DC = DeviceContext::CreateRecording(Caps(96, 96));
    TPim2of5BarCode c;
    c.SetHeight(7);
    c.PrintDC(*DC, B.Brush, 0, 0, "123");
    // start 0101, pair 01 = 0301212103, pair 23 = 0323010121, stop 210
    EXPECT_EQ(Fills(*DC), "0 0 1 7\n2 0 3 7\n"
                          "4 0 5 7\n8 0 9 7\n10 0 13 7\n14 0 17 7\n18 0 19 7\n"
                          "22 0 23 7\n26 0 29 7\n32 0 33 7\n34 0 35 7\n36 0 39 7\n"
                          "40 0 43 7\n44 0 45 7");
    EXPECT_EQ(c.BarCodeLength(*DC, "123"), 45);
    DC->Log()->Clear();
    c.PrintDC(*DC, B.Brush, 0, 0, "12a4");
    EXPECT_TRUE(DC->Log()->Calls.isEmpty());
}

TEST(BarCodePrint, VerticalCodeRunsDownWithWidthAsBarLength) {
    TBrushFixture B;
    auto DC = DeviceContext::CreateRecording(Caps(300, 600));
    TPim2of5BarCode c;
    c.SetVertical(true);
    c.SetWidth(30);
    c.SetHeight(999);
    c.SetWidthInInches_1000(true);
    c.SetNarrowWidth(10);
    c.SetWideWidth(30);
    c.PrintDC(*DC, B.Brush, 4, 100, "00");
    const QStringList Calls = DC->Log()->Only({"FillRect"});
    ASSERT_FALSE(Calls.isEmpty());
    EXPECT_TRUE(Calls[0].startsWith("FillRect 4 100 34 106 ")) << Calls[0].toStdString();
    EXPECT_EQ(c.BarCodeLength(*DC, "00"), 2 * (2 * 18 + 3 * 6) + 18 + 6 * 6);
    const int LastBottom = Calls.last().section(QLatin1Char(' '), 4, 4).toInt();
    EXPECT_EQ(LastBottom, 100 + c.BarCodeLength(*DC, "00"));
}

TEST(BarCodePrint, At600DpiEveryElementIsAWholeNumberOfNarrowPixelsAndScansBack) {
    TBrushFixture B;
    auto DC = DeviceContext::CreateImage(1800, 40, 600, 600);
    TPim3of9BarCode c;
    c.SetWidthInInches_1000(true);
    c.SetNarrowWidth(13);
    c.SetWideWidth(39);
    c.SetHeight(30);
    c.PrintDC(*DC, B.Brush, 8, 5, "PIM-42");
    const std::vector<int> Measured = Runs(*DC->Image(), 20);
    const std::vector<TPimBarElement> Expected = c.Elements("PIM-42");
    ASSERT_EQ(Measured.size(), Expected.size() - 1); // the final gap is white like the page
    const int Narrow = c.NarrowPixels(600);
    EXPECT_EQ(Narrow, 8);
    for (size_t i = 0; i < Measured.size(); ++i) {
        ASSERT_EQ(Measured[i] % Narrow, 0) << i;
        EXPECT_EQ(Measured[i] / Narrow, Expected[i].Wide ? 3 : 1) << i;
    }
    int Total = 0;
    for (int w : Measured)
        Total += w;
    EXPECT_EQ(Total + Narrow, c.BarCodeLength(*DC, "PIM-42"));
}
