#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QFontDatabase>
#include <QTimer>
#include <random>
#include <sys/stat.h>

#include "app/main_menu.h"
#include "content/game_record.h"
#include "content/settings.h"
#include "app/about.h"
#include "app/startup.h"
#include "exercises/common/message_form.h"
#include "content/content_tables.h"
#include "support/test_support.h"
#include "toolkit/application.h"
#include "toolkit/profile.h"
#include "content/fonts.h"
#include "content/helpers.h"

using namespace tamiro;
using testing_support::EncodeLangString;
using testing_support::EncodePicture;
using testing_support::Messages;
using testing_support::PictureRecord;
using testing_support::ProgramDir;

namespace {

void Settings(const ProgramDir& dir, const std::string& text) { dir.Write("TAMIRO.INI", text); }

struct Read {
  int language;
  bool music, sounds, capital;
  bool locked = false;
  bool speech = true;
  bool operator==(const Read&) const = default;
  friend void PrintTo(const Read& r, std::ostream* out) {
    *out << "language " << r.language << (r.music ? " music" : "") << (r.sounds ? " sounds" : "")
         << (r.capital ? " capital" : "") << (r.locked ? " locked" : "")
         << (r.speech ? " speech" : "");
  }
};

Read ReadWith(const ProgramDir& dir, const std::string& text) {
  Settings(dir, text);
  ReadSettings();
  return {Language, Music, Sounds, Capital, Locked, Speech};
}

}  // namespace

TEST(Settings, DefaultsAndRangeRulesOfEveryKey) {
  ProgramDir dir;
  ReadSettings();  // no file at all, on a Swedish desktop
  EXPECT_EQ(Language, 1);
  EXPECT_TRUE(Music);
  EXPECT_TRUE(Sounds);
  EXPECT_FALSE(Capital);
  EXPECT_TRUE(Speech);

  for (const char* outside : {"0", "19", "-3"})
    EXPECT_EQ(ReadWith(dir, std::string("[Options]\nLanguage=") + outside + "\n").language, 2) << outside;
  EXPECT_EQ(ReadWith(dir, "[Options]\nLanguage=18\n").language, 18);
  EXPECT_EQ(ReadWith(dir, "[Options]\nLanguage=abc\n").language, 1);
  EXPECT_EQ(ReadWith(dir, "[Options]\nLanguage=0x10\n").language, 16);
  EXPECT_EQ(ReadWith(dir, "[options]\nlanguage = 9\n").language, 9);

  EXPECT_FALSE(ReadWith(dir, "[Options]\nMusic=2\n").music);
  EXPECT_TRUE(ReadWith(dir, "[Options]\nMusic=1\n").music);
  EXPECT_TRUE(ReadWith(dir, "[Options]\nLanguage=3\n").music);
  EXPECT_TRUE(ReadWith(dir, "[Options]\nMusic=yes\n").music) << "not a number: the default";
  EXPECT_FALSE(ReadWith(dir, "[Options]\nSounds=0\n").sounds);
  EXPECT_TRUE(ReadWith(dir, "[Options]\nCapital=1\n").capital);
  EXPECT_FALSE(ReadWith(dir, "[Options]\nCapital=0x1x\n").capital);
  EXPECT_FALSE(ReadWith(dir, "[Options]\nCapital=3\n").capital);
  EXPECT_TRUE(ReadWith(dir, "[Options]\nCapital=0x1\n").capital);
  // A file from before spoken words has them on; 0 turns them off.
  EXPECT_TRUE(ReadWith(dir, "[Options]\nLanguage=3\nMusic=0\nSounds=0\nCapital=1\n").speech);
  EXPECT_FALSE(ReadWith(dir, "[Options]\nSpeech=0\n").speech);

  // A file edited by hand: quoted values, and lines ending in a bare CR.
  const Read quoted = ReadWith(dir, "[Options]\r\nLanguage=\"3\"\r\nMusic=\"0\"\r\nCapital='1'\r\n");
  EXPECT_EQ(quoted.language, 3);
  EXPECT_FALSE(quoted.music);
  EXPECT_TRUE(quoted.capital);
  const Read bareCr = ReadWith(dir, "[Options]\rLanguage=16\rSounds=0\rMusic=0\r");
  EXPECT_EQ(bareCr.language, 16);
  EXPECT_FALSE(bareCr.sounds);
  EXPECT_FALSE(bareCr.music);
}

