#pragma once
// The program's two players. Both mix into the one audio output, which is set
// up on first use and goes away with the last player.
//
// One music player and one effects player at a time: a second player of the
// same kind would share (and fight over) the same channel.

#include <memory>

#include "../media_player.h"

namespace tk {

// MIDI files through FluidSynth; Position in MIDI ticks.
std::unique_ptr<MediaPlayer> CreateMusicPlayer();
// WAV files, one at a time; Position in milliseconds.
std::unique_ptr<MediaPlayer> CreateEffectsPlayer();

}  // namespace tk
