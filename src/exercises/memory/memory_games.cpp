// Picture memory and word memory, their menu tiles and their screens, one
// for each board size: memory7-36, memory7-24, memory7-16, memory8-28,
// memory8-18 and memory8-12, in the middle of play (--state play, the
// default: a found pair framed and a pair that does not match up), won
// (--state won) or with the question before a new game over it
// (--state ask).

#include "content/content_tables.h"
#include "exercises/common/games.h"
#include "exercises/common/message_form.h"
#include "exercises/memory/memory_form.h"

namespace tamiro {
namespace {

// A click on the middle of a card.
void Turn(int i) {
  const int x = i % memory::Columns * (memory::CardWidth + 6) + memory::CardWidth / 2;
  const int y = i / memory::Columns * (memory::CardHeight + 6) + memory::CardHeight / 2;
  frmOvMemory->Image1MouseDown(tk::MouseButton::Left, 0, x, y);
}

// The card that belongs with card i.
int Partner(int i) {
  for (int j = 0; j < memory::CardCount; ++j)
    if (j != i && memory::Cards[static_cast<std::size_t>(j)].PictureId == memory::Cards[static_cast<std::size_t>(i)].PictureId)
      return j;
  return i;
}

// The boards of each game, by size button (1 the largest).
constexpr int kBoards[2][3] = {{36, 24, 16}, {28, 18, 12}};

std::string Name(int exercise, int cards) { return "memory" + std::to_string(exercise) + "-" + std::to_string(cards); }

bool Screen(int exercise, const std::string& name, const ScreenOptions& o) {
  int button = 0;
  for (int b = 1; b <= 3; ++b)
    if (name == Name(exercise, kBoards[exercise - 7][b - 1])) button = b;
  if (button == 0) return false;
  LaunchGame(o.menu, exercise);
  TfrmOvMemory* form = frmOvMemory;
  if (!form) return true;
  if (button == 1) form->imgCards1Click();
  if (button == 2) form->imgCards2Click();
  if (button == 3) form->imgCards3Click();
  form->frame->StartClick();
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
    frmMessage->Prepare(LangString(Text::NewGameQuestion), LangString(Text::Yes), LangString(Text::No));
    frmMessage->Show();
  }
  return true;
}

GameRegistration Memory(int exercise, MenuTile tile) {
  std::string usage;
  for (int cards : kBoards[exercise - 7]) usage += (usage.empty() ? "" : "|") + Name(exercise, cards);
  return GameRegistration({.exercise = exercise,
                           .tile = tile,
                           .helpContext = 110 + exercise,
                           .launch = FormLauncher(frmOvMemory, [](TfrmOvMemory& form, int n) { form.Start(n); }),
                           .screenUsage = usage + " [--state play|won|ask]",
                           .screens = [exercise](const std::string& name, const ScreenOptions& o) {
                             return Screen(exercise, name, o);
                           }});
}

// At the top of the right column of the menu; the word memory label is a
// little wider, for its longer names.
const GameRegistration pictureMemory = Memory(7, {10, "Memory", 1, 0, 5, 0x90FF90});
const GameRegistration wordMemory = Memory(8, {11, "Ordmemory", 1, 1, 5, kOwnColour, 189});

}  // namespace
}  // namespace tamiro
