// How long one tick of the rain exercises takes: 10,000 fall steps of each
// rain game, each with the window repaint it causes, on an offscreen screen
// of 1920 x 1080 and of 1024 x 768. Reports the median, 99th percentile and
// worst step, and the area repainted per step beside the area of one strip.
//
//   rain_bench                 both screen sizes, each in a process of its own
//   rain_bench --size 1024x768 one screen size

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPaintEvent>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/main_menu.h"
#include "app/startup.h"
#include "exercises/rain/rain_form.h"
#include "toolkit/application.h"
#include "toolkit/platform.h"
#include "toolkit/profile.h"

namespace {

constexpr int kSteps = 10000;

// Adds up the area of every paint event of every widget.
class PaintMeter : public QObject {
 public:
  long long area = 0;
  int events = 0;
  QRect bounds;

  void Reset() {
    area = 0;
    events = 0;
    bounds = QRect();
  }

 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      const QRegion& region = static_cast<QPaintEvent*>(event)->region();
      for (const QRect& r : region) area += static_cast<long long>(r.width()) * r.height();
      bounds |= region.boundingRect();
      ++events;
    }
    return QObject::eventFilter(object, event);
  }
};

double At(const std::vector<double>& sorted, double fraction) {
  return sorted[std::min(sorted.size() - 1, static_cast<std::size_t>(fraction * static_cast<double>(sorted.size())))];
}

int RunOneSize(int width, int height, int argc, char* argv[]) {
  QTemporaryDir temp;
  {
    QFile f(temp.filePath("screen.json"));
    f.open(QIODevice::WriteOnly);
    f.write(QString("{\"synchronousWindowSystemEvents\": true, \"windowFrameMargins\": false, \"screens\": "
                    "[{\"name\": \"s\", \"x\": 0, \"y\": 0, \"width\": %1, \"height\": %2, \"logicalDpi\": 96, "
                    "\"logicalBaseDpi\": 96, \"dpr\": 1}]}")
                .arg(width)
                .arg(height)
                .toUtf8());
  }
  qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + temp.filePath("screen.json")).toUtf8());
  QApplication qapp(argc, argv);
  tk::SetExecutablePathOverride(std::string(TAMIRO_PROGRAM_DIR) + "/tamiro");
  tk::SetSettingsFileOverride(temp.filePath("TAMIRO.INI").toStdString());
  tk::ProfileFile settings(temp.filePath("TAMIRO.INI").toStdString());
  settings.WriteString("Options", "Music", "0");
  settings.WriteString("Options", "Sounds", "0");
  std::int64_t clock = 0;
  tk::SetClockOverride([&] { return clock += 104729; });
  tk::SetMessageBoxHook([](const tk::MessageRequest& r) { std::fprintf(stderr, "message: %s\n", r.text.c_str()); });

  tamiro::PrepareFonts();
  tamiro::CreateApplicationForms();
  auto& app = tk::Application::Instance();
  QWidget* window = app.Window();
  window->show();
  tamiro::frmHuvudmeny->Show();
  tk::Application::ProcessMessages();

  PaintMeter meter;
  qapp.installEventFilter(&meter);
  const char* names[] = {"letter rain", "sum rain", "ABC rain"};
  for (int exercise = 9; exercise <= 11; ++exercise) {
    tamiro::LaunchRain(tamiro::frmHuvudmeny, exercise);
    tamiro::TfrmOvRegn* form = tamiro::frmOvRegn;
    form->Timer1->SetEnabled(false);  // the benchmark makes the ticks
    for (int i = 0; i < 5; ++i) tk::Application::ProcessMessages();
    namespace rain = tamiro::rain;
    std::vector<double> ms;
    ms.reserve(kSteps);
    long long largestArea = 0, totalArea = 0, largestStrip = 0;
    int unpainted = 0;
    QRect largestBounds;
    for (int s = 0; s < kSteps; ++s) {
      if (rain::CurrentItem > rain::ItemCount) {
        form->NewGame();
        form->Timer1->SetEnabled(false);
        tk::Application::ProcessMessages();
      }
      meter.Reset();
      QElapsedTimer t;
      t.start();
      form->FallStep();
      // The repaint the step asked for, as the event loop does it.
      QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
      tk::Application::ProcessMessages();
      ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
      const long long strip = static_cast<long long>(rain::ColumnWidth - 2) * rain::ItemHeight;
      largestStrip = std::max(largestStrip, strip);
      totalArea += meter.area;
      unpainted += meter.events == 0;
      if (meter.area > largestArea) {
        largestArea = meter.area;
        largestBounds = meter.bounds;
      }
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%dx%d %-11s n=%d  median %.3f ms  99th %.3f ms  worst %.3f ms\n", width, height, names[exercise - 9],
                kSteps, At(ms, 0.5), At(ms, 0.99), ms.back());
    std::printf("%dx%d %-11s repainted per step: mean %lld px, largest %lld px (%dx%d at %d,%d); one strip %lld px; "
                "steps without a repaint %d\n",
                width, height, names[exercise - 9], totalArea / kSteps, largestArea, largestBounds.width(),
                largestBounds.height(), largestBounds.x(), largestBounds.y(), largestStrip, unpainted);
    std::fflush(stdout);
    form->Release();
    tk::Application::ProcessMessages();
  }
  qapp.removeEventFilter(&meter);
  app.Shutdown();
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
