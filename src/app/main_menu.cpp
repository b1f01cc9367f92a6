#include "app/main_menu.h"

#include <QImage>
#include <QImageReader>
#include <algorithm>
#include <cctype>
#include <cmath>

#include "app/settings.h"
#include "content/content_tables.h"
#include "content/helpers.h"
#include "toolkit/code_page.h"
#include "toolkit/application.h"
#include "toolkit/media.h"
#include "toolkit/platform.h"

namespace tamiro {

int ColourDepth = 0;
std::unique_ptr<QImage> PaletteBitmap;
TfrmHuvudmeny* frmHuvudmeny = nullptr;
int LargeFontSize = 0;
int ButtonFontSize = 0;
ExerciseLauncher LaunchMultipleChoice;
ExerciseLauncher LaunchMemory;
ExerciseLauncher LaunchRain;
ExerciseLauncher LaunchHangman;
std::function<void()> ShowAboutForm;

using namespace tk::colours;

namespace {
std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::unique_ptr<QImage> LoadBitmap(const std::string& path) {
  QImageReader reader(QString::fromStdString(path));
  auto image = std::make_unique<QImage>(reader.read());
  if (image->isNull()) throw std::runtime_error("Cannot open file " + path);
  return image;
}
}  // namespace

bool FontInstalled(const std::string& family) {
  const std::string wanted = Lower(family);
  const auto families = tk::FontFamilies();
  return std::any_of(families.begin(), families.end(),
                     [&](const std::string& f) { return Lower(f) == wanted; });
}

namespace {

tk::Shape* TileShape(tk::Form* form, const std::string& name, int left, int top, int width, int height) {
  auto* shape = new tk::Shape(form, name, left, top, width, height);
  shape->Type = tk::ShapeType::RoundRect;
  shape->Brush.Clear = true;
  shape->Pen = {kGrey, 1, false};
  shape->Enabled = false;  // a click on the bare tile goes to the form
  return shape;
}

// The exercise tiles: the left column opens the multiple-choice exercises,
// the right column the others. Each tile carries a label (its caption is
// LangStrings[tag]) and an icon: a picture's glyph in the picture's own colour
// or in a colour of the tile's.
struct TileDesign {
  int number;  // of shpOvN, lblOvN, imgOvN; also the label's tag
  const char* caption;  // the design caption, Swedish
  bool left;  // the column
  int top;
  int picture;
  tk::Colour colour;  // kOwnColour: the picture's own
  ExerciseLauncher* launcher;
  int exercise;
};
constexpr tk::Colour kOwnColour = 0xFFFFFFFF;
const TileDesign kTiles[] = {
    {1, "Hur många?", true, 8, 46, kOwnColour, &LaunchMultipleChoice, 1},
    {2, "Addition", true, 76, 2, kOwnColour, &LaunchMultipleChoice, 2},
    {3, "Subtraktion", true, 144, 2, 0xFF8020, &LaunchMultipleChoice, 3},
    {4, "Multiplikation", true, 212, 2, 0x20FFFF, &LaunchMultipleChoice, 4},
    {5, "Välj rätt bild", true, 280, 13, kOwnColour, &LaunchMultipleChoice, 6},
    {6, "1:a bokstaven", true, 348, 1, kOwnColour, &LaunchMultipleChoice, 5},
    {8, "Hänga gubbe", false, 144, 4, kOwnColour, &LaunchHangman, 0},
    {9, "ABC-regn", false, 212, 6, 0xFF00F0, &LaunchRain, 11},
    {10, "Memory", false, 8, 5, 0x90FF90, &LaunchMemory, 7},
    {11, "Ordmemory", false, 76, 5, kOwnColour, &LaunchMemory, 8},
    {12, "Bokstavsregn", false, 280, 6, 0xFF3080, &LaunchRain, 9},
    {13, "Matteregn", false, 348, 6, 0xFFD030, &LaunchRain, 10},
};

const TileDesign& Tile(int number) {
  return *std::find_if(std::begin(kTiles), std::end(kTiles), [&](const TileDesign& t) { return t.number == number; });
}

}  // namespace

TfrmHuvudmeny::TfrmHuvudmeny(tk::Component* owner)
    : tk::Form(owner, "frmHuvudmeny", 644, 475),
      mplMIDI(tk::CreateMediaPlayer(tk::MediaKind::Music)),
      mplWAV1(tk::CreateMediaPlayer(tk::MediaKind::Effects)) {
  Tag = 26;
  HelpContext = 100;
  Caption = "Tamiro";
  mplMIDI->AutoRewind = false;
  mplWAV1->AutoRewind = true;
  mplMIDI->OnNotify = [this] { tk::Application::Instance().Dispatch(this, [this] { mplMIDINotify(); }); };

  // The picture strip and the red bar at the left edge.
  Image1 = new tk::Image(this, "Image1", 8, 12, 101, 469);
  // Shapes, in the ownership order the hit test goes through.
  const auto tile = [this](int n) {
    const TileDesign& t = Tile(n);
    shpOv[n] = TileShape(this, "shpOv" + std::to_string(n), t.left ? 134 : 388, t.top, 245, 61);
  };
  for (int n : {11, 8, 13, 12, 9}) tile(n);
  Shape2 = new tk::Shape(this, "Shape2", 132, 418, 505, 11);
  Shape2->Type = tk::ShapeType::Circle;
  Shape11 = new tk::Shape(this, "Shape11", 116, 8, 9, 481);
  for (tk::Shape* decoration : {Shape2, Shape11}) {
    decoration->Pen.None = true;
    decoration->Brush.Color = kRed;
    decoration->Enabled = false;
  }
  for (int n : {1, 2, 3, 4, 5, 6}) tile(n);
  shpAbout = TileShape(this, "shpAbout", 134, 439, 155, 32);
  tile(10);
  shpExit = TileShape(this, "shpExit", 480, 438, 153, 32);
  shpHelp = TileShape(this, "shpHelp", 299, 439, 171, 32);

  // Left-column labels are right-aligned with the icon to their right,
  // right-column labels left-aligned with the icon to their left. A label is
  // as high as its tile below the label's top, so that the letters fit at any
  // screen shape.
  for (const TileDesign& t : kTiles) {
    const int width = t.left ? 176 : t.number == 11 ? 189 : 180;
    auto* label = new tk::Label(this, "lblOv" + std::to_string(t.number), t.left ? 137 : 444, t.top + 16, width, 44);
    label->Tag = t.number;
    label->Caption = tk::FromQString(QString::fromUtf8(t.caption), tk::CodePage::Windows1252);
    label->Font = {"Tamiro3", 14, 0};  // 19-pixel letters
    label->FontColour = 0xFFFFFF;
    label->Align = t.left ? tk::Alignment::Right : tk::Alignment::Left;
    lblOv[t.number] = label;
  }
  lblAbout = new tk::Label(this, "lblAbout", 138, 445, 147, 25);
  lblAbout->Tag = 7;
  lblAbout->Caption = "Om Tamiro";
  lblAbout->Hint = "About Tamiro (click here to change languages)";
  lblExit = new tk::Label(this, "lblExit", 488, 444, 141, 26);
  lblExit->Tag = 15;
  lblExit->Caption = "Avsluta";
  lblExit->Hint = "Exit";
  // The help tile says what it opens, in the interface language.
  lblHelp = new tk::Label(this, "lblHelp", 303, 445, 163, 25);
  lblHelp->Tag = 14;
  lblHelp->Caption = tk::FromQString(QString::fromUtf8("Hjälp"), tk::CodePage::Windows1252);
  lblHelp->Hint = "Help";
  for (tk::Label* label : {lblAbout, lblExit, lblHelp}) {
    label->Font = {"Arial", 12, 0};  // 16-pixel letters
    label->FontColour = 0xFFFFFF;
    label->Align = tk::Alignment::Center;
  }
  for (const TileDesign& t : kTiles)
    imgOv[t.number] =
        new tk::Image(this, "imgOv" + std::to_string(t.number), t.left ? 320 : 396, t.top + 8, t.left ? 49 : 47, 45);

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
  LargeFontSize = FitFontSize(Height() / 10, "Arial", imgTest->Canvas());
  ButtonFontSize = FitFontSize(Height() / 30, "Arial", imgTest->Canvas());
  for (const TileDesign& t : kTiles) ClearImage(*imgOv[t.number]);
  const int s = static_cast<int>(std::trunc(1.3 * LargeFontSize));
  for (const TileDesign& t : kTiles) {
    const tk::Colour colour = t.colour == kOwnColour ? Pictures[t.picture].Colour : t.colour;
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

  for (const TileDesign& t : kTiles) {
    if (hit == shpOv[t.number]) {
      if (*t.launcher) (*t.launcher)(this, t.exercise);
      return;
    }
  }
  if (hit == shpAbout) {
    if (ShowAboutForm) {
      ShowAboutForm();
      TranslateForm(*this);
    }
  } else if (hit == shpExit) {
    Close();
  } else if (hit == shpHelp) {
    tk::Application::Instance().ShowHelp(HelpContext);
  }
}

void TfrmHuvudmeny::imgTamiroClick() { PlaySound("Gnaegg1.Wav"); }

void TfrmHuvudmeny::FormActivate() {
  TranslateForm(*this);
  PlayMusic("DIDELI.MID", MusicResumePosition, true);
}

void TfrmHuvudmeny::FormDeactivate() { MusicResumePosition = MusicPosition(); }

void TfrmHuvudmeny::mplMIDINotify() {
  try {
    if (mplMIDI->Mode() != tk::MediaMode::Playing && MusicLoop) {
      mplMIDI->Notify = false;
      mplMIDI->Rewind();
      mplMIDI->Notify = true;
      mplMIDI->Play();
    }
  } catch (const tk::MediaError&) {
    // The music stops; nothing else happens.
  }
}

}  // namespace tamiro
