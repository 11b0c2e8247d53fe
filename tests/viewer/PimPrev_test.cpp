#include "host/devicecontext.h"
#include "host/exceptions.h"
#include "host/forms.h"
#include "host/mathutil.h"
#include "host/messages.h"
#include "host/streams.h"
#include "output/PimFile.h"
#include "output/PimSetup.h"
#include "support/devices.h"
#include "support/fakeprinter.h"
#include "support/pixelprobe.h"
#include "viewer/PimPrev.h"

#include <QApplication>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

// Every page carries a record of this type with its number; the handler notes the pages played.
constexpr int16_t PageMark = 701;

// Pages of a Letter document at 96 pixels per inch, each with a coloured box, a frame, a rule and
// text placed by its number, so that a page, a zoom or a scroll off by one pixel shows.
std::shared_ptr<TPimPimFile> Document(int Pages) {
    auto F = std::make_shared<TPimPimFile>();
    F->SetPixelsPerInchX(96);
    F->SetPixelsPerInchY(96);
    F->SetDescription(QStringLiteral("Quarterly figures"));
    F->BeginDoc();
    for (int Page = 1; Page <= Pages; ++Page) {
        if (Page > 1) F->NewPage();
        F->WriteType(uint16_t(PageMark));
        F->WriteSmallInt(Page);
        F->SetBrush(MakeBrush(Page == 2 ? clBlue : clGreen, bsSolid));
        F->FillRect(TRect{100 + Page * 10, 150, 420, 333});
        F->SetPen(MakePen(clRed, 3));
        F->SetBrush(MakeBrush(clWhite, bsClear));
        F->Rectangle(40, 40, 776, 1016);
        F->MoveTo(60, 700);
        F->LineTo(760, 705);
        F->SetFont(MakeFont(QStringLiteral("Arial"), 14, fsBold));
        F->Textout(200, 400 + Page * 7, QStringLiteral("Page %1 of the figures").arg(Page));
    }
    F->EndDoc();
    return F;
}

// The page as it looks at a zoom, played straight into an image of the zoomed paper.
QImage PlayedPage(TPimPimFile& F, int Page, int Zoom) {
    const int Width = int(Round(96 * (Zoom * 8.5 / 100)));
    const int Height = int(Round(96 * (Zoom * 11.0 / 100)));
    QImage Image(Width, Height, QImage::Format_RGB32);
    Image.fill(Qt::white);
    {
        auto DC = DeviceContext::CreateForImage(&Image, 96, 96);
        F.SetHorzScale(Zoom);
        F.SetVertScale(Zoom);
        F.PlayPage(DC.get(), Page);
    }
    return Image;
}

// The first pixel where the viewport differs from the page cut at (X, Y), with the button face
// where the page ends; empty when all agree.
QString FirstDifference(const QImage& Shown, const QImage& Page, int X, int Y) {
    const COLORREF Face = ColorToRGB(clBtnFace);
    const QRgb FaceRgb = qRgb(GetRValue(Face), GetGValue(Face), GetBValue(Face));
    for (int Row = 0; Row < Shown.height(); ++Row)
        for (int Column = 0; Column < Shown.width(); ++Column) {
            const QPoint At(Column + X, Row + Y);
            const QRgb Want = Page.rect().contains(At) ? Page.pixel(At) : FaceRgb;
            if ((Shown.pixel(Column, Row) & 0xFFFFFF) != (Want & 0xFFFFFF))
                return QStringLiteral("(%1, %2): %3 instead of %4")
                    .arg(Column)
                    .arg(Row)
                    .arg(Shown.pixel(Column, Row) & 0xFFFFFF, 6, 16)
                    .arg(Want & 0xFFFFFF, 6, 16);
        }
    return QString();
}

