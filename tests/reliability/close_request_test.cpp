// The desktop's close request (Alt+F4 or the window manager's close) closes
// the active form as its own Exit would, without the click sound.

#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <algorithm>

#include "app/about.h"
#include "app/main_menu.h"
#include "content/settings.h"
#include "exercises/common/message_form.h"
#include "exercises/memory/memory_form.h"
#include "reliability/whole_program.h"
#include "support/fake_player.h"
#include "support/test_support.h"
#include "toolkit/application.h"
#include "toolkit/input_controls.h"
#include "toolkit/media.h"
#include "content/sound.h"

using namespace tamiro;
using testing_support::FakePlayer;

namespace {

class CloseRequest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_support::Messages().clear();
    tk::SetMediaPlayerFactory([this](tk::MediaKind kind) -> std::unique_ptr<tk::MediaPlayer> {
      auto player = std::make_unique<FakePlayer>();
      (kind == tk::MediaKind::Music ? music : effects) = player.get();
      return player;
    });
    copy = std::make_unique<reliability::ProgramCopy>();
    reliability::StartProgram();
  }
  void TearDown() override {
    reliability::EndProgram();
    copy.reset();
    tk::SetMediaPlayerFactory(nullptr);
  }

  // The two ways the desktop asks: the window manager's close, and Alt+F4.
  static void AskToClose(bool byKey) {
    if (byKey) {
      reliability::PressKey(Qt::Key_F4, Qt::AltModifier);
    } else {
      QCloseEvent close;
      QCoreApplication::sendEvent(tk::Application::Instance().Window(), &close);
    }
  }

  static bool Alive(tk::Form* form) {
    const auto& layers = tk::Application::Instance().Layers();
    return std::find(layers.begin(), layers.end(), form) != layers.end();
  }
  static void WaitUntilGone(tk::Form* form) {
    QElapsedTimer t;
    t.start();
    while (Alive(form) && t.elapsed() < 2000) tk::Application::ProcessMessages();
  }

  static void ClickTile(int tile) {
    const QPoint c = frmHuvudmeny->shpOv[static_cast<std::size_t>(tile)]->BoundsRect().center();
    frmHuvudmeny->DeliverMouseDown(tk::MouseButton::Left, tk::ssLeft, c.x(), c.y());
    frmHuvudmeny->DeliverMouseUp(tk::MouseButton::Left, 0, c.x(), c.y());
  }

  ::testing::AssertionResult NoClick() const {
    for (const std::string& entry : effects->log)
      if (entry.find("KLICK3") != std::string::npos) return ::testing::AssertionFailure() << "the click sounded";
    return ::testing::AssertionSuccess();
  }

  std::unique_ptr<reliability::ProgramCopy> copy;
  FakePlayer* music = nullptr;
  FakePlayer* effects = nullptr;
};

}  // namespace

TEST_F(CloseRequest, AnExerciseFormIsReleasedAndTheMenuResumesItsMusic) {
  auto& app = tk::Application::Instance();
  int closed = 0;
  for (int tile : {1, 2, 5, 6, 8, 9, 10, 11, 12}) {
    SCOPED_TRACE("tile " + std::to_string(tile));
    ClickTile(tile);
    tk::Form* form = app.ActiveForm();
    ASSERT_NE(form, frmHuvudmeny) << "the tile opened no form";
    tk::AdvanceTimers(300);
    effects->log.clear();
    music->log.clear();
    music->position = 1234 + tile;  // where the exercise's own music stands
    AskToClose(tile % 2 == 0);
    WaitUntilGone(form);
    EXPECT_FALSE(Alive(form)) << form->Name() << " was not released";
    EXPECT_EQ(app.ActiveForm(), frmHuvudmeny);
    EXPECT_TRUE(NoClick());
    // The menu's music again, from where it stood when the exercise came.
    ASSERT_GE(music->log.size(), 3u);
    EXPECT_EQ(music->log[0], "open DIDELI.MID");
    EXPECT_EQ(music->log[1], "seek " + std::to_string(MusicResumePosition));
    EXPECT_EQ(music->log[2], "play notify");
    EXPECT_FALSE(app.Terminated()) << "closing an exercise does not end the program";
    ++closed;
  }
  EXPECT_EQ(closed, 9);
}

