#include "content/settings.h"

#include "toolkit/profile.h"

namespace tamiro {

int Language = 1;
bool Music = true;
bool Sounds = true;
bool Capital = false;

namespace {
int ReadInteger(const tk::ProfileFile& file, const char* key, int fallback) {
  return tk::StrToIntDef(file.ReadString(kSettingsSection, key, std::to_string(fallback)), fallback);
}
}  // namespace

void ReadSettings() {
  const tk::ProfileFile file(tk::SettingsFilePath());
  Language = ReadInteger(file, "Language", 1);
  if (Language < 1 || Language > 18) Language = 2;
  Music = ReadInteger(file, "Music", 1) == 1;
  Sounds = ReadInteger(file, "Sounds", 1) == 1;
  Capital = ReadInteger(file, "Capital", 0) == 1;
}

bool WriteSettings() {
  return tk::ProfileFile(tk::SettingsFilePath())
      .WriteStrings(kSettingsSection, {{"Language", std::to_string(Language)},
                                       {"Music", Music ? "1" : "0"},
                                       {"Sounds", Sounds ? "1" : "0"},
                                       {"Capital", Capital ? "1" : "0"}});
}

}  // namespace tamiro
