// The effects player rendered offline through the mixer: decoding, playing
// whole, cutting off, going on, rewinding, notifying.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <cmath>
#include <fstream>

#include "effects_source.h"
#include "mixer.h"
#include "sound_files.h"
#include "source_player.h"

using tamiro_test::SineSamples;
using tamiro_test::TempDir;
using tamiro_test::WriteSineWav;
using tk::MediaMode;
using namespace tk::audio;

namespace {

constexpr float kTolerance = 1.0f / 16000;  // 16-bit quantization

// An effects player whose mix the test renders itself.
struct EffectsRig {
  EffectsSource source;
  Mixer mixer;
  SourcePlayer player{source, [](const std::string& path) -> std::shared_ptr<const void> {
                        return DecodeSoundFile(path);
                      }, nullptr};
  int notified = 0;

  EffectsRig() {
    mixer.AddSource(&source);
    player.OnNotify = [this] { ++notified; };
  }
  // Renders milliseconds of the mix in 10 ms blocks; returns the left channel.
  std::vector<float> Render(int milliseconds) {
    std::vector<float> left;
    std::vector<float> block(441 * 2);
    for (int done = 0; done < milliseconds; done += 10) {
      mixer.Render(block.data(), 441);
      for (int i = 0; i < 441; ++i) left.push_back(block[static_cast<size_t>(2 * i)]);
    }
    return left;
  }
  void Open(const std::string& path) {
    player.SetFileName(path);
    player.Open();
  }
};

// Index of the last sample whose magnitude is above a small threshold, + 1.
size_t SoundingLength(const std::vector<float>& s) {
  for (size_t i = s.size(); i > 0; --i) {
    if (std::fabs(s[i - 1]) > 1e-3f) return i;
  }
  return 0;
}

void ExpectSamplesMatch(const std::vector<float>& got, size_t got_from,
                        const std::vector<float>& want, size_t want_from, size_t count) {
  ASSERT_LE(got_from + count, got.size());
  ASSERT_LE(want_from + count, want.size());
  size_t mismatches = 0;
  for (size_t i = 0; i < count; ++i) {
    if (std::fabs(got[got_from + i] - want[want_from + i]) > kTolerance) ++mismatches;
  }
  EXPECT_EQ(mismatches, 0u) << "comparing " << count << " samples from " << got_from;
}

void DeliverEvents() { QCoreApplication::processEvents(); }

}  // namespace

TEST(SoundFileDecoding, MonoBecomesStereoAndKeepsItsSamples) {
  TempDir dir;
  WriteSineWav(dir.File("a.wav"), 440, 250);
  auto clip = DecodeSoundFile(dir.File("a.wav"));
  const auto want = SineSamples(440, 250);
  ASSERT_EQ(clip->Frames(), static_cast<int64_t>(want.size()));
  for (size_t i = 0; i < want.size(); i += 97) {
    EXPECT_NEAR(clip->samples[2 * i], want[i], kTolerance);
    EXPECT_EQ(clip->samples[2 * i], clip->samples[2 * i + 1]);
  }
}

TEST(SoundFileDecoding, StereoKeepsBothChannels) {
  TempDir dir;
  WriteSineWav(dir.File("s.wav"), 300, 100, 44100, 2);
  auto clip = DecodeSoundFile(dir.File("s.wav"));
  const auto want = SineSamples(300, 100);
  ASSERT_EQ(clip->Frames(), static_cast<int64_t>(want.size()));
  for (size_t i = 0; i < want.size(); i += 31) {
    EXPECT_NEAR(clip->samples[2 * i], want[i], kTolerance);
    EXPECT_NEAR(clip->samples[2 * i + 1], want[i] / 2, kTolerance);
  }
}

TEST(SoundFileDecoding, OtherRatesAreResampledToTheMixRate) {
  TempDir dir;
  WriteSineWav(dir.File("low.wav"), 200, 400, 22050);
  WriteSineWav(dir.File("high.wav"), 200, 400, 48000);
  const auto want = SineSamples(200, 400);
  for (const char* name : {"low.wav", "high.wav"}) {
    auto clip = DecodeSoundFile(dir.File(name));
    EXPECT_NEAR(static_cast<double>(clip->Frames()), 44100 * 0.4, 3) << name;
    // Linear interpolation of a low tone stays close to the tone itself.
    double worst = 0;
    for (size_t i = 0; i + 2 < std::min<size_t>(want.size(), static_cast<size_t>(clip->Frames())); ++i) {
      worst = std::max(worst, static_cast<double>(std::fabs(clip->samples[2 * i] - want[i])));
    }
    EXPECT_LT(worst, 0.01) << name;
  }
}

