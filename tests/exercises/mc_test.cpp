#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <map>
#include <set>

#include "app/main_menu.h"
#include "content/settings.h"
#include "app/startup.h"
#include "content/content_tables.h"
#include "content/helpers.h"
#include "exercises/multiple_choice/mc_form.h"
#include "support/program_fixture.h"
#include "support/test_support.h"
#include "toolkit/application.h"
#include "toolkit/media.h"
#include "toolkit/platform.h"
#include "toolkit/profile.h"
#include "exercises/common/games.h"
#include "content/fonts.h"

using namespace tamiro;
using testing_support::FakePlayer;
using testing_support::Messages;

namespace {

std::size_t At(int i) { return static_cast<std::size_t>(i); }

void Spin(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) tk::Application::ProcessMessages();
}

// Counts the pixels of an image that are mostly of one colour.
int Pixels(tk::Image* image, bool (*kind)(QRgb)) {
  const QImage& img = image->Canvas().Image();
  int n = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) n += kind(img.pixel(x, y));
  return n;
}
bool Green(QRgb p) { return qGreen(p) > 90 && qRed(p) < 60 && qBlue(p) < 60; }
bool Red(QRgb p) { return qRed(p) > 150 && qGreen(p) < 60 && qBlue(p) < 60; }

// The multiple-choice form on the program's own assets, started from the
// menu with recording players and a clock that moves on at every reading.
class MultipleChoice : public testing_support::ProgramFixture {
 protected:
  void SetUp() override {
    tk::SetClockOverride([this] { return clock += 7919; });
    StartProgram();
  }
  TfrmOvMC* Launch(int exercise) {
    LaunchGame(frmHuvudmeny, exercise);
    effects->log.clear();
    return frmOvMC;
  }
  void Click(tk::Control* control) {
    tk::Form* form = control->OwnerForm();
    const QPoint c = control->BoundsRect().center();
    form->DeliverMouseDown(tk::MouseButton::Left, 0, c.x(), c.y());
    form->DeliverMouseUp(tk::MouseButton::Left, 0, c.x(), c.y());
  }
  std::vector<int> Wrong() const {
    std::vector<int> v;
    for (int k = 1; k <= 4; ++k)
      if (k != mc::RightSlot) v.push_back(mc::AnswerValues[At(k)]);
    return v;
  }
  // Checks one question's answers: the right one in its slot, three distinct
  // wrong ones from the range, none equal to the right one.
  void ExpectAnswers(int right, int low, int high) {
    ASSERT_GE(mc::RightSlot, 1);
    ASSERT_LE(mc::RightSlot, 4);
    EXPECT_EQ(mc::AnswerValues[At(mc::RightSlot)], right);
    const std::vector<int> wrong = Wrong();
    EXPECT_EQ(std::set<int>(wrong.begin(), wrong.end()).size(), 3u);
    for (int v : wrong) {
      EXPECT_NE(v, right);
      EXPECT_GE(v, low);
      EXPECT_LE(v, high);
    }
  }

  std::int64_t clock = 0;
};

}  // namespace

TEST_F(MultipleChoice, ArithmeticKeepsToTheRangesOfBothLevels) {
  struct Range {
    int exercise;
    bool easy;
    int opLow, opHigh, wrongHigh;
  };
  const Range ranges[] = {{2, true, 1, 5, 11}, {2, false, 5, 11, 23}, {3, true, 1, 5, 5},
                          {3, false, 5, 11, 11}, {4, true, 1, 5, 35}, {4, false, 5, 11, 143}};
  for (const Range& r : ranges) {
    TfrmOvMC* form = Launch(r.exercise);
    if (!r.easy) form->imgHardClick();
    std::map<int, int> slotCounts;
    bool sawEqual = false, sawEleven = false;
    for (int q = 0; q < 300; ++q) {
      const int prevA = mc::OperandA, prevB = mc::OperandB;
      form->NewQuestion();
      const int a = mc::OperandA, b = mc::OperandB;
      // Subtraction compares the operands as drawn and may then exchange
      // them, so only the other two never repeat an operand in place.
      if (r.exercise != 3) {
        EXPECT_NE(a, prevA);
        EXPECT_NE(b, prevB);
      }
      EXPECT_GE(std::min(a, b), r.opLow);
      EXPECT_LE(std::max(a, b), r.opHigh);
      const int right = r.exercise == 2 ? a + b : r.exercise == 3 ? a - b : a * b;
      if (r.exercise == 3) {
        EXPECT_GE(a, b) << "subtraction puts the larger operand first";
        sawEqual = sawEqual || a == b;
      }

      sawEleven = sawEleven || (a == 11 && b == 11);
      ExpectAnswers(right, 1, r.wrongHigh);
      ++slotCounts[mc::RightSlot];
      EXPECT_EQ(mc::AnswerTexts[At(mc::RightSlot)], std::to_string(right));
    }
    for (int k = 1; k <= 4; ++k) EXPECT_GT(slotCounts[k], 40) << "slot " << k << " of exercise " << r.exercise;
    if (r.exercise == 3) {
      EXPECT_TRUE(sawEqual) << "equal operands give 0";
    }
    if (r.exercise == 4 && !r.easy) {
      EXPECT_TRUE(sawEleven) << "hard multiplication reaches 11 x 11";
    }
    form->Release();
    tk::Application::ProcessMessages();
  }
}

