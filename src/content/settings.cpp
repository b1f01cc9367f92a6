#include "content/settings.h"

#include <cctype>
#include <utility>

#include "content/content_tables.h"
#include "content/game_record.h"
#include "toolkit/platform.h"
#include "toolkit/profile.h"

namespace tamiro {

int Language = 1;
bool Music = true;
bool Sounds = true;
bool Capital = false;
bool Speech = true;
bool Locked = false;

namespace {

// A number from the computer's files; nothing where they give none.
std::optional<int> SystemNumber(const char* key) {
  const std::optional<std::string> text = ReadSystemSetting(key);
  return text ? tk::StrToInt(*text) : std::nullopt;
}

int ReadInteger(const tk::ProfileFile& user, const char* key, int fallback) {
  if (const auto text = user.ReadString(kSettingsSection, key)) return tk::StrToIntDef(*text, fallback);
  return SystemNumber(key).value_or(fallback);
}

int ReadLanguage(const tk::ProfileFile& user) {
  if (const auto text = user.ReadString(kSettingsSection, "Language")) {
    const int n = tk::StrToIntDef(*text, 1);
    return n < 1 || n > kLanguageCount ? 2 : n;
  }
  if (const auto n = SystemNumber("Language"); n && *n >= 1 && *n <= kLanguageCount) return *n;
  return LanguageForLocale(tk::DesktopLocale());
}

}  // namespace

void ReadSettings() {
  const tk::ProfileFile user(tk::SettingsFilePath());
  Language = ReadLanguage(user);
  Music = ReadInteger(user, "Music", 1) == 1;
  Sounds = ReadInteger(user, "Sounds", 1) == 1;
  Capital = ReadInteger(user, "Capital", 0) == 1;
  Speech = ReadInteger(user, "Speech", 1) == 1;
  Locked = SystemNumber("Locked") == 1;
  // A school may keep no record of its pupils' games.
  SetRecording(SystemNumber("Record") != 0);
}

bool WriteSettings() {
  return tk::ProfileFile(tk::SettingsFilePath())
      .WriteStrings(kSettingsSection, {{"Language", std::to_string(Language)},
                                       {"Music", Music ? "1" : "0"},
                                       {"Sounds", Sounds ? "1" : "0"},
                                       {"Capital", Capital ? "1" : "0"},
                                       {"Speech", Speech ? "1" : "0"}});
}

std::optional<std::string> ReadSystemSetting(const std::string& key) {
  for (const std::string& path : tk::SystemSettingsFilePaths())
    if (auto value = tk::ProfileFile(path).ReadString(kSettingsSection, key)) return value;
  return std::nullopt;
}

int LanguageForLocale(const std::string& locale) {
  // "ll_TT.codeset@modifier" on POSIX, "ll-TT" on Windows.
  const std::size_t end = locale.find_first_of("_-.@");
  std::string language = locale.substr(0, end), territory;
  if (end != std::string::npos && (locale[end] == '_' || locale[end] == '-'))
    territory = locale.substr(end + 1, locale.find_first_of(".@", end + 1) - end - 1);
  for (char& c : language) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (char& c : territory) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (language == "es") return territory.empty() || territory == "ES" ? 11 : 12;
  static const std::pair<const char*, int> kLanguages[] = {
      {"sv", 1},  {"en", 2},  {"da", 3},  {"nb", 4},  {"nn", 4},  {"no", 4},  {"fi", 5},  {"de", 6},  {"hr", 7},
      {"et", 8},  {"fr", 9},  {"ca", 10}, {"ro", 13}, {"af", 14}, {"br", 15}, {"pl", 16}, {"it", 17}, {"pt", 18}};
  for (const auto& [code, number] : kLanguages)
    if (language == code) return number;
  return 2;
}

}  // namespace tamiro
