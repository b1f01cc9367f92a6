#pragma once
// Sound effects: WAV files decoded whole into memory at the mix's rate, and
// the one-channel source that plays them.

#include <memory>
#include <string>
#include <vector>

#include "mixer.h"

namespace tk::audio {

// A decoded sound: interleaved stereo float at kSampleRate.
struct Clip {
  std::vector<float> samples;
  std::int64_t Frames() const { return static_cast<std::int64_t>(samples.size() / kChannels); }
};

// Reads a sound file (WAV, or anything else libsndfile reads), converts it to
// stereo and resamples it to kSampleRate. Throws tk::MediaError when the file
// cannot be opened or decoded.
std::shared_ptr<const Clip> DecodeSoundFile(const std::string& path);

// Plays one clip at a time; loading another clip cuts off the one playing.
// Positions are in milliseconds.
class EffectsSource final : public CommandSource {
 public:
  bool Active() const override { return playing_; }

 protected:
  void Apply(const Command& command) override;
  void RenderInto(float* out, int frames) override;
  std::int64_t CurrentPosition() const override;

 private:
  std::shared_ptr<const Clip> clip_;
  std::int64_t frame_ = 0;
  bool playing_ = false;
  std::uint64_t playback_ = 0;
};

}  // namespace tk::audio
