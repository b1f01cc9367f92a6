#pragma once
// Profile files: sections in square brackets and key=value lines, ending in
// CRLF, LF or a bare CR. Section and key names match without regard to case,
// blanks around names and values are trimmed, a value in matching quotes
// reads without them, and the first occurrence of a section or key wins.
// Anything at the path that is not a file (a folder, a pipe, a device) reads
// as a file that cannot be read, and is never waited on.
// Writing a key keeps every other line of the file and its line endings (a
// new file gets CRLF), and the file is replaced atomically (written to a
// temporary file that is then renamed over it), so an interrupted write
// never leaves a half-written or empty file.

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tk {

class ProfileFile {
 public:
  explicit ProfileFile(std::string path) : path_(std::move(path)) {}

  const std::string& Path() const { return path_; }

  // The value of the key, or nothing when the file, section or key is absent;
  // the default comes back without trailing blanks.
  std::optional<std::string> ReadString(const std::string& section, const std::string& key) const;
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& fallback) const;

  // Writes the key, creating the folder, file and section as needed. Returns
  // false when the file cannot be written; the old file then stays intact.
  bool WriteString(const std::string& section, const std::string& key, const std::string& value);
  // Writes several keys of a section in one replacement of the file, in
  // their order: either all of them reach the file or none does.
  bool WriteStrings(const std::string& section, const std::vector<std::pair<std::string, std::string>>& entries);

 private:
  std::string path_;
};

// The user's own file of the program's: settings in $XDG_CONFIG_HOME/tamiro/
// (default ~/.config/tamiro/), data in $XDG_DATA_HOME/tamiro/ (default
// ~/.local/share/tamiro/); on Windows %APPDATA%\Tamiro\ and
// %LOCALAPPDATA%\Tamiro\.
enum class UserFolder { Settings, Data };
std::string UserFilePath(UserFolder folder, const std::string& name);

// Where the settings file lives: $XDG_CONFIG_HOME/tamiro/TAMIRO.INI
// (default ~/.config/tamiro/), on Windows %APPDATA%\Tamiro\TAMIRO.INI.
// Tests set another path with SetSettingsFileOverride.
std::string SettingsFilePath();
void SetSettingsFileOverride(std::optional<std::string> path);

// The computer's own settings files, beneath the user's, most important
// first: tamiro/TAMIRO.INI in each folder of $XDG_CONFIG_DIRS (default
// /etc/xdg; folders that are not absolute paths are left out), on Windows
// %ProgramData%\Tamiro\TAMIRO.INI. Tests set other paths (or none) with
// SetSystemSettingsFilesOverride.
std::vector<std::string> SystemSettingsFilePaths();
void SetSystemSettingsFilesOverride(std::optional<std::vector<std::string>> paths);

// Integer conversion of the run-time library: optional blanks and sign,
// decimal digits, or hexadecimal after "$", "0x" or "0X". Nothing else may
// follow. Values that do not fit in 32 bits are not numbers.
std::optional<int> StrToInt(const std::string& text);
int StrToIntDef(const std::string& text, int fallback);

}  // namespace tk
