#include "design/Vyrvhelp.h"
#include "host/forms.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <gtest/gtest.h>

TEST(CentreHelp, ShowsItsTitleAndTenHeadingsInAFormOfFixedHeightThatAFineScreenWidens) {
    QStringList Headings;
    {
        TVyrVarHelp Help(nullptr);
        EXPECT_EQ(Help.Caption(), QStringLiteral("Help for Data Control"));
        EXPECT_EQ(Help.ClientHeight(), 440);
        EXPECT_EQ(Help.ClientWidth(), Help.ExitButton()->geometry().right() + 1 + 10);
        EXPECT_EQ(Help.Memo1()->font().family(), QStringLiteral("Courier New"));
        EXPECT_EQ(Help.Memo1()->font().pointSize(), 9);
        EXPECT_EQ(Help.ExitButton()->text(), QStringLiteral("E&xit"));
        const QStringList Text = Help.Memo1()->toPlainText().split(QLatin1Char('\n'));
        EXPECT_EQ(Text.first(), QStringLiteral("Data Cotrol Center Help"));
        for (qsizetype i = 1; i + 1 < Text.size(); ++i)
            if (!Text[i].isEmpty() && Text[i + 1] == QString(Text[i].size(), QLatin1Char('-')))
                Headings << Text[i];
    }
    EXPECT_EQ(Headings,
              (QStringList{"General Tips:", "Overview", "Automatic Database Variables", "DataSourceGuides",
                           "Expression Variables", "Total Variables", "Manual (Persistent) DB Variables",
                           "Optimize Button", "Zoom Buttons", "Special Notations"}));
    const int Width = TVyrVarHelp(nullptr).ClientWidth();
    Screen()->SetPixelsPerInch(120);
    TVyrVarHelp Fine(nullptr);
    Screen()->SetPixelsPerInch(96);
    EXPECT_EQ(Fine.ClientWidth(), Width + 70);
    EXPECT_EQ(Fine.ClientHeight(), 440);
    EXPECT_EQ(Fine.Memo1()->font().pointSize(), 7);
}
