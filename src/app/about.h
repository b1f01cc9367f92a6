#pragma once
// The About and options form: credits, and the settings of language, capital
// letters, music and sound effects. Shown modally from the main menu.

#include "toolkit/forms.h"

namespace tamiro {

class TfrmAbout : public tk::Form {
 public:
  explicit TfrmAbout(tk::Component* owner);
  ~TfrmAbout() override;
};

extern TfrmAbout* frmAbout;

}  // namespace tamiro
