// A document file as the viewer opens it: loaded, every page's printer settings looked up, the
// first pages played onto a page bitmap, and what loaded saved and loaded again.
#include "fuzz/harness.h"
#include "host/exceptions.h"
#include "output/PimFile.h"
#include "output/PimSetup.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    TMemoryStream In = FuzzStream(Data, Size);
    TPimPimFile F;
    try {
        F.LoadFromStream(In);
    } catch (const Exception&) {
        return 0;
    }
    auto Page = FuzzPage();
    TPimPrinterSetup Setup;
    for (int P = 1; P <= std::min(F.PageCount(), 4); ++P) {
        try {
            F.GetPagePrinterInfo(&Setup, P);
            (void)F.PageWidth();
            (void)F.PageHeight();
            F.PlayPage(Page.get(), P);
        } catch (const Exception&) {
        }
    }
    TMemoryStream Out;
    try {
        F.SaveToStream(Out);
    } catch (const Exception&) {
        return 0;
    }
    Out.SetPosition(0);
    TPimPimFile Again;
    // What was loaded and saved is a sound file.
    Again.LoadFromStream(Out);
    return 0;
}
