#include "output/PimFile.h"

#include "host/canvas.h"
#include "host/encoding.h"
#include "host/exceptions.h"
#include "host/fonts.h"
#include "host/graphic.h"
#include "host/mathutil.h"
#include "host/streams.h"
#include "output/PimCtrl.h"
#include "output/PimImg.h"
#include "output/PimOut.h"
#include "output/PimRtfP.h"
#include "output/PimXport.h"

#include <algorithm>
#include <cstring>

// ---------------------------------------------------------------------------------------------
// Playing and custom record types

namespace {

std::vector<TPimRecType>& RecordTypes() {
    static std::vector<TPimRecType> Types;
    return Types;
}

void ThrowReadError() {
    throw EReadError(QStringLiteral("Stream read error"));
}

// Played coordinates are kept in 16 bits, as the records carry them.
int Short(int Value) {
    return int16_t(uint16_t(uint32_t(Value) & 0xFFFF));
}

} // namespace

bool DuplexNewJob = false;

void PimAddRecordType(int16_t RecType, TPimRecordPrintEvent Event) {
    RecordTypes().push_back(TPimRecType{RecType, std::move(Event)});
}

void PimResetRecordTypes() {
    RecordTypes().clear();
}

// TPimPimFileObject: the objects a played record selects

void TPimPimFileObject::CreateObject(int PixelsPerInchY) {
    switch (ObjectType) {
    case aotBrush:
        if (!Brush) {
            Brush = std::make_unique<TBrush>();
            Brush->SetColor(LogBrush.Color);
            Brush->SetStyle(TBrushStyle(LogBrush.Style));
        }
        if (!SelectBrush) SelectBrush = CreateBrushIndirect(Brush->LogBrush());
        break;
    case aotFont: {
        if (SelectFont && Font) break;
        // A size from a damaged file is bounded by the tallest character a page can show.
        const int Size = std::min<int>(LogFont.Size, MaxCharacterInches * 72);
        TLogFont LF;
        LF.lfHeight = -MulDiv(Size, PixelsPerInchY, 72);
        LF.lfWidth = 0;
        // The record keeps the low 16 bits; a clockwise angle was negative.
        LF.lfEscapement = int16_t(LogFont.Escapement);
        LF.lfOrientation = 0;
        LF.lfWeight = LogFont.Weight;
        LF.lfItalic = LogFont.Italic;
        LF.lfUnderline = LogFont.Underline;
        LF.lfStrikeOut = LogFont.StrikeOut;
        LF.lfCharSet = LogFont.CharSet;
        LF.lfOutPrecision = LogFont.OutPrecision;
        LF.lfClipPrecision = LogFont.ClipPrecision;
        LF.lfQuality = LogFont.Quality;
        LF.lfPitchAndFamily = LogFont.PitchAndFamily;
        LF.lfFaceName = PimWideFieldText(LogFont.Name, PimFontNameLength).left(LF_FACESIZE - 1);
        if (!SelectFont) SelectFont = CreateFontIndirect(LF);
        if (!Font) {
            Font = std::make_unique<TFont>();
            Font->SetPixelsPerInch(PixelsPerInchY);
            Font->SetLogFont(LF);
            Font->SetName(LF.lfFaceName);
            Font->SetColor(LogFont.Color);
            Font->SetSize(Size);
            Font->SetHeight(LF.lfHeight);
        }
        break;
    }
    case aotPen:
        if (!Pen) {
            Pen = std::make_unique<TPen>();
            Pen->SetColor(LogPen.Color);
            Pen->SetWidth(LogPen.Width);
            Pen->SetMode(TPenMode(LogPen.Mode));
            Pen->SetStyle(TPenStyle(LogPen.Style));
        }
        if (!SelectPen) SelectPen = CreatePenIndirect(Pen->LogPen());
        break;
    case aotNone:
        break;
    }
}

void TPimPimFileObject::DeleteObject() {
    for (HGDIOBJ* H : {&SelectFont, &SelectBrush, &SelectPen}) {
        if (*H) ::DeleteObject(*H);
        *H = 0;
    }
    Font.reset();
    Brush.reset();
    Pen.reset();
}