TEST_F(MultipleChoice, CountingNeverRepeatsItsCountOrPictureAndAsksInTheHeading) {
  TfrmOvMC* form = Launch(1);
  for (int q = 0; q < 60; ++q) {
    const int prevCount = mc::ObjectCount, prevPicture = mc::PictureId;
    form->NewQuestion();
    EXPECT_NE(mc::ObjectCount, prevCount);
    EXPECT_NE(mc::PictureId, prevPicture);
    EXPECT_GE(mc::ObjectCount, 1);
    EXPECT_LE(mc::ObjectCount, 9);
    EXPECT_FALSE(Pictures[At(mc::PictureId)].PluralName.empty());
    ExpectAnswers(mc::ObjectCount, 1, 9);
    EXPECT_EQ(form->lblRubrik->Caption, "~ " + LangStrings[16] + " " + Pictures[At(mc::PictureId)].PluralName + " ? ~");
  }
  Capital = true;
  form->NewQuestion();
  EXPECT_EQ(form->lblRubrik->Caption, tk::UpperCase(form->lblRubrik->Caption));
  // The next launch still differs from the last question of this one.
  const int lastCount = mc::ObjectCount, lastPicture = mc::PictureId;
  form->Release();
  tk::Application::ProcessMessages();
  Launch(1);
  EXPECT_NE(mc::ObjectCount, lastCount);
  EXPECT_NE(mc::PictureId, lastPicture);
}

// Where the counting form itself opens the question, the heading has no
// blank for the missing opening words; a bare "¿" keeps its blank.
TEST_F(MultipleChoice, CountingHeadingLeavesOutTheBlankOfEmptyOpeningWords) {
  TfrmOvMC* form = Launch(1);
  const std::pair<std::string, std::string> cases[] = {{"", "~ "}, {"\xBF", "~ \xBF "}};
  for (const auto& [opening, start] : cases) {
    LangStrings[16] = opening;
    form->NewQuestion();
    EXPECT_EQ(form->lblRubrik->Caption, start + Pictures[At(mc::PictureId)].PluralName + " ? ~");
  }
}

TEST_F(MultipleChoice, PlacementKeepsPicturesApartInsideTheArea) {
  TfrmOvMC* form = Launch(1);
  const int w = form->Image1->Width(), h = form->Image1->Height();
  EXPECT_EQ(w, 629);
  EXPECT_EQ(h, 298) << "the counting area on a 640 x 480 screen";
  for (int q = 0; q < 40; ++q) {
    form->NewQuestion();
    const int s = mc::ObjectSize;
    EXPECT_LE(s, 198 - 8 * mc::ObjectCount);
    for (int i = 1; i <= mc::ObjectCount; ++i) {
      const auto& p = mc::ObjectPositions[At(i)];
      EXPECT_GE(p.x, h / 4 / 2);
      EXPECT_GE(p.y, h / 4 / 2);
      for (int j = i + 1; j <= mc::ObjectCount; ++j) {
        const auto& o = mc::ObjectPositions[At(j)];
        EXPECT_FALSE(std::abs(p.x - o.x) < 0.9 * s && std::abs(p.y - o.y) < 0.9 * s)
            << "pictures " << i << " and " << j << " overlap";
      }
    }
  }
}

