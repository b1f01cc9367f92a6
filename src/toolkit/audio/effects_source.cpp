#include "effects_source.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>

#include "../media_player.h"

namespace tk::audio {

namespace {

struct SndFileCloser {
  void operator()(SNDFILE* file) const { sf_close(file); }
};

// Linear interpolation from rate `from` to kSampleRate, stereo frames.
std::vector<float> Resample(const std::vector<float>& in, int from) {
  const std::int64_t in_frames = static_cast<std::int64_t>(in.size() / kChannels);
  if (in_frames == 0) return {};
  const double step = static_cast<double>(from) / kSampleRate;
  const auto out_frames =
      static_cast<std::int64_t>(std::floor(static_cast<double>(in_frames) / step));
  std::vector<float> out(static_cast<size_t>(out_frames) * kChannels);
  for (std::int64_t i = 0; i < out_frames; ++i) {
    const double x = static_cast<double>(i) * step;
    const auto i0 = std::min<std::int64_t>(static_cast<std::int64_t>(x), in_frames - 1);
    const std::int64_t i1 = std::min<std::int64_t>(i0 + 1, in_frames - 1);
    const auto t = static_cast<float>(x - static_cast<double>(i0));
    for (int c = 0; c < kChannels; ++c) {
      const float a = in[static_cast<size_t>(i0 * kChannels + c)];
      const float b = in[static_cast<size_t>(i1 * kChannels + c)];
      out[static_cast<size_t>(i * kChannels + c)] = a + (b - a) * t;
    }
  }
  return out;
}

}  // namespace

std::shared_ptr<const Clip> DecodeSoundFile(const std::string& path) {
  SF_INFO info{};
  std::unique_ptr<SNDFILE, SndFileCloser> file(sf_open(path.c_str(), SFM_READ, &info));
  if (!file) throw MediaError("cannot open sound file " + path + ": " + sf_strerror(nullptr));
  if (info.channels < 1 || info.samplerate < 1) throw MediaError("unplayable sound file " + path);

  std::vector<float> raw(static_cast<size_t>(info.frames) * static_cast<size_t>(info.channels));
  const sf_count_t got = sf_readf_float(file.get(), raw.data(), info.frames);
  if (got < 0) throw MediaError("cannot decode sound file " + path);

  // Mono becomes both channels; more than two channels keep the first two.
  std::vector<float> stereo(static_cast<size_t>(got) * kChannels);
  for (sf_count_t i = 0; i < got; ++i) {
    const float* frame = &raw[static_cast<size_t>(i * info.channels)];
    stereo[static_cast<size_t>(i * 2)] = frame[0];
    stereo[static_cast<size_t>(i * 2 + 1)] = info.channels > 1 ? frame[1] : frame[0];
  }
  auto clip = std::make_shared<Clip>();
  clip->samples = info.samplerate == kSampleRate ? std::move(stereo)
                                                 : Resample(stereo, info.samplerate);
  return clip;
}

void EffectsSource::Apply(const Command& command) {
  switch (command.kind) {
    case Command::Kind::Load:
      clip_ = std::static_pointer_cast<const Clip>(command.payload);
      frame_ = 0;
      playing_ = false;
      break;
    case Command::Kind::Unload:
      clip_.reset();
      frame_ = 0;
      playing_ = false;
      break;
    case Command::Kind::Play:
      if (!clip_) break;
      if (command.position >= 0) {
        frame_ = std::min(command.position * kSampleRate / 1000, clip_->Frames());
      }
      playing_ = true;
      playback_ = command.playback;
      break;
    case Command::Kind::Stop:
      playing_ = false;
      break;
    case Command::Kind::Seek:
      if (clip_) frame_ = std::clamp<std::int64_t>(command.position * kSampleRate / 1000, 0, clip_->Frames());
      playing_ = false;
      break;
  }
}

void EffectsSource::RenderInto(float* out, int frames) {
  if (!playing_ || !clip_) return;
  const std::int64_t n = std::min<std::int64_t>(frames, clip_->Frames() - frame_);
  const float* src = clip_->samples.data() + frame_ * kChannels;
  for (std::int64_t i = 0; i < n * kChannels; ++i) out[i] += src[i];
  frame_ += n;
  if (frame_ >= clip_->Frames()) {
    playing_ = false;
    ReachedEnd(playback_);
  }
}

std::int64_t EffectsSource::CurrentPosition() const {
  return frame_ * 1000 / kSampleRate;
}

}  // namespace tk::audio