TEST(SoundFileDecoding, MissingOrBrokenFilesAreMediaErrors) {
  TempDir dir;
  EXPECT_THROW(DecodeSoundFile(dir.File("none.wav")), tk::MediaError);
  std::ofstream(dir.File("text.wav")) << "this is not a sound";
  EXPECT_THROW(DecodeSoundFile(dir.File("text.wav")), tk::MediaError);
}

TEST(EffectsPlayer, OpenFailureLeavesThePlayerClosed) {
  TempDir dir;
  EffectsRig rig;
  rig.player.SetFileName(dir.File("none.wav"));
  EXPECT_THROW(rig.player.Open(), tk::MediaError);
  EXPECT_EQ(rig.player.Mode(), MediaMode::NotReady);
  EXPECT_THROW(rig.player.Play(), tk::MediaError);
  EXPECT_NO_THROW(rig.player.Stop());
}

TEST(EffectsPlayer, PlaysTheWholeEffectThenStops) {
  TempDir dir;
  WriteSineWav(dir.File("a.wav"), 500, 300);
  EffectsRig rig;
  rig.Open(dir.File("a.wav"));
  EXPECT_EQ(rig.player.Mode(), MediaMode::Stopped);
  rig.player.Play();
  EXPECT_EQ(rig.player.Mode(), MediaMode::Playing);
  const auto out = rig.Render(600);
  const auto want = SineSamples(500, 300);
  EXPECT_NEAR(static_cast<double>(SoundingLength(out)), static_cast<double>(want.size()), 3);
  ExpectSamplesMatch(out, 0, want, 0, want.size());
  EXPECT_EQ(rig.player.Mode(), MediaMode::Stopped);
  EXPECT_EQ(rig.player.Position(), 300);
}

TEST(EffectsPlayer, OpeningAnotherEffectCutsOffTheOnePlaying) {
  TempDir dir;
  WriteSineWav(dir.File("long.wav"), 400, 1000);
  WriteSineWav(dir.File("short.wav"), 900, 200);
  EffectsRig rig;
  rig.Open(dir.File("long.wav"));
  rig.player.Notify = true;
  rig.player.Play();
  const auto first = rig.Render(100);
  rig.Open(dir.File("short.wav"));
  rig.player.Notify = false;
  rig.player.Play();
  const auto second = rig.Render(400);

  ExpectSamplesMatch(first, 0, SineSamples(400, 1000), 0, first.size());
  // After the cut only the new effect sounds, from its beginning, and it ends.
  const auto want = SineSamples(900, 200);
  ExpectSamplesMatch(second, 0, want, 0, want.size());
  EXPECT_NEAR(static_cast<double>(SoundingLength(second)), static_cast<double>(want.size()), 3);
  // The cut-off playback asked to be told: it is, once, through the event loop.
  EXPECT_EQ(rig.notified, 0);
  DeliverEvents();
  EXPECT_EQ(rig.notified, 1);
}

TEST(EffectsPlayer, PlayWhilePlayingGoesOn) {
  TempDir dir;
  WriteSineWav(dir.File("a.wav"), 600, 500);
  EffectsRig rig;
  rig.Open(dir.File("a.wav"));
  rig.player.Play();
  auto out = rig.Render(200);
  rig.player.Play();
  EXPECT_EQ(rig.player.Mode(), MediaMode::Playing);
  const auto rest = rig.Render(600);
  out.insert(out.end(), rest.begin(), rest.end());
  const auto want = SineSamples(600, 500);
  ExpectSamplesMatch(out, 0, want, 0, want.size());
  EXPECT_NEAR(static_cast<double>(SoundingLength(out)), static_cast<double>(want.size()), 3);
}

TEST(EffectsPlayer, PlayAfterTheEndRewindsOnlyWithAutoRewind) {
  TempDir dir;
  WriteSineWav(dir.File("a.wav"), 700, 150);
  const auto want = SineSamples(700, 150);
  EffectsRig rig;
  rig.Open(dir.File("a.wav"));
  rig.player.Play();
  rig.Render(300);
  ASSERT_EQ(rig.player.Mode(), MediaMode::Stopped);

  rig.player.Play();  // AutoRewind off: stays at the end, nothing sounds
  EXPECT_EQ(SoundingLength(rig.Render(100)), 0u);
  EXPECT_EQ(rig.player.Mode(), MediaMode::Stopped);
  EXPECT_EQ(rig.player.Position(), 150);

  rig.player.AutoRewind = true;
  rig.player.Play();
  const auto again = rig.Render(300);
  ExpectSamplesMatch(again, 0, want, 0, want.size());
  EXPECT_EQ(rig.player.Mode(), MediaMode::Stopped);
}

