#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>

#include "app/main_menu.h"
#include "content/content_tables.h"
#include "content/helpers.h"
#include "exercises/common/message_form.h"
#include "support/message_answer.h"
#include "support/program_fixture.h"
#include "toolkit/application.h"
#include "content/fonts.h"

using namespace tamiro;
using testing_support::Click;
using testing_support::MessageAnswer;

namespace {

bool Lit(QRgb p) { return qGray(p) > 100; }

// The message form of the started program, over the main menu.
class MessageForm : public testing_support::ProgramFixture {
 protected:
  void SetUp() override {
    StartProgram();
    effects->log.clear();
  }
  int Ask(const std::function<void()>& answer, const std::string& text = "Vill du?", const std::string& first = "Ja",
          const std::string& second = "Nej") {
    MessageAnswer a(answer);
    const int result = ShowMessageForm(text, first, second);
    EXPECT_TRUE(a.Asked());
    EXPECT_FALSE(a.TimedOut()) << "the answer did not end the showing";
    return result;
  }
  static void Key(Qt::Key key, Qt::KeyboardModifiers modifiers, const QString& text) {
    QKeyEvent event(QEvent::KeyPress, key, modifiers, text);
    QCoreApplication::sendEvent(tk::Application::Instance().Window(), &event);
  }
  // The form as it shows on the screen.
  static QImage Shot() { return frmMessage->grab().toImage(); }
};

}  // namespace

TEST_F(MessageForm, EachButtonAnswersAndEveryCloseRequestEndsOnlyTheQuestion) {
  auto& app = tk::Application::Instance();
  struct Case {
    const char* what;
    std::function<void()> answer;
    int result;
  };
  const Case cases[] = {
      {"first button", [] { Click(frmMessage->imgKnapp1); }, 1},
      {"second button", [] { Click(frmMessage->imgKnapp2); }, 2},
      {"Escape", [] { Key(Qt::Key_Escape, Qt::NoModifier, QString(QChar(27))); }, 2},
      {"Alt+F4", [] { Key(Qt::Key_F4, Qt::AltModifier, QString()); }, 2},
      {"the window's close request",
       [] {
         QCloseEvent close;
         QCoreApplication::sendEvent(tk::Application::Instance().Window(), &close);
       },
       2},
      // Presses on the message, the frame and the gap between the buttons, and
      // typed letters, answer nothing; the click after them does.
      {"a click after presses elsewhere",
       [] {
         for (QPoint p : {QPoint(200, 60), QPoint(1, 1), QPoint(208, 170)}) {
           frmMessage->DeliverMouseDown(tk::MouseButton::Left, 0, p.x(), p.y());
           frmMessage->DeliverMouseUp(tk::MouseButton::Left, 0, p.x(), p.y());
         }
         Key(Qt::Key_J, Qt::NoModifier, "j");
         Key(Qt::Key_Return, Qt::NoModifier, "\r");
         EXPECT_TRUE(frmMessage->Visible());
         Click(frmMessage->imgKnapp1);
       },
       1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Ask(c.answer), c.result) << c.what;
    EXPECT_FALSE(app.Terminated()) << c.what;
    EXPECT_FALSE(frmMessage->Visible()) << c.what;
    EXPECT_EQ(app.ActiveForm(), frmHuvudmeny) << c.what;
    EXPECT_TRUE(frmHuvudmeny->Visible()) << c.what;
  }
  EXPECT_TRUE(effects->log.empty()) << "the buttons make no sound";
}

TEST_F(MessageForm, SitsUnscaledInTheMiddleWithItsFrameMessageAndButtons) {
  ExerciseFont = "Arial";  // as for Polish: the buttons follow it, the message does not
  Ask([] { Click(frmMessage->imgKnapp1); }, "Vill du börja ett nytt spel?");
  EXPECT_EQ(QRect(frmMessage->Left(), frmMessage->Top(), frmMessage->Width(), frmMessage->Height()),
            QRect((1024 - 415) / 2, (768 - 219) / 2, 415, 219));
  EXPECT_EQ(frmMessage->lblText->BoundsRect(), QRect(12, 8, 389, 129));
  EXPECT_EQ(frmMessage->imgKnapp1->BoundsRect(), QRect(16, 140, 185, 57));
  EXPECT_EQ(frmMessage->imgKnapp2->BoundsRect(), QRect(216, 140, 181, 57));
  EXPECT_EQ(frmMessage->lblText->Font.Name, "Tamiro3");
  EXPECT_EQ(tk::PixelsForPoints(frmMessage->lblText->Font.Size), 24);

  const QImage shot = Shot();
  ASSERT_EQ(shot.size(), QSize(415, 219));
  // A white frame three pixels wide, black inside.
  for (int d = 0; d < 3; ++d) {
    EXPECT_EQ(shot.pixel(d, 100), qRgb(255, 255, 255)) << d;
    EXPECT_EQ(shot.pixel(200, d), qRgb(255, 255, 255)) << d;
    EXPECT_EQ(shot.pixel(412 - d, 100), qRgb(255, 255, 255)) << d;
  }
  EXPECT_EQ(shot.pixel(6, 100), qRgb(0, 0, 0));
  EXPECT_EQ(shot.pixel(208, 120), qRgb(0, 0, 0));
  // The message: one line of white letters, centred, at the top of the label.
  int left = 415, right = 0, top = 219, bottom = 0;
  for (int y = 8; y < 137; ++y)
    for (int x = 12; x < 401; ++x)
      if (Lit(shot.pixel(x, y))) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
  ASSERT_LT(left, right);
  EXPECT_LE(std::abs((left + right) / 2 - 206), 4) << "centred on the label";
  EXPECT_LT(bottom - top, 32) << "one line, of 24-pixel letters";
  EXPECT_GT(bottom - top, 14);
}

