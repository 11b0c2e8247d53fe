// The tagged printer-setup block of a document's pages: read, then written and read back until it
// settles.
#include "fuzz/harness.h"
#include "host/exceptions.h"
#include "output/PimSetup.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    TMemoryStream In = FuzzStream(Data, Size);
    TPimPrinterSetup Setup;
    try {
        if (!Setup.ReadFromStream(In)) return 0;
    } catch (const Exception&) {
        return 0;
    }
    // A setting flags itself only when its value changes, so a setting forced to its default value
    // is not forced after one round; from then on the block must stay the same.
    TMemoryStream Once;
    Setup.WriteToStream(Once);
    Once.SetPosition(2);
    TPimPrinterSetup Back;
    Back.ReadFromStream(Once);
    TMemoryStream Twice;
    Back.WriteToStream(Twice);
    Twice.SetPosition(2);
    TPimPrinterSetup Again;
    Again.ReadFromStream(Twice);
    TMemoryStream Thrice;
    Again.WriteToStream(Thrice);
    if (Thrice.Size() != Twice.Size() || memcmp(Thrice.Memory(), Twice.Memory(), size_t(Twice.Size())) != 0)
        abort();
    return 0;
}
