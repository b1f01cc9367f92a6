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

constexpr tk::Colour kGrey = 0x808080;
constexpr tk::Colour kRed = 0x0000FF;

tk::Shape* Tile(tk::Form* form, const char* name, int left, int top, int width, int height) {
  auto* shape = new tk::Shape(form, name, left, top, width, height);
  shape->Type = tk::ShapeType::RoundRect;
  shape->Brush.Clear = true;
  shape->Pen = {kGrey, 1, false};
  shape->Enabled = false;  // a click on the bare tile goes to the form
  return shape;
}

// A tile label: white, transparent, 19-pixel letters (14 points).
tk::Label* TileLabel(tk::Form* form, const char* name, int tag, const char* caption, int left, int top, int width,
                     tk::Alignment align) {
  // As high as the tile below the label's top, so that the letters fit at any
  // screen shape.
  auto* label = new tk::Label(form, name, left, top, width, 44);
  label->Tag = tag;
  label->Caption = tk::FromQString(QString::fromUtf8(caption), tk::CodePage::Windows1252);
  label->Font = {"Tamiro3", 14, 0};
  label->FontColour = 0xFFFFFF;
  label->Align = align;
  return label;
}

tk::Image* Icon(tk::Form* form, const char* name, int left, int top, int width) {
  return new tk::Image(form, name, left, top, width, 45);
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
  shpOv11 = Tile(this, "shpOv11", 388, 76, 245, 61);
  shpOv8 = Tile(this, "shpOv8", 388, 144, 245, 61);
  shpOv13 = Tile(this, "shpOv13", 388, 348, 245, 61);
  shpOv12 = Tile(this, "shpOv12", 388, 280, 245, 61);
  shpOv9 = Tile(this, "shpOv9", 388, 212, 245, 61);
  Shape2 = new tk::Shape(this, "Shape2", 132, 418, 505, 11);
  Shape2->Type = tk::ShapeType::Circle;
  Shape2->Pen.None = true;
  Shape2->Brush.Color = kRed;
  Shape2->Enabled = false;
  Shape11 = new tk::Shape(this, "Shape11", 116, 8, 9, 481);
  Shape11->Pen.None = true;
  Shape11->Brush.Color = kRed;
  Shape11->Enabled = false;
  shpOv1 = Tile(this, "shpOv1", 134, 8, 245, 61);
  shpOv2 = Tile(this, "shpOv2", 134, 76, 245, 61);
  shpOv3 = Tile(this, "shpOv3", 134, 144, 245, 61);
  shpOv4 = Tile(this, "shpOv4", 134, 212, 245, 61);
  shpOv5 = Tile(this, "shpOv5", 134, 280, 245, 61);
  shpOv6 = Tile(this, "shpOv6", 134, 348, 245, 61);
  shpAbout = Tile(this, "shpAbout", 134, 439, 155, 32);
  shpOv10 = Tile(this, "shpOv10", 388, 8, 245, 61);
  shpExit = Tile(this, "shpExit", 480, 438, 153, 32);
  shpHelp = Tile(this, "shpHelp", 299, 439, 171, 32);

  using tk::Alignment;
  lblOv1 = TileLabel(this, "lblOv1", 1, "Hur många?", 137, 8 + 16, 176, Alignment::Right);
  lblOv2 = TileLabel(this, "lblOv2", 2, "Addition", 137, 76 + 16, 176, Alignment::Right);
  lblOv3 = TileLabel(this, "lblOv3", 3, "Subtraktion", 137, 144 + 16, 176, Alignment::Right);
  lblOv4 = TileLabel(this, "lblOv4", 4, "Multiplikation", 137, 212 + 16, 176, Alignment::Right);
  lblOv5 = TileLabel(this, "lblOv5", 5, "Välj rätt bild", 137, 280 + 16, 176, Alignment::Right);
  lblOv6 = TileLabel(this, "lblOv6", 6, "1:a bokstaven", 137, 348 + 16, 176, Alignment::Right);
  lblOv10 = TileLabel(this, "lblOv10", 10, "Memory", 444, 8 + 16, 180, Alignment::Left);
  lblOv11 = TileLabel(this, "lblOv11", 11, "Ordmemory", 444, 76 + 16, 189, Alignment::Left);
  lblOv8 = TileLabel(this, "lblOv8", 8, "Hänga gubbe", 444, 144 + 16, 180, Alignment::Left);
  lblOv9 = TileLabel(this, "lblOv9", 9, "ABC-regn", 444, 212 + 16, 180, Alignment::Left);
  lblOv12 = TileLabel(this, "lblOv12", 12, "Bokstavsregn", 444, 280 + 16, 180, Alignment::Left);
  lblOv13 = TileLabel(this, "lblOv13", 13, "Matteregn", 444, 348 + 16, 180, Alignment::Left);
  lblAbout = new tk::Label(this, "lblAbout", 138, 445, 147, 25);
  lblAbout->Tag = 7;
  lblAbout->Caption = "Om Tamiro";
  lblAbout->Hint = "About Tamiro (click here to change languages)";
  lblExit = new tk::Label(this, "lblExit", 488, 444, 141, 26);
  lblExit->Tag = 15;
  lblExit->Caption = "Avsluta";
  lblExit->Hint = "Exit";
  for (tk::Label* label : {lblAbout, lblExit}) {
    label->Font = {"Arial", 12, 0};  // 16-pixel letters
    label->FontColour = 0xFFFFFF;
    label->Align = Alignment::Center;
  }

  imgOv1 = Icon(this, "imgOv1", 320, 8 + 8, 49);
  imgOv2 = Icon(this, "imgOv2", 320, 76 + 8, 49);
  imgOv3 = Icon(this, "imgOv3", 320, 144 + 8, 49);
  imgOv4 = Icon(this, "imgOv4", 320, 212 + 8, 49);
  imgOv5 = Icon(this, "imgOv5", 320, 280 + 8, 49);
  imgOv6 = Icon(this, "imgOv6", 320, 348 + 8, 49);
  imgOv10 = Icon(this, "imgOv10", 396, 8 + 8, 47);
  imgOv11 = Icon(this, "imgOv11", 396, 76 + 8, 47);
  imgOv8 = Icon(this, "imgOv8", 396, 144 + 8, 47);
  imgOv9 = Icon(this, "imgOv9", 396, 212 + 8, 47);
  imgOv12 = Icon(this, "imgOv12", 396, 280 + 8, 47);
  imgOv13 = Icon(this, "imgOv13", 396, 348 + 8, 47);

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
    image->PreparePicture(RoundHalfEven(screen.width / 640.0 * image->Width()),
                          RoundHalfEven(screen.height / 480.0 * image->Height()), dpr);
  }
}

