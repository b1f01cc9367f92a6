#pragma once
// What the program asks of its surroundings: the screen, the clock, the
// executable's path, fonts, message boxes, the help viewer and the browser.
// Each can be replaced in tests.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tk {

// ---- Screen -----------------------------------------------------------------
struct ScreenInfo {
  int width = 640;   // logical pixels
  int height = 480;
  int colourDepth = 32;  // bits per pixel
};
ScreenInfo Screen();
void SetScreenOverride(std::optional<ScreenInfo> screen);

// ---- Clock --------------------------------------------------------------------
// Milliseconds since midnight of the current UTC time, the seed of the random
// generator.
std::int64_t MillisecondsSinceMidnightUtc();
void SetClockOverride(std::function<std::int64_t()> clock);

// ---- Desktop language -------------------------------------------------------
// The locale the desktop asks messages in: the first of LC_ALL, LC_MESSAGES
// and LANG that is set and not empty ("de_DE.UTF-8"), "" when none is; on
// Windows the user's interface language ("de-DE").
std::string DesktopLocale();
void SetDesktopLocaleOverride(std::optional<std::string> locale);

// ---- Program files ----------------------------------------------------------
// The full path of the running executable.
std::string ExecutablePath();
void SetExecutablePathOverride(std::optional<std::string> path);
// The separator between folders of a path on this platform.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// ---- Fonts ------------------------------------------------------------------
// Makes the font files (.ttf, .otf) of a folder available to this process.
void RegisterFontFiles(const std::string& folder);
// Before the QApplication exists: gives the font files of a folder to the
// machine's font configuration, so that Qt's font database reads them with
// the machine's own fonts, once (each file registered later makes it read
// every font again). RegisterFontFiles of that folder then registers nothing
// more. False where text is not drawn through such a configuration, or the
// folder has no font it can read; the files are then registered as usual.
bool AddFontFolderBeforeStart(const std::string& folder);
// Whether the program can draw with a family (case does not matter): one of
// the registered files has it, or the machine has it installed.
bool HasFontFamily(const std::string& family);
// Tests replace the list of families to stand for another machine.
void SetFontFamiliesOverride(std::optional<std::vector<std::string>> families);
// Fonts whose text is drawn byte for byte: byte b shows the font's glyph at
// U+F000 + b, whatever the code page.
void AddSymbolFontFamily(const std::string& family);
bool IsSymbolFontFamily(const std::string& family);

// ---- Message boxes ----------------------------------------------------------
enum class MessageIcon { Information, Error };
struct MessageRequest {
  std::string text;     // UTF-8
  std::string caption;  // UTF-8
  MessageIcon icon = MessageIcon::Information;
};
// Shows a modal box with one OK button, centred on the screen.
void ShowMessageBox(const MessageRequest& request);
// Replaces the box (tests record the requests instead of blocking).
void SetMessageBoxHook(std::function<void(const MessageRequest&)> hook);

// ---- Browser ----------------------------------------------------------------
// Opens an address with the user's default handler; the result is ignored.
void OpenUrl(const std::string& url);
void SetOpenUrlHook(std::function<void(const std::string&)> hook);

}  // namespace tk
