#include "design/Pimdiag.h"
#include "host/db.h"
#include "host/graphic.h"
#include "host/lists.h"
#include "host/properties.h"
#include "report/PimDS.h"
#include "report/VyrText.h"
#include "report/VyrVar.h"
#include "support/bandfixture.h"
#include "support/designfixture.h"
#include "support/keptruns.h"

#include <gtest/gtest.h>

namespace {

// The diagnostic of Page of Report, run by a form given Designer, with the documents it showed.
struct TDiagnosis {
    TKeptRuns Runs;
    std::unique_ptr<TPimDiagForm> Form = std::make_unique<TPimDiagForm>(nullptr);
    TDiagnosis(TVyrReport* Report, IDesigner* Designer) {
        Form->PageDesigner = Designer;
        Form->DiagProc(Report);
    }
    // Every text of every page, a memo's lines joined into the text they wrap.
    QStringList Texts() {
        QStringList Texts;
        EXPECT_EQ(Runs.Documents.size(), 1u);
        for (const auto& Doc : Runs.Documents)
            for (int N = 1; N <= Doc->PageCount(); ++N) {
                int Bottom = -1, Left = -1;
                for (const QString& Call : ExportedPage(*Doc, N)) {
                    const QStringList P = Call.split(QLatin1Char(' '));
                    if (P[0] == QLatin1String("Textout")) {
                        Texts << P.mid(3).join(QLatin1Char(' '));
                        Bottom = -1;
                    } else if (P[0] == QLatin1String("TextJustify")) {
                        const QString Line = P.mid(7, P.size() - 12).join(QLatin1Char(' '));
                        const int Top = P[P.size() - 3].toInt();
                        if (Bottom == Top && Left == P[P.size() - 4].toInt())
                            Texts.last() += Line;
                        else
                            Texts << Line;
                        Left = P[P.size() - 4].toInt();
                        Bottom = P.last().toInt();
                    }
                }
            }
        // The page header: the logo, title, page number, date and form.
        return Texts.mid(8);
    }
};

const QString NilSource = QStringLiteral(
    ", has a nil DataSource and one or both of the OnDataStart and OnDataSkip events are not filled in.");

QByteArray Utf16(const QString& Text) {
    return QByteArray("\xFF\xFE", 2) +
           QByteArray(reinterpret_cast<const char*>(Text.utf16()), Text.size() * 2);
}

} // namespace

