#include "toolkit/deferred_audio.h"

#include <dlfcn.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QMetaObject>
#include <algorithm>
#include <thread>
#include <utility>
#include <vector>

namespace tk {
namespace {

using CreatePlayerFn = MediaPlayer* (*)(int kind);
using CreateSpeakerFn = Speaker* (*)();

// The players, or the speakers, made before the module was there.
template <class Deferred>
std::vector<Deferred*>& Waiting() {
  static std::vector<Deferred*> waiting;
  return waiting;
}
template <class Deferred>
void StopWaiting(Deferred* deferred) {
  auto& w = Waiting<Deferred>();
  w.erase(std::remove(w.begin(), w.end(), deferred), w.end());
}
MediaPlayerFactory g_moduleFactory;  // set once the module is loaded
SpeakerFactory g_speakerFactory;
bool g_loaded = false;

class DeferredSpeaker : public Speaker {
 public:
  DeferredSpeaker() {
    if (g_speakerFactory) real_ = g_speakerFactory();
    else Waiting<DeferredSpeaker>().push_back(this);
  }
  ~DeferredSpeaker() override { StopWaiting(this); }
  void Adopt(std::unique_ptr<Speaker> real) { real_ = std::move(real); }
  void Speak(const std::string& text, const std::string& language, SpeechOrder order) override {
    if (real_) real_->Speak(text, language, order);
  }
  void Stop() override {
    if (real_) real_->Stop();
  }

 private:
  std::unique_ptr<Speaker> real_;
};

class DeferredPlayer : public MediaPlayer {
 public:
  explicit DeferredPlayer(MediaKind kind) : kind_(kind) {
    if (g_moduleFactory) Adopt(g_moduleFactory(kind_));
    else Waiting<DeferredPlayer>().push_back(this);
  }
  ~DeferredPlayer() override { StopWaiting(this); }

  // Takes over a real player and gives it everything asked for so far.
  void Adopt(std::unique_ptr<MediaPlayer> real) {
    if (!real) return;
    real_ = std::move(real);
    real_->OnNotify = [this] {
      if (OnNotify) OnNotify();
    };
    real_->AutoRewind = AutoRewind;
    real_->SetFileName(fileName_);
    if (mode_ != MediaMode::NotReady) {
      try {
        real_->Open();
        real_->Seek(position_);
        if (mode_ == MediaMode::Playing) {
          real_->Notify = notifyAtPlay_;
          real_->Play();
        }
      } catch (const MediaError&) {
        // The file was there but cannot be played: silence.
      }
    }
    real_->Notify = Notify;
  }
  MediaKind Kind() const { return kind_; }

  void SetFileName(const std::string& path) override {
    fileName_ = path;
    if (real_) real_->SetFileName(path);
  }
  std::string FileName() const override { return real_ ? real_->FileName() : fileName_; }
  void Open() override {
    if (real_) return Sync()->Open();
    if (!QFileInfo(QString::fromStdString(fileName_)).isFile()) throw MediaError("cannot open " + fileName_);
    mode_ = MediaMode::Stopped;
    position_ = 0;
  }
  void Close() override {
    if (real_) return Sync()->Close();
    mode_ = MediaMode::NotReady;
  }
  void Play() override {
    if (real_) return Sync()->Play();
    if (mode_ == MediaMode::NotReady) throw MediaError("not open");
    if (mode_ != MediaMode::Playing) notifyAtPlay_ = Notify;
    mode_ = MediaMode::Playing;
  }
  void Stop() override {
    if (real_) return Sync()->Stop();
    if (mode_ == MediaMode::Playing) mode_ = MediaMode::Stopped;
  }
  void Rewind() override {
    if (real_) return Sync()->Rewind();
    position_ = 0;
  }
  void Seek(std::int64_t position) override {
    if (real_) return Sync()->Seek(position);
    position_ = position;
  }
  std::int64_t Position() const override { return real_ ? real_->Position() : position_; }
  MediaMode Mode() const override { return real_ ? real_->Mode() : mode_; }

 private:
  // The flags are fields of the interface: the real player gets them anew
  // with every request.
  MediaPlayer* Sync() {
    real_->Notify = Notify;
    real_->AutoRewind = AutoRewind;
    return real_.get();
  }

  MediaKind kind_;
  std::unique_ptr<MediaPlayer> real_;
  std::string fileName_;
  MediaMode mode_ = MediaMode::NotReady;
  std::int64_t position_ = 0;
  bool notifyAtPlay_ = false;
};

}  // namespace

void HandOverDeferredPlayers(const MediaPlayerFactory& factory, const SpeakerFactory& speakers) {
  g_moduleFactory = factory;
  g_speakerFactory = speakers;
  g_loaded = static_cast<bool>(factory);
  const std::vector<DeferredPlayer*> players = std::exchange(Waiting<DeferredPlayer>(), {});
  const std::vector<DeferredSpeaker*> waitingSpeakers = std::exchange(Waiting<DeferredSpeaker>(), {});
  if (speakers) {
    for (DeferredSpeaker* speaker : waitingSpeakers) speaker->Adopt(speakers());
  }
  if (!factory) return;
  for (DeferredPlayer* player : players) player->Adopt(factory(player->Kind()));
}

bool AudioModuleLoaded() { return g_loaded; }

std::unique_ptr<MediaPlayer> CreateDeferredPlayer(MediaKind kind) { return std::make_unique<DeferredPlayer>(kind); }

std::unique_ptr<Speaker> CreateDeferredSpeaker() { return std::make_unique<DeferredSpeaker>(); }

void LoadAudioModuleInBackground(const std::string& path) {
  std::thread([path] {
    // The module's libraries stay out of the program's own symbol scope.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    auto create = handle ? reinterpret_cast<CreatePlayerFn>(dlsym(handle, "tamiro_audio_create_player")) : nullptr;
    if (!create) return;
    auto speaker = reinterpret_cast<CreateSpeakerFn>(dlsym(handle, "tamiro_audio_create_speaker"));
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return;
    QMetaObject::invokeMethod(
        app,
        [create, speaker] {
          SpeakerFactory speakers;
          if (speaker) speakers = [speaker] { return std::unique_ptr<Speaker>(speaker()); };
          HandOverDeferredPlayers(
              [create](MediaKind kind) {
                return std::unique_ptr<MediaPlayer>(create(kind == MediaKind::Music ? 0 : 1));
              },
              speakers);
        },
        Qt::QueuedConnection);
  }).detach();
}

}  // namespace tk
