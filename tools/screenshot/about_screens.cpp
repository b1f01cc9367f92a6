// The About window over the menu; --state list shows its language list open.

#include <QComboBox>

#include "app/about.h"
#include "screens.h"

namespace {

screenshot::ScreenFamily about{"about [--state list]", [](const std::string& screen, const screenshot::ScreenOptions& o) {
                                 if (screen != "about") return false;
                                 // Shown as the menu shows it, without waiting for its end.
                                 tamiro::frmAbout->Show();
                                 if (o.state == "list") tamiro::frmAbout->cboLanguage->List()->showPopup();
                                 return true;
                               }};

}  // namespace
