// Picture bytes as a document record or an image label holds them: recognised, loaded and drawn
// through the host's graphics and through the bitmap drawn with its own palette.
#include "fuzz/harness.h"
#include "host/exceptions.h"
#include "output/PimImg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    auto Page = FuzzPage();
    TMemoryStream In = FuzzStream(Data, Size);
    try {
        if (auto Graphic = PimGetGraphic(&In)) {
            PimDrawBitMap(*Page, 3, 4, Graphic.get());
            PimStretchDrawBitMap(*Page, Rect(10, 10, 90, 70), Graphic.get());
        }
    } catch (const Exception&) {
    }
    In.SetPosition(0);
    TPimBitmap Bitmap;
    try {
        Bitmap.LoadFromStream(&In);
        Bitmap.Draw(*Page, 5, 5);
        Bitmap.StretchDraw(*Page, Rect(0, 0, 120, 30));
    } catch (const Exception&) {
    }
    return 0;
}
