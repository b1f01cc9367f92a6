#pragma once
// A media player and a speaker that record what they are asked to do.

#include <string>
#include <vector>

#include "toolkit/media_player.h"
#include "toolkit/speaker.h"

namespace testing_support {

class FakePlayer : public tk::MediaPlayer {
 public:
  std::vector<std::string> log;  // "open <file>", "play", "seek 12", ...
  bool failOpen = false;
  std::int64_t position = 0;
  tk::MediaMode mode = tk::MediaMode::NotReady;
  std::string fileName;
  bool notifyAtPlay = false;

  void SetFileName(const std::string& path) override { fileName = path; }
  std::string FileName() const override { return fileName; }
  void Open() override {
    if (failOpen) throw tk::MediaError("no device");
    log.push_back("open " + fileName.substr(fileName.rfind('/') + 1));
    mode = tk::MediaMode::Stopped;
    position = 0;
  }
  void Close() override { mode = tk::MediaMode::NotReady; }
  void Play() override {
    if (mode == tk::MediaMode::NotReady) throw tk::MediaError("not open");
    notifyAtPlay = Notify;
    log.push_back(Notify ? "play notify" : "play");
    mode = tk::MediaMode::Playing;
  }
  void Stop() override {
    log.push_back("stop");
    if (mode == tk::MediaMode::Playing) mode = tk::MediaMode::Stopped;
  }
  void Rewind() override {
    log.push_back("rewind");
    position = 0;
  }
  void Seek(std::int64_t p) override {
    log.push_back("seek " + std::to_string(p));
    position = p;
  }
  std::int64_t Position() const override { return position; }
  tk::MediaMode Mode() const override { return mode; }
};

// Says nothing; records "<language>: <text>" for each utterance (UTF-8),
// with "(after) " before the text of one that waits for the one before.
class FakeSpeaker : public tk::Speaker {
 public:
  std::vector<std::string> log;
  void Speak(const std::string& text, const std::string& language, tk::SpeechOrder order) override {
    log.push_back(language + ": " + (order == tk::SpeechOrder::AfterCurrent ? "(after) " : "") + text);
  }
  void Stop() override { log.push_back("stop"); }
};

}  // namespace testing_support
