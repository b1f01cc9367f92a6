#include <gtest/gtest.h>

#include <QTimer>
#include <set>
#include <vector>

#include "content/settings.h"
#include "content/content_tables.h"
#include "content/helpers.h"
#include "support/fake_player.h"
#include "support/test_support.h"
#include "toolkit/application.h"
#include "toolkit/platform.h"
#include "content/sound.h"

using namespace tamiro;
using testing_support::FakePlayer;
using testing_support::ProgramDir;

namespace {

// The bounding box of the pixels brighter than the background.
QRect LitBox(const tk::Canvas& canvas) {
  const QImage& image = canvas.Image();
  QRect box;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (qGray(image.pixel(x, y)) > 100) box |= QRect(x, y, 1, 1);
  return box;
}

class Helpers : public ::testing::Test {
 protected:
  void TearDown() override {
    tk::SetScreenOverride(std::nullopt);
    tk::SetClockOverride(nullptr);
    SetPlayersOverride(nullptr, nullptr);
    Music = Sounds = true;
    Capital = false;
    MusicLoop = false;
  }
  ProgramDir dir;
};

}  // namespace

TEST_F(Helpers, ScaleFormStretchesTheDesignToTheScreenAndRoundsHalvesToEven) {
  dir.Write("lang.crp", testing_support::EncodeLangString(2, {u"Addition"}));
  tk::SetScreenOverride(tk::ScreenInfo{1024, 768, 32});
  tk::Form form(nullptr, "form", 640, 480);
  auto* label = new tk::Label(&form, "lbl", 504, 368, 113, 49);
  label->Font.Size = 14;
  label->Tag = 2;
  auto* shape = new tk::Shape(&form, "shp", 3, 5, 5, 3);
  shape->Pen.Width = 5;
  tk::Timer timer(&form, "tmr");
  ScaleForm(form);
  EXPECT_EQ(form.Width(), 1024);
  EXPECT_EQ(form.Height(), 768);
  EXPECT_EQ(form.Color, 0u);
  EXPECT_EQ(label->BoundsRect(), QRect(806, 589, 181, 78));
  EXPECT_EQ(label->Font.Size, 22);
  EXPECT_EQ(shape->Pen.Width, 8);
  EXPECT_EQ(label->Caption, "Addition") << "translation is the last step";

  tk::SetScreenOverride(tk::ScreenInfo{960, 720, 32});
  tk::Form wide(nullptr, "wide", 640, 480);
  auto* a = new tk::Image(&wide, "a", 1, 3, 5, 3);
  ScaleForm(wide);
  // 1.5 is exact: 4.5 rounds to 4, 7.5 to 8, 1.5 to 2.
  EXPECT_EQ(a->BoundsRect(), QRect(2, 4, 8, 4));
}

TEST_F(Helpers, ButtonFacesPaintFillFrameAndACentredCaption) {
  tk::SetScreenOverride(tk::ScreenInfo{1024, 768, 32});
  tk::Form form(nullptr, "form", 640, 480);
  auto* button = new tk::Image(&form, "imgExit", 0, 0, 181, 60);
  DrawButtonFace(*button, "OK", 0xFFFFFF, "Arial", 14, 30, 1);
  const QImage& img = button->Canvas().Image();
  EXPECT_EQ(img.pixelColor(0, 0), QColor(0, 0, 0)) << "the face is filled black";
  EXPECT_EQ(img.pixelColor(90, 2), QColor(128, 128, 128)) << "style 1: a thin grey frame";
  const QRect caption = LitBox(button->Canvas());
  EXPECT_NEAR(caption.center().x(), 90, 3);
  EXPECT_NEAR(caption.center().y(), 30, 6);

  DrawButtonFace(*button, "OK", 0xFFFFFF, "Arial", 14, 90, 2);
  // Style 2 on a 768-pixel screen: a white frame 2 pixels wide over a grey
  // one 3 pixels wide, so grey shows at its edges.
  const QImage& framed = button->Canvas().Image();
  EXPECT_GT(framed.pixelColor(90, 2).red(), 240);
  EXPECT_GT(framed.pixelColor(90, 1).red(), 100);
  EXPECT_LT(framed.pixelColor(90, 1).red(), 240);
  EXPECT_EQ(framed.pixelColor(90, 6), QColor(0, 0, 0));
  // With a 90 % corner the ends are fully round: the corner pixel stays black.
  EXPECT_EQ(button->Canvas().Image().pixelColor(4, 4), QColor(0, 0, 0));

  DrawButtonFace(*button, "", 0xFFFFFF, "Arial", 14, -1, 3);
  EXPECT_TRUE(LitBox(button->Canvas()).isEmpty()) << "style 3: no frame at all";
}

