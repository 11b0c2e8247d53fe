#include "output/PimCtrl.h"

#include <gtest/gtest.h>

namespace {

// Elements as the codes of the element strings: "0" narrow bar, "1" narrow space, "2" wide bar,
// "3" wide space.
QString Codes(const std::vector<TPimBarElement>& Elements) {
    QString s;
    for (const auto& e : Elements) s += QChar('0' + (e.Bar ? 0 : 1) + (e.Wide ? 2 : 0));
    return s;
}

// A Code 39 character of the table as element codes with its gap.
QString Code39(const char* Pattern) {
    QString s;
    for (int i = 0; i < 9; ++i) s += QChar('0' + (i % 2) + (Pattern[i] == '1' ? 2 : 0));
    return s + QLatin1Char('1');
}

} // namespace

TEST(BarCode3of9, TableGivesThePatternsWithTheirNinthElement) {
    const char* Expected[44] = {
        "100100001", "001100001", "101100000", "000110001", "100110000", "001110000", "000100101", "100100100",
        "001100100", "000110100", "100001001", "001001001", "101001000", "000011001", "100011000", "001011000",
        "000001101", "100001100", "001001100", "000011100", "100000011", "001000011", "101000010", "000010011",
        "100010010", "001010010", "000000111", "100000110", "001000110", "000010110", "110000001", "011000001",
        "111000000", "010010001", "110010000", "011010000", "010000101", "110000100", "011000100", "010010100",
        "010101000", "010100010", "010001010", "000101010"};
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
    EXPECT_EQ(Codes(c.Elements("123")), "0101" "0301212103" "0323010121" "210");
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
