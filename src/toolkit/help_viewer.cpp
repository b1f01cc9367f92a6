#include "toolkit/help_viewer.h"

#include <QFile>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QTextStream>
#include <algorithm>

#include "toolkit/application.h"
#include "toolkit/forms.h"
#include "toolkit/platform.h"

namespace tk {
namespace {

HelpTopic FindTopic(const QStringList& lines, int language, int context) {
  HelpTopic topic;
  const QString header = QString("== %1 %2").arg(language).arg(context);
  // A header may stand indented, as a hand-edited file may have it.
  const auto isHeader = [](const QString& line) { return line.trimmed().startsWith("== "); };
  for (int i = 1; i < lines.size(); ++i) {
    const QString line = lines[i].trimmed();
    if (line != header && !line.startsWith(header + ' ')) continue;
    topic.found = true;
    topic.title = line.mid(header.size()).trimmed();
    for (int j = i + 1; j < lines.size() && !isHeader(lines[j]); ++j)
      if (!lines[j].trimmed().isEmpty()) topic.paragraphs << lines[j].trimmed();
    break;
  }
  return topic;
}

// The help layer. It paints its text on its own surface; the close button is
// an image control.
class HelpForm : public Form {
 public:
  HelpForm(const HelpRequest& request, const HelpTopic& topic) : Form(nullptr, "frmHelp", 640, 480) {
    const ScreenInfo screen = Screen();
    resize(screen.width, screen.height);
    move(0, 0);
    Color = 0x000000;
    // Help is like another program over this one: it takes activation from
    // no form, so the forms beneath go on as they were.
    Overlay = true;
    const int bw = std::max(120, screen.width / 6), bh = std::max(40, screen.height / 12);
    button_ = new Image(this, "imgClose", screen.width - bw - screen.width / 40, screen.height - bh - screen.height / 30, bw, bh);
    button_->OnClick = [] { CloseHelp(); };
    OnKeyPress = [](char key) {
      if (key == 27 || key == 13) CloseHelp();
    };
    Paint(request, topic, screen);
  }
  ~HelpForm() override;

 private:
  void Paint(const HelpRequest& request, const HelpTopic& topic, const ScreenInfo& screen) {
    Canvas().Clear(0x000000);
    Canvas().PaintWith([&](QPainter& p) { PaintTopic(p, request, topic, screen); });

    // The close button: a white rounded frame with the caption.
    tk::Canvas& b = button_->Canvas();
    b.Clear(0x000000);
    b.PaintWith([&](QPainter& q) {
      q.setRenderHint(QPainter::Antialiasing);
      q.setPen(QPen(Qt::white, std::max(2, screen.height / 240)));
      q.setBrush(Qt::NoBrush);
      const QRectF frame(2.5, 2.5, button_->Width() - 5, button_->Height() - 5);
      q.drawRoundedRect(frame, frame.height() / 3, frame.height() / 3);
      QFont f(QString::fromStdString(request.fontName));
      f.setPixelSize(std::max(12, button_->Height() * 9 / 20));
      q.setFont(f);
      q.drawText(frame, Qt::AlignCenter, QString::fromStdString(request.closeCaption));
    });
  }

  void PaintTopic(QPainter& p, const HelpRequest& request, const HelpTopic& topic, const ScreenInfo& screen) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const int margin = screen.width / 16;
    const QRect area(margin, screen.height / 14, screen.width - 2 * margin,
                     button_->Top() - screen.height / 14 - screen.height / 40);

    QString title = topic.title;
    QStringList body = topic.paragraphs;
    if (!topic.found) {
      title = "Help";
      body = {"The help for this screen is not available."};
    }
    // The largest text that fits the screen, from one thirtieth of its height.
    QFont titleFont(QString::fromStdString(request.fontName));
    QFont bodyFont(QString::fromStdString(request.fontName));
    int bodyPx = std::max(12, screen.height / 28);
    QRect titleBox, bodyBox;
    const QString text = body.join("\n\n");
    for (;; bodyPx = bodyPx * 9 / 10) {
      titleFont.setPixelSize(bodyPx * 2);
      bodyFont.setPixelSize(bodyPx);
      titleBox = QFontMetrics(titleFont).boundingRect(area, Qt::TextWordWrap, title);
      const QRect rest(area.left(), area.top() + titleBox.height() + bodyPx, area.width(),
                       area.height() - titleBox.height() - bodyPx);
      bodyBox = QFontMetrics(bodyFont).boundingRect(rest, Qt::TextWordWrap, text);
      if (bodyBox.bottom() <= area.bottom() || bodyPx <= 8) break;
    }
    p.setPen(QColor(255, 240, 80));
    p.setFont(titleFont);
    p.drawText(area, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, title);
    p.setPen(Qt::white);
    p.setFont(bodyFont);
    const QRect rest(area.left(), area.top() + titleBox.height() + bodyPx, area.width(),
                     area.bottom() - (area.top() + titleBox.height() + bodyPx));
    p.drawText(rest, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, text);
  }

  Image* button_;
};

HelpForm* g_help = nullptr;

HelpForm::~HelpForm() {
  if (g_help == this) g_help = nullptr;
}

}  // namespace

HelpTopic ReadHelpTopic(const std::string& path, int language, int context) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
  const QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
  if (lines.isEmpty() || lines[0].trimmed() != "TAMIRO HELP 1") return {};
  HelpTopic topic = FindTopic(lines, language, context);
  if (!topic.found && language != 2) topic = FindTopic(lines, 2, context);
  return topic;
}

bool HelpIsOpen() { return g_help != nullptr && !g_help->Released(); }

void CloseHelp() {
  if (!g_help) return;
  HelpForm* form = g_help;
  g_help = nullptr;
  form->Release();
}

void ToggleHelp(const HelpRequest& request) {
  if (HelpIsOpen()) {
    CloseHelp();
    return;
  }
  const HelpTopic topic = ReadHelpTopic(request.file, request.language, request.context);
  g_help = new HelpForm(request, topic);
  g_help->Show();
}

}  // namespace tk
