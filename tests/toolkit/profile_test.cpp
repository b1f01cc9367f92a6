#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "toolkit/platform.h"
#include "toolkit/profile.h"

namespace {

std::string ReadAll(const std::string& path) {
  QFile f(QString::fromStdString(path));
  f.open(QIODevice::ReadOnly);
  return f.readAll().toStdString();
}

void WriteAll(const std::string& path, const std::string& text) {
  QFile f(QString::fromStdString(path));
  f.open(QIODevice::WriteOnly | QIODevice::Truncate);
  f.write(text.data(), static_cast<qint64>(text.size()));
}

class Profile : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  std::string path = (dir.path() + "/TAMIRO.INI").toStdString();
};

}  // namespace

TEST_F(Profile, ReadsWithoutRegardToCaseTrimmedAndFirstOccurrenceWins) {
  WriteAll(path,
           "; settings\n[Other]\nLanguage=9\n[ options ]\n  language = 7 \nLANGUAGE=8\nMusic=\n"
           "[OPTIONS]\nSounds=0\n");
  tk::ProfileFile file(path);
  EXPECT_EQ(file.ReadString("Options", "Language"), "7");
  EXPECT_EQ(file.ReadString("options", "music"), "");
  // Only the first section of a name counts.
  EXPECT_FALSE(file.ReadString("Options", "Sounds").has_value());
  EXPECT_FALSE(file.ReadString("Missing", "Language").has_value());
  EXPECT_EQ(file.ReadString("Options", "Capital", "0"), "0");
  EXPECT_FALSE(tk::ProfileFile(path + ".none").ReadString("Options", "Language").has_value());
}

TEST_F(Profile, WritingAKeyKeepsEveryOtherLine) {
  WriteAll(path, "; kept comment\n[Other]\nA=1\n\n[Options]\nLanguage=3\nOwn=x\n\n[Last]\nB=2\n");
  tk::ProfileFile file(path);
  ASSERT_TRUE(file.WriteString("Options", "language", "5"));
  ASSERT_TRUE(file.WriteString("Options", "Music", "0"));
  EXPECT_EQ(ReadAll(path),
            "; kept comment\n[Other]\nA=1\n\n[Options]\nlanguage=5\nOwn=x\nMusic=0\n\n[Last]\nB=2\n");
  EXPECT_EQ(file.ReadString("OPTIONS", "Language"), "5");
}

TEST_F(Profile, SeveralKeysGoIntoTheFileInOneReplacementInTheirOrder) {
  WriteAll(path, "[Options]\nSounds=1\nOwn=x\n\n[Last]\nB=2\n");
  tk::ProfileFile file(path);
  ASSERT_TRUE(file.WriteStrings("Options", {{"Language", "4"}, {"Music", "0"}, {"sounds", "0"}, {"Capital", "1"}}));
  EXPECT_EQ(ReadAll(path), "[Options]\nsounds=0\nOwn=x\nLanguage=4\nMusic=0\nCapital=1\n\n[Last]\nB=2\n");
  // A section the file lacks comes at its end, with every key.
  ASSERT_TRUE(file.WriteStrings("New", {{"A", "1"}, {"B", "2"}}));
  EXPECT_EQ(ReadAll(path).substr(ReadAll(path).size() - 14), "[New]\nA=1\nB=2\n");
  // None of them reaches a file that cannot be written.
  const std::string folder = (dir.path() + "/folder").toStdString();
  QDir().mkpath(QString::fromStdString(folder));
  EXPECT_FALSE(tk::ProfileFile(folder).WriteStrings("Options", {{"Language", "4"}, {"Music", "0"}}));
  EXPECT_TRUE(QDir(QString::fromStdString(folder)).isEmpty());
}

TEST_F(Profile, WritingCreatesFolderFileAndSectionAndKeepsLineEndings) {
  const std::string nested = (dir.path() + "/a/b/TAMIRO.INI").toStdString();
  tk::ProfileFile file(nested);
  ASSERT_TRUE(file.WriteString("Options", "Language", "2"));
  EXPECT_EQ(ReadAll(nested), "[Options]\r\nLanguage=2\r\n") << "a new file ends its lines in CRLF";

  // A file that exists keeps its own line endings, whichever they are.
  for (const std::string eol : {"\r\n", "\n", "\r"}) {
    WriteAll(path, "[Options]" + eol + "Language=1" + eol);
    ASSERT_TRUE(tk::ProfileFile(path).WriteString("Options", "Capital", "1"));
    EXPECT_EQ(ReadAll(path), "[Options]" + eol + "Language=1" + eol + "Capital=1" + eol);
  }
}

