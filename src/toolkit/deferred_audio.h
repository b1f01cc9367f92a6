#pragma once
// The audio players live in a module of their own (with the synthesizer, the
// sound-file reader and the sound server client behind them), loaded on a
// background thread while the program starts, so that none of it delays the
// first frame. Players made before the module is there work at once: they
// keep what they are asked to do and hand it over to the real players when
// the module has loaded. The speaker says nothing until then: words are
// spoken when they fit what is on the screen, or not at all. A module that
// cannot be loaded (or a library it needs that is missing) means silence.

#include <functional>
#include <memory>
#include <string>

#include "toolkit/media.h"

namespace tk {

// Starts loading the module; the hand-over happens on the user-interface
// thread once it is loaded.
void LoadAudioModuleInBackground(const std::string& path);

// A player that hands over to the module's player when the module is there.
std::unique_ptr<MediaPlayer> CreateDeferredPlayer(MediaKind kind);

// A speaker that speaks through the module's speaker once it is there.
std::unique_ptr<Speaker> CreateDeferredSpeaker();

// Gives every waiting player its real player from this factory (the module's,
// or a test's), and the waiting speaker its real speaker.
void HandOverDeferredPlayers(const MediaPlayerFactory& factory, const SpeakerFactory& speakers = {});

// True once the module's players have taken over.
bool AudioModuleLoaded();

}  // namespace tk
