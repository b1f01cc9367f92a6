#include "toolkit/profile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <cctype>
#include <climits>
#include <vector>

namespace tk {
namespace {

std::string Trim(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

struct Lines {
  std::vector<std::string> lines;
  // The file's own line ending (that of its first line); files the program
  // creates, and files without one, get CRLF, as the desktop writes them.
  std::string eol = "\r\n";
  // False when a file is there but could not be read.
  bool readable = true;
};

// Lines end in CRLF, LF or a bare CR, in any mixture.
Lines ReadLines(const std::string& path) {
  Lines result;
  const QString qpath = QString::fromStdString(path);
  // A pipe would keep start-up waiting for a writer that never comes.
  if (const QFileInfo info(qpath); info.exists() && !info.isFile()) {
    result.readable = false;
    return result;
  }
  QFile file(qpath);
  if (!file.open(QIODevice::ReadOnly)) {
    result.readable = !file.exists();
    return result;
  }
  const QByteArray data = file.readAll();
  const std::string text(data.constData(), static_cast<std::size_t>(data.size()));
  bool first = true;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      result.lines.push_back(text.substr(start));
      break;
    }
    result.lines.push_back(text.substr(start, end - start));
    const std::size_t next = text.compare(end, 2, "\r\n") == 0 ? end + 2 : end + 1;
    if (first) result.eol = text.substr(end, next - end);
    first = false;
    start = next;
  }
  return result;
}

// A value in matching double or single quotes reads without them.
std::string Unquoted(const std::string& value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

// A section header's name, or nothing when the line is not a header.
std::optional<std::string> SectionName(const std::string& line) {
  const std::string t = Trim(line);
  if (t.size() < 2 || t.front() != '[') return std::nullopt;
  const std::size_t close = t.find(']');
  if (close == std::string::npos) return std::nullopt;
  return Trim(t.substr(1, close - 1));
}

// Splits a key=value line; nothing for lines without '=' or comments.
std::optional<std::pair<std::string, std::string>> KeyValue(const std::string& line) {
  const std::string t = Trim(line);
  if (t.empty() || t.front() == ';') return std::nullopt;
  const std::size_t eq = t.find('=');
  if (eq == std::string::npos) return std::nullopt;
  return std::make_pair(Trim(t.substr(0, eq)), Trim(t.substr(eq + 1)));
}

// Index range [first, last) of the lines of the first section of that name.
std::optional<std::pair<std::size_t, std::size_t>> FindSection(const std::vector<std::string>& lines,
                                                              const std::string& section) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    auto name = SectionName(lines[i]);
    if (!name || !SameName(*name, section)) continue;
    std::size_t end = i + 1;
    while (end < lines.size() && !SectionName(lines[end])) ++end;
    return std::make_pair(i + 1, end);
  }
  return std::nullopt;
}

std::optional<std::string> g_settingsOverride;
std::optional<std::vector<std::string>> g_systemOverride;

}  // namespace

std::optional<std::string> ProfileFile::ReadString(const std::string& section,
                                                   const std::string& key) const {
  const Lines file = ReadLines(path_);
  const auto range = FindSection(file.lines, section);
  if (!range) return std::nullopt;
  for (std::size_t i = range->first; i < range->second; ++i) {
    auto kv = KeyValue(file.lines[i]);
    if (kv && SameName(kv->first, key)) return Unquoted(kv->second);
  }
  return std::nullopt;
}

std::string ProfileFile::ReadString(const std::string& section, const std::string& key,
                                    const std::string& fallback) const {
  if (auto value = ReadString(section, key)) return *value;
  // The default comes back without its trailing blanks.
  std::string trimmed = fallback;
  while (!trimmed.empty() && (trimmed.back() == ' ' || trimmed.back() == '\t')) trimmed.pop_back();
  return trimmed;
}

