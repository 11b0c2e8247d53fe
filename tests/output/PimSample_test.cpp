#include "host/exceptions.h"
#include "output/PimFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <vector>

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

QString SampleProgram() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../examples/pimsample");
}

// Runs the sample program into Dir; empty when it ran, else what went wrong.
QString RunSample(const QString& Program, const QString& Dir) {
    QProcess Run;
    Run.start(Program, {Dir});
    if (!Run.waitForFinished(120000)) return QStringLiteral("the sample program did not finish");
    if (Run.exitCode() == 0) return QString();
    return QStringLiteral("exit code %1: %2")
        .arg(Run.exitCode())
        .arg(QString::fromLocal8Bit(Run.readAllStandardError()));
}

} // namespace

// The sample program is the main job: its PDF has all its pages and the texts drawn on them.
TEST(PimSample, TheMainJobWritesADocumentAPdfAndAnImage) {
    const QString Program = SampleProgram();
    if (!QFileInfo::exists(Program)) GTEST_SKIP() << "the sample program is not built";
    if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "poppler-utils are not installed";
    QTemporaryDir Dir;
    const QString Failure = RunSample(Program, Dir.path());
    ASSERT_TRUE(Failure.isEmpty()) << Failure.toStdString();
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

// A document cut short anywhere is refused when it is opened, with the file's name, rather than
// opened with the pages it lists and failing only when the missing ones are printed.
TEST(PimSample, EveryCutOfTheSampleDocumentIsRefusedWithTheFilesName) {
    const QString Program = SampleProgram();
    if (!QFileInfo::exists(Program)) GTEST_SKIP() << "the sample program is not built";
    QTemporaryDir Dir;
    const QString Failure = RunSample(Program, Dir.path());
    ASSERT_TRUE(Failure.isEmpty()) << Failure.toStdString();
    const QString Name = Dir.filePath(QStringLiteral("sample.pim"));
    const qint64 Size = QFileInfo(Name).size();
    {
        TPimPimFile Whole;
        Whole.LoadFromFile(Name);
        ASSERT_EQ(Whole.PageCount(), 3);
    }
    // The last thousand bytes one by one, then every 97th byte down to nothing: cut by cut, from the
    // end, on the one file.
    std::vector<qint64> Cuts;
    for (qint64 Cut = 1; Cut <= 1000 && Cut <= Size; ++Cut)
        Cuts.push_back(Size - Cut);
    for (qint64 Left = (Size - 1001) / 97 * 97; Left >= 0; Left -= 97)
        Cuts.push_back(Left);
    const QString Expected =
        QStringLiteral("Cannot read file \"%1\". The file is damaged or cut short").arg(Name);
    for (const qint64 Left : Cuts) {
        ASSERT_TRUE(QFile::resize(Name, Left));
        TPimPimFile Doc;
        QString Message;
        try {
            Doc.LoadFromFile(Name);
        } catch (const EReadError& E) {
            Message = E.Message();
        }
        EXPECT_EQ(Message, Expected) << "cut to " << Left << " of " << Size << " bytes";
        EXPECT_EQ(Doc.PageCount(), 0) << "cut to " << Left;
    }
}
