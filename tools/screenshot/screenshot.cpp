// Renders one of the program's screens at a chosen screen size to a PNG, the
// way a child would see it, without a display.
//
//   tamiro_screenshot --screen menu|help|mc1..mc6 [--mark right|wrong|both] --size 1024x768 [--dpr 2] [--language N]
//                     [--capital] --out menu.png
//
// The program directory is the build's (the folder holding the program and
// its assets); --program-dir names another.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPixmap>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/main_menu.h"
#include "app/startup.h"
#include "exercises/multiple_choice/mc_form.h"
#include "toolkit/application.h"
#include "toolkit/platform.h"
#include "toolkit/profile.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: tamiro_screenshot --screen menu|help|mc1..mc6 [--mark right|wrong|both] --size WxH [--dpr R] [--language N] [--capital]\n"
               "                         [--program-dir DIR] --out FILE.png\n");
  return 2;
}

}  // namespace

int main(int argc, char* argv[]) {
  std::string screen = "menu", size = "1024x768", out, programDir = TAMIRO_PROGRAM_DIR, mark;
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
    else return Usage();
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
  tk::ProfileFile settings(temp.filePath("TAMIRO.INI").toStdString());
  settings.WriteString("Options", "Language", std::to_string(language));
  settings.WriteString("Options", "Music", "0");
  settings.WriteString("Options", "Sounds", "0");
  settings.WriteString("Options", "Capital", capital ? "1" : "0");
  tk::SetMessageBoxHook([](const tk::MessageRequest& r) { std::fprintf(stderr, "message: %s\n", r.text.c_str()); });

  tamiro::PrepareFonts();
  tamiro::CreateApplicationForms();
  auto& app = tk::Application::Instance();
  QWidget* window = app.Window();
  window->show();
  if (screen == "menu") {
    tamiro::frmHuvudmeny->Show();
  } else if (screen.size() == 3 && screen.rfind("mc", 0) == 0 && screen[2] >= '1' && screen[2] <= '6') {
    // A multiple-choice exercise, optionally with the right answer and a
    // wrong one marked.
    tamiro::frmHuvudmeny->Show();
    tamiro::LaunchMultipleChoice(tamiro::frmHuvudmeny, screen[2] - '0');
    namespace mc = tamiro::mc;
    if (mark == "right" || mark == "both")
      tamiro::frmOvMC->CheckAnswer(mc::AnswerImages[static_cast<std::size_t>(mc::RightSlot)], mc::RightSlot);
    if (mark == "wrong" || mark == "both") {
      const int wrong = mc::RightSlot % 4 + 1;
      tamiro::frmOvMC->CheckAnswer(mc::AnswerImages[static_cast<std::size_t>(wrong)], wrong);
    }
  } else if (screen == "help") {
    tamiro::frmHuvudmeny->Show();
    app.ShowHelp(tamiro::frmHuvudmeny->HelpContext);
  } else {
    std::fprintf(stderr, "unknown screen %s\n", screen.c_str());
    return 2;
  }
  for (int i = 0; i < 5; ++i) tk::Application::ProcessMessages();
  const QPixmap shot = window->grab();
  const bool saved = shot.save(QString::fromStdString(out), "PNG");
  app.Shutdown();
  if (!saved) {
    std::fprintf(stderr, "cannot write %s\n", out.c_str());
    return 1;
  }
  return 0;
}
