#include "output/PimFile.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString Tool(const QString& Program, const QStringList& Args) {
    QProcess P;
    P.start(Program, Args);
    P.waitForFinished(60000);
    return QString::fromUtf8(P.readAllStandardOutput());
}

// Where the navy heading text lies on a page image, above the rule under it.
QRect HeadingBox(const QImage& Image) {
    QRect Box;
    for (int Y = 0; Y < std::min(Image.height(), 72); ++Y)
        for (int X = 0; X < Image.width(); ++X) {
            const QRgb P = Image.pixel(X, Y);
            if (qBlue(P) > 90 && qRed(P) < 70 && qGreen(P) < 70) Box |= QRect(X, Y, 1, 1);
        }
    return Box;
}

} // namespace

// The sample program is the main job: its PDF has all its pages and the texts drawn on them.
TEST(PimSample, TheMainJobWritesADocumentAPdfAndAnImage) {
    const QString Program = QCoreApplication::applicationDirPath() + QStringLiteral("/../examples/pimsample");
    if (!QFileInfo::exists(Program)) GTEST_SKIP() << "the sample program is not built";
    if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "poppler-utils are not installed";
    QTemporaryDir Dir;
    QProcess Run;
    Run.start(Program, {Dir.path()});
    ASSERT_TRUE(Run.waitForFinished(120000));
    ASSERT_EQ(Run.exitCode(), 0) << Run.readAllStandardError().toStdString();
    const QString Pdf = Dir.filePath(QStringLiteral("sample.pdf"));
    ASSERT_TRUE(QFileInfo::exists(Dir.filePath(QStringLiteral("sample.pim"))));
    const QImage Page1(Dir.filePath(QStringLiteral("sample-page1.png")));
    ASSERT_FALSE(Page1.isNull());

    TPimPimFile Doc;
    Doc.LoadFromFile(Dir.filePath(QStringLiteral("sample.pim")));
    const QRegularExpressionMatch M =
        QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(Tool(QStringLiteral("pdfinfo"), {Pdf}));
    ASSERT_TRUE(M.hasMatch());
    EXPECT_EQ(M.captured(1).toInt(), Doc.PageCount());
    EXPECT_EQ(Doc.PageCount(), 3);
    // A4 at 96 pixels per inch.
    EXPECT_EQ(Page1.size(), QSize(794, 1123));
    // The page heading is navy text on white paper.
    const QRect Heading = HeadingBox(Page1);
    ASSERT_FALSE(Heading.isEmpty());
    EXPECT_NEAR(Heading.left(), 48, 3);
    // The printed page has the heading where the screen image has it.
    Tool(QStringLiteral("pdftoppm"),
         {QStringLiteral("-r"), QStringLiteral("96"), QStringLiteral("-f"), QStringLiteral("1"),
          QStringLiteral("-l"), QStringLiteral("1"), QStringLiteral("-png"), QStringLiteral("-singlefile"),
          Pdf, Dir.filePath(QStringLiteral("printed"))});
    const QImage Printed(Dir.filePath(QStringLiteral("printed.png")));
    ASSERT_FALSE(Printed.isNull());
    const QRect PrintedHeading = HeadingBox(Printed);
    EXPECT_NEAR(PrintedHeading.left(), Heading.left(), 3);
    EXPECT_NEAR(PrintedHeading.top(), Heading.top(), 4);
    EXPECT_NEAR(PrintedHeading.width(), Heading.width(), 12);
    const QString Text = Tool(QStringLiteral("pdftotext"), {Pdf, QStringLiteral("-")});
    for (const char* Expected : {"Sample document", "Fonts, sizes and styles", "Shapes, lines and shading",
                                 "Pictures and bar codes"})
        EXPECT_TRUE(Text.contains(QString::fromLatin1(Expected))) << Expected;
}