// TPimPimFile: the player

void TPimPimFile::PlayPage(DeviceContext* DC, int Page) {
    const int Count = PageCount();
    if (Count == 0 || !FStream || (!DC && !PlayFilter())) return;
    // While recording, the last page is still growing.
    if (FRunning ? (Count < 2 || Page < 1 || Page >= Count) : (Page < 1 || Page > Count)) return;
    TPimStream& S = *FStream;
    const int64_t Saved = S.Position();
    // Every page reselects its objects at its start, so nothing selected on a page played before
    // may reach this one.
    FLastFont = FLastPen = FLastBrush = -1;
    SetPlayDevice(DC);
    try {
        S.SetPosition(PagePosition(Page - 1)->Pos);
        const int64_t Size = S.Size();
        while (S.Position() < Size) {
            const uint16_t Type = ReadType();
            // An unknown record's length is unknown too: what follows it cannot be read as records.
            if (Type == rtEndPage || !PlayRecord(Type, DC)) break;
        }
    } catch (...) {
        ReleasePlayObjects(DC);
        S.SetPosition(Saved);
        throw;
    }
    ReleasePlayObjects(DC);
    S.SetPosition(Saved);
}

TPimExportFilter* TPimPimFile::PlayFilter() const {
    return FExporting && FExportFilter && !FExportFilter->IsGraphicExport() ? FExportFilter : nullptr;
}

void TPimPimFile::SetPlayDevice(DeviceContext* DC) {
    FPlayX = DC ? DC->GetDeviceCaps(LOGPIXELSX) : PixelsPerInchX();
    FPlayY = DC ? DC->GetDeviceCaps(LOGPIXELSY) : PixelsPerInchY();
    if (FHorzScale != 100) FPlayX = MulDiv(FPlayX, FHorzScale, 100);
    if (FVertScale != 100) FPlayY = MulDiv(FPlayY, FVertScale, 100);
    FPlayX = std::max(FPlayX, 0);
    FPlayY = std::max(FPlayY, 0);
}

// A document without a resolution has its coordinates in device pixels already.
int TPimPimFile::PlayX(int Value) const {
    return PixelsPerInchX() > 0 ? MulDiv(Value, FPlayX, PixelsPerInchX()) : Value;
}

int TPimPimFile::PlayY(int Value) const {
    return PixelsPerInchY() > 0 ? MulDiv(Value, FPlayY, PixelsPerInchY()) : Value;
}

void TPimPimFile::ReleasePlayObjects(DeviceContext* DC) {
    if (DC) {
        DC->SelectObject(GetStockObject(SYSTEM_FONT));
        DC->SelectObject(GetStockObject(NULL_BRUSH));
        DC->SelectObject(GetStockObject(BLACK_PEN));
    }
    if (FObjects)
        for (auto& Object : *FObjects)
            Object->DeleteObject();
}

TPimPimFileObject& TPimPimFile::PlayObject(int Index) {
    if (!FObjects || Index < 0 || Index >= int(FObjects->size()))
        throw EListError(QStringLiteral("List index out of bounds (%d)"), {QString::number(Index)});
    return *(*FObjects)[size_t(Index)];
}

TRect TPimPimFile::ReadPlayRect() {
    const TRect R = ReadRect();
    TRect S;
    S.Left = Short(PlayX(R.Left));
    S.Top = Short(PlayY(R.Top));
    S.Right = Short(S.Left + PlayX(R.Right - R.Left));
    S.Bottom = Short(S.Top + PlayY(R.Bottom - R.Top));
    return S;
}

QString TPimPimFile::ReadPlayChars(int32_t Count) {
    TPimStream& S = *FStream;
    if (Count < 0 || int64_t(Count) * 2 > S.Size() - S.Position()) ThrowReadError();
    QString Text(Count, Qt::Uninitialized);
    ReadPChar(reinterpret_cast<char16_t*>(Text.data()), Count);
    return Text;
}