TEST(Diagnostic, FindsLevelBlankLabelAndAppearanceMistakesEachInItsSection) {
    TDesignedReport R;
    TVyrGrouppage* P = R.Page;
    auto* Source = R.Add<TDataSource>(QStringLiteral("OrdersSource"));
    P->SetDataSource(Source);
    auto* Guide = R.Add<TVyrDataSourceGuide>(QStringLiteral("OrdersGuide"), P);
    Guide->SetDataSource(Source);
    Guide->SetUpdateLevel(P->PageFoot()->UpdateLevel());
    TVyrLevel* FootLevel = P->PageFoot()->UpdateLevel();
    auto* Loose = R.Add<TVyrSubBand>(QStringLiteral("LooseBand"), P);
    Loose->SetBand(P->Detail());
    P->OrderBands();
    auto Var = [&](const QString& Name, TVyrLevel* Level, TVyrDataTypes Type = dtypeString) {
        auto* V = R.Add<TVyrExprVar>(Name, P);
        V->SetUpdateLevel(Level);
        V->SetDataType(Type);
        return V;
    };
    auto Shows = [&](const QString& Name, TVyrBand* Band, TVyrVar* V) {
        auto* L = R.Add<TVyrvarlabel>(Name, Band);
        L->SetVariable(V);
        return L;
    };
    TVyrExprVar* Amount = Var(QStringLiteral("AmountVar"), FootLevel);
    Shows(QStringLiteral("AmountLabel"), P->Detail(), Amount);
    auto* Today = R.Add<TVyrDateTimeVar>(QStringLiteral("TodayVar"), P);
    Today->SetUpdateLevel(FootLevel);
    Shows(QStringLiteral("TodayLabel"), P->Detail(), Today);
    Shows(QStringLiteral("LooseLabel"), Loose, Amount);
    Shows(QStringLiteral("HeadLabel"), P->PageHead(), Amount);
    auto* Total = R.Add<TVyrTotalvar>(QStringLiteral("AmountTotal"), P);
    Total->SetVariable(Amount);
    Total->SetUpdateLevel(P->Detail()->UpdateLevel());
    R.Add<TVyrTotalvarLabel>(QStringLiteral("SumLabel"), P->Foot())->SetTotalVariable(Total);

    // Labels that show nothing, or less than was set, on the page header where no level is checked.
    TVyrBand* Head = P->PageHead();
    auto Blank = [&](const QString& Name, bool HasVar, bool HasCaption, bool HasLines) {
        TVyrvarlabel* L = Shows(Name, Head, HasVar ? Amount : nullptr);
        if (HasCaption) L->SetCaption(QStringLiteral("Total"));
        if (HasLines) L->Lines()->Add(QStringLiteral("Sum"));
    };
    Blank(QStringLiteral("Blank1"), false, false, false);
    Blank(QStringLiteral("Blank2"), false, true, true);
    Blank(QStringLiteral("Blank3"), true, false, true);
    Blank(QStringLiteral("Blank4"), true, true, false);
    Blank(QStringLiteral("Blank5"), true, true, true);
    Blank(QStringLiteral("Fine"), true, false, false);
    R.Add<TVyrCheckLabel>(QStringLiteral("PaidCheck"), Head);
    R.Add<TVyrBarCodeLabel>(QStringLiteral("CodeLabel"), Head);
    R.Add<TVyrImageLabel>(QStringLiteral("LogoImage"), Head);
    R.Add<TVyrTotalvarLabel>(QStringLiteral("NoTotal"), Head);
    R.Add<TVyrTextLabel>(QStringLiteral("Caption"), Head)->SetCaption(QStringLiteral("Orders"));

    // Settings that spoil a label's look.
    auto* Grows = R.Add<TVyrTextLabel>(QStringLiteral("Grows"), Head);
    Grows->SetCaption(QStringLiteral("x"));
    Grows->SetStretch(true);
    auto* Wraps = R.Add<TVyrTextLabel>(QStringLiteral("Wraps"), Head);
    Wraps->SetCaption(QStringLiteral("x"));
    Wraps->SetWrapText(true);
    Wraps->SetStretch(false);
    auto* Yellow = R.Add<TVyrTextLabel>(QStringLiteral("Yellow"), Head);
    Yellow->SetCaption(QStringLiteral("x"));
    Yellow->SetColor(clYellow);
    Shows(QStringLiteral("NoteLabel"), Head, Var(QStringLiteral("NoteVar"), nullptr, dtypeMemo));

    TDiagnosis D(R.Report, R.Designer.get());
    const QString Caption = QStringLiteral(" The caption property will not be displayed. ");
    const QString Grown = QStringLiteral("The label Grows has its Stretch property  set to True, but the "
                                         "Stretch property of its band is false.   "
                                         "This may be intentional, but be sure that if Grows needs to "
                                         "stretch, that PageHeaderBand is tall enough "
                                         "to allow it to grow as tall as it needs to be.");
    const QString Unwrapped =
        QStringLiteral("The label Grows has its Stretch property set to true, but its WrapText property is "
                       "set to false. This "
                       "means that Grows will grow in height if necessary, but it will not wrap text, so it "
                       "probably won't have a "
                       "chance to grow in height. This probably is not the result you planned on. If you "
                       "want the label to wrap "
                       "text when necessary, set Stretch to true, and WrapText to true.");
    EXPECT_EQ(
        D.Texts(),
        (QStringList{
            "Severe Problems",
            " UpdateLevel Errors",
            "The DataSources updatelevel is different than the Detail bands updatelevel",
            "AmountLabel's variable, AmountVar, has a different UpdateLevel than AmountLabel's parent, "
            "DetailBand",
            "SumLabel's TotalVariable, AmountTotal, has a different UpdateLevel than SumLabel's "
            "TotalVariable "
            "'s variable's UpdateLevel. SumLabel's TotalVariable's variable is AmountVar",
            "The above errors were caused by variables not having the same updatelevel as the bands on which "
            "they were used.  This may be intentional, but generally this indicates an error. ",
            "Possible Errors",
            " Blank Label Errors",
            "Blank1 has no variable, its lines property is nil, and its caption is blank. ",
            "Blank2 has its caption and its Lines property set. The Lines property will not be displayed.",
            "Blank3 has its lines property and its variable set." + Caption,
            "Blank4 has its variable and its caption set." + Caption,
            "Blank5 has its variable, its caption, and its Lines properties set. The caption and Lines "
            "properties will not be displayed. ",
            "The TVyrCheckLabel PaidCheck has no variable",
            "The TVyrBarCodeLabel CodeLabel has no variable",
            "The TVyrImageLabel LogoImage has no variable or picture filled in.",
            "NoTotal has no variable",
            "The above errors were caused by varlabels having both nil variables and nil Lines properties. "
            "The "
            "new VarLabels have both of these properties, and one of the two should not be nil.  The new "
            "VarLabels can be used to display their Lines property much like The old TextLabels used to, or "
            "they can also be set to display variables, just like VarLabels used to. Make sure that either "
            "the varlabels get valid variables, or they get a non-nil value for their lines property before "
            "they print.",
            "Suggestions and Hints",
            "  Misc Errors",
            Grown + Unwrapped,
            "The label Wraps has its Stretch property  set to false, but its WrapText property is set to "
            "True. "
            "This means that Wraps will wrap text to a new line if necessary, but it will not grow in height "
            "in "
            "order to do so. You may have done this intentionally, but be careful to make sure that "
            "eitherWraps's "
            "height is big enough to accomodate any possible caption it may get, or its Stretch property "
            "gets "
            "set to True.",
            "You have changed the color of Yellow from its default, but you have left its transparent "
            "property "
            "to True.  Transparent must be set to false in order to change the color of a label, otherwise "
            "the "
            "label will be the same color as whatever is underneath it.",
            "NoteLabel's variable, NoteVar is of type dTypeMemo, but NoteLabel has its WrapText or Stretch "
            "property set to false. Both of these properties should probably be set to true. Otherwise, the "
            "label will not wrap or move text down to the  next line when text goes beyond the end of the "
            "label.",
            "The above errors effect the appearance of your report, and should probably be fixed."}));
    // Two findings of one label make one text after one byte-order mark.
    const int GrowsRow =
        int(std::find(P->Labels()->begin(), P->Labels()->end(), Grows) - P->Labels()->begin());
    EXPECT_EQ(D.Form->MiscFinding(GrowsRow), Utf16(Grown + Unwrapped));
}

