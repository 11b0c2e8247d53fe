#include "design/Vyrrepds.h"
#include "design/PimDrop.h"
#include "design/Pimalign.h"
#include "host/forms.h"
#include "host/messages.h"
#include "host/resstrings.h"
#include "report/PimPage.h"
#include "report/VyrBtn.h"
#include "report/VyrUtil.h"

#include <QImage>
#include <cstring>

namespace {

// The tool glyphs, 14 x 14 pixels in 16 colours. The bottom left pixel's colour is the clear
// background of the picture.
struct TGlyphArt {
    const char* Name;
    const char* Rows[14];
};

const TGlyphArt GlyphArts[] = {
    {"VYRGLASSES",
     {"..............", "..............", "k............k", "k............k", ".k..........k.",
      "kkkkkk..kkkkkk", "kwwwwkkkkwwwwk", "kwwwwk..kwwwwk", "kwwwwk..kwwwwk", ".kwwk....kwwk.",
      "..kk......kk..", "..............", "..............", ".............."}},
    {"VYRLEFTALIGN",
     {"..............", ".k............", ".knnnnnnnnn...", ".knnnnnnnnn...", ".k............",
      ".k............", ".knnnnnn......", ".knnnnnn......", ".k............", ".k............",
      ".knnnnnnnnnnn.", ".knnnnnnnnnnn.", ".k............", ".............."}},
    {"VYRCENTERALIGN",
     {"..............", ".......k......", "...nnnnknnnn..", "...nnnnknnnn..", ".......k......",
      ".......k......", ".....nnknn....", ".....nnknn....", ".......k......", ".......k......",
      "..nnnnnknnnnn.", "..nnnnnknnnnn.", ".......k......", ".............."}},
    {"VYRRIGHTALIGN",
     {"..............", "............k.", "...nnnnnnnnnk.", "...nnnnnnnnnk.", "............k.",
      "............k.", "......nnnnnnk.", "......nnnnnnk.", "............k.", "............k.",
      ".nnnnnnnnnnnk.", ".nnnnnnnnnnnk.", "............k.", ".............."}},
    {"VYRPAGECENTER",
     {".kkkkkkkkkkkk.", ".k....kk....k.", ".k..........k.", ".k..nnnnnn..k.", ".k..nnnnnn..k.",
      ".k..........k.", ".k.nnnnnnnn.k.", ".k.nnnnnnnn.k.", ".k..........k.", ".k...nnnn...k.",
      ".k...nnnn...k.", ".k....kk....k.", ".kkkkkkkkkkkk.", ".............."}},
};

// The art as a 16-colour picture, as the button's glyph stores it.
QImage GlyphImage(const TGlyphArt& Art) {
    QImage Image(14, 14, QImage::Format_Indexed8);
    QList<QRgb> Table(16, qRgb(0, 0, 0));
    const char Keys[] = ".kwn";
    Table[0] = qRgb(128, 128, 0);
    Table[1] = qRgb(0, 0, 0);
    Table[2] = qRgb(255, 255, 255);
    Table[3] = qRgb(0, 0, 128);
    Image.setColorTable(Table);
    for (int y = 0; y < 14; ++y)
        for (int x = 0; x < 14; ++x)
            Image.setPixel(x, y, uint(std::strchr(Keys, Art.Rows[y][x]) - Keys));
    return Image;
}

void LoadDesignGlyph(TBitmap* Glyph, const char* Name) {
    for (const TGlyphArt& Art : GlyphArts)
        if (std::strcmp(Art.Name, Name) == 0) {
            Glyph->LoadFromImage(GlyphImage(Art));
            return;
        }
}

} // namespace

