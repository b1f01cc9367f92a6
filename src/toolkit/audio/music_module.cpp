// The entry point of the music module, which the audio module loads when the
// first MIDI file is to be played.

#include "midi_synth.h"

extern "C" __attribute__((visibility("default"))) tk::audio::MidiSynth* tamiro_music_create_synth(
    const char* soundfont) {
  return tk::audio::CreateFluidSynth(soundfont).release();
}
