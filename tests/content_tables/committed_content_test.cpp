// The committed data files, read with the program's own loaders, hold in
// every language exactly what the readable sources say.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStringList>

#include "content/settings.h"
#include "content/content_tables.h"
#include "toolkit/code_page.h"
#include "toolkit/help_viewer.h"
#include "toolkit/platform.h"

using namespace tamiro;

namespace {

QStringList Lines(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  QStringList lines = QString::fromUtf8(f.readAll()).split('\n');
  while (!lines.isEmpty() && lines.last().trimmed().isEmpty()) lines.removeLast();
  return lines;
}

QString LanguageFolder(int language) {
  QDir dir(QStringLiteral(TAMIRO_SOURCE_DIR "/assets-src/lang"));
  const QStringList match = dir.entryList({QString("%1-*").arg(language, 2, 10, QChar('0'))}, QDir::Dirs);
  return match.isEmpty() ? QString() : dir.filePath(match.first());
}

}  // namespace

TEST(CommittedContent, EveryLanguageReadsBackAsItsSourcesSayThem) {
  tk::SetExecutablePathOverride(std::string(TAMIRO_SOURCE_DIR) + "/assets/tamiro");
  for (int language = 1; language <= kLanguageCount; ++language) {
    SCOPED_TRACE("language " + std::to_string(language));
    const QString folder = LanguageFolder(language);
    ASSERT_FALSE(folder.isEmpty());
    Language = language;
    LoadPictureCatalogue();
    LoadLanguageStrings();
    LoadHangmanWords();
    const tk::CodePage page = CodePageForLanguage(language);
    EXPECT_EQ(tk::CurrentCodePage(), page);
    const auto bytes = [page](const QString& text) { return tk::FromQString(text, page); };

    const QStringList pictures = Lines(folder + "/pictures.tsv");
    ASSERT_EQ(pictures.size(), kPictureCount + 1);
    for (int id = 1; id <= kPictureCount; ++id) {
      const QStringList cols = pictures[id].split('\t');
      ASSERT_EQ(cols.value(0).toInt(), id);
      EXPECT_EQ(Pictures[static_cast<std::size_t>(id)].Name, bytes(cols.value(1))) << "picture " << id;
      EXPECT_EQ(Pictures[static_cast<std::size_t>(id)].PluralName, bytes(cols.value(2))) << "picture " << id;
    }

    for (const QString& row : Lines(folder + "/strings.tsv").mid(1)) {
      const QStringList cols = row.split('\t');
      const int tag = cols.value(0).toInt();
      EXPECT_EQ(LangStrings[static_cast<std::size_t>(tag)], bytes(cols.mid(1).join('\t'))) << "tag " << tag;
    }

    QStringList words;
    for (const QString& w : Lines(folder + "/hangman.txt"))
      if (!w.trimmed().isEmpty()) words << w.trimmed();
    ASSERT_EQ(HangmanWordCount, words.size());
    for (int i = 0; i < words.size(); ++i)
      EXPECT_EQ(HangmanWords[static_cast<std::size_t>(i + 1)].Word, bytes(words[i]));
  }
  // Glyphs and colours come from the picture list.
  const QStringList catalogue = Lines(QStringLiteral(TAMIRO_SOURCE_DIR "/assets-src/pictures.tsv"));
  ASSERT_EQ(catalogue.size(), kPictureCount + 1);
  for (int id = 1; id <= kPictureCount; ++id) {
    const QStringList cols = catalogue[id].split('\t');
    const unsigned rgb = cols.value(4).mid(1).toUInt(nullptr, 16);
    EXPECT_EQ(Pictures[static_cast<std::size_t>(id)].Glyph, cols.value(1).toInt());
    EXPECT_EQ(Pictures[static_cast<std::size_t>(id)].Colour, ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | (rgb >> 16));
  }
  Language = 1;
  tk::SetExecutablePathOverride(std::nullopt);
}

// Every language has every help topic of its own: the menu, the games, the
// About window and each game's (110 + its exercise number, 122 hangman), so
// that help opened from a game shows that game's topic.
TEST(CommittedContent, EveryLanguageHasTheSameHelpTopicsEachItsOwn) {
  const std::string file = TAMIRO_SOURCE_DIR "/assets/TAMIRO.HLP";
  std::vector<int> contexts = {100, 101, 102};
  for (int c = 111; c <= 122; ++c) contexts.push_back(c);
  for (int language = 1; language <= kLanguageCount; ++language) {
    for (int context : contexts) {
      const tk::HelpTopic topic = tk::ReadHelpTopic(file, language, context);
      EXPECT_TRUE(topic.found && topic.language == language && topic.context == context && !topic.title.isEmpty() &&
                  !topic.paragraphs.isEmpty())
          << "language " << language << " context " << context << ": shows language " << topic.language
          << " context " << topic.context;
    }
  }
}
