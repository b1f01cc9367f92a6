#pragma once
// The one audio output of the program: a PulseAudio playback stream on an
// audio thread of its own, fed by the mixer of the effects, the music and
// the speech sources. The server asks for sound when its buffer runs low and
// the thread sleeps in between; after a second of silence the stream is
// corked and the thread sleeps until the next request.
//
// Everything that may take long (connecting to the sound server, loading the
// SoundFont) happens on the audio thread, at first use. The user-interface
// thread only posts: it never waits for the audio thread, so a sound server
// that hangs delays sound and nothing else. Without a server the mix is
// still rendered (into nothing) at the pace of a clock, so playbacks advance
// and end just as they would with sound.

#include <atomic>
#include <memory>

#include "effects_source.h"
#include "mixer.h"
#include "music_source.h"
#include "speech_source.h"

class QThread;
struct pa_mainloop;

namespace tk::audio {

class Output;

// What the user-interface thread and the audio thread share.
struct EngineCore {
  EffectsSource effects;
  MusicSource music;
  SpeechSource speech;
  Mixer mixer;
  std::atomic<bool> wake_posted{false};
  std::atomic<bool> quit{false};
  pa_mainloop* loop = nullptr;  // the audio thread's; woken from any thread
  EngineCore();
  ~EngineCore();
};

class Engine {
 public:
  // The engine shared by all players, created on first use; it shuts down
  // when the last holder lets it go.
  static std::shared_ptr<Engine> Shared();
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  EffectsSource& effects() { return core_->effects; }
  MusicSource& music() { return core_->music; }
  SpeechSource& speech() { return core_->speech; }
  // What the output plays; its tap may be set before the first Wake.
  Mixer& mixer() { return core_->mixer; }

  // User-interface thread, after a request: starts the audio thread the first
  // time, and asks it to set up or resume the output. Never blocks.
  void Wake();

 private:
  Engine();
  std::shared_ptr<EngineCore> core_;
  QThread* thread_ = nullptr;
};

}  // namespace tk::audio
