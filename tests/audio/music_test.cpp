// The music player rendered offline through the mixer with FluidSynth and the
// General MIDI SoundFont.
#include <fluidsynth.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "fluid_synth.h"
#include "mixer.h"
#include "music_source.h"
#include "sound_files.h"
#include "source_player.h"

using tamiro_test::kTicksPerSecond;
using tamiro_test::TempDir;
using tamiro_test::WriteMidi;
using tk::MediaMode;
using namespace tk::audio;

namespace {

struct MusicRig {
  explicit MusicRig(std::string soundfont = kDefaultSoundFont) : source(std::move(soundfont)) {
    mixer.AddSource(&source);
    player.OnNotify = [this] { ++notified; };
  }
  MusicSource source;
  Mixer mixer;
  SourcePlayer player{source, [](const std::string& path) -> std::shared_ptr<const void> {
                        return ReadMidiFile(path);
                      }, nullptr};
  int notified = 0;

  // Renders milliseconds of the mix; returns its energy (sum of squares).
  double Render(int milliseconds) {
    std::vector<float> block(441 * 2);
    double energy = 0;
    for (int done = 0; done < milliseconds; done += 10) {
      mixer.Render(block.data(), 441);
      for (float s : block) energy += static_cast<double>(s) * s;
    }
    return energy;
  }
  void Open(const std::string& path) {
    player.SetFileName(path);
    player.Open();
  }
};

// Four quarter notes, two seconds of music.
const std::vector<tamiro_test::Note> kTune = {{60, 480}, {64, 480}, {67, 480}, {72, 480}};

class MusicPlayer : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(std::filesystem::exists(kDefaultSoundFont))
        << kDefaultSoundFont << " is missing (package timgm6mb-soundfont)";
    WriteMidi(dir.File("tune.mid"), kTune);
  }
  TempDir dir;
};

}  // namespace

TEST_F(MusicPlayer, RendersAudibleMusicAndAdvances) {
  MusicRig rig;
  rig.Open(dir.File("tune.mid"));
  EXPECT_EQ(rig.player.Mode(), MediaMode::Stopped);
  EXPECT_EQ(rig.player.Position(), 0);
  rig.player.Play();
  const double energy = rig.Render(500);
  EXPECT_GT(energy, 1.0);  // well above silence (44100 stereo frames)
  EXPECT_TRUE(rig.source.HasSoundFont());
  EXPECT_EQ(rig.player.Mode(), MediaMode::Playing);
  EXPECT_NEAR(static_cast<double>(rig.player.Position()), 0.5 * kTicksPerSecond, 40);
}

TEST_F(MusicPlayer, StopKeepsTheTickAndPlayResumesThere) {
  MusicRig rig;
  rig.Open(dir.File("tune.mid"));
  rig.player.Play();
  rig.Render(600);
  rig.player.Stop();
  EXPECT_EQ(rig.player.Mode(), MediaMode::Stopped);
  rig.Render(10);
  const std::int64_t stopped_at = rig.player.Position();
  EXPECT_NEAR(static_cast<double>(stopped_at), 0.6 * kTicksPerSecond, 40);
  // The note dies away and the position stays.
  rig.Render(1000);
  EXPECT_LT(rig.Render(200), 1e-3);
  EXPECT_EQ(rig.player.Position(), stopped_at);

  rig.player.Play();
  EXPECT_GT(rig.Render(300), 0.1);
  EXPECT_NEAR(static_cast<double>(rig.player.Position()),
              static_cast<double>(stopped_at) + 0.3 * kTicksPerSecond, 40);
}

TEST_F(MusicPlayer, SeekBeforePlayStartsThere) {
  MusicRig rig;
  rig.Open(dir.File("tune.mid"));
  rig.player.Seek(1200);
  EXPECT_EQ(rig.player.Position(), 1200);
  rig.Render(50);
  EXPECT_EQ(rig.player.Position(), 1200);
  rig.player.Play();
  rig.Render(100);
  EXPECT_NEAR(static_cast<double>(rig.player.Position()), 1200 + 0.1 * kTicksPerSecond, 40);

  // Seek after Stop, then Rewind: playback starts from the beginning.
  rig.player.Stop();
  rig.player.Seek(300);
  rig.player.Play();
  rig.Render(100);
  EXPECT_NEAR(static_cast<double>(rig.player.Position()), 300 + 0.1 * kTicksPerSecond, 40);
  rig.player.Rewind();
  EXPECT_EQ(rig.player.Mode(), MediaMode::Stopped);
  EXPECT_EQ(rig.player.Position(), 0);
  rig.player.Play();
  rig.Render(100);
  EXPECT_NEAR(static_cast<double>(rig.player.Position()), 0.1 * kTicksPerSecond, 40);
}

