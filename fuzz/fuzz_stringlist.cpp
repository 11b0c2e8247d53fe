// String lists read from text, comma text and stream bytes; a list's comma text reads back as the
// same list.
#include "fuzz/harness.h"
#include "host/exceptions.h"
#include "host/lists.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const QString Text = FuzzText(Data, Size);
    TStringList L;
    L.SetCommaText(Text);
    TStringList Back;
    Back.SetCommaText(L.CommaText());
    if (Back.ToStringList() != L.ToStringList()) abort();
    L.SetText(Text);
    (void)L.Text();
    TMemoryStream In = FuzzStream(Data, Size);
    try {
        L.LoadFromStream(In);
    } catch (const Exception&) {
    }
    L.SetSorted(true);
    (void)L.Values(QStringLiteral("a"));
    return 0;
}
