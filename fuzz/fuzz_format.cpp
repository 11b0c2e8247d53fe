// Format patterns and texts as reports hold them: the first byte picks the routine, the next eight
// give the value, the rest is the pattern or the text, two bytes a character.
#include "fuzz/harness.h"
#include "host/exceptions.h"
#include "host/formatting.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    if (Size < 9) return 0;
    double Value;
    std::memcpy(&Value, Data + 1, sizeof Value);
    int64_t Raw;
    std::memcpy(&Raw, Data + 1, sizeof Raw);
    const QString Text = FuzzText(Data + 9, Size - 9);
    try {
        switch (Data[0] % 8) {
        case 0:
            (void)FormatFloat(Text, Value);
            break;
        case 1:
            (void)FormatCurr(Text, Currency::FromUnits(Raw));
            break;
        case 2:
            (void)FormatDateTime(Text, Value);
            break;
        case 3:
            (void)FormatMaskText(Text, QStringLiteral("1234567890abcdef"));
            break;
        case 4:
            (void)FloatToStrF(Value, TFloatFormat(Data[1] % 5), Data[2] % 20, Data[3] % 20);
            (void)CurrToStrF(Currency::FromUnits(Raw), TFloatFormat(Data[1] % 5), Data[3] % 5);
            break;
        case 5: {
            double D;
            (void)TryStrToFloat(Text, D);
            break;
        }
        case 6: {
            TDateTime D;
            (void)TryStrToDateTime(Text, D);
            break;
        }
        default:
            (void)StrToCurr(Text);
            break;
        }
    } catch (const Exception&) {
    }
    return 0;
}
