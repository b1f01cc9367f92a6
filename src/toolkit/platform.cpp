#include "toolkit/platform.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QUrl>
#include <algorithm>
#ifdef TK_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif
#include <set>
#ifdef _WIN32
#include <QLocale>
#endif

namespace tk {
namespace {
std::optional<ScreenInfo> g_screen;
std::function<std::int64_t()> g_clock;
std::optional<std::string> g_exe;
std::optional<std::string> g_locale;
std::function<void(const MessageRequest&)> g_messageHook;
std::function<void(const std::string&)> g_urlHook;

std::set<std::string>& SymbolFamilies() {
  static std::set<std::string> families;
  return families;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}
}  // namespace

ScreenInfo Screen() {
  if (g_screen) return *g_screen;
  ScreenInfo info;
  if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    if (QScreen* screen = app->primaryScreen()) {
      info.width = screen->geometry().width();
      info.height = screen->geometry().height();
      info.colourDepth = screen->depth();
    }
  }
  return info;
}

void SetScreenOverride(std::optional<ScreenInfo> screen) { g_screen = screen; }

std::int64_t MillisecondsSinceMidnightUtc() {
  if (g_clock) return g_clock();
  const QTime t = QDateTime::currentDateTimeUtc().time();
  return ((static_cast<std::int64_t>(t.hour()) * 60 + t.minute()) * 60 + t.second()) * 1000 + t.msec();
}

void SetClockOverride(std::function<std::int64_t()> clock) { g_clock = std::move(clock); }

std::string DesktopLocale() {
  if (g_locale) return *g_locale;
#ifdef _WIN32
  const QStringList languages = QLocale::system().uiLanguages();
  return languages.isEmpty() ? std::string() : languages.first().toStdString();
#else
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const QByteArray value = qgetenv(name);
    if (!value.isEmpty()) return value.toStdString();
  }
  return std::string();
#endif
}

void SetDesktopLocaleOverride(std::optional<std::string> locale) { g_locale = std::move(locale); }

std::string ExecutablePath() {
  if (g_exe) return *g_exe;
#ifdef __linux__
  // Before the QApplication exists, the kernel's link, which is where Qt
  // itself reads the path from.
  if (!QCoreApplication::instance()) return QFileInfo("/proc/self/exe").canonicalFilePath().toStdString();
#endif
  return QDir::toNativeSeparators(QCoreApplication::applicationFilePath()).toStdString();
}

void SetExecutablePathOverride(std::optional<std::string> path) { g_exe = std::move(path); }

namespace {
// The font files the program registered, by the database's number.
std::vector<int>& RegisteredFonts() {
  static std::vector<int> ids;
  return ids;
}

// The folder given to the font configuration before the start, with the
// families of its files (in lower case).
struct EarlyFontFolder {
  std::string folder;
  std::vector<std::string> families;
};
std::optional<EarlyFontFolder> g_earlyFonts;
}  // namespace

bool AddFontFolderBeforeStart(const std::string& folder) {
#ifdef TK_FONTCONFIG
  if (!FcConfigAppFontAddDir(nullptr, reinterpret_cast<const FcChar8*>(folder.c_str()))) return false;
  EarlyFontFolder early{folder, {}};
  if (const FcFontSet* set = FcConfigGetFonts(nullptr, FcSetApplication)) {
    for (int i = 0; i < set->nfont; ++i) {
      FcChar8* family = nullptr;
      for (int n = 0; FcPatternGetString(set->fonts[i], FC_FAMILY, n, &family) == FcResultMatch; ++n)
        early.families.push_back(Lower(reinterpret_cast<const char*>(family)));
    }
  }
  if (early.families.empty()) return false;
  g_earlyFonts = std::move(early);
  return true;
#else
  (void)folder;
  return false;
#endif
}

void RegisterFontFiles(const std::string& folder) {
  if (g_earlyFonts && g_earlyFonts->folder == folder) return;
  QDir dir(QString::fromStdString(folder));
  for (const QString& name : dir.entryList({"*.ttf", "*.otf", "*.TTF", "*.OTF"}, QDir::Files, QDir::Name)) {
    const int id = QFontDatabase::addApplicationFont(dir.filePath(name));
    if (id >= 0) RegisteredFonts().push_back(id);
  }
}

std::optional<std::vector<std::string>> g_families;

void SetFontFamiliesOverride(std::optional<std::vector<std::string>> families) { g_families = std::move(families); }

bool HasFontFamily(const std::string& family) {
  const std::string wanted = Lower(family);
  if (g_families) {
    return std::any_of(g_families->begin(), g_families->end(),
                       [&](const std::string& f) { return Lower(f) == wanted; });
  }
  const auto named = [&](const QStringList& families) {
    return std::any_of(families.begin(), families.end(),
                       [&](const QString& f) { return Lower(f.toStdString()) == wanted; });
  };
  // The program's own fonts are asked for by their files (a file removed
  // from the database again has no families), or by the families of the
  // folder given before the start; only a family that none of them has is
  // looked for among every family of the machine, which takes a while to
  // list.
  if (g_earlyFonts && std::find(g_earlyFonts->families.begin(), g_earlyFonts->families.end(), wanted) !=
                          g_earlyFonts->families.end())
    return true;
  for (int id : RegisteredFonts())
    if (named(QFontDatabase::applicationFontFamilies(id))) return true;
  return named(QFontDatabase::families());
}

void AddSymbolFontFamily(const std::string& family) { SymbolFamilies().insert(Lower(family)); }
bool IsSymbolFontFamily(const std::string& family) { return SymbolFamilies().count(Lower(family)) > 0; }

void ShowMessageBox(const MessageRequest& request) {
  if (g_messageHook) {
    g_messageHook(request);
    return;
  }
  QMessageBox box(request.icon == MessageIcon::Error ? QMessageBox::Critical : QMessageBox::Information,
                  QString::fromStdString(request.caption), QString::fromStdString(request.text),
                  QMessageBox::Ok);
  box.setWindowFlag(Qt::WindowStaysOnTopHint);
  box.exec();
}

void SetMessageBoxHook(std::function<void(const MessageRequest&)> hook) { g_messageHook = std::move(hook); }

void OpenUrl(const std::string& url) {
  if (g_urlHook) {
    g_urlHook(url);
    return;
  }
  QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

void SetOpenUrlHook(std::function<void(const std::string&)> hook) { g_urlHook = std::move(hook); }

}  // namespace tk
