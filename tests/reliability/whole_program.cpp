#include "reliability/whole_program.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFontDatabase>
#include <QKeyEvent>
#include <random>

#include "app/main_menu.h"
#include "content/settings.h"
#include "app/startup.h"
#include "content/content_tables.h"
#include "toolkit/application.h"
#include "toolkit/help_viewer.h"
#include "toolkit/profile.h"

namespace reliability {

ProgramCopy::ProgramCopy() {
  const QDir from(QStringLiteral(TAMIRO_PROGRAM_DIR));
  QDirIterator it(from.path(), QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString source = it.next();
    const QString relative = from.relativeFilePath(source);
    // The assets only: the executable and the audio module stay where they
    // were built.
    if (relative == "tamiro" || relative.endsWith(".so")) continue;
    const QString target = QString::fromStdString(File(relative.toStdString()));
    QDir().mkpath(QFileInfo(target).absolutePath());
    QFile::copy(source, target);
  }
}

const char* ProgramCopy::Name(Damage damage) {
  switch (damage) {
    case Damage::Missing: return "missing";
    case Damage::Empty: return "empty";
    case Damage::Truncated: return "truncated";
    case Damage::RandomBytes: return "random bytes";
  }
  return "";
}

void ProgramCopy::Break(const std::string& name, Damage damage, unsigned seed) const {
  const QString path = QString::fromStdString(File(name));
  QFile file(path);
  file.open(QIODevice::ReadOnly);
  const QByteArray original = file.readAll();
  file.close();
  QByteArray broken;
  switch (damage) {
    case Damage::Missing:
      QFile::remove(path);
      return;
    case Damage::Empty:
      break;
    case Damage::Truncated:
      // Cut in the middle of a record, as a copy that stopped part way.
      broken = original.left(original.size() * 2 / 3 + 1);
      break;
    case Damage::RandomBytes: {
      std::mt19937 random(seed);
      broken.resize(std::max<qsizetype>(original.size(), 64));
      for (char& c : broken) c = static_cast<char>(random() & 0xFF);
      break;
    }
  }
  file.open(QIODevice::WriteOnly | QIODevice::Truncate);
  file.write(broken);
}

void StartProgram() {
  using namespace tamiro;
  for (auto& s : LangStrings) s.clear();
  for (auto& p : Pictures) p = TPictureEntry{};
  HangmanWordCount = 0;
  Language = 1;
  Music = Sounds = true;
  Capital = false;
  tk::SetTestClockForTimers(true);
  // The random generator's seed moves on at every reading, the same way in
  // every run.
  static std::int64_t clock = 0;
  clock = 0;
  tk::SetClockOverride([] { return clock += 7919; });
  PrepareFonts();
  CreateApplicationForms();
  frmHuvudmeny->Show();
  tk::Application::ProcessMessages();
}

void EndProgram() {
  tk::CloseHelp();
  tk::Application::Instance().HelpViewer = nullptr;
  tk::Application::Instance().DestroyForms();
  tk::SetTestClockForTimers(false);
  tk::SetClockOverride(nullptr);
  QFontDatabase::removeAllApplicationFonts();
}

void Click(tk::Control* control) {
  tk::Form* form = control->OwnerForm();
  const QPoint c = control->BoundsRect().center();
  form->DeliverMouseDown(tk::MouseButton::Left, tk::ssLeft, c.x(), c.y());
  form->DeliverMouseUp(tk::MouseButton::Left, 0, c.x(), c.y());
}

void Type(char16_t character) {
  QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(QChar(character)));
  QCoreApplication::sendEvent(tk::Application::Instance().Window(), &press);
}

void PressKey(int qtKey, int modifiers) {
  // The keys that type a control character carry it, as the platform's key
  // events do.
  QString text;
  switch (qtKey) {
    case Qt::Key_Escape: text = QChar(27); break;
    case Qt::Key_Return:
    case Qt::Key_Enter: text = QChar(13); break;
    case Qt::Key_Backspace: text = QChar(8); break;
    case Qt::Key_Tab: text = QChar(9); break;
    default: break;
  }
  if (modifiers & (Qt::AltModifier | Qt::ControlModifier)) text.clear();
  QKeyEvent press(QEvent::KeyPress, qtKey, Qt::KeyboardModifiers(modifiers), text);
  QCoreApplication::sendEvent(tk::Application::Instance().Window(), &press);
}

namespace {

tk::Control* Named(tk::Form* form, const std::string& name) {
  for (tk::Component* c : form->Components())
    if (c->Name() == name) return dynamic_cast<tk::Control*>(c);
  return nullptr;
}

void Play(tk::Form* form) {
  // Every control a child can see, except the way out and the help.
  std::vector<tk::Control*> controls;
  for (tk::Component* c : form->Components()) {
    auto* control = dynamic_cast<tk::Control*>(c);
    if (control && control->Visible() && control->Name() != "imgExit" && control->Name() != "imgHelp")
      controls.push_back(control);
  }
  for (int round = 0; round < 2; ++round) {
    for (tk::Control* control : controls)
      if (!form->Released() && control->Visible()) Click(control);
    for (char16_t c : std::u16string(u"AEIOUSTRN1234567890 \u00C5\u00E4"))
      if (!form->Released()) Type(c);
    for (int ms = 0; ms < 5000 && !form->Released(); ms += 80) tk::AdvanceTimers(80);
  }
  PressKey(Qt::Key_F1);
  if (tk::HelpIsOpen()) PressKey(Qt::Key_Escape);
}

}  // namespace

std::vector<Visit> TourEveryForm() {
  using namespace tamiro;
  auto& app = tk::Application::Instance();
  std::vector<Visit> visits;
  const auto tiles = frmHuvudmeny->shpOv;
  for (const auto& [tile, shape] : tiles) {
    Visit visit;
    visit.tile = tile;
    const QPoint c = shape->BoundsRect().center();
    frmHuvudmeny->DeliverMouseDown(tk::MouseButton::Left, tk::ssLeft, c.x(), c.y());
    frmHuvudmeny->DeliverMouseUp(tk::MouseButton::Left, 0, c.x(), c.y());
    tk::Form* form = app.ActiveForm();
    if (form && form != frmHuvudmeny) {
      visit.form = form->Name();
      Play(form);
      if (auto* exit = Named(form, "imgExit"); exit && !form->Released()) Click(exit);
      // The released form goes once the event is over.
      QElapsedTimer waited;
      waited.start();
      while (waited.elapsed() < 2000 && std::find(app.Layers().begin(), app.Layers().end(), form) != app.Layers().end())
        tk::Application::ProcessMessages();
      visit.released = std::find(app.Layers().begin(), app.Layers().end(), form) == app.Layers().end() &&
                       app.ActiveForm() == frmHuvudmeny;
    }
    visits.push_back(visit);
  }
  return visits;
}

}  // namespace reliability
