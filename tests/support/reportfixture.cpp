#include "support/reportfixture.h"
#include "host/db.h"
#include "host/exceptions.h"
#include "host/forms.h"
#include "host/memdataset.h"
#include "host/properties.h"
#include "host/streams.h"
#include "report/PSetup.h"

TReportTestForm::TReportTestForm(TComponent* AOwner) : TForm(AOwner) {}

TTestLabel::TTestLabel(TComponent* AOwner) : TVyrLabel(AOwner) {}

void TTestLabel::DefineProperties(TFiler* Filer) {
    TVyrLabel::DefineProperties(Filer);
    Filer->DefineBinaryProperty(
        QStringLiteral("Blob"),
        [this](TStream& Stream) {
            Blob.resize(static_cast<qsizetype>(Stream.Size() - Stream.Position()));
            Stream.ReadBuffer(Blob.data(), Blob.size());
        },
        [this](TStream& Stream) { Stream.WriteBuffer(Blob.constData(), Blob.size()); }, !Blob.isEmpty());
}

void RegisterReportTestClasses() {
    static const bool Done = [] {
        DeclareProperties<TReportTestForm, TControl>();
        DeclareProperties<TTestLabel, TVyrLabel>().Publish("Caption").Publish("Font").Publish("ParentFont");
        RegisterClasses<TReportTestForm, TTestLabel>();
        return true;
    }();
    (void)Done;
}

TToldErrors::TToldErrors() {
    Application()->OnException = [this](TComponent*, const Exception& E) { Messages << E.Message(); };
}

TToldErrors::~TToldErrors() {
    Application()->OnException = nullptr;
}

void UseTestPaper(TVyrPageSetup* Setup) {
    Setup->SetAdjustMargin(false);
    Setup->SetSize(psCustom);
    Setup->SetWidth(3);
    Setup->SetHeight(4);
    Setup->SetLeftMargin(0.5);
    Setup->SetTopMargin(0.5);
    Setup->SetRightMargin(0.5);
    Setup->SetBottomMargin(0.5);
}

void FillNumbered(TMemDataSet& Set, const QString& Field, int Records) {
    Set.FieldDefs().Add(Field, ftInteger);
    Set.Open();
    for (int i = 1; i <= Records; ++i) Set.AppendRecord({i});
}
