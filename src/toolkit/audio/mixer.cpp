#include "mixer.h"

#include <algorithm>
#include <cstring>

namespace tk::audio {

std::uint64_t CommandSource::Post(Command command) {
  std::lock_guard lock(queue_mutex_);
  command.seq = ++next_seq_;
  const std::uint64_t seq = command.seq;
  queue_.push_back(std::move(command));
  pending_.store(true, std::memory_order_release);
  return seq;
}

void CommandSource::SetEndHandler(std::function<void(std::uint64_t)> handler) {
  std::lock_guard lock(handler_mutex_);
  end_handler_ = std::move(handler);
}

void CommandSource::ReachedEnd(std::uint64_t playback) {
  ended_.store(playback, std::memory_order_release);
  std::lock_guard lock(handler_mutex_);
  if (end_handler_) end_handler_(playback);
}

void CommandSource::Render(float* out, int frames) {
  std::uint64_t last_seq = 0;
  if (pending_.load(std::memory_order_acquire)) {
    {
      std::lock_guard lock(queue_mutex_);
      taken_.swap(queue_);
      pending_.store(false, std::memory_order_release);
    }
    for (const Command& command : taken_) {
      Apply(command);
      last_seq = command.seq;
    }
    taken_.clear();  // drops decoded files that are no longer needed
  }
  if (frames > 0) RenderInto(out, frames);
  position_.store(CurrentPosition(), std::memory_order_relaxed);
  if (last_seq != 0) applied_seq_.store(last_seq, std::memory_order_release);
}

void Mixer::Render(float* out, int frames) {
  std::memset(out, 0, sizeof(float) * static_cast<size_t>(frames) * kChannels);
  for (CommandSource* source : sources_) source->Render(out, frames);
  const size_t n = static_cast<size_t>(frames) * kChannels;
  for (size_t i = 0; i < n; ++i) out[i] = std::clamp(out[i], -1.0f, 1.0f);
  if (tap) tap(out, frames);
}

bool Mixer::Idle() const {
  return std::none_of(sources_.begin(), sources_.end(), [](const CommandSource* s) {
    return s->Active() || s->HasPendingCommands();
  });
}

}  // namespace tk::audio