void TPimPimFile::PlaySelectObject(DeviceContext* DC) {
    const int Index = ReadSmallInt();
    TPimPimFileObject& O = PlayObject(Index);
    O.CreateObject(FPlayY);
    TPimExportFilter* Filter = PlayFilter();
    switch (O.ObjectType) {
    case aotBrush:
        if (Filter) {
            Filter->SetBrush(*O.Brush);
        } else {
            DC->SelectObject(O.SelectBrush);
            DC->SetBkColor(ColorToRGB(O.LogBrush.Color));
            DC->SetBkMode(O.LogBrush.Style == bsSolid ? OPAQUE : TRANSPARENT);
        }
        FLastBrush = Index;
        break;
    case aotFont:
        if (Filter) {
            Filter->SetLogFont(*O.Font, O.LogFont);
        } else {
            DC->SelectObject(O.SelectFont);
            DC->SetTextColor(ColorToRGB(O.LogFont.Color));
        }
        FLastFont = Index;
        break;
    case aotPen:
        if (Filter)
            Filter->SetPen(*O.Pen);
        else
            DC->SelectObject(O.SelectPen);
        FLastPen = Index;
        break;
    case aotNone:
        break;
    }
}

// Pen widths are in document units: the shape is drawn with the pen at the device's scale.
void TPimPimFile::PlayShape(DeviceContext* DC, const std::function<void()>& Draw) {
    TLogPen LP;
    if (FLastPen == -1 || PlayObject(FLastPen).ObjectType != aotPen) {
        Draw();
        return;
    }
    TPimPimFileObject& O = PlayObject(FLastPen);
    O.CreateObject(FPlayY);
    if (!GetObject(O.SelectPen, LP)) {
        Draw();
        return;
    }
    LP.lopnWidth = Short(PlayX(LP.lopnWidth));
    const HPEN Scaled = CreatePenIndirect(LP);
    DC->SelectObject(Scaled);
    try {
        Draw();
    } catch (...) {
        DC->SelectObject(O.SelectPen);
        ::DeleteObject(Scaled);
        throw;
    }
    DC->SelectObject(O.SelectPen);
    ::DeleteObject(Scaled);
}

void TPimPimFile::PlayGraphic(DeviceContext* DC, const TRect* Rect, int X, int Y, TStream& Image) {
    Image.SetPosition(0);
    std::unique_ptr<TGraphic> Graphic;
    try {
        Graphic = PimGetGraphic(&Image);
    } catch (const Exception&) {
        return; // a picture nothing can read draws nothing
    }
    if (!Graphic || Graphic->Empty()) return;
    TRect R;
    if (Rect)
        R = *Rect;
    else
        R = TRect{X, Y, Short(X + PlayX(Graphic->Width())), Short(Y + PlayY(Graphic->Height()))};
    if (TPimExportFilter* Filter = PlayFilter())
        Filter->StretchDraw(R, Graphic.get());
    else
        PimStretchDrawBitMap(*DC, R, Graphic.get());
}

void TPimPimFile::PlayRtf(DeviceContext* DC) {
    ReadLongInt(); // the record's length, for readers that skip it
    const TRect Rect = ReadPlayRect();
    const bool SetDefFont = ReadBoolean();
    const int32_t StartPos = ReadLongInt();
    const int32_t EndPos = ReadLongInt();
    TMemoryStream Text;
    ReadStream(Text);
    Text.SetPosition(0);
    if (TPimExportFilter* Filter = PlayFilter()) {
        Filter->RtfDraw(Rect, &Text, StartPos, EndPos, SetDefFont);
        return;
    }
    if (FPlayX <= 0 || FPlayY <= 0) return;
    // Rich text before any font was chosen takes the default font.
    TFont Default;
    const TFont* Font = &Default;
    if (FLastFont != -1) {
        TPimPimFileObject& O = PlayObject(FLastFont);
        O.CreateObject(FPlayY);
        if (O.Font) Font = O.Font.get();
    }
    TPimRtfDraw Rtf;
    Rtf.SetFont(*Font);
    Rtf.SetDefaultFont = SetDefFont;
    Rtf.SetHandle(DC);
    Rtf.SetRangeStart(StartPos);
    Rtf.SetRangeEnd(EndPos);
    Rtf.SetPixelsPerInchX(FPlayX);
    Rtf.SetPixelsPerInchY(FPlayY);
    Rtf.SetOutRect(Rect);
    Rtf.LoadFromStream(Text);
    Rtf.Print();
}