TEST_F(MusicPlayer, TheEndIsDetectedAndNotifiedOnce) {
  WriteMidi(dir.File("short.mid"), {{67, 240}, {69, 240}});
  MusicRig rig;
  rig.Open(dir.File("short.mid"));
  rig.player.Notify = true;
  rig.player.Play();
  int rendered_ms = 0;
  while (rig.player.Mode() == MediaMode::Playing && rendered_ms < 10000) {
    rig.Render(50);
    rendered_ms += 50;
  }
  EXPECT_EQ(rig.player.Mode(), MediaMode::Stopped);
  EXPECT_GE(rendered_ms, 500);
  EXPECT_EQ(rig.player.Position(), 480);
  EXPECT_EQ(rig.notified, 0);
  QCoreApplication::processEvents();
  EXPECT_EQ(rig.notified, 1);
  rig.Render(200);
  QCoreApplication::processEvents();
  EXPECT_EQ(rig.notified, 1);

  // Without AutoRewind another Play ends at once; with it the tune restarts.
  rig.player.Play();
  rig.Render(50);
  EXPECT_EQ(rig.player.Mode(), MediaMode::Stopped);
  EXPECT_EQ(rig.player.Position(), 480);
  rig.player.AutoRewind = true;
  rig.player.Play();
  rig.Render(100);
  EXPECT_EQ(rig.player.Mode(), MediaMode::Playing);
  EXPECT_LT(rig.player.Position(), 200);
}

TEST_F(MusicPlayer, MissingOrBrokenFilesAreMediaErrors) {
  MusicRig rig;
  rig.player.SetFileName(dir.File("none.mid"));
  EXPECT_THROW(rig.player.Open(), tk::MediaError);
  EXPECT_EQ(rig.player.Mode(), MediaMode::NotReady);
  std::ofstream(dir.File("text.mid")) << "MThd but only words after it, no tracks at all";
  rig.player.SetFileName(dir.File("text.mid"));
  EXPECT_THROW(rig.player.Open(), tk::MediaError);
  EXPECT_THROW(rig.player.Play(), tk::MediaError);
  EXPECT_EQ(rig.Render(50), 0.0);
}

TEST_F(MusicPlayer, WithoutTheSoundFontItIsSilentButStillPlays) {
  MusicRig rig(dir.File("missing.sf2"));
  rig.Open(dir.File("tune.mid"));
  rig.player.Notify = true;
  EXPECT_NO_THROW(rig.player.Play());
  EXPECT_LT(rig.Render(500), 1e-9);
  EXPECT_FALSE(rig.source.HasSoundFont());
  EXPECT_GT(rig.player.Position(), 300);
  int rendered_ms = 500;
  while (rig.player.Mode() == MediaMode::Playing && rendered_ms < 10000) {
    rig.Render(100);
    rendered_ms += 100;
  }
  EXPECT_EQ(rig.player.Mode(), MediaMode::Stopped);
  QCoreApplication::processEvents();
  EXPECT_EQ(rig.notified, 1);
}