TEST_F(Helpers, TextIsCentredOnItsPointAndFontSizesFitTheirHeight) {
  tk::Form form(nullptr, "form", 640, 480);
  auto* image = new tk::Image(&form, "img", 0, 0, 300, 200);
  ClearImage(*image);
  DrawTextCentred(150, 100, *image, "MMMM", 0xFFFFFF, "Arial", 30);
  const QRect box = LitBox(image->Canvas());
  EXPECT_NEAR(box.center().x(), 150, 3);
  EXPECT_NEAR(box.center().y(), 100, 8);

  tk::Canvas& canvas = image->Canvas();
  const int size = FitFontSize(76, "Arial", canvas);
  canvas.Font = {"Arial", size, 0};
  EXPECT_GE(canvas.TextHeight("A"), 76);
  canvas.Font.Size = size - 1;
  EXPECT_LT(canvas.TextHeight("A"), 76);
  EXPECT_EQ(FitFontSize(1, "Arial", canvas), 1);
  EXPECT_EQ(FitFontSize(-5, "Arial", canvas), 1);
}

TEST_F(Helpers, ClearImageLetsPendingEventsRunFirstThenPaintsBlack) {
  tk::Form form(nullptr, "form", 640, 480);
  auto* image = new tk::Image(&form, "img", 0, 0, 30, 20);
  bool ran = false;
  QTimer::singleShot(0, [&] { ran = true; });
  ClearImage(*image);
  EXPECT_TRUE(ran);
  EXPECT_EQ(image->Canvas().Image().pixelColor(29, 19), QColor(0, 0, 0));
  EXPECT_EQ(image->Canvas().Image().pixelColor(29, 19).alpha(), 255);
}

TEST_F(Helpers, PickDistinctRandomGivesDistinctValuesAndNeverHangs) {
  std::int64_t clock = 0;
  tk::SetClockOverride([&] { return clock; });
  std::set<int> seen;
  for (clock = 0; clock < 86400000; clock += 86400000 / 500) {
    int v[4] = {0, 0, 0, 0};
    PickDistinctRandom(v, 4, 5, 1, 10);
    std::set<int> distinct(v, v + 4);
    ASSERT_EQ(distinct.size(), 4u);
    for (int x : v) {
      ASSERT_TRUE(x >= 1 && x <= 9 && x != 5) << x;
      seen.insert(x);
    }
  }
  EXPECT_EQ(seen.size(), 8u) << "every allowed value comes up";

  // Reseeded from the clock at every call: the same moment, the same values.
  int a[4], b[4];
  clock = 4711;
  PickDistinctRandom(a, 4, 0, 1, 100);
  PickDistinctRandom(b, 4, 0, 1, 100);
  EXPECT_TRUE(std::equal(a, a + 4, b));

  int untouched[2] = {-7, -7};
  PickDistinctRandom(untouched, 0, 0, 1, 10);
  EXPECT_EQ(untouched[0], -7);

  // Easy subtraction with right answer 3: only 1, 2, 4 and 5 exist.
  int few[4];
  PickDistinctRandom(few, 4, 3, 1, 6);
  EXPECT_EQ(std::set<int>(few, few + 4), (std::set<int>{1, 2, 4, 5}));
  // Fewer values than asked for: the ones there are, the rest empty, and
  // never the excluded value.
  int short_[4];
  PickDistinctRandom(short_, 4, 2, 1, 4);
  EXPECT_EQ(std::set<int>(short_, short_ + 2), (std::set<int>{1, 3}));
  EXPECT_EQ(short_[2], kNoValue);
  EXPECT_EQ(short_[3], kNoValue);
  int none[4];
  PickDistinctRandom(none, 4, 1, 1, 2);
  for (int x : none) EXPECT_EQ(x, kNoValue);
  PickDistinctRandom(none, 4, 0, 5, 5);
  for (int x : none) EXPECT_EQ(x, kNoValue);

  // Every value of a wide range, where the last ones are seldom drawn and
  // are found by looking in turn: each once, and the excluded one never.
  std::vector<int> all(2999);
  for (clock = 0; clock < 3; ++clock) {
    PickDistinctRandom(all.data(), 2999, 1500, 0, 3000);
    std::set<int> values(all.begin(), all.end());
    EXPECT_EQ(values.size(), 2999u);
    EXPECT_EQ(*values.begin(), 0);
    EXPECT_EQ(*values.rbegin(), 2999);
    EXPECT_EQ(values.count(1500), 0u);
  }
}

