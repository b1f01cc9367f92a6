#include "toolkit/help_viewer.h"

#include <QFile>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>
#include <QWheelEvent>
#include <algorithm>

#include "toolkit/application.h"
#include "toolkit/forms.h"
#include "toolkit/platform.h"

namespace tk {
namespace {

constexpr int kEnglish = 2;

HelpTopic FindTopic(const QStringList& lines, int language, int context) {
  HelpTopic topic;
  const QString header = QString("== %1 %2").arg(language).arg(context);
  // A header may stand indented, as a hand-edited file may have it.
  const auto isHeader = [](const QString& line) { return line.trimmed().startsWith("== "); };
  for (int i = 1; i < lines.size(); ++i) {
    const QString line = lines[i].trimmed();
    if (line != header && !line.startsWith(header + ' ')) continue;
    topic.found = true;
    topic.language = language;
    topic.context = context;
    topic.title = line.mid(header.size()).trimmed();
    for (int j = i + 1; j < lines.size() && !isHeader(lines[j]); ++j)
      if (!lines[j].trimmed().isEmpty()) topic.paragraphs << lines[j].trimmed();
    break;
  }
  return topic;
}

QFont HelpFont(const std::string& name, int pixels) {
  QFont font(QString::fromStdString(name));
  font.setPixelSize(std::max(1, pixels));
  return font;
}

// Where the layer puts its parts on a screen: the close button at the
// bottom right, the page turners at the bottom left, the text above them.
struct Layout {
  explicit Layout(int width, int height)
      : buttonWidth(std::max(120, width / 6)),
        buttonHeight(std::max(40, height / 12)),
        margin(width / 16),
        bottom(height - buttonHeight - height / 30),
        text(margin, height / 14, width - 2 * margin, bottom - height / 14 - height / 40) {}
  int buttonWidth, buttonHeight, margin, bottom;
  QRect text;
};

const QColor kTitleColour(255, 240, 80);
const QColor kDimmed(96, 96, 96);

// The help layer. It paints its text on its own surface; the close button
// and the two arrows are image controls.
class HelpForm : public Form {
 public:
  HelpForm(const HelpRequest& request, const HelpTopic& topic) : Form(nullptr, "frmHelp", 640, 480), request_(request) {
    const ScreenInfo screen = Screen();
    resize(screen.width, screen.height);
    move(0, 0);
    Color = 0x000000;
    // Help is like another program over this one: it takes activation from
    // no form, so the forms beneath go on as they were.
    Overlay = true;
    const Layout layout(screen.width, screen.height);
    const int bh = layout.buttonHeight, margin = layout.margin, bottom = layout.bottom;
    button_ = new Image(this, "imgClose", screen.width - layout.buttonWidth - screen.width / 40, bottom,
                        layout.buttonWidth, bh);
    button_->OnClick = [] { CloseHelp(); };
    // The page turners at the left, the page number between them.
    previous_ = new Image(this, "imgPrevious", margin, bottom, bh, bh);
    next_ = new Image(this, "imgNext", margin + 3 * bh, bottom, bh, bh);
    pageNumber_ = QRect(margin + bh, bottom, 2 * bh, bh);
    previous_->OnClick = [this] { Turn(-1); };
    next_->OnClick = [this] { Turn(1); };
    OnKeyPress = [this](char key) {
      if (key == 27 || key == 13) CloseHelp();
      if (key == ' ') Turn(1);
      if (key == 8) Turn(-1);
    };
    OnKeyDown = [this](int key) {
      if (key == Qt::Key_Right || key == Qt::Key_Down || key == Qt::Key_PageDown) Turn(1);
      if (key == Qt::Key_Left || key == Qt::Key_Up || key == Qt::Key_PageUp) Turn(-1);
      if (key == Qt::Key_Home) Turn(-page_);
      if (key == Qt::Key_End) Turn(pages_->Count());
    };

    HelpTopic shown = topic;
    if (!topic.found) {
      shown.title = "Help";
      shown.paragraphs = {"The help for this screen is not available."};
    }
    pages_ = std::make_unique<HelpPages>(shown, request.fontName, screen.width, screen.height);
    previous_->SetVisible(pages_->Count() > 1);
    next_->SetVisible(pages_->Count() > 1);
    Paint();
  }
  ~HelpForm() override;

