// Test programs run with a QApplication on Qt's offscreen platform; message
// boxes are recorded instead of shown.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <cstdlib>

#include "content/game_record.h"
#include "support/test_support.h"
#include "toolkit/application.h"

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  ::testing::InitGoogleTest(&argc, argv);
  // The record of games of every test goes to a folder of the run's own.
  QTemporaryDir data;
  setenv("XDG_DATA_HOME", data.path().toLocal8Bit().constData(), 1);
  QApplication app(argc, argv);
  tk::SetMessageBoxHook([](const tk::MessageRequest& r) { testing_support::Messages().push_back(r); });
  const int result = RUN_ALL_TESTS();
  tk::Application::Instance().Shutdown();
  tamiro::StopRecord();
  return result;
}