TEST_F(MessageForm, ALongMessageIsClippedNotWrappedAndLineBreaksStartNewLines) {
  const std::string longText(120, 'W');
  QImage shot;
  Ask([&] {
    shot = Shot();
    Click(frmMessage->imgKnapp2);
  }, longText);
  const auto litIn = [&](int x1, int x2, int y1, int y2) {
    int n = 0;
    for (int y = y1; y < y2; ++y)
      for (int x = x1; x < x2; ++x) n += Lit(shot.pixel(x, y));
    return n;
  };
  EXPECT_GT(litIn(390, 401, 8, 36), 20) << "the letters reach the label's right edge";
  EXPECT_GT(litIn(12, 23, 8, 36), 20) << "and its left edge";
  EXPECT_EQ(litIn(401, 409, 3, 137), 0) << "nothing is drawn beyond the label";
  EXPECT_EQ(litIn(4, 12, 3, 137), 0);
  EXPECT_EQ(litIn(12, 401, 40, 137), 0) << "the message is not wrapped";

  Ask([&] {
    shot = Shot();
    Click(frmMessage->imgKnapp2);
  }, "Rad ett\r\nRad tva\nRad tre");
  EXPECT_GT(litIn(12, 401, 8, 34), 50);
  EXPECT_GT(litIn(12, 401, 36, 62), 50) << "the second line";
  EXPECT_GT(litIn(12, 401, 64, 92), 50) << "the third line";
}

TEST_F(MessageForm, TwoCallsInARowShowOnlyTheSecondCallsTexts) {
  Ask([] { Click(frmMessage->imgKnapp1); }, "Första frågan", "Ja", "Nej");
  QImage first, second;
  Ask([&] {
    first = frmMessage->imgKnapp1->Canvas().Image().copy();
    second = frmMessage->imgKnapp2->Canvas().Image().copy();
    Click(frmMessage->imgKnapp1);
  }, "Andra", "Fortsätt", "Avbryt");
  EXPECT_EQ(frmMessage->lblText->Caption, "Andra");
  // Each face is exactly what a fresh face with the second caption looks like.
  auto* scratch = new tk::Form(nullptr, "scratch", 415, 219);
  auto* reference = new tk::Image(scratch, "reference", 0, 0, 185, 57);
  DrawButtonFace(*reference, "Fortsätt", 0xFFFFFF, ExerciseFont, 16, 30, 1);
  EXPECT_EQ(first, reference->Canvas().Image());
  reference->SetBounds(0, 0, 181, 57);
  DrawButtonFace(*reference, "Avbryt", 0xFFFFFF, ExerciseFont, 16, 30, 1);
  EXPECT_EQ(second, reference->Canvas().Image());
  DrawButtonFace(*reference, "Nej", 0xFFFFFF, ExerciseFont, 16, 30, 1);
  EXPECT_NE(second, reference->Canvas().Image()) << "the faces differ by caption";
  delete scratch;
}

TEST_F(MessageForm, TimersGoOnWhileTheQuestionWaitsAndTheMenuBeneathTakesNoInput) {
  int ticks = 0;
  auto* timer = new tk::Timer(frmHuvudmeny, "tmrTest");
  timer->SetInterval(10);
  timer->OnTimer = [&] {
    if (++ticks == 3) Click(frmMessage->imgKnapp2);
  };
  int launches = 0;
  testing_support::LaunchersReplaced replaced([&](int) { ++launches; });
  const QPoint tile = frmHuvudmeny->shpOv[10]->BoundsRect().center();
  EXPECT_EQ(Ask([&] {
              frmHuvudmeny->DeliverMouseDown(tk::MouseButton::Left, 0, tile.x(), tile.y());
              frmHuvudmeny->DeliverMouseUp(tk::MouseButton::Left, 0, tile.x(), tile.y());
            }),
            2);
  EXPECT_GE(ticks, 3);
  EXPECT_EQ(launches, 0) << "the tile beneath the question opened its exercise";
  EXPECT_TRUE(effects->log.empty());
  delete timer;
  frmHuvudmeny->DeliverMouseDown(tk::MouseButton::Left, 0, tile.x(), tile.y());
  EXPECT_EQ(launches, 1) << "the menu takes input again";
}