TEST_F(Profile, BareCarriageReturnsEndLinesAndQuotedValuesReadWithoutTheirQuotes) {
  WriteAll(path, "[Options]\rLanguage=\"3\"\rMusic='0'\rSounds=\"1'\rCapital=\"\"\rOwn=\"\r\n[Next]\nA=1");
  tk::ProfileFile file(path);
  EXPECT_EQ(file.ReadString("Options", "Language"), "3");
  EXPECT_EQ(file.ReadString("Options", "Music"), "0");
  EXPECT_EQ(file.ReadString("Options", "Sounds"), "\"1'") << "quotes that do not match stay";
  EXPECT_EQ(file.ReadString("Options", "Capital"), "");
  EXPECT_EQ(file.ReadString("Options", "Own"), "\"");
  EXPECT_EQ(file.ReadString("Next", "A"), "1");
  // A default comes back without its trailing blanks.
  EXPECT_EQ(file.ReadString("Options", "Missing", " 1 \t "), " 1");
  // Writing into such a file keeps each of its lines.
  ASSERT_TRUE(file.WriteString("Options", "Music", "1"));
  EXPECT_EQ(ReadAll(path), "[Options]\rLanguage=\"3\"\rMusic=1\rSounds=\"1'\rCapital=\"\"\rOwn=\"\r[Next]\rA=1\r");
}

TEST_F(Profile, AWriteThatCannotCompleteReportsFailureAndChangesNothing) {
  // A folder where the file should be: the write cannot be committed.
  QDir().mkpath(QString::fromStdString(path));
  tk::ProfileFile file(path);
  EXPECT_FALSE(file.WriteString("Options", "Language", "6"));
  EXPECT_TRUE(QFileInfo(QString::fromStdString(path)).isDir());
  EXPECT_TRUE(QDir(QString::fromStdString(path)).isEmpty());
  // No temporary file is left behind beside it.
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 0);
}

TEST(SettingsLocation, FollowsXdgConfigHome) {
  tk::SetSettingsFileOverride(std::nullopt);
  const QByteArray old = qgetenv("XDG_CONFIG_HOME");
  qputenv("XDG_CONFIG_HOME", "/tmp/cfg-home");
  EXPECT_EQ(tk::SettingsFilePath(), "/tmp/cfg-home/tamiro/TAMIRO.INI");
  qputenv("XDG_CONFIG_HOME", "");
  EXPECT_EQ(tk::SettingsFilePath(), (QDir::homePath() + "/.config/tamiro/TAMIRO.INI").toStdString());
  qputenv("XDG_CONFIG_HOME", old);
}

TEST(SettingsLocation, TheComputersFilesAndTheDesktopsLocaleComeFromTheEnvironment) {
  const char* const names[] = {"XDG_CONFIG_DIRS", "LC_ALL", "LC_MESSAGES", "LANG"};
  std::vector<std::optional<QByteArray>> saved;
  for (const char* name : names) saved.push_back(qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt);
  tk::SetSystemSettingsFilesOverride(std::nullopt);
  tk::SetDesktopLocaleOverride(std::nullopt);

  using Paths = std::vector<std::string>;
  qunsetenv("XDG_CONFIG_DIRS");
  EXPECT_EQ(tk::SystemSettingsFilePaths(), Paths{"/etc/xdg/tamiro/TAMIRO.INI"});
  // Most important first; relative and empty entries are no folders.
  qputenv("XDG_CONFIG_DIRS", "/opt/school/:relative/dir::/etc/xdg");
  EXPECT_EQ(tk::SystemSettingsFilePaths(), (Paths{"/opt/school/tamiro/TAMIRO.INI", "/etc/xdg/tamiro/TAMIRO.INI"}));
  qputenv("XDG_CONFIG_DIRS", "relative");
  EXPECT_EQ(tk::SystemSettingsFilePaths(), Paths{"/etc/xdg/tamiro/TAMIRO.INI"});

  // LC_ALL, LC_MESSAGES, LANG: the first that is set and not empty.
  struct Case {
    const char *all, *messages, *lang, *expected;
  };
  for (const Case& c : {Case{nullptr, nullptr, nullptr, ""}, Case{nullptr, nullptr, "de_DE.UTF-8", "de_DE.UTF-8"},
                        Case{"", "", "de_DE.UTF-8", "de_DE.UTF-8"}, Case{nullptr, "fr_FR", "de_DE", "fr_FR"},
                        Case{"C", "fr_FR", "de_DE", "C"}}) {
    const char* const values[] = {c.all, c.messages, c.lang};
    for (int i = 0; i < 3; ++i) {
      if (values[i]) qputenv(names[i + 1], values[i]);
      else qunsetenv(names[i + 1]);
    }
    EXPECT_EQ(tk::DesktopLocale(), c.expected);
  }

  for (std::size_t i = 0; i < saved.size(); ++i) {
    if (saved[i]) qputenv(names[i], *saved[i]);
    else qunsetenv(names[i]);
  }
}
