#include "app/main_menu.h"

#include <QImage>
#include <QImageReader>
#include <algorithm>

#include "app/about.h"
#include "app/startup.h"
#include "content/content_tables.h"
#include "content/helpers.h"
#include "content/settings.h"
#include "content/sound.h"
#include "exercises/common/games.h"
#include "toolkit/application.h"
#include "toolkit/code_page.h"
#include "toolkit/platform.h"

namespace tamiro {

TfrmHuvudmeny* frmHuvudmeny = nullptr;

using namespace tk::colours;

namespace {

std::unique_ptr<QImage> LoadBitmap(const std::string& path) {
  // Read as the BMP it is, by Qt's own reader: guessing the format would
  // load every image-format plugin to ask each of them.
  QImageReader reader(QString::fromStdString(path), "bmp");
  reader.setAutoDetectImageFormat(false);
  auto image = std::make_unique<QImage>(reader.read());
  if (image->isNull()) throw std::runtime_error("Cannot open file " + path);
  return image;
}

tk::Shape* TileShape(tk::Form* form, const std::string& name, int left, int top, int width, int height) {
  auto* shape = new tk::Shape(form, name, left, top, width, height);
  shape->Type = tk::ShapeType::RoundRect;
  shape->Brush.Clear = true;
  shape->Pen = {kGrey, 1, false};
  shape->Enabled = false;  // a click on the bare tile goes to the form
  return shape;
}

// The tiles' design geometry: two columns of six rows above the red bar.
// Each tile carries a label (its caption is the text of the label's tag) and
// an icon: a picture's glyph in the picture's own colour or in a colour of
// the tile's. Left-column labels are right-aligned with the icon to their
// right, right-column labels left-aligned with the icon to their left. A
// column of more than six games shares the same height among more, smaller
// tiles.
struct TileLayout {
  explicit TileLayout(int rows) : scale(6.0 / std::max(6, rows)) {}
  double scale;
  int Top(int row) const { return 8 + Trunc(row * 68 * scale); }
  int Height() const { return Trunc(61 * scale); }
  int Inset(int pixels) const { return Trunc(pixels * scale); }  // of a label or icon below the tile's top
  static int Left(int column) { return column == 0 ? 134 : 388; }
};

}  // namespace

TfrmHuvudmeny::TfrmHuvudmeny(tk::Component* owner)
    : tk::Form(owner, "frmHuvudmeny", 644, 475), Sound(new SoundService(this)) {
  Tag = TagOf(Text::Title);
  HelpContext = 100;
  Caption = "Tamiro";

  // The picture strip and the red bar at the left edge.
  Image1 = new tk::Image(this, "Image1", 8, 12, 101, 469);
  int rows = 0;
  for (const Game& g : Games()) rows = std::max(rows, g.tile.row + 1);
  const TileLayout layout(rows);
  for (const Game& g : Games()) {
    const MenuTile& t = g.tile;
    shpOv[t.number] = TileShape(this, "shpOv" + std::to_string(t.number), TileLayout::Left(t.column), layout.Top(t.row),
                                245, layout.Height());
  }
  Shape2 = new tk::Shape(this, "Shape2", 132, 418, 505, 11);
  Shape2->Type = tk::ShapeType::Circle;
  Shape11 = new tk::Shape(this, "Shape11", 116, 8, 9, 481);
  for (tk::Shape* decoration : {Shape2, Shape11}) {
    decoration->Pen.None = true;
    decoration->Brush.Color = kRed;
    decoration->Enabled = false;
  }
  shpAbout = TileShape(this, "shpAbout", 134, 439, 155, 32);
  shpExit = TileShape(this, "shpExit", 480, 438, 153, 32);
  shpHelp = TileShape(this, "shpHelp", 299, 439, 171, 32);

  // A label is as high as its tile below the label's top, so that the
  // letters fit at any screen shape.
  for (const Game& g : Games()) {
    const MenuTile& t = g.tile;
    const bool left = t.column == 0;
    const int width = t.labelWidth > 0 ? t.labelWidth : left ? 176 : 180;
    auto* label = new tk::Label(this, "lblOv" + std::to_string(t.number), left ? 137 : 444,
                                layout.Top(t.row) + layout.Inset(16), width, layout.Inset(44));
    label->Tag = t.number;
    label->Caption = tk::FromQString(QString::fromUtf8(t.caption), tk::CodePage::Windows1252);
    label->Font = {"Tamiro3", 14, 0};  // 19-pixel letters
    label->FontColour = 0xFFFFFF;
    label->Align = left ? tk::Alignment::Right : tk::Alignment::Left;
    lblOv[t.number] = label;
  }
  lblAbout = new tk::Label(this, "lblAbout", 138, 445, 147, 25);
  lblAbout->Tag = TagOf(Text::About);
  lblAbout->Caption = "Om Tamiro";
  lblAbout->Hint = "About Tamiro (click here to change languages)";
  lblExit = new tk::Label(this, "lblExit", 488, 444, 141, 26);
  lblExit->Tag = TagOf(Text::Exit);
  lblExit->Caption = "Avsluta";
  lblExit->Hint = "Exit";
  // The help tile says what it opens, in the interface language.
  lblHelp = new tk::Label(this, "lblHelp", 303, 445, 163, 25);
  lblHelp->Tag = TagOf(Text::Help);
  lblHelp->Caption = tk::FromQString(QString::fromUtf8("Hjälp"), tk::CodePage::Windows1252);
  lblHelp->Hint = "Help";
  for (tk::Label* label : {lblAbout, lblExit, lblHelp}) {
    label->Font = {"Arial", 12, 0};  // 16-pixel letters
    label->FontColour = 0xFFFFFF;
    label->Align = tk::Alignment::Center;
  }
  // The bottom row keeps its Arial in every language.
  lblAbout->FixedFont = lblHelp->FixedFont = lblExit->FixedFont = true;
  for (const Game& g : Games()) {
    const MenuTile& t = g.tile;
    const bool left = t.column == 0;
    imgOv[t.number] = new tk::Image(this, "imgOv" + std::to_string(t.number), left ? 320 : 396,
                                    layout.Top(t.row) + layout.Inset(8), left ? 49 : 47, layout.Inset(45));
  }

  // The mascot lies over the right ends of the lower right-hand tiles.
  imgTamiro = new tk::Image(this, "imgTamiro", 544, 188, 133, 237);
  imgTest = new tk::Image(this, "imgTest", 108, 8, 21, 17);
  imgTest->SetVisible(false);

  // Every label and icon forwards its presses to the form's hit test, in form
  // coordinates.
  for (tk::Component* c : Components()) {
    auto* control = dynamic_cast<tk::Control*>(c);
    if (!control || control == imgTamiro || control == imgTest || control == Image1) continue;
    if (dynamic_cast<tk::Label*>(control) || dynamic_cast<tk::Image*>(control)) {
      control->OnMouseDown = [this, control](tk::MouseButton b, int shift, int x, int y) {
        FormMouseDown(b, shift, x + control->Left(), y + control->Top());
      };
    }
  }
  imgTamiro->OnClick = [this] { imgTamiroClick(); };
  OnMouseDown = [this](tk::MouseButton b, int shift, int x, int y) { FormMouseDown(b, shift, x, y); };
  LoadArtwork();
  OnCreate = [this] { FormCreate(); };
  OnShow = [this] { FormShow(); };
  OnActivate = [this] { FormActivate(); };
  OnDeactivate = [this] { FormDeactivate(); };
  // Where the school has locked the settings, only the session's end
  // ends the program: not the Exit tile, nor the window's close request.
  CanClose = [] { return !Locked; };
}

TfrmHuvudmeny::~TfrmHuvudmeny() {
  if (frmHuvudmeny == this) frmHuvudmeny = nullptr;
}

void TfrmHuvudmeny::FormCreate() {
  auto& app = tk::Application::Instance();
  app.HelpFile = ProgramFile("TAMIRO.HLP");
  ColourDepth = tk::Screen().colourDepth;
  ExerciseFont = "Tamiro3";
  SymbolFont = "Tamiro Symbols";
  // One message at most, whichever font is missing.
  if (!FontInstalled("Tamiro3") || !FontInstalled("Tamiro Symbols"))
    tk::ShowMessageBox({kFontMessage, "Information", tk::MessageIcon::Information});
  FillLanguageNames();
  ReadSettings();
  PaletteBitmap = LoadBitmap(ProgramFile("bmptest.bmp"));
  LoadLanguageStrings();
  LoadPictureCatalogue();
}

void TfrmHuvudmeny::LoadArtwork() {
  // The strip and the mascot belong to the menu's design. They are drawn at
  // the size the menu will give them on this screen while the rest of the
  // program starts.
  const tk::ScreenInfo screen = tk::Screen();
  const double dpr = devicePixelRatioF();
  for (auto [image, file] : {std::pair{Image1, "strip.svg"}, std::pair{imgTamiro, "mascot.svg"}}) {
    if (!image->LoadPicture(ProgramFile(file))) continue;
    const QRect scaled = ScaledRect(image->BoundsRect(), screen.width, screen.height);
    image->PreparePicture(scaled.width(), scaled.height(), dpr);
  }
}

void TfrmHuvudmeny::FormShow() {
  ScaleForm(*this);
  FitFontSizes(Height(), imgTest->Canvas());
  captionSizes_.clear();
  for (const auto& [number, label] : lblOv) captionSizes_[label] = label->Font.Size;
  KeepCaptionsClearOfMascot();
  for (const Game& g : Games()) ClearImage(*imgOv[g.tile.number]);
  const int s = Trunc(1.3 * LargeFontSize);
  for (const Game& g : Games()) {
    const MenuTile& t = g.tile;
    const tk::Colour colour = t.colour == kOwnColour ? Pictures[static_cast<std::size_t>(t.picture)].Colour : t.colour;
    DrawTextAt(0, 0, *imgOv[t.number], GlyphText(t.picture), colour, SymbolFont, s);
  }
}

void TfrmHuvudmeny::FormMouseDown(tk::MouseButton, int, int x, int y) {
  SetEnabled(false);
  // The menu takes input again however the click ends.
  struct Enable {
    TfrmHuvudmeny* form;
    ~Enable() { form->SetEnabled(true); }
  } enableAgain{this};

  tk::Shape* hit = nullptr;
  for (tk::Component* c : Components()) {
    auto* shape = dynamic_cast<tk::Shape*>(c);
    if (shape && shape->Left() < x && x < shape->Left() + shape->Width() && shape->Top() < y &&
        y < shape->Top() + shape->Height())
      hit = shape;
  }
  if (!hit) return;
  PlaySound("KLICK3.WAV");

  for (const Game& g : Games()) {
    if (hit == shpOv[g.tile.number]) {
      // The game's name, said as the game opens (its first words follow).
      Speak(lblOv[g.tile.number]->Caption);
      LaunchGame(this, g.exercise);
      return;
    }
  }
  if (hit == shpAbout) {
    AboutForm()->ShowModal();
    Translate();
  } else if (hit == shpExit) {
    Close();
  } else if (hit == shpHelp) {
    tk::Application::Instance().ShowHelp(HelpContext);
  }
}

void TfrmHuvudmeny::imgTamiroClick() { PlaySound("Gnaegg1.Wav"); }

void TfrmHuvudmeny::KeepCaptionsClearOfMascot() {
  const double dpr = devicePixelRatioF();
  const int gap = std::max(2, Width() / 160);
  for (const Game& g : Games()) {
    if (g.tile.column == 0) continue;
    tk::Label* label = lblOv[g.tile.number];
    if (auto size = captionSizes_.find(label); size != captionSizes_.end()) label->Font.Size = size->second;
    while (label->Font.Size > 1) {
      const QRect caption = label->CaptionRect();
      const int top = caption.top() - imgTamiro->Top();
      const int ink = imgTamiro->Left() + imgTamiro->PictureInkLeft(top, top + caption.height(), dpr);
      if (caption.right() < ink - gap) break;
      --label->Font.Size;
    }
    label->Invalidate();
  }
}

void TfrmHuvudmeny::Translate() {
  TranslateForm(*this);
  KeepCaptionsClearOfMascot();
}

void TfrmHuvudmeny::FormActivate() {
  Translate();
  ResumeMusic("DIDELI.MID");
}

void TfrmHuvudmeny::FormDeactivate() { SaveMusicPosition(); }

}  // namespace tamiro