  int Page() const { return page_; }
  int PageCount() const { return pages_->Count(); }

 protected:
  // The wheel turns a page for each notch.
  void wheelEvent(QWheelEvent* event) override {
    wheel_ += event->angleDelta().y();
    for (; wheel_ <= -120; wheel_ += 120) Turn(1);
    for (; wheel_ >= 120; wheel_ -= 120) Turn(-1);
    event->accept();
  }

 private:
  void Turn(int by) {
    const int page = std::clamp(page_ + by, 0, pages_->Count() - 1);
    if (page == page_) return;
    page_ = page;
    Paint();
  }

  void Paint() {
    Canvas().Clear(0x000000);
    Canvas().PaintWith([&](QPainter& p) {
      p.setRenderHint(QPainter::Antialiasing);
      p.setRenderHint(QPainter::TextAntialiasing);
      pages_->Draw(p, page_);
      if (pages_->Count() > 1) {
        p.setPen(Qt::white);
        p.setFont(HelpFont(request_.fontName, pageNumber_.height() * 9 / 20));
        p.drawText(pageNumber_, Qt::AlignCenter, QString("%1 / %2").arg(page_ + 1).arg(pages_->Count()));
      }
    });
    PaintButton(*button_, [&](QPainter& q, const QRectF& frame) {
      q.setFont(HelpFont(request_.fontName, std::max(12, button_->Height() * 9 / 20)));
      q.drawText(frame, Qt::AlignCenter, QString::fromStdString(request_.closeCaption));
    });
    for (Image* arrow : {previous_, next_}) {
      const bool back = arrow == previous_;
      const bool live = back ? page_ > 0 : page_ < pages_->Count() - 1;
      PaintButton(*arrow, [&](QPainter& q, const QRectF& frame) {
        const QPointF c = frame.center();
        const double s = frame.height() / 4;
        QPainterPath triangle;
        triangle.moveTo(c.x() + (back ? s : -s), c.y() - s);
        triangle.lineTo(c.x() + (back ? s : -s), c.y() + s);
        triangle.lineTo(c.x() + (back ? -s : s), c.y());
        triangle.closeSubpath();
        q.fillPath(triangle, live ? QColor(Qt::white) : kDimmed);
      }, live);
    }
  }

  // A white rounded frame (grey for a button that does nothing now) with
  // what the button shows.
  template <class Face>
  void PaintButton(Image& image, Face face, bool live = true) {
    tk::Canvas& b = image.Canvas();
    b.Clear(0x000000);
    b.PaintWith([&](QPainter& q) {
      q.setRenderHint(QPainter::Antialiasing);
      const QColor colour = live ? QColor(Qt::white) : kDimmed;
      q.setPen(QPen(colour, std::max(2, Screen().height / 240)));
      q.setBrush(Qt::NoBrush);
      const QRectF frame(2.5, 2.5, image.Width() - 5, image.Height() - 5);
      q.drawRoundedRect(frame, frame.height() / 3, frame.height() / 3);
      q.setPen(colour);
      face(q, frame);
    });
  }

