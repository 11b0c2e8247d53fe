// Recognising and reading pictures, and laying out bar codes, as a report with many image and
// bar-code labels does for every record.
#include "offscreenmain.h"
#include "output/PimCtrl.h"
#include "output/PimImg.h"

#include <QBuffer>
#include <benchmark/benchmark.h>

namespace {

QByteArray Encoded(const char* Format, int Size) {
    QImage Image(Size, Size, QImage::Format_RGB32);
    for (int y = 0; y < Size; ++y)
        for (int x = 0; x < Size; ++x)
            Image.setPixel(x, y, qRgb(x & 255, y & 255, (x ^ y) & 255));
    QByteArray Bytes;
    QBuffer Buffer(&Bytes);
    Buffer.open(QIODevice::WriteOnly);
    Image.save(&Buffer, Format);
    return Bytes;
}

void FillStream(TMemoryStream& s, const QByteArray& Bytes) {
    s.Clear();
    s.WriteBuffer(Bytes.constData(), Bytes.size());
    s.SetPosition(0);
}

void BM_GetGraphicPng(benchmark::State& State) {
    const QByteArray Png = Encoded("png", int(State.range(0)));
    TMemoryStream s;
    for (auto _ : State) {
        FillStream(s, Png);
        benchmark::DoNotOptimize(PimGetGraphic(&s));
    }
}
BENCHMARK(BM_GetGraphicPng)->Arg(64)->Arg(512);

void BM_PimBitmapLoadAndDecode(benchmark::State& State) {
    const QByteArray Bmp = Encoded("bmp", int(State.range(0)));
    TMemoryStream s;
    for (auto _ : State) {
        FillStream(s, Bmp);
        TPimBitmap b;
        b.LoadFromStream(&s);
        benchmark::DoNotOptimize(b.ToImage());
    }
    State.SetBytesProcessed(State.iterations() * Bmp.size());
}
BENCHMARK(BM_PimBitmapLoadAndDecode)->Arg(64)->Arg(1024);

void BM_BarCodeLength(benchmark::State& State) {
    TPim3of9BarCode c39;
    TPim2of5BarCode c25;
    for (auto _ : State) {
        benchmark::DoNotOptimize(c39.BarCodeLengthAt(600, QStringLiteral("INVOICE-0012345")));
        benchmark::DoNotOptimize(c25.BarCodeLengthAt(600, QStringLiteral("0012345678905")));
    }
}
BENCHMARK(BM_BarCodeLength);

} // namespace

int main(int argc, char** argv) {
    return RunOffscreenBenchmarks(argc, argv);
}
