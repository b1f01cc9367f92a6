#include "audio_players.h"

#include "audio_engine.h"
#include "source_player.h"
#include "speech_player.h"

namespace tk {

std::unique_ptr<MediaPlayer> CreateMusicPlayer() {
  std::shared_ptr<audio::Engine> engine = audio::Engine::Shared();
  audio::MusicSource* music = &engine->music();
  audio::Engine* raw = engine.get();
  return std::make_unique<audio::SourcePlayer>(
      *music,
      [music](const std::string& path) -> std::shared_ptr<const void> {
        auto data = audio::ReadMidiFile(path);
        music->MarkWanted();
        return data;
      },
      [raw] { raw->Wake(); }, engine);
}

std::unique_ptr<MediaPlayer> CreateEffectsPlayer() {
  std::shared_ptr<audio::Engine> engine = audio::Engine::Shared();
  audio::Engine* raw = engine.get();
  return std::make_unique<audio::SourcePlayer>(
      engine->effects(),
      [](const std::string& path) -> std::shared_ptr<const void> {
        return audio::DecodeSoundFile(path);
      },
      [raw] { raw->Wake(); }, engine);
}

std::unique_ptr<Speaker> CreateSpeechPlayer() {
  std::shared_ptr<audio::Engine> engine = audio::Engine::Shared();
  audio::Engine* raw = engine.get();
  return std::make_unique<audio::SpeechPlayer>(engine->speech(), [raw] { raw->Wake(); }, engine);
}

}  // namespace tk
