#pragma once
// The help viewer: a full-screen layer with one topic of the help file, large
// white text on black and a clear close button. Escape, the button or the
// help key again close it. A missing file or topic shows a short note.

#include <QString>
#include <QStringList>
#include <string>

namespace tk {

struct HelpTopic {
  bool found = false;
  QString title;
  QStringList paragraphs;
};

// Reads one topic of a help file ("TAMIRO HELP 1" format): the language's
// own, else the English one (language 2).
HelpTopic ReadHelpTopic(const std::string& path, int language, int context);

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

}  // namespace tk