TEST(Settings, TheDesktopsLocaleNamesTheLanguage) {
  const std::pair<const char*, int> locales[] = {
      {"sv_SE.UTF-8", 1}, {"sv_FI", 1},      {"en_GB.UTF-8", 2},  {"en", 2},         {"da_DK.UTF-8", 3},
      {"nb_NO.UTF-8", 4}, {"nn_NO", 4},      {"no_NO", 4},        {"fi_FI", 5},      {"de_DE.UTF-8", 6},
      {"de_AT", 6},       {"de_CH.UTF-8", 6}, {"hr_HR", 7},        {"et_EE", 8},      {"fr_FR.UTF-8", 9},
      {"fr_BE", 9},       {"fr_CA", 9},      {"fr_CH", 9},        {"ca_ES.UTF-8", 10}, {"ca_ES@valencia", 10},
      {"es_ES.UTF-8", 11}, {"es", 11},       {"es_MX.UTF-8", 12}, {"es_AR", 12},     {"es_US", 12},
      {"es-419", 12},     {"ro_RO", 13},     {"af_ZA", 14},       {"br_FR", 15},     {"pl_PL.UTF-8", 16},
      {"it_IT@euro", 17}, {"pt_BR.UTF-8", 18}, {"pt_PT", 18},     {"pt-BR", 18},     {"de-DE", 6},
      // Everything else is English.
      {"C", 2},           {"POSIX", 2},      {"C.UTF-8", 2},      {"ja_JP.UTF-8", 2}, {"", 2},
      {"se_NO", 2},       {"sr_RS@latin", 2}, {"est_EE", 2},      {"eu_ES", 2},      {"nds_DE", 2}};
  for (const auto& [locale, language] : locales) EXPECT_EQ(LanguageForLocale(locale), language) << locale;
}