QImage Grab(TPimPreview& P) {
    return P.Viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

class PimPreview : public ::testing::Test {
protected:
    void SetUp() override {
        PimResetRecordTypes();
        std::vector<std::unique_ptr<TFakePrinter>> L;
        L.push_back(TFakePrinter::Office());
        Printers = std::make_unique<TFakePrinterList>(std::move(L));
        Fake = (*Printers)[0];
        PimAddRecordType(PageMark,
                         [this](DeviceContext*, TPimPimFile* F) { Played.push_back(F->ReadSmallInt()); });
    }
    void TearDown() override {
        Printers.reset();
        PimResetRecordTypes();
    }

    std::unique_ptr<TFakePrinterList> Printers;
    TFakePrinter* Fake = nullptr;
    std::vector<int> Played;
};

} // namespace

TEST_F(PimPreview, FitZoomsFollowTheControlAndThePaperAndNeverFallBelowOne) {
    TPimPreview P(nullptr);
    P.SetBounds(0, 0, 600, 400);
    P.SetPimZoom(azWidth);
    EXPECT_EQ(P.Zoom(), 72); // Round(600 * 100 / (96 * 8.5)) - 2
    P.SetBounds(0, 0, 800, 400);
    EXPECT_EQ(P.Zoom(), 96); // resizing refits
    P.SetPimZoom(azHeight);
    EXPECT_EQ(P.Zoom(), 36); // Round(400 * 100 / (96 * 11)) - 2
    P.SetBounds(0, 0, 600, 2000);
    P.SetPimZoom(azPage); // taller than the paper: the width decides
    EXPECT_EQ(P.Zoom(), 72);
    P.SetBounds(0, 0, 600, 400);
    EXPECT_EQ(P.Zoom(), 36);

    TPimPrinterSetup Landscape;
    Landscape.SetWidth(11);
    Landscape.SetLength(8.5);
    P.SetPimPrinterSetup(&Landscape);
    P.SetBounds(0, 0, 600, 600);
    EXPECT_EQ(P.Zoom(), 55); // Round(600 * 100 / (96 * 11)) - 2: the width decides
    P.SetBounds(0, 0, 1200, 600);
    EXPECT_EQ(P.Zoom(), 72); // Round(600 * 100 / (96 * 8.5)) - 2

    // A tiny control, a control of no size and a paper of no size keep a zoom of 1 or more.
    P.SetBounds(0, 0, 10, 10);
    EXPECT_EQ(P.Zoom(), 1);
    P.SetBounds(0, 0, 0, 300);
    EXPECT_EQ(P.Zoom(), 1);
    P.SetBounds(0, 0, 600, 0);
    EXPECT_EQ(P.Zoom(), 1);
    P.SetBounds(0, 0, 600, 400);
    TPimPrinterSetup NoPaper;
    NoPaper.SetWidth(0);
    NoPaper.SetLength(0);
    P.SetPimPrinterSetup(&NoPaper);
    P.SetPimZoom(azPage);
    P.SetPimZoom(azWidth);
    P.SetPimZoom(azHeight);
    EXPECT_GE(P.Zoom(), 1);
    P.SetZoom(-5);
    EXPECT_EQ(P.Zoom(), 1);

    // Halves go to the even neighbour: 612 pixels on a 100-ppi screen fit 8-inch paper at 76.5 %.
    const int ScreenPPI = Screen()->PixelsPerInch();
    Screen()->SetPixelsPerInch(100);
    TPimPrinterSetup Eight;
    Eight.SetWidth(8);
    P.SetPimPrinterSetup(&Eight);
    P.SetPimZoom(azWidth);
    P.SetBounds(0, 0, 612, 500);
    EXPECT_EQ(P.Zoom(), 74);
    P.SetBounds(0, 0, 628, 500); // 78.5 %
    EXPECT_EQ(P.Zoom(), 76);
    Screen()->SetPixelsPerInch(ScreenPPI);

    // A window's layout sizing the scroll area refits the zoom as well.
    P.SetPimPrinterSetup(&Landscape);
    P.SetPimZoom(azWidth);
    QWidget Window;
    auto* Layout = new QVBoxLayout(&Window);
    Layout->setContentsMargins(0, 0, 0, 0);
    Layout->addWidget(P.Widget());
    Window.resize(1200, 500);
    Window.show();
    EXPECT_EQ(P.Width(), 1200);
    EXPECT_EQ(P.Height(), 500);
    EXPECT_EQ(P.Zoom(), 112); // Round(1200 * 100 / (96 * 11)) - 2

    // Without a document a zoom is only stored; the paint box keeps no size.
    P.SetPimZoom(az150);
    EXPECT_EQ(P.Zoom(), 150);
    EXPECT_EQ(P.PaintBox()->Width(), 0);
    EXPECT_EQ(P.PageCount(), 0);
    EXPECT_EQ(P.Description(), QString());
    EXPECT_EQ(P.LoadPercent(), 0);
}

