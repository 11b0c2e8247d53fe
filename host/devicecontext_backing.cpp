#include "host/devicecontext.h"
#include "host/devicecontext_internal.h"
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>

using namespace DeviceContextInternal;

// ---------------------------------------------------------------------------------------------
// Surfaces

TDeviceSurface::~TDeviceSurface() = default;

TImageSurface::TImageSurface(int Width, int Height, int PixelsPerInchX, int PixelsPerInchY, int Technology)
    : FOwned(std::make_unique<QImage>(std::max(1, Width), std::max(1, Height), QImage::Format_RGB32)),
      FImage(FOwned.get()) {
    FImage->fill(Qt::white);
    FCaps.Technology = Technology;
    FCaps.LogPixelsX = PixelsPerInchX > 0 ? PixelsPerInchX : 96;
    FCaps.LogPixelsY = PixelsPerInchY > 0 ? PixelsPerInchY : 96;
}

TImageSurface::TImageSurface(QImage* Image, int PixelsPerInchX, int PixelsPerInchY, int Technology)
    : FImage(Image) {
    FCaps.Technology = Technology;
    FCaps.LogPixelsX = PixelsPerInchX > 0 ? PixelsPerInchX : 96;
    FCaps.LogPixelsY = PixelsPerInchY > 0 ? PixelsPerInchY : 96;
}

TImageSurface::TImageSurface(const TDeviceCaps& Caps)
    : FOwned(std::make_unique<QImage>(std::max(1, Caps.HorzRes), std::max(1, Caps.VertRes),
                                      QImage::Format_RGB32)),
      FImage(FOwned.get()), FCaps(Caps), FFixedCaps(true) {
    FImage->fill(Qt::white);
}

TDeviceCaps TImageSurface::Caps() const {
    if (FFixedCaps) return FCaps;
    TDeviceCaps C = FCaps;
    C.PhysicalWidth = C.HorzRes = FImage->width();
    C.PhysicalHeight = C.VertRes = FImage->height();
    C.BitsPixel = FImage->depth();
    return C;
}

QPaintDevice* TImageSurface::PaintDevice() {
    return FImage;
}

TPdfSurface::TPdfSurface(const QString& FileName, QSizeF PaperMM, int Resolution, const QString& Title)
    : FWriter(std::make_unique<QPdfWriter>(FileName)), FPaperMM(PaperMM),
      FResolution(Resolution > 0 ? Resolution : 300) {
    FWriter->setResolution(FResolution);
    if (!Title.isEmpty()) FWriter->setTitle(Title);
    FWriter->setCreator(QStringLiteral("pimrun"));
    ApplyLayout();
}

TPdfSurface::~TPdfSurface() = default;

void TPdfSurface::ApplyLayout() {
    bool Landscape = FPaperMM.width() > FPaperMM.height();
    QSizeF Portrait = Landscape ? QSizeF(FPaperMM.height(), FPaperMM.width()) : FPaperMM;
    QPageLayout Layout(QPageSize(Portrait, QPageSize::Millimeter),
                       Landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF(0, 0, 0, 0),
                       QPageLayout::Millimeter);
    Layout.setMode(QPageLayout::FullPageMode);
    FWriter->setPageLayout(Layout);
}

void TPdfSurface::SetPaper(QSizeF PaperMM) {
    if (PaperMM.width() <= 0 || PaperMM.height() <= 0) return;
    FPaperMM = PaperMM;
    ApplyLayout();
}

void TPdfSurface::SetPrintableArea(int OffsetX, int OffsetY, int Width, int Height) {
    FPrintable = QRect(OffsetX, OffsetY, Width, Height);
}

TDeviceCaps TPdfSurface::Caps() const {
    TDeviceCaps C;
    C.Technology = DT_RASPRINTER;
    C.LogPixelsX = C.LogPixelsY = FResolution;
    C.PhysicalWidth = C.HorzRes = DevRound(FPaperMM.width() / 25.4 * FResolution);
    C.PhysicalHeight = C.VertRes = DevRound(FPaperMM.height() / 25.4 * FResolution);
    if (!FPrintable.isEmpty()) {
        C.PhysicalOffsetX = FPrintable.left();
        C.PhysicalOffsetY = FPrintable.top();
        C.HorzRes = FPrintable.width();
        C.VertRes = FPrintable.height();
    }
    C.BitsPixel = 24;
    return C;
}

QPoint TPdfSurface::Origin() const {
    return FPrintable.isEmpty() ? QPoint() : FPrintable.topLeft();
}

QPaintDevice* TPdfSurface::PaintDevice() {
    return FWriter.get();
}

bool TPdfSurface::NewPage() {
    return FWriter->newPage();
}

void TPdfSurface::Finish() {}