  HelpRequest request_;
  std::unique_ptr<HelpPages> pages_;
  int page_ = 0;
  int wheel_ = 0;
  Image* button_;
  Image* previous_;
  Image* next_;
  QRect pageNumber_;
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
  const bool game = context >= kFirstGameHelpContext;
  for (const int l : {language, kEnglish}) {
    for (const int c : {context, game ? kGamesHelpContext : context}) {
      const HelpTopic topic = FindTopic(lines, l, c);
      if (topic.found) return topic;
    }
  }
  return {};
}

// ---- HelpPages --------------------------------------------------------------

HelpPages::HelpPages(const HelpTopic& topic, const std::string& fontName, int screenWidth, int screenHeight)
    : fontName_(fontName), area_(Layout(screenWidth, screenHeight).text) {
  blocks_ << topic.title << topic.paragraphs;
  const int smallest = std::max(14, screenHeight / 36);
  int size = std::max(smallest, screenHeight / 28);
  for (LayOut(size); Count() > 1 && size > smallest; LayOut(size)) size = std::max(smallest, size * 9 / 10);
}

HelpPages::~HelpPages() = default;

void HelpPages::LayOut(int bodyPixels) {
  bodyPixels_ = bodyPixels;
  layouts_.clear();
  QTextOption wrap;
  wrap.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  for (int b = 0; b < blocks_.size(); ++b) {
    auto layout = std::make_unique<QTextLayout>(blocks_[b], HelpFont(fontName_, b == 0 ? bodyPixels * 8 / 5 : bodyPixels));
    layout->setTextOption(wrap);
    layout->beginLayout();
    for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
      line.setLineWidth(area_.width());
      line.setPosition(QPointF(0, 0));
    }
    layout->endLayout();
    layouts_.push_back(std::move(layout));
  }

  // Every page begins with the title; paragraphs follow with half a line
  // between them, and a page ends with the last line that fits.
  std::vector<Placed> title;
  double top = 0;
  for (int i = 0; i < layouts_[0]->lineCount(); ++i) {
    title.push_back({0, i, top});
    top += layouts_[0]->lineAt(i).height();
  }
  if (!title.empty()) top += bodyPixels;
  const double gap = bodyPixels / 2.0;
  pages_.assign(1, title);
  double y = top;
  bool body = false;  // the page holds a line of the paragraphs
  for (int b = 1; b < static_cast<int>(layouts_.size()); ++b) {
    // A paragraph that does not fit under the last one but fits a page of
    // its own begins the next page, so that a page ends where a paragraph
    // does.
    const QTextLayout& paragraph = *layouts_[static_cast<std::size_t>(b)];
    double whole = 0;
    for (int i = 0; i < paragraph.lineCount(); ++i) whole += paragraph.lineAt(i).height();
    if (body && y + gap + whole > area_.height() && top + whole <= area_.height()) {
      pages_.push_back(title);
      y = top;
      body = false;
    }
    for (int i = 0; i < layouts_[static_cast<std::size_t>(b)]->lineCount(); ++i) {
      const double space = i == 0 && body ? gap : 0;
      const double height = layouts_[static_cast<std::size_t>(b)]->lineAt(i).height();
      if (body && y + space + height > area_.height()) {
        pages_.push_back(title);
        y = top;
        body = false;
      } else {
        y += space;
      }
      pages_.back().push_back({b, i, y});
      y += height;
      body = true;
    }
  }
}

std::vector<HelpPages::Line> HelpPages::Page(int page) const {
  std::vector<Line> lines;
  if (page < 0 || page >= Count()) return lines;
  for (const Placed& p : pages_[static_cast<std::size_t>(page)]) {
    const QTextLine line = layouts_[static_cast<std::size_t>(p.block)]->lineAt(p.line);
    lines.push_back({blocks_[p.block].mid(line.textStart(), line.textLength()),
                     QRectF(area_.left(), area_.top() + p.y, line.naturalTextWidth(), line.height()), p.block == 0});
  }
  return lines;
}

void HelpPages::Draw(QPainter& painter, int page) const {
  if (page < 0 || page >= Count()) return;
  for (const Placed& p : pages_[static_cast<std::size_t>(page)]) {
    painter.setPen(p.block == 0 ? kTitleColour : QColor(Qt::white));
    layouts_[static_cast<std::size_t>(p.block)]->lineAt(p.line).draw(&painter, QPointF(area_.left(), area_.top() + p.y));
  }
}

// ---- The layer --------------------------------------------------------------

bool HelpIsOpen() { return g_help != nullptr && !g_help->Released(); }

int HelpPage() { return HelpIsOpen() ? g_help->Page() : 0; }

int HelpPageCount() { return HelpIsOpen() ? g_help->PageCount() : 0; }

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