TEST_F(Helpers, MusicFollowsTheSettingAndTheLoopFlag) {
  FakePlayer music, effects;
  SetPlayersOverride(&music, &effects);
  Music = false;
  PlayMusic("DIDELI.MID", 10, true);
  StopMusic();
  EXPECT_TRUE(music.log.empty());
  EXPECT_FALSE(MusicLoop);
  music.position = 77;
  EXPECT_EQ(MusicPosition(), 0);

  Music = true;
  PlayMusic("DIDELI.MID", 480, true);
  EXPECT_EQ(music.fileName, dir.File("DIDELI.MID"));
  EXPECT_EQ(music.log, (std::vector<std::string>{"open DIDELI.MID", "seek 480", "play notify"}));
  EXPECT_TRUE(MusicLoop);
  EXPECT_EQ(MusicPosition(), 480);
  StopMusic();
  EXPECT_FALSE(MusicLoop);
  EXPECT_FALSE(music.Notify);
  EXPECT_EQ(music.log.back(), "stop");
  PlayMusic("YAHOO.MID", 0, false);
  EXPECT_EQ(music.log.back(), "play");
  EXPECT_FALSE(MusicLoop);

  music.failOpen = true;
  EXPECT_NO_THROW(PlayMusic("DIDELI.MID", 0, true));
}

TEST_F(Helpers, SoundEffectsReopenOnlyForAnotherFile) {
  FakePlayer music, effects;
  SetPlayersOverride(&music, &effects);
  PlaySound("KLICK3.WAV");
  PlaySound("KLICK3.WAV");
  PlaySound("DROPP1.WAV");
  EXPECT_EQ(effects.log, (std::vector<std::string>{"open KLICK3.WAV", "play", "play", "open DROPP1.WAV", "play"}));
  Sounds = false;
  PlaySound("BRUPP1.WAV");
  EXPECT_EQ(effects.log.size(), 5u);
  Sounds = true;
  effects.failOpen = true;
  EXPECT_NO_THROW(PlaySound("VAND.WAV"));
  EXPECT_NO_THROW(PlaySound("VAND.WAV"));  // the file is not open: Play fails, silently
}

TEST_F(Helpers, LetterCaseFollowsTheCapitalSetting) {
  tk::SetCodePage(tk::CodePage::Windows1252);
  EXPECT_EQ(ApplyLetterCase("h\xE4st"), "h\xE4st");
  Capital = true;
  EXPECT_EQ(ApplyLetterCase("h\xE4st"), "H\xC4ST");
}
