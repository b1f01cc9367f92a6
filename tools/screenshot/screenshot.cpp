// Renders one of the program's screens at a chosen screen size to a PNG, the
// way a child would see it, without a display.
//
//   tamiro_screenshot --screen NAME [--mark M] [--state S] --size 1024x768 [--dpr 2] [--language N]
//                     [--capital] --out menu.png
//
// The screens are menu and help, every game's (see
// exercises/common/games.h) and those registered here (see screens.h);
// --list names them all. The program directory is the build's
// (the folder holding the program and its assets); --program-dir names
// another.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPixmap>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <vector>

#include "app/main_menu.h"
#include "app/startup.h"
#include "content/game_record.h"
#include "screens.h"
#include "toolkit/application.h"
#include "toolkit/platform.h"
#include "toolkit/profile.h"
#include "exercises/common/games.h"

namespace screenshot {
namespace {
struct Registered {
  std::string usage;
  ScreenSetup setup;
};
std::vector<Registered>& Families() {
  static std::vector<Registered> families;
  return families;
}
}  // namespace

ScreenFamily::ScreenFamily(std::string usage, ScreenSetup setup) {
  Families().push_back({std::move(usage), std::move(setup)});
}

}  // namespace screenshot

namespace {

void ListScreens(std::FILE* out) {
  std::fprintf(out, "screens: menu, help [--state CONTEXT] [--mark PAGE]\n");
  for (const auto& game : tamiro::Games()) std::fprintf(out, "         %s\n", game.screenUsage.c_str());
  for (const auto& family : screenshot::Families()) std::fprintf(out, "         %s\n", family.usage.c_str());
}

int Usage() {
  std::fprintf(stderr,
               "usage: tamiro_screenshot --screen NAME [--mark M] [--state S] --size WxH [--dpr R] [--language N] [--capital]\n"
               "                         [--program-dir DIR] --out FILE.png\n");
  ListScreens(stderr);
  return 2;
}

}  // namespace

int main(int argc, char* argv[]) {
  std::string screen = "menu", size = "1024x768", out, programDir = TAMIRO_PROGRAM_DIR, mark, state;
  double dpr = 1.0;
  int language = 1;
  bool capital = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : std::string(); };
    if (arg == "--screen") screen = next();
    else if (arg == "--size") size = next();
    else if (arg == "--dpr") dpr = std::atof(next().c_str());
    else if (arg == "--language") language = std::atoi(next().c_str());
    else if (arg == "--capital") capital = true;
    else if (arg == "--program-dir") programDir = next();
    else if (arg == "--out") out = next();
    else if (arg == "--mark") mark = next();
    else if (arg == "--state") state = next();
    else if (arg == "--list") {
      ListScreens(stdout);
      return 0;
    } else return Usage();
  }
  int width = 0, height = 0;
  if (out.empty() || std::sscanf(size.c_str(), "%dx%d", &width, &height) != 2 || width <= 0 || height <= 0 ||
      dpr <= 0)
    return Usage();

  // An offscreen screen of exactly that size, and settings of our own.
  QTemporaryDir temp;
  const QString config = temp.filePath("screen.json");
  {
    QFile f(config);
    f.open(QIODevice::WriteOnly);
    f.write(QString("{\"synchronousWindowSystemEvents\": true, \"windowFrameMargins\": false, \"screens\": "
                    "[{\"name\": \"s\", \"x\": 0, \"y\": 0, \"width\": %1, \"height\": %2, \"logicalDpi\": 96, "
                    "\"logicalBaseDpi\": 96, \"dpr\": %3}]}")
                .arg(width)
                .arg(height)
                .arg(dpr)
                .toUtf8());
  }
  qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).toUtf8());
  QApplication qapp(argc, argv);

  tk::SetExecutablePathOverride(programDir + "/tamiro");
  tk::SetSettingsFileOverride(temp.filePath("TAMIRO.INI").toStdString());
  // Games played for a screen are recorded beside the settings, never in
  // the user's own record.
  tamiro::SetRecordFileOverride(temp.filePath("progress.sqlite").toStdString());
  // The computer's own settings files play no part in what is drawn.
  tk::SetSystemSettingsFilesOverride(std::vector<std::string>{});
  tk::ProfileFile settings(temp.filePath("TAMIRO.INI").toStdString());
  settings.WriteString("Options", "Language", std::to_string(language));
  settings.WriteString("Options", "Music", "0");
  settings.WriteString("Options", "Sounds", "0");
  settings.WriteString("Options", "Capital", capital ? "1" : "0");
  tk::SetMessageBoxHook([](const tk::MessageRequest& r) { std::fprintf(stderr, "message: %s\n", r.text.c_str()); });
  // One clock for every screen: the random choices (questions, deals, words,
  // colours) are the same at every run, so a screen renders the same pixels.
  tk::SetClockOverride([] { return std::int64_t{36000000}; });

  tamiro::PrepareFonts();
  tamiro::CreateApplicationForms();
  auto& app = tk::Application::Instance();
  QWidget* window = app.Window();
  window->show();
  tamiro::frmHuvudmeny->Show();
  if (screen == "help") {
    // --state N opens context N (the menu's by default), --mark N its page N.
    app.ShowHelp(state.empty() ? tamiro::frmHuvudmeny->HelpContext : std::atoi(state.c_str()));
    for (int page = 1; page < std::atoi(mark.c_str()); ++page)
      if (tk::Form* help = app.InputForm()) help->DeliverKey(' ');
  } else if (screen != "menu") {
    const screenshot::ScreenOptions options{mark, state, language, capital, width, height, dpr, tamiro::frmHuvudmeny};
    bool found = false;
    for (const auto& game : tamiro::Games())
      if (game.screens && (found = game.screens(screen, options))) break;
    for (const auto& family : screenshot::Families())
      if (!found && (found = family.setup(screen, options))) break;
    if (!found) {
      std::fprintf(stderr, "unknown screen %s\n", screen.c_str());
      ListScreens(stderr);
      return 2;
    }
  }
  for (int i = 0; i < 5; ++i) tk::Application::ProcessMessages();
  // The window, with what lies over it in windows of their own (an open
  // drop-down list).
  QPixmap shot = window->grab();
  {
    QPainter painter(&shot);
    for (QWidget* top : QApplication::topLevelWidgets())
      if (top != window && top->isVisible()) painter.drawPixmap(top->geometry().topLeft() - window->geometry().topLeft(), top->grab());
  }
  const bool saved = shot.save(QString::fromStdString(out), "PNG");
  app.Shutdown();
  tamiro::StopRecord();
  if (!saved) {
    std::fprintf(stderr, "cannot write %s\n", out.c_str());
    return 1;
  }
  return 0;
}
