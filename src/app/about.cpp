#include "app/about.h"

#include "app/progress_page.h"
#include "app/version.h"
#include "content/content_tables.h"
#include "content/helpers.h"
#include "content/settings.h"
#include "content/sound.h"
#include "toolkit/platform.h"

namespace tamiro {

TfrmAbout* frmAbout = nullptr;

using namespace tk::colours;

namespace {

constexpr const char* kSymbols = "Tamiro Symbols";
constexpr const char* kSpokenWords = "Spoken Words";
constexpr const char* kNoSpokenWords = "Spoken Words: none in Breton";
constexpr char kEscape = 27;

// The credits between the bars: what each open work the program ships
// gives it, and under which licence.
constexpr const char* kCreditKinds =
    "Letters\n"
    "Pictures\n"
    "Arial texts\n"
    "\n"
    "Instruments\n"
    "\n"
    "Made with\n";
constexpr const char* kCredits =
    "Andika, by SIL International\n"
    "Noto Emoji, by Google\n"
    "Liberation Sans\n"
    "all three: SIL Open Font License 1.1\n"
    "TimGM6mb SoundFont, by Tim Brechbill,\n"
    "GNU General Public License 2\n"
    "Qt (LGPL 3), FluidSynth and libsndfile\n"
    "(LGPL 2.1), eSpeak NG (GPL 3)";

tk::Label* TextLabel(tk::Form* form, const std::string& name, int left, int top, int width, int height,
                     const std::string& caption, tk::Font font) {
  auto* label = new tk::Label(form, name, left, top, width, height);
  label->Caption = caption;
  label->Font = std::move(font);
  label->FontColour = kWhite;
  return label;
}

// A picture of the symbol font, one character high as its font, sized to it
// as a label that fits its caption.
tk::Label* Picture(tk::Form* form, const std::string& name, int left, int top, int code, tk::Colour colour,
                   int points) {
  auto* label = new tk::Label(form, name, left, top, 1, 1);
  label->Caption = std::string(1, static_cast<char>(code));
  label->Font = {kSymbols, points, 0};
  label->FontColour = colour;
  tk::Canvas probe(1, 1, 1.0);
  probe.Font = label->Font;
  label->SetBounds(left, top, probe.TextWidth(label->Caption), probe.TextHeight(label->Caption));
  return label;
}

tk::CheckBox* Option(tk::Form* form, const std::string& name, int left, int top, int width, int height,
                     const std::string& caption) {
  auto* box = new tk::CheckBox(form, name, left, top, width, height);
  box->SetCaption(caption);
  box->SetFont({"Arial", 8, tk::fsBold});
  box->SetColours(kWhite, kBlack);
  box->SetTabStop(false);
  return box;
}

// The language whose name the list shows selected; the language in force
// when none is.
int ChosenLanguage(const tk::ComboBox& list) {
  const std::string text = list.Text();
  for (int n = 1; n <= kLanguageCount; ++n)
    if (!text.empty() && LanguageNames[static_cast<std::size_t>(n)] == text) return n;
  return Language;
}

}  // namespace

std::string WebPage(int language) { return language == 1 ? TAMIRO_WEB_PAGE_SWEDISH : TAMIRO_WEB_PAGE_ENGLISH; }

std::string WebPageAddress(int language) {
  const std::string page = WebPage(language);
  const char joint = page.find('?') == std::string::npos ? '?' : '&';
  return page + joint + "from=Tamiro&lang=" + std::to_string(language);
}

TfrmAbout::TfrmAbout(tk::Component* owner) : tk::Form(owner, "frmAbout", 498, 351) {
  HelpContext = 102;
  Caption = "About Tamiro";
  Color = kBlack;

  // The pictures: 55 points are 73 pixels, 80 points 107.
  Label8 = Picture(this, "Label8", 24, 12, 51, 0x00FFFF, 55);
  Label10 = Picture(this, "Label10", 20, 80, 34, 0x0000FF, 55);
  Label11 = Picture(this, "Label11", 32, 140, 56, 0x80FF80, 55);
  Label14 = Picture(this, "Label14", 12, 204, 33, 0xFF0000, 55);
  Label15 = Picture(this, "Label15", 24, 276, 37, 0x00FF00, 55);
  Label13 = Picture(this, "Label13", 408, 108, 36, 0x00FFFF, 55);
  Label13->Transparent = false;
  Label13->Color = kBlack;
  // The party popper, as wide as it is high, stands four pixels left of
  // where a narrower picture would, so that the frame does not cut it.
  Label17 = Picture(this, "Label17", 412, 184, 75, kWhite, 80);

  // The frame, the line and the two bars, over the pictures that reach
  // them; nothing drawn lies under the list or the check boxes.
  Shape4 = new tk::Shape(this, "Shape4", 0, 0, 498, 351);
  Shape4->Brush.Clear = true;
  Shape4->Pen = {kWhite, 8, false};
  Shape3 = new tk::Shape(this, "Shape3", 97, 0, 3, 351);
  Shape1 = new tk::Shape(this, "Shape1", 97, 86, 401, 3);
  Shape2 = new tk::Shape(this, "Shape2", 97, 272, 401, 3);
  for (tk::Shape* line : {Shape3, Shape1, Shape2}) {
    line->Brush.Color = kWhite;
    line->Pen = {kWhite, 1, false};
  }
  for (tk::Shape* shape : {Shape4, Shape3, Shape1, Shape2}) shape->Enabled = false;

  Label9 = TextLabel(this, "Label9", 108, 28, 68, 16, "Language:", {"Arial", 8, tk::fsBold});
  lblTitle = TextLabel(this, "lblTitle", 108, 93, 90, 24, "Tamiro", {"Arial", 14, tk::fsBold});
  lblVersion = TextLabel(this, "lblVersion", 196, 101, 200, 14, std::string("Version ") + TAMIRO_VERSION,
                         {"Arial", 8, 0});
  lblCreditKinds = TextLabel(this, "lblCreditKinds", 108, 121, 66, 104, kCreditKinds, {"Arial", 8, tk::fsBold});
  lblCredits = TextLabel(this, "lblCredits", 176, 121, 228, 104, kCredits, {"Arial", 8, 0});
  lblInvitation = TextLabel(this, "lblInvitation", 108, 230, 296, 14, "Visit our web site for news and more games:",
                            {"Arial", 8, tk::fsBold});
  lblWebAddress = TextLabel(this, "lblWebAddress", 108, 245, 296, 16, "", {"Arial", 9, 0});
  lblWebAddress->FontColour = 0x40FFFF;
  // Beside the version, over the credits: why nothing here can be changed.
  lblLocked = TextLabel(this, "lblLocked", 262, 101, 142, 14, "Settings set by the school", {"Arial", 8, 0});
  lblLocked->FontColour = 0x40FFFF;
  lblLocked->Align = tk::Alignment::Right;

  cboLanguage = new tk::ComboBox(this, "cboLanguage", 216, 24, 257, 24);
  cboLanguage->SetSorted(true);
  cboLanguage->SetDropDownCount(14);
  cboLanguage->SetFont({"Arial", 10, 0});
  cboLanguage->SetColours(kWhite, kBlack);
  cboLanguage->SetAccessibleName("Language");
  // Two rows between the list and the bar: the three first boxes where they
  // always stood, a little higher, and the spoken words under music and
  // sound effects, with room to say that Breton has no voice.
  chkCapital = Option(this, "chkCapital", 108, 50, 165, 17, "Use CAPITAL letters");
  chkMusic = Option(this, "chkMusic", 282, 50, 65, 17, "Music");
  chkSound = Option(this, "chkSound", 358, 50, 113, 17, "Sound Effects");
  chkSpeech = Option(this, "chkSpeech", 282, 67, 189, 17, kSpokenWords);
  // The bottom row: the web site, the progress page, OK.
  imgWebSite = new tk::Image(this, "imgWebSite", 108, 288, 136, 45);
  imgProgress = new tk::Image(this, "imgProgress", 248, 288, 118, 45);
  imgExit = new tk::Image(this, "imgExit", 370, 288, 112, 45);
  imgWebSite->Hint = "Opens the web site in your browser";
  imgProgress->Hint = "What has been played, for parents and teachers";

  imgExit->OnClick = [this] { imgExitClick(); };
  imgWebSite->OnClick = [this] { imgWebSiteClick(); };
  imgProgress->OnClick = [this] { imgProgressClick(); };
  cboLanguage->OnChange = [this] { ShowSpeechCaption(); };
  OnCreate = [this] { FormCreate(); };
  OnShow = [this] { FormShow(); };
  OnActivate = [this] { FormActivate(); };
  OnKeyPress = [this](char key) { FormKeyPress(key); };
  CentreOnScreen();
}

TfrmAbout::~TfrmAbout() {
  if (frmAbout == this) frmAbout = nullptr;
}

void TfrmAbout::FormCreate() {
  for (int n = 1; n <= kLanguageCount; ++n) cboLanguage->AddItem(LanguageNames[static_cast<std::size_t>(n)]);
}

void TfrmAbout::FormShow() {
  Color = kBlack;
  DrawButtonFace(*imgExit, "OK", kWhite, "Arial", 12, 30, 1);
  DrawButtonFace(*imgWebSite, "Visit Web Site", kWhite, "Arial", 12, 30, 1);
  DrawButtonFace(*imgProgress, "Progress", kWhite, "Arial", 12, 30, 1);
  lblWebAddress->Caption = WebPage(Language);
  lblWebAddress->Invalidate();
}

void TfrmAbout::FormActivate() {
  const std::string& name = LanguageNames[static_cast<std::size_t>(Language)];
  for (int i = 0; i < cboLanguage->Count(); ++i)
    if (cboLanguage->Item(i) == name) cboLanguage->SetItemIndex(i);
  chkMusic->SetChecked(Music);
  chkSound->SetChecked(Sounds);
  chkCapital->SetChecked(Capital);
  chkSpeech->SetChecked(Speech);
  ShowSpeechCaption();
  // Settings the school has locked are shown, not changed.
  for (tk::Component* c : Components())
    if (auto* control = dynamic_cast<tk::WidgetControl*>(c)) control->Widget()->setEnabled(!Locked);
  lblLocked->SetVisible(Locked);
}

void TfrmAbout::ShowSpeechCaption() {
  const bool voice = !SpeechLanguage(ChosenLanguage(*cboLanguage)).empty();
  chkSpeech->SetCaption(voice ? kSpokenWords : kNoSpokenWords);
}

void TfrmAbout::FormKeyPress(char key) {
  // Escape leaves the window as it came: nothing is applied or saved.
  if (key == kEscape) Close();
}

void TfrmAbout::imgExitClick() {
  if (Locked) {
    // Nothing to apply or write: the school's settings hold.
    SetModalResult(tk::mrOk);
    return;
  }
  const int n = ChosenLanguage(*cboLanguage);
  if (n != Language) {
    Language = n;
    LoadPictureCatalogue();
    LoadLanguageStrings();
  }
  if (!chkMusic->Checked() && Music) StopMusic();
  Music = chkMusic->Checked();
  if (Music) {
    PlayMusic("DIDELI.MID", 0, true);
    // The menu goes on with the tune from where it now is, its beginning,
    // not from where it was when this window opened.
    MusicResumePosition = 0;
  }
  Sounds = chkSound->Checked();
  Capital = chkCapital->Checked();
  if (!chkSpeech->Checked() && Speech) StopSpeech();
  Speech = chkSpeech->Checked();
  PlaySound("Klick1.WAV");
  // A settings file that cannot be written keeps its old contents; the
  // choices still hold until the program ends.
  WriteSettings();
  SetModalResult(tk::mrOk);
}

void TfrmAbout::imgWebSiteClick() { tk::OpenUrl(WebPageAddress(Language)); }

// The choices made here so far stay as they are, unapplied, until OK.
void TfrmAbout::imgProgressClick() { ShowProgressPage(this); }

}  // namespace tamiro
