#include <gtest/gtest.h>

#include <QDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <map>
#include <set>
#include <QTemporaryDir>
#include <stdexcept>

#include "app/main_menu.h"
#include "content/sound.h"
#include "exercises/common/games.h"
#include "content/settings.h"
#include "app/startup.h"
#include "content/content_tables.h"
#include "content/helpers.h"
#include "support/program_fixture.h"
#include "support/test_support.h"
#include "toolkit/application.h"
#include "toolkit/help_viewer.h"
#include "toolkit/media.h"
#include "toolkit/platform.h"
#include "toolkit/profile.h"
#include "content/fonts.h"

using namespace tamiro;
using testing_support::FakePlayer;
using testing_support::Messages;

namespace {

// The menu on the built program's own assets, with settings of its own and
// recording players.
class Menu : public testing_support::ProgramFixture {
 protected:
  void SetUp() override {
    StartProgram();
    menu = frmHuvudmeny;
    launches.clear();
    // Each family's form, by the exercise numbers it starts with.
    replaced = std::make_unique<testing_support::LaunchersReplaced>([this](int n) {
      const char* family = n == 0 ? "hangman" : n <= 6 ? "mc " : n <= 8 ? "memory " : "rain ";
      launches.push_back(n == 0 ? family : family + std::to_string(n));
    });
    effects->log.clear();
  }
  void TearDown() override {
    replaced.reset();
    ProgramFixture::TearDown();
  }
  // A press on a control, as the user makes it: at a point of the form.
  void Press(int x, int y, tk::MouseButton b = tk::MouseButton::Left) {
    menu->DeliverMouseDown(b, 0, x, y);
    menu->DeliverMouseUp(b, 0, x, y);
  }
  QPoint Centre(tk::Control* c) { return c->BoundsRect().center(); }

  TfrmHuvudmeny* menu = nullptr;
  std::vector<std::string> launches;
  std::unique_ptr<testing_support::LaunchersReplaced> replaced;
};

// The game of a tile, for a test to give it a launcher of its own.
Game& GameOfTile(int tile) {
  for (Game& g : Games())
    if (g.tile.number == tile) return g;
  throw std::runtime_error("no tile " + std::to_string(tile));
}

}  // namespace

TEST_F(Menu, IsScaledToTheScreenWithFittedFontSizesAndDrawnIcons) {
  // 1024 x 768: every design value times 1.6, rounded half to even.
  EXPECT_EQ(menu->Width(), 1024);
  EXPECT_EQ(menu->shpOv[1]->BoundsRect(), QRect(214, 13, 392, 98));
  EXPECT_EQ(menu->shpExit->BoundsRect(), QRect(768, 701, 245, 51));
  EXPECT_EQ(menu->lblOv[1]->BoundsRect().topLeft(), QPoint(219, 38));
  EXPECT_EQ(menu->lblOv[1]->Font.Size, 22);
  EXPECT_EQ(menu->imgOv[1]->BoundsRect(), QRect(512, 26, 78, 72));
  EXPECT_EQ(menu->imgTamiro->BoundsRect(), QRect(870, 301, 213, 379));
  tk::Canvas probe(10, 10, 1.0);
  probe.Font = {"Arial", LargeFontSize, 0};
  EXPECT_GE(probe.TextHeight("x"), 768 / 10);
  probe.Font.Size = LargeFontSize - 1;
  EXPECT_LT(probe.TextHeight("x"), 768 / 10);
  probe.Font.Size = ButtonFontSize;
  EXPECT_GE(probe.TextHeight("x"), 768 / 30);
  // Captions come from the language strings, icons are drawn in colour.
  EXPECT_EQ(menu->lblOv[2]->Caption, LangStrings[2]);
  EXPECT_FALSE(menu->lblOv[2]->Caption.empty());
  EXPECT_EQ(menu->lblOv[1]->Font.Name, "Tamiro3");
  EXPECT_EQ(menu->lblAbout->Font.Name, "Arial");
  const QImage icon = menu->imgOv[1]->Canvas().Image();
  int coloured = 0;
  for (int y = 0; y < icon.height(); ++y)
    for (int x = 0; x < icon.width(); ++x) coloured += qRed(icon.pixel(x, y)) > 150 && qGreen(icon.pixel(x, y)) < 100;
  EXPECT_GT(coloured, 100) << "the red ladybird of the counting tile";
  EXPECT_TRUE(Messages().empty()) << (Messages().empty() ? "" : Messages()[0].text);
  // No two shapes overlap, so the hit test finds at most one whatever their
  // order.
  std::vector<tk::Shape*> shapes;
  for (tk::Component* c : menu->Components())
    if (auto* shape = dynamic_cast<tk::Shape*>(c)) shapes.push_back(shape);
  EXPECT_EQ(shapes.size(), 17u);
  for (std::size_t i = 0; i < shapes.size(); ++i)
    for (std::size_t j = i + 1; j < shapes.size(); ++j)
      EXPECT_FALSE(shapes[i]->BoundsRect().intersects(shapes[j]->BoundsRect()))
          << shapes[i]->Name() << " and " << shapes[j]->Name();
}

