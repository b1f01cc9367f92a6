#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include "support/fake_player.h"
#include "toolkit/application.h"
#include "toolkit/deferred_audio.h"

using testing_support::FakePlayer;

namespace {

std::string Touch(const QTemporaryDir& dir, const char* name) {
  QFile f(dir.filePath(name));
  f.open(QIODevice::WriteOnly);
  f.write("x");
  return f.fileName().toStdString();
}

}  // namespace

TEST(DeferredAudio, PlayersWorkAtOnceAndHandWhatTheyWereAskedToTheRealOnes) {
  QTemporaryDir dir;
  const std::string tune = Touch(dir, "DIDELI.MID");
  auto music = tk::CreateDeferredPlayer(tk::MediaKind::Music);
  auto effects = tk::CreateDeferredPlayer(tk::MediaKind::Effects);
  int notified = 0;
  music->OnNotify = [&] { ++notified; };
  music->AutoRewind = false;
  effects->AutoRewind = true;

  // Before the module is there: state as a player keeps it, missing files fail.
  music->SetFileName(tune);
  music->Open();
  music->Seek(1234);
  music->Notify = true;
  music->Play();
  EXPECT_EQ(music->Mode(), tk::MediaMode::Playing);
  EXPECT_EQ(music->Position(), 1234);
  effects->SetFileName(dir.filePath("missing.wav").toStdString());
  EXPECT_THROW(effects->Open(), tk::MediaError);
  EXPECT_THROW(effects->Play(), tk::MediaError);

  std::vector<FakePlayer*> real;
  tk::HandOverDeferredPlayers([&](tk::MediaKind) {
    auto p = std::make_unique<FakePlayer>();
    real.push_back(p.get());
    return p;
  });
  ASSERT_EQ(real.size(), 2u);
  FakePlayer* realMusic = real[0]->fileName == tune ? real[0] : real[1];
  FakePlayer* realEffects = realMusic == real[0] ? real[1] : real[0];
  EXPECT_EQ(realMusic->log, (std::vector<std::string>{"open DIDELI.MID", "seek 1234", "play notify"}));
  EXPECT_TRUE(realEffects->log.empty()) << "a player that never opened asks nothing";
  EXPECT_TRUE(realEffects->AutoRewind);

  // From now on every request goes to the real player, with the flags.
  music->Notify = false;
  music->Stop();
  EXPECT_EQ(realMusic->log.back(), "stop");
  EXPECT_FALSE(realMusic->Notify);
  realMusic->position = 555;
  EXPECT_EQ(music->Position(), 555);
  realMusic->OnNotify();
  EXPECT_EQ(notified, 1);

  // Players made after the hand-over get their real player straight away.
  auto later = tk::CreateDeferredPlayer(tk::MediaKind::Effects);
  EXPECT_EQ(real.size(), 3u);
  tk::HandOverDeferredPlayers(nullptr);
}

TEST(DeferredAudio, TheBuiltModuleLoadsInTheBackgroundAndTakesOver) {
  auto music = tk::CreateDeferredPlayer(tk::MediaKind::Music);
  tk::LoadAudioModuleInBackground(std::string(TAMIRO_PROGRAM_DIR) + "/libtamiro_audio.so");
  QElapsedTimer t;
  t.start();
  while (!tk::AudioModuleLoaded() && t.elapsed() < 20000) tk::Application::ProcessMessages();
  ASSERT_TRUE(tk::AudioModuleLoaded());
  // The module's music player: a file that is no MIDI file is refused.
  QTemporaryDir dir;
  music->SetFileName(Touch(dir, "not-a-tune.mid"));
  EXPECT_THROW(music->Open(), tk::MediaError);
  music.reset();
  tk::HandOverDeferredPlayers(nullptr);
}
