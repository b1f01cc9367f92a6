// The memory exercises on each board size, in the middle of play, won, or
// with the question before a new game:
//
//   memory7-36, memory7-24, memory7-16, memory8-28, memory8-18, memory8-12
//   --state play  a found pair framed and a pair that does not match up (the default)
//   --state won   every pair found
//   --state ask   play, with the message form over it

#include <cstdlib>

#include "app/main_menu.h"
#include "content/content_tables.h"
#include "content/message_form.h"
#include "exercises/memory/memory_form.h"
#include "screens.h"

namespace {

namespace memory = tamiro::memory;

// A click on the middle of a card.
void Turn(int i) {
  const int x = i % memory::Columns * (memory::CardWidth + 6) + memory::CardWidth / 2;
  const int y = i / memory::Columns * (memory::CardHeight + 6) + memory::CardHeight / 2;
  tamiro::frmOvMemory->Image1MouseDown(tk::MouseButton::Left, 0, x, y);
}

// The card that belongs with card i.
int Partner(int i) {
  for (int j = 0; j < memory::CardCount; ++j)
    if (j != i && memory::Cards[static_cast<std::size_t>(j)].PictureId == memory::Cards[static_cast<std::size_t>(i)].PictureId)
      return j;
  return i;
}

screenshot::ScreenFamily memoryScreens{
    "memory7-36|memory7-24|memory7-16|memory8-28|memory8-18|memory8-12 [--state play|won|ask]",
    [](const std::string& screen, const screenshot::ScreenOptions& o) {
      const int exercise = screen.rfind("memory7-", 0) == 0 ? 7 : screen.rfind("memory8-", 0) == 0 ? 8 : 0;
      if (exercise == 0) return false;
      const int cards = std::atoi(screen.c_str() + 8);
      const int button = exercise == 7 ? (cards == 36 ? 1 : cards == 24 ? 2 : cards == 16 ? 3 : 0)
                                       : (cards == 28 ? 1 : cards == 18 ? 2 : cards == 12 ? 3 : 0);
      if (button == 0) return false;
      tamiro::LaunchMemory(tamiro::frmHuvudmeny, exercise);
      tamiro::TfrmOvMemory* form = tamiro::frmOvMemory;
      if (button == 1) form->imgCards1Click();
      if (button == 2) form->imgCards2Click();
      if (button == 3) form->imgCards3Click();
      form->imgStartClick();
      if (o.state == "won") {
        for (int i = 0; i < memory::CardCount; ++i)
          if (!memory::Cards[static_cast<std::size_t>(i)].FaceUp) {
            Turn(i);
            Turn(Partner(i));
          }
        return true;
      }
      // A pair found, then card 0 and a card that does not belong with it.
      int first = 1;
      while (Partner(first) == 0) ++first;
      Turn(first);
      Turn(Partner(first));
      int other = 0;
      while (other == 0 || other == first || other == Partner(first) || other == Partner(0)) ++other;
      Turn(0);
      Turn(other);
      if (o.state == "ask") {
        tamiro::frmMessage->Prepare(tamiro::LangStrings[22], tamiro::LangStrings[23], tamiro::LangStrings[24]);
        tamiro::frmMessage->Show();
      }
      return true;
    }};

}  // namespace
