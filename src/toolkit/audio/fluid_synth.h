#pragma once
// FluidSynth's settings for the program's music (also taken by the test that
// compares the tunes with those rendered from the whole SoundFont).

typedef struct _fluid_hashtable_t fluid_settings_t;

namespace tk::audio {

void ApplySynthSettings(fluid_settings_t* settings);

}  // namespace tk::audio