namespace {
// Sets key=value in the lines: in place of the key's first line in the
// section, else after the section's last line that is not blank, else in a
// new section at the end.
void SetEntry(std::vector<std::string>& lines, const std::string& section, const std::string& key,
              const std::string& value) {
  const std::string entry = key + "=" + value;
  if (auto range = FindSection(lines, section)) {
    std::size_t insertAt = range->first;
    for (std::size_t i = range->first; i < range->second; ++i) {
      if (auto kv = KeyValue(lines[i])) {
        if (SameName(kv->first, key)) {
          lines[i] = entry;
          return;
        }
      }
      if (!Trim(lines[i]).empty()) insertAt = i + 1;
    }
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), entry);
  } else {
    lines.push_back("[" + section + "]");
    lines.push_back(entry);
  }
}
}  // namespace

bool ProfileFile::WriteString(const std::string& section, const std::string& key,
                              const std::string& value) {
  return WriteStrings(section, {{key, value}});
}

bool ProfileFile::WriteStrings(const std::string& section,
                               const std::vector<std::pair<std::string, std::string>>& entries) {
  Lines file = ReadLines(path_);
  // A file that is there but cannot be read is not replaced by one holding
  // only these keys: the lines it keeps would be lost.
  if (!file.readable) return false;
  for (const auto& [key, value] : entries) SetEntry(file.lines, section, key, value);

  const QString qpath = QString::fromStdString(path_);
  QDir().mkpath(QFileInfo(qpath).absolutePath());
  QSaveFile out(qpath);
  if (!out.open(QIODevice::WriteOnly)) return false;
  std::string text;
  for (const auto& line : file.lines) text += line + file.eol;
  if (out.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size())) {
    out.cancelWriting();
    return false;
  }
  return out.commit();
}

std::string UserFilePath(UserFolder folder, const std::string& name) {
  const bool data = folder == UserFolder::Data;
#ifdef _WIN32
  const QString base = qEnvironmentVariable(data ? "LOCALAPPDATA" : "APPDATA") + "/Tamiro/";
#else
  QString base = qEnvironmentVariable(data ? "XDG_DATA_HOME" : "XDG_CONFIG_HOME");
  if (base.isEmpty() || !QDir::isAbsolutePath(base)) base = QDir::homePath() + (data ? "/.local/share" : "/.config");
  base += "/tamiro/";
#endif
  return (base + QString::fromStdString(name)).toStdString();
}

std::string SettingsFilePath() {
  if (g_settingsOverride) return *g_settingsOverride;
  return UserFilePath(UserFolder::Settings, "TAMIRO.INI");
}

void SetSettingsFileOverride(std::optional<std::string> path) { g_settingsOverride = std::move(path); }

std::vector<std::string> SystemSettingsFilePaths() {
  if (g_systemOverride) return *g_systemOverride;
#ifdef _WIN32
  const QString base = qEnvironmentVariable("ProgramData");
  if (base.isEmpty()) return {};
  return {(base + "/Tamiro/TAMIRO.INI").toStdString()};
#else
  QStringList folders = qEnvironmentVariable("XDG_CONFIG_DIRS").split(':', Qt::SkipEmptyParts);
  folders.removeIf([](const QString& folder) { return !QDir::isAbsolutePath(folder); });
  if (folders.isEmpty()) folders << "/etc/xdg";
  std::vector<std::string> paths;
  for (const QString& folder : folders) paths.push_back(QDir::cleanPath(folder + "/tamiro/TAMIRO.INI").toStdString());
  return paths;
#endif
}

void SetSystemSettingsFilesOverride(std::optional<std::vector<std::string>> paths) {
  g_systemOverride = std::move(paths);
}

std::optional<int> StrToInt(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= text.size()) return std::nullopt;
  long long value = 0;
  for (; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    int digit;
    if (std::isdigit(c)) digit = c - '0';
    else if (base == 16 && std::isxdigit(c)) digit = std::tolower(c) - 'a' + 10;
    else return std::nullopt;
    value = value * base + digit;
    // Hexadecimal texts may give the full 32-bit pattern (0xFFFFFFFF is -1).
    if (value > (base == 16 ? 0xFFFFFFFFLL : static_cast<long long>(INT_MAX) + 1)) return std::nullopt;
  }
  if (base == 16 && value > INT_MAX) value -= 0x100000000LL;
  if (negative) value = -value;
  if (value > INT_MAX || value < INT_MIN) return std::nullopt;
  return static_cast<int>(value);
}

int StrToIntDef(const std::string& text, int fallback) { return StrToInt(text).value_or(fallback); }

}  // namespace tk
