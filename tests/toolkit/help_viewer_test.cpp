#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QWheelEvent>
#include <functional>
#include <QTemporaryDir>

#include "toolkit/application.h"
#include "toolkit/forms.h"
#include "toolkit/help_viewer.h"

namespace {

std::string WriteHelp(const QTemporaryDir& dir, const QByteArray& text) {
  const QString path = dir.filePath("TAMIRO.HLP");
  QFile f(path);
  f.open(QIODevice::WriteOnly);
  f.write(text);
  return path.toStdString();
}

const QByteArray kHelp =
    "TAMIRO HELP 1\n"
    "== 1 100 Huvudmenyn\nKlicka på en ruta.\n\nAndra stycket.\n"
    "== 2 100 The main menu\nClick a tile.\n"
    "== 2 101 The games\nPlay.\n"
    "== 16 100\nKliknij.\n";

}  // namespace

TEST(HelpFile, TopicsOfTheLanguageElseEnglishElseNothing) {
  QTemporaryDir dir;
  const std::string path = WriteHelp(dir, kHelp);
  tk::HelpTopic sv = tk::ReadHelpTopic(path, 1, 100);
  ASSERT_TRUE(sv.found);
  EXPECT_EQ(sv.title, QStringLiteral("Huvudmenyn"));
  EXPECT_EQ(sv.paragraphs, (QStringList{QStringLiteral("Klicka på en ruta."), "Andra stycket."}));
  tk::HelpTopic fallback = tk::ReadHelpTopic(path, 1, 101);
  ASSERT_TRUE(fallback.found);
  EXPECT_EQ(fallback.title, "The games");
  tk::HelpTopic untitled = tk::ReadHelpTopic(path, 16, 100);
  EXPECT_TRUE(untitled.found);
  EXPECT_EQ(untitled.title, "");
  EXPECT_FALSE(tk::ReadHelpTopic(path, 1, 102).found);
  EXPECT_FALSE(tk::ReadHelpTopic(path + ".missing", 1, 100).found);
  EXPECT_FALSE(tk::ReadHelpTopic(WriteHelp(dir, "not a help file\n== 1 100 x\n"), 1, 100).found);
}

// A game's topic; without one the language's games topic, before any
// English topic; then English's game topic, then English's games topic.
TEST(HelpFile, AGameWithoutItsTopicShowsTheLanguagesGamesTopic) {
  QTemporaryDir dir;
  const std::string path = WriteHelp(dir,
                                     "TAMIRO HELP 1\n"
                                     "== 1 101 Spelen\nSpela.\n"
                                     "== 1 116 Välj rätt bild\nLäs ordet.\n"
                                     "== 2 101 The games\nPlay.\n"
                                     "== 2 115 First letter\nChoose.\n"
                                     "== 3 100 Menuen\nKlik.\n");
  struct Case {
    int language, context, shownLanguage, shownContext;
  } const cases[] = {{1, 116, 1, 116}, {1, 115, 1, 101}, {1, 122, 1, 101}, {3, 115, 2, 115},
                     {3, 117, 2, 101}, {3, 100, 3, 100}, {2, 115, 2, 115}, {1, 102, 0, 0}};
  for (const Case& c : cases) {
    const tk::HelpTopic topic = tk::ReadHelpTopic(path, c.language, c.context);
    EXPECT_EQ(topic.found, c.shownLanguage != 0) << c.language << " " << c.context;
    EXPECT_EQ(topic.language, c.shownLanguage) << c.language << " " << c.context;
    EXPECT_EQ(topic.context, c.shownContext) << c.language << " " << c.context;
  }
}

// Every topic of the program's help shows whole, in readable letters, on a
// small and a large screen: each line of it on one page, inside the text
// area, and the pages few.
TEST(HelpPages, EveryTopicOfTheProgramShowsWholeOnSmallAndLargeScreens) {
  const std::string file = TAMIRO_SOURCE_DIR "/assets/TAMIRO.HLP";
  for (const QSize screen : {QSize(640, 480), QSize(1920, 1080)}) {
    for (int language = 1; language <= 18; ++language) {
      for (int context : {100, 101, 102, 111, 112, 113, 114, 115, 116, 117, 118, 119, 120, 121, 122}) {
        const tk::HelpTopic topic = tk::ReadHelpTopic(file, language, context);
        ASSERT_TRUE(topic.found);
        const tk::HelpPages pages(topic, language == 16 ? "Arial" : "Tamiro3", screen.width(), screen.height());
        const std::string what = std::to_string(screen.width()) + " language " + std::to_string(language) +
                                 " context " + std::to_string(context);
        EXPECT_GE(pages.BodyPixels(), std::max(14, screen.height() / 36)) << what;
        EXPECT_LE(pages.Count(), 3) << what;
        QString shown;
        for (int page = 0; page < pages.Count(); ++page) {
          for (const tk::HelpPages::Line& line : pages.Page(page)) {
            EXPECT_TRUE(QRectF(pages.Area()).contains(line.rect)) << what << " page " << page;
            if (!line.title) shown += line.text;
          }
        }
        EXPECT_EQ(shown.simplified().remove(' '), topic.paragraphs.join("").simplified().remove(' ')) << what;
      }
    }
  }
}