TEST(Settings, TheComputersFileLiesBeneathTheUsersOwn) {
  ProgramDir dir;
  const std::string user = dir.File("TAMIRO.INI"), system = dir.SystemFile(), second = dir.File("second.INI");
  tk::SetSystemSettingsFilesOverride(std::vector<std::string>{system, second});
  std::string noise(4096, '\0');
  std::mt19937 random(7);
  for (char& c : noise) c = static_cast<char>(random());
  enum class Kind { None, Text, Folder, Pipe };
  struct Case {
    const char* what;
    const char* user;  // nullptr: no file
    Kind kind;
    std::string system;
    const char* secondSystem;
    const char* locale;
    Read expected;
  };
  const Case cases[] = {
      {"the school's choices", nullptr, Kind::Text, "[Options]\nLanguage=16\nMusic=0\nSounds=0\nCapital=1\nLocked=1\nSpeech=0\n",
       nullptr, "de_DE.UTF-8", {16, false, false, true, true, false}},
      {"the user's keys win, key by key", "[Options]\nLanguage=3\nMusic=1\n", Kind::Text,
       "[Options]\nLanguage=16\nMusic=0\nSounds=0\nCapital=1\n", nullptr, "C", {3, true, false, true}},
      {"the user's own values keep their meaning", "[Options]\nLanguage=abc\nSounds=yes\n", Kind::Text,
       "[Options]\nLanguage=16\nSounds=0\n", nullptr, "de_DE", {1, true, true, false}},
      {"a language out of range in the user's file", "[Options]\nLanguage=19\n", Kind::Text, "[Options]\nLanguage=16\n",
       nullptr, "de_DE", {2, true, true, false}},
      {"Locked in the user's file", "[Options]\nLocked=1\nMusic=0\n", Kind::None, "", nullptr, "pl_PL.UTF-8",
       {16, false, true, false}},
      {"values of the computer's that are none", nullptr, Kind::Text,
       "[Options]\nLanguage=19\nMusic=on\nCapital=x\nLocked=yes\n", nullptr, "fr_CA.UTF-8", {9, true, true, false}},
      {"the first computer's file that has the key", nullptr, Kind::Text, "[Options]\nLanguage=9\n",
       "[Options]\nLanguage=16\nMusic=0\nLocked=1\n", "C", {9, false, true, false, true}},
      {"random bytes", nullptr, Kind::Text, noise, nullptr, "ja_JP.UTF-8", {2, true, true, false}},
      {"a folder", nullptr, Kind::Folder, "", nullptr, "es_MX", {12, true, true, false}},
      {"a pipe, never waited on", "[Options]\nMusic=0\n", Kind::Pipe, "", nullptr, "nb_NO", {4, false, true, false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (const std::string& path : {user, system, second}) {
      QFile::remove(QString::fromStdString(path));
      QDir().rmdir(QString::fromStdString(path));
    }
    if (c.user) dir.Write("TAMIRO.INI", c.user);
    if (c.kind == Kind::Text) dir.Write("system-TAMIRO.INI", c.system);
    if (c.kind == Kind::Folder) {
      ASSERT_TRUE(QDir().mkdir(QString::fromStdString(system)));
    }
    if (c.kind == Kind::Pipe) {
      ASSERT_EQ(mkfifo(system.c_str(), 0644), 0);
    }
    if (c.secondSystem) dir.Write("second.INI", c.secondSystem);
    tk::SetDesktopLocaleOverride(c.locale);
    ReadSettings();
    EXPECT_EQ((Read{Language, Music, Sounds, Capital, Locked, Speech}), c.expected);
    EXPECT_EQ(QFile::exists(QString::fromStdString(user)), c.user != nullptr) << "start-up wrote the user's file";
  }
  // A key for the computer's file alone: the user's file is not read.
  dir.Write("TAMIRO.INI", "[Options]\nRecord=1\n");
  dir.Write("second.INI", "[Options]\nRecord=0\n");
  EXPECT_EQ(ReadSystemSetting("Record"), std::optional<std::string>("0"));
  EXPECT_EQ(ReadSystemSetting("Language"), std::nullopt);
  EXPECT_TRUE(Recording()) << "recording is on where the computer's file has no Record";
  ReadSettings();
  EXPECT_FALSE(Recording()) << "Record=0 in the computer's file keeps no record";
  SetRecording(true);
  Language = 1;
  Music = Sounds = true;
  Capital = Locked = false;
}

TEST(Settings, WritingKeepsTheUsersOtherLines) {
  ProgramDir dir;
  Settings(dir, "# mine\n[Options]\nLanguage=3\nExtra=1\n");
  Language = 16;
  Music = false;
  Sounds = true;
  Capital = true;
  Speech = false;
  WriteSettings();
  QFile f(QString::fromStdString(dir.File("TAMIRO.INI")));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll().toStdString(), "# mine\n[Options]\nLanguage=16\nExtra=1\nMusic=0\nSounds=1\nCapital=1\nSpeech=0\n");
  Language = 1;
  Speech = true;
}

namespace {

class Startup : public ::testing::Test {
 protected:
  void SetUp() override {
    Messages().clear();
    for (auto& s : LangStrings) s.clear();
    for (int i = 1; i <= kPictureCount; ++i) Pictures[i] = TPictureEntry{};
    // Hand-made data files, the real fonts, a palette bitmap.
    std::string pictures;
    for (int id = 1; id <= kPictureCount; ++id) {
      PictureRecord r;
      r.id = id;
      r.glyph = 127 + id;
      r.names = {{u"bild", u"bilder"}, {u"picture", u"pictures"}};
      r.red = 255;
      pictures += EncodePicture(r);
    }
    dir.Write("bilder.crp", pictures);
    dir.Write("lang.crp", EncodeLangString(1, {u"Hur många?", u"How many?"}) + EncodeLangString(26, {u"Tamiro", u"Tamiro"}));
    QImage palette(16, 16, QImage::Format_Indexed8);
    palette.setColorCount(256);
    for (int i = 0; i < 256; ++i) palette.setColor(i, qRgb(i, 255 - i, i / 2));
    palette.fill(3);
    palette.save(QString::fromStdString(dir.File("bmptest.bmp")), "BMP");
  }
  void TearDown() override {
    tk::Application::Instance().DestroyForms();
    Language = 1;
  }
  void ShipFonts() {
    QDir().mkpath(QString::fromStdString(dir.File("fonts")));
    for (const char* name : {"Tamiro3.ttf", "TamiroSymbols.ttf"})
      QFile::copy(QStringLiteral(TAMIRO_SOURCE_DIR "/assets/fonts/") + name,
                  QString::fromStdString(dir.File(std::string("fonts/") + name)));
  }
  ProgramDir dir;
};

}  // namespace

TEST_F(Startup, CreatesTheFormsInOrderAndLoadsTheContent) {
  ShipFonts();
  Settings(dir, "[Options]\nLanguage=2\nMusic=0\n");
  PrepareFonts();
  CreateApplicationForms();
  const auto& layers = tk::Application::Instance().Layers();
  ASSERT_EQ(layers.size(), 3u);
  EXPECT_EQ(layers[0]->Name(), "frmHuvudmeny");
  EXPECT_EQ(layers[1]->Name(), "frmMessage");
  EXPECT_EQ(layers[2]->Name(), "frmAbout");
  EXPECT_EQ(tk::Application::Instance().MainForm(), frmHuvudmeny);
  // The small forms sit in the middle of the 1024 x 768 screen.
  EXPECT_EQ(QRect(frmMessage->Left(), frmMessage->Top(), frmMessage->Width(), frmMessage->Height()),
            QRect(304, 274, 415, 219));
  EXPECT_EQ(QPoint(frmAbout->Left(), frmAbout->Top()), QPoint(263, 208));
  EXPECT_EQ(tk::Application::Instance().Title, "Tamiro");
  // The desktop shows the title for the window and the program.
  EXPECT_EQ(tk::Application::Instance().Window()->windowTitle(), "Tamiro");
  EXPECT_EQ(QGuiApplication::applicationDisplayName(), "Tamiro");
  EXPECT_EQ(QGuiApplication::desktopFileName(), "org.tamiro.Tamiro");
  EXPECT_EQ(tk::Application::Instance().HelpFile, dir.File("TAMIRO.HLP"));
  EXPECT_TRUE(Messages().empty()) << (Messages().empty() ? "" : Messages()[0].text);
  EXPECT_EQ(Language, 2);
  EXPECT_FALSE(Music);
  EXPECT_EQ(LanguageNames[12], "Spanish (Latin America)");
  EXPECT_EQ(LangStrings[1], "How many?");
  EXPECT_EQ(Pictures[119].Name, "picture");
  EXPECT_EQ(Pictures[119].Colour, 0xFFu);
  ASSERT_TRUE(PaletteBitmap);
  EXPECT_EQ(PaletteBitmap->colorCount(), 256);
  EXPECT_EQ(ColourDepth, 32);
  EXPECT_EQ(ExerciseFont, "Tamiro3");
}

TEST_F(Startup, AMissingPaletteBitmapStopsCreationAtThatStep) {
  ShipFonts();
  PrepareFonts();
  QFile::remove(QString::fromStdString(dir.File("bmptest.bmp")));
  CreateApplicationForms();
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0].text, "Cannot open file " + dir.File("bmptest.bmp") + ".");
  EXPECT_EQ(Messages()[0].caption, "Tamiro");
  EXPECT_EQ(Messages()[0].icon, tk::MessageIcon::Error);
  EXPECT_EQ(LangStrings[1], "") << "the loaders after the failing step do not run";
  EXPECT_EQ(LanguageNames[1], "Swedish") << "the steps before it did";
  EXPECT_EQ(tk::Application::Instance().Layers().size(), 3u) << "the program goes on starting";
}

