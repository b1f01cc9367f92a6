#pragma once
// What the benchmarks share: the program on an offscreen screen of a chosen
// size, with its own assets and settings of the benchmark's own, and the
// report of a series of timings.

#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "app/main_menu.h"
#include "app/startup.h"
#include "content/game_record.h"
#include "toolkit/application.h"
#include "toolkit/platform.h"
#include "toolkit/profile.h"

namespace bench {

// Points Qt at an offscreen screen of that size; before the QApplication.
inline void UseOffscreenScreen(const QTemporaryDir& temp, int width, int height) {
  QFile f(temp.filePath("screen.json"));
  f.open(QIODevice::WriteOnly);
  f.write(QString("{\"synchronousWindowSystemEvents\": true, \"windowFrameMargins\": false, \"screens\": [{\"name\": "
                  "\"s\", \"x\": 0, \"y\": 0, \"width\": %1, \"height\": %2, \"logicalDpi\": 96, \"logicalBaseDpi\": "
                  "96, \"dpr\": 1}]}")
              .arg(width)
              .arg(height)
              .toUtf8());
  f.close();
  qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + temp.filePath("screen.json")).toUtf8());
}

// The built program's directory, settings in the temporary folder (Swedish,
// music off) and message boxes written to the error stream.
inline void UseProgramFiles(const QTemporaryDir& temp) {
  tk::SetExecutablePathOverride(std::string(TAMIRO_PROGRAM_DIR) + "/tamiro");
  tk::SetSettingsFileOverride(temp.filePath("TAMIRO.INI").toStdString());
  tamiro::SetRecordFileOverride(temp.filePath("progress.sqlite").toStdString());
  tk::ProfileFile(temp.filePath("TAMIRO.INI").toStdString()).WriteStrings("Options", {{"Language", "1"}, {"Music", "0"}});
  // Swedish, whatever the desktop speaks; the computer's own settings files
  // play no part.
  tk::SetSystemSettingsFilesOverride(std::vector<std::string>{});
  tk::SetMessageBoxHook([](const tk::MessageRequest& r) { std::fprintf(stderr, "message: %s\n", r.text.c_str()); });
}

// The program's forms as start-up makes them and the menu showing, on a clock
// that moves a tenth of a millisecond at every reading. With onScreen the
// window is shown, so that every refresh really paints.
inline void StartProgram(bool onScreen) {
  static std::int64_t clock = 0;
  tk::SetClockOverride([] { return clock += 104729; });
  tamiro::PrepareFonts();
  tamiro::CreateApplicationForms();
  if (onScreen) tk::Application::Instance().Window()->show();
  tamiro::frmHuvudmeny->Show();
}

// The processor time of this thread, in milliseconds: what a piece of work
// costs when other programs share the processor.
inline double ThreadMs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

// Median, 99th percentile and worst of a series, and how many took over 16 ms.
inline void Report(const char* name, std::vector<double> ms) {
  if (ms.empty()) return;
  std::sort(ms.begin(), ms.end());
  const auto over16 = std::count_if(ms.begin(), ms.end(), [](double v) { return v > 16.0; });
  std::printf("%-34s n=%4zu  median %6.2f ms  99th %6.2f ms  worst %6.2f ms  over 16 ms: %ld\n", name, ms.size(),
              ms[ms.size() / 2], ms[ms.size() * 99 / 100], ms.back(), static_cast<long>(over16));
}

// Elapsed and processor time of each piece of work, in milliseconds.
struct Timings {
  std::vector<double> elapsed, processor;

  template <class F>
  void Time(F work) {
    QElapsedTimer t;
    t.start();
    const double cpu = ThreadMs();
    work();
    elapsed.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    processor.push_back(ThreadMs() - cpu);
  }
  void Report(const std::string& name) const {
    ::bench::Report(name.c_str(), elapsed);
    ::bench::Report((name + ", cpu").c_str(), processor);
  }
};

}  // namespace bench