TEST_F(PimPreview, PagesAreSizedByZoomAndOnlyExistingPagesAreShown) {
    TPimPreview P(nullptr);
    auto Doc = Document(3);
    P.LoadFromPimFile(Doc);
    EXPECT_EQ(P.PimFile(), Doc); // the same object, not a copy
    EXPECT_EQ(P.PageCount(), 3);
    EXPECT_EQ(P.Description(), QStringLiteral("Quarterly figures"));
    for (auto [Zoom, Width, Height] : {std::tuple{50, 408, 528}, {100, 816, 1056}, {200, 1632, 2112}}) {
        P.SetZoom(Zoom);
        EXPECT_EQ(P.PaintBox()->Width(), Width) << Zoom;
        EXPECT_EQ(P.PaintBox()->Height(), Height) << Zoom;
        EXPECT_EQ(Doc->HorzScale(), Zoom);
        EXPECT_EQ(P.HorzScrollBar().Range, Width);
    }

    EXPECT_EQ(P.Page(), 1);
    P.SetPage(0);
    EXPECT_EQ(P.Page(), 1);
    P.SetPage(4);
    EXPECT_EQ(P.Page(), 1);
    P.LastPage();
    EXPECT_EQ(P.Page(), 3);
    P.NextPage();
    EXPECT_EQ(P.Page(), 3);
    P.PriorPage();
    EXPECT_EQ(P.Page(), 2);
    P.FirstPage();
    P.PriorPage();
    EXPECT_EQ(P.Page(), 1);

    // Loading shows page 1 afresh, also when page 1 was shown.
    TMemoryStream Saved;
    P.SaveToStream(Saved);
    Saved.SetPosition(0);
    TPimPreview Q(nullptr);
    Q.LoadFromStream(Saved);
    EXPECT_EQ(Q.Page(), 1);
    EXPECT_EQ(Q.PageCount(), 3);
    EXPECT_EQ(Q.PaintBox()->Width(), 816);
    Q.SetDescription(QStringLiteral("Renamed"));
    EXPECT_EQ(Q.Description(), QStringLiteral("Renamed"));
    EXPECT_EQ(Doc->Description(), QStringLiteral("Quarterly figures"));
}

