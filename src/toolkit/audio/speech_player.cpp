#include "speech_player.h"

namespace tk::audio {

SpeechPlayer::SpeechPlayer(SpeechSource& source, std::function<void()> wake, std::shared_ptr<void> keepalive,
                           SpeechSynthesizer::EngineFactory engine)
    : keepalive_(std::move(keepalive)), source_(source), wake_(std::move(wake)), engine_(std::move(engine)) {}

SpeechPlayer::~SpeechPlayer() {
  Stop();
  synthesizer_.reset();
}

void SpeechPlayer::Send(Command command) {
  source_.Post(std::move(command));
  if (wake_) wake_();
}

void SpeechPlayer::Speak(const std::string& text, const std::string& language, SpeechOrder order) {
  if (text.empty() || language.empty()) return;
  auto utterance = std::make_shared<Utterance>();
  Command command;
  command.kind = order == SpeechOrder::Now ? Command::Kind::Load : Command::Kind::Play;
  command.payload = utterance;
  Send(std::move(command));
  if (!synthesizer_) synthesizer_ = std::make_unique<SpeechSynthesizer>(engine_);
  synthesizer_->Submit(std::move(utterance), text, language, order == SpeechOrder::Now);
}

void SpeechPlayer::Stop() {
  if (!synthesizer_) return;  // nothing was ever said
  synthesizer_->CancelAll();
  Command stop;
  stop.kind = Command::Kind::Stop;
  Send(std::move(stop));
}

}  // namespace tk::audio
