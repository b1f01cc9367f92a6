#include "speech_source.h"

#include <algorithm>

namespace tk::audio {

void Utterance::Append(const float* samples, std::size_t count) {
  std::lock_guard lock(mutex_);
  samples_.insert(samples_.end(), samples, samples + count);
}

void Utterance::Finish(std::string voice) {
  {
    std::lock_guard lock(mutex_);
    voice_ = std::move(voice);
  }
  complete_.store(true, std::memory_order_release);
}

std::size_t Utterance::Read(std::size_t from, float* out, std::size_t count, bool* finished) const {
  // Complete is read before the samples: what was appended before Finish is
  // then all there.
  const bool complete = Complete();
  std::lock_guard lock(mutex_);
  const std::size_t available = from < samples_.size() ? samples_.size() - from : 0;
  const std::size_t n = std::min(available, count);
  std::copy_n(samples_.begin() + static_cast<std::ptrdiff_t>(from), n, out);
  *finished = complete && n == available;
  return n;
}

std::vector<float> Utterance::Samples() const {
  std::lock_guard lock(mutex_);
  return samples_;
}

std::string Utterance::Voice() const {
  std::lock_guard lock(mutex_);
  return voice_;
}

void SpeechSource::Cut() {
  if (current_) {
    current_->utterance->cancelled.store(true, std::memory_order_relaxed);
    // The one fading already is dropped: two cuts within a few
    // milliseconds fade the newer one only.
    fading_ = std::move(current_);
    fade_left_ = kFadeFrames;
  }
  for (const auto& waiting : waiting_) waiting->cancelled.store(true, std::memory_order_relaxed);
  waiting_.clear();
}

void SpeechSource::Apply(const Command& command) {
  auto utterance = std::static_pointer_cast<const Utterance>(command.payload);
  switch (command.kind) {
    case Command::Kind::Load:
      Cut();
      if (utterance) current_ = std::make_unique<Playing>(Playing{utterance, 0});
      break;
    case Command::Kind::Play:
      if (!utterance) break;
      if (!current_) {
        current_ = std::make_unique<Playing>(Playing{utterance, 0});
      } else {
        if (waiting_.size() == kMaxWaiting) {
          waiting_.front()->cancelled.store(true, std::memory_order_relaxed);
          waiting_.pop_front();
        }
        waiting_.push_back(std::move(utterance));
      }
      break;
    case Command::Kind::Stop:
    case Command::Kind::Unload:
      Cut();
      break;
    case Command::Kind::Seek:
      break;
  }
}

bool SpeechSource::RenderOne(Playing& playing, float* out, int frames, int fade_left) {
  scratch_.resize(static_cast<std::size_t>(frames));
  bool finished = false;
  const std::size_t n = playing.utterance->Read(playing.position, scratch_.data(), scratch_.size(), &finished);
  playing.position += n;
  for (std::size_t i = 0; i < n; ++i) {
    float gain = kGain;
    if (fade_left >= 0) gain *= std::max(0.0f, static_cast<float>(fade_left - static_cast<int>(i)) / kFadeFrames);
    out[i * kChannels] += gain * scratch_[i];
    out[i * kChannels + 1] += gain * scratch_[i];
  }
  return !finished;
}

void SpeechSource::RenderInto(float* out, int frames) {
  if (fading_) {
    const int n = std::min(frames, fade_left_);
    if (!RenderOne(*fading_, out, n, fade_left_) || (fade_left_ -= n) <= 0) fading_.reset();
  }
  int done = 0;
  while (current_ && done < frames) {
    Playing& playing = *current_;
    const std::size_t before = playing.position;
    const bool goes_on = RenderOne(playing, out + static_cast<std::ptrdiff_t>(done) * kChannels, frames - done, -1);
    done += static_cast<int>(playing.position - before);
    if (goes_on) break;  // waits for the synthesiser, or the block is full
    current_.reset();
    if (!waiting_.empty()) {
      current_ = std::make_unique<Playing>(Playing{std::move(waiting_.front()), 0});
      waiting_.pop_front();
    }
  }
}

}  // namespace tk::audio
