#pragma once
// The help viewer: a full-screen layer with one topic of the help file, large
// white text on black and a clear close button. A topic longer than the
// screen is shown page by page, with arrow buttons and the page number
// beside the close button. Escape, Enter, the button or the help key again
// close it. A missing file or topic shows a short note.

#include <QRect>
#include <QString>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

class QPainter;
class QTextLayout;

namespace tk {

// Context 101 is the games' topic; contexts above 110 are the topics of
// single games, and a language without one shows its topic 101 instead.
inline constexpr int kGamesHelpContext = 101;
inline constexpr int kFirstGameHelpContext = 111;

struct HelpTopic {
  bool found = false;
  // The topic's own language and context: another than asked for where the
  // file falls back.
  int language = 0;
  int context = 0;
  QString title;
  QStringList paragraphs;
};

// Reads one topic of a help file ("TAMIRO HELP 1" format): the language's
// own; for a game without its own topic the language's games topic (101);
// else the English one (language 2) in the same order.
HelpTopic ReadHelpTopic(const std::string& path, int language, int context);

// A topic laid out in a rectangle of the screen: the title on every page
// and the paragraphs under it, at the largest text size from one 28th of
// the screen's height down to a smallest readable one (one 36th, at least 14
// pixels) at which the topic fits one page; at the smallest size on as many
// pages as it needs.
class HelpPages {
 public:
  // The topic as the help layer shows it on a screen of that size.
  HelpPages(const HelpTopic& topic, const std::string& fontName, int screenWidth, int screenHeight);
  ~HelpPages();

  struct Line {
    QString text;
    QRectF rect;  // on the screen
    bool title = false;
  };
  int Count() const { return static_cast<int>(pages_.size()); }
  int BodyPixels() const { return bodyPixels_; }
  // Where the lines go, above the buttons.
  QRect Area() const { return area_; }
  // The lines of a page (0-based), in the order they are drawn.
  std::vector<Line> Page(int page) const;
  void Draw(QPainter& painter, int page) const;

 private:
  struct Placed {
    int block;  // 0: the title, 1 + i: paragraph i
    int line;
    double y;   // from the area's top
  };
  void LayOut(int bodyPixels);

  QStringList blocks_;
  std::string fontName_;
  QRect area_;
  int bodyPixels_ = 0;
  std::vector<std::unique_ptr<QTextLayout>> layouts_;
  std::vector<std::vector<Placed>> pages_;
};

struct HelpRequest {
  std::string file;
  int language = 2;
  int context = 0;
  std::string closeCaption = "OK";  // UTF-8
  std::string fontName = "Arial";
};

// Opens the help layer over every form, or closes it when it is open.
void ToggleHelp(const HelpRequest& request);
bool HelpIsOpen();
void CloseHelp();
// The page the open help shows (0-based) and its number of pages; 0 and 0
// when it is closed.
int HelpPage();
int HelpPageCount();

}  // namespace tk
