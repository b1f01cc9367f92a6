#pragma once
// Writes the small sound and MIDI files that the audio tests play.

#include <filesystem>
#include <string>
#include <vector>

namespace tamiro_test {

// A sine tone of the given frequency and length (16-bit PCM WAV).
void WriteSineWav(const std::filesystem::path& path, double frequency, int milliseconds,
                  int sample_rate = 44100, int channels = 1, double amplitude = 0.5);

// The samples a WriteSineWav file holds for channel 0, as floats.
std::vector<float> SineSamples(double frequency, int milliseconds, int sample_rate = 44100,
                               double amplitude = 0.5);

struct Note {
  int key;       // MIDI key number
  int ticks;     // length; notes follow each other
};

// A format-0 MIDI file: 480 ticks per quarter note at 120 beats a minute
// (960 ticks a second), one instrument, the notes one after the other.
void WriteMidi(const std::filesystem::path& path, const std::vector<Note>& notes,
               int program = 73);

inline constexpr int kTicksPerSecond = 960;

// A fresh directory under the system's temporary directory, removed with the
// object.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

}  // namespace tamiro_test
