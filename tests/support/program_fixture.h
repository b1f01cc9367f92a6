#pragma once
// Tests of the whole program: the built program's own assets, settings in a
// folder of the test's own, recording players, and the forms of start-up,
// with the main menu on the screen.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "app/main_menu.h"
#include "content/settings.h"
#include "app/startup.h"
#include "support/fake_player.h"
#include "support/test_support.h"
#include "toolkit/application.h"
#include "toolkit/media.h"
#include "toolkit/platform.h"
#include "toolkit/profile.h"

namespace testing_support {

class ProgramFixture : public ::testing::Test {
 protected:
  void StartProgram() {
    Messages().clear();
    tk::SetExecutablePathOverride(std::string(TAMIRO_PROGRAM_DIR) + "/tamiro");
    tk::SetSettingsFileOverride(settings.filePath("TAMIRO.INI").toStdString());
    tk::ProfileFile(settings.filePath("TAMIRO.INI").toStdString()).WriteString("Options", "Language", "1");
    // The computer's settings file, absent until a test writes it.
    tk::SetSystemSettingsFilesOverride(std::vector<std::string>{SystemFile().toStdString()});
    tk::SetMediaPlayerFactory([this](tk::MediaKind kind) -> std::unique_ptr<tk::MediaPlayer> {
      auto player = std::make_unique<FakePlayer>();
      (kind == tk::MediaKind::Music ? music : effects) = player.get();
      return player;
    });
    tk::SetSpeakerFactory([this]() -> std::unique_ptr<tk::Speaker> {
      auto made = std::make_unique<FakeSpeaker>();
      speaker = made.get();
      return made;
    });
    tamiro::PrepareFonts();
    tamiro::CreateApplicationForms();
    tamiro::frmHuvudmeny->Show();
  }
  void TearDown() override {
    tk::Application::Instance().HelpViewer = nullptr;
    tk::Application::Instance().DestroyForms();
    tk::SetMediaPlayerFactory(nullptr);
    tk::SetSpeakerFactory(nullptr);
    tk::SetClockOverride(nullptr);
    tk::SetScreenOverride(std::nullopt);
    tk::SetExecutablePathOverride(std::nullopt);
    tk::SetSettingsFileOverride(std::nullopt);
    tk::SetSystemSettingsFilesOverride(std::nullopt);
    tamiro::Locked = false;
    tamiro::Music = tamiro::Sounds = tamiro::Speech = true;
    tamiro::Capital = false;
  }

  QString SystemFile() const { return settings.filePath("system-TAMIRO.INI"); }

  QTemporaryDir settings;
  FakePlayer* music = nullptr;
  FakePlayer* effects = nullptr;
  FakeSpeaker* speaker = nullptr;
};

}  // namespace testing_support
