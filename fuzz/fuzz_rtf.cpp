// Rich text as a rich-text label or a document record holds it: loaded, measured and drawn in ranges.
#include "fuzz/harness.h"
#include "host/exceptions.h"
#include "output/PimRtfP.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    auto Page = FuzzPage();
    TMemoryStream In = FuzzStream(Data, Size);
    try {
        TPimRtfDraw Rtf;
        Rtf.SetPixelsPerInchX(48);
        Rtf.SetPixelsPerInchY(48);
        Rtf.LoadFromStream(In);
        Rtf.SetHandle(Page.get());
        Rtf.SetOutRect(Rect(0, 0, 150, 60));
        // Each range ends where the last stopped; a range that draws nothing ends the walk.
        for (int Round = 0; Round < 4 && Rtf.Position() < Rtf.TextLength(); ++Round) {
            const int Before = Rtf.Position();
            Rtf.Print();
            if (Rtf.Position() <= Before) break;
        }
    } catch (const Exception&) {
    }
    return 0;
}
