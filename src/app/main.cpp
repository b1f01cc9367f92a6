// Tamiro: learning games for young children.

#include <QApplication>
#include <cstdio>
#include <cstring>

#include "app/startup.h"
#include "content/content_tables.h"
#include "content/game_record.h"
#include "toolkit/application.h"
#include "toolkit/deferred_audio.h"

namespace {
constexpr const char* kHelp =
    "Usage: tamiro\n"
    "Twelve learning games for children of four to eight, full screen.\n"
    "\n"
    "Settings: $XDG_CONFIG_HOME/tamiro/TAMIRO.INI (usually ~/.config/tamiro/),\n"
    "written by the About window. A key it lacks is read from tamiro/TAMIRO.INI\n"
    "in each folder of $XDG_CONFIG_DIRS (usually /etc/xdg), set by a school;\n"
    "without a Language the desktop's language (LC_ALL, LC_MESSAGES, LANG).\n"
    "Locked=1 in that file: the About window cannot change the settings and\n"
    "neither the Exit tile nor Alt+F4 ends the program; SIGTERM, SIGINT and\n"
    "SIGHUP still end it.\n";
}  // namespace

int main(int argc, char* argv[]) {
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--help") == 0) {
      std::fputs(kHelp, stdout);
      return 0;
    }
  tamiro::PrepareFontsBeforeStart();
  QApplication qapp(argc, argv);
  tk::SetMediaPlayerFactory(tk::CreateDeferredPlayer);
  tk::SetSpeakerFactory(tk::CreateDeferredSpeaker);
  tamiro::PrepareFonts();
  tamiro::CreateFirstFrameForms();
  auto& app = tk::Application::Instance();
  // The session's end closes the program as its Exit does, also when the
  // school has locked it.
  app.TerminateOnSignals();
  // The sound comes a moment after the menu: the audio module loads once the
  // menu is on the screen, and the music starts then. The About window is
  // made meanwhile; the first frame does not show it.
  app.OnFirstShown = [] {
    tk::LoadAudioModuleInBackground(tamiro::ProgramFile("libtamiro_audio.so"));
    tamiro::AboutForm();
  };
  app.Run();
  app.Shutdown();
  // The last games reach the record before the program ends.
  tamiro::StopRecord();
  return 0;
}
