#include "exercises/multiple_choice/mc_form.h"

#include <cmath>

#include "content/content_tables.h"
#include "content/helpers.h"
#include "content/sound.h"
#include "toolkit/application.h"
#include "toolkit/code_page.h"

namespace tamiro {

TfrmOvMC* frmOvMC = nullptr;

namespace mc {
int Exercise = 0;
std::array<tk::Image*, 5> AnswerImages{};
std::array<int, 5> AnswerValues{};
std::array<std::string, 5> AnswerTexts{};
std::array<tk::Colour, 5> AnswerColours{};
int RightSlot = 0;
std::string AnswerFont;
int AnswerFontSize = 0;
int MarkFontSize = 0;
bool Easy = false;
bool LevelChoice = false;
int ObjectCount = 0;
int PictureId = 0;
int ObjectSize = 0;
tk::Colour ObjectColour = 0;
std::array<Point, 10> ObjectPositions{};
int OperandA = 0, OperandB = 0;
int PreviousCount = 0, PreviousPicture = 0, PreviousA = 0, PreviousB = 0;
std::string AnswerWord;
int QuestionsAnswered = 0, FirstTryRight = 0, WrongAnswers = 0, HardQuestions = 0;
bool Answered = false;
bool BuiltEasy = true;

std::optional<GameResult> Result(bool) {
  if (QuestionsAnswered == 0) return std::nullopt;
  GameResult game;
  game.exercise = Exercise;
  game.questions = QuestionsAnswered;
  game.firstTry = FirstTryRight;
  game.wrongClicks = WrongAnswers;
  // The level most of its questions were asked at, where there is a choice.
  if (Exercise >= 2 && Exercise <= 4)
    game.level = 2 * HardQuestions >= QuestionsAnswered ? GameLevel::Hard : GameLevel::Easy;
  return game;
}
}  // namespace mc

using namespace mc;

using namespace tk::colours;

namespace {
constexpr char kRightMark = static_cast<char>(254);
constexpr char kWrongMark = static_cast<char>(255);
}  // namespace

TfrmOvMC::TfrmOvMC(tk::Component* owner) : tk::Form(owner, "frmOvMC", 640, 480) {
  Tag = 26;
  HelpContext = 101;
  lblRubrik = new tk::Label(this, "lblRubrik", 4, 4, 629, 41);
  lblRubrik->Font = {"Tamiro3", 16, 0};  // 21-pixel letters
  lblRubrik->FontColour = kWhite;
  lblRubrik->Align = tk::Alignment::Center;
  Image1 = new tk::Image(this, "Image1", 4, 48, 629, 297);
  imgSvar[1] = new tk::Image(this, "imgSvar1", 16, 348, 121, 124);
  imgSvar[2] = new tk::Image(this, "imgSvar2", 144, 348, 117, 124);
  imgSvar[3] = new tk::Image(this, "imgSvar3", 376, 348, 121, 124);
  imgSvar[4] = new tk::Image(this, "imgSvar4", 504, 348, 119, 124);
  imgSvar[5] = new tk::Image(this, "imgSvar5", 132, 156, 180, 153);
  imgSvar[6] = new tk::Image(this, "imgSvar6", 324, 156, 180, 153);
  imgSvar[7] = new tk::Image(this, "imgSvar7", 64, 320, 180, 154);
  imgSvar[8] = new tk::Image(this, "imgSvar8", 388, 320, 180, 154);
  imgBild1 = new tk::Image(this, "imgBild1", 268, 300, 93, 65);
  imgHard = new tk::Image(this, "imgHard", 268, 364, 97, 21);
  imgEasy = new tk::Image(this, "imgEasy", 268, 384, 97, 21);
  imgHelp = new tk::Image(this, "imgHelp", 264, 412, 105, 29);
  imgExit = new tk::Image(this, "imgExit", 264, 444, 105, 29);
  tmrNew = new tk::Timer(this, "tmrNew");
  tmrNew->SetInterval(1000);
  tmrNew->SetEnabled(false);

  // Slots 1 and 5, 2 and 6, ... answer alike, in whichever layout is shown.
  for (int i = 1; i <= 8; ++i) {
    tk::Image* image = imgSvar[static_cast<std::size_t>(i)];
    const int slot = (i - 1) % 4 + 1;
    image->OnClick = [this, image, slot] { CheckAnswer(image, slot); };
  }
  imgEasy->OnClick = [this] { imgEasyClick(); };
  imgHard->OnClick = [this] { imgHardClick(); };
  frame = new ExerciseFrame(this, {imgHelp, false, imgExit});
  // The questions go on until the child leaves: every game is a left one.
  frame->SetGameReport(Result);
  tmrNew->OnTimer = [this] { tmrNewTimer(); };
  OnCreate = [this] { FormCreate(); };
  OnShow = [this] { FormShow(); };
  OnKeyPress = [this](char key) { FormKeyPress(key); };
}

TfrmOvMC::~TfrmOvMC() {
  if (frmOvMC == this) frmOvMC = nullptr;
  // The state outlives the form: it must not point into it.
  for (auto& image : AnswerImages)
    if (image && image->Owner() == this) image = nullptr;
}

void TfrmOvMC::FormCreate() {
  ScaleForm(*this);
  lblRubrik->Font.Name = ExerciseFont;
}

void TfrmOvMC::Start(int exercise) {
  ClearImage(*imgBild1);
  Exercise = exercise;
  switch (exercise) {
    case 1:
      lblRubrik->Caption.clear();
      LevelChoice = false;
      break;
    case 2:
    case 3:
    case 4: {
      const Text heading = exercise == 2 ? Text::Addition : exercise == 3 ? Text::Subtraction : Text::Multiplication;
      lblRubrik->Caption = "~~~~~   " + LangString(heading) + "   ~~~~~";
      LevelChoice = true;
      const tk::Colour colour = exercise == 2 ? Pictures[2].Colour : exercise == 3 ? 0xFF8020 : 0x20FFFF;
      DrawButtonFace(*imgBild1, GlyphText(2), colour, SymbolFont, 2 * LargeFontSize, -1, 3);
      break;
    }
    default:
      lblRubrik->Caption = "~~~~~~~~~~~~~~~~~~~~";
      LevelChoice = false;
      break;
  }
  lblRubrik->Invalidate();
  const bool large = exercise == 2 || exercise == 3 || exercise == 4 || exercise == 6;
  const int first = large ? 5 : 1;
  for (int k = 1; k <= 4; ++k) AnswerImages[static_cast<std::size_t>(k)] = imgSvar[static_cast<std::size_t>(first + k - 1)];
  for (int i = 1; i <= 8; ++i) imgSvar[static_cast<std::size_t>(i)]->SetVisible(large ? i >= 5 : i <= 4);
  MarkFontSize = (large ? 3 : 2) * LargeFontSize;
  imgBild1->SetVisible(large);
  Image1->SetHeight(AnswerImages[1]->Top() - Image1->Top() - 2);
  Easy = true;
  DrawLevelButtons();
  frame->GameBegins();
  QuestionsAnswered = FirstTryRight = WrongAnswers = HardQuestions = 0;
  Show();
  NewQuestion();
}

void TfrmOvMC::FormShow() {
  StopMusic();
  ClearImage(*Image1);
  for (int k = 1; k <= 4; ++k) ClearImage(*AnswerImages[static_cast<std::size_t>(k)]);
  frame->DrawButtons();
}

void TfrmOvMC::DrawLevelButtons() {
  imgEasy->SetVisible(LevelChoice);
  imgHard->SetVisible(LevelChoice);
  if (!LevelChoice) return;
  DrawButtonFace(*imgEasy, LangString(Text::Easy), Easy ? kWhite : kNavy, ExerciseFont, ButtonFontSize, -1, 3);
  DrawButtonFace(*imgHard, LangString(Text::Hard), Easy ? kNavy : kWhite, ExerciseFont, ButtonFontSize, -1, 3);
}

void TfrmOvMC::imgEasyClick() {
  Easy = true;
  DrawLevelButtons();
  Speak(LangString(Text::Easy));
}

void TfrmOvMC::imgHardClick() {
  Easy = false;
  DrawLevelButtons();
  Speak(LangString(Text::Hard));
}

void TfrmOvMC::CheckAnswer(tk::Image* image, int slot) {
  if (!image) return;
  if (!Answered) {
    // The first answer to a question counts it.
    Answered = true;
    ++QuestionsAnswered;
    if (!BuiltEasy) ++HardQuestions;
    if (slot == RightSlot) ++FirstTryRight;
  }
  if (slot != RightSlot) ++WrongAnswers;
  if (slot == RightSlot) {
    PlaySound("DROPP1.WAV");
    // The reward: the answer said, now that it is found (the word of the
    // picture exercise, which the question does not say).
    if (Exercise >= 1 && Exercise <= 4) {
      Speak(std::to_string(AnswerValues[static_cast<std::size_t>(RightSlot)]));
    } else if ((Exercise == 5 || Exercise == 6) && PictureId >= 1 && PictureId <= kPictureCount) {
      Speak(Pictures[static_cast<std::size_t>(PictureId)].Name);
    }
    DrawButtonFace(*image, std::string(1, kRightMark), 0x008000, SymbolFont, MarkFontSize, 90, 2);
    if (!tmrNew->Enabled()) tmrNew->SetEnabled(true);
    if (Exercise == 5) {
      ClearQuestionArea();
      const int w = Image1->Width(), h = Image1->Height();
      DrawTextCentred(w / 2, Trunc(h * 0.3), *Image1, GlyphText(PictureId),
                      PictureId >= 1 && PictureId <= kPictureCount ? Pictures[static_cast<std::size_t>(PictureId)].Colour : kWhite,
                      SymbolFont, 5 * LargeFontSize);
      DrawTextCentred(w / 2, Trunc(h * 0.8), *Image1, AnswerWord, kWhite, ExerciseFont,
                      Trunc(LargeFontSize * 1.5));
    }
  } else {
    PlaySound("BRUPP1.WAV");
    DrawButtonFace(*image, std::string(1, kWrongMark), 0x0000FF, SymbolFont, MarkFontSize, 90, 2);
  }
}

void TfrmOvMC::tmrNewTimer() {
  tmrNew->SetEnabled(false);
  NewQuestion();
}

void TfrmOvMC::FormKeyPress(char key) {
  const char typed = tk::UpperCase(std::string(1, key))[0];
  for (int k = 1; k <= 4; ++k) {
    const std::string& text = AnswerTexts[static_cast<std::size_t>(k)];
    if (text.size() == 1 && text[0] == typed) CheckAnswer(AnswerImages[static_cast<std::size_t>(k)], k);
  }
}

void TfrmOvMC::ClearQuestionArea() { FillBlack(*Image1); }

}  // namespace tamiro