void TfrmHuvudmeny::FormShow() {
  ScaleForm(*this);
  LargeFontSize = FitFontSize(Height() / 10, "Arial", imgTest->Canvas());
  ButtonFontSize = FitFontSize(Height() / 30, "Arial", imgTest->Canvas());
  struct IconSpec {
    tk::Image* image;
    int picture;
    bool ownColour;
    tk::Colour colour;
  };
  const IconSpec icons[] = {
      {imgOv1, 46, true, 0},         {imgOv2, 2, true, 0},          {imgOv3, 2, false, 0xFF8020},
      {imgOv4, 2, false, 0x20FFFF},  {imgOv5, 13, true, 0},         {imgOv6, 1, true, 0},
      {imgOv8, 4, true, 0},          {imgOv9, 6, false, 0xFF00F0},  {imgOv10, 5, false, 0x90FF90},
      {imgOv11, 5, true, 0},         {imgOv12, 6, false, 0xFF3080}, {imgOv13, 6, false, 0xFFD030},
  };
  for (const IconSpec& icon : icons) ClearImage(*icon.image);
  const int s = static_cast<int>(std::trunc(1.3 * LargeFontSize));
  for (const IconSpec& icon : icons) {
    const tk::Colour colour = icon.ownColour ? Pictures[icon.picture].Colour : icon.colour;
    DrawTextAt(0, 0, *icon.image, GlyphText(icon.picture), colour, SymbolFont, s);
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

  const auto launch = [this](const ExerciseLauncher& launcher, int exercise) {
    if (launcher) launcher(this, exercise);
  };
  if (hit == shpOv1) launch(LaunchMultipleChoice, 1);
  else if (hit == shpOv2) launch(LaunchMultipleChoice, 2);
  else if (hit == shpOv3) launch(LaunchMultipleChoice, 3);
  else if (hit == shpOv4) launch(LaunchMultipleChoice, 4);
  else if (hit == shpOv5) launch(LaunchMultipleChoice, 6);
  else if (hit == shpOv6) launch(LaunchMultipleChoice, 5);
  else if (hit == shpOv10) launch(LaunchMemory, 7);
  else if (hit == shpOv11) launch(LaunchMemory, 8);
  else if (hit == shpOv8) launch(LaunchHangman, 0);
  else if (hit == shpOv9) launch(LaunchRain, 11);
  else if (hit == shpOv12) launch(LaunchRain, 9);
  else if (hit == shpOv13) launch(LaunchRain, 10);
  else if (hit == shpAbout) {
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
