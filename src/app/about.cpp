#include "app/about.h"

namespace tamiro {

TfrmAbout* frmAbout = nullptr;

TfrmAbout::TfrmAbout(tk::Component* owner) : tk::Form(owner, "frmAbout", 498, 351) {
  HelpContext = 102;
  Caption = "About Tamiro";
  Color = 0x000000;
  CentreOnScreen();
}

TfrmAbout::~TfrmAbout() {
  if (frmAbout == this) frmAbout = nullptr;
}

}  // namespace tamiro
