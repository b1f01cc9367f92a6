#include "data_file_fuzz.h"

#include "content/settings.h"
#include "content/byte_file.h"
#include "content/content_tables.h"
#include "fuzz_support.h"

namespace fuzzing {

using namespace tamiro;

void FuzzLoader(Loader loader, const std::uint8_t* data, std::size_t size) {
  static const char* const kFiles[] = {"bilder.crp", "lang.crp", "hangman.crp"};
  const int which = static_cast<int>(loader);
  WriteInput(kFiles[which], data, size);
  Language = static_cast<int>(size % kLanguageCount) + 1;
  for (auto& entry : HangmanWords) entry.Used = true;
  try {
    switch (loader) {
      case Loader::Pictures: LoadPictureCatalogue(); break;
      case Loader::Strings: LoadLanguageStrings(); break;
      case Loader::HangmanWords: LoadHangmanWords(); break;
    }
  } catch (const EInOutError&) {
    // Missing, unreadable or truncated data: reported to the user.
  } catch (const EConvertError&) {
    // A character group whose digits are no number: reported to the user.
  }
  // Whatever the file held, the tables keep to their sizes.
  for (int id = 1; id <= kPictureCount; ++id) {
    Require(Pictures[id].Name.size() <= 40, "picture names are at most 40 characters");
    Require(Pictures[id].PluralName.size() <= 40, "plural names are at most 40 characters");
    Require(Pictures[id].Colour <= 0xFFFFFFu, "colours are 24-bit");
  }
  for (const std::string& text : LangStrings) Require(text.size() <= 50, "interface strings are at most 50 characters");
  Require(HangmanWordCount >= 0 && HangmanWordCount <= kHangmanCapacity, "the word count fits the word list");
  for (int i = 1; i <= HangmanWordCount; ++i) {
    Require(HangmanWords[i].Word.size() <= 50, "hangman words are at most 50 characters");
    Require(HangmanWords[i].Used, "the loader leaves the Used marks alone");
  }
  Require(tk::CurrentCodePage() == CodePageForLanguage(Language), "texts are read in the language's code page");
}

}  // namespace fuzzing