TEST(EffectsPlayer, StopKeepsThePositionAndSeekMovesIt) {
  TempDir dir;
  WriteSineWav(dir.File("a.wav"), 450, 1000);
  const auto want = SineSamples(450, 1000);
  EffectsRig rig;
  rig.Open(dir.File("a.wav"));
  rig.player.Seek(300);
  EXPECT_EQ(rig.player.Position(), 300);  // known at once, before any render
  rig.player.Play();
  const auto from_seek = rig.Render(100);
  ExpectSamplesMatch(from_seek, 0, want, 300 * 441 / 10, from_seek.size());

  rig.player.Stop();
  EXPECT_EQ(SoundingLength(rig.Render(100)), 0u);
  EXPECT_EQ(rig.player.Position(), 400);
  rig.player.Play();
  const auto resumed = rig.Render(50);
  ExpectSamplesMatch(resumed, 0, want, 400 * 441 / 10, resumed.size());

  rig.player.Rewind();
  EXPECT_EQ(rig.player.Mode(), MediaMode::Stopped);
  EXPECT_EQ(rig.player.Position(), 0);
  EXPECT_THROW(rig.player.Seek(-5), tk::MediaError);
}

TEST(EffectsPlayer, NotifiesOnceWhenThePlaybackEnds) {
  TempDir dir;
  WriteSineWav(dir.File("a.wav"), 500, 100);
  EffectsRig rig;
  rig.Open(dir.File("a.wav"));
  rig.player.Notify = true;
  rig.player.Play();
  rig.Render(50);
  DeliverEvents();
  EXPECT_EQ(rig.notified, 0);
  rig.Render(100);
  EXPECT_EQ(rig.notified, 0);  // never from inside rendering
  DeliverEvents();
  EXPECT_EQ(rig.notified, 1);
  rig.player.Stop();  // after the end: nothing more to tell
  rig.Render(100);
  DeliverEvents();
  EXPECT_EQ(rig.notified, 1);

  // A playback without Notify stays quiet; Stop cuts a notifying one off.
  rig.player.Notify = false;
  rig.player.AutoRewind = true;
  rig.player.Play();
  rig.Render(200);
  DeliverEvents();
  EXPECT_EQ(rig.notified, 1);
  rig.player.Notify = true;
  rig.player.Play();
  rig.Render(20);
  rig.player.Stop();
  EXPECT_EQ(rig.notified, 1);
  DeliverEvents();
  EXPECT_EQ(rig.notified, 2);
}

TEST(EffectsPlayer, TwoPlayersShareTheChannel) {
  TempDir dir;
  WriteSineWav(dir.File("long.wav"), 400, 1000);
  WriteSineWav(dir.File("short.wav"), 900, 200);
  const auto long_tone = SineSamples(400, 1000);
  EffectsRig rig;  // the first player
  auto second = std::make_unique<SourcePlayer>(
      rig.source, [](const std::string& path) -> std::shared_ptr<const void> {
        return DecodeSoundFile(path);
      }, nullptr);
  rig.Open(dir.File("long.wav"));
  rig.player.Notify = true;
  rig.player.Play();
  rig.Render(100);

  // The second player takes the channel: the first is cut off, keeps its place.
  second->SetFileName(dir.File("short.wav"));
  second->Open();
  second->Play();
  EXPECT_EQ(rig.player.Mode(), MediaMode::Stopped);
  EXPECT_EQ(rig.player.Position(), 100);
  DeliverEvents();
  EXPECT_EQ(rig.notified, 1);
  const auto short_out = rig.Render(300);
  const auto short_tone = SineSamples(900, 200);
  ExpectSamplesMatch(short_out, 0, short_tone, 0, short_tone.size());
  EXPECT_EQ(second->Mode(), MediaMode::Stopped);

  // The first takes it back and goes on from where it was cut off; the second
  // going away leaves it alone.
  rig.player.Play();
  EXPECT_EQ(rig.player.Mode(), MediaMode::Playing);
  const auto resumed = rig.Render(100);
  ExpectSamplesMatch(resumed, 0, long_tone, 100 * 441 / 10, resumed.size());
  DeliverEvents();
  EXPECT_EQ(rig.notified, 1);
  second.reset();
  const auto rest = rig.Render(900);
  ExpectSamplesMatch(rest, 0, long_tone, 200 * 441 / 10, long_tone.size() - 200 * 441 / 10);
  EXPECT_EQ(rig.player.Mode(), MediaMode::Stopped);
  EXPECT_EQ(rig.player.Position(), 1000);
  DeliverEvents();
  EXPECT_EQ(rig.notified, 2);  // Notify is still on: the resumed playback tells its end
}
