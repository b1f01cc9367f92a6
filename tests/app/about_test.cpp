#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>
#include <algorithm>
#include <functional>

#include "app/about.h"
#include "app/main_menu.h"
#include "content/settings.h"
#include "app/version.h"
#include "content/content_tables.h"
#include "content/helpers.h"
#include "support/program_fixture.h"
#include "support/test_support.h"
#include "toolkit/application.h"
#include "toolkit/code_page.h"
#include "toolkit/platform.h"
#include "content/sound.h"
#include "content/fonts.h"

using namespace tamiro;
using testing_support::ClickWidget;
using testing_support::KeyTarget;
using testing_support::Messages;
using testing_support::PressKey;

namespace {

std::string ReadFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string("<missing>");
}

std::size_t Count(const std::vector<std::string>& log, const std::string& entry) {
  return static_cast<std::size_t>(std::count(log.begin(), log.end(), entry));
}

// The program with the menu on the shown window, recording players and a
// settings file of its own. The About window opens as a click on its tile
// opens it; the steps run while it is shown.
class About : public testing_support::ProgramFixture {
 protected:
  void SetUp() override {
    StartProgram();
    window = tk::Application::Instance().Window();
    window->show();
    window->activateWindow();
    tk::Application::ProcessMessages();
    menu = frmHuvudmeny;
    about = frmAbout;
    iniPath = settings.filePath("TAMIRO.INI");
    // A file of the user's own: other sections, comments and keys stay.
    WriteIni("; Tamiro\n[Options]\nLanguage=1\nMusic=1\nSounds=1\nCapital=0\nZoom=2\n[Window]\nLeft=5\n");
    music->log.clear();
    effects->log.clear();
  }
  void TearDown() override {
    tk::SetOpenUrlHook(nullptr);
    ProgramFixture::TearDown();
    window->hide();
    Language = 1;
  }
  void WriteIni(const std::string& text) {
    QFile f(iniPath);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text.data(), static_cast<qint64>(text.size()));
  }
  void OpenAbout(const std::function<void()>& steps) {
    bool ran = false;
    QTimer::singleShot(0, [&] {
      ran = true;
      EXPECT_TRUE(about->Visible());
      steps();
      // OK or Escape ends the showing once the steps are done.
      if (about->ModalResult() == tk::mrNone) {
        ADD_FAILURE() << "the About window is still open";
        about->Close();
      }
    });
    const QPoint tile = menu->shpAbout->BoundsRect().center();
    menu->DeliverMouseDown(tk::MouseButton::Left, 0, tile.x(), tile.y());
    menu->DeliverMouseUp(tk::MouseButton::Left, 0, tile.x(), tile.y());
    EXPECT_TRUE(ran);
    EXPECT_FALSE(about->Visible());
    EXPECT_TRUE(menu->Enabled());
    EXPECT_EQ(tk::Application::Instance().ActiveForm(), menu);
  }
  void Click(tk::Control* control) {
    tk::Form* form = control->OwnerForm();
    const QPoint c = control->BoundsRect().center();
    form->DeliverMouseDown(tk::MouseButton::Left, 0, c.x(), c.y());
    form->DeliverMouseUp(tk::MouseButton::Left, 0, c.x(), c.y());
  }
  void Ok() { Click(about->imgExit); }
  void Escape() {
    PressKey(KeyTarget(), Qt::Key_Escape, QString(QChar(27)));
    ListClosed();
  }
  // Qt's offscreen screen leaves the activation with a list that has
  // closed; a desktop gives it back to the program's window.
  void ListClosed() {
    if (!QApplication::activePopupWidget() && !window->isActiveWindow()) window->activateWindow();
  }
  // Picks a language in the list as a parent does: open it, click the row.
  void Choose(const std::string& name) {
    QComboBox* list = about->cboLanguage->List();
    list->showPopup();
    QAbstractItemView* view = list->view();
    const int row = list->findText(QString::fromStdString(name));
    ASSERT_GE(row, 0) << name;
    view->scrollTo(view->model()->index(row, 0));
    ClickWidget(view->viewport(), view->visualRect(view->model()->index(row, 0)).center());
    ASSERT_FALSE(view->window()->isVisible());
    ListClosed();
    ASSERT_EQ(about->cboLanguage->Text(), name);
  }
  std::string Options() const {
    return "Language=" + tk::ProfileFile(iniPath.toStdString()).ReadString("Options", "Language", "-") +
           " Music=" + tk::ProfileFile(iniPath.toStdString()).ReadString("Options", "Music", "-") +
           " Sounds=" + tk::ProfileFile(iniPath.toStdString()).ReadString("Options", "Sounds", "-") +
           " Capital=" + tk::ProfileFile(iniPath.toStdString()).ReadString("Options", "Capital", "-") +
           " Speech=" + tk::ProfileFile(iniPath.toStdString()).ReadString("Options", "Speech", "-");
  }

  QWidget* window = nullptr;
  TfrmHuvudmeny* menu = nullptr;
  TfrmAbout* about = nullptr;
  QString iniPath;
};

}  // namespace

