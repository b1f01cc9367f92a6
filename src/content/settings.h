#pragma once
// The settings, read once at start-up and changed afterwards only by the
// About form. They come from the user's settings file; a key that file does
// not have comes from the computer's own settings files beneath it (set up
// by a school for every pupil), else from the built-in default.

#include <optional>
#include <string>

namespace tamiro {

extern int Language;   // 1..18, numbered as LanguageNames
extern bool Music;     // background music on
extern bool Sounds;    // sound effects on
extern bool Capital;   // words shown in capital letters
extern bool Speech;    // words spoken

// Set by the computer's settings files only: the settings cannot be changed
// in the About form, and the program's own windows do not end it.
extern bool Locked;

inline constexpr const char* kSettingsSection = "Options";

// Reads the settings. A key of the user's file keeps its meaning whatever
// the computer's files say: a language outside 1..18 becomes 2, a value that
// is not a number gives the key's default (language 1, music, sounds and
// speech on, capitals off). A key the user's file lacks takes the computer's value
// where that is a number (a language only within 1..18), else the default;
// the language's default is then the desktop's (LanguageForLocale). Locked
// is read from the computer's files alone and is on exactly when it is 1.
// Nothing is written.
void ReadSettings();
// Writes the five keys to the user's file, in the order Language, Music,
// Sounds, Capital, Speech, in one replacement of the file that keeps its other
// lines. False when the file cannot be written; it then stays as it was.
bool WriteSettings();

// A key of [Options] in the computer's settings files alone (the user's file
// is not read): the value of the first file that has it, most important
// first; nothing when none has it or none can be read.
std::optional<std::string> ReadSystemSetting(const std::string& key);

// The language of a desktop locale ("de_DE.UTF-8", "ca_ES@valencia",
// Windows' "pt-BR"): its language code, and for Spanish its territory (Spain
// or none: Spanish (Spain); any other: Spanish (Latin America)). English for
// every language the program does not speak, and for C and POSIX.
int LanguageForLocale(const std::string& locale);

}  // namespace tamiro