TEST_F(Menu, ALabelAnIconOrTheBareTileOpensTheSameExercise) {
  Press(Centre(menu->lblOv[2]).x(), Centre(menu->lblOv[2]).y());
  Press(Centre(menu->imgOv[2]).x(), Centre(menu->imgOv[2]).y());
  Press(menu->shpOv[2]->Left() + 5, menu->shpOv[2]->Top() + 5);
  Press(menu->shpOv[2]->Left() + 5, menu->shpOv[2]->Top() + 5, tk::MouseButton::Right);
  EXPECT_EQ(launches, (std::vector<std::string>(4, "mc 2")));
  EXPECT_EQ(std::count(effects->log.begin(), effects->log.end(), "play"), 4);
  EXPECT_TRUE(menu->Enabled());

  launches.clear();
  for (tk::Shape* tile : {menu->shpOv[1], menu->shpOv[3], menu->shpOv[4], menu->shpOv[5], menu->shpOv[6], menu->shpOv[10],
                          menu->shpOv[11], menu->shpOv[8], menu->shpOv[9], menu->shpOv[12], menu->shpOv[13]})
    Press(tile->Left() + 3, tile->Top() + 3);
  EXPECT_EQ(launches, (std::vector<std::string>{"mc 1", "mc 3", "mc 4", "mc 6", "mc 5", "memory 7", "memory 8",
                                                "hangman", "rain 11", "rain 9", "rain 10"}));
}

TEST_F(Menu, BordersAndDecorationAreNoHitAndTheMascotOnlyNeighs) {
  effects->log.clear();
  Press(menu->shpOv[1]->Left(), menu->shpOv[1]->Top() + 10);  // on the left border
  Press(menu->shpOv[1]->Left() + 10, menu->shpOv[1]->Top() + menu->shpOv[1]->Height());
  Press(5, 5);  // outside every tile
  EXPECT_TRUE(launches.empty());
  EXPECT_TRUE(effects->log.empty());
  Press(Centre(menu->Shape2).x(), Centre(menu->Shape2).y());  // the red dot: a click, nothing more
  EXPECT_TRUE(launches.empty());
  EXPECT_EQ(effects->log, (std::vector<std::string>{"open KLICK3.WAV", "play"}));

  effects->log.clear();
  // Where the mascot covers the right end of the sum-rain tile.
  Press(menu->shpOv[13]->Left() + menu->shpOv[13]->Width() - 10, menu->shpOv[13]->Top() + 20);
  EXPECT_TRUE(launches.empty());
  EXPECT_EQ(effects->log, (std::vector<std::string>{"open Gnaegg1.Wav", "play"}));
}

TEST_F(Menu, HelpTileOpensTheMenusHelpAndExitEndsTheProgram) {
  // The tile says so, in the language's words for Help, inside its frame.
  EXPECT_FALSE(menu->lblHelp->Caption.empty());
  EXPECT_EQ(menu->lblHelp->Caption, LangStrings[14]);
  EXPECT_TRUE(menu->shpHelp->BoundsRect().contains(menu->lblHelp->BoundsRect()));
  int helpContext = 0;
  tk::Application::Instance().HelpViewer = [&](int context) { helpContext = context; };
  Press(Centre(menu->shpHelp).x(), Centre(menu->shpHelp).y());
  EXPECT_EQ(helpContext, 100);
  EXPECT_EQ(effects->log, (std::vector<std::string>{"open KLICK3.WAV", "play"}));
  EXPECT_FALSE(tk::Application::Instance().Terminated());
  Press(Centre(menu->lblExit).x(), Centre(menu->lblExit).y());
  EXPECT_TRUE(tk::Application::Instance().Terminated());
}

