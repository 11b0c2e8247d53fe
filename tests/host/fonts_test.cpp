#include "host/fonts.h"
#include <gtest/gtest.h>

TEST(FontResolution, SubstitutionTableMapsTheThreeClassicFaces) {
    EXPECT_EQ(SubstituteFontName(QStringLiteral("Arial")), QStringLiteral("Liberation Sans"));
    EXPECT_EQ(SubstituteFontName(QStringLiteral("times new roman")), QStringLiteral("Liberation Serif"));
    EXPECT_EQ(SubstituteFontName(QStringLiteral("Courier New")), QStringLiteral("Liberation Mono"));
    EXPECT_EQ(SubstituteFontName(QStringLiteral("DejaVu Sans")), QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(SubstituteFontName(QString()), QStringLiteral("Liberation Sans"));
}

TEST(FontResolution, FacesResolveThroughFontconfig) {
    struct TCase {
        const char* Face;
        const char* Family;
    } Cases[] = {{"Arial", "Liberation Sans"},
                 {"Times New Roman", "Liberation Serif"},
                 {"Courier New", "Liberation Mono"}};
    for (const TCase& C : Cases) {
        TLogFont Lf;
        Lf.lfFaceName = QString::fromLatin1(C.Face);
        auto F = FontInstance(Lf, -13, 0, 96, true);
        EXPECT_EQ(F->FamilyUsed(), QString::fromLatin1(C.Family)) << C.Face;
    }
    // an unknown face still gives a usable font
    TLogFont Lf;
    Lf.lfFaceName = QStringLiteral("No Such Face 123");
    auto F = FontInstance(Lf, -13, 0, 96, true);
    EXPECT_GT(F->TextWidth(u"abc"), 0);
}

TEST(FontResolution, MonospacedFaceAdvancesEveryCharacterAlike) {
    TLogFont Lf;
    Lf.lfFaceName = QStringLiteral("Courier New");
    auto F = FontInstance(Lf, -20, 0, 96, true);
    EXPECT_EQ(F->Advance(U'i'), F->Advance(U'W'));
    EXPECT_EQ(F->TextWidth(u"iiii"), 4 * F->Advance(U'i'));
    EXPECT_FALSE(F->Metrics().tmPitchAndFamily & TMPF_FIXED_PITCH);
}

TEST(FontResolution, WidthsAreWholePixelsPerCharacterAndSurrogatesCountOnce) {
    TLogFont Lf;
    Lf.lfFaceName = QStringLiteral("Arial");
    auto F = FontInstance(Lf, -13, 0, 96, true);
    std::vector<int> A = F->Advances(u"Hello");
    int Sum = 0;
    for (int V : A)
        Sum += V;
    EXPECT_EQ(Sum, F->TextWidth(u"Hello"));
    std::vector<int> B = F->Advances(u"a\U0001D400b");
    ASSERT_EQ(B.size(), 4u);
    EXPECT_EQ(B[2], 0);
    EXPECT_EQ(F->TextWidth(u"a\U0001D400b"), B[0] + B[1] + B[3]);
}

TEST(FontResolution, WidthStretchesTheFace) {
    TLogFont Lf;
    Lf.lfFaceName = QStringLiteral("Arial");
    auto Normal = FontInstance(Lf, -20, 0, 96, true);
    Lf.lfWidth = Normal->Metrics().tmAveCharWidth * 2;
    auto Wide = FontInstance(Lf, -20, Lf.lfWidth, 96, true);
    EXPECT_NEAR(Wide->TextWidth(u"Hello World"), 2 * Normal->TextWidth(u"Hello World"),
                12); // the average width is whole pixels
}