TEST_F(CloseRequest, TheMessageFormAnswersAsItsSecondButtonAndTheGameGoesOn) {
  auto& app = tk::Application::Instance();
  ClickTile(10);  // memory
  auto* form = dynamic_cast<TfrmOvMemory*>(app.ActiveForm());
  ASSERT_NE(form, nullptr);
  // Find a pair: turn two cards with the same picture.
  int first = -1, second = -1;
  for (int i = 0; i < memory::CardCount && second < 0; ++i)
    for (int j = i + 1; j < memory::CardCount; ++j)
      if (memory::Cards[static_cast<std::size_t>(i)].PictureId == memory::Cards[static_cast<std::size_t>(j)].PictureId) {
        first = i;
        second = j;
        break;
      }
  ASSERT_GE(second, 0);
  for (int card : {first, second}) {
    const int x = form->Image1->Left() + (card % memory::Columns) * (memory::CardWidth + 6) + memory::CardWidth / 2;
    const int y = form->Image1->Top() + (card / memory::Columns) * (memory::CardHeight + 6) + memory::CardHeight / 2;
    form->DeliverMouseDown(tk::MouseButton::Left, tk::ssLeft, x, y);
    form->DeliverMouseUp(tk::MouseButton::Left, 0, x, y);
  }
  ASSERT_EQ(memory::MatchedCards, 2);
  const auto cards = memory::Cards;
  // Start asks whether to abandon the game; the desktop closes the question.
  QCoreApplication::postEvent(app.Window(), new QCloseEvent);
  reliability::Click(form->imgStart);
  EXPECT_FALSE(frmMessage->Visible());
  EXPECT_EQ(app.ActiveForm(), form);
  EXPECT_EQ(memory::MatchedCards, 2) << "the game in play goes on";
  for (int i = 0; i < memory::CardCount; ++i)
    EXPECT_EQ(memory::Cards[static_cast<std::size_t>(i)].PictureId, cards[static_cast<std::size_t>(i)].PictureId);

  // Asked again, the first button abandons it: the click waits in the queue
  // until the question is on the screen.
  const QPoint button = frmMessage->imgKnapp1->BoundsRect().center();
  for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
    QCoreApplication::postEvent(frmMessage, new QMouseEvent(type, QPointF(button), QPointF(button), Qt::LeftButton,
                                                            type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                                                            Qt::NoModifier));
  reliability::Click(form->imgStart);
  EXPECT_EQ(memory::MatchedCards, 0) << "a new game";
  EXPECT_EQ(app.ActiveForm(), form);
}

TEST_F(CloseRequest, TheAboutFormForgetsItsChanges) {
  auto& app = tk::Application::Instance();
  ASSERT_NE(frmAbout, nullptr);
  const std::string settings = copy->File("TAMIRO.INI");
  for (bool byKey : {true, false}) {
    SCOPED_TRACE(byKey ? "Alt+F4" : "the window's close request");
    QFile::remove(QString::fromStdString(settings));
    bool ran = false;
    QTimer::singleShot(0, [&] {
      ran = true;
      ASSERT_TRUE(frmAbout->Visible());
      tk::ComboBox& list = *frmAbout->cboLanguage;
      list.SetItemIndex((list.ItemIndex() + 5) % list.Count());
      frmAbout->chkMusic->SetChecked(false);
      frmAbout->chkCapital->SetChecked(true);
      effects->log.clear();
      if (byKey) {
        // The key is sent to the language list, which has the focus; the
        // program takes it before the list does.
        testing_support::PressKey(testing_support::KeyTarget(), Qt::Key_F4, QString(), Qt::AltModifier);
      } else {
        AskToClose(false);
      }
      // The showing ends once this handler is done.
      if (frmAbout->ModalResult() == tk::mrNone) {
        ADD_FAILURE() << "the close request left the About form open";
        frmAbout->Close();
      }
    });
    reliability::Click(frmHuvudmeny->lblAbout);
    ASSERT_TRUE(ran) << "the About form did not open";
    EXPECT_FALSE(frmAbout->Visible());
    EXPECT_EQ(frmAbout->ModalResult(), tk::mrCancel);
    EXPECT_EQ(Language, 1);
    EXPECT_TRUE(Music);
    EXPECT_FALSE(Capital);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(settings))) << "the settings were written";
    EXPECT_TRUE(NoClick());
    EXPECT_EQ(app.ActiveForm(), frmHuvudmeny);
    EXPECT_FALSE(app.Terminated());
  }
}

TEST_F(CloseRequest, OnTheMenuItEndsTheProgram) {
  auto& app = tk::Application::Instance();
  AskToClose(true);
  EXPECT_TRUE(app.Terminated());
  EXPECT_TRUE(NoClick());
}
