#include "sound_files.h"

#include <sndfile.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <numbers>
#include <stdexcept>

namespace tamiro_test {

std::vector<float> SineSamples(double frequency, int milliseconds, int sample_rate,
                               double amplitude) {
  const auto frames = static_cast<size_t>(static_cast<int64_t>(sample_rate) * milliseconds / 1000);
  std::vector<float> out(frames);
  for (size_t i = 0; i < frames; ++i) {
    out[i] = static_cast<float>(amplitude *
        std::sin(2 * std::numbers::pi * frequency * static_cast<double>(i) / sample_rate));
  }
  return out;
}

void WriteSineWav(const std::filesystem::path& path, double frequency, int milliseconds,
                  int sample_rate, int channels, double amplitude) {
  const std::vector<float> mono = SineSamples(frequency, milliseconds, sample_rate, amplitude);
  std::vector<float> frames(mono.size() * static_cast<size_t>(channels));
  for (size_t i = 0; i < mono.size(); ++i) {
    for (int c = 0; c < channels; ++c) {
      // Further channels at half level, so that tests can tell them apart.
      frames[i * static_cast<size_t>(channels) + static_cast<size_t>(c)] = c == 0 ? mono[i] : mono[i] / 2;
    }
  }
  SF_INFO info{};
  info.samplerate = sample_rate;
  info.channels = channels;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file) throw std::runtime_error("cannot write " + path.string());
  sf_writef_float(file, frames.data(), static_cast<sf_count_t>(mono.size()));
  sf_close(file);
}

namespace {
void Put32(std::vector<uint8_t>& v, uint32_t x) {
  for (int shift = 24; shift >= 0; shift -= 8) v.push_back(static_cast<uint8_t>(x >> shift));
}
void Put16(std::vector<uint8_t>& v, uint16_t x) {
  v.push_back(static_cast<uint8_t>(x >> 8));
  v.push_back(static_cast<uint8_t>(x));
}
void PutVarLen(std::vector<uint8_t>& v, uint32_t x) {
  uint8_t bytes[5];
  int n = 0;
  bytes[n++] = x & 0x7f;
  while (x >>= 7) bytes[n++] = static_cast<uint8_t>(0x80 | (x & 0x7f));
  while (n) v.push_back(bytes[--n]);
}
}  // namespace

void WriteMidi(const std::filesystem::path& path, const std::vector<Note>& notes, int program) {
  std::vector<uint8_t> track;
  PutVarLen(track, 0);  // tempo: 500000 microseconds a quarter note
  track.insert(track.end(), {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20});
  PutVarLen(track, 0);
  track.insert(track.end(), {0xC0, static_cast<uint8_t>(program)});
  for (const Note& note : notes) {
    PutVarLen(track, 0);
    track.insert(track.end(), {0x90, static_cast<uint8_t>(note.key), 100});
    PutVarLen(track, static_cast<uint32_t>(note.ticks));
    track.insert(track.end(), {0x80, static_cast<uint8_t>(note.key), 0});
  }
  PutVarLen(track, 0);
  track.insert(track.end(), {0xFF, 0x2F, 0x00});

  std::vector<uint8_t> file = {'M', 'T', 'h', 'd'};
  Put32(file, 6);
  Put16(file, 0);
  Put16(file, 1);
  Put16(file, 480);
  file.insert(file.end(), {'M', 'T', 'r', 'k'});
  Put32(file, static_cast<uint32_t>(track.size()));
  file.insert(file.end(), track.begin(), track.end());
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tamiro-audio-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary directory");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace tamiro_test
