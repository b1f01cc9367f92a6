#include "source_player.h"

#include <QMetaObject>
#include <QObject>

namespace tk::audio {

namespace {
// Playback numbers are unique across all players of the process, so an end
// event can never be taken for another player's playback.
std::atomic<std::uint64_t> next_playback{0};
}  // namespace

SourcePlayer::SourcePlayer(CommandSource& source, Decoder decode, std::function<void()> wake,
                           std::shared_ptr<void> keepalive)
    : keepalive_(std::move(keepalive)),
      source_(source),
      decode_(std::move(decode)),
      wake_(std::move(wake)),
      relay_(new QObject) {
}

SourcePlayer::~SourcePlayer() {
  if (Owns()) {
    source_.SetEndHandler({});
    source_.owner = nullptr;
    if (open_) {
      Command unload;
      unload.kind = Command::Kind::Unload;
      Send(std::move(unload));
    }
  }
  delete relay_;
}

void SourcePlayer::Claim() {
  if (Owns()) return;
  if (source_.owner) static_cast<SourcePlayer*>(source_.owner)->Displace();
  source_.owner = this;
  QObject* relay = relay_;
  source_.SetEndHandler([this, relay](std::uint64_t playback) {
    // Runs on the rendering thread: only post. The call is dropped if the
    // player (and with it the relay) is gone before it is delivered.
    QMetaObject::invokeMethod(relay, [this, playback] { OnEnded(playback); }, Qt::QueuedConnection);
  });
  if (open_ && !loaded_) {
    Command load;
    load.kind = Command::Kind::Load;
    load.payload = payload_;
    Send(std::move(load));
    if (displaced_position_ > 0) {
      Command seek;
      seek.kind = Command::Kind::Seek;
      seek.position = displaced_position_;
      Send(std::move(seek));
    }
    expected_position_ = displaced_position_;
    loaded_ = true;
  }
}

void SourcePlayer::Displace() {
  if (loaded_) {
    displaced_ended_ = ReachedEnd();
    displaced_position_ = Position();
  }
  CutOff();
  loaded_ = false;
}

void SourcePlayer::Send(Command command) {
  last_seq_ = source_.Post(std::move(command));
  if (wake_) wake_();
}

bool SourcePlayer::ReachedEnd() const {
  if (!loaded_) return displaced_ended_;
  return playback_ != 0 && source_.EndedPlayback() == playback_;
}

bool SourcePlayer::IsPlaying() const { return open_ && loaded_ && playing_ && !ReachedEnd(); }

MediaMode SourcePlayer::Mode() const {
  if (!open_) return MediaMode::NotReady;
  return IsPlaying() ? MediaMode::Playing : MediaMode::Stopped;
}

std::int64_t SourcePlayer::Position() const {
  if (!open_) return 0;
  if (!loaded_) return displaced_position_;
  if (source_.AppliedSeq() < last_seq_) return expected_position_;
  return source_.PublishedPosition();
}

void SourcePlayer::PostNotify() {
  QMetaObject::invokeMethod(relay_, [this] {
    if (OnNotify) {
      auto callback = OnNotify;  // the callback may destroy this player
      callback();
    }
  }, Qt::QueuedConnection);
}

void SourcePlayer::OnEnded(std::uint64_t playback) {
  if (playback != playback_ || !notify_) return;
  notify_ = false;
  if (OnNotify) {
    auto callback = OnNotify;
    callback();
  }
}

void SourcePlayer::CutOff() {
  if (IsPlaying() && notify_) {
    notify_ = false;
    PostNotify();
  }
  playing_ = false;
}

void SourcePlayer::Open() {
  Close();
  auto payload = decode_(file_name_);  // throws MediaError; the player stays closed
  Claim();
  Command load;
  load.kind = Command::Kind::Load;
  load.payload = payload;
  Send(std::move(load));
  payload_ = std::move(payload);
  open_ = true;
  loaded_ = true;
  playing_ = false;
  repositioned_ = false;
  playback_ = 0;
  expected_position_ = 0;
}

void SourcePlayer::Close() {
  if (!open_) return;
  CutOff();
  if (Owns() && loaded_) {
    Command unload;
    unload.kind = Command::Kind::Unload;
    Send(std::move(unload));
  }
  open_ = false;
  loaded_ = false;
  payload_.reset();
  displaced_position_ = 0;
  displaced_ended_ = false;
  expected_position_ = 0;
}

void SourcePlayer::Play() {
  if (!open_) throw MediaError("the player is not open: " + file_name_);
  if (IsPlaying()) {
    // Goes on; a Play that asks for a notification gets it at the end.
    if (Notify) notify_ = true;
    return;
  }
  const bool ended = ReachedEnd();
  Claim();
  Command play;
  play.kind = Command::Kind::Play;
  if (ended && !repositioned_ && AutoRewind) {
    play.position = 0;
    expected_position_ = 0;
  } else {
    expected_position_ = Position();
  }
  playback_ = ++next_playback;
  play.playback = playback_;
  notify_ = Notify;
  playing_ = true;
  repositioned_ = false;
  Send(std::move(play));
}

void SourcePlayer::Stop() {
  if (!open_) return;
  const bool was_playing = IsPlaying();
  CutOff();
  if (was_playing) {
    expected_position_ = Position();
    Command stop;
    stop.kind = Command::Kind::Stop;
    Send(std::move(stop));
  }
}

void SourcePlayer::Seek(std::int64_t position) {
  if (!open_) throw MediaError("the player is not open: " + file_name_);
  if (position < 0) throw MediaError("negative position");
  if (!loaded_) {
    // Another player holds the source: only remember where to start.
    displaced_position_ = position;
    displaced_ended_ = false;
    repositioned_ = true;
    return;
  }
  CutOff();
  Command seek;
  seek.kind = Command::Kind::Seek;
  seek.position = position;
  Send(std::move(seek));
  expected_position_ = position;
  repositioned_ = true;
}

}  // namespace tk::audio