TEST_F(Startup, AMissingOrTruncatedDataFileIsReportedAndTheRestIsKept) {
  ShipFonts();
  PrepareFonts();
  QFile::remove(QString::fromStdString(dir.File("bilder.crp")));
  CreateApplicationForms();
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0].text, "File \"" + dir.File("bilder.crp") + "\" not found.");
  EXPECT_EQ(LangStrings[1], "Hur m\xE5nga?");
  tk::Application::Instance().DestroyForms();

  Messages().clear();
  std::string strings = EncodeLangString(1, {u"Hur många?"});
  dir.Write("lang.crp", strings.substr(0, strings.size() - 3));
  CreateApplicationForms();
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0].text, "Read beyond end of file.");
}

TEST_F(Startup, MissingProgramFontsGiveOneInformationMessageAndStartUpGoesOn) {
  const std::vector<std::vector<std::string>> machines = {
      {"DejaVu Sans", "tamiro3"},             // only the symbol font missing
      {"DejaVu Sans"},                        // both missing
      {"TAMIRO SYMBOLS", "Liberation Sans"},  // only the reading font missing
  };
  for (const auto& families : machines) {
    Messages().clear();
    tk::SetFontFamiliesOverride(families);
    CreateApplicationForms();
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].text,
              "The fonts that are necessary to run this program are not installed.To function properly, the "
              "program must be installed again");
    EXPECT_EQ(Messages()[0].caption, "Information");
    EXPECT_EQ(Messages()[0].icon, tk::MessageIcon::Information);
    EXPECT_EQ(LangStrings[1], "Hur m\xE5nga?") << "start-up continues after the message";
    tk::Application::Instance().DestroyForms();
  }
  tk::SetFontFamiliesOverride(std::vector<std::string>{"Tamiro3", "Tamiro Symbols"});
  Messages().clear();
  CreateApplicationForms();
  EXPECT_TRUE(Messages().empty());
  tk::SetFontFamiliesOverride(std::nullopt);
}

