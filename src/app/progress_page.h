#pragma once
// The progress page, for parents and teachers: the About window's Progress
// button shows it modally, over the whole screen, in the current language.
// For every game that has been played, where its tile lies on the menu: a
// chart of the last 28 days (minutes played a day as bars, the game's own
// measure as a line), the time played this week and the best result; a game
// not played says so in one line. Escape and Close go back; "Clear the
// record" asks first with the message form.

#include <optional>
#include <vector>

#include "content/record_store.h"
#include "toolkit/forms.h"

namespace tamiro {

class TfrmProgress : public tk::Form {
 public:
  explicit TfrmProgress(tk::Component* owner);
  ~TfrmProgress() override;

  void FormCreate();
  void FormShow();
  void FormKeyPress(char key);
  void imgCloseClick();
  void imgClearClick();

  // Reads the record and draws the page from it.
  void DrawPage();

  tk::Image* imgTitle;
  std::vector<tk::Image*> imgGames;  // in the order of the games' list
  tk::Image* imgClear;
  tk::Image* imgClose;

 private:
  std::optional<Progress> progress_;
};

extern TfrmProgress* frmProgress;

// Shows the page over the owner until it is closed, then takes it down.
void ShowProgressPage(tk::Component* owner);

}  // namespace tamiro
