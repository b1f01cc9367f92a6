#pragma once
// Game text is single-byte text in the program's code page. The code page
// follows the interface language: Windows-1250 for the Central European
// languages whose letters Windows-1252 lacks, Windows-1252 for the others.
// Text is converted only at the program's edges: decoding data files,
// drawing, and typed keys.

#include <string>

class QString;

namespace tk {

enum class CodePage { Windows1252, Windows1250 };

CodePage CurrentCodePage();
void SetCodePage(CodePage page);

// The character a byte stands for in the code page.
char16_t ToUnicode(unsigned char byte, CodePage page);
inline char16_t ToUnicode(unsigned char byte) { return ToUnicode(byte, CurrentCodePage()); }

// The byte for a UTF-16 code unit, with best-fit replacement for characters
// the code page lacks: a letter with a diacritic the page does not have
// becomes the closest letter it has (Ș becomes Ş in Windows-1250, S in
// Windows-1252), typographic marks their plain forms, anything else '?'.
unsigned char FromUnicode(char16_t unit, CodePage page);
inline unsigned char FromUnicode(char16_t unit) { return FromUnicode(unit, CurrentCodePage()); }

// True when the code page holds the character itself (no replacement).
bool Representable(char16_t unit, CodePage page);

QString ToQString(const std::string& text, CodePage page);
QString ToQString(const std::string& text);
std::string FromQString(const QString& text, CodePage page);
std::string FromQString(const QString& text);

// Upper-cases single-byte text letter by letter with the Unicode case rules
// ("å" becomes "Å", "ÿ" becomes "Ÿ"). The length never changes: a letter
// whose upper case the code page lacks, or whose upper case is more than one
// letter (ß), stays as it is.
std::string UpperCase(const std::string& text, CodePage page);
std::string UpperCase(const std::string& text);

}  // namespace tk
