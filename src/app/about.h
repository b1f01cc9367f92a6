#pragma once
// The About and options form: credits, and the settings of language, capital
// letters, music, sound effects and spoken words. Shown modally from the
// main menu; OK applies and saves the choices, Escape closes it and forgets
// them; Progress shows the progress page over it (app/progress_page.h). It keeps
// its design size and its English texts whatever the screen and language.

#include <string>

#include "toolkit/forms.h"
#include "toolkit/input_controls.h"

namespace tamiro {

class TfrmAbout : public tk::Form {
 public:
  explicit TfrmAbout(tk::Component* owner);
  ~TfrmAbout() override;

  void FormCreate();
  void FormShow();
  void FormActivate();
  void FormKeyPress(char key);
  void imgExitClick();
  void imgWebSiteClick();
  void imgProgressClick();
  // The spoken-words box says when the language chosen in the list has no
  // voice.
  void ShowSpeechCaption();

  tk::ComboBox* cboLanguage;
  tk::CheckBox* chkCapital;
  tk::CheckBox* chkMusic;
  tk::CheckBox* chkSound;
  tk::CheckBox* chkSpeech;
  tk::Image* imgWebSite;
  tk::Image* imgProgress;  // the progress page, for grown-ups
  tk::Image* imgExit;
  tk::Label* Label9;
  tk::Shape *Shape4, *Shape3, *Shape1, *Shape2;
  tk::Label *Label8, *Label10, *Label11, *Label14, *Label15, *Label13, *Label17;
  tk::Label *lblTitle, *lblVersion, *lblCreditKinds, *lblCredits, *lblInvitation, *lblWebAddress;
  // Shown where the school has locked the settings.
  tk::Label* lblLocked;
};

extern TfrmAbout* frmAbout;

// The maker's start page for a language: the Swedish one for Swedish, the
// English one for the others.
std::string WebPage(int language);
// The page with the query that tells the site
// where the visitor comes from and in which language.
std::string WebPageAddress(int language);

}  // namespace tamiro