TEST_F(PimPreview, TheViewportShowsThePagePlayedAtTheZoomCutAtTheScrollPosition) {
    auto Doc = Document(3);
    TPimPreview P(nullptr);
    P.SetBounds(0, 0, 400, 300);
    P.Widget()->show();
    P.LoadFromPimFile(Doc);
    P.SetPage(2);
    ASSERT_EQ(P.Zoom(), 100);

    // Scrolled by messages at 100 %.
    P.Perform(WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 120));
    P.Perform(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 200));
    ASSERT_EQ(P.HorzScrollBar().Position, 120);
    ASSERT_EQ(P.VertScrollBar().Position, 200);
    const QImage Shown = Grab(P);
    ASSERT_EQ(Shown.size(), P.ClientRect().size());
    const QImage Page100 = PlayedPage(*Doc, 2, 100);
    EXPECT_EQ(FirstDifference(Shown, Page100, 120, 200), QString());
    // The blue box of page 2 is in view: a sign that the page is not blank.
    EXPECT_GT(CountColor(Shown, qRgb(0, 0, 255)), 10000);

    // The whole page fits and lies at the top left on the button face.
    P.SetPimZoom(azPage);
    ASSERT_LT(P.Zoom(), 30);
    EXPECT_EQ(P.HorzScrollBar().Position, 0);
    EXPECT_EQ(P.VertScrollBar().Position, 0);
    const QImage Fitted = Grab(P);
    EXPECT_EQ(FirstDifference(Fitted, PlayedPage(*Doc, 2, P.Zoom()), 0, 0), QString());
    // Painting puts back the scale the document had, which a print run of another holder relies on.
    Doc->SetHorzScale(100);
    Doc->SetVertScale(100);
    Played.clear();
    Grab(P);
    EXPECT_EQ(Played, std::vector<int>({2}));
    EXPECT_EQ(Doc->HorzScale(), 100);
    EXPECT_EQ(Doc->VertScale(), 100);
}

TEST_F(PimPreview, EitherTheWindowOrThePreviewMayGoFirst) {
    auto Doc = Document(2);
    {
        auto* Window = new QWidget();
        auto* P = new TPimPreview(nullptr);
        P->Widget()->setParent(Window);
        P->LoadFromPimFile(Doc);
        delete Window; // frees the scroll area under the preview
        EXPECT_EQ(P->Widget(), nullptr);
        P->SetZoom(50);
        P->SetPage(2);
        P->PaintPage(P->PaintBox2());
        EXPECT_FALSE(P->PaintImage().isNull());
        delete P;
    }
    QWidget Window;
    auto* P = new TPimPreview(nullptr);
    P->Widget()->setParent(&Window);
    delete P;
    EXPECT_TRUE(Window.findChildren<QWidget*>().isEmpty());
    EXPECT_EQ(Doc.use_count(), 1); // the previews let go of the document they shared
}

