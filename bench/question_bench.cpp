// How long the multiple-choice exercises take to build and draw a question,
// on a 1920 x 1080 screen: median and worst of 1000 questions of each
// exercise, and of the counting questions with nine pictures among them.

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/main_menu.h"
#include "app/startup.h"
#include "exercises/multiple_choice/mc_form.h"
#include "toolkit/application.h"
#include "toolkit/platform.h"
#include "toolkit/profile.h"

namespace {

void Report(const char* name, std::vector<double> ms) {
  if (ms.empty()) return;
  std::sort(ms.begin(), ms.end());
  const std::size_t over16 = static_cast<std::size_t>(std::count_if(ms.begin(), ms.end(), [](double v) { return v > 16.0; }));
  std::printf("%-28s n=%4zu  median %6.2f ms  99th %6.2f ms  worst %6.2f ms  over 16 ms: %zu\n", name, ms.size(),
              ms[ms.size() / 2], ms[ms.size() * 99 / 100], ms.back(), over16);
}

}  // namespace

int main(int argc, char* argv[]) {
  QTemporaryDir temp;
  {
    QFile f(temp.filePath("screen.json"));
    f.open(QIODevice::WriteOnly);
    f.write("{\"synchronousWindowSystemEvents\": true, \"windowFrameMargins\": false, \"screens\": [{\"name\": \"s\", "
            "\"x\": 0, \"y\": 0, \"width\": 1920, \"height\": 1080, \"logicalDpi\": 96, \"logicalBaseDpi\": 96, "
            "\"dpr\": 1}]}");
  }
  qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + temp.filePath("screen.json")).toUtf8());
  QApplication qapp(argc, argv);
  tk::SetExecutablePathOverride(std::string(TAMIRO_PROGRAM_DIR) + "/tamiro");
  tk::SetSettingsFileOverride(temp.filePath("TAMIRO.INI").toStdString());
  tk::ProfileFile(temp.filePath("TAMIRO.INI").toStdString()).WriteString("Options", "Music", "0");
  std::int64_t clock = 0;
  tk::SetClockOverride([&] { return clock += 104729; });
  tk::SetMessageBoxHook([](const tk::MessageRequest& r) { std::fprintf(stderr, "message: %s\n", r.text.c_str()); });

  tamiro::PrepareFonts();
  tamiro::CreateApplicationForms();
  tamiro::frmHuvudmeny->Show();
  const char* names[] = {"", "1 counting", "2 addition", "3 subtraction", "4 multiplication", "5 first letter",
                         "6 choose the picture"};
  for (int exercise = 1; exercise <= 6; ++exercise) {
    tamiro::LaunchMultipleChoice(tamiro::frmHuvudmeny, exercise);
    tamiro::TfrmOvMC* form = tamiro::frmOvMC;
    std::vector<double> all, nine;
    for (int q = 0; q < 1000; ++q) {
      QElapsedTimer t;
      t.start();
      form->NewQuestion();
      const double ms = t.nsecsElapsed() / 1e6;
      all.push_back(ms);
      if (exercise == 1 && tamiro::mc::ObjectCount == 9) nine.push_back(ms);
    }
    Report(names[exercise], all);
    Report("1 counting, nine pictures", nine);
    form->Release();
    tk::Application::ProcessMessages();
  }
  tk::Application::Instance().Shutdown();
  return 0;
}
