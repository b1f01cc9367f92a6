// How long hangman takes to redraw its gallows, word row and letter grid,
// painting included, on a 1920 x 1080 screen: median and worst of 1000
// redraws, with words of 3 to 16 letters at every stage of a game, in
// elapsed time and in this thread's processor time.

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

#include "app/main_menu.h"
#include "app/startup.h"
#include "exercises/hangman/hangman_form.h"
#include "toolkit/application.h"
#include "toolkit/platform.h"
#include "toolkit/profile.h"

namespace {

// The processor time of this thread, in milliseconds: what the redraw costs
// when other programs share the processor.
double ThreadMs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

void Report(const char* name, std::vector<double> ms) {
  if (ms.empty()) return;
  std::sort(ms.begin(), ms.end());
  const auto over16 = std::count_if(ms.begin(), ms.end(), [](double v) { return v > 16.0; });
  std::printf("%-22s n=%4zu  median %6.2f ms  99th %6.2f ms  worst %6.2f ms  over 16 ms: %ld\n", name, ms.size(),
              ms[ms.size() / 2], ms[ms.size() * 99 / 100], ms.back(), static_cast<long>(over16));
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
  tk::ProfileFile settings(temp.filePath("TAMIRO.INI").toStdString());
  settings.WriteString("Options", "Music", "0");
  settings.WriteString("Options", "Sounds", "0");
  tk::SetMessageBoxHook([](const tk::MessageRequest& r) { std::fprintf(stderr, "message: %s\n", r.text.c_str()); });

  tamiro::PrepareFonts();
  tamiro::CreateApplicationForms();
  tk::Application::Instance().Window()->show();
  tamiro::frmHuvudmeny->Show();
  tamiro::LaunchHangman(tamiro::frmHuvudmeny, 0);
  tamiro::TfrmOvHangman* form = tamiro::frmOvHangman;
  namespace hm = tamiro::hangman;
  const std::string letters = hm::GridLetters;

  std::vector<double> all, long_words, processor;
  for (int i = 0; i < 1000; ++i) {
    // A word of 3 to 16 letters, a third of it uncovered, at any number of
    // misses from none to the whole figure.
    const int length = 3 + i % 14;
    hm::SecretWord.clear();
    for (int c = 0; c < length; ++c) hm::SecretWord += letters[static_cast<std::size_t>((i * 7 + c * 5) % letters.size())];
    hm::ShownWord = hm::SecretWord;
    for (int c = 0; c < length; ++c)
      if ((c + i) % 3 != 0) hm::ShownWord[static_cast<std::size_t>(c)] = '_';
    hm::Misses = i % (hm::kMaxMisses + 1);
    for (int p = 1; p <= hm::kLetterFlags; ++p) hm::LetterUsed[static_cast<std::size_t>(p)] = (p * 3 + i) % 4 == 0;
    QElapsedTimer t;
    t.start();
    const double cpu = ThreadMs();
    form->Redraw();
    const double ms = t.nsecsElapsed() / 1e6;
    processor.push_back(ThreadMs() - cpu);
    all.push_back(ms);
    if (length > 10) long_words.push_back(ms);
  }
  Report("all redraws", all);
  Report("words of 11 to 16", long_words);
  Report("processor time", processor);
  tk::Application::Instance().Shutdown();
  return 0;
}
