#pragma once
// Shared pieces of the test programs: a program directory of hand-made data
// files, an encoder for them, and a record of the message boxes shown.

#include <QPoint>
#include <QString>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "exercises/common/games.h"
#include "toolkit/platform.h"

class QWidget;

namespace testing_support {

// The message boxes shown since the last Clear (tests never block on one).
std::vector<tk::MessageRequest>& Messages();

// Input as the user gives it to a Qt widget, through the window as the
// desktop delivers it: a left click at a point of the widget (its centre by
// default), and a key with the text it types. Keys that the widget leaves go
// on to its parents, as typed keys do.
void ClickWidget(QWidget* widget, QPoint at = QPoint(-1, -1));
void PressKey(QWidget* widget, int key, const QString& text = QString(), Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// Where typed keys go now: the open list, else the focused widget, else the
// program's window.
QWidget* KeyTarget();

// The test's launcher in place of every game's for as long as it lives, the
// games' own again afterwards: a tile then calls it with its game's
// exercise number (0 for hangman).
class LaunchersReplaced {
 public:
  explicit LaunchersReplaced(std::function<void(int exercise)> launch);
  ~LaunchersReplaced();
  LaunchersReplaced(const LaunchersReplaced&) = delete;
  LaunchersReplaced& operator=(const LaunchersReplaced&) = delete;

 private:
  std::vector<tamiro::GameLauncher> saved_;
};

// Data-file encoding, as the program reads it.
void PutWord(std::string& out, int value);
void PutString(std::string& out, const std::u16string& text);

// A temporary program directory: the executable path points into it, and the
// settings files live in it too: the user's TAMIRO.INI and the computer's
// (SystemFile, absent until a test writes it). The desktop is Swedish.
class ProgramDir {
 public:
  ProgramDir();
  ~ProgramDir();
  std::string Path() const;
  std::string SystemFile() const;
  std::string File(const std::string& name) const;
  void Write(const std::string& name, const std::string& bytes) const;

 private:
  QTemporaryDir dir_;
};

// One language's texts for the three data files: language -> text. Missing
// languages get "" in their columns.
struct PictureRecord {
  int id = 1;
  int glyph = 65;
  std::vector<std::pair<std::u16string, std::u16string>> names;  // index 0 = language 1
  int red = 0, green = 0, blue = 0;
};
std::string EncodePicture(const PictureRecord& record);
std::string EncodeLangString(int tag, const std::vector<std::u16string>& texts);  // index 0 = language 1

}  // namespace testing_support