TEST_F(About, KeepsItsDesignSizeInTheMiddleAndNothingDrawnLiesUnderItsInputControls) {
  OpenAbout([&] {
    EXPECT_EQ(about->geometry(), QRect(263, 208, 498, 351)) << "centred on 1024 x 768, not scaled";
    EXPECT_EQ(tk::Application::Instance().ActiveForm(), about);
    EXPECT_EQ(QApplication::focusWidget(), about->cboLanguage->Widget()) << "the list takes the keys";
    const std::vector<tk::WidgetControl*> inputs{about->cboLanguage, about->chkCapital, about->chkMusic,
                                                 about->chkSound, about->chkSpeech};
    for (tk::Component* c : about->Components()) {
      auto* control = dynamic_cast<tk::Control*>(c);
      if (!control || dynamic_cast<tk::WidgetControl*>(c)) continue;
      for (tk::WidgetControl* input : inputs) {
        // The frame is drawn only along the form's edges.
        const QRect drawn = control == about->Shape4 ? QRect() : control->BoundsRect();
        EXPECT_FALSE(drawn.intersects(input->BoundsRect())) << control->Name() << " under " << input->Name();
        EXPECT_TRUE(about->Shape4->BoundsRect().adjusted(8, 8, -8, -8).contains(input->BoundsRect()));
        EXPECT_TRUE(input->Widget()->isVisible());
      }
    }
    // The boxes lie between the list and the first bar, none over another,
    // each wide enough for its caption.
    for (tk::CheckBox* box : {about->chkCapital, about->chkMusic, about->chkSound, about->chkSpeech}) {
      EXPECT_FALSE(box->TabStop()) << box->Name();
      EXPECT_TRUE(box->Widget()->font().bold());
      const QRect r = box->BoundsRect();
      EXPECT_GE(r.top(), about->cboLanguage->BoundsRect().bottom() + 1) << box->Name();
      EXPECT_LT(r.bottom(), about->Shape1->Top()) << box->Name();
      EXPECT_GE(r.width(), box->Widget()->sizeHint().width()) << box->Name();
      for (tk::CheckBox* other : {about->chkCapital, about->chkMusic, about->chkSound, about->chkSpeech})
        EXPECT_TRUE(other == box || !other->BoundsRect().intersects(r)) << box->Name() << " over " << other->Name();
    }
    EXPECT_EQ(about->cboLanguage->DropDownCount(), 14);
    Escape();
  });
}

