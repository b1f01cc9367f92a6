// What the games say, through a recording speaker: what a child who cannot
// read needs in order to play, never the answer a game asks for, whatever
// the capital-letters setting; nothing with speech off or in Breton.
#include <gtest/gtest.h>

#include <set>

#include "app/main_menu.h"
#include "content/content_tables.h"
#include "content/settings.h"
#include "content/sound.h"
#include "exercises/common/games.h"
#include "exercises/hangman/hangman_form.h"
#include "exercises/memory/memory_form.h"
#include "exercises/multiple_choice/mc_form.h"
#include "exercises/rain/rain_form.h"
#include "support/program_fixture.h"
#include "toolkit/application.h"

using namespace tamiro;

namespace {

std::size_t At(int i) { return static_cast<std::size_t>(i); }

class SpokenWords : public testing_support::ProgramFixture {
 protected:
  void SetUp() override {
    tk::SetClockOverride([this] { return clock += 7919; });
    StartProgram();
  }
  void TearDown() override {
    Language = 1;
    LoadPictureCatalogue();
    LoadLanguageStrings();
    ProgramFixture::TearDown();
  }
  // What was said since the last look.
  std::vector<std::string> Said() {
    std::vector<std::string> said;
    said.swap(speaker->log);
    return said;
  }
  static std::string Sv(const std::string& text) { return "sv: " + SpokenText(text, 1); }
  static std::string Name(int picture) { return Pictures[At(picture)].Name; }
  void ClickTile(int exercise) {
    for (const Game& g : Games()) {
      if (g.exercise != exercise) continue;
      const QPoint c = frmHuvudmeny->shpOv[g.tile.number]->BoundsRect().center();
      frmHuvudmeny->DeliverMouseDown(tk::MouseButton::Left, 0, c.x(), c.y());
      frmHuvudmeny->DeliverMouseUp(tk::MouseButton::Left, 0, c.x(), c.y());
    }
  }
  static void Close(tk::Form* form) {
    form->Release();
    tk::Application::ProcessMessages();
  }
  static void Answer(TfrmOvMC* form, bool right) {
    const int slot = right ? mc::RightSlot : mc::RightSlot % 4 + 1;
    form->CheckAnswer(mc::AnswerImages[At(slot)], slot);
  }

  std::int64_t clock = 0;
};

}  // namespace

