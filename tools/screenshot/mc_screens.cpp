// The multiple-choice exercises, optionally with the right answer and a
// wrong one marked (--mark right|wrong|both).

#include "app/main_menu.h"
#include "exercises/multiple_choice/mc_form.h"
#include "screens.h"

namespace {

screenshot::ScreenFamily multipleChoice{
    "mc1..mc6 [--mark right|wrong|both]", [](const std::string& screen, const screenshot::ScreenOptions& o) {
      if (screen.size() != 3 || screen.rfind("mc", 0) != 0 || screen[2] < '1' || screen[2] > '6') return false;
      tamiro::LaunchMultipleChoice(tamiro::frmHuvudmeny, screen[2] - '0');
      namespace mc = tamiro::mc;
      if (o.mark == "right" || o.mark == "both")
        tamiro::frmOvMC->CheckAnswer(mc::AnswerImages[static_cast<std::size_t>(mc::RightSlot)], mc::RightSlot);
      if (o.mark == "wrong" || o.mark == "both") {
        const int wrong = mc::RightSlot % 4 + 1;
        tamiro::frmOvMC->CheckAnswer(mc::AnswerImages[static_cast<std::size_t>(wrong)], wrong);
      }
      return true;
    }};

}  // namespace