TEST_F(About, TheSevenPicturesHaveTheirCharactersColoursAndHeights) {
  struct Picture {
    tk::Label* label;
    int left, top, code;
    tk::Colour colour;
    int height;
    bool opaque;
  };
  const Picture pictures[] = {
      {about->Label8, 24, 12, 51, 0x00FFFF, 73, false},   {about->Label10, 20, 80, 34, 0x0000FF, 73, false},
      {about->Label11, 32, 140, 56, 0x80FF80, 73, false}, {about->Label14, 12, 204, 33, 0xFF0000, 73, false},
      {about->Label15, 24, 276, 37, 0x00FF00, 73, false}, {about->Label13, 408, 108, 36, 0x00FFFF, 73, true},
      {about->Label17, 412, 184, 75, 0xFFFFFF, 107, false},
  };
  for (const Picture& p : pictures) {
    SCOPED_TRACE(p.label->Name());
    EXPECT_EQ(p.label->Font.Name, "Tamiro Symbols");
    EXPECT_EQ(p.label->Caption, std::string(1, static_cast<char>(p.code)));
    EXPECT_EQ(p.label->FontColour, p.colour);
    EXPECT_EQ(p.label->BoundsRect().topLeft(), QPoint(p.left, p.top));
    // The height is the characters' own, the font's height in pixels.
    const QFont font = tk::ToQFont(p.label->Font);
    EXPECT_EQ(font.pixelSize(), p.height);
    EXPECT_EQ(QFontInfo(font).family(), "Tamiro Symbols") << "the font is there";
    EXPECT_EQ(!p.label->Transparent, p.opaque);
    // Its ink, drawn in the committed symbol font, lies inside the frame and
    // off the line and the bars, which are drawn over the pictures.
    tk::Canvas canvas(498, 351, 1.0);
    canvas.Clear(0x000000);
    canvas.Font = p.label->Font;
    canvas.FontColour = 0xFFFFFF;
    canvas.TextOut(p.left, p.top, p.label->Caption);
    QRect ink;
    for (int y = 0; y < 351; ++y)
      for (int x = 0; x < 498; ++x)
        if (qGray(canvas.Image().pixel(x, y)) > 0) ink |= QRect(x, y, 1, 1);
    EXPECT_TRUE(QRect(8, 8, 498 - 16, 351 - 16).contains(ink)) << ink.left() << ".." << ink.right();
    for (tk::Shape* line : {about->Shape3, about->Shape1, about->Shape2})
      EXPECT_FALSE(line->BoundsRect().intersects(ink)) << line->Name();
    // And the picture lies clear of every text.
    for (tk::Label* text : {about->Label9, about->lblTitle, about->lblVersion, about->lblCreditKinds,
                            about->lblCredits, about->lblInvitation, about->lblWebAddress})
      EXPECT_FALSE(text->BoundsRect().intersects(p.label->BoundsRect())) << text->Name();
  }
  EXPECT_EQ(about->Label13->Color, 0x000000u);
}

TEST_F(About, OkWithoutChangesRewritesTheSameSettingsReloadsNothingAndRestartsTheTune) {
  // The same values as a parent may type them: each key is rewritten in its
  // own line, as the program writes it.
  WriteIni("; Tamiro\n[Options]\nlanguage = \"1\"\nMUSIC=1 \nSounds=01\ncapital=0\nZoom=2\n[Window]\nLeft=5\n");
  music->position = 1234;  // where the menu tune stands when the window opens
  Pictures[1].Name = "unchanged";
  effects->log.clear();
  OpenAbout([&] {
    EXPECT_EQ(about->cboLanguage->Text(), "Swedish");
    EXPECT_TRUE(about->chkMusic->Checked());
    EXPECT_TRUE(about->chkSound->Checked());
    EXPECT_FALSE(about->chkCapital->Checked());
    music->log.clear();
    Ok();
  });
  // A file from before spoken words gains their key, after its own lines.
  EXPECT_EQ(ReadFile(iniPath),
            "; Tamiro\n[Options]\nLanguage=1\nMusic=1\nSounds=1\nCapital=0\nZoom=2\nSpeech=1\n[Window]\nLeft=5\n");
  EXPECT_EQ(Pictures[1].Name, "unchanged") << "the same language reloads nothing";
  // The tune starts again from its beginning, and the menu goes on with it
  // there instead of going back to where it stood.
  ASSERT_GE(music->log.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(music->log.begin(), music->log.begin() + 3),
            (std::vector<std::string>{"open DIDELI.MID", "seek 0", "play notify"}));
  EXPECT_EQ(Count(music->log, "seek 1234"), 0u);
  EXPECT_EQ(MusicResumePosition, 0);
  EXPECT_EQ(effects->log, (std::vector<std::string>{"open KLICK3.WAV", "play", "open Klick1.WAV", "play"}));
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(about->ModalResult(), tk::mrOk);
}

