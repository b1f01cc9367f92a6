#pragma once
// The user-interface side of speech: a tk::Speaker that hands each utterance
// to the speech source at once (so that it cuts or queues at the moment of
// the request) and its text to the synthesiser, which fills it.

#include <functional>
#include <memory>
#include <string>

#include "../speaker.h"
#include "speech_synth.h"

namespace tk::audio {

class SpeechPlayer final : public tk::Speaker {
 public:
  // wake is called after every request (the output resumes on it);
  // keepalive holds whatever the source lives in until the player is gone.
  // The synthesiser starts with the first utterance.
  SpeechPlayer(SpeechSource& source, std::function<void()> wake, std::shared_ptr<void> keepalive = {},
               SpeechSynthesizer::EngineFactory engine = CreateEspeakEngine);
  ~SpeechPlayer() override;

  void Speak(const std::string& text, const std::string& language, SpeechOrder order) override;
  void Stop() override;

 private:
  void Send(Command command);

  std::shared_ptr<void> keepalive_;  // destroyed last
  SpeechSource& source_;
  std::function<void()> wake_;
  SpeechSynthesizer::EngineFactory engine_;
  std::unique_ptr<SpeechSynthesizer> synthesizer_;
};

}  // namespace tk::audio