TEST_F(Menu, IsEnabledAgainWhenAnExerciseFailsToStart) {
  GameOfTile(8).launch = [](tk::Form*, const Game&) { throw std::runtime_error("File \"hangman.crp\" not found."); };
  Press(Centre(menu->lblOv[8]).x(), Centre(menu->lblOv[8]).y());
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0].text, "File \"hangman.crp\" not found.");
  EXPECT_TRUE(menu->Enabled());
  Press(Centre(menu->lblOv[9]).x(), Centre(menu->lblOv[9]).y());
  EXPECT_EQ(launches, (std::vector<std::string>{"rain 11"}));
}

TEST_F(Menu, MusicResumesWhereItStoodAndLoopsFromTheBeginning) {
  ASSERT_FALSE(music->log.empty());
  EXPECT_EQ(music->log, (std::vector<std::string>{"open DIDELI.MID", "seek 0", "play notify"}));
  // An exercise comes over the menu and stops the music; the menu keeps the
  // position it had.
  music->position = 1234;
  auto* exercise = new tk::Form(menu, "exercise", 640, 480);
  exercise->OnShow = [] { StopMusic(); };
  exercise->Show();
  EXPECT_EQ(MusicResumePosition, 1234);
  music->log.clear();
  exercise->Release();
  tk::Application::ProcessMessages();
  EXPECT_EQ(music->log, (std::vector<std::string>{"open DIDELI.MID", "seek 1234", "play notify"}));

  // The end of the piece: it starts again from its beginning.
  music->mode = tk::MediaMode::Stopped;
  music->log.clear();
  MusicEnded();
  EXPECT_EQ(music->log, (std::vector<std::string>{"rewind", "play notify"}));
  // After StopMusic it does not.
  StopMusic();
  music->mode = tk::MediaMode::Stopped;
  music->log.clear();
  MusicEnded();
  EXPECT_TRUE(music->log.empty());
}

TEST_F(Menu, WithMusicOffActivationIsSilentAndThePositionIsZero) {
  Music = false;
  music->log.clear();
  music->position = 999;
  auto* exercise = new tk::Form(menu, "exercise", 640, 480);
  exercise->Show();
  EXPECT_EQ(MusicResumePosition, 0);
  exercise->Release();
  tk::Application::ProcessMessages();
  EXPECT_TRUE(music->log.empty());
}

TEST_F(Menu, HelpOverTheMenuLeavesItsMusicPlayingWhereItIs) {
  music->position = 900;
  music->log.clear();
  const std::int64_t resume = MusicResumePosition;
  tk::Application::Instance().ShowHelp(menu->HelpContext);  // F1
  ASSERT_TRUE(tk::HelpIsOpen());
  music->position = 1500;
  tk::Application::Instance().InputForm()->DeliverKey(27);  // Escape closes help
  tk::Application::ProcessMessages();
  EXPECT_FALSE(tk::HelpIsOpen());
  EXPECT_TRUE(music->log.empty()) << music->log.front();
  EXPECT_EQ(MusicResumePosition, resume);
  EXPECT_EQ(tk::Application::Instance().ActiveForm(), menu);
}

namespace {
// A form whose entry operation lets events run in the middle of its work,
// as hangman's does three times while it draws.
struct BusyStart : tk::Form {
  explicit BusyStart(tk::Component* owner) : tk::Form(owner, "frmBusy", 640, 480) {
    imgExit = new tk::Image(this, "imgExit", 10, 10, 100, 40);
    imgExit->OnClick = [this] { Release(); };
  }
  void Start(int) {
    Show();
    for (int step = 0; step < 3; ++step) {
      tk::Application::ProcessMessages();
      steps.push_back(Name());  // the form is still whole here
    }
  }
  tk::Image* imgExit;
  std::vector<std::string> steps;
};
BusyStart* frmBusy = nullptr;
}  // namespace

TEST_F(Menu, AFormReleasedDuringItsEntryOperationLivesUntilTheOperationEnds) {
  GameOfTile(12).launch = FormLauncher(frmBusy, [](BusyStart& form, int exercise) { form.Start(exercise); });
  std::vector<std::string> steps;
  bool exitClicked = false;
  // Exit is clicked while the entry operation is processing events.
  QTimer::singleShot(0, [&] {
    if (!frmBusy) return;
    frmBusy->DeliverMouseDown(tk::MouseButton::Left, 0, 20, 20);
    frmBusy->DeliverMouseUp(tk::MouseButton::Left, 0, 20, 20);
    exitClicked = frmBusy->Released();
  });
  Press(Centre(menu->lblOv[12]).x(), Centre(menu->lblOv[12]).y());
  ASSERT_TRUE(exitClicked);
  ASSERT_NE(frmBusy, nullptr);
  EXPECT_EQ(frmBusy->steps.size(), 3u);
  for (int i = 0; i < 10; ++i) {
    QThread::msleep(5);
    tk::Application::ProcessMessages();
  }
  EXPECT_TRUE(std::none_of(menu->Components().begin(), menu->Components().end(),
                           [](tk::Component* c) { return c->Name() == "frmBusy"; }))
      << "the released form goes once its entry operation is over";
  EXPECT_EQ(tk::Application::Instance().ActiveForm(), menu);
  EXPECT_TRUE(menu->Enabled());
}