TVyrReportDesign::TVyrReportDesign(TVyrReport* Report) : FRep(Report) {
    FMinMaxButton = MakeButton("Min", nullptr, "Minimize/Maximize Report", 0, 0, 35, 35);
    FMinMaxButton->OnClick = [this](TComponent* Sender) { MinMaxClick(Sender); };
    FSelectButton = MakeButton(nullptr, "VYRGLASSES", "Select GroupPage", 35, 0, 35, 35);
    FSelectButton->SetMargin(5);
    FSelectButton->OnMouseUp = [this](TComponent* Sender, TMouseButton Button, TShiftState Shift, int X,
                                      int Y) { SelectButtonMouseUp(Sender, Button, Shift, X, Y); };
    FPageManButton = MakeButton("Band", nullptr, "Band Manager", 70, 0, 35, 35);
    FPageManButton->OnClick = [this](TComponent* Sender) { PageManClick(Sender); };
    FDataButton = MakeButton("Data", nullptr, "Data Control", 105, 0, 35, 35);
    FDataButton->OnClick = [this](TComponent* Sender) { DataClick(Sender); };
    FAutoLabelButton = MakeButton("Fast", nullptr, "Fast Label Placement", 140, 0, 35, 35);
    FAutoLabelButton->OnClick = [this](TComponent* Sender) { AutoLabelClick(Sender); };
    FRunButton = MakeButton("Run", nullptr, "Run Report", 175, 0, 35, 35);
    FRunButton->OnMouseUp = [this](TComponent* Sender, TMouseButton Button, TShiftState Shift, int X, int Y) {
        RunButtonMouseUp(Sender, Button, Shift, X, Y);
    };
    const int ReportWidth = Screen()->PixelsPerInch() / 2 + 2;
    FRep1Button = MakeButton("Overview", nullptr, "Run Overview Report", 291, 0, ReportWidth, 17);
    FRep1Button->OnClick = [this](TComponent* Sender) { ReportClick(Sender); };
    FRep2Button = MakeButton("Diagnostic", nullptr, "Run Diagnostic Report", 291, 17, ReportWidth, 17);
    FRep2Button->OnClick = [this](TComponent* Sender) { ReportClick(Sender); };
    struct TAlignButton {
        TVyrNoScaleBtn*& Field;
        const char* Glyph;
        const char* Hint;
        int Left;
        int Top;
    };
    const TAlignButton Aligns[] = {
        {FLeftAlignButton, "VYRLEFTALIGN", "Align left Edges", 225, 0},
        {FCenterAlignButton, "VYRCENTERALIGN", "Align horizontal centers", 242, 0},
        {FRightAlignButton, "VYRRIGHTALIGN", "Align right edges", 259, 0},
        {FPageCenterButton, "VYRPAGECENTER", "Horizontal page center", 242, 17},
    };
    int Mode = 0;
    for (const TAlignButton& A : Aligns) {
        A.Field = MakeButton(nullptr, A.Glyph, A.Hint, A.Left, A.Top, 17, 17);
        A.Field->SetTag(Mode++);
        A.Field->OnClick = [this](TComponent* Sender) { AlignClick(Sender); };
    }

    FTopRuler = new TVyrRuler(nullptr);
    FTopRuler->SetParent(FRep);
    FTopRuler->SetVertical(false);
    FTopRuler->SetBounds(35, 50, 400, 20);
    FLeftRuler = new TVyrRulerContainer(nullptr);
    FLeftRuler->SetParent(FRep);
    FLeftRuler->SetBounds(15, 70, 20, 100);
}

TVyrReportDesign::~TVyrReportDesign() {
    TControl* Parts[] = {FLeftAlignButton, FCenterAlignButton, FRightAlignButton, FPageCenterButton,
                         FMinMaxButton,    FPageManButton,     FAutoLabelButton,  FRunButton,
                         FSelectButton,    FDataButton,        FRep1Button,       FRep2Button,
                         FTopRuler,        FLeftRuler};
    for (TControl* Part : Parts) {
        if (!Part) continue;
        Part->SetParent(nullptr);
        delete Part;
    }
    FMinMaxButton = nullptr;
    FPageManButton = nullptr;
    if (TPimDropLabels* Form = FDropForm.Get()) delete Form;
}

TVyrNoScaleBtn* TVyrReportDesign::MakeButton(const char* Caption, const char* Glyph, const char* Hint,
                                             int Left, int Top, int Width, int Height) {
    auto* Button = new TVyrNoScaleBtn(nullptr);
    Button->SetParent(FRep);
    TFont Font;
    Font.SetName(QStringLiteral("Arial"));
    Font.SetSize(7);
    Button->SetFont(Font);
    if (Caption) Button->SetCaption(QString::fromLatin1(Caption));
    Button->SetBounds(Left, Top, Width, Height);
    Button->SetHint(QString::fromLatin1(Hint));
    Button->SetShowHint(true);
    if (Glyph) LoadDesignGlyph(Button->Glyph(), Glyph);
    return Button;
}

TComponent* TVyrReportDesign::PageManager() const {
    TVyrPage* Page = FRep->Page();
    return Page ? Page->PageManager() : nullptr;
}

// Tool commands of the runtime

void TVyrReportDesign::RepositionButtons() {
    if (TVyrPage* Page = FRep->Page()) {
        FTopRuler->SetBounds(Page->Left() + VyrRulerOffset(Page), Page->Top() - FTopRuler->Height(),
                             Page->Width(), FTopRuler->Height());
        FTopRuler->SetStartPixels(-Page->HorzScrollBar().Position);
        FTopRuler->SetUnits(Page->Units());
        FTopRuler->Invalidate();
        FLeftRuler->SetUnits(Page->Units());
        FLeftRuler->UpdateRulers();
        FLeftRuler->SetBounds(Page->Left() - FLeftRuler->Width(), Page->Top(), FLeftRuler->Width(),
                              FLeftRuler->Height());
    }
    TVyrNoScaleBtn* Large[] = {FMinMaxButton, FSelectButton,    FPageManButton,
                               FDataButton,   FAutoLabelButton, FRunButton};
    int Left = 0;
    for (TVyrNoScaleBtn* Button : Large) {
        Button->SetBounds(Left, 0, Button->Width(), Button->Height());
        Left += 35;
    }
}

