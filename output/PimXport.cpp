#include "output/PimXport.h"

#include "host/lists.h"

#include <memory>

namespace {

// Freed with its last entry, so that it exists exactly while some filter is registered.
std::unique_ptr<TList> GExportFilters;

} // namespace

TPimExportFilter::TPimExportFilter(TComponent* AOwner) : TComponent(AOwner) {
    SetActive(true);
}

TPimExportFilter::~TPimExportFilter() {
    UnRegisterPimFilter(this);
}

void TPimExportFilter::GenerateToFile(TStream*, const QString&, int) {
    AbstractError();
}
void TPimExportFilter::GenerateToStream(TStream*, TStream*, int) {
    AbstractError();
}
void TPimExportFilter::BeginDoc() {
    AbstractError();
}
void TPimExportFilter::EndDoc() {
    AbstractError();
}
void TPimExportFilter::BeginPage() {
    AbstractError();
}
void TPimExportFilter::EndPage() {
    AbstractError();
}
void TPimExportFilter::SetFont(const TFont&) {
    AbstractError();
}
void TPimExportFilter::SetLogFont(const TFont&, const TPimLogFont&) {
    AbstractError();
}
void TPimExportFilter::SetPen(const TPen&) {
    AbstractError();
}
void TPimExportFilter::SetBrush(const TBrush&) {
    AbstractError();
}
void TPimExportFilter::SetTextAlign(uint16_t) {
    AbstractError();
}
void TPimExportFilter::Textout(int, int, const QString&) {
    AbstractError();
}
void TPimExportFilter::MoveTo(int, int) {
    AbstractError();
}
void TPimExportFilter::LineTo(int, int) {
    AbstractError();
}
void TPimExportFilter::PTextout(int, int, const char16_t*, int) {
    AbstractError();
}
void TPimExportFilter::ExtTextout(int, int, uint16_t, const TRect&, const char16_t*, int) {
    AbstractError();
}
void TPimExportFilter::TextRect(const TRect&, int, int, const QString&) {
    AbstractError();
}
void TPimExportFilter::FillRect(const TRect&) {
    AbstractError();
}
void TPimExportFilter::Rectangle(int, int, int, int) {
    AbstractError();
}
void TPimExportFilter::RoundRect(int, int, int, int, int, int) {
    AbstractError();
}
void TPimExportFilter::Ellipse(int, int, int, int) {
    AbstractError();
}
void TPimExportFilter::Draw(int, int, const TGraphic*) {
    AbstractError();
}
void TPimExportFilter::StretchDraw(const TRect&, const TGraphic*) {
    AbstractError();
}
void TPimExportFilter::DrawBitmap(int, int, TStream*) {
    AbstractError();
}
void TPimExportFilter::StretchDrawBitmap(const TRect&, TStream*) {
    AbstractError();
}
void TPimExportFilter::ShadeRect(const TRect&, TPimShadePercent) {
    AbstractError();
}
void TPimExportFilter::SetBkColor(int32_t) {
    AbstractError();
}
void TPimExportFilter::TextJustify(const TRect&, int, int, const QString&, bool, const TRect&) {
    AbstractError();
}
void TPimExportFilter::RtfDraw(const TRect&, TStream*, int, int, bool) {
    AbstractError();
}
void TPimExportFilter::DrawCheckBox(const TRect&, TPimCheckStyle, TColor, int) {
    AbstractError();
}
void TPimExportFilter::DrawShapeType(TPimDrawType, int, int, int, int, int, int, int, int) {
    AbstractError();
}
void TPimExportFilter::PolyDrawType(TPimPolyType, const TPoint*, int) {
    AbstractError();
}
void TPimExportFilter::Print3of9Barcode(int, int, int, int, int, int, bool, bool, const QString&) {
    AbstractError();
}
void TPimExportFilter::Print2of5Barcode(int, int, int, int, int, int, bool, bool, const QString&) {
    AbstractError();
}

void TPimExportFilter::DefineProperties(TFiler* Filer) {
    TComponent::DefineProperties(Filer);
    Filer->DefineProperty(
        QStringLiteral("Active"), [this](const QVariant& V) { SetActive(V.toBool()); },
        [this] { return QVariant(FActive); }, !FActive);
    Filer->DefineProperty(
        QStringLiteral("DisplayName"), [this](const QVariant& V) { SetDisplayName(V.toString()); },
        [this] { return QVariant(FDisplayName); }, !FDisplayName.isEmpty());
    Filer->DefineProperty(
        QStringLiteral("FileExtension"), [this](const QVariant& V) { SetFileExtension(V.toString()); },
        [this] { return QVariant(FFileExtension); }, !FFileExtension.isEmpty());
}

void TPimExportFilter::SetActive(bool Value) {
    if (Value)
        RegisterPimFilter(this);
    else
        UnRegisterPimFilter(this);
    FActive = Value;
}

TList* ExportFiltersList() {
    return GExportFilters.get();
}

void RegisterPimFilter(TPimExportFilter* Filter) {
    if (!GExportFilters) GExportFilters = std::make_unique<TList>();
    if (GExportFilters->IndexOf(Filter) < 0) GExportFilters->Add(Filter);
}

void UnRegisterPimFilter(TPimExportFilter* Filter) {
    if (!GExportFilters) return;
    GExportFilters->Remove(Filter);
    if (GExportFilters->Count() == 0) GExportFilters.reset();
}