TEST_F(MultipleChoice, PictureAndLetterAtTheEndOfTheirRangesAreOnlyRightAnswers) {
  TfrmOvMC* form = Launch(6);
  bool saw119 = false;
  for (int q = 0; q < 600; ++q) {
    form->NewQuestion();
    ExpectAnswers(mc::PictureId, 1, 118);
    saw119 = saw119 || mc::PictureId == 119;
    EXPECT_EQ(mc::AnswerFont, SymbolFont);
    EXPECT_EQ(mc::AnswerTexts[At(mc::RightSlot)], GlyphText(mc::PictureId));
  }
  EXPECT_TRUE(saw119);
  form->Release();
  tk::Application::ProcessMessages();

  form = Launch(5);
  const std::string& alphabet = LangStrings[21];
  const int letters = static_cast<int>(alphabet.size());
  for (int q = 0; q < 400; ++q) {
    form->NewQuestion();
    const std::string& name = Pictures[At(mc::PictureId)].Name;
    const int position = static_cast<int>(alphabet.find(tk::UpperCase(name.substr(0, 1))[0])) + 1;
    ASSERT_GE(position, 1) << name;
    ExpectAnswers(position, 1, letters - 1);
    EXPECT_EQ(mc::AnswerTexts[At(mc::RightSlot)], alphabet.substr(At(position - 1), 1));
    EXPECT_EQ(mc::AnswerWord.substr(1), name.substr(1));
  }
}

TEST_F(MultipleChoice, TheDashedWordLeavesTheOtherLettersWhereTheRevealPutsThem) {
  TfrmOvMC* form = Launch(5);
  for (int q = 0; q < 20 && Pictures[At(mc::PictureId)].Name.size() < 5; ++q) form->NewQuestion();
  tk::Canvas& canvas = form->Image1->Canvas();
  const int h = form->Image1->Height(), w = form->Image1->Width();
  const int band = static_cast<int>(h * 0.8);
  const QImage before = canvas.Image().copy();
  form->CheckAnswer(mc::AnswerImages[At(mc::RightSlot)], mc::RightSlot);
  const QImage after = canvas.Image();
  // Everything right of the first letter, in the word's band, is the same.
  canvas.Font = {ExerciseFont, static_cast<int>(LargeFontSize * 1.5), 0};
  const int tw = canvas.TextWidth(mc::AnswerWord);
  const int wi = canvas.TextWidth(mc::AnswerWord.substr(0, 1));
  const int from = w / 2 - tw / 2 + wi + 2;
  int lit = 0, differ = 0;
  for (int y = band - h / 6; y < std::min(h, band + h / 6); ++y)
    for (int x = from; x < w / 2 + tw / 2; ++x) {
      const int a = qGray(before.pixel(x, y)), b = qGray(after.pixel(x, y));
      lit += a > 128;
      differ += std::abs(a - b) > 128;
    }
  EXPECT_GT(lit, 50);
  EXPECT_LT(differ, lit / 20) << "the letters after the first moved";
}

TEST_F(MultipleChoice, LayoutsAndTheQuestionAreaAtTwoScreenSizes) {
  TfrmOvMC* form = Launch(1);
  EXPECT_EQ(form->Image1->Height(), 298);
  for (int i = 1; i <= 8; ++i) EXPECT_EQ(form->imgSvar[At(i)]->Visible(), i <= 4);
  EXPECT_FALSE(form->imgBild1->Visible());
  EXPECT_FALSE(form->imgEasy->Visible());
  form->Release();
  tk::Application::ProcessMessages();

  form = Launch(2);
  EXPECT_EQ(form->Image1->Height(), 156 - 48 - 2);
  for (int i = 1; i <= 8; ++i) EXPECT_EQ(form->imgSvar[At(i)]->Visible(), i >= 5);
  EXPECT_TRUE(form->imgBild1->Visible());
  EXPECT_TRUE(form->imgEasy->Visible());
  EXPECT_EQ(form->lblRubrik->Caption, "~~~~~   " + LangStrings[2] + "   ~~~~~");
  EXPECT_EQ(mc::AnswerImages[1], form->imgSvar[5]);
  form->Release();
  tk::Application::ProcessMessages();

  tk::SetScreenOverride(tk::ScreenInfo{1024, 768, 32});
  form = Launch(5);
  EXPECT_EQ(form->Width(), 1024);
  EXPECT_EQ(form->Image1->BoundsRect(), QRect(6, 77, 1006, 557 - 77 - 2));
  EXPECT_EQ(form->lblRubrik->Caption, std::string(20, '~'));
  form->Release();
  tk::Application::ProcessMessages();
  form = Launch(6);
  EXPECT_EQ(form->Image1->Height(), 250 - 77 - 2);
}