void TVyrReportDesign::SetMinMax() {
    FMinMaxButton->SetCaption(LoadStr(FRep->Minimized() ? SMax : SMin));
}

void TVyrReportDesign::CreatePageManager() {
    TVyrPage* Page = FRep->Page();
    if (!Page || Page->PageManager()) return;
    // The designer answers a double click on the page with the page's component editor, which
    // makes the band manager hidden.
    SendMessage(Page, WM_LBUTTONDBLCLK, 0, 0);
    if (auto* Manager = dynamic_cast<TCustomForm*>(Page->PageManager())) Manager->Close();
}

void TVyrReportDesign::RedrawRuler() {
    FTopRuler->SetPixelsPerInch(FRep->PixelsPerInch());
    FLeftRuler->SetPixelsPerInch(FRep->PixelsPerInch());
    if (TVyrPage* Page = FRep->Page()) {
        FTopRuler->SetUnits(Page->Units());
        FLeftRuler->SetUnits(Page->Units());
    }
    InvalidateRulers();
}

void TVyrReportDesign::RulerXY(int X, int Y) {
    FTopRuler->UpdateHair(X);
    FLeftRuler->UpdateHair(Y);
}

void TVyrReportDesign::RulerUpdate() {
    FLeftRuler->UpdateRulers();
}

void TVyrReportDesign::RulerInvalid() {
    InvalidateRulers();
}

void TVyrReportDesign::InvalidateRulers() {
    FTopRuler->Invalidate();
    FLeftRuler->Invalidate();
    for (TVyrRuler* R : FLeftRuler->Rulers())
        R->Invalidate();
}

bool TVyrReportDesign::VyrDropOK(TComponent* Source) {
    TPimDropLabels* Form = FDropForm.Get();
    return Form && Source && Source == Form->SList();
}

void TVyrReportDesign::VyrDroplabels(TComponent* Source, TComponent* Target, int X, int Y) {
    if (!VyrDropOK(Source)) return;
    if (auto* Band = dynamic_cast<TVyrBand*>(Target)) FDropForm->DropLabels(Band, X, Y);
}

// Buttons

void TVyrReportDesign::MinMaxClick(TComponent*) {
    FRep->SetMinimized(!FRep->Minimized());
}

void TVyrReportDesign::SelectButtonMouseUp(TComponent*, TMouseButton, TShiftState, int, int) {
    if (!FRep->Page()) return;
    CreatePageManager();
    TComponent* Manager = PageManager();
    if (!Manager) return;
    PostMessage(Manager, WM_VYR_SELECTGROUPPAGE);
    PostMessage(Manager, WM_LBUTTONDOWN);
    PostMessage(Manager, WM_LBUTTONUP);
    PostMessage(Manager, WM_KEYDOWN, VK_F11);
}

void TVyrReportDesign::PageManClick(TComponent*) {
    TVyrPage* Page = FRep->Page();
    if (!Page) return;
    CreatePageManager();
    Page->UpdateVarList();
    if (auto* Manager = dynamic_cast<TControl*>(PageManager())) Manager->Show();
}

void TVyrReportDesign::DataClick(TComponent*) {
    if (!FRep->Page()) return;
    CreatePageManager();
    if (TComponent* Manager = PageManager()) PostMessage(Manager, WM_VYR_DODATACONTROL);
}

void TVyrReportDesign::AutoLabelClick(TComponent*) {
    TVyrPage* Page = FRep->Page();
    if (!Page) return;
    CreatePageManager();
    Page->UpdateVarList();
    if (!FDropForm) {
        const TPimDropLabelsFactory& Make = PimDropLabelsFactory();
        TPimDropLabels* Form = Make ? Make(Application()) : nullptr;
        if (!Form) return;
        Form->SetPage(Page);
        FDropForm = Form;
    }
    FDropForm->FillComboBoxes();
    FDropForm->Show();
}

void TVyrReportDesign::RunButtonMouseUp(TComponent*, TMouseButton Button, TShiftState, int, int) {
    if (Button == mbMiddle) return;
    // The left button shows the report at once; the right one asks where it goes.
    FRep->SetDesignPreview(Button == mbLeft);
    FRep->Run();
}

void TVyrReportDesign::ReportClick(TComponent* Sender) {
    if (!FRep->Page()) return;
    CreatePageManager();
    TComponent* Manager = PageManager();
    if (!Manager) return;
    if (Sender == FRep1Button)
        PostMessage(Manager, WM_VYR_RUNOVERREPORT);
    else if (Sender == FRep2Button)
        PostMessage(Manager, WM_VYR_RUNDIAGREPORT);
}

void TVyrReportDesign::AlignClick(TComponent* Sender) {
    TVyrPage* Page = FRep->Page();
    if (!Page || !Sender) return;
    PimAlignLabel(Page, static_cast<int>(Sender->Tag()));
}

void VyrRepDesign(TVyrReport* Report) {
    if (Report) Report->SetRepDesign(std::make_unique<TVyrReportDesign>(Report));
}
