// The speaker rendered offline: a new utterance cuts off the one playing
// without a click, a following one waits its turn, and a synthesiser that
// hangs or fails costs silence and never a wait.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "speech_player.h"

using namespace tk::audio;
using tk::SpeechOrder;

namespace {

// Speaks every text as a steady level for a fifth of a second: the text's
// number in hundredths ("25" is 0.25), so the test can tell the utterances
// apart in the mix.
class LevelEngine final : public SpeechEngine {
 public:
  int SampleRate() const override { return 22050; }
  bool SelectVoice(const std::string& language) override { return language != "none"; }
  bool Synthesize(const std::string& text, const std::function<bool(const short*, int)>& take) override {
    const std::vector<short> block(441, static_cast<short>(std::stoi(text) * 32768 / 100));  // 20 ms
    for (int i = 0; i < 10; ++i)
      if (!take(block.data(), static_cast<int>(block.size()))) break;
    return true;
  }
};

// Never finishes an utterance until it is let go.
struct Gate {
  std::mutex mutex;
  std::condition_variable opened;
  bool open = false;
  std::atomic<int> entered{0};
};
class HangingEngine final : public SpeechEngine {
 public:
  explicit HangingEngine(std::shared_ptr<Gate> gate) : gate_(std::move(gate)) {}
  int SampleRate() const override { return 22050; }
  bool SelectVoice(const std::string&) override { return true; }
  bool Synthesize(const std::string&, const std::function<bool(const short*, int)>&) override {
    ++gate_->entered;
    std::unique_lock lock(gate_->mutex);
    gate_->opened.wait(lock, [&] { return gate_->open; });
    return false;
  }

 private:
  std::shared_ptr<Gate> gate_;
};

// A speaker whose mix the test renders itself, in 10 ms blocks.
struct SpeechRig {
  SpeechSource source;
  Mixer mixer;
  SpeechPlayer player;
  explicit SpeechRig(SpeechSynthesizer::EngineFactory engine)
      : player(source, nullptr, {}, std::move(engine)) {
    mixer.AddSource(&source);
  }
  // The left channel of the next milliseconds of the mix.
  std::vector<float> Render(int milliseconds) {
    std::vector<float> left, block(441 * 2);
    for (int done = 0; done < milliseconds; done += 10) {
      mixer.Render(block.data(), 441);
      for (int i = 0; i < 441; ++i) left.push_back(block[static_cast<size_t>(2 * i)]);
    }
    return left;
  }
  // Renders until the speech starts; false when it does not within a second
  // of waiting for the synthesiser.
  bool RenderUntilSound(std::vector<float>& mix) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
      std::vector<float> block = Render(10);
      const bool sounding = std::any_of(block.begin(), block.end(), [](float x) { return x != 0.0f; });
      mix.insert(mix.end(), block.begin(), block.end());
      if (sounding) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
  }
};

float Level(int hundredths) { return SpeechSource::kGain * static_cast<float>(hundredths * 32768 / 100) / 32768.0f; }

// The longest run of samples at a level.
struct Stretch {
  size_t first = 0, length = 0;
  size_t End() const { return first + length; }
  double Seconds() const { return static_cast<double>(length) / 44100; }
};
Stretch At(const std::vector<float>& mix, float level) {
  Stretch longest, run;
  for (size_t i = 0; i < mix.size(); ++i) {
    if (std::fabs(mix[i] - level) > 1e-4f) {
      run = {i + 1, 0};
      continue;
    }
    if (++run.length > longest.length) longest = run;
  }
  return longest;
}

}  // namespace

