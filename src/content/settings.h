#pragma once
// The four settings, read once at start-up from the settings file and
// changed afterwards only by the About form.

#include <string>

namespace tamiro {

extern int Language;   // 1..18, numbered as LanguageNames
extern bool Music;     // background music on
extern bool Sounds;    // sound effects on
extern bool Capital;   // words shown in capital letters

inline constexpr const char* kSettingsSection = "Options";

// Reads the settings file: a missing file or key gives the key's default
// (language 1, music and sounds on, capitals off); a language outside 1..18
// becomes 2; a value that is not a number gives the default.
void ReadSettings();
// Writes the four keys, in the order Language, Music, Sounds, Capital, in one
// replacement of the file that keeps its other lines. False when the file
// cannot be written; it then stays as it was.
bool WriteSettings();

}  // namespace tamiro