TEST_F(About, MusicSwitchedOffStopsAtOnceAndSwitchedOnStartsFromTheBeginning) {
  OpenAbout([&] {
    ClickWidget(about->chkMusic->Widget());
    EXPECT_FALSE(about->chkMusic->Checked());
    music->log.clear();
    Ok();
    EXPECT_EQ(music->log, (std::vector<std::string>{"stop"}));
  });
  EXPECT_FALSE(Music);
  EXPECT_FALSE(MusicLoop);
  EXPECT_EQ(music->log, (std::vector<std::string>{"stop"})) << "the menu stays silent";
  EXPECT_EQ(Options(), "Language=1 Music=0 Sounds=1 Capital=0 Speech=1");

  music->position = 777;
  OpenAbout([&] {
    EXPECT_FALSE(about->chkMusic->Checked());
    ClickWidget(about->chkMusic->Widget());
    music->log.clear();
    Ok();
    EXPECT_EQ(music->log, (std::vector<std::string>{"open DIDELI.MID", "seek 0", "play notify"}));
  });
  EXPECT_TRUE(Music);
  EXPECT_TRUE(MusicLoop);
  EXPECT_EQ(Count(music->log, "seek 777"), 0u);
  EXPECT_EQ(Options(), "Language=1 Music=1 Sounds=1 Capital=0 Speech=1");
}

TEST_F(About, SoundEffectsAndCapitalLettersFollowTheirBoxesTheOkClickIncluded) {
  OpenAbout([&] {
    ClickWidget(about->chkSound->Widget());
    ClickWidget(about->chkCapital->Widget());
    effects->log.clear();
    Ok();
  });
  EXPECT_TRUE(effects->log.empty()) << "the OK click itself is silent";
  EXPECT_FALSE(Sounds);
  EXPECT_TRUE(Capital);
  EXPECT_EQ(ApplyLetterCase("sol"), "SOL");
  EXPECT_EQ(Options(), "Language=1 Music=1 Sounds=0 Capital=1 Speech=1");

  OpenAbout([&] {
    EXPECT_FALSE(about->chkSound->Checked());
    EXPECT_TRUE(about->chkCapital->Checked());
    ClickWidget(about->chkSound->Widget());
    Ok();
  });
  EXPECT_EQ(effects->log, (std::vector<std::string>{"open Klick1.WAV", "play"})) << "heard once they are on";
  EXPECT_TRUE(Sounds);
  EXPECT_EQ(Options(), "Language=1 Music=1 Sounds=1 Capital=1 Speech=1");
}

TEST_F(About, SpokenWordsFollowTheirBoxWhateverTheSoundsAndSayWhenALanguageHasNoVoice) {
  OpenAbout([&] {
    EXPECT_TRUE(about->chkSpeech->Checked()) << "on by default";
    EXPECT_EQ(about->chkSpeech->Caption(), "Spoken Words");
    Choose("Breton");
    EXPECT_EQ(about->chkSpeech->Caption(), "Spoken Words: none in Breton");
    Choose("Swedish");
    EXPECT_EQ(about->chkSpeech->Caption(), "Spoken Words");
    ClickWidget(about->chkSpeech->Widget());
    ClickWidget(about->chkSound->Widget());
    Ok();
  });
  EXPECT_FALSE(Speech);
  EXPECT_EQ(speaker->log, std::vector<std::string>{"stop"}) << "what is being said stops at once";
  EXPECT_EQ(Options(), "Language=1 Music=1 Sounds=0 Capital=0 Speech=0");

  OpenAbout([&] {
    EXPECT_FALSE(about->chkSpeech->Checked());
    ClickWidget(about->chkSpeech->Widget());
    Ok();
  });
  EXPECT_TRUE(Speech);
  EXPECT_FALSE(Sounds) << "the two stay apart";
  EXPECT_EQ(Options(), "Language=1 Music=1 Sounds=0 Capital=0 Speech=1");
  // A window opened while Breton is in force says so at once.
  Language = 15;
  OpenAbout([&] {
    EXPECT_EQ(about->chkSpeech->Caption(), "Spoken Words: none in Breton");
    Escape();
  });
}

