#pragma once
// A media player in the manner of a device-control player: it holds a file
// name, is opened on that file, plays, stops, seeks and reports its position
// and mode. Two players exist in the program, one for music (MIDI) and one for
// sound effects (WAV); both mix into one audio output.
//
// Every call returns at once on the user-interface thread: the work happens on
// the audio thread. Failures (no file, an unplayable file, no sound device)
// throw tk::MediaError from Open/Play/Seek where the player can tell at once;
// a missing audio device is never an error, it simply means silence.

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

namespace tk {

struct MediaError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

enum class MediaMode { NotReady, Stopped, Playing, Open };

class MediaPlayer {
 public:
  virtual ~MediaPlayer() = default;

  // The file that the next Open uses (a path in the local file system's
  // encoding).
  virtual void SetFileName(const std::string& path) = 0;
  virtual std::string FileName() const = 0;

  // Opens the file named by FileName; a player that is open is closed first
  // (which cuts off what it plays). Throws MediaError when the file cannot be
  // read or decoded.
  virtual void Open() = 0;
  virtual void Close() = 0;

  // Plays from the current position. When AutoRewind is on and the last
  // playback reached the end, playback starts from the beginning; while the
  // player is playing, Play changes nothing.
  virtual void Play() = 0;
  // Stops playing and keeps the position.
  virtual void Stop() = 0;
  // Moves to the beginning.
  virtual void Rewind() = 0;
  // Moves to a position (in Position units); allowed before Play and after
  // Stop.
  virtual void Seek(std::int64_t position) = 0;
  // Current position: MIDI ticks for music, milliseconds for effects.
  virtual std::int64_t Position() const = 0;
  virtual MediaMode Mode() const = 0;

  // When Notify is true at the moment Play is called, that playback notifies
  // when it ends: it reaches its end, or it is cut off by Stop, Open, Close or
  // Seek. The notification runs OnNotify on the user-interface thread, queued
  // as an event (never from inside the call that ended the playback).
  bool Notify = false;
  bool AutoRewind = false;
  std::function<void()> OnNotify;
};

}  // namespace tk
