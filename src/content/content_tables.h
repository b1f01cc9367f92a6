#pragma once
// The content tables: what the current language's data files hold, copied
// into fixed, 1-based tables that live for the whole run. The loaders refill
// them in place; only the Used marks belong to the exercises.

#include <array>
#include <cstdint>
#include <string>

#include "content/fonts.h"
#include "content/texts.h"
#include "toolkit/code_page.h"

namespace tk {
class Form;
}

namespace tamiro {

inline constexpr int kPictureCount = 119;
inline constexpr int kLangStringCount = 50;
inline constexpr int kHangmanCapacity = 200;
inline constexpr int kLanguageCount = 18;

struct TPictureEntry {
  std::string Name;        // at most 40 characters; empty when the language has none
  std::string PluralName;  // at most 40 characters
  std::uint32_t Colour = 0;  // 0x00BBGGRR
  bool Used = false;
  std::int32_t Glyph = 0;  // only the low byte is drawn
};

struct THangmanEntry {
  std::string Word;  // at most 50 characters
  bool Used = false;
};

// Index 0 of every table is unused, so indices match the numbers in the files.
extern std::array<TPictureEntry, kPictureCount + 1> Pictures;
extern std::array<std::string, kLangStringCount + 1> LangStrings;
extern std::array<THangmanEntry, kHangmanCapacity + 1> HangmanWords;
extern int HangmanWordCount;
extern std::array<std::string, kLanguageCount + 1> LanguageNames;

// The one-character text a picture is drawn as.
std::string GlyphText(int pictureId);

// The code page the texts of a language are written in.
tk::CodePage CodePageForLanguage(int language);

// The folder of the running executable, without a trailing separator; empty
// when the path has none.
std::string ProgramDirectory();
// ProgramDirectory + separator + name.
std::string ProgramFile(const std::string& name);

void FillLanguageNames();
void LoadPictureCatalogue();
void LoadLanguageStrings();
void LoadHangmanWords();

// The caption of a memory board-size button: the number of cards, a blank
// and the word for cards (tag 18), or the language's own caption for that
// number where its words differ (one of the captions of tag 27, separated
// by "|", such as "24 karty"). At most 53 characters.
std::string BoardSizeCaption(int cards);

// Puts the current language's strings and fonts on a form: fonts, strings,
// then the captions of its tagged labels and its own caption. Labels take
// the exercise font unless their font is fixed by design.
void TranslateForm(tk::Form& form);

}  // namespace tamiro
