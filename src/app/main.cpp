// Tamiro: learning games for young children.

#include <QApplication>

#include "app/startup.h"
#include "content/content_tables.h"
#include "content/game_record.h"
#include "toolkit/application.h"
#include "toolkit/deferred_audio.h"

int main(int argc, char* argv[]) {
  QApplication qapp(argc, argv);
  tk::SetMediaPlayerFactory(tk::CreateDeferredPlayer);
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
