// The About window over the menu; --state list shows its language list open,
// --state locked the window as a school that has locked the settings sees it.

#include <QComboBox>

#include "app/about.h"
#include "content/settings.h"
#include "screens.h"

namespace {

screenshot::ScreenFamily about{"about [--state list|locked]", [](const std::string& screen, const screenshot::ScreenOptions& o) {
                                 if (screen != "about") return false;
                                 if (o.state == "locked") tamiro::Locked = true;
                                 // Shown as the menu shows it, without waiting for its end.
                                 tamiro::frmAbout->Show();
                                 if (o.state == "list") tamiro::frmAbout->cboLanguage->List()->showPopup();
                                 return true;
                               }};

}  // namespace
