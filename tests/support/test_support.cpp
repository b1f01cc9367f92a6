#include "support/test_support.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QWidget>
#include <cstdio>

#include "toolkit/application.h"
#include "toolkit/profile.h"
#include "exercises/common/games.h"

namespace testing_support {

std::vector<tk::MessageRequest>& Messages() {
  static std::vector<tk::MessageRequest> messages;
  return messages;
}

void ClickWidget(QWidget* widget, QPoint at) {
  QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, at == QPoint(-1, -1) ? widget->rect().center() : at);
}

void PressKey(QWidget* widget, int key, const QString& text, Qt::KeyboardModifiers modifiers) {
  QTest::sendKeyEvent(QTest::Click, widget, static_cast<Qt::Key>(key), text, modifiers);
}

QWidget* KeyTarget() {
  if (QWidget* popup = QApplication::activePopupWidget()) return popup;
  if (QWidget* focus = QApplication::focusWidget()) return focus;
  return tk::Application::Instance().Window();
}

void PutWord(std::string& out, int value) {
  out.push_back(static_cast<char>(value & 0xFF));
  out.push_back(static_cast<char>((value >> 8) & 0xFF));
}

void PutString(std::string& out, const std::u16string& text) {
  out.push_back(static_cast<char>(text.size()));
  for (char16_t c : text) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%05u", static_cast<unsigned>(c));
    out.push_back('#');
    out.append(digits, 5);
  }
}

ProgramDir::ProgramDir() {
  tk::SetExecutablePathOverride(File("tamiro"));
  tk::SetSettingsFileOverride(File("TAMIRO.INI"));
  tk::SetSystemSettingsFilesOverride(std::vector<std::string>{SystemFile()});
  tk::SetDesktopLocaleOverride("sv_SE.UTF-8");
}

ProgramDir::~ProgramDir() {
  tk::SetExecutablePathOverride(std::nullopt);
  tk::SetSettingsFileOverride(std::nullopt);
  tk::SetSystemSettingsFilesOverride(std::nullopt);
  tk::SetDesktopLocaleOverride(std::nullopt);
}

std::string ProgramDir::SystemFile() const { return File("system-TAMIRO.INI"); }

std::string ProgramDir::Path() const { return dir_.path().toStdString(); }
std::string ProgramDir::File(const std::string& name) const { return Path() + "/" + name; }

void ProgramDir::Write(const std::string& name, const std::string& bytes) const {
  QFile file(QString::fromStdString(File(name)));
  file.open(QIODevice::WriteOnly | QIODevice::Truncate);
  file.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

std::string EncodePicture(const PictureRecord& record) {
  std::string out;
  PutWord(out, record.id);
  PutWord(out, record.glyph);
  for (std::size_t language = 0; language < 18; ++language) {
    if (language < record.names.size()) {
      PutString(out, record.names[language].first);
      PutString(out, record.names[language].second);
    } else {
      PutString(out, u"");
      PutString(out, u"");
    }
  }
  PutWord(out, record.red);
  PutWord(out, record.green);
  PutWord(out, record.blue);
  return out;
}

std::string EncodeLangString(int tag, const std::vector<std::u16string>& texts) {
  std::string out;
  PutWord(out, tag);
  for (std::size_t language = 0; language < 18; ++language)
    PutString(out, language < texts.size() ? texts[language] : u"");
  return out;
}

LaunchersReplaced::LaunchersReplaced(std::function<void(int exercise)> launch) {
  for (tamiro::Game& game : tamiro::Games()) {
    saved_.push_back(game.launch);
    game.launch = [launch](tk::Form*, const tamiro::Game& g) { launch(g.exercise); };
  }
}

LaunchersReplaced::~LaunchersReplaced() {
  auto& games = tamiro::Games();
  for (std::size_t i = 0; i < games.size() && i < saved_.size(); ++i) games[i].launch = saved_[i];
}

}  // namespace testing_support
