// How long the memory exercises take to deal and draw a board, and to turn a
// card with its refreshes of the display, on a 1920 x 1080 screen: median and
// worst of 1000 deals on each of the six board sizes, and of 1000 card turns
// on the largest board of each exercise, in elapsed time and in this
// thread's processor time.

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "app/main_menu.h"
#include "app/startup.h"
#include "bench_support.h"
#include "exercises/memory/memory_form.h"
#include "toolkit/application.h"
#include "toolkit/platform.h"
#include "exercises/common/games.h"

namespace {

namespace memory = tamiro::memory;

void ChooseSize(tamiro::TfrmOvMemory* form, int button) {
  if (button == 1) form->imgCards1Click();
  if (button == 2) form->imgCards2Click();
  if (button == 3) form->imgCards3Click();
}

}  // namespace

int main(int argc, char* argv[]) {
  QTemporaryDir temp;
  bench::UseOffscreenScreen(temp, 1920, 1080);
  QApplication qapp(argc, argv);
  bench::UseProgramFiles(temp);
  bench::StartProgram(true);

  for (int exercise : {7, 8}) {
    tamiro::LaunchGame(tamiro::frmHuvudmeny, exercise);
    tamiro::TfrmOvMemory* form = tamiro::frmOvMemory;
    for (int button = 1; button <= 3; ++button) {
      ChooseSize(form, button);
      bench::Timings deals;
      // imgStartClick is the deal and the drawing of the board (and a click
      // sound); no game is in progress, so nothing is asked.
      for (int n = 0; n < 1000; ++n) deals.Time([&] { form->frame->StartClick(); });
      deals.Report("deal+draw, ex. " + std::to_string(exercise) + ", " + std::to_string(memory::CardCount) + " cards");
    }
    // Turns on the largest board, in a shuffled order, so that misses, turns
    // back and found pairs all come; a won board is dealt again, untimed.
    ChooseSize(form, 1);
    form->frame->StartClick();
    bench::Timings turns;
    unsigned next = 12345;
    while (turns.elapsed.size() < 1000) {
      if (memory::MatchedCards == memory::CardCount) form->frame->StartClick();
      next = next * 1103515245u + 12345u;
      int i = static_cast<int>((next >> 16) % static_cast<unsigned>(memory::CardCount));
      while (memory::Cards[static_cast<std::size_t>(i)].FaceUp) i = (i + 1) % memory::CardCount;
      const int x = i % memory::Columns * (memory::CardWidth + 6) + memory::CardWidth / 2;
      const int y = i / memory::Columns * (memory::CardHeight + 6) + memory::CardHeight / 2;
      turns.Time([&] { form->Image1MouseDown(tk::MouseButton::Left, 0, x, y); });
    }
    turns.Report("card turn, ex. " + std::to_string(exercise) + ", " + std::to_string(memory::CardCount) + " cards");
    form->Release();
    tk::Application::ProcessMessages();
  }
  tk::Application::Instance().Shutdown();
  return 0;
}
