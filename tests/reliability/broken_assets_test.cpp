// Every file the program loads, missing, empty, truncated or replaced by
// random bytes: the data files give their messages in the error box and the
// program goes on; media, artwork and help failures are silent; broken fonts
// give the font message once. Every form still opens, plays and closes.

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <QDir>
#include <map>
#include <regex>

#include "app/main_menu.h"
#include "content/content_tables.h"
#include "reliability/whole_program.h"
#include "support/test_support.h"
#include "toolkit/application.h"
#include "toolkit/help_viewer.h"
#include "toolkit/media.h"
#include "content/fonts.h"

using namespace tamiro;
using reliability::ProgramCopy;
using Damage = reliability::ProgramCopy::Damage;
using testing_support::Messages;

namespace {

constexpr Damage kDamages[] = {Damage::Missing, Damage::Empty, Damage::Truncated, Damage::RandomBytes};

// The form each exercise tile opens.
std::map<int, std::string> TileForms() {
  std::map<int, std::string> forms;
  for (int tile : {1, 2, 3, 4, 5, 6}) forms[tile] = "frmOvMC";
  for (int tile : {9, 12, 13}) forms[tile] = "frmOvRegn";
  forms[8] = "frmOvHangman";
  for (int tile : {10, 11}) forms[tile] = "frmOvMemory";
  return forms;
}

// The real audio players, from the program's audio module: they decode what
// they are given and play it into no device.
tk::MediaPlayerFactory AudioModule() {
  static void* handle = dlopen(TAMIRO_PROGRAM_DIR "/libtamiro_audio.so", RTLD_NOW | RTLD_LOCAL);
  using Create = tk::MediaPlayer* (*)(int);
  static auto create = handle ? reinterpret_cast<Create>(dlsym(handle, "tamiro_audio_create_player")) : nullptr;
  if (!create) return nullptr;
  return [](tk::MediaKind kind) { return std::unique_ptr<tk::MediaPlayer>(create(kind == tk::MediaKind::Music ? 0 : 1)); };
}

class BrokenAssets : public ::testing::Test {
 protected:
  void SetUp() override { Messages().clear(); }
  void TearDown() override {
    reliability::EndProgram();
    tk::SetMediaPlayerFactory(nullptr);
  }

  // Every tile whose family is there opened its form; Exit took it away.
  void ExpectEveryFormOpensAndCloses(const std::vector<reliability::Visit>& visits) {
    const auto forms = TileForms();
    int opened = 0;
    for (const auto& visit : visits) {
      const std::string& name = forms.at(visit.tile);
      EXPECT_EQ(visit.form, name) << "tile " << visit.tile;
      EXPECT_TRUE(visit.released) << "tile " << visit.tile << ": Exit did not bring the menu back";
      ++opened;
    }
    EXPECT_GE(opened, 6) << "at least the multiple-choice tiles open their form";
    EXPECT_EQ(tk::Application::Instance().ActiveForm(), frmHuvudmeny);
  }

  // Every message shown so far is the error box with a text that matches.
  void ExpectOnlyErrors(const std::regex& text) {
    for (const auto& m : Messages()) {
      EXPECT_EQ(m.caption, "Tamiro");
      EXPECT_EQ(m.icon, tk::MessageIcon::Error);
      EXPECT_TRUE(std::regex_match(m.text, text)) << m.text;
    }
  }
};

// The reader's messages for a broken data file.
std::regex DataFileMessage(Damage damage, const std::string& path) {
  switch (damage) {
    case Damage::Missing: {
      std::string quoted;
      for (char c : path) {
        if (!std::isalnum(static_cast<unsigned char>(c))) quoted += '\\';
        quoted += c;
      }
      return std::regex("File \"" + quoted + "\" not found\\.");
    }
    case Damage::Truncated: return std::regex("Read beyond end of file\\.");
    default: return std::regex("Read beyond end of file\\.|'.{5}' is not a valid integer value\\.");
  }
}

}  // namespace

TEST_F(BrokenAssets, DataFilesGiveTheReadersMessagesAndTheProgramGoesOn) {
  for (const char* file : {"bilder.crp", "lang.crp", "hangman.crp"}) {
    for (Damage damage : kDamages) {
      SCOPED_TRACE(std::string(file) + ", " + ProgramCopy::Name(damage));
      Messages().clear();
      ProgramCopy copy;
      copy.Break(file, damage);
      reliability::StartProgram();
      const bool atStart = std::string(file) != "hangman.crp";
      const std::size_t atStartCount = Messages().size();
      const auto visits = reliability::TourEveryForm();
      ExpectEveryFormOpensAndCloses(visits);
      if (damage == Damage::Empty) {
        // An empty file holds no records: nothing to report.
        EXPECT_TRUE(Messages().empty()) << Messages().front().text;
      } else {
        EXPECT_EQ(atStartCount > 0, atStart) << "reported when the file is read";
        EXPECT_FALSE(Messages().empty());
        ExpectOnlyErrors(DataFileMessage(damage, copy.File(file)));
      }
      reliability::EndProgram();
    }
  }
}

