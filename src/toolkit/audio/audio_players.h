#pragma once
// The program's two players and its speaker. All mix into the one audio
// output, which is set up on first use and goes away with the last of them.
//
// Players of one kind share one channel: the music, or the effects. The player
// that last opened or played holds it; another player that was playing on it
// is cut off (and notifies, if it was to), keeps its file and position, and
// takes the channel back on its next Play.

#include <memory>

#include "../media_player.h"
#include "../speaker.h"

namespace tk {

// MIDI files through FluidSynth; Position in MIDI ticks.
std::unique_ptr<MediaPlayer> CreateMusicPlayer();
// WAV files, one at a time; Position in milliseconds.
std::unique_ptr<MediaPlayer> CreateEffectsPlayer();
// Speech from libespeak-ng, one utterance at a time.
std::unique_ptr<Speaker> CreateSpeechPlayer();

}  // namespace tk
