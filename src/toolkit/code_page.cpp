#include "toolkit/code_page.h"

#include <QChar>
#include <QString>
#include <array>
#include <unordered_map>

namespace tk {
namespace {

// Upper halves (0x80..0xFF) of the two code pages. Bytes the code page leaves
// undefined map to the C1 control of the same value, as the platform's own
// conversion does, so every byte survives a round trip.
constexpr std::array<char16_t, 128> kUpper1252 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF,
    0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF,
    0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7,
    0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7,
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF,
    0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,
    0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,
};

constexpr std::array<char16_t, 128> kUpper1250 = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021,
    0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

CodePage g_page = CodePage::Windows1252;

const std::array<char16_t, 128>& UpperHalf(CodePage page) {
  return page == CodePage::Windows1250 ? kUpper1250 : kUpper1252;
}

using ReverseMap = std::unordered_map<char16_t, unsigned char>;

const ReverseMap& Reverse(CodePage page) {
  static const auto build = [](const std::array<char16_t, 128>& half) {
    ReverseMap map;
    for (int i = 0; i < 128; ++i) map.emplace(half[i], static_cast<unsigned char>(0x80 + i));
    return map;
  };
  static const ReverseMap r1252 = build(kUpper1252);
  static const ReverseMap r1250 = build(kUpper1250);
  return page == CodePage::Windows1250 ? r1250 : r1252;
}

bool Lookup(char16_t unit, CodePage page, unsigned char& out) {
  if (unit < 0x80) {
    out = static_cast<unsigned char>(unit);
    return true;
  }
  const auto& map = Reverse(page);
  auto it = map.find(unit);
  if (it == map.end()) return false;
  out = it->second;
  return true;
}

// Replacements for characters that no decomposition reaches.
char16_t PlainForm(char16_t unit, CodePage page) {
  switch (unit) {
    case 0x0218: return page == CodePage::Windows1250 ? 0x015E : u'S';  // Ș
    case 0x0219: return page == CodePage::Windows1250 ? 0x015F : u's';  // ș
    case 0x021A: return page == CodePage::Windows1250 ? 0x0162 : u'T';  // Ț
    case 0x021B: return page == CodePage::Windows1250 ? 0x0163 : u't';  // ț
    case 0x0110: return u'D';  // Đ (Windows-1252 lacks it)
    case 0x0111: return u'd';
    case 0x0141: return u'L';  // Ł
    case 0x0142: return u'l';
    case 0x00D0: return u'D';
    case 0x00F0: return u'd';
    case 0x00D8: return u'O';
    case 0x00F8: return u'o';
    case 0x00DE: return u'T';
    case 0x00FE: return u't';
    case 0x0131: return u'i';
    case 0x2018: case 0x2019: case 0x201B: case 0x2032: return u'\'';
    case 0x201C: case 0x201D: case 0x201E: case 0x2033: return u'"';
    case 0x2010: case 0x2011: case 0x2012: case 0x2013: case 0x2014: case 0x2212: return u'-';
    case 0x00A0: case 0x2002: case 0x2003: case 0x2009: case 0x202F: return u' ';
    case 0x00D7: return u'x';
    default: return 0;
  }
}

}  // namespace

CodePage CurrentCodePage() { return g_page; }
void SetCodePage(CodePage page) { g_page = page; }

char16_t ToUnicode(unsigned char byte, CodePage page) {
  if (byte < 0x80) return byte;
  return UpperHalf(page)[byte - 0x80];
}

bool Representable(char16_t unit, CodePage page) {
  unsigned char b;
  return Lookup(unit, page, b);
}

unsigned char FromUnicode(char16_t unit, CodePage page) {
  unsigned char out;
  if (Lookup(unit, page, out)) return out;
  if (char16_t plain = PlainForm(unit, page); plain != 0 && Lookup(plain, page, out)) return out;
  // A letter with a diacritic: try its base letter.
  const QString decomposed = QChar(unit).decomposition();
  if (!decomposed.isEmpty() && QChar(unit).decompositionTag() == QChar::Canonical) {
    if (Lookup(decomposed.at(0).unicode(), page, out)) return out;
  }
  return '?';
}

QString ToQString(const std::string& text, CodePage page) {
  QString result;
  result.reserve(static_cast<qsizetype>(text.size()));
  for (char c : text) result.append(QChar(ToUnicode(static_cast<unsigned char>(c), page)));
  return result;
}

QString ToQString(const std::string& text) { return ToQString(text, g_page); }

std::string FromQString(const QString& text, CodePage page) {
  std::string result;
  result.reserve(static_cast<std::size_t>(text.size()));
  for (QChar c : text) result.push_back(static_cast<char>(FromUnicode(c.unicode(), page)));
  return result;
}

std::string FromQString(const QString& text) { return FromQString(text, g_page); }

std::string UpperCase(const std::string& text, CodePage page) {
  std::string result = text;
  for (char& c : result) {
    const char16_t unit = ToUnicode(static_cast<unsigned char>(c), page);
    const char16_t upper = QChar(unit).toUpper().unicode();
    unsigned char b;
    if (upper != unit && Lookup(upper, page, b)) c = static_cast<char>(b);
  }
  return result;
}

std::string UpperCase(const std::string& text) { return UpperCase(text, g_page); }

}  // namespace tk
