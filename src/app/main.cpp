// Tamiro: learning games for young children.

#include <QApplication>

#include "app/startup.h"
#include "content/content_tables.h"
#include "toolkit/application.h"
#include "toolkit/deferred_audio.h"

int main(int argc, char* argv[]) {
  QApplication qapp(argc, argv);
  tk::LoadAudioModuleInBackground(tamiro::ProgramFile("libtamiro_audio.so"));
  tk::SetMediaPlayerFactory(tk::CreateDeferredPlayer);
  tamiro::PrepareFonts();
  tamiro::CreateApplicationForms();
  auto& app = tk::Application::Instance();
  app.Run();
  app.Shutdown();
  return 0;
}
