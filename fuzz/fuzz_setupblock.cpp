// The tagged printer-setup block of a document's pages: read, written and read back to the same
// settings.
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
    TMemoryStream Out;
    Setup.WriteToStream(Out);
    Out.SetPosition(2);
    TPimPrinterSetup Back;
    Back.ReadFromStream(Out);
    TMemoryStream Again;
    Back.WriteToStream(Again);
    if (Again.Size() != Out.Size() || memcmp(Again.Memory(), Out.Memory(), size_t(Out.Size())) != 0) abort();
    return 0;
}