void TPimPimFile::PlayBarcode(uint16_t RecType, DeviceContext* DC) {
    const int Left = Short(PlayX(ReadSmallInt()));
    const int Top = Short(PlayY(ReadSmallInt()));
    const int Width = Short(PlayX(ReadSmallInt()));
    const int Height = Short(PlayY(ReadSmallInt()));
    int NarrowWidth = ReadSmallInt();
    int WideWidth = ReadSmallInt();
    const bool Inches = ReadBoolean();
    const bool Vertical = ReadBoolean();
    const QString BarData = ReadString();
    // Thousandths of an inch need no scaling on paper.
    if (!(Inches && !(DC && PimIsScreen(DC)))) {
        NarrowWidth = Short(Vertical ? PlayY(NarrowWidth) : PlayX(NarrowWidth));
        WideWidth = Short(Vertical ? PlayY(WideWidth) : PlayX(WideWidth));
    }
    if (FLastBrush == -1) return;
    TPimPimFileObject& O = PlayObject(FLastBrush);
    O.CreateObject(FPlayY);
    if (TPimExportFilter* Filter = PlayFilter()) {
        if (RecType == rtPrint3of9Barcode)
            Filter->Print3of9Barcode(Left, Top, Width, Height, NarrowWidth, WideWidth, Inches, Vertical,
                                     BarData);
        else
            Filter->Print2of5Barcode(Left, Top, Width, Height, NarrowWidth, WideWidth, Inches, Vertical,
                                     BarData);
        return;
    }
    std::unique_ptr<TPimBarCode> Code;
    if (RecType == rtPrint3of9Barcode)
        Code = std::make_unique<TPim3of9BarCode>();
    else
        Code = std::make_unique<TPim2of5BarCode>();
    Code->SetWidth(Width);
    Code->SetHeight(Height);
    Code->SetNarrowWidth(NarrowWidth);
    Code->SetWideWidth(WideWidth);
    Code->SetWidthInInches_1000(Inches);
    Code->SetVertical(Vertical);
    Code->PrintDC(*DC, O.SelectBrush, Left, Top, BarData);
}