TEST(HelpViewer, OpensOverEveryFormAndClosesByKeyButtonOrHelpKey) {
  QTemporaryDir dir;
  const std::string path = WriteHelp(dir, kHelp);
  auto& app = tk::Application::Instance();
  auto* menu = new tk::Form(nullptr, "menu", 640, 480);
  app.AddForm(menu);
  std::vector<std::string> activation;
  menu->OnActivate = [&] { activation.push_back("activate"); };
  menu->OnDeactivate = [&] { activation.push_back("deactivate"); };
  menu->Show();
  activation.clear();
  const tk::HelpRequest request{path, 1, 100, "Avsluta", "Arial"};

  // Help is like another program: it takes the keys, but the form beneath
  // stays the active one and is neither deactivated nor activated again.
  tk::ToggleHelp(request);
  ASSERT_TRUE(tk::HelpIsOpen());
  tk::Form* help = app.InputForm();
  ASSERT_NE(help, menu);
  EXPECT_EQ(app.ActiveForm(), menu);
  help->DeliverKey(27);  // Escape
  tk::Application::ProcessMessages();
  EXPECT_FALSE(tk::HelpIsOpen());
  EXPECT_EQ(app.InputForm(), menu);
  EXPECT_TRUE(activation.empty());

  tk::ToggleHelp(request);
  tk::ToggleHelp(request);  // the help key again
  tk::Application::ProcessMessages();
  EXPECT_FALSE(tk::HelpIsOpen());

  // A long topic shows page by page: the arrows, the wheel, Space and
  // Backspace, the arrow keys, Page Up and Down, Home and End turn them.
  QString lines = "TAMIRO HELP 1\n== 1 111 Hur m\u00e5nga?";
  for (int i = 0; i < 60; ++i) lines += QString("\nStycke %1 om hur spelet g\u00e5r till.\n").arg(i);
  tk::ToggleHelp({WriteHelp(dir, lines.toUtf8()), 1, 111, "Avsluta", "Arial"});
  help = app.InputForm();
  const int pages = tk::HelpPageCount();
  ASSERT_GE(pages, 3);
  const auto find = [&](const std::string& name) {
    for (tk::Component* c : help->Components())
      if (c->Name() == name) return dynamic_cast<tk::Control*>(c);
    return static_cast<tk::Control*>(nullptr);
  };
  const auto click = [&](const std::string& name) {
    const QPoint p = find(name)->BoundsRect().center();
    help->DeliverMouseDown(tk::MouseButton::Left, 0, p.x(), p.y());
    help->DeliverMouseUp(tk::MouseButton::Left, 0, p.x(), p.y());
  };
  const auto wheel = [&](int delta) {
    QWheelEvent event(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(help, &event);
  };
  EXPECT_EQ(tk::HelpPage(), 0);
  click("imgPrevious");
  EXPECT_EQ(tk::HelpPage(), 0) << "no page before the first";
  const std::vector<std::pair<std::function<void()>, int>> turns = {
      {[&] { click("imgNext"); }, 1},
      {[&] { help->DeliverKey(8); }, 0},
      {[&] { help->DeliverKey(' '); }, 1},
      {[&] { help->DeliverKeyDown(Qt::Key_Left); }, 0},
      {[&] { help->DeliverKeyDown(Qt::Key_PageDown); }, 1},
      {[&] { help->DeliverKeyDown(Qt::Key_Down); }, 2},
      {[&] { help->DeliverKeyDown(Qt::Key_Up); }, 1},
      {[&] { wheel(-120); }, 2},
      {[&] { wheel(120); }, 1},
      {[&] { help->DeliverKeyDown(Qt::Key_End); }, pages - 1},
      {[&] { help->DeliverKeyDown(Qt::Key_Right); }, pages - 1},
      {[&] { help->DeliverKeyDown(Qt::Key_Home); }, 0},
  };
  for (std::size_t i = 0; i < turns.size(); ++i) {
    turns[i].first();
    EXPECT_EQ(tk::HelpPage(), turns[i].second) << "turn " << i;
  }
  help->DeliverKey(13);  // Enter
  tk::Application::ProcessMessages();
  EXPECT_FALSE(tk::HelpIsOpen());

  // A missing topic opens the layer with a note, and its button closes it.
  tk::ToggleHelp({path, 1, 102, "OK", "Arial"});
  help = app.InputForm();
  EXPECT_EQ(tk::HelpPageCount(), 1);
  click("imgClose");
  tk::Application::ProcessMessages();
  EXPECT_FALSE(tk::HelpIsOpen());
  EXPECT_TRUE(activation.empty());
  tk::Application::Instance().DestroyForms();
}