TEST_F(About, PolishReloadsLanguage16AndTheMenuShowsItInArial) {
  // The Polish texts, as the program's sources write them.
  QDir sources(TAMIRO_SOURCE_DIR "/assets-src/lang");
  const QStringList polish = sources.entryList({"16-*"}, QDir::Dirs);
  ASSERT_EQ(polish.size(), 1);
  QFile strings(sources.filePath(polish[0] + "/strings.tsv"));
  ASSERT_TRUE(strings.open(QIODevice::ReadOnly | QIODevice::Text));
  std::map<int, QString> texts;
  for (const QString& line : QString::fromUtf8(strings.readAll()).split('\n')) {
    const QStringList cells = line.split('\t');
    if (cells.size() >= 2 && cells[0].toInt() > 0) texts[cells[0].toInt()] = cells[1];
  }
  ASSERT_FALSE(texts[1].isEmpty());
  const std::string swedishPicture = Pictures[46].Name;

  OpenAbout([&] {
    Choose("Polish");
    Ok();
  });
  EXPECT_EQ(Language, 16);
  EXPECT_EQ(Options(), "Language=16 Music=1 Sounds=1 Capital=0 Speech=1");
  EXPECT_EQ(tk::ToQString(LangStrings[1], tk::CodePage::Windows1250), texts[1]);
  EXPECT_NE(Pictures[46].Name, swedishPicture);
  EXPECT_NE(Pictures[46].Name, "foo");
  EXPECT_EQ(ExerciseFont, "Arial");
  // The menu, translated: its tiles in Polish and in Arial, the Help tile
  // too, the About and Exit labels in their own Arial.
  EXPECT_EQ(menu->lblOv[1]->Caption, LangStrings[1]);
  EXPECT_EQ(menu->lblOv[1]->Font.Name, "Arial");
  EXPECT_EQ(tk::ToQString(menu->lblHelp->Caption, tk::CodePage::Windows1250), texts[14]);
  EXPECT_EQ(tk::ToQString(menu->lblExit->Caption, tk::CodePage::Windows1250), texts[15]);
  EXPECT_EQ(menu->lblAbout->Font.Name, "Arial");
  EXPECT_TRUE(Messages().empty());
}

TEST_F(About, TheListIsAlphabeticalAndSavesTheLanguagesOwnNumber) {
  OpenAbout([&] {
    tk::ComboBox* list = about->cboLanguage;
    ASSERT_EQ(list->Count(), 18);
    EXPECT_EQ(list->Item(0), "Afrikaans");
    EXPECT_EQ(list->Item(17), "Swedish");
    std::vector<std::string> names, shown;
    for (int n = 1; n <= 18; ++n) names.push_back(LanguageNames[static_cast<std::size_t>(n)]);
    for (int i = 0; i < 18; ++i) shown.push_back(list->Item(i));
    for (int i = 1; i < 18; ++i)
      EXPECT_LT(QString::fromStdString(shown[i - 1]).compare(QString::fromStdString(shown[i]), Qt::CaseInsensitive), 0);
    std::sort(names.begin(), names.end());
    std::sort(shown.begin(), shown.end());
    EXPECT_EQ(shown, names);
    Choose("Estonian");  // seventh in the list, language 8
    Ok();
  });
  EXPECT_EQ(Language, 8);
  EXPECT_EQ(Options(), "Language=8 Music=1 Sounds=1 Capital=0 Speech=1");

  // With the keyboard: the last item, Swedish, is language 1.
  OpenAbout([&] {
    EXPECT_EQ(about->cboLanguage->Text(), "Estonian");
    PressKey(KeyTarget(), Qt::Key_End);
    EXPECT_EQ(about->cboLanguage->Text(), "Swedish");
    Ok();
  });
  EXPECT_EQ(Language, 1);
  EXPECT_EQ(Options(), "Language=1 Music=1 Sounds=1 Capital=0 Speech=1");
}