bool TPimPimFile::PlayRecord(uint16_t RecType, DeviceContext* DC) {
    TPimExportFilter* Filter = PlayFilter();
    if ((!DC && !Filter) || !FStream) return false;
    auto X = [this] { return Short(PlayX(ReadSmallInt())); };
    auto Y = [this] { return Short(PlayY(ReadSmallInt())); };
    switch (RecType) {
    case rtSelectObject:
        PlaySelectObject(DC);
        return true;
    case rtStartPage:
    case rtEndPage:
        return true;
    case rtSetTextAlign: {
        const uint16_t Flags = ReadWord();
        if (Filter)
            Filter->SetTextAlign(Flags);
        else
            DC->SetTextAlign(Flags);
        return true;
    }
    case rtTextout: {
        const int PX = X(), PY = Y();
        const QString Text = ReadString();
        if (Filter)
            Filter->Textout(PX, PY, Text);
        else
            DC->TextOut(PX, PY, Text);
        return true;
    }
    case rtMoveTo:
    case rtLineTo: {
        const int PX = X(), PY = Y();
        if (Filter)
            RecType == rtMoveTo ? Filter->MoveTo(PX, PY) : Filter->LineTo(PX, PY);
        else if (RecType == rtMoveTo)
            DC->MoveToEx(PX, PY);
        else
            DC->LineTo(PX, PY);
        return true;
    }
    case rtPTextout: {
        const int PX = X(), PY = Y();
        const QString Text = ReadPlayChars(ReadLongInt());
        if (Filter)
            Filter->PTextout(PX, PY, reinterpret_cast<const char16_t*>(Text.utf16()), int(Text.size()));
        else
            DC->TextOut(PX, PY, Text);
        return true;
    }
    case rtExtTextout: {
        const int PX = X(), PY = Y();
        const uint16_t Options = ReadWord();
        const TRect R = ReadPlayRect();
        const QString Text = ReadPlayChars(ReadLongInt());
        if (Filter)
            Filter->ExtTextout(PX, PY, Options, R, reinterpret_cast<const char16_t*>(Text.utf16()),
                               int(Text.size()));
        else
            DC->ExtTextOut(PX, PY, Options, &R, Text);
        return true;
    }
    case rtTextRect: {
        const TRect R = ReadPlayRect();
        const int PX = X(), PY = Y();
        const QString Text = ReadString();
        uint32_t Options = ETO_CLIPPED;
        if (FLastBrush != -1) {
            TPimPimFileObject& O = PlayObject(FLastBrush);
            O.CreateObject(FPlayY);
            if (O.LogBrush.Style != bsClear) Options |= ETO_OPAQUE;
        }
        if (Filter)
            Filter->TextRect(R, PX, PY, Text);
        else
            DC->ExtTextOut(PX, PY, Options, &R, Text);
        return true;
    }
    case rtFillRect: {
        TRect R = ReadPlayRect();
        // A screen shows at least one pixel of a fill that scaled down to nothing.
        if (DC && PimIsScreen(DC)) {
            if (R.Left >= R.Right) R.Right = R.Left + 1;
            if (R.Top >= R.Bottom) R.Bottom = R.Top + 1;
        }
        if (FLastBrush != -1) {
            TPimPimFileObject& O = PlayObject(FLastBrush);
            O.CreateObject(FPlayY);
            if (Filter)
                Filter->FillRect(R);
            else
                DC->FillRect(R, O.SelectBrush);
        }
        return true;
    }
    case rtRectangle:
    case rtEllipse: {
        const int X1 = X(), Y1 = Y(), X2 = X(), Y2 = Y();
        if (Filter)
            RecType == rtRectangle ? Filter->Rectangle(X1, Y1, X2, Y2) : Filter->Ellipse(X1, Y1, X2, Y2);
        else
            PlayShape(DC, [&] {
                if (RecType == rtRectangle)
                    DC->Rectangle(X1, Y1, X2, Y2);
                else
                    DC->Ellipse(X1, Y1, X2, Y2);
            });
        return true;
    }
    case rtRoundRect: {
        const int X1 = X(), Y1 = Y(), X2 = X(), Y2 = Y(), X3 = X(), Y3 = Y();
        if (Filter)
            Filter->RoundRect(X1, Y1, X2, Y2, X3, Y3);
        else
            PlayShape(DC, [&] { DC->RoundRect(X1, Y1, X2, Y2, X3, Y3); });
        return true;
    }
    case rtDraw:
    case rtStretchDraw: {
        TRect R;
        int PX = 0, PY = 0;
        if (RecType == rtStretchDraw) {
            R = ReadPlayRect();
        } else {
            PX = X();
            PY = Y();
        }
        ReadWord(); // the graphic's kind: the picture's own bytes tell
        TMemoryStream Image;
        ReadStream(Image);
        PlayGraphic(DC, RecType == rtStretchDraw ? &R : nullptr, PX, PY, Image);
        return true;
    }
    case rtShadeRect: {
        const TRect R = ReadPlayRect();
        const int Shade = ReadSmallInt();
        if (Shade < spNone || Shade > spLight) return true;
        if (Filter)
            Filter->ShadeRect(R, TPimShadePercent(Shade));
        else
            PimShadeRect(DC, R, TPimShadePercent(Shade));
        return true;
    }
    case rtSetBkColor: {
        const int32_t Color = ReadLongInt();
        if (Filter)
            Filter->SetBkColor(Color);
        else
            DC->SetBkColor(COLORREF(Color));
        return true;
    }
    case rtTextJustify: {
        const TRect R = ReadPlayRect();
        const int PX = X(), PY = Y();
        const QString Text = ReadString();
        const bool EndParagraph = ReadBoolean();
        // Files of the first versions had no outer box.
        const TRect Full = PimFileHeader.Version > 1.0f ? ReadPlayRect() : R;
        if (FLastFont == -1) return true;
        if (Filter)
            Filter->TextJustify(R, PX, PY, Text, EndParagraph, Full);
        else
            PimTextJustify(DC, R, PX, PY, Text, EndParagraph, Full);
        return true;
    }
    case rtDrawBitmap:
    case rtStretchDrawBitmap: {
        TRect R;
        int PX = 0, PY = 0;
        if (RecType == rtStretchDrawBitmap) {
            R = ReadPlayRect();
        } else {
            PX = X();
            PY = Y();
        }
        TMemoryStream Image;
        ReadStream(Image);
        Image.SetPosition(0);
        if (Filter) {
            if (RecType == rtDrawBitmap)
                Filter->DrawBitmap(PX, PY, &Image);
            else
                Filter->StretchDrawBitmap(R, &Image);
            return true;
        }
        TPimBitmap Bitmap;
        Bitmap.LoadFromStream(&Image);
        if (Bitmap.Empty()) return true;
        const int Ppi = PixelsPerInchX() > 0 ? PixelsPerInchX() : std::max(FPlayX, 1);
        if (RecType == rtDrawBitmap) {
            // A zoomed page shows the bitmap larger: it pretends to a lower resolution.
            Bitmap.SetPixelsPerInch(FVertScale > 0 ? std::max(MulDiv(Ppi, 100, FVertScale), 1) : Ppi);
            Bitmap.Draw(*DC, PX, PY);
        } else {
            Bitmap.SetPixelsPerInch(Ppi);
            Bitmap.StretchDraw(*DC, R);
        }
        return true;
    }
    case rtRtfDraw:
        PlayRtf(DC);
        return true;
    case rtDrawCheckBox: {
        const TRect R = ReadPlayRect();
        const int Style = ReadSmallInt();
        const TColor Color = ReadLongInt();
        const int Thickness = Short(PlayX(ReadSmallInt()));
        if (Filter)
            Filter->DrawCheckBox(R, TPimCheckStyle(Style), Color, Thickness);
        else
            PimDrawCheckBox(DC, R, TPimCheckStyle(Style), Color, Thickness);
        return true;
    }
    case rtDrawShapeType: {
        const int dt = ReadSmallInt();
        int Xs[4], Ys[4];
        for (int& V : Xs)
            V = Short(PlayX(ReadLongInt()));
        for (int& V : Ys)
            V = Short(PlayY(ReadLongInt()));
        if (Filter)
            Filter->DrawShapeType(TPimDrawType(dt), Xs[0], Ys[0], Xs[1], Ys[1], Xs[2], Ys[2], Xs[3], Ys[3]);
        else
            PlayShape(DC, [&] {
                PimDrawShapeType(DC, TPimDrawType(dt), Xs[0], Ys[0], Xs[1], Ys[1], Xs[2], Ys[2], Xs[3],
                                 Ys[3]);
            });
        return true;
    }
    case rtPolyDrawType: {
        const int pt = ReadSmallInt();
        const int N = ReadSmallInt();
        if (N < 0 || int64_t(N) * 8 > FStream->Size() - FStream->Position()) ThrowReadError();
        std::vector<TPoint> Points(static_cast<size_t>(N));
        for (TPoint& P : Points) {
            P.X = PlayX(ReadLongInt());
            P.Y = PlayY(ReadLongInt());
        }
        if (Filter)
            Filter->PolyDrawType(TPimPolyType(pt), Points.data(), N);
        else
            PlayShape(DC, [&] { PimPolyDrawType(DC, TPimPolyType(pt), Points.data(), N); });
        return true;
    }
    case rtPrint3of9Barcode:
    case rtPrint2of5Barcode:
        PlayBarcode(RecType, DC);
        return true;
    case rtPrinterInfo:
        ReadPrinterInfo(PimFilePrinterInfo);
        return true;
    case rtPrinterSetup:
        FPimPrinterSetup->ReadFromPimFile(this);
        return true;
    default:
        break;
    }
    for (const TPimRecType& Entry : RecordTypes())
        if (int(Entry.RecordType) == int(RecType)) {
            if (Entry.RecordPrintEvent) Entry.RecordPrintEvent(DC, this);
            return true;
        }
    return false;
}