namespace {
class GameList : public testing_support::ProgramFixture {
 protected:
  void SetUp() override { StartProgram(); }
};

tk::Component* Named(tk::Form* form, const std::string& name) {
  for (tk::Component* c : form->Components())
    if (c->Name() == name) return c;
  return nullptr;
}

// The form class each exercise number starts, by the name its forms carry.
const std::map<int, std::string> kForms = {{0, "frmOvHangman"}, {1, "frmOvMC"},     {2, "frmOvMC"},    {3, "frmOvMC"},
                                           {4, "frmOvMC"},      {5, "frmOvMC"},     {6, "frmOvMC"},    {7, "frmOvMemory"},
                                           {8, "frmOvMemory"},  {9, "frmOvRegn"},   {10, "frmOvRegn"}, {11, "frmOvRegn"}};
}  // namespace

TEST_F(GameList, EveryGameHasItsOwnTileFormScreensAndHelp) {
  ASSERT_EQ(Games().size(), kForms.size());
  std::set<int> tiles;
  std::set<std::pair<int, int>> places;
  std::set<std::string> screens;
  std::set<int> contexts;
  for (const Game& game : Games()) {
    SCOPED_TRACE("exercise " + std::to_string(game.exercise));
    ASSERT_EQ(kForms.count(game.exercise), 1u);
    EXPECT_EQ(FindGame(game.exercise), &game) << "two games start with the same number";
    EXPECT_TRUE(tiles.insert(game.tile.number).second) << "two games on tile " << game.tile.number;
    EXPECT_TRUE(places.insert({game.tile.column, game.tile.row}).second) << "two tiles in one place";
    ASSERT_NE(frmHuvudmeny->shpOv[game.tile.number], nullptr);

    // Its first screen brings up its own form over the menu; no other game
    // claims that screen.
    const std::string usage = game.screenUsage;
    const std::string screen = usage.substr(0, usage.find_first_of(" |"));
    EXPECT_TRUE(screens.insert(screen).second) << screen;
    for (const Game& other : Games()) {
      if (&other == &game) continue;
      EXPECT_FALSE(other.screens(screen, {})) << screen;
    }
    ScreenOptions options;
    options.menu = frmHuvudmeny;
    ASSERT_TRUE(game.screens(screen, options));
    tk::Form* form = tk::Application::Instance().ActiveForm();
    ASSERT_NE(form, frmHuvudmeny);
    EXPECT_EQ(form->Name(), kForms.at(game.exercise));
    // Its Help button opens its own topic, which every language has.
    std::vector<int> shown;
    tk::Application::Instance().HelpViewer = [&](int context) { shown.push_back(context); };
    auto* help = dynamic_cast<tk::Control*>(Named(form, "imgHelp"));
    ASSERT_NE(help, nullptr);
    const QPoint at = help->BoundsRect().center();
    form->DeliverMouseDown(tk::MouseButton::Left, 0, at.x(), at.y());
    form->DeliverMouseUp(tk::MouseButton::Left, 0, at.x(), at.y());
    EXPECT_EQ(shown, std::vector<int>{game.helpContext});
    EXPECT_GE(game.helpContext, tk::kFirstGameHelpContext) << "the games' topic, not the game's own";
    EXPECT_TRUE(contexts.insert(game.helpContext).second) << "two games share help " << game.helpContext;
    for (int language = 1; language <= kLanguageCount; ++language) {
      const tk::HelpTopic topic = tk::ReadHelpTopic(ProgramFile("TAMIRO.HLP"), language, game.helpContext);
      EXPECT_TRUE(topic.found && topic.language == language && topic.context == game.helpContext)
          << "language " << language << " shows language " << topic.language << " context " << topic.context;
    }
    form->Release();
    for (int i = 0; i < 5 && tk::Application::Instance().ActiveForm() != frmHuvudmeny; ++i)
      tk::Application::ProcessMessages();
  }
}
