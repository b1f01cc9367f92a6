// TAMIRO.INI as parents leave it and as disks fail it: start-up reads the
// settings by their rules and never crashes; a write that fails leaves the
// old file byte for byte, and a write cut off at any moment leaves a whole
// file.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <random>
#include <set>

#include "content/settings.h"
#include "toolkit/platform.h"
#include "toolkit/profile.h"

using namespace tamiro;

namespace {

std::string ReadAll(const std::string& path) {
  QFile f(QString::fromStdString(path));
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll().toStdString();
}

void WriteAll(const std::string& path, const std::string& bytes) {
  QFile f(QString::fromStdString(path));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

struct Read {
  int language;
  bool music, sounds, capital;
  bool operator==(const Read&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Read& r) {
  return out << "language " << r.language << ", music " << r.music << ", sounds " << r.sounds << ", capital "
             << r.capital;
}
constexpr Read kDefaults{1, true, true, false};

// Runs the work in a child process, as the unprivileged user when this one
// is the superuser (who may read and write anything), and returns its exit
// code.
int InChild(const std::function<int()>& work, bool unprivileged) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (unprivileged && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(120);
    _exit(work());
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 200;
}

class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    // Open for every user, so that a child without privileges gets as far as
    // the file.
    ::chmod(dir.path().toLocal8Bit().constData(), 0755);
    tk::SetSettingsFileOverride(path);
    // The user's file alone, on a Swedish desktop: a file that cannot be
    // read gives the defaults of an older Tamiro.
    tk::SetSystemSettingsFilesOverride(std::vector<std::string>{});
    tk::SetDesktopLocaleOverride("sv_SE.UTF-8");
  }
  void TearDown() override {
    tk::SetSettingsFileOverride(std::nullopt);
    tk::SetSystemSettingsFilesOverride(std::nullopt);
    tk::SetDesktopLocaleOverride(std::nullopt);
    Language = 1;
    Music = Sounds = true;
    Capital = false;
  }
  Read ReadFile(const std::string& bytes) {
    QFile::remove(QString::fromStdString(path));
    WriteAll(path, bytes);
    Language = 99;
    ReadSettings();
    return {Language, Music, Sounds, Capital};
  }

  QTemporaryDir dir;
  std::string path = (dir.path() + "/TAMIRO.INI").toStdString();
};

}  // namespace

TEST_F(SettingsFile, HandEditedFilesReadByTheRules) {
  EXPECT_EQ(ReadFile("  [ oPtIoNs ]  \n   LANGUAGE   =   5   \n music=0\n\tSounds\t=\t0\t\n"), (Read{5, false, false, false}));
  // The first section and the first key of a name count.
  EXPECT_EQ(ReadFile("[Options]\nLanguage=4\nlanguage=9\nCapital=1\n[OPTIONS]\nMusic=0\nLanguage=8\n"),
            (Read{4, true, true, true}));
  // CRLF, LF and bare CR in one file.
  EXPECT_EQ(ReadFile("[Options]\r\nLanguage=6\nMusic=0\r\nSounds=0\rCapital=1\n"), (Read{6, false, false, true}));
  EXPECT_EQ(ReadFile("[Options]\r\nLanguage=\"12\"\r\n"), (Read{12, true, true, false}));
  // Keys elsewhere, comments, and lines that are no key at all.
  EXPECT_EQ(ReadFile("; Language=3\n[Other]\nLanguage=3\n[Options]\nnot a key\n=5\nLanguage=0x11\n"),
            (Read{17, true, true, false}));
}

TEST_F(SettingsFile, BrokenFilesGiveDefaultsWhereTheyCannotBeRead) {
  // A megabyte-long line, before the keys and as a value.
  const std::string mega(1 << 20, 'x');
  EXPECT_EQ(ReadFile("[Options]\nJunk=" + mega + "\nLanguage=7\nMusic=0\n"), (Read{7, false, true, false}));
  EXPECT_EQ(ReadFile("[Options]\nLanguage=" + std::string(1 << 20, '9') + "\n"), kDefaults) << "not a number";
  EXPECT_EQ(ReadFile(mega), kDefaults);
  // Binary bytes around the lines that still read.
  EXPECT_EQ(ReadFile(std::string("\0\x01\xFF\n[Options]\n\xFE\xFF\0=\x01\nLanguage=8\n\0\0\nMusic=0\n", 42)),
            (Read{8, false, true, false}));
  // Random bytes: whatever they hold, the settings keep to their ranges.
  std::mt19937 random(7);
  for (int run = 0; run < 50; ++run) {
    std::string bytes(static_cast<std::size_t>(random() % 70000), '\0');
    for (char& c : bytes) c = static_cast<char>(random() % 4 == 0 ? "[]=\n\r"[random() % 5] : random() & 0xFF);
    if (run % 2 == 0) bytes = "[Options]\n" + bytes;
    const Read r = ReadFile(bytes);
    EXPECT_GE(r.language, 1);
    EXPECT_LE(r.language, 18);
  }
  // A folder where the file should be.
  QFile::remove(QString::fromStdString(path));
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(path)));
  Language = 99;
  ReadSettings();
  EXPECT_EQ((Read{Language, Music, Sounds, Capital}), kDefaults);
}

