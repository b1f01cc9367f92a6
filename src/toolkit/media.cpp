#include "toolkit/media.h"

#include <QFileInfo>

namespace tk {
namespace {
MediaPlayerFactory g_factory;
SpeakerFactory g_speakerFactory;
}

void SetMediaPlayerFactory(MediaPlayerFactory factory) { g_factory = std::move(factory); }

std::unique_ptr<MediaPlayer> CreateMediaPlayer(MediaKind kind) {
  if (g_factory) {
    if (auto player = g_factory(kind)) return player;
  }
  return std::make_unique<SilentMediaPlayer>();
}

void SetSpeakerFactory(SpeakerFactory factory) { g_speakerFactory = std::move(factory); }

std::unique_ptr<Speaker> CreateSpeaker() {
  if (g_speakerFactory) {
    if (auto speaker = g_speakerFactory()) return speaker;
  }
  return std::make_unique<SilentSpeaker>();
}

void SilentMediaPlayer::Open() {
  if (!QFileInfo(QString::fromStdString(fileName_)).isFile()) throw MediaError("cannot open " + fileName_);
  position_ = 0;
  mode_ = MediaMode::Stopped;
}

void SilentMediaPlayer::Close() { mode_ = MediaMode::NotReady; }

void SilentMediaPlayer::Play() {
  if (mode_ == MediaMode::NotReady) throw MediaError("not open");
  mode_ = MediaMode::Playing;
}

void SilentMediaPlayer::Stop() {
  if (mode_ == MediaMode::Playing) mode_ = MediaMode::Stopped;
}

}  // namespace tk