TEST_F(PimPreview, ScrollMessagesMoveByIncrementPageAndPositionWithinTheRange) {
    TPimPreview P(nullptr);
    P.SetBounds(0, 0, 400, 300);
    P.Widget()->show();
    P.LoadFromPimFile(Document(1));
    P.HorzScrollBar().Increment = 24;
    P.VertScrollBar().Increment = 24;
    int Horz = 0, Vert = 0;
    P.OnHorzScroll = [&](TComponent* Sender) {
        EXPECT_EQ(Sender, &P);
        ++Horz;
    };
    P.OnVertScroll = [&](TComponent*) { ++Vert; };
    const int ClientWidth = P.ClientWidth();
    const int ClientHeight = P.ClientHeight();
    EXPECT_EQ(P.PaintBox2()->Width(), ClientWidth);

    P.Perform(WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0));
    EXPECT_EQ(P.VertScrollBar().Position, 24);
    P.Perform(WM_VSCROLL, MAKEWPARAM(SB_PAGEDOWN, 0));
    EXPECT_EQ(P.VertScrollBar().Position, 24 + ClientHeight);
    P.Perform(WM_VSCROLL, MAKEWPARAM(SB_PAGEUP, 0));
    P.Perform(WM_VSCROLL, MAKEWPARAM(SB_LINEUP, 0));
    P.Perform(WM_VSCROLL, MAKEWPARAM(SB_LINEUP, 0));
    EXPECT_EQ(P.VertScrollBar().Position, 0);
    EXPECT_EQ(Vert, 5);

    P.Perform(WM_HSCROLL, MAKEWPARAM(SB_LINERIGHT, 0));
    EXPECT_EQ(P.HorzScrollBar().Position, 24);
    P.Perform(WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 2000));
    EXPECT_EQ(P.HorzScrollBar().Position, 816 - ClientWidth); // the right edge, not 2000
    EXPECT_EQ(P.PaintBox()->Left(), -(816 - ClientWidth));
    P.Perform(WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0));
    EXPECT_EQ(P.HorzScrollBar().Position, 0);
    EXPECT_EQ(Horz, 3);

    // Keeping another preview in step fires nothing; the user's scroll bar does.
    P.ScrollTo(50, 60);
    EXPECT_EQ(P.HorzScrollBar().Position, 50);
    EXPECT_EQ(P.VertScrollBar().Position, 60);
    EXPECT_EQ(Horz + Vert, 8);
    EXPECT_EQ(P.Perform(WM_GETDLGCODE), DLGC_WANTARROWS);

    // A click on the page is the preview's click; the mouse arrives in client coordinates.
    int Clicks = 0;
    QPoint Down;
    P.OnClick = [&](TComponent* Sender) {
        EXPECT_EQ(Sender, &P);
        ++Clicks;
    };
    P.OnMouseDown = [&](TComponent*, TMouseButton Button, TShiftState, int X, int Y) {
        EXPECT_EQ(Button, mbLeft);
        Down = QPoint(X, Y);
    };
    const QPointF At(30, 40);
    QMouseEvent Press(QEvent::MouseButtonPress, At, P.Viewport()->mapToGlobal(At), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent Release(QEvent::MouseButtonRelease, At, P.Viewport()->mapToGlobal(At), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(P.Viewport(), &Press);
    QApplication::sendEvent(P.Viewport(), &Release);
    EXPECT_EQ(Clicks, 1);
    EXPECT_EQ(Down, QPoint(30, 40));
}

TEST_F(PimPreview, PrintsAPageRangeAndRefusesASecondRunWhileOneGoesOn) {
    TPimPreview P(nullptr);
    P.LoadFromPimFile(Document(3));
    P.SendPagesToPrinter(0, 0);
    EXPECT_EQ(Played, std::vector<int>({1, 2, 3}));
    ASSERT_EQ(Fake->Jobs.size(), 1u);
    EXPECT_EQ(Fake->Jobs[0].Pages.size(), 3u);
    EXPECT_EQ(Fake->Jobs[0].Title, QStringLiteral("Quarterly figures"));

    Played.clear();
    int Statuses = 0;
    bool Refused = false;
    P.SetPrintStatus([&](TPimPrinter* Sender) {
        EXPECT_EQ(Sender, P.PimPrinter());
        EXPECT_TRUE(P.Printing());
        if (Statuses++ == 1) {
            try {
                P.SendPagesToPrinter(1, 3);
            } catch (const Exception& E) {
                Refused = E.Message() == QStringLiteral("Printing in progress.");
            }
            EXPECT_TRUE(P.Printing()); // the refusal leaves the run going
        }
    });
    P.SendPagesToPrinter(2, 2);
    EXPECT_TRUE(Refused);
    EXPECT_EQ(Played, std::vector<int>({2}));
    ASSERT_EQ(Fake->Jobs.size(), 2u);
    EXPECT_EQ(Fake->Jobs[1].Pages.size(), 1u);
    EXPECT_FALSE(P.Printing());
    EXPECT_EQ(P.PimPrinter(), nullptr);
    EXPECT_FALSE(P.PrintStatus()); // handed to one run only

    // A failing printer: the error reaches the caller and the preview can print again.
    Fake->FailAt = TFakePrinter::fpNewPage;
    EXPECT_THROW(P.SendPagesToPrinter(1, 3), Exception);
    EXPECT_FALSE(P.Printing());
    EXPECT_EQ(P.PimPrinter(), nullptr);
    Fake->FailAt = TFakePrinter::fpNone;
    Played.clear();
    P.SendPageToPrinter();
    EXPECT_EQ(Played, std::vector<int>({1}));

    // Without a document nothing is printed and nothing is left set.
    TPimPreview Empty(nullptr);
    const size_t Jobs = Fake->Jobs.size();
    Empty.SendPagesToPrinter(0, 0);
    EXPECT_EQ(Fake->Jobs.size(), Jobs);
    EXPECT_FALSE(Empty.Printing());
}
