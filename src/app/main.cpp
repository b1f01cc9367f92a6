// Tamiro: learning games for young children.

#include <QApplication>

#include "app/startup.h"
#include "toolkit/application.h"

int main(int argc, char* argv[]) {
  QApplication qapp(argc, argv);
  tamiro::PrepareFonts();
  tamiro::CreateApplicationForms();
  auto& app = tk::Application::Instance();
  app.Run();
  app.Shutdown();
  return 0;
}
