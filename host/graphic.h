#pragma once
#include "host/canvas.h"
#include "host/exceptions.h"
#include "host/streams.h"

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QString>
#include <memory>

class QPainter;
class QSvgRenderer;

// Raised when the bytes handed to a graphic are not a picture of its kind.
class EInvalidGraphic : public Exception {
    using Exception::Exception;
};

// A picture loaded from bytes. The bytes are kept exactly as read, so saving gives back the very same
// file (a re-encoded PNG or JPEG would not be the picture the user stored). Width and Height are in
// screen pixels.
class TGraphic : public TDrawable {
public:
    virtual ~TGraphic();

    // Reads from the stream's position; raises EInvalidGraphic (the stream's position is then
    // unspecified) when the bytes are not a picture of this kind.
    void LoadFromStream(TStream& Stream);
    void SaveToStream(TStream& Stream) const;
    void LoadFromFile(const QString& FileName);
    void SaveToFile(const QString& FileName) const;

    bool Empty() const override { return FData.isEmpty(); }
    int Width() const override;
    int Height() const override;
    // Stretches the picture into Rect (right and bottom excluded, logical units of DC).
    void StretchDrawOn(DeviceContext& DC, const TRect& Rect) const override;
    const QByteArray& Data() const { return FData; }

    // Paints the picture into Target; nothing for an empty graphic.
    virtual void Render(QPainter& Painter, const QRectF& Target) const;
    // The picture as pixels of the given size (its own size when either is 0 or less).
    virtual QImage ToImage(int W = 0, int H = 0) const;

    // The screen's pixels per inch that picture sizes are measured at: the host screen's, so that a
    // picture and the text beside it agree; ResetApplication puts it back.
    static int ScreenPixelsPerInch();
    static void SetScreenPixelsPerInch(int Value);

protected:
    TGraphic() = default;
    // How many of the Available bytes at the stream's position make up the picture.
    virtual int64_t TakeCount(TStream& Stream, int64_t Available) const;
    // Makes the drawable form of FData; raises EInvalidGraphic when it cannot.
    virtual void Decode() = 0;
    void DecodeImage(const char* Format, const char* What);

    QByteArray FData;
    QImage FImage;
};

// Fills the colour table of an indexed image up to every value its pixels can hold, the added
// entries black: the image readers keep a file's short table as it is, and drawing would look the
// colours of larger indices up past its end.
void PadColorTable(QImage& Image);

class TBitmap : public TGraphic {
public:
    TBitmap();
    // Takes Image as the bitmap file it would be saved in, as a picture drawn in code (a glyph).
    void LoadFromImage(const QImage& Image);

protected:
    int64_t TakeCount(TStream& Stream, int64_t Available) const override;
    void Decode() override;
};

class TIcon : public TGraphic {
public:
    TIcon();

protected:
    void Decode() override;
};

class TPngImage : public TGraphic {
public:
    TPngImage();

protected:
    void Decode() override;
};

class TGIFImage : public TGraphic {
public:
    TGIFImage();

protected:
    void Decode() override;
};

class TJPEGImage : public TGraphic {
public:
    TJPEGImage();

protected:
    void Decode() override;
};

// Any other format the image readers know, told apart by content.
class TWICImage : public TGraphic {
public:
    TWICImage();

protected:
    void Decode() override;
};

// An enhanced metafile or a placeable Windows metafile, drawn as vectors. Its size comes from the
// picture frame (enhanced) or the bounding box and units per inch (placeable).
class TMetafile : public TGraphic {
public:
    TMetafile();
    ~TMetafile() override;

    bool Enhanced() const { return FEnhanced; }
    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }
    void Render(QPainter& Painter, const QRectF& Target) const override;
    QImage ToImage(int W = 0, int H = 0) const override;
    // Turned into pixels at the size the rectangle has on the device, so it stays sharp on a printer.
    void StretchDrawOn(DeviceContext& DC, const TRect& Rect) const override;
    // The vector form the metafile is drawn from; empty where no converter was built in.
    const QByteArray& Svg() const { return FSvg; }
    // Whether metafiles of each kind can be drawn in this build.
    static bool CanDrawEnhanced();
    static bool CanDrawPlaceable();

protected:
    void Decode() override;

private:
    void DecodeEnhanced();
    void DecodePlaceable();

    bool FEnhanced = false;
    int FWidth = 0;
    int FHeight = 0;
    QByteArray FSvg;
    std::unique_ptr<QSvgRenderer> FRenderer;
};
