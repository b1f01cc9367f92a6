// How long one tick of the rain exercises takes: 10,000 fall steps of each
// rain game, each with the window repaint it causes, on an offscreen screen
// of 1920 x 1080 and of 1024 x 768. Reports the median, 99th percentile and
// worst step, and the area repainted per step: in the field, beside the area
// of one strip, in the score box (redrawn when an item ends) and elsewhere.
//
//   rain_bench                 both screen sizes, each in a process of its own
//   rain_bench --size 1024x768 one screen size

#include <QApplication>
#include <QElapsedTimer>
#include <QPaintEvent>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/main_menu.h"
#include "app/startup.h"
#include "bench_support.h"
#include "exercises/rain/rain_form.h"
#include "toolkit/application.h"
#include "toolkit/platform.h"
#include "toolkit/profile.h"
#include "exercises/common/games.h"

namespace {

constexpr int kSteps = 10000;

// Adds up the area of every paint event of every widget: inside the field,
// inside the score box, and elsewhere (the forms lie at 0, 0, so their
// pixels are the window's).
class PaintMeter : public QObject {
 public:
  QRect field, scoreBox;
  long long fieldArea = 0, scoreArea = 0, otherArea = 0;
  int events = 0;

  void Reset() {
    fieldArea = scoreArea = otherArea = 0;
    events = 0;
  }

 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      for (const QRect& r : static_cast<QPaintEvent*>(event)->region()) {
        const long long f = Area(r.intersected(field)), b = Area(r.intersected(scoreBox));
        fieldArea += f;
        scoreArea += b;
        otherArea += Area(r) - f - b;
      }
      ++events;
    }
    return QObject::eventFilter(object, event);
  }

 private:
  static long long Area(const QRect& r) { return r.isEmpty() ? 0 : static_cast<long long>(r.width()) * r.height(); }
};

double At(const std::vector<double>& sorted, double fraction) {
  return sorted[std::min(sorted.size() - 1, static_cast<std::size_t>(fraction * static_cast<double>(sorted.size())))];
}

int RunOneSize(int width, int height, int argc, char* argv[]) {
  QTemporaryDir temp;
  bench::UseOffscreenScreen(temp, width, height);
  QApplication qapp(argc, argv);
  bench::UseProgramFiles(temp);
  tk::ProfileFile(temp.filePath("TAMIRO.INI").toStdString()).WriteString("Options", "Sounds", "0");
  bench::StartProgram(true);
  tk::Application::ProcessMessages();

  PaintMeter meter;
  qapp.installEventFilter(&meter);
  const char* names[] = {"letter rain", "sum rain", "ABC rain"};
  for (int exercise = 9; exercise <= 11; ++exercise) {
    tamiro::LaunchGame(tamiro::frmHuvudmeny, exercise);
    tamiro::TfrmOvRegn* form = tamiro::frmOvRegn;
    form->Timer1->SetEnabled(false);  // the benchmark makes the ticks
    for (int i = 0; i < 5; ++i) tk::Application::ProcessMessages();
    namespace rain = tamiro::rain;
    meter.field = form->shpRam->BoundsRect();
    meter.scoreBox = form->imgScore->BoundsRect();
    std::vector<double> ms, first;
    ms.reserve(kSteps);
    long long totalField = 0, largestField = 0, largestScore = 0, largestOther = 0, largestStrip = 0;
    int unpainted = 0, overTwo = 0;
    for (int s = 0; s < kSteps; ++s) {
      if (rain::CurrentItem > rain::ItemCount) {
        form->NewGame();
        form->Timer1->SetEnabled(false);
        tk::Application::ProcessMessages();
      }
      const bool drawsText = rain::Items[static_cast<std::size_t>(rain::CurrentItem)].Steps == 0;
      meter.Reset();
      QElapsedTimer t;
      t.start();
      form->FallStep();
      // The repaint the step asked for, as the event loop does it.
      QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
      tk::Application::ProcessMessages();
      const double elapsed = static_cast<double>(t.nsecsElapsed()) / 1e6;
      ms.push_back(elapsed);
      if (drawsText) first.push_back(elapsed);
      overTwo += elapsed > 2.0;
      largestStrip = std::max(largestStrip, static_cast<long long>(rain::ColumnWidth - 2) * rain::ItemHeight);
      totalField += meter.fieldArea;
      largestField = std::max(largestField, meter.fieldArea);
      largestScore = std::max(largestScore, meter.scoreArea);
      largestOther = std::max(largestOther, meter.otherArea);
      unpainted += meter.events == 0;
    }
    std::sort(ms.begin(), ms.end());
    std::sort(first.begin(), first.end());
    std::printf("%dx%d %-11s n=%d  median %.3f ms  99th %.3f ms  worst %.3f ms  over 2 ms: %d  "
                "(first steps, which draw the text: n=%zu, median %.3f ms, worst %.3f ms)\n",
                width, height, names[exercise - 9], kSteps, At(ms, 0.5), At(ms, 0.99), ms.back(), overTwo,
                first.size(), At(first, 0.5), first.back());
    std::printf("%dx%d %-11s repainted per step: field mean %lld px, largest %lld px (one strip %lld px); "
                "score box at an item's end %lld px; elsewhere %lld px; steps without a repaint %d\n",
                width, height, names[exercise - 9], totalField / kSteps, largestField, largestStrip, largestScore,
                largestOther, unpainted);
    std::fflush(stdout);
    form->Release();
    tk::Application::ProcessMessages();
  }
  qapp.removeEventFilter(&meter);
  tk::Application::Instance().Shutdown();
  return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  int width = 0, height = 0;
  if (argc == 3 && std::string(argv[1]) == "--size" && std::sscanf(argv[2], "%dx%d", &width, &height) == 2 &&
      width > 0 && height > 0)
    return RunOneSize(width, height, argc, argv);
  if (argc != 1) {
    std::fprintf(stderr, "usage: rain_bench [--size WxH]\n");
    return 2;
  }
  // One process per screen size: the offscreen screen is fixed when the
  // application starts.
  int result = 0;
  for (const char* size : {"1920x1080", "1024x768"}) {
    const std::string command = std::string("\"") + argv[0] + "\" --size " + size;
    result |= std::system(command.c_str());
  }
  return result == 0 ? 0 : 1;
}