TEST_F(MultipleChoice, MarksAndSoundsForRightAndWrongAnswers) {
  TfrmOvMC* form = Launch(2);
  const int right = mc::RightSlot, wrong = right % 4 + 1;
  tk::Image* wrongImage = mc::AnswerImages[At(wrong)];
  Click(wrongImage);
  EXPECT_EQ(effects->log, (std::vector<std::string>{"open BRUPP1.WAV", "play"}));
  EXPECT_GT(Pixels(wrongImage, Red), 200);
  EXPECT_FALSE(form->tmrNew->Enabled()) << "a wrong answer brings no new question";
  Click(mc::AnswerImages[At(right)]);
  EXPECT_EQ(effects->log.back(), "play");
  EXPECT_EQ(effects->log[2], "open DROPP1.WAV");
  EXPECT_GT(Pixels(mc::AnswerImages[At(right)], Green), 200);
  EXPECT_TRUE(form->tmrNew->Enabled());
}

TEST_F(MultipleChoice, ASecondRightClickDoesNotDelayTheNextQuestionAndExitStopsIt) {
  TfrmOvMC* form = Launch(1);
  Click(mc::AnswerImages[At(mc::RightSlot)]);
  Spin(300);
  const int remaining = form->tmrNew->RemainingTime();
  Click(mc::AnswerImages[At(mc::RightSlot)]);
  EXPECT_LE(form->tmrNew->RemainingTime(), remaining) << "the one-second wait was restarted";
  const int count = mc::ObjectCount;
  Spin(1100);
  EXPECT_NE(mc::ObjectCount, count) << "the next question came";
  EXPECT_FALSE(form->tmrNew->Enabled());

  // Exit within the second: no further question.
  Click(mc::AnswerImages[At(mc::RightSlot)]);
  const int shown = mc::ObjectCount;
  Click(form->imgExit);
  EXPECT_EQ(effects->log.back(), "play");
  Spin(1300);
  EXPECT_EQ(mc::ObjectCount, shown);
  EXPECT_EQ(frmOvMC, nullptr) << "the form was destroyed";
  EXPECT_EQ(tk::Application::Instance().ActiveForm(), frmHuvudmeny);
}

TEST_F(MultipleChoice, TypedDigitsAndLowerCaseLettersAnswer) {
  TfrmOvMC* form = Launch(2);
  int single = 0;
  for (int k = 1; k <= 4; ++k)
    if (mc::AnswerTexts[At(k)].size() == 1) single = k;
  ASSERT_NE(single, 0) << "easy addition always shows some one-digit answers";
  form->DeliverKey(mc::AnswerTexts[At(single)][0]);
  EXPECT_EQ(effects->log[0], single == mc::RightSlot ? "open DROPP1.WAV" : "open BRUPP1.WAV");
  EXPECT_GT(Pixels(form->imgSvar[At(single + 4)], single == mc::RightSlot ? Green : Red), 200)
      << "the mark is on the large layout's slot";
  // Numbers of two digits can only be clicked.
  effects->log.clear();
  mc::AnswerTexts = {"", "12", "13", "14", "15"};
  form->DeliverKey('1');
  EXPECT_TRUE(effects->log.empty());
  form->Release();
  tk::Application::ProcessMessages();

  form = Launch(5);
  const char letter = mc::AnswerTexts[At(mc::RightSlot)][0];
  std::string lower(1, letter);
  lower[0] = static_cast<char>(tk::FromUnicode(QChar(tk::ToUnicode(static_cast<unsigned char>(letter))).toLower().unicode()));
  form->DeliverKey(lower[0]);
  EXPECT_EQ(effects->log[0], "open DROPP1.WAV");
}

TEST_F(MultipleChoice, TheLevelChangesAtTheNextQuestion) {
  TfrmOvMC* form = Launch(3);
  EXPECT_TRUE(mc::Easy);
  const int a = mc::OperandA, b = mc::OperandB;
  Click(form->imgHard);
  EXPECT_FALSE(mc::Easy);
  EXPECT_EQ(mc::OperandA, a);
  EXPECT_EQ(mc::OperandB, b);
  EXPECT_TRUE(effects->log.empty()) << "the level buttons make no sound";
  form->NewQuestion();
  EXPECT_GE(std::min(mc::OperandA, mc::OperandB), 5);
  form->Release();
  tk::Application::ProcessMessages();
  Launch(3);
  EXPECT_TRUE(mc::Easy) << "every launch starts easy";
}

