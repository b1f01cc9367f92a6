#include "app/startup.h"

#include <QFont>
#include <QGuiApplication>

#include "app/about.h"
#include "app/main_menu.h"
#include "content/content_tables.h"
#include "content/settings.h"
#include "exercises/common/message_form.h"
#include "toolkit/application.h"
#include "toolkit/help_viewer.h"
#include "toolkit/code_page.h"
#include "toolkit/platform.h"

namespace tamiro {

namespace {
std::string FontFolder() { return ProgramDirectory() + tk::kPathSeparator + "fonts"; }
}  // namespace

void PrepareFontsBeforeStart() { tk::AddFontFolderBeforeStart(FontFolder()); }

void PrepareFonts() {
  tk::RegisterFontFiles(FontFolder());
  tk::AddSymbolFontFamily("Tamiro Symbols");
  // "Arial" is drawn with a font of the same metrics where Arial itself is
  // not installed.
  QFont::insertSubstitution("Arial", "Liberation Sans");
}

void CreateFirstFrameForms() {
  auto& app = tk::Application::Instance();
  app.SetTitle("Tamiro");
  // The desktop matches the window to the menu entry the package installs.
  QGuiApplication::setDesktopFileName(kDesktopFileName);
  // Help opens the current language's topic, in the exercise font, with the
  // Exit caption on its close button.
  app.HelpViewer = [](int context) {
    tk::ToggleHelp({tk::Application::Instance().HelpFile, Language, context,
                    tk::ToQString(LangString(Text::Exit)).toStdString(), ExerciseFont});
  };
  frmHuvudmeny = tk::CreateForm<TfrmHuvudmeny>(nullptr);
  app.AddForm(frmHuvudmeny);
  frmMessage = tk::CreateForm<TfrmMessage>(nullptr);
  app.AddForm(frmMessage);
}

TfrmAbout* AboutForm() {
  if (!frmAbout) {
    frmAbout = tk::CreateForm<TfrmAbout>(nullptr);
    tk::Application::Instance().AddForm(frmAbout);
  }
  return frmAbout;
}

void CreateApplicationForms() {
  CreateFirstFrameForms();
  AboutForm();
}

}  // namespace tamiro