TEST_F(About, EscapeForgetsEveryChangeAndTheNextShowingHasTheSettingsInForce) {
  const std::string before = ReadFile(iniPath);
  Pictures[1].Name = "unchanged";
  OpenAbout([&] {
    Choose("Polish");
    ClickWidget(about->chkMusic->Widget());
    ClickWidget(about->chkCapital->Widget());
    // Escape in the open list closes only the list.
    about->cboLanguage->List()->showPopup();
    Escape();
    EXPECT_FALSE(about->cboLanguage->List()->view()->window()->isVisible());
    EXPECT_EQ(about->ModalResult(), tk::mrNone);
    effects->log.clear();
    music->log.clear();
    Escape();
  });
  EXPECT_EQ(about->ModalResult(), tk::mrCancel);
  EXPECT_EQ(Language, 1);
  EXPECT_TRUE(Music);
  EXPECT_FALSE(Capital);
  EXPECT_EQ(ReadFile(iniPath), before);
  EXPECT_EQ(Pictures[1].Name, "unchanged");
  EXPECT_EQ(Count(effects->log, "open Klick1.WAV"), 0u);
  EXPECT_EQ(Count(music->log, "stop"), 0u);

  OpenAbout([&] {
    EXPECT_EQ(about->cboLanguage->Text(), "Swedish");
    EXPECT_TRUE(about->chkMusic->Checked());
    EXPECT_FALSE(about->chkCapital->Checked());
    Escape();
  });
}

TEST_F(About, TheWebButtonOpensTheStartPageOfTheLanguageAndTheWindowStays) {
  std::vector<std::string> opened;
  tk::SetOpenUrlHook([&](const std::string& url) { opened.push_back(url); });
  const auto check = [&](const std::string& url, const char* page, int lang) {
    const QUrl u(QString::fromStdString(url));
    EXPECT_EQ(u.adjusted(QUrl::RemoveQuery).toString(), QString(page)) << url;
    const QUrlQuery query(u);
    EXPECT_EQ(query.queryItemValue("from"), "Tamiro") << url;
    EXPECT_EQ(query.queryItemValue("lang"), QString::number(lang)) << url;
  };
  OpenAbout([&] {
    EXPECT_EQ(about->lblWebAddress->Caption, TAMIRO_WEB_PAGE_SWEDISH);
    Click(about->imgWebSite);
    EXPECT_EQ(about->ModalResult(), tk::mrNone);
    Escape();
  });
  ASSERT_EQ(opened.size(), 1u);
  check(opened[0], TAMIRO_WEB_PAGE_SWEDISH, 1);

  Language = 12;
  OpenAbout([&] {
    EXPECT_EQ(about->lblWebAddress->Caption, TAMIRO_WEB_PAGE_ENGLISH);
    Click(about->imgWebSite);
    Escape();
  });
  ASSERT_EQ(opened.size(), 2u);
  check(opened[1], TAMIRO_WEB_PAGE_ENGLISH, 12);
  EXPECT_NE(std::string(TAMIRO_WEB_PAGE_SWEDISH), TAMIRO_WEB_PAGE_ENGLISH);
  EXPECT_EQ(WebPageAddress(2), std::string(TAMIRO_WEB_PAGE_ENGLISH) + "?from=Tamiro&lang=2");
  EXPECT_TRUE(Messages().empty()) << "opening a page reports nothing";
}

