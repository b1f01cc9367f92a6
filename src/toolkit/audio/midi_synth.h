#pragma once
// The synthesizer behind the music source: FluidSynth with the General MIDI
// SoundFont. It lives in a module of its own (libtamiro_music.so beside the
// audio module), loaded when the first MIDI file is to be played, so that
// FluidSynth and the libraries it brings stay out of a program that plays no
// music. Rendering thread only.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tk::audio {

// The bytes of a MIDI file, checked to look like one.
struct MidiData {
  std::vector<unsigned char> bytes;
};

class MidiSynth {
 public:
  virtual ~MidiSynth() = default;
  // Whether the SoundFont loaded; without it the synthesizer plays silence.
  virtual bool HasSoundFont() const = 0;
  // Drops the file being played and takes this one; false when it cannot be
  // played (then there is no file).
  virtual bool Load(const MidiData& midi) = 0;
  // Drops the file, and every sound dies at once.
  virtual void Unload() = 0;
  // Starts (or goes on) at a tick of the file, and stops there.
  virtual void Play(std::int64_t tick) = 0;
  virtual void Stop() = 0;
  // Where the file is, in MIDI ticks: never past its last event.
  virtual std::int64_t Tick() const = 0;
  // The file has been played to its end, and its notes have died away.
  virtual bool Finished() const = 0;
  // Whether any note still sounds.
  virtual bool Sounding() const = 0;
  // Renders frames frames into the two channels (overwriting them).
  virtual void Render(float* left, float* right, int frames) = 0;
};

// FluidSynth with the SoundFont at this path (in the music module, and in
// the tests that link the synthesizer in); nullptr when FluidSynth cannot be
// set up.
std::unique_ptr<MidiSynth> CreateFluidSynth(const std::string& soundfont);

}  // namespace tk::audio
