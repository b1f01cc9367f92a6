// Tamiro: learning games for young children.

#include <QApplication>

#include "app/startup.h"
#include "toolkit/audio/audio_players.h"
#include "toolkit/application.h"
#include "toolkit/media.h"

int main(int argc, char* argv[]) {
  QApplication qapp(argc, argv);
  tk::SetMediaPlayerFactory([](tk::MediaKind kind) {
    return kind == tk::MediaKind::Music ? tk::CreateMusicPlayer() : tk::CreateEffectsPlayer();
  });
  tamiro::PrepareFonts();
  tamiro::CreateApplicationForms();
  auto& app = tk::Application::Instance();
  app.Run();
  app.Shutdown();
  return 0;
}