TEST_F(SettingsFile, AFileThatCannotBeReadGivesTheDefaults) {
  WriteAll(path, "[Options]\nLanguage=9\nMusic=0\n");
  ::chmod(path.c_str(), 0000);
  const int code = InChild(
      [] {
        Language = 99;
        ReadSettings();
        return Language == 1 && Music && Sounds && !Capital ? 0 : 1;
      },
      true);
  EXPECT_EQ(code, 0) << "the unreadable file did not give the defaults";
}

namespace {
// Sets and writes the settings; the values of one of two sets.
void Write(bool second) {
  Language = second ? 16 : 3;
  Music = second;
  Sounds = !second;
  Capital = second;
  Speech = !second;
  WriteSettings();
}

// Writes the second set as a user without privileges, with the file and its
// folder in those modes, then gives both back to their owner.
void WriteUnprivileged(const char* file, mode_t fileMode, const char* folder, mode_t folderMode) {
  ::chmod(file, fileMode);
  ::chmod(folder, folderMode);
  const int code = InChild(
      [] {
        Write(true);
        return 0;
      },
      true);
  ::chmod(folder, 0755);
  ::chmod(file, 0644);
  EXPECT_EQ(code, 0);
}
}  // namespace

TEST_F(SettingsFile, AFailedWriteLeavesTheOldFileByteForByte) {
  // A file a parent keeps notes in, with a long line of its own.
  const std::string old = "; notes\r\n[Options]\r\nLanguage=5\r\nMusic=1\r\nNote=" + std::string(200000, 'n') + "\r\n";
  // A folder the program may not write in.
  WriteAll(path, old);
  WriteUnprivileged(path.c_str(), 0644, dir.path().toLocal8Bit().constData(), 0555);
  EXPECT_EQ(ReadAll(path), old);

  // A file the program may write but not read, in a folder it may write in:
  // replacing it would keep only the program's own keys.
  WriteUnprivileged(path.c_str(), 0222, dir.path().toLocal8Bit().constData(), 0777);
  EXPECT_EQ(ReadAll(path), old);

  // A full disk: no more than 4 kB may be written.
  EXPECT_EQ(InChild(
                [] {
                  signal(SIGXFSZ, SIG_IGN);
                  const rlimit limit{4096, 4096};
                  setrlimit(RLIMIT_FSIZE, &limit);
                  Write(true);
                  return 0;
                },
                false),
            0);
  EXPECT_EQ(ReadAll(path), old);
  for (const QString& name : QDir(dir.path()).entryList(QDir::Files))
    EXPECT_EQ(name, "TAMIRO.INI") << "a temporary file was left behind";

  // A folder in the file's place stays as it was.
  QFile::remove(QString::fromStdString(path));
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(path)));
  Write(true);
  EXPECT_TRUE(QFileInfo(QString::fromStdString(path)).isDir());
  EXPECT_TRUE(QDir(QString::fromStdString(path)).isEmpty());
}

TEST_F(SettingsFile, AWriteCutOffAtAnyMomentLeavesAWholeFile) {
  const std::string start = "[Options]\nLanguage=5\nBig=" + std::string(1 << 20, 'b') + "\n";
  // Every file the writes can leave: each key written is a whole file.
  std::set<std::string> whole;
  WriteAll(path, start);
  whole.insert(start);
  for (bool second : {false, true, false}) {
    tk::ProfileFile file(path);
    file.WriteString(kSettingsSection, "Language", second ? "16" : "3");
    whole.insert(ReadAll(path));
    file.WriteString(kSettingsSection, "Music", second ? "1" : "0");
    whole.insert(ReadAll(path));
    file.WriteString(kSettingsSection, "Sounds", second ? "0" : "1");
    whole.insert(ReadAll(path));
    file.WriteString(kSettingsSection, "Capital", second ? "1" : "0");
    whole.insert(ReadAll(path));
    file.WriteString(kSettingsSection, "Speech", second ? "0" : "1");
    whole.insert(ReadAll(path));
  }
  std::mt19937 random(11);
  for (int run = 0; run < 30; ++run) {
    WriteAll(path, start);
    const pid_t pid = fork();
    if (pid == 0) {
      for (int i = 0;; ++i) Write(i % 2 == 1);
    }
    usleep(static_cast<useconds_t>(2000 + random() % 40000));
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    EXPECT_EQ(whole.count(ReadAll(path)), 1u) << "run " << run << ": a file no write leaves whole";
  }
}