TEST(Speech, ANewUtteranceCutsTheOneSpeakingAndAFollowingOneWaitsItsTurn) {
  SpeechRig rig([] { return std::make_unique<LevelEngine>(); });
  std::vector<float> start;
  rig.player.Speak("20", "sv", SpeechOrder::Now);
  ASSERT_TRUE(rig.RenderUntilSound(start)) << "the first utterance is heard";
  EXPECT_NEAR(rig.Render(50).back(), Level(20), 1e-4f);

  // The new utterance starts at once, the old one is gone after its fade,
  // and the one that waits follows the new one, each whole. The synthesis
  // takes a moment: the test waits for it before rendering on.
  rig.player.Speak("50", "sv", SpeechOrder::Now);
  rig.player.Speak("10", "sv", SpeechOrder::AfterCurrent);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const std::vector<float> mix = rig.Render(600);
  // The old one's fade and the new one's first samples take the first few
  // milliseconds; after them the new one is alone, for its whole length.
  const Stretch cutting = At(mix, Level(50)), waiting = At(mix, Level(10));
  EXPECT_LE(cutting.first, static_cast<size_t>(SpeechSource::kFadeFrames) + 16) << "the old one fades out at once";
  EXPECT_NEAR(static_cast<double>(cutting.End()) / 44100, 0.2, 0.002) << "and plays to its end";
  EXPECT_GE(waiting.first, cutting.End());
  EXPECT_LT(waiting.first, cutting.End() + 64) << "the waiting one follows at once";
  EXPECT_NEAR(waiting.Seconds(), 0.2, 0.002);
  EXPECT_LT(At(mix, Level(20)).length, 16u) << "the first one never comes back";

  // Stop: what is said fades out without a click, and what waits is dropped.
  rig.player.Speak("30", "sv", SpeechOrder::Now);
  rig.player.Speak("40", "sv", SpeechOrder::AfterCurrent);
  std::vector<float> before;
  ASSERT_TRUE(rig.RenderUntilSound(before));
  rig.Render(30);
  rig.player.Stop();
  const std::vector<float> after = rig.Render(400);
  const size_t fade = SpeechSource::kFadeFrames;
  for (size_t i = 1; i < fade; ++i) {
    EXPECT_LE(after[i], after[i - 1] + 1e-6f);
    EXPECT_LE(after[i - 1] - after[i], 1.01f * Level(30) / static_cast<float>(fade)) << "sample " << i;
  }
  for (size_t i = fade; i < after.size(); ++i) ASSERT_EQ(after[i], 0.0f) << "sample " << i;
  EXPECT_TRUE(rig.mixer.Idle());
}

TEST(Speech, ALanguageWithoutItsOwnVoiceAndASynthesiserThatCannotStartAreSilent) {
  for (bool starts : {true, false}) {
    SCOPED_TRACE(starts ? "no voice" : "no synthesiser");
    SpeechRig rig([starts]() -> std::unique_ptr<SpeechEngine> {
      if (!starts) return nullptr;
      return std::make_unique<LevelEngine>();
    });
    rig.player.Speak("50", starts ? "none" : "sv", SpeechOrder::Now);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const std::vector<float> mix = rig.Render(300);
    EXPECT_TRUE(std::all_of(mix.begin(), mix.end(), [](float x) { return x == 0.0f; }));
    EXPECT_TRUE(rig.mixer.Idle()) << "a silent utterance ends";
  }
}

TEST(Speech, ASynthesiserThatHangsNeverHoldsUpTheCallerOrTheMix) {
  auto gate = std::make_shared<Gate>();
  {
    SpeechRig rig([gate] { return std::make_unique<HangingEngine>(gate); });
    // A child mashing: every request returns while the synthesiser is stuck
    // in the first one, and the mix goes on (silent).
    rig.player.Speak("50", "sv", SpeechOrder::Now);
    for (int i = 0; i < 500 && gate->entered.load() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(gate->entered.load(), 1) << "the synthesiser is stuck in the first utterance";
    for (int i = 0; i < 200; ++i) rig.player.Speak("50", "sv", i % 2 ? SpeechOrder::Now : SpeechOrder::AfterCurrent);
    const std::vector<float> mix = rig.Render(100);
    EXPECT_TRUE(std::all_of(mix.begin(), mix.end(), [](float x) { return x == 0.0f; }));
    EXPECT_EQ(gate->entered.load(), 1);
    // The player goes (at most two seconds' wait), the stuck thread stays.
  }
  {
    std::lock_guard lock(gate->mutex);
    gate->open = true;
  }
  gate->opened.notify_all();
}
