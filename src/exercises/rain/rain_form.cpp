#include "exercises/rain/rain_form.h"

#include <algorithm>
#include <cmath>

#include "content/content_tables.h"
#include "content/helpers.h"
#include "content/sound.h"
#include "toolkit/application.h"
#include "toolkit/code_page.h"

namespace tamiro {

TfrmOvRegn* frmOvRegn = nullptr;

namespace rain {
std::array<TRainItem, kItemCapacity + 1> Items{};
int ItemCount = 0;
int Exercise = 0;
int CurrentItem = 0;
int Score = 0;
int ColumnWidth = 0;
int ItemHeight = 0;
int Caught = 0, Missed = 0;

std::optional<GameResult> Result(bool) {
  if (Caught + Missed == 0) return std::nullopt;
  GameResult game;
  game.exercise = Exercise;
  game.score = Score;
  game.caught = Caught;
  game.missed = Missed;
  return game;
}

std::string Alphabet() {
  std::string letters = LangString(Text::RainAlphabet);
  if (letters.size() > static_cast<std::size_t>(kItemCapacity)) letters.resize(kItemCapacity);
  return letters;
}
}  // namespace rain

using namespace rain;

using namespace tk::colours;

namespace {
constexpr int kLetterRain = 9;
constexpr int kSumRain = 10;
constexpr int kAbcRain = 11;

TRainItem& Item(int i) { return Items[static_cast<std::size_t>(i)]; }

// The size of the items' text in each game.
int ItemFontSize() {
  switch (Exercise) {
    case kSumRain:
      return Trunc(LargeFontSize / 1.5);
    case kAbcRain:
      return ExerciseFont == "Arial" ? Trunc(LargeFontSize / 2.5) : Trunc(LargeFontSize / 2.0);
    default:
      return LargeFontSize;
  }
}
}  // namespace

TfrmOvRegn::TfrmOvRegn(tk::Component* owner) : tk::Form(owner, "frmOvRegn", 640, 480) {
  Tag = 26;
  HelpContext = 101;
  Shape1 = new tk::Shape(this, "Shape1", 3, -2, 505, 475);
  Shape1->Brush.Clear = true;
  Shape1->Pen = {kWhite, 2, false};
  shpRam = new tk::Shape(this, "shpRam", 8, 0, 493, 465);
  shpRam->Brush.Clear = true;
  shpRam->Pen.None = true;
  imgPicture = new tk::Image(this, "imgPicture", 512, 4, 121, 113);
  imgStart = new tk::Image(this, "imgStart", 512, 120, 121, 45);
  imgScore = new tk::Image(this, "imgScore", 512, 300, 113, 45);
  imgHelp = new tk::Image(this, "imgHelp", 512, 356, 113, 57);
  imgExit = new tk::Image(this, "imgExit", 512, 419, 113, 54);
  imgRegn = new tk::Image(this, "imgRegn", 12, 301, 493, 104);
  imgRegn->SetVisible(false);
  Timer1 = new tk::Timer(this, "Timer1");
  Timer1->SetInterval(80);
  Timer1->SetEnabled(false);

  frame = new ExerciseFrame(this, {imgHelp, true, imgExit, imgStart, imgScore}, [this] { NewGame(); });
  frame->SetGameReport(Result);
  imgScore->OnClick = [this] { frame->StartClick(); };
  Timer1->OnTimer = [this] { Timer1Timer(); };
  OnCreate = [this] { FormCreate(); };
  OnShow = [this] { FormShow(); };
  OnClick = [this] { FormClick(); };
  OnKeyPress = [this](char key) { FormKeyPress(key); };
}

TfrmOvRegn::~TfrmOvRegn() {
  if (frmOvRegn == this) frmOvRegn = nullptr;
}

void TfrmOvRegn::FormCreate() { ScaleForm(*this); }

void TfrmOvRegn::Start(int exercise) {
  ClearImage(*imgRegn);
  ClearImage(*imgPicture);
  DrawButtonFace(*imgPicture, GlyphText(6), exercise == kLetterRain ? 0xFF3060 : 0xF09030, SymbolFont,
                 3 * LargeFontSize, -1, 3);
  // Without letters the letter games have no items at all.
  const int letters = static_cast<int>(Alphabet().size());
  ItemCount = exercise == kSumRain ? 7 : exercise == kAbcRain ? letters : letters > 0 ? 10 : 0;
  Exercise = exercise;
  Show();
  ColumnWidth = ItemCount > 0 ? shpRam->Width() / ItemCount : 0;
  NewGame();
}

void TfrmOvRegn::FormShow() { frame->DrawButtons(); }

void TfrmOvRegn::NewGame() {
  // A game left half way counts as it stands; this one begins from nothing.
  frame->GameBegins();
  Caught = Missed = 0;
  PlayMusic("DROPPAR.MID", 0, true);
  Randomize();
  Score = 0;
  ShowScore();
  FillBlack(*imgRegn);
  FillBlack(Canvas(), shpRam->Left(), shpRam->Top(), shpRam->Left() + shpRam->Width(),
            shpRam->Top() + shpRam->Height());

  const std::string alphabet = Alphabet();
  const int letters = static_cast<int>(alphabet.size());
  for (int i = 1; i <= ItemCount; ++i) {
    TRainItem& item = Item(i);
    item.Steps = 0;
    if (Exercise == kSumRain) {
      const int a = RandomIn(1, 5);
      const int b = RandomIn(1, 4);
      item.Text = std::to_string(a) + "+" + std::to_string(b);
      item.Answer = std::to_string(a + b);
    } else {
      const int k = Exercise == kAbcRain ? i : RandomIn(1, letters);
      item.Text = alphabet.substr(static_cast<std::size_t>(k - 1), 1);
      item.Answer = item.Text.substr(0, 1);
    }
  }
  CurrentItem = 1;
  if (ItemCount > 0) {
    Timer1->SetEnabled(true);
  } else {
    // A game without items is over as it begins.
    Timer1->SetEnabled(false);
    StopMusic();
  }
}

void TfrmOvRegn::Timer1Timer() { FallStep(); }

void TfrmOvRegn::FallStep() {
  if (CurrentItem < 1 || CurrentItem > ItemCount) return;
  const int i = CurrentItem;
  TRainItem& item = Item(i);
  if (item.Steps == 0) {
    // The item's text goes once into its column of the strip, in the lower
    // two thirds; the upper third stays black and wipes the trail as the
    // strip moves down.
    int size = ItemFontSize();
    tk::Canvas& strip = imgRegn->Canvas();
    strip.Font = {ExerciseFont, size, 0};
    ItemHeight = Trunc(strip.TextHeight("\xC5") * 1.5);
    // An item wider than its column (a W in a long alphabet) shrinks just
    // enough to show whole, centred there as it is drawn; the strip keeps
    // the game's height.
    const auto fits = [&] {
      const int x = Trunc((i - 0.5) * ColumnWidth) - strip.TextWidth(item.Text) / 2;
      const QRect ink = strip.TextInk(item.Text).translated(x, 0);
      return ink.left() >= (i - 1) * ColumnWidth + 1 && ink.right() < i * ColumnWidth - 1;
    };
    while (size > 1 && !fits()) strip.Font.Size = --size;
    const tk::Colour colour = Pictures[static_cast<std::size_t>(RandomIn(1, kPictureCount))].Colour;
    DrawTextCentred(Trunc((i - 0.5) * ColumnWidth), Trunc(ItemHeight / 1.5), *imgRegn, item.Text, colour,
                    ExerciseFont, size);
  }
  const int left = (i - 1) * ColumnWidth + 1;
  const int right = i * ColumnWidth - 1;
  const int k = ++item.Steps;
  const double fallen = shpRam->Height() * static_cast<double>(k) / kFallSteps;
  const int bottom = shpRam->Top() + Trunc(fallen);
  const int top = shpRam->Top() + Trunc(fallen - ItemHeight);
  // While the strip still reaches above the field its top is truncated
  // towards zero, so it may be a pixel lower than the strip is high: the
  // strip's top row, always black, is then left out rather than squeezed.
  const int height = std::min(bottom - top, ItemHeight);
  Canvas().CopyRect(QRect(shpRam->Left() + left, bottom - height, right - left, height), imgRegn->Canvas(),
                    QRect(left, ItemHeight - height, right - left, height));
  if (k == kFallSteps) {
    PlaySound("Dropp3.WAV");
    ItemDone();
  }
}

void TfrmOvRegn::ItemDone() {
  PlaySound("DRIPDROP.WAV");
  const TRainItem& item = Item(CurrentItem);
  if (item.Steps != kFallSteps) {
    Score += Trunc(10.0 / ItemCount * 100 * (kFallSteps - item.Steps) / kFallSteps);
    ++Caught;
  } else {
    ++Missed;
  }
  ShowScore();
  ++CurrentItem;
  if (CurrentItem > ItemCount) {
    Timer1->SetEnabled(false);
    StopMusic();
    frame->GameEnds();
  }
}

void TfrmOvRegn::ShowScore() { frame->ShowScore(Score); }

void TfrmOvRegn::FormKeyPress(char key) {
  if (CurrentItem < 1 || CurrentItem > ItemCount) return;
  const std::string typed = tk::UpperCase(std::string(1, key));
  TRainItem& item = Item(CurrentItem);
  if (typed != item.Answer) {
    Score -= 10;
    ShowScore();
    return;
  }
  // What was caught is said: the letter, or the sum (never the sum while it
  // falls: working it out is the game).
  std::string spoken = item.Text;
  if (Exercise == kSumRain) {
    if (const std::size_t plus = spoken.find('+'); plus != std::string::npos) spoken.replace(plus, 1, " + ");
    // The result shows for one more step before the item counts; when that
    // step lands it, the landing has already ended the item.
    item.Text = item.Answer;
    const int caught = CurrentItem;
    FallStep();
    if (Item(caught).Steps == kFallSteps) return;
  }
  Speak(spoken);
  ItemDone();
}

void TfrmOvRegn::FormClick() { tk::Application::Instance().ShowHelp(HelpContext); }

}  // namespace tamiro