TEST_F(MultipleChoice, ContentThatCannotMakeAQuestionGivesABlankOneInsteadOfHanging) {
  TfrmOvMC* form = Launch(1);
  const auto saved = Pictures;
  for (int i = 1; i <= kPictureCount; ++i) Pictures[At(i)].PluralName.clear();
  form->NewQuestion();
  EXPECT_EQ(mc::RightSlot, 0);
  for (int k = 1; k <= 4; ++k) EXPECT_TRUE(mc::AnswerTexts[At(k)].empty());
  // Only one picture with a plural: it repeats rather than hangs.
  Pictures[7].PluralName = "hundar";
  form->NewQuestion();
  form->NewQuestion();
  EXPECT_EQ(mc::PictureId, 7);
  Pictures = saved;
  // An alphabet of three letters: the letters repeat.
  form->Release();
  tk::Application::ProcessMessages();
  form = Launch(5);
  const std::string alphabet = LangStrings[21];
  // An alphabet of three letters: the wrong answers come from the letters
  // before the last one, so only B is left beside the right A, and the other
  // slots are blank rather than copies of the right answer.
  LangStrings[21] = "ABC";
  for (int i = 1; i <= kPictureCount; ++i) Pictures[At(i)].Name = i == 3 ? "apa" : "";
  form->NewQuestion();
  ASSERT_GE(mc::RightSlot, 1);
  EXPECT_EQ(mc::AnswerTexts[At(mc::RightSlot)], "A");
  std::multiset<std::string> texts(mc::AnswerTexts.begin() + 1, mc::AnswerTexts.end());
  EXPECT_EQ(texts, (std::multiset<std::string>{"", "", "A", "B"}));
  // Two letters: no wrong answer at all.
  LangStrings[21] = "AB";
  form->NewQuestion();
  texts = std::multiset<std::string>(mc::AnswerTexts.begin() + 1, mc::AnswerTexts.end());
  EXPECT_EQ(texts, (std::multiset<std::string>{"", "", "", "A"}));
  LangStrings[21] = alphabet;
  Pictures = saved;
}

TEST_F(MultipleChoice, OnlyALeftClickAnswersOrLeaves) {
  TfrmOvMC* form = Launch(2);
  const auto press = [&](tk::Control* c, tk::MouseButton b) {
    const QPoint p = c->BoundsRect().center();
    form->DeliverMouseDown(b, 0, p.x(), p.y());
    form->DeliverMouseUp(b, 0, p.x(), p.y());
  };
  for (auto button : {tk::MouseButton::Right, tk::MouseButton::Middle}) {
    press(mc::AnswerImages[At(mc::RightSlot)], button);
    press(form->imgHard, button);
    press(form->imgExit, button);
  }
  EXPECT_TRUE(effects->log.empty());
  EXPECT_TRUE(mc::Easy);
  EXPECT_FALSE(form->Released());
  press(form->imgExit, tk::MouseButton::Left);
  EXPECT_TRUE(form->Released());
}

TEST_F(MultipleChoice, ExitClickedWhileTheFirstQuestionIsDrawnLeavesCleanly) {
  // The counting question lets events run after drawing its pictures, and
  // ClearImage before it; Exit may come in either.
  for (int delay : {0, 1}) {
    QTimer::singleShot(delay, [] {
      if (frmOvMC && !frmOvMC->Released()) {
        const QPoint p = frmOvMC->imgExit->BoundsRect().center();
        frmOvMC->DeliverMouseDown(tk::MouseButton::Left, 0, p.x(), p.y());
        frmOvMC->DeliverMouseUp(tk::MouseButton::Left, 0, p.x(), p.y());
      }
    });
    LaunchGame(frmHuvudmeny, 1);
    ASSERT_NE(frmOvMC, nullptr);
    EXPECT_TRUE(frmOvMC->Released());
    EXPECT_GE(mc::ObjectCount, 1) << "the question was drawn to its end";
    Spin(30);
    EXPECT_EQ(frmOvMC, nullptr);
    EXPECT_EQ(tk::Application::Instance().ActiveForm(), frmHuvudmeny);
  }
}
