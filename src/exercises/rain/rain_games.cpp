// The three rain games, their menu tiles and their screens: rainN in the
// middle of play (--state play, the default: several items caught, one
// falling, the score shown), just started (--state start) or with the game
// over (--state over: some items caught, some landed). The timer is stopped
// so that the picture stays as set up.

#include "exercises/common/games.h"
#include "exercises/rain/rain_form.h"

namespace tamiro {
namespace {

void Steps(TfrmOvRegn& form, int steps) {
  for (int s = 0; s < steps; ++s) form.FallStep();
}

void Catch(TfrmOvRegn& form) { form.FormKeyPress(rain::Items[static_cast<std::size_t>(rain::CurrentItem)].Answer[0]); }

bool Screen(int exercise, const std::string& name, const ScreenOptions& o) {
  if (name != "rain" + std::to_string(exercise)) return false;
  LaunchGame(o.menu, exercise);
  TfrmOvRegn* form = frmOvRegn;
  if (!form) return true;
  form->Timer1->SetEnabled(false);
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
}

GameRegistration Rain(int exercise, MenuTile tile) {
  return GameRegistration({.exercise = exercise,
                           .tile = tile,
                           .helpContext = 110 + exercise,
                           .launch = FormLauncher(frmOvRegn, [](TfrmOvRegn& form, int n) { form.Start(n); }),
                           .screenUsage = "rain" + std::to_string(exercise) + " [--state play|start|over]",
                           .screens = [exercise](const std::string& name, const ScreenOptions& o) {
                             return Screen(exercise, name, o);
                           }});
}

// In the right column of the menu.
const GameRegistration abcRain = Rain(11, {9, "ABC-regn", 1, 3, 6, 0xFF00F0});
const GameRegistration letterRain = Rain(9, {12, "Bokstavsregn", 1, 4, 6, 0xFF3080});
const GameRegistration sumRain = Rain(10, {13, "Matteregn", 1, 5, 6, 0xFFD030});

}  // namespace
}  // namespace tamiro
