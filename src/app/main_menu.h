#pragma once
// The main menu: the program's main form, the hub from which every exercise
// starts. Its creation starts the program: settings, fonts, content. Its
// tiles are those of the games' list (exercises/common/games.h).

#include <map>

#include "toolkit/forms.h"

namespace tamiro {

class SoundService;

class TfrmHuvudmeny : public tk::Form {
 public:
  explicit TfrmHuvudmeny(tk::Component* owner);
  ~TfrmHuvudmeny() override;

  void FormCreate();
  void LoadArtwork();
  void FormShow();
  void FormMouseDown(tk::MouseButton button, int shift, int x, int y);
  void FormActivate();
  void FormDeactivate();
  void imgTamiroClick();
  // Takes the interface language's texts and fonts. A right-hand caption
  // that would run under the mascot is drawn a point smaller at a time until
  // it ends clear of the mascot's ink.
  void Translate();

  // The exercise tiles, by their numbers (shpOv[1] is shpOv1), with their
  // labels and icons.
  std::map<int, tk::Shape*> shpOv;
  std::map<int, tk::Label*> lblOv;
  std::map<int, tk::Image*> imgOv;
  tk::Shape *Shape2, *Shape11, *shpAbout, *shpExit, *shpHelp;
  tk::Label *lblAbout, *lblExit, *lblHelp;
  tk::Image* Image1;
  tk::Image* imgTamiro;
  tk::Image* imgTest;

  // The program's music and sound effects, for as long as the menu lives.
  SoundService* Sound;

 private:
  void KeepCaptionsClearOfMascot();
  std::map<tk::Label*, int> captionSizes_;  // the tiles' caption sizes on this screen
};

extern TfrmHuvudmeny* frmHuvudmeny;

}  // namespace tamiro