TEST(Diagnostic, ChecksThePageAndEachSubDataBandForASourceOrBothLoopEvents) {
    TDesignedReport R;
    TVyrGrouppage* P = R.Page;
    DefineMethod<void(TComponent*)>(R.Form.get(), QStringLiteral("LinesStart"), [](TComponent*) {});
    DefineMethod<void(TComponent*)>(R.Form.get(), QStringLiteral("LinesSkip"), [](TComponent*) {});
    auto Loop = [&](const QString& Name, bool Start, bool Skip) {
        auto* B = R.Add<TVyrSubDataBand>(Name, P);
        B->SetBand(P->Detail());
        if (Start) SetPropValue(B, QStringLiteral("OnDataStart"), QStringLiteral("LinesStart"));
        if (Skip) SetPropValue(B, QStringLiteral("OnDataSkip"), QStringLiteral("LinesSkip"));
    };
    Loop(QStringLiteral("BothNamed"), true, true);
    Loop(QStringLiteral("StartOnly"), true, false);
    Loop(QStringLiteral("SkipOnly"), false, true);
    P->OrderBands();
    // The page's own events are set in code, without a handler's name.
    P->OnDataStart = [](TComponent*) {};
    P->OnDataSkip = [](TComponent*) {};
    const QStringList Expected{"Severe Problems",
                               " DataSource Errors",
                               "The TVyrSubDataBand, StartOnly" + NilSource,
                               "The TVyrSubDataBand, SkipOnly" + NilSource,
                               "Possible Errors",
                               "There are no labels to check.",
                               "Suggestions and Hints",
                               "There are no Labels to check."};
    // The designer names no handler set in code.
    QStringList WithDesigner = Expected;
    WithDesigner.insert(2, "The TVyrGroupPage, ReportPage" + NilSource);
    EXPECT_EQ(TDiagnosis(R.Report, R.Designer.get()).Texts(), WithDesigner);
    // Called from code, a handler set in code fills its event in.
    EXPECT_EQ(TDiagnosis(R.Report, nullptr).Texts(), Expected);
}

TEST(Diagnostic, APageWithoutLabelsSourcesOrEventsHasOnlyItsPageRowAndNothingToCheck) {
    auto Form = std::make_unique<TReportTestForm>();
    auto* Report = Make<TVyrReport>(Form.get(), QStringLiteral("Report1"), nullptr);
    Make<TVyrGrouppage>(Form.get(), QStringLiteral("ReportPage"), Report)->AddMainBands();
    EXPECT_EQ(
        TDiagnosis(Report, nullptr).Texts(),
        (QStringList{"Severe Problems", " DataSource Errors", "The TVyrGroupPage, ReportPage" + NilSource,
                     "Possible Errors", "There are no labels to check.", "Suggestions and Hints",
                     "There are no Labels to check."}));
}
