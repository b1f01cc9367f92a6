#pragma once
// Text to speech on a thread of its own: the synthesiser (libespeak-ng)
// fills utterances that the speech source is already playing.
//
// The synthesiser starts, and loads its first voice, with the first request,
// so that a program that never speaks never loads it. The requesting thread
// only queues: it never waits for synthesis, so a synthesiser that fails or
// hangs costs sound and nothing else.

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "speech_source.h"

namespace tk::audio {

// What turns text into samples. Used on the synthesiser's thread only.
class SpeechEngine {
 public:
  virtual ~SpeechEngine() = default;
  // Samples per second of what Synthesize hands over (mono, 16-bit).
  virtual int SampleRate() const = 0;
  // Chooses the voice of exactly this language; false when there is none
  // (the voice in use is then undefined: nothing may be spoken with it).
  virtual bool SelectVoice(const std::string& language) = 0;
  // Speaks UTF-8 text with the chosen voice, handing over the samples as
  // they are made; `take` returns false to stop. False on a failure.
  virtual bool Synthesize(const std::string& text, const std::function<bool(const short*, int)>& take) = 0;
};

// libespeak-ng with its installed voices; null when it cannot start (no
// voice data). Only one may exist in a process.
std::unique_ptr<SpeechEngine> CreateEspeakEngine();

class SpeechSynthesizer {
 public:
  using EngineFactory = std::function<std::unique_ptr<SpeechEngine>()>;
  // The engine is made on the synthesiser's thread, with its first request.
  explicit SpeechSynthesizer(EngineFactory factory = CreateEspeakEngine);
  // Waits at most two seconds for the thread to end; a thread stuck in the
  // engine is left behind with what it holds.
  ~SpeechSynthesizer();
  SpeechSynthesizer(const SpeechSynthesizer&) = delete;
  SpeechSynthesizer& operator=(const SpeechSynthesizer&) = delete;

  // Queues text for an utterance, spoken with the voice of the language.
  // With cut, the utterances queued or in the making are given up first.
  // The utterance is finished in every case, silent when anything fails.
  void Submit(std::shared_ptr<Utterance> utterance, std::string text, std::string language, bool cut);
  // Gives up everything queued or in the making.
  void CancelAll();

 private:
  struct Job {
    std::shared_ptr<Utterance> utterance;
    std::string text;
    std::string language;
  };
  struct State {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Job> jobs;
    std::shared_ptr<Utterance> working;  // the utterance in the making
    bool quit = false;
    bool stopped = false;
    std::condition_variable ended;
  };
  static void Run(std::shared_ptr<State> state, EngineFactory factory);
  static void CancelLocked(State& state);

  std::shared_ptr<State> state_;
  bool started_ = false;
  EngineFactory factory_;
};

}  // namespace tk::audio
