#pragma once
// Background music: standard MIDI files rendered by the synthesizer of the
// music module (midi_synth.h). Positions are MIDI ticks.

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "midi_synth.h"
#include "mixer.h"

namespace tk::audio {

// The SoundFont the music is played with, named by the file its package
// installs (not a link that another SoundFont package may repoint).
inline constexpr const char* kDefaultSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";

// Reads a MIDI file into memory. Throws tk::MediaError when the file cannot
// be read or is not a standard MIDI file.
std::shared_ptr<const MidiData> ReadMidiFile(const std::string& path);

// Makes the synthesizer for a SoundFont; nullptr when there is none to be
// had (the music is then silent and ends at once).
using SynthFactory = std::function<std::unique_ptr<MidiSynth>(const std::string& soundfont)>;
// By default the music module beside the audio module is loaded and makes
// it; programs and tests that link the synthesizer in give CreateFluidSynth.
void SetSynthFactory(SynthFactory factory);

class MusicSource final : public CommandSource {
 public:
  explicit MusicSource(std::string soundfont = kDefaultSoundFont);
  ~MusicSource() override;

  bool Active() const override;

  // Rendering thread: loads the music module, creates the synthesizer and
  // loads the SoundFont, once.
  // Called by the first render that needs them, or ahead of it by the output
  // so that the load does not fall inside an audio callback. A SoundFont that
  // cannot be loaded leaves the synthesizer silent.
  void Prepare();
  // Whether a MIDI file has been sent, so that Prepare is worth calling.
  bool Wanted() const { return wanted_.load(std::memory_order_acquire); }
  void MarkWanted() { wanted_.store(true, std::memory_order_release); }
  // Rendering thread, after Prepare: whether the SoundFont loaded.
  bool HasSoundFont() const { return synth_ && synth_->HasSoundFont(); }

 protected:
  void Apply(const Command& command) override;
  void RenderInto(float* out, int frames) override;
  std::int64_t CurrentPosition() const override;

 private:
  void DropPlayer();
  std::int64_t PlayerTick() const;

  std::string soundfont_path_;
  std::atomic<bool> wanted_{false};
  bool prepared_ = false;
  std::unique_ptr<MidiSynth> synth_;

  std::shared_ptr<const MidiData> midi_;
  bool loaded_ = false;  // the synthesizer holds midi_
  bool playing_ = false;
  bool at_end_ = false;
  std::uint64_t playback_ = 0;
  std::int64_t saved_tick_ = 0;  // where a stopped player resumes
  std::vector<float> left_, right_;
};

}  // namespace tk::audio
