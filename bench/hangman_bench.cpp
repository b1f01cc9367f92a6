// How long hangman takes to redraw its gallows, word row and letter grid,
// painting included, on a 1920 x 1080 screen: median and worst of 1000
// redraws, with words of 3 to 16 letters at every stage of a game, in
// elapsed time and in this thread's processor time.

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <vector>

#include "app/main_menu.h"
#include "app/startup.h"
#include "bench_support.h"
#include "exercises/hangman/hangman_form.h"
#include "toolkit/application.h"
#include "toolkit/profile.h"
#include "exercises/common/games.h"

int main(int argc, char* argv[]) {
  QTemporaryDir temp;
  bench::UseOffscreenScreen(temp, 1920, 1080);
  QApplication qapp(argc, argv);
  bench::UseProgramFiles(temp);
  tk::ProfileFile(temp.filePath("TAMIRO.INI").toStdString()).WriteString("Options", "Sounds", "0");
  bench::StartProgram(true);
  tamiro::LaunchGame(tamiro::frmHuvudmeny, 0);
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
    const double cpu = bench::ThreadMs();
    form->Redraw();
    const double ms = t.nsecsElapsed() / 1e6;
    processor.push_back(bench::ThreadMs() - cpu);
    all.push_back(ms);
    if (length > 10) long_words.push_back(ms);
  }
  bench::Report("all redraws", all);
  bench::Report("words of 11 to 16", long_words);
  bench::Report("processor time", processor);
  tk::Application::Instance().Shutdown();
  return 0;
}
