// The six multiple-choice games, their menu tiles and their screens: mcN,
// optionally with the right answer and a wrong one marked (--mark
// right|wrong|both); counting can be asked about a picture of one's choice
// (--state picture=N).

#include <cstdlib>

#include "content/content_tables.h"
#include "exercises/common/games.h"
#include "exercises/multiple_choice/mc_form.h"

namespace tamiro {
namespace {

// A new counting question about picture id: for the question, only that
// picture has a counting form.
void AskAbout(int id) {
  if (id < 1 || id > kPictureCount) return;
  const auto all = Pictures;
  for (int i = 1; i <= kPictureCount; ++i)
    if (i != id) Pictures[static_cast<std::size_t>(i)].PluralName.clear();
  frmOvMC->NewQuestion();
  Pictures = all;
}

bool Screen(int exercise, const std::string& name, const ScreenOptions& o) {
  if (name != "mc" + std::to_string(exercise)) return false;
  LaunchGame(o.menu, exercise);
  if (!frmOvMC) return true;
  if (exercise == 1 && o.state.rfind("picture=", 0) == 0) AskAbout(std::atoi(o.state.c_str() + 8));
  if (o.mark == "right" || o.mark == "both")
    frmOvMC->CheckAnswer(mc::AnswerImages[static_cast<std::size_t>(mc::RightSlot)], mc::RightSlot);
  if (o.mark == "wrong" || o.mark == "both") {
    const int wrong = mc::RightSlot % 4 + 1;
    frmOvMC->CheckAnswer(mc::AnswerImages[static_cast<std::size_t>(wrong)], wrong);
  }
  return true;
}

GameRegistration MultipleChoice(int exercise, MenuTile tile) {
  const std::string usage = " [--mark right|wrong|both]" + std::string(exercise == 1 ? " [--state picture=N]" : "");
  return GameRegistration({.exercise = exercise,
                           .tile = tile,
                           .helpContext = 110 + exercise,
                           .launch = FormLauncher(frmOvMC, [](TfrmOvMC& form, int n) { form.Start(n); }),
                           .screenUsage = "mc" + std::to_string(exercise) + usage,
                           .screens = [exercise](const std::string& name, const ScreenOptions& o) {
                             return Screen(exercise, name, o);
                           }});
}

// The left column of the menu, from the top.
const GameRegistration counting = MultipleChoice(1, {1, "Hur många?", 0, 0, 46});
const GameRegistration addition = MultipleChoice(2, {2, "Addition", 0, 1, 2});
const GameRegistration subtraction = MultipleChoice(3, {3, "Subtraktion", 0, 2, 2, 0xFF8020});
const GameRegistration multiplication = MultipleChoice(4, {4, "Multiplikation", 0, 3, 2, 0x20FFFF});
const GameRegistration picture = MultipleChoice(6, {5, "Välj rätt bild", 0, 4, 13});
const GameRegistration firstLetter = MultipleChoice(5, {6, "1:a bokstaven", 0, 5, 1});

}  // namespace
}  // namespace tamiro