TEST_F(MusicPlayer, ABrokenSoundFontIsSilentButStillPlays) {
  // Empty, cut short after a bad copy, or random bytes.
  std::ifstream in(kDefaultSoundFont, std::ios::binary);
  const std::string whole{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::string random(64 * 1024, '\0');
  std::uint32_t seed = 5;
  for (char& c : random) c = static_cast<char>((seed = seed * 1664525u + 1013904223u) >> 24);
  const std::pair<const char*, std::string> fonts[] = {
      {"empty.sf2", ""}, {"cut.sf2", whole.substr(0, whole.size() * 2 / 3)}, {"random.sf2", "RIFF" + random}};
  for (const auto& [name, bytes] : fonts) {
    SCOPED_TRACE(name);
    std::ofstream(dir.File(name), std::ios::binary) << bytes;
    MusicRig rig(dir.File(name));
    rig.Open(dir.File("tune.mid"));
    EXPECT_NO_THROW(rig.player.Play());
    rig.Render(500);
    EXPECT_GT(rig.player.Position(), 300) << "the music goes on";
    int rendered_ms = 500;
    while (rig.player.Mode() == MediaMode::Playing && rendered_ms < 10000) {
      rig.Render(100);
      rendered_ms += 100;
    }
    EXPECT_EQ(rig.player.Mode(), MediaMode::Stopped) << "and comes to its end";
  }
}

// The synthesizer loads only the samples a tune selects, and voices for the
// notes the tunes sound at once: every tune of the program must sound as it
// does from FluidSynth with the whole SoundFont in memory and voices to
// spare. (FluidSynth reads a looped sample's neighbours a little differently
// when it loads samples one by one, so the two differ, far below the music;
// an instrument that did not sound would differ by as much as it plays.)
TEST_F(MusicPlayer, EveryTuneSoundsAsFromTheWholeSoundFont) {
  for (const char* name : {"DIDELI.MID", "DROPPAR.MID", "YAHOO.MID", "HUNG_UP.MID", "HURRA1.MID"}) {
    SCOPED_TRACE(name);
    const std::string path = std::string(TAMIRO_SOURCE_DIR) + "/assets/" + name;
    std::vector<float> heard;
    MusicRig rig;
    rig.Open(path);
    rig.player.Play();
    std::vector<float> block(441 * 2);
    while ((rig.player.Mode() == MediaMode::Playing || rig.source.Active()) && heard.size() < 120u * 44100 * 2) {
      rig.mixer.Render(block.data(), 441);
      heard.insert(heard.end(), block.begin(), block.end());
    }
    ASSERT_TRUE(rig.source.HasSoundFont());

    fluid_settings_t* settings = new_fluid_settings();
    ApplySynthSettings(settings);
    fluid_settings_setint(settings, "synth.dynamic-sample-loading", 0);
    fluid_settings_setint(settings, "synth.polyphony", 256);
    fluid_synth_t* synth = new_fluid_synth(settings);
    ASSERT_GE(fluid_synth_sfload(synth, kDefaultSoundFont, 1), 0);
    fluid_player_t* player = new_fluid_player(synth);
    const auto midi = ReadMidiFile(path);
    fluid_player_add_mem(player, midi->bytes.data(), midi->bytes.size());
    fluid_player_seek(player, 0);
    fluid_player_play(player);
    std::vector<float> left(heard.size() / 2), right(heard.size() / 2);
    fluid_synth_write_float(synth, static_cast<int>(left.size()), left.data(), 0, 1, right.data(), 0, 1);
    delete_fluid_player(player);
    delete_fluid_synth(synth);
    delete_fluid_settings(settings);

    // The whole tune, and each tenth of a second that sounds in the reference.
    double energy = 0, difference = 0;
    int quiet_windows = 0;
    const size_t window = 4410;
    for (size_t at = 0; at + window <= left.size(); at += window) {
      double ours = 0, theirs = 0;
      for (size_t i = at; i < at + window; ++i) {
        for (const auto& [a, b] : {std::pair{heard[2 * i], left[i]}, std::pair{heard[2 * i + 1], right[i]}}) {
          ours += static_cast<double>(a) * a;
          theirs += static_cast<double>(b) * b;
          difference += (static_cast<double>(a) - b) * (static_cast<double>(a) - b);
        }
      }
      energy += theirs;
      if (theirs > 1e-3 * window && ours < 0.5 * theirs) ++quiet_windows;
    }
    EXPECT_GT(heard.size(), 44100u * 2 * 5) << "a tune of at least five seconds";
    EXPECT_GT(energy, 100.0) << "audible";
    EXPECT_EQ(quiet_windows, 0) << "tenths of a second much quieter than from the whole SoundFont";
    EXPECT_GT(10 * std::log10(energy / std::max(difference, 1e-12)), 30.0) << "dB between the music and the difference";
  }
}

TEST(Mixer, SourcesAreSummedWithClipping) {
  // Two sources that each render a constant: the mix is their clipped sum.
  struct Constant final : CommandSource {
    explicit Constant(float v) : value(v) {}
    float value;
    bool Active() const override { return true; }
    void Apply(const Command&) override {}
    void RenderInto(float* out, int frames) override {
      for (int i = 0; i < frames * kChannels; ++i) out[i] += value;
    }
    std::int64_t CurrentPosition() const override { return 0; }
  };
  Constant a(0.25f), b(0.5f), c(0.5f);
  Mixer sum;
  sum.AddSource(&a);
  sum.AddSource(&b);
  std::vector<float> out(64 * 2, 9.0f);
  sum.Render(out.data(), 64);
  for (float s : out) ASSERT_FLOAT_EQ(s, 0.75f);
  sum.AddSource(&c);
  sum.Render(out.data(), 64);
  for (float s : out) ASSERT_FLOAT_EQ(s, 1.0f);
}
