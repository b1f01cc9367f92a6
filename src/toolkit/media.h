#pragma once
// Creating the program's two media players and its speaker. The program
// installs the real audio players at start-up; tests install recording fakes.
// Until a factory is installed, players are silent: they keep their file
// name, position and mode like a real player but make no sound; the speaker
// says nothing.

#include <functional>
#include <memory>

#include "toolkit/media_player.h"
#include "toolkit/speaker.h"

namespace tk {

enum class MediaKind { Music, Effects };
using MediaPlayerFactory = std::function<std::unique_ptr<MediaPlayer>(MediaKind)>;

void SetMediaPlayerFactory(MediaPlayerFactory factory);
std::unique_ptr<MediaPlayer> CreateMediaPlayer(MediaKind kind);

using SpeakerFactory = std::function<std::unique_ptr<Speaker>()>;
void SetSpeakerFactory(SpeakerFactory factory);
std::unique_ptr<Speaker> CreateSpeaker();

// A speaker that says nothing.
class SilentSpeaker : public Speaker {
 public:
  void Speak(const std::string&, const std::string&, SpeechOrder) override {}
  void Stop() override {}
};

// A player that plays nothing; Open fails for files that do not exist.
class SilentMediaPlayer : public MediaPlayer {
 public:
  void SetFileName(const std::string& path) override { fileName_ = path; }
  std::string FileName() const override { return fileName_; }
  void Open() override;
  void Close() override;
  void Play() override;
  void Stop() override;
  void Rewind() override { position_ = 0; }
  void Seek(std::int64_t position) override { position_ = position; }
  std::int64_t Position() const override { return position_; }
  MediaMode Mode() const override { return mode_; }

 private:
  std::string fileName_;
  std::int64_t position_ = 0;
  MediaMode mode_ = MediaMode::NotReady;
};

}  // namespace tk