TEST_F(SpokenWords, EachGameSaysWhatAChildNeedsAsWrittenAndNeverTheAnswerItAsks) {
  // Capital letters on: the words are still said as they are written.
  Capital = true;
  // The tile's name, then the first question after it; the answer only
  // once it is found.
  ClickTile(1);
  TfrmOvMC* mcForm = frmOvMC;
  ASSERT_NE(mcForm, nullptr);
  const int count = mc::ObjectCount;
  EXPECT_EQ(Said(), (std::vector<std::string>{
                        Sv(LangString(Text::CountingTile)),
                        "sv: (after) " + SpokenText(LangString(Text::HowMany) + " " +
                                                    Pictures[At(mc::PictureId)].PluralName + "?", 1)}));
  Answer(mcForm, false);
  EXPECT_EQ(Said(), std::vector<std::string>{});
  Answer(mcForm, true);
  EXPECT_EQ(Said(), std::vector<std::string>{"sv: " + std::to_string(count)});
  Close(mcForm);

  // A subtraction and a multiplication read out with the words of the
  // language; a later question cuts off what is being said.
  LaunchGame(frmHuvudmeny, 3);
  EXPECT_EQ(Said(), std::vector<std::string>{"sv: (after) " + std::to_string(mc::OperandA) + " minus " +
                                             std::to_string(mc::OperandB)});
  frmOvMC->tmrNewTimer();
  EXPECT_EQ(Said(), std::vector<std::string>{"sv: " + std::to_string(mc::OperandA) + " minus " +
                                             std::to_string(mc::OperandB)});
  Close(frmOvMC);
  LaunchGame(frmHuvudmeny, 4);
  EXPECT_EQ(Said(), std::vector<std::string>{SpokenText("sv: (after) " + std::to_string(mc::OperandA) +
                                                            " g\xE5nger " + std::to_string(mc::OperandB), 1)});
  Close(frmOvMC);

  // Choosing the picture for a word: the word is the task, said only after
  // the right picture is found.
  LaunchGame(frmHuvudmeny, 6);
  EXPECT_EQ(Said(), std::vector<std::string>{});
  Answer(frmOvMC, false);
  EXPECT_EQ(Said(), std::vector<std::string>{});
  Answer(frmOvMC, true);
  EXPECT_EQ(Said(), std::vector<std::string>{Sv(Name(mc::PictureId))});
  Close(frmOvMC);

  // Word memory: every card turned says its word or its picture's name.
  LaunchGame(frmHuvudmeny, 8);
  TfrmOvMemory* memoryForm = frmOvMemory;
  Said();
  for (int i = 0; i < 2; ++i) {
    const QRect cell(i % memory::Columns * (memory::CardWidth + 6), i / memory::Columns * (memory::CardHeight + 6),
                     memory::CardWidth, memory::CardHeight);
    memoryForm->Image1MouseDown(tk::MouseButton::Left, 0, cell.center().x(), cell.center().y());
    const TMemoryCard& card = memory::Cards[At(i)];
    EXPECT_EQ(Said(), std::vector<std::string>{Sv(card.IsWord ? card.Word : Name(card.PictureId))});
  }
  Close(memoryForm);

  // Hangman: each letter guessed, and the word at the end, as written.
  LaunchGame(frmHuvudmeny, 0);
  HangmanWords[1].Word = "ost";
  HangmanWordCount = 1;
  frmOvHangman->NewGame();
  Said();
  for (char letter : std::string("ABCDEFGHIJK")) frmOvHangman->Guess(std::string(1, letter));
  std::vector<std::string> guesses;
  for (char letter : std::string("ABCDEFGHIJ")) guesses.push_back("sv: " + std::string(1, letter));
  guesses.push_back("sv: ost");
  EXPECT_EQ(Said(), guesses) << "the eleventh miss says the word instead of its letter";
  Close(frmOvHangman);

  // Sum rain: nothing while a sum falls, the sum once it is caught.
  LaunchGame(frmHuvudmeny, 10);
  TfrmOvRegn* rainForm = frmOvRegn;
  const std::string sum = rain::Items[At(rain::CurrentItem)].Text;
  for (int t = 0; t < 5; ++t) rainForm->Timer1Timer();
  EXPECT_EQ(Said(), std::vector<std::string>{});
  rainForm->FormKeyPress(rain::Items[At(rain::CurrentItem)].Answer[0]);
  EXPECT_EQ(Said(), std::vector<std::string>{"sv: " + sum.substr(0, 1) + " + " + sum.substr(2)});
  Close(rainForm);
}

TEST_F(SpokenWords, NothingIsSaidWithSpeechOffOrInBretonAndSoundsOffLeavesItOn) {
  struct Case {
    int language;
    bool speech, sounds;
    bool heard;
  };
  for (const Case& c : {Case{1, false, true, false}, Case{15, true, true, false}, Case{1, true, false, true}}) {
    SCOPED_TRACE("language " + std::to_string(c.language) + (c.speech ? " speech" : "") + (c.sounds ? " sounds" : ""));
    Language = c.language;
    LoadPictureCatalogue();
    LoadLanguageStrings();
    Speech = c.speech;
    Sounds = c.sounds;
    Said();
    ClickTile(5);  // first letter: the tile's name and the picture's name
    EXPECT_EQ(Said().size(), c.heard ? 2u : 0u);
    Close(frmOvMC);
  }
  EXPECT_EQ(SpeechLanguage(15), "");
}

TEST_F(SpokenWords, TheVoiceReadsRomanianWithTheCommaBelowAndEveryLanguageHasItsOwnVoice) {
  // "şase ţări" in Windows-1250, as the Romanian content holds it.
  EXPECT_EQ(SpokenText("\xBA" "ase \xFE\xE3ri", 13), "\xC8\x99" "ase \xC8\x9B\xC4\x83ri");
  EXPECT_EQ(SpokenText("\xE5", 1), "\xC3\xA5") << "Windows-1252 elsewhere";
  std::set<std::string> voices;
  for (int language = 1; language <= kLanguageCount; ++language)
    if (language != 15) voices.insert(SpeechLanguage(language));
  EXPECT_EQ(voices.size(), 17u);
}
