#include "support/keptruns.h"
#include "host/devicecontext.h"
#include "host/exceptions.h"
#include "output/PimOut.h"
#include "report/PimPage.h"
#include "report/VyrRep.h"
#include "support/bandfixture.h"

#include <QImage>
#include <QRegularExpression>
#include <map>

TKeptRuns::TKeptRuns() {
    CustomPreview = [this](TVyrPage* Page) {
        if (!Raise.isEmpty()) throw Exception(Raise);
        Documents.push_back(Page->PrintTo()->PimFile());
    };
}

TKeptRuns::~TKeptRuns() {
    CustomPreview = nullptr;
}

QStringList PlacedTexts(TPimPimFile& Document, int N) {
    QStringList Placed;
    for (const QString& Call : ExportedPage(Document, N)) {
        const QStringList Parts = Call.split(QLatin1Char(' '));
        if (Parts[0] == QLatin1String("Textout"))
            Placed << Parts.mid(1).join(QLatin1Char(' '));
        else if (Parts[0] == QLatin1String("ExtTextout"))
            Placed << Parts[1] + QLatin1Char(' ') + Parts[2] + QLatin1Char(' ') +
                          Parts.mid(6).join(QLatin1Char(' '));
        else if (Parts[0] == QLatin1String("TextRect"))
            Placed << Parts.mid(5).join(QLatin1Char(' '));
        else if (Parts[0] == QLatin1String("TextJustify"))
            Placed << Parts.mid(5, Parts.size() - 10).join(QLatin1Char(' '));
    }
    return Placed;
}

QStringList TextsOf(const QStringList& Placed) {
    QStringList Texts;
    for (const QString& P : Placed)
        Texts << P.section(QLatin1Char(' '), 2);
    return Texts;
}

void SavePagePng(TPimPimFile& Document, int N, const QString& FileName) {
    auto DC = DeviceContext::CreateImage(816, 1056, 96, 96);
    Document.PlayPage(DC.get(), N);
    DC->Image()->save(FileName);
}

QStringList TextLines(TPimPimFile& Document, int N) {
    std::map<int, std::map<int, QStringList>> Rows;
    for (const QString& P : PlacedTexts(Document, N))
        Rows[P.section(QLatin1Char(' '), 1, 1).toInt()][P.section(QLatin1Char(' '), 0, 0).toInt()]
            << P.section(QLatin1Char(' '), 2);
    QStringList Lines;
    for (const auto& [Y, Row] : Rows) {
        QStringList Texts;
        for (const auto& [X, At] : Row)
            Texts << At;
        Lines << QStringLiteral("%1: ").arg(Y) + Texts.join(QStringLiteral(" | "));
    }
    return Lines;
}

QStringList StyledTexts(TPimPimFile& Document, int N) {
    static const QRegularExpression Font(
        QStringLiteral(R"re(^SelectObject font "([^"]*)" (-?\d+) \d+ (\d+) (\d+))re"));
    static const QRegularExpression Text(QStringLiteral(R"re(^(?:Ext)?TextOut (-?\d+) (-?\d+) .*"(.*)"$)re"));
    QString Look, Colour;
    QStringList Styled;
    for (const QString& Call : PlayedPage(Document, N)) {
        if (auto M = Font.match(Call); M.hasMatch())
            Look = QStringLiteral("%1 %2 %3%4")
                       .arg(M.captured(1), M.captured(2),
                            M.captured(3) == QLatin1String("700") ? QStringLiteral("bold")
                                                                  : QStringLiteral("plain"),
                            M.captured(4) == QLatin1String("1") ? QStringLiteral(" italic") : QString());
        else if (Call.startsWith(QLatin1String("SetTextColor ")))
            Colour = Call.section(QLatin1Char(' '), 1);
        else if (auto T = Text.match(Call); T.hasMatch())
            Styled << QStringLiteral("%1 %2 %3 / %4 / %5")
                          .arg(T.captured(1), T.captured(2), T.captured(3), Look, Colour);
    }
    return Styled;
}
