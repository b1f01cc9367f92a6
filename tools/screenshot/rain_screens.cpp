// The rain exercises in the middle of play (--state play, the default:
// several items caught, one falling, the score shown), just started
// (--state start) or with the game over (--state over: some items caught,
// some landed). The timer is stopped so that the picture stays as set up.

#include "app/main_menu.h"
#include "exercises/rain/rain_form.h"
#include "screens.h"

namespace {

void Steps(tamiro::TfrmOvRegn& form, int steps) {
  for (int s = 0; s < steps; ++s) form.FallStep();
}

void Catch(tamiro::TfrmOvRegn& form) {
  namespace rain = tamiro::rain;
  form.FormKeyPress(rain::Items[static_cast<std::size_t>(rain::CurrentItem)].Answer[0]);
}

screenshot::ScreenFamily rainScreens{
    "rain9|rain10|rain11 [--state play|start|over]", [](const std::string& screen, const screenshot::ScreenOptions& o) {
      int exercise = 0;
      if (screen == "rain9") exercise = 9;
      else if (screen == "rain10") exercise = 10;
      else if (screen == "rain11") exercise = 11;
      else return false;
      tamiro::LaunchRain(tamiro::frmHuvudmeny, exercise);
      tamiro::TfrmOvRegn* form = tamiro::frmOvRegn;
      if (!form) return true;
      form->Timer1->SetEnabled(false);
      namespace rain = tamiro::rain;
      if (o.state == "start") return true;
      if (o.state == "over") {
        // Every item ends: most are caught, every third one lands.
        for (int i = 1; rain::CurrentItem <= rain::ItemCount; ++i) {
          if (i % 3 == 0) {
            Steps(*form, rain::kFallSteps);
          } else {
            Steps(*form, 8 + (i * 13) % 45);
            Catch(*form);
          }
        }
        return true;
      }
      // Four items caught (ABC rain: more, it has many), one falling.
      const int caught = exercise == 11 ? rain::ItemCount / 2 : 4;
      for (int i = 1; i <= caught; ++i) {
        Steps(*form, 6 + (i * 11) % 40);
        Catch(*form);
      }
      Steps(*form, 27);
      return true;
    }};

}  // namespace
