#include <gtest/gtest.h>

#include <QFile>
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

  // A missing topic opens the layer with a note, and its button closes it.
  tk::ToggleHelp({path, 1, 102, "OK", "Arial"});
  help = app.InputForm();
  auto* button = dynamic_cast<tk::Control*>(help->Components().back());
  ASSERT_NE(button, nullptr);
  const QPoint c = button->BoundsRect().center();
  help->DeliverMouseDown(tk::MouseButton::Left, 0, c.x(), c.y());
  help->DeliverMouseUp(tk::MouseButton::Left, 0, c.x(), c.y());
  tk::Application::ProcessMessages();
  EXPECT_FALSE(tk::HelpIsOpen());
  EXPECT_TRUE(activation.empty());
  tk::Application::Instance().DestroyForms();
}
