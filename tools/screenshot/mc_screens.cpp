// The multiple-choice exercises, optionally with the right answer and a
// wrong one marked (--mark right|wrong|both); counting can be asked about a
// picture of one's choice (--state picture=N).

#include <cstdlib>

#include "app/main_menu.h"
#include "content/content_tables.h"
#include "exercises/multiple_choice/mc_form.h"
#include "screens.h"

namespace {

// A new counting question about picture id: for the question, only that
// picture has a counting form.
void AskAbout(int id) {
  if (id < 1 || id > tamiro::kPictureCount) return;
  const auto all = tamiro::Pictures;
  for (int i = 1; i <= tamiro::kPictureCount; ++i)
    if (i != id) tamiro::Pictures[static_cast<std::size_t>(i)].PluralName.clear();
  tamiro::frmOvMC->NewQuestion();
  tamiro::Pictures = all;
}

screenshot::ScreenFamily multipleChoice{
    "mc1..mc6 [--mark right|wrong|both], mc1 [--state picture=N]",
    [](const std::string& screen, const screenshot::ScreenOptions& o) {
      if (screen.size() != 3 || screen.rfind("mc", 0) != 0 || screen[2] < '1' || screen[2] > '6') return false;
      tamiro::LaunchMultipleChoice(tamiro::frmHuvudmeny, screen[2] - '0');
      namespace mc = tamiro::mc;
      if (screen == "mc1" && o.state.rfind("picture=", 0) == 0) AskAbout(std::atoi(o.state.c_str() + 8));
      if (o.mark == "right" || o.mark == "both")
        tamiro::frmOvMC->CheckAnswer(mc::AnswerImages[static_cast<std::size_t>(mc::RightSlot)], mc::RightSlot);
      if (o.mark == "wrong" || o.mark == "both") {
        const int wrong = mc::RightSlot % 4 + 1;
        tamiro::frmOvMC->CheckAnswer(mc::AnswerImages[static_cast<std::size_t>(wrong)], wrong);
      }
      return true;
    }};

}  // namespace