TEST_F(BrokenAssets, MediaFailuresAreSilent) {
  const auto module = AudioModule();
  ASSERT_TRUE(module) << "the audio module did not load";
  tk::SetMediaPlayerFactory(module);
  for (Damage damage : kDamages) {
    SCOPED_TRACE(ProgramCopy::Name(damage));
    Messages().clear();
    ProgramCopy copy;
    int broken = 0;
    for (const QString& name : QDir(QString::fromStdString(copy.Path())).entryList({"*.WAV", "*.Wav", "*.MID"}, QDir::Files)) {
      copy.Break(name.toStdString(), damage, static_cast<unsigned>(++broken));
    }
    EXPECT_EQ(broken, 16) << "every sound and piece of music";
    reliability::StartProgram();
    ExpectEveryFormOpensAndCloses(reliability::TourEveryForm());
    EXPECT_TRUE(Messages().empty()) << Messages().front().text;
    reliability::EndProgram();
  }
}

TEST_F(BrokenAssets, ArtworkPaletteAndHelpFailures) {
  for (Damage damage : kDamages) {
    SCOPED_TRACE(ProgramCopy::Name(damage));
    // The pictures of the menu and of the hangman drawing: silent.
    {
      Messages().clear();
      ProgramCopy copy;
      int broken = 0;
      for (const QString& name : QDir(QString::fromStdString(copy.Path())).entryList({"*.svg"}, QDir::Files))
        copy.Break(name.toStdString(), damage, static_cast<unsigned>(++broken));
      EXPECT_GE(broken, 2);
      reliability::StartProgram();
      ExpectEveryFormOpensAndCloses(reliability::TourEveryForm());
      EXPECT_TRUE(Messages().empty()) << Messages().front().text;
      reliability::EndProgram();
    }
    // The help file: the help layer still opens, with its note, and closes.
    {
      Messages().clear();
      ProgramCopy copy;
      copy.Break("TAMIRO.HLP", damage);
      reliability::StartProgram();
      reliability::PressKey(Qt::Key_F1);
      EXPECT_TRUE(tk::HelpIsOpen());
      reliability::PressKey(Qt::Key_Escape);
      EXPECT_FALSE(tk::HelpIsOpen());
      ExpectEveryFormOpensAndCloses(reliability::TourEveryForm());
      EXPECT_TRUE(Messages().empty()) << Messages().front().text;
      reliability::EndProgram();
    }
    // The palette bitmap: the image library's message at start-up, which
    // skips the loading of the content; the forms still open.
    {
      Messages().clear();
      ProgramCopy copy;
      copy.Break("bmptest.bmp", damage);
      reliability::StartProgram();
      ASSERT_FALSE(Messages().empty());
      EXPECT_EQ(Messages().front().text, "Cannot open file " + copy.File("bmptest.bmp") + ".");
      const std::size_t atStart = Messages().size();
      ExpectEveryFormOpensAndCloses(reliability::TourEveryForm());
      EXPECT_EQ(Messages().size(), atStart) << Messages().back().text;
      reliability::EndProgram();
    }
  }
}

TEST_F(BrokenAssets, BrokenFontsGiveTheFontMessageOnce) {
  for (const char* font : {"fonts/Tamiro3.ttf", "fonts/TamiroSymbols.ttf"}) {
    for (Damage damage : kDamages) {
      SCOPED_TRACE(std::string(font) + ", " + ProgramCopy::Name(damage));
      Messages().clear();
      ProgramCopy copy;
      copy.Break(font, damage);
      reliability::StartProgram();
      // A cut file whose name table survives still gives the font its name;
      // the program then draws with what the file holds.
      if (damage == Damage::Truncated) ASSERT_LE(Messages().size(), 1u);
      else ASSERT_EQ(Messages().size(), 1u);
      const std::size_t atStart = Messages().size();
      if (atStart == 1) {
        EXPECT_EQ(Messages()[0].text, kFontMessage);
        EXPECT_EQ(Messages()[0].caption, "Information");
      }
      ExpectEveryFormOpensAndCloses(reliability::TourEveryForm());
      EXPECT_EQ(Messages().size(), atStart) << Messages().back().text;
      reliability::EndProgram();
    }
  }
}
