#pragma once
// A tk::MediaPlayer on top of a CommandSource: the user-interface side of a
// player. It keeps what it has asked for (open, playing, where), sends the
// requests to the source and reads back what the source publishes, so no call
// ever waits for the audio thread.

#include <functional>
#include <memory>
#include <string>

#include "../media_player.h"
#include "mixer.h"

class QObject;

namespace tk::audio {

class SourcePlayer : public tk::MediaPlayer {
 public:
  // Reads and decodes a file for the source; throws tk::MediaError.
  using Decoder = std::function<std::shared_ptr<const void>(const std::string& path)>;

  // wake is called after every request (the output resumes on it); keepalive
  // holds whatever the source lives in until the player is gone.
  SourcePlayer(CommandSource& source, Decoder decode, std::function<void()> wake,
               std::shared_ptr<void> keepalive = {});
  ~SourcePlayer() override;

  void SetFileName(const std::string& path) override { file_name_ = path; }
  std::string FileName() const override { return file_name_; }
  void Open() override;
  void Close() override;
  void Play() override;
  void Stop() override;
  void Rewind() override { Seek(0); }
  void Seek(std::int64_t position) override;
  std::int64_t Position() const override;
  MediaMode Mode() const override;

 private:
  bool IsPlaying() const;
  bool ReachedEnd() const;
  bool Owns() const { return source_.owner == this; }
  // Takes the source over from the player that holds it, and gives it this
  // player's file and position again if another player had taken it.
  void Claim();
  // Another player takes the source: cut off, keep the place for later.
  void Displace();
  // Ends the current playback on request: notifies if it was to.
  void CutOff();
  void Send(Command command);
  void PostNotify();
  void OnEnded(std::uint64_t playback);

  std::shared_ptr<void> keepalive_;  // destroyed last
  CommandSource& source_;
  Decoder decode_;
  std::function<void()> wake_;
  QObject* relay_;  // lives on the user-interface thread; receives the end events

  std::string file_name_;
  bool open_ = false;
  bool playing_ = false;      // a playback was started and not stopped here
  bool repositioned_ = false; // moved since the last playback ended
  std::uint64_t playback_ = 0;
  bool notify_ = false;       // the current playback notifies when it ends
  std::uint64_t last_seq_ = 0;
  std::int64_t expected_position_ = 0;
  std::shared_ptr<const void> payload_;  // the open file, decoded
  bool loaded_ = false;                  // the source holds this player's file
  bool displaced_ended_ = false;         // ReachedEnd() when displaced
  std::int64_t displaced_position_ = 0;  // Position() when displaced
};

}  // namespace tk::audio
