// How long the multiple-choice exercises take to build and draw a question,
// on a 1920 x 1080 screen: median and worst of 1000 questions of each
// exercise, and of the counting questions with nine pictures among them.

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <vector>

#include "app/main_menu.h"
#include "app/startup.h"
#include "bench_support.h"
#include "exercises/multiple_choice/mc_form.h"
#include "toolkit/application.h"
#include "toolkit/platform.h"
#include "exercises/common/games.h"

int main(int argc, char* argv[]) {
  QTemporaryDir temp;
  bench::UseOffscreenScreen(temp, 1920, 1080);
  QApplication qapp(argc, argv);
  bench::UseProgramFiles(temp);
  bench::StartProgram(false);
  const char* names[] = {"", "1 counting", "2 addition", "3 subtraction", "4 multiplication", "5 first letter",
                         "6 choose the picture"};
  for (int exercise = 1; exercise <= 6; ++exercise) {
    tamiro::LaunchGame(tamiro::frmHuvudmeny, exercise);
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
    bench::Report(names[exercise], all);
    bench::Report("1 counting, nine pictures", nine);
    form->Release();
    tk::Application::ProcessMessages();
  }
  tk::Application::Instance().Shutdown();
  return 0;
}
