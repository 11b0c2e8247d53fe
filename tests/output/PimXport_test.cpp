#include "host/classes.h"
#include "host/lists.h"
#include "host/streams.h"
#include "output/PimFile.h"
#include "output/PimXport.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// A filter that reads the document it is handed and notes what it found.
class TTextFilter : public TPimExportFilter {
public:
    explicit TTextFilter(TComponent* AOwner) : TPimExportFilter(AOwner) {
        SetDisplayName(QStringLiteral("Plain text"));
        SetFileExtension(QStringLiteral("*.txt"));
    }

    void GenerateToFile(TStream* PimFileStream, const QString& FileName, int CurrentPage) override {
        TPimPimFile Document;
        PimFileStream->SetPosition(0);
        Document.LoadFromStream(*PimFileStream);
        Pages = Document.PageCount();
        Title = Document.Description();
        Target = FileName;
        Page = CurrentPage;
    }

    int Pages = 0;
    QString Title;
    QString Target;
    int Page = 0;
};

TPimExportFilter* Registered(int Index) {
    return static_cast<TPimExportFilter*>(ExportFiltersList()->Items(Index));
}

} // namespace

TEST(PimExportFilters, TheListLivesExactlyWhileAFilterIsRegistered) {
    ASSERT_EQ(ExportFiltersList(), nullptr);
    auto First = std::make_unique<TTextFilter>(nullptr);
    auto Second = std::make_unique<TTextFilter>(nullptr);
    ASSERT_NE(ExportFiltersList(), nullptr);
    ASSERT_EQ(ExportFiltersList()->Count(), 2);
    EXPECT_EQ(Registered(0), First.get());
    EXPECT_EQ(Registered(1), Second.get());
    First.reset();
    ASSERT_EQ(ExportFiltersList()->Count(), 1);
    EXPECT_EQ(Registered(0), Second.get());
    Second.reset();
    EXPECT_EQ(ExportFiltersList(), nullptr);
}

TEST(PimExportFilters, ActiveRegistersOnceAndInactiveLeaves) {
    TTextFilter Filter(nullptr);
    EXPECT_TRUE(Filter.Active());
    Filter.SetActive(true);
    Filter.SetActive(true);
    ASSERT_NE(ExportFiltersList(), nullptr);
    EXPECT_EQ(ExportFiltersList()->Count(), 1);
    Filter.SetActive(false);
    EXPECT_FALSE(Filter.Active());
    EXPECT_EQ(ExportFiltersList(), nullptr);
    // Unregistering what is not there changes nothing.
    UnRegisterPimFilter(&Filter);
    EXPECT_EQ(ExportFiltersList(), nullptr);
}

TEST(PimExportFilters, AStoredFormWithActiveFalseUnregistersTheFilter) {
    TComponent Owner(nullptr);
    auto* Filter = new TTextFilter(&Owner);
    TPropertyCollector Collector;
    Collector.Collect(Filter);
    for (const auto& E : Collector.Entries)
        EXPECT_EQ(E.HasData, E.Name != QStringLiteral("Active")) << E.Name.toStdString();

    TPropertyCollector Stored;
    Stored.Entries.push_back({QStringLiteral("Active"), QVariant(false), {}, false, true});
    Stored.Entries.push_back(
        {QStringLiteral("DisplayName"), QVariant(QStringLiteral("CSV")), {}, false, true});
    Stored.Apply(Filter);
    EXPECT_FALSE(Filter->Active());
    EXPECT_EQ(Filter->DisplayName(), QStringLiteral("CSV"));
    EXPECT_EQ(ExportFiltersList(), nullptr);
}

TEST(PimExportFilters, AnOperationNotOverriddenRaisesTheAbstractError) {
    TPimExportFilter Filter(nullptr);
    EXPECT_THROW(Filter.BeginDoc(), EAbstractError);
    EXPECT_THROW(Filter.Rectangle(0, 0, 1, 1), EAbstractError);
    TMemoryStream M;
    EXPECT_THROW(Filter.GenerateToFile(&M, QStringLiteral("x"), 1), EAbstractError);
    EXPECT_FALSE(Filter.IsGraphicExport());
}

TEST(PimExportFilters, ARegisteredFilterReceivesASavedDocument) {
    TTextFilter Filter(nullptr);
    TPimPimFile Document;
    Document.SetDescription(QStringLiteral("Sales"));
    Document.BeginDoc();
    Document.Textout(0, 0, QStringLiteral("one"));
    Document.NewPage();
    Document.Textout(0, 0, QStringLiteral("two"));
    Document.EndDoc();

    // As the viewer does: save into memory and hand that to the filter the user chose.
    ASSERT_NE(ExportFiltersList(), nullptr);
    auto* Chosen = Registered(0);
    EXPECT_EQ(Chosen->DisplayName(), QStringLiteral("Plain text"));
    EXPECT_EQ(Chosen->FileExtension(), QStringLiteral("*.txt"));
    TMemoryStream Saved;
    Document.SaveToStream(Saved);
    Chosen->GenerateToFile(&Saved, QStringLiteral("out.txt"), 2);
    EXPECT_EQ(Filter.Pages, 2);
    EXPECT_EQ(Filter.Title, QStringLiteral("Sales"));
    EXPECT_EQ(Filter.Target, QStringLiteral("out.txt"));
    EXPECT_EQ(Filter.Page, 2);
}