TEST_F(Startup, TheAboutWindowIsMadeAfterTheFirstFrameOrWhenItsTileIsFirstClicked) {
  ShipFonts();
  PrepareFonts();
  CreateFirstFrameForms();
  auto& app = tk::Application::Instance();
  ASSERT_EQ(app.Layers().size(), 2u);
  EXPECT_EQ(frmAbout, nullptr);
  // The tile opens it, modally, even before the program has made it.
  frmHuvudmeny->Show();
  TfrmAbout* shown = nullptr;
  const auto clickAbout = [&] {
    QTimer::singleShot(0, [&] {
      shown = app.ActiveForm() == frmAbout ? frmAbout : nullptr;
      if (frmAbout) frmAbout->Close();
    });
    const QPoint tile = frmHuvudmeny->shpAbout->BoundsRect().center();
    frmHuvudmeny->DeliverMouseDown(tk::MouseButton::Left, 0, tile.x(), tile.y());
    frmHuvudmeny->DeliverMouseUp(tk::MouseButton::Left, 0, tile.x(), tile.y());
  };
  clickAbout();
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(QPoint(shown->Left(), shown->Top()), QPoint(263, 208));
  EXPECT_FALSE(shown->Visible());
  // Once made, it is the one form shown every time.
  TfrmAbout* first = shown;
  EXPECT_EQ(AboutForm(), first);
  clickAbout();
  EXPECT_EQ(shown, first);
  EXPECT_EQ(app.Layers().size(), 3u);
  EXPECT_TRUE(Messages().empty());
}

TEST_F(Startup, TheFontCheckFindsTheProgramsFontsAndTheMachinesAndForgetsRemovedOnes) {
  ShipFonts();
  PrepareFonts();
  EXPECT_TRUE(FontInstalled("Tamiro3"));
  EXPECT_TRUE(FontInstalled("tamiro symbols"));
  EXPECT_TRUE(FontInstalled("Liberation Sans")) << "installed on the machine";
  EXPECT_FALSE(FontInstalled("No Such Family"));
  QFontDatabase::removeAllApplicationFonts();
  EXPECT_FALSE(FontInstalled("Tamiro3"));
  PrepareFonts();
  EXPECT_TRUE(FontInstalled("Tamiro3"));
}
