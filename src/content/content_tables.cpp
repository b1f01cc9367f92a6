#include "content/content_tables.h"

#include <algorithm>

#include "content/settings.h"
#include "content/texts.h"
#include "content/byte_file.h"
#include "toolkit/forms.h"
#include "toolkit/platform.h"

namespace tamiro {

std::array<TPictureEntry, kPictureCount + 1> Pictures;
std::array<std::string, kLangStringCount + 1> LangStrings;
std::array<THangmanEntry, kHangmanCapacity + 1> HangmanWords;
int HangmanWordCount = 0;
std::array<std::string, kLanguageCount + 1> LanguageNames;

namespace {

std::string Cut(std::string text, std::size_t length) {
  if (text.size() > length) text.resize(length);
  return text;
}

// Readers decode into the code page of the language being loaded, so every
// table in memory shares one code page.
void UseLanguageCodePage() { tk::SetCodePage(CodePageForLanguage(Language)); }

int SignedWord(TByteFile& file) { return static_cast<std::int16_t>(file.ReadWord()); }

}  // namespace

const std::string& LangString(Text text) { return LangStrings[static_cast<std::size_t>(TagOf(text))]; }

std::string GlyphText(int pictureId) {
  if (pictureId < 1 || pictureId > kPictureCount) return std::string(1, '?');
  return std::string(1, static_cast<char>(Pictures[pictureId].Glyph & 0xFF));
}

tk::CodePage CodePageForLanguage(int language) {
  return (language == 7 || language == 13 || language == 16) ? tk::CodePage::Windows1250
                                                             : tk::CodePage::Windows1252;
}

std::string ProgramDirectory() {
  const std::string path = tk::ExecutablePath();
  if (path.size() < 2) return std::string();
  for (std::size_t i = path.size() - 1; i-- > 0;) {
    if (path[i] == tk::kPathSeparator) return path.substr(0, i);
  }
  return std::string();
}

std::string ProgramFile(const std::string& name) { return ProgramDirectory() + tk::kPathSeparator + name; }

void FillLanguageNames() {
  static const char* const kNames[kLanguageCount] = {
      "Swedish",  "English", "Danish",          "Norwegian",
      "Finnish",  "German",  "Croatian",        "Estonian",
      "French",   "Catalan", "Spanish (Spain)", "Spanish (Latin America)",
      "Romanian", "Afrikaans", "Breton",        "Polish",
      "Italian",  "Portuguese (Brazil)"};
  for (int i = 1; i <= kLanguageCount; ++i) LanguageNames[i] = kNames[i - 1];
}

void LoadPictureCatalogue() {
  for (int i = 1; i <= kPictureCount; ++i) {
    Pictures[i].Name = "foo";
    Pictures[i].PluralName = "foobar";
    Pictures[i].Colour = 0xC0C0C0;
  }
  UseLanguageCodePage();
  TByteFile file(ProgramFile("bilder.crp"));
  while (!file.AtEnd()) {
    const int id = SignedWord(file);
    const int glyph = SignedWord(file);
    std::string name, plural;
    // Only the names in the language in use are converted and kept.
    for (int language = 1; language <= kLanguageCount; ++language) {
      if (language == Language) {
        name = file.ReadString();
        plural = file.ReadString();
      } else {
        file.SkipString();
        file.SkipString();
      }
    }
    const int red = SignedWord(file) & 0xFF;
    const int green = SignedWord(file) & 0xFF;
    const int blue = SignedWord(file) & 0xFF;
    // A record for a picture the catalogue has no place for is read and
    // dropped, so no file can write outside the table.
    if (id < 1 || id > kPictureCount) continue;
    TPictureEntry& entry = Pictures[id];
    entry.Glyph = glyph;
    entry.Name = Cut(std::move(name), 40);
    entry.PluralName = Cut(std::move(plural), 40);
    entry.Colour = static_cast<std::uint32_t>(blue << 16 | green << 8 | red);
  }
}

void LoadLanguageStrings() {
  UseLanguageCodePage();
  TByteFile file(ProgramFile("lang.crp"));
  while (!file.AtEnd()) {
    const int tag = SignedWord(file);
    std::string text;
    for (int language = 1; language <= kLanguageCount; ++language) {
      if (language == Language) text = file.ReadString();
      else file.SkipString();
    }
    if (tag >= 1 && tag <= kLangStringCount) LangStrings[tag] = Cut(std::move(text), 50);
  }
}

void LoadHangmanWords() {
  int n = 0;
  UseLanguageCodePage();
  // A file that cannot be opened leaves the words already loaded as they
  // are. Once it is open, the count is kept up to date as words arrive, so a
  // file that fails half way leaves a table that is whole as far as it goes.
  TByteFile file(ProgramFile("hangman.crp"));
  HangmanWordCount = 0;
  while (!file.AtEnd()) {
    const int language = SignedWord(file);
    if (language != Language || n >= kHangmanCapacity) {
      file.SkipString();
      continue;
    }
    std::string word = file.ReadString();
    ++n;
    HangmanWords[n].Word = Cut(std::move(word), 50);
    HangmanWordCount = n;
  }
  HangmanWordCount = n;
}

std::string BoardSizeCaption(int cards) {
  constexpr std::size_t kCaptionLength = 53;
  const std::string number = std::to_string(cards) + " ";
  const std::string& own = LangString(Text::BoardSizes);
  for (std::size_t from = 0; from <= own.size();) {
    const std::size_t end = std::min(own.find('|', from), own.size());
    const std::string caption = own.substr(from, end - from);
    if (caption.size() > number.size() && caption.compare(0, number.size(), number) == 0)
      return caption.substr(0, kCaptionLength);
    from = end + 1;
  }
  return (number + LangString(Text::Cards)).substr(0, kCaptionLength);
}

void TranslateForm(tk::Form& form) {
  SetLanguageFonts(Language);
  LoadLanguageStrings();
  for (tk::Component* component : form.Components()) {
    const int tag = component->Tag;
    if (tag == 0) continue;
    if (auto* label = dynamic_cast<tk::Label*>(component)) {
      label->Caption = tag >= 1 && tag <= kLangStringCount ? LangStrings[tag] : std::string();
      if (!label->FixedFont) label->Font.Name = ExerciseFont;
      label->Invalidate();
    }
  }
  if (form.Tag >= 1 && form.Tag <= kLangStringCount) form.Caption = LangStrings[form.Tag];
}

}  // namespace tamiro
