// The real players from the factory when no sound server can be reached:
// silence and nothing else. Calls return at once, playbacks still advance and
// end, and the engine goes away cleanly with the players.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <cstdlib>
#include <fstream>

#include "event_loop.h"
#include "audio_players.h"
#include "sound_files.h"

using tamiro_test::SpinUntil;
using tamiro_test::TempDir;
using tk::MediaMode;

namespace {


void UseServerAt(const TempDir& dir, const std::string& socket) {
  std::ofstream(dir.File("client.conf")) << "autospawn = no\n";
  setenv("PULSE_CLIENTCONFIG", dir.File("client.conf").c_str(), 1);
  setenv("PULSE_SERVER", ("unix:" + socket).c_str(), 1);
}

}  // namespace

TEST(PlayersWithoutSoundServer, PlayInSilenceAndEndOnTime) {
  TempDir dir;
  UseServerAt(dir, dir.File("no-server"));
  tamiro_test::WriteSineWav(dir.File("a.wav"), 500, 300);
  tamiro_test::WriteMidi(dir.File("m.mid"), {{60, 240}, {62, 240}});

  for (int round = 0; round < 2; ++round) {  // the engine comes up again after going away
    auto effects = tk::CreateEffectsPlayer();
    auto music = tk::CreateMusicPlayer();
    int effect_ended = 0;
    int music_ended = 0;
    effects->OnNotify = [&] { ++effect_ended; };
    music->OnNotify = [&] { ++music_ended; };

    QElapsedTimer calls;
    calls.start();
    effects->SetFileName(dir.File("a.wav"));
    effects->Open();
    effects->Notify = true;
    effects->Play();
    music->SetFileName(dir.File("m.mid"));
    music->Open();
    music->Notify = true;
    music->Play();
    EXPECT_LT(calls.elapsed(), 200) << "requests must not wait for the audio thread";
    EXPECT_EQ(effects->Mode(), MediaMode::Playing);

    ASSERT_TRUE(SpinUntil([&] { return effect_ended == 1; }, 5000));
    EXPECT_GE(calls.elapsed(), 250) << "the effect ended before its time";
    EXPECT_EQ(effects->Mode(), MediaMode::Stopped);
    EXPECT_EQ(effects->Position(), 300);
    // Half a second of notes and FluidSynth's wait for them to die away.
    ASSERT_TRUE(SpinUntil([&] { return music_ended == 1; }, 8000));
    EXPECT_EQ(music->Position(), 480);
    EXPECT_EQ(music->Mode(), MediaMode::Stopped);
  }
}

TEST(PlayersWithoutSoundServer, AServerThatDoesNotAnswerOnlyDelaysSound) {
  TempDir dir;
  // A socket that takes connections and never answers them.
  const std::string path = dir.File("silent-server");
  const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(listener, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(path.size(), sizeof address.sun_path);
  path.copy(address.sun_path, path.size());
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(listener, 4), 0);
  UseServerAt(dir, path);
  tamiro_test::WriteSineWav(dir.File("a.wav"), 500, 300);

  QElapsedTimer timer;
  timer.start();
  {
    auto effects = tk::CreateEffectsPlayer();
    int ended = 0;
    effects->OnNotify = [&] { ++ended; };
    effects->SetFileName(dir.File("a.wav"));
    effects->Open();
    effects->Notify = true;
    effects->Play();
    EXPECT_LT(timer.elapsed(), 200);
    // The output gives the server a few seconds, then goes on without sound.
    ASSERT_TRUE(SpinUntil([&] { return ended == 1; }, 10000));
    EXPECT_GE(timer.elapsed(), 2500) << "the server was not waited for";
    effects->Play();  // at the end, without AutoRewind: ends at once
    timer.restart();
  }
  EXPECT_LT(timer.elapsed(), 2500) << "the players' destruction waited too long";
  close(listener);
}
