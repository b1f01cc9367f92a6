#include <gtest/gtest.h>

#include <QString>

#include "toolkit/code_page.h"
#include "toolkit/profile.h"

using tk::CodePage;

TEST(CodePage, EveryByteSurvivesARoundTripInBothPages) {
  for (CodePage page : {CodePage::Windows1252, CodePage::Windows1250}) {
    for (int b = 0; b < 256; ++b) {
      const char16_t unit = tk::ToUnicode(static_cast<unsigned char>(b), page);
      EXPECT_EQ(tk::FromUnicode(unit, page), b) << "byte " << b;
    }
  }
}

TEST(CodePage, LettersLandOnTheirBytesAndMissingOnesGetTheBestFit) {
  EXPECT_EQ(tk::FromUnicode(u'å', CodePage::Windows1252), 0xE5);
  EXPECT_EQ(tk::FromUnicode(u'Ś', CodePage::Windows1250), 0x8C);
  EXPECT_EQ(tk::FromUnicode(u'ł', CodePage::Windows1250), 0xB3);
  // Windows-1252 lacks the Polish letters: the base letter stands in.
  EXPECT_EQ(tk::FromUnicode(u'Ś', CodePage::Windows1252), 'S');
  EXPECT_EQ(tk::FromUnicode(u'ł', CodePage::Windows1252), 'l');
  // Romanian comma-below letters become the cedilla letters the page has.
  EXPECT_EQ(tk::FromUnicode(u'Ș', CodePage::Windows1250), 0xAA);
  EXPECT_EQ(tk::FromUnicode(u'ț', CodePage::Windows1250), 0xFE);
  EXPECT_EQ(tk::FromUnicode(u'’', CodePage::Windows1250), 0x92);
  EXPECT_EQ(tk::FromUnicode(u'字', CodePage::Windows1252), '?');
  EXPECT_FALSE(tk::Representable(u'Ș', CodePage::Windows1250));
  EXPECT_TRUE(tk::Representable(u'Ş', CodePage::Windows1250));
}

TEST(CodePage, QStringConversionFollowsTheCurrentPage) {
  tk::SetCodePage(CodePage::Windows1250);
  EXPECT_EQ(tk::FromQString(QStringLiteral("żółw")), std::string("\xBF\xF3\xB3w"));
  EXPECT_EQ(tk::ToQString(std::string("\xBF\xF3\xB3w")), QStringLiteral("żółw"));
  tk::SetCodePage(CodePage::Windows1252);
  EXPECT_EQ(tk::ToQString(std::string("\xBF\xF3\xB3w")), QStringLiteral("¿ó³w"));
}

TEST(CodePage, UpperCaseFollowsTheLettersOfEachPage) {
  const auto upper1252 = [](const QString& s) {
    return tk::ToQString(tk::UpperCase(tk::FromQString(s, CodePage::Windows1252), CodePage::Windows1252),
                         CodePage::Windows1252);
  };
  const auto upper1250 = [](const QString& s) {
    return tk::ToQString(tk::UpperCase(tk::FromQString(s, CodePage::Windows1250), CodePage::Windows1250),
                         CodePage::Windows1250);
  };
  EXPECT_EQ(upper1252(QStringLiteral("blåbär ö")), QStringLiteral("BLÅBÄR Ö"));
  EXPECT_EQ(upper1252(QStringLiteral("œuf ÿ š")), QStringLiteral("ŒUF Ÿ Š"));
  // ß has no single upper-case letter: it stays, and the length stays.
  EXPECT_EQ(upper1252(QStringLiteral("straße")), QStringLiteral("STRAßE"));
  EXPECT_EQ(upper1250(QStringLiteral("źdźbło żaba ţară")), QStringLiteral("ŹDŹBŁO ŻABA ŢARĂ"));
  EXPECT_EQ(upper1252(QStringLiteral("1:a ~ -")), QStringLiteral("1:A ~ -"));
}

TEST(StrToInt, ReadsDecimalAndHexadecimalAndRejectsTheRest) {
  EXPECT_EQ(tk::StrToInt("18"), 18);
  EXPECT_EQ(tk::StrToInt("-3"), -3);
  EXPECT_EQ(tk::StrToInt("+7"), 7);
  EXPECT_EQ(tk::StrToInt("  5"), 5);
  EXPECT_EQ(tk::StrToInt("00072"), 72);
  EXPECT_EQ(tk::StrToInt("0x10"), 16);
  EXPECT_EQ(tk::StrToInt("0X1f"), 31);
  EXPECT_EQ(tk::StrToInt("$1A"), 26);
  EXPECT_EQ(tk::StrToInt("0xFFFFFFFF"), -1);
  EXPECT_EQ(tk::StrToInt("2147483647"), 2147483647);
  EXPECT_EQ(tk::StrToInt("-2147483648"), -2147483647 - 1);
  for (const char* bad : {"", "abc", "0x", "$", "5 ", "1.5", "12a", "2147483648", "99999999999", "-", "0x1G"})
    EXPECT_FALSE(tk::StrToInt(bad).has_value()) << bad;
  EXPECT_EQ(tk::StrToIntDef("abc", 4), 4);
}
