#include "fuzz/harness.h"

#include <QApplication>
#include <cstdlib>

// Drawing and measuring need the headless application object of the tests, at the tests' fixed
// pixels per inch, made once for the whole run.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_FONT_DPI", "96");
    static int Argc = 1;
    static char Name[] = "pimfuzz";
    static char* Argv[] = {Name, nullptr};
    static QApplication App(Argc, Argv);
    // Text with a character no face has makes the text engine open every face of that script, once
    // per process; that is done here, so that no input is charged for it.
    auto Page = FuzzPage();
    TLogFont Font;
    Font.lfHeight = -12;
    Font.lfFaceName = QStringLiteral("Arial");
    HFONT Handle = CreateFontIndirect(Font);
    Page->SelectObject(Handle);
    Page->TextOut(0, 0, QString::fromUcs4(U"\U000E0001\u0F00\u1200\u4E2D\u0BF5\u0E01\u0915\u05D0\u0627"));
    Page->SelectObject(GetStockObject(SYSTEM_FONT));
    DeleteObject(Handle);
    return 0;
}

TMemoryStream FuzzStream(const uint8_t* Data, size_t Size) {
    TMemoryStream Stream;
    if (Size > 0) Stream.WriteBuffer(Data, int64_t(Size));
    Stream.SetPosition(0);
    return Stream;
}

QByteArray FuzzBytes(const uint8_t* Data, size_t Size) {
    return QByteArray(reinterpret_cast<const char*>(Data), qsizetype(Size));
}

QString FuzzText(const uint8_t* Data, size_t Size) {
    QString Text(qsizetype(Size / 2), Qt::Uninitialized);
    for (size_t i = 0; i + 1 < Size; i += 2)
        Text[qsizetype(i / 2)] = QChar(char16_t(Data[i] | Data[i + 1] << 8));
    return Text;
}

std::unique_ptr<DeviceContext> FuzzPage() {
    return DeviceContext::CreateImage(160, 200, 48, 48);
}
