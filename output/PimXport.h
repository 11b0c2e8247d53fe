#pragma once
#include "host/classes.h"
#include "host/graphics.h"
#include "output/PimTypes.h"
#include "output/PimUtil.h"

#include <QString>
#include <cstdint>

class TGraphic;
class TList;
class TStream;

// The base of every export filter. Applications derive from it and override the operations; the
// system only keeps the registry of active filters, offers them in the viewer's save dialog and,
// while a document is exporting, plays its drawing operations into the chosen one. An operation a
// descendant does not override raises the abstract-call error.
class TPimExportFilter : public TComponent {
public:
    explicit TPimExportFilter(TComponent* AOwner);
    ~TPimExportFilter() override;

    // PimFileStream holds a saved document from its start.
    virtual void GenerateToFile(TStream* PimFileStream, const QString& FileName, int CurrentPage);
    virtual void GenerateToStream(TStream* PimFileStream, TStream* UserStream, int CurrentPage);
    virtual void BeginDoc();
    virtual void EndDoc();
    virtual void BeginPage();
    virtual void EndPage();
    virtual void SetFont(const TFont& Font);
    virtual void SetLogFont(const TFont& Font, const TPimLogFont& LogFont);
    virtual void SetPen(const TPen& Pen);
    virtual void SetBrush(const TBrush& Brush);
    virtual void SetTextAlign(uint16_t Flags);
    virtual void Textout(int X, int Y, const QString& Text);
    virtual void MoveTo(int X, int Y);
    virtual void LineTo(int X, int Y);
    virtual void PTextout(int X, int Y, const char16_t* Text, int Count);
    virtual void ExtTextout(int X, int Y, uint16_t Options, const TRect& Rect, const char16_t* Text,
                            int Count);
    virtual void TextRect(const TRect& Rect, int X, int Y, const QString& Text);
    virtual void FillRect(const TRect& Rect);
    virtual void Rectangle(int X1, int Y1, int X2, int Y2);
    virtual void RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3);
    virtual void Ellipse(int X1, int Y1, int X2, int Y2);
    virtual void Draw(int X, int Y, const TGraphic* Graphic);
    virtual void StretchDraw(const TRect& Rect, const TGraphic* Graphic);
    // Stream holds a BMP file image.
    virtual void DrawBitmap(int X, int Y, TStream* Stream);
    virtual void StretchDrawBitmap(const TRect& Rect, TStream* Stream);
    virtual void ShadeRect(const TRect& Rect, TPimShadePercent Shade);
    virtual void SetBkColor(int32_t bkColor);
    virtual void TextJustify(const TRect& Rect, int X, int Y, const QString& Text, bool EndParagraph,
                             const TRect& FullRect);
    // Stream holds rich text.
    virtual void RtfDraw(const TRect& Rect, TStream* Stream, int StartPos, int EndPos, bool SetDefFont);
    virtual void DrawCheckBox(const TRect& Rect, TPimCheckStyle CheckStyle, TColor Color, int Thickness);
    virtual void DrawShapeType(TPimDrawType dt, int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4,
                               int Y4);
    virtual void PolyDrawType(TPimPolyType pt, const TPoint* Points, int Count);
    virtual void Print3of9Barcode(int Left, int Top, int Width, int Height, int NarrowWidth, int WideWidth,
                                  bool Inches, bool Vertical, const QString& BarData);
    virtual void Print2of5Barcode(int Left, int Top, int Width, int Height, int NarrowWidth, int WideWidth,
                                  bool Inches, bool Vertical, const QString& BarData);

    // Active, DisplayName and FileExtension as named properties of the stored form.
    void DefineProperties(TFiler* Filer) override;

    // Whether the filter is in ExportFiltersList.
    bool Active() const { return FActive; }
    void SetActive(bool Value);
    // The text the save dialog lists for this filter, and the file mask shown with it.
    const QString& DisplayName() const { return FDisplayName; }
    void SetDisplayName(const QString& Value) { FDisplayName = Value; }
    const QString& FileExtension() const { return FFileExtension; }
    void SetFileExtension(const QString& Value) { FFileExtension = Value; }
    // A graphic export draws through a device context of its own; the player then draws into that
    // context instead of handing the filter each operation.
    bool IsGraphicExport() const { return FIsGraphicExport; }

protected:
    bool FActive = false;
    QString FDisplayName;
    QString FFileExtension;
    bool FIsGraphicExport = false;
    TStream* FMainStream = nullptr; // not owned
    QString FFileName;
};

// The active filters in the order they registered; nullptr while none is registered. The list does
// not own them.
TList* ExportFiltersList();
// Adds Filter once; the list is made on the first registration.
void RegisterPimFilter(TPimExportFilter* Filter);
// Removes Filter when present; the list is freed when its last filter leaves.
void UnRegisterPimFilter(TPimExportFilter* Filter);
