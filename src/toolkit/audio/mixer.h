#pragma once
// The audio-thread side of sound: sources that render into a mix, the
// command queue through which the user-interface thread steers them, and the
// mixer that sums them.
//
// Threading: a source is rendered on one thread only (the audio thread, or a
// test's own thread). The user-interface thread never waits for rendering: it
// appends commands to a queue guarded by a mutex that is held only to push or
// take the queue, and it reads what the source publishes through atomics.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace tk::audio {

// The output format of the mix: interleaved stereo float at 44.1 kHz.
inline constexpr int kSampleRate = 44100;
inline constexpr int kChannels = 2;

// A request from a player to its source. Positions are in the player's
// units (milliseconds for effects, MIDI ticks for music).
struct Command {
  enum class Kind { Load, Unload, Play, Stop, Seek };
  Kind kind = Kind::Stop;
  std::uint64_t seq = 0;       // set by CommandSource::Post
  std::uint64_t playback = 0;  // Play: the playback that starts
  std::int64_t position = -1;  // Play: where to start (-1: where it is); Seek
  std::shared_ptr<const void> payload;  // Load: the decoded file
};

class CommandSource {
 public:
  CommandSource() = default;
  CommandSource(const CommandSource&) = delete;
  CommandSource& operator=(const CommandSource&) = delete;
  virtual ~CommandSource() = default;

  // --- any thread (the user-interface thread in practice) ---
  // Queues a command and returns its sequence number.
  std::uint64_t Post(Command command);
  // The newest command that rendering has taken into account.
  std::uint64_t AppliedSeq() const { return applied_seq_.load(std::memory_order_acquire); }
  // Position published after the last render (player units).
  std::int64_t PublishedPosition() const { return position_.load(std::memory_order_relaxed); }
  // The last playback that reached its end (0: none).
  std::uint64_t EndedPlayback() const { return ended_.load(std::memory_order_acquire); }
  // Called on the rendering thread when a playback reaches its end. Setting
  // it waits only for a handler call in progress (which merely posts an
  // event), never for rendering.
  void SetEndHandler(std::function<void(std::uint64_t)> handler);
  bool HasPendingCommands() const { return pending_.load(std::memory_order_acquire); }

  // The player whose file the source holds. Players share a source when more
  // than one of a kind exists; they hand it over among themselves on the
  // user-interface thread, which is the only thread that touches this.
  void* owner = nullptr;

  // --- rendering thread ---
  // Applies queued commands, then adds this source's sound to out
  // (interleaved stereo, frames frames) and publishes position and state.
  void Render(float* out, int frames);
  // True while the source plays or still sounds (release tails).
  virtual bool Active() const = 0;

 protected:
  virtual void Apply(const Command& command) = 0;
  virtual void RenderInto(float* out, int frames) = 0;
  virtual std::int64_t CurrentPosition() const = 0;
  // Called by RenderInto (or Apply) when the playing playback reaches its end.
  void ReachedEnd(std::uint64_t playback);

 private:
  std::mutex queue_mutex_;
  std::vector<Command> queue_;
  std::uint64_t next_seq_ = 0;
  std::atomic<bool> pending_{false};
  std::vector<Command> taken_;  // rendering thread only

  std::atomic<std::uint64_t> applied_seq_{0};
  std::atomic<std::int64_t> position_{0};
  std::atomic<std::uint64_t> ended_{0};

  std::mutex handler_mutex_;
  std::function<void(std::uint64_t)> end_handler_;
};

// Sums its sources into the output with clipping to [-1, 1].
class Mixer {
 public:
  // Sources are not owned; they must outlive the mixer's rendering.
  void AddSource(CommandSource* source) { sources_.push_back(source); }
  // Renders frames frames of interleaved stereo into out (overwriting it).
  void Render(float* out, int frames);
  // True when nothing plays and no command waits: the output may go quiet.
  bool Idle() const;

  // Sees every block the mixer renders, on the rendering thread (for
  // measuring and recording what leaves it). Set before rendering starts.
  std::function<void(const float* mix, int frames)> tap;

 private:
  std::vector<CommandSource*> sources_;
};

}  // namespace tk::audio