TEST_F(About, AMissingDataFileForTheNewLanguageIsReportedAndTheProgramGoesOn) {
  // A program directory without the picture catalogue.
  QTemporaryDir program;
  for (const char* name : {"lang.crp", "TAMIRO.HLP"})
    ASSERT_TRUE(QFile::copy(QStringLiteral(TAMIRO_PROGRAM_DIR "/") + name, program.filePath(name)));
  tk::SetExecutablePathOverride(program.filePath("tamiro").toStdString());
  OpenAbout([&] {
    Choose("Polish");
    Ok();
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].caption, "Tamiro");
    EXPECT_EQ(Messages()[0].icon, tk::MessageIcon::Error);
    EXPECT_NE(Messages()[0].text.find("bilder.crp"), std::string::npos) << Messages()[0].text;
    // The window is still there and still works: OK again closes it.
    EXPECT_EQ(about->ModalResult(), tk::mrNone);
    Ok();
  });
  EXPECT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Language, 16);
  EXPECT_EQ(Options(), "Language=16 Music=1 Sounds=1 Capital=0 Speech=1");
  EXPECT_EQ(menu->lblOv[1]->Font.Name, "Arial");
  // The menu takes clicks again.
  std::vector<int> launched;
  {
    testing_support::LaunchersReplaced replaced([&](int n) { launched.push_back(n); });
    Click(menu->lblOv[2]);
  }
  EXPECT_EQ(launched, (std::vector<int>{2}));
}

TEST_F(About, ASettingsFileThatCannotBeWrittenStaysAsItWasAndTheChoicesStillHold) {
  // Where the file should be, a folder.
  QTemporaryDir places;
  const QString folder = places.filePath("TAMIRO.INI");
  ASSERT_TRUE(QDir().mkpath(folder));
  tk::SetSettingsFileOverride(folder.toStdString());
  OpenAbout([&] {
    Choose("English");
    ClickWidget(about->chkMusic->Widget());
    Ok();
  });
  EXPECT_EQ(about->ModalResult(), tk::mrOk);
  EXPECT_EQ(Language, 2);
  EXPECT_FALSE(Music);
  EXPECT_TRUE(QFileInfo(folder).isDir());
  EXPECT_TRUE(QDir(folder).isEmpty());
  EXPECT_EQ(QDir(places.path()).entryList(QDir::Files).size(), 0) << "no temporary file is left";

  // Where its folder should be, a file of someone else's: it stays as it was.
  const QString file = places.filePath("notes");
  {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("mine\n");
  }
  tk::SetSettingsFileOverride((file + "/TAMIRO.INI").toStdString());
  OpenAbout([&] {
    ClickWidget(about->chkCapital->Widget());
    Ok();
  });
  EXPECT_TRUE(Capital);
  EXPECT_EQ(ReadFile(file), "mine\n");
  EXPECT_TRUE(Messages().empty()) << "nothing is shown";
}

TEST_F(About, LockedShowsTheSettingsWritesNothingAndKeepsTheProgramOpen) {
  OpenAbout([&] {
    EXPECT_FALSE(about->lblLocked->Visible()) << "only a locked window says who set its settings";
    Escape();
  });
  Locked = true;
  const std::string before = Options();
  OpenAbout([&] {
    EXPECT_TRUE(about->lblLocked->Visible());
    EXPECT_FALSE(about->cboLanguage->Widget()->isEnabled());
    for (tk::CheckBox* box : {about->chkCapital, about->chkMusic, about->chkSound, about->chkSpeech})
      EXPECT_FALSE(box->Widget()->isEnabled()) << box->Caption();
    EXPECT_EQ(about->cboLanguage->Text(), "Swedish");
    about->chkMusic->SetChecked(false);
    Ok();
  });
  EXPECT_EQ(Options(), before);
  EXPECT_TRUE(Music);
  // The Exit tile and the window's close request leave the menu running.
  const QPoint exit = menu->shpExit->BoundsRect().center();
  menu->DeliverMouseDown(tk::MouseButton::Left, 0, exit.x(), exit.y());
  window->close();
  EXPECT_FALSE(tk::Application::Instance().Terminated());
  Locked = false;
  menu->DeliverMouseDown(tk::MouseButton::Left, 0, exit.x(), exit.y());
  EXPECT_TRUE(tk::Application::Instance().Terminated());
}
