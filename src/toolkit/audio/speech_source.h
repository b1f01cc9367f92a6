#pragma once
// Spoken words in the mix: utterances that the synthesiser fills while the
// source already plays them, and the one-voice source that plays them.

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "mixer.h"

namespace tk::audio {

// One utterance: mono samples at kSampleRate, appended by the synthesiser's
// thread and read by the rendering thread as they come.
class Utterance {
 public:
  // --- the synthesiser ---
  void Append(const float* samples, std::size_t count);
  // No more samples will come (also after a failure: an utterance that
  // never got a sample is silence).
  void Finish(std::string voice = {});

  // --- the rendering thread ---
  // Copies up to count samples from position `from` into out; returns how
  // many it copied. Sets *finished when the utterance is complete and every
  // sample from `from` on has been taken.
  std::size_t Read(std::size_t from, float* out, std::size_t count, bool* finished) const;

  // --- any thread ---
  bool Complete() const { return complete_.load(std::memory_order_acquire); }
  // A copy of every sample so far, and the language of the voice that spoke
  // (empty when none did).
  std::vector<float> Samples() const;
  std::string Voice() const;

  // Set when the utterance is cut off or dropped: the synthesiser stops
  // working on it.
  mutable std::atomic<bool> cancelled{false};

 private:
  mutable std::mutex mutex_;
  std::vector<float> samples_;
  std::string voice_;
  std::atomic<bool> complete_{false};
};

// Plays one utterance at a time, in both channels. Commands (the payload is
// the Utterance):
//   Load  the utterance starts now; the one playing fades out over a few
//         milliseconds (no click) and those waiting are dropped;
//   Play  the utterance follows the one playing (at once when none plays);
//   Stop  the one playing fades out, those waiting are dropped.
class SpeechSource final : public CommandSource {
 public:
  // The level of speech in the mix: its peaks a little below those of the
  // sound effects.
  static constexpr float kGain = 0.8f;
  // A cut-off utterance fades out over this many frames (5 ms).
  static constexpr int kFadeFrames = kSampleRate / 200;
  // Utterances that may wait behind the one playing.
  static constexpr std::size_t kMaxWaiting = 2;

  bool Active() const override { return current_ || fading_ || !waiting_.empty(); }

 protected:
  void Apply(const Command& command) override;
  void RenderInto(float* out, int frames) override;
  std::int64_t CurrentPosition() const override { return 0; }

 private:
  struct Playing {
    std::shared_ptr<const Utterance> utterance;
    std::size_t position = 0;
  };
  void Cut();
  // Renders from a playing utterance, with a gain that may ramp; returns
  // false when it has ended.
  bool RenderOne(Playing& playing, float* out, int frames, int fade_left);

  std::unique_ptr<Playing> current_;
  std::unique_ptr<Playing> fading_;
  int fade_left_ = 0;
  std::deque<std::shared_ptr<const Utterance>> waiting_;
  std::vector<float> scratch_;
};

}  // namespace tk::audio
