#pragma once
#include "host/graphics.h"

#include <QString>
#include <vector>

class TCanvas;
class TDataSource;
class TPimCanvas;
class TVyrBand;
class TVyrGroup;
class TVyrPage;

// The bands of a page as rows of an outline (the band manager's list, or the page's own band list),
// and the tests that place each row in the band tree. Bands attached in a cycle, which a damaged form
// may hold, never make a walk up the tree run for ever: it stops after as many steps as there are
// bands.
class TVyrBandTree {
public:
    TVyrBandTree(TVyrPage* Page, std::vector<TVyrBand*> Rows);

    TVyrPage* Page() const { return FPage; }
    const std::vector<TVyrBand*>& Rows() const { return FRows; }
    // The row of a band; -1 when it has none.
    int RowOf(const TVyrBand* Band) const;

    // The last group of the page whose header or footer is Band; nullptr when none.
    TVyrGroup* GroupOfBand(const TVyrBand* Band) const;
    // How far the band is indented: one step per attached band up to its main band, and the main
    // band's own depth (detail and group bands lie inside the groups).
    int BandDepth(const TVyrBand* Band) const;
    // Whether the band is the first row of its family (the bands attached to its band, and that band).
    bool IsFirstOfFamily(const TVyrBand* Band) const;
    // Whether the band is the last attached row of its family.
    bool IsLastOfFamily(const TVyrBand* Band) const;
    // Whether the page's guide for Source updates at the band's level.
    bool IsSameLevel(const TDataSource* Source, const TVyrBand* Band) const;
    // Whether Ancestor lies above Band in the tree (Band's band, its band, and so on).
    bool IsAncestor(const TVyrBand* Ancestor, const TVyrBand* Band) const;

private:
    TVyrPage* FPage;
    std::vector<TVyrBand*> FRows;
    int FStepLimit;
};

// What the outline painters draw on: a list box's canvas, or a report's drawing surface.
class TVyrOutlineCanvas {
public:
    virtual ~TVyrOutlineCanvas();
    virtual TColor FontColor() const = 0;
    virtual void SetFontColor(TColor Value) = 0;
    virtual TColor BrushColor() const = 0;
    virtual void SetBrushColor(TColor Value) = 0;
    virtual void SetPen(TColor Color, int Width) = 0;
    virtual void FillRect(const TRect& R) = 0;
    virtual void MoveTo(int X, int Y) = 0;
    virtual void LineTo(int X, int Y) = 0;
    // Text at (X, Y) clipped to Clip, on the brush unless the brush is clear.
    virtual void TextRect(const TRect& Clip, int X, int Y, const QString& Text) = 0;
};

// The outline drawn on a canvas of class C, through its font, brush and pen.
template <class C> class TVyrOutlineOn : public TVyrOutlineCanvas {
public:
    explicit TVyrOutlineOn(C& Canvas) : FCanvas(Canvas) {}
    TColor FontColor() const override;
    void SetFontColor(TColor Value) override;
    TColor BrushColor() const override;
    void SetBrushColor(TColor Value) override;
    void SetPen(TColor Color, int Width) override;
    void FillRect(const TRect& R) override;
    void MoveTo(int X, int Y) override;
    void LineTo(int X, int Y) override;
    void TextRect(const TRect& Clip, int X, int Y, const QString& Text) override;

protected:
    C& FCanvas;
};
extern template class TVyrOutlineOn<TCanvas>;
extern template class TVyrOutlineOn<TPimCanvas>;

// The outline drawn on a host canvas, as the band manager's lists are.
class TVyrCanvasOutline final : public TVyrOutlineOn<TCanvas> {
public:
    using TVyrOutlineOn::TVyrOutlineOn;
};

// The outline drawn on a report's drawing surface, as a report that shows the band tree does: the text
// colour is the font's, a pen is recorded once with its width and colour, and a clear brush fills
// nothing, so rows lie on the band's own background.
class TVyrPimCanvasOutline final : public TVyrOutlineOn<TPimCanvas> {
public:
    using TVyrOutlineOn::TVyrOutlineOn;
    void SetPen(TColor Color, int Width) override;
    void FillRect(const TRect& R) override;
};

// How a band row is drawn where the outline is not the band manager's list.
struct TVyrOutlineOptions {
    // The list's item height: the connector's middle lies half of it above the row's bottom. 0 takes
    // half the row's own height instead.
    int ItemHeight = 14;
    // The depth at which the guide lines of the ancestors stop.
    int GuideStop = 0;
    // The second column with the data source and its level warning.
    bool DataSourceColumn = true;
};

// What painting a band row found, for the list that shows it.
struct TVyrBandRowPaint {
    // The left edge of the data-source column where a data source was written; -1 when none was.
    int ColumnLeft = -1;
    // The band's data source updates at another level than the band.
    bool LevelMismatch = false;
};

// Where a group row put its three columns.
struct TVyrGroupColumns {
    int Group = 0;
    int Variable = 0;
    int Event = 0;
};

// Paints the rows of the band outline and of the group list.
class TVyrBandPainter {
public:
    TVyrBandPainter(const TVyrBandTree& Tree, TVyrOutlineCanvas& Canvas, TVyrOutlineOptions Options = {});

    // The colour of a band's kind: green for group bands and data head and foot bands, blue for main
    // bands, maroon for sub data bands, black for the rest.
    TColor KindColor(const TVyrBand* Band) const;
    // Draws Band's row into R: indented by its depth, joined to its family, named, and with its data
    // source. A selected row shows its kind colour as background, any other as text.
    TVyrBandRowPaint PaintBandRow(TVyrBand* Band, const TRect& R, bool Selected);
    // The connector lines of Band's row, whose text starts at T (R is the whole row).
    void DrawBandLines(const TVyrBand* Band, const TRect& R, const TRect& T, int Depth);
    // Draws a group's row: its name, its variable's name and its break-test handler's name (Event),
    // or the placeholders. ListWidth is the list's own width, which the first column takes a part of.
    TVyrGroupColumns PaintGroupRow(const TVyrGroup* Group, const QString& Event, const TRect& R,
                                   int ListWidth);

private:
    // The data-source column's text for Band; empty for bands without a data source of their own.
    QString DataSourceText(const TVyrBand* Band, bool& Mismatch) const;
    void Line(int X1, int Y1, int X2, int Y2);
    // Whether the guide line of ancestor Q shows at depth I in the row of band B.
    bool GuideShows(const TVyrBand* Q, int RowOfB, int I) const;
    // The next ancestor whose guide line the walk looks at.
    const TVyrBand* NextGuide(const TVyrBand* Q) const;

    const TVyrBandTree& FTree;
    TVyrOutlineCanvas& FCanvas;
    TVyrOutlineOptions FOptions;
};
