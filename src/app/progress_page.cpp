#include "app/progress_page.h"

#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <algorithm>
#include <cmath>

#include "content/content_tables.h"
#include "content/game_record.h"
#include "content/helpers.h"
#include "content/settings.h"
#include "content/sound.h"
#include "exercises/common/games.h"
#include "exercises/common/message_form.h"

namespace tamiro {

TfrmProgress* frmProgress = nullptr;

using namespace tk::colours;

namespace {

constexpr char kEscape = 27;
// A plain face for grown-ups, with the letters of every code page.
constexpr const char* kFont = "Arial";
// Sky blue bars and an orange line with dots: two colours that stay apart
// for every kind of colour vision, and apart in lightness too, in shapes of
// their own.
constexpr tk::Colour kBars = 0xE9B456;   // #56B4E9
constexpr tk::Colour kLine = 0x009FE6;   // #E69F00
constexpr tk::Colour kPanel = 0x1E1E1E;  // the chart's ground
constexpr tk::Colour kRule = 0x484848;   // frames, the weeks in the chart
constexpr tk::Colour kDim = 0xB0B0B0;

// The design surface: the title, the games in the menu's two columns, the
// buttons.
constexpr int kTitleTop = 4, kTitleHeight = 40;
constexpr int kGamesTop = 48, kGamesHeight = 384;
constexpr int kColumnLeft = 8, kColumnPitch = 316, kColumnWidth = 308;
constexpr int kButtonsTop = 438, kButtonHeight = 36, kButtonWidth = 200;

// The text with its placeholders %1, %2 filled in.
std::string Fill(std::string text, std::initializer_list<std::string> values) {
  int n = 1;
  for (const std::string& value : values) {
    const std::string mark = "%" + std::to_string(n++);
    if (const std::size_t at = text.find(mark); at != std::string::npos) text.replace(at, mark.size(), value);
  }
  return text;
}

// One line of text at (x, y), its letters `pixels` high, or smaller where
// that is wider than `width`.
void TextLine(tk::Canvas& canvas, int x, int y, int width, const std::string& text, int pixels, int style,
              tk::Colour colour) {
  int points = std::max(5, pixels * 3 / 4);
  canvas.Font = {kFont, points, style};
  while (points > 5 && canvas.TextWidth(text) > width) canvas.Font.Size = --points;
  canvas.FontColour = colour;
  canvas.TextOut(x, y, text);
}

// The largest letters, up to `pixels`, at which every line fits its width,
// so that the lines of a box stand in one size.
struct Line {
  const std::string& text;
  int width;
  int style;
};
int CommonPixels(tk::Canvas& canvas, int pixels, std::initializer_list<Line> lines) {
  for (; pixels > 7; --pixels) {
    bool fits = true;
    for (const Line& line : lines) {
      canvas.Font = {kFont, std::max(5, pixels * 3 / 4), line.style};
      fits = fits && canvas.TextWidth(line.text) <= line.width;
    }
    if (fits) break;
  }
  return pixels;
}

int Minutes(int seconds) { return seconds > 0 ? std::max(1, (seconds + 30) / 60) : 0; }

// The height of the chart in minutes: a round number at or above the
// longest day.
int ChartMinutes(const GameProgress& game) {
  int longest = 0;
  for (const DayProgress& day : game.days) longest = std::max(longest, day.seconds);
  const int minutes = (longest + 59) / 60;
  for (int top : {10, 15, 20, 30, 45, 60, 90, 120, 180, 240, 360, 480, 720})
    if (minutes <= top) return top;
  return 1440;
}

Text MeasureOf(GameKind kind) {
  switch (kind) {
    case GameKind::Rain: return Text::CaughtMeasure;
    case GameKind::Hangman: return Text::WonMeasure;
    case GameKind::Memory: return Text::PairsMeasure;
    case GameKind::Choice: break;
  }
  return Text::FirstTryMeasure;
}

// The best result in the family's words; empty where there is none yet.
std::string BestOf(const GameProgress& game) {
  switch (game.kind) {
    case GameKind::Choice:
      return game.mostFirstTry ? Fill(LangString(Text::BestFirstTry), {std::to_string(*game.mostFirstTry)}) : "";
    case GameKind::Rain:
      return game.bestScore ? Fill(LangString(Text::BestScore), {std::to_string(*game.bestScore)}) : "";
    case GameKind::Hangman:
      return game.fewestWrongLetters
                 ? Fill(LangString(Text::BestWrongLetters), {std::to_string(*game.fewestWrongLetters)})
                 : "";
    case GameKind::Memory:
      return game.bestCards && game.bestTurns
                 ? Fill(LangString(Text::BestWin), {BoardSizeCaption(*game.bestCards), std::to_string(*game.bestTurns)})
                 : "";
  }
  return "";
}

// The chart of the 28 days in a rectangle of the canvas.
void DrawChart(tk::Canvas& canvas, const QRect& area, const GameProgress& game, int today, int labelPixels) {
  const int top = ChartMinutes(game);
  const int first = today - kChartDays + 1;
  const double slot = area.width() / static_cast<double>(kChartDays);
  // The scale's labels stand above the bars.
  const QRectF plot(area.left(), area.top() + labelPixels * 1.3, area.width(), area.height() - labelPixels * 1.3);
  const double stroke = std::max(1.0, area.height() / 36.0);
  canvas.PaintWith([&](QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(area, tk::ToQColor(kPanel));
    // A thin rule before every Monday.
    p.setPen(QPen(tk::ToQColor(kRule), 1));
    for (int i = 1; i < kChartDays; ++i)
      if (MondayOf(first + i) == first + i) p.drawLine(QPointF(area.left() + i * slot, plot.top()), QPointF(area.left() + i * slot, plot.bottom()));
    p.setPen(Qt::NoPen);
    p.setBrush(tk::ToQColor(kBars));
    for (int i = 0; i < kChartDays; ++i) {
      const int seconds = game.days[static_cast<std::size_t>(i)].seconds;
      if (seconds <= 0) continue;
      const double height = std::max(1.0, plot.height() * std::min(1.0, seconds / (top * 60.0)));
      p.drawRect(QRectF(area.left() + (i + 0.15) * slot, plot.bottom() - height, slot * 0.7, height));
    }
    // The measure: a line through the days that have one, a dot on each.
    QPainterPath line;
    std::vector<QPointF> points;
    for (int i = 0; i < kChartDays; ++i) {
      const DayProgress& day = game.days[static_cast<std::size_t>(i)];
      if (day.of <= 0) continue;
      const double share = std::clamp(day.measured / static_cast<double>(day.of), 0.0, 1.0);
      points.emplace_back(area.left() + (i + 0.5) * slot, plot.bottom() - share * (plot.height() - stroke) - stroke / 2);
    }
    for (std::size_t k = 0; k < points.size(); ++k) k == 0 ? line.moveTo(points[k]) : line.lineTo(points[k]);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(tk::ToQColor(kLine), stroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(line);
    p.setPen(QPen(tk::ToQColor(kBlack), std::max(1.0, stroke / 2)));
    p.setBrush(tk::ToQColor(kLine));
    const double radius = std::max(1.5, stroke * 1.4);
    for (const QPointF& point : points) p.drawEllipse(point, radius, radius);
  });
  // The scale: minutes at the top of the bars, the whole of the measure.
  const int x = area.left() + 2;
  TextLine(canvas, x, area.top(), area.width() / 2 - 2, std::to_string(top) + " min", labelPixels, 0, kBars);
  const std::string whole = "100%";
  canvas.Font = {kFont, std::max(5, labelPixels * 3 / 4), 0};
  TextLine(canvas, area.right() - 1 - canvas.TextWidth(whole), area.top(), area.width() / 2, whole, labelPixels, 0,
           kLine);
}

// One game, where its tile lies on the menu.
void DrawGame(tk::Image& image, const Game& game, const GameProgress* progress, int today) {
  tk::Canvas& canvas = image.Canvas();
  const int w = image.Width(), h = image.Height();
  canvas.Clear(kBlack);
  canvas.Brush.Clear = true;
  canvas.Pen = {kRule, 1, false};
  canvas.RoundRect(0, 0, w, h, h / 4, h / 4);
  // Four lines of text in the box, as large as they fit one above the
  // other (a line of Arial is 1.15 times its letters' size).
  const int pad = std::max(2, h / 16);
  const int line = (h - 2 * pad) / 4;
  const int letters = line * 17 / 20;
  const std::string& name = LangStrings[static_cast<std::size_t>(game.tile.number)];
  if (!progress) {
    // Not played: the name and one line that says so.
    TextLine(canvas, 2 * pad, pad, w - 4 * pad, name, letters, tk::fsBold, kWhite);
    TextLine(canvas, 2 * pad, pad + line, w - 4 * pad, LangString(Text::NotPlayed), letters, 0, kDim);
    return;
  }
  const QRect chart(pad, pad, w * 2 / 5, h - 2 * pad);
  DrawChart(canvas, chart, *progress, today, letters * 3 / 4);
  const int x = chart.right() + 1 + 2 * pad;
  const int width = w - x - pad;
  // The line's legend: a piece of line with its dot, and the measure.
  const int swatch = line;
  const std::string& measure = LangString(MeasureOf(progress->kind));
  const std::string week = Fill(LangString(Text::ThisWeek), {std::to_string(Minutes(progress->weekSeconds))});
  const std::string best = BestOf(*progress);
  const int size = CommonPixels(canvas, letters,
                                {{name, width, tk::fsBold}, {measure, width - swatch - pad, 0}, {week, width, 0},
                                 {best, width, 0}});
  TextLine(canvas, x, pad, width, name, size, tk::fsBold, kWhite);
  const int y = pad + line + line / 2;
  const double stroke = std::max(1.0, chart.height() / 36.0);
  canvas.PaintWith([&](QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(tk::ToQColor(kLine), stroke, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(x, y), QPointF(x + swatch, y));
    p.setPen(QPen(tk::ToQColor(kBlack), std::max(1.0, stroke / 2)));
    p.setBrush(tk::ToQColor(kLine));
    const double radius = std::max(1.5, stroke * 1.4);
    p.drawEllipse(QPointF(x + swatch / 2.0, y), radius, radius);
  });
  TextLine(canvas, x + swatch + pad, pad + line, width - swatch - pad, measure, size, 0, kLine);
  TextLine(canvas, x, pad + 2 * line, width, week, size, 0, kWhite);
  if (!best.empty()) TextLine(canvas, x, pad + 3 * line, width, best, size, 0, kWhite);
}

}  // namespace

TfrmProgress::TfrmProgress(tk::Component* owner) : tk::Form(owner, "frmProgress", kDesignWidth, kDesignHeight) {
  HelpContext = 102;
  Color = kBlack;
  imgTitle = new tk::Image(this, "imgTitle", kColumnLeft, kTitleTop, kDesignWidth - 2 * kColumnLeft, kTitleHeight);
  // The games lie as their tiles do on the menu: two columns, a row each.
  int rows = 1;
  for (const Game& game : Games()) rows = std::max(rows, game.tile.row + 1);
  const int pitch = kGamesHeight / rows;
  for (const Game& game : Games())
    imgGames.push_back(new tk::Image(this, "imgGame" + std::to_string(game.tile.number),
                                     kColumnLeft + game.tile.column * kColumnPitch, kGamesTop + game.tile.row * pitch,
                                     kColumnWidth, pitch - 4));
  imgClear = new tk::Image(this, "imgClear", kColumnLeft, kButtonsTop, kButtonWidth, kButtonHeight);
  imgClose = new tk::Image(this, "imgClose", kDesignWidth - kColumnLeft - kButtonWidth, kButtonsTop, kButtonWidth,
                           kButtonHeight);
  imgClear->OnClick = [this] { imgClearClick(); };
  imgClose->OnClick = [this] { imgCloseClick(); };
  OnCreate = [this] { FormCreate(); };
  OnShow = [this] { FormShow(); };
  OnKeyPress = [this](char key) { FormKeyPress(key); };
}

TfrmProgress::~TfrmProgress() {
  if (frmProgress == this) frmProgress = nullptr;
}

void TfrmProgress::FormCreate() { ScaleForm(*this); }

void TfrmProgress::FormShow() {
  // Where the school has locked the settings, the record is the school's too:
  // a child can look at it but not clear it.
  imgClear->SetVisible(!Locked);
  DrawPage();
}

void TfrmProgress::DrawPage() {
  progress_ = ReadProgress();
  const int today = LocalDay(RecordClock());

  tk::Canvas& title = imgTitle->Canvas();
  const int w = imgTitle->Width(), h = imgTitle->Height();
  title.Clear(kBlack);
  const int big = h * 3 / 4;
  TextLine(title, 0, (h - big * 5 / 4) / 2, w / 3, LangString(Text::ProgressTitle), big, tk::fsBold, kWhite);
  title.Font = {kFont, std::max(5, big * 3 / 4), tk::fsBold};
  const int x = std::min(w / 3, title.TextWidth(LangString(Text::ProgressTitle))) + h / 2;
  const int small = h * 3 / 10;
  // The bars' legend, and what is amiss with the record, if anything.
  title.Brush = {kBars, false};
  title.FillRect(x, h / 8, x + small, h / 8 + small);
  TextLine(title, x + small * 3 / 2, h / 8 - small / 8, w - x - small * 3 / 2, LangString(Text::ProgressLegend), small, 0,
           kWhite);
  const std::optional<Text> note = !Recording() ? std::optional(Text::RecordingOff)
                                  : !progress_  ? std::optional(Text::RecordUnreadable)
                                                : std::nullopt;
  if (note) TextLine(title, x, h / 2 + h / 16, w - x, LangString(*note), small, 0, kLightYellow);
  imgTitle->Invalidate();

  const std::vector<Game>& games = Games();
  for (std::size_t i = 0; i < games.size() && i < imgGames.size(); ++i) {
    const GameProgress* game = nullptr;
    if (progress_)
      if (const auto it = progress_->find(games[i].exercise); it != progress_->end()) game = &it->second;
    DrawGame(*imgGames[i], games[i], game, today);
    imgGames[i]->Invalidate();
  }
  DrawButtonFace(*imgClear, LangString(Text::ClearRecord), kWhite, kFont, ButtonFontSize, 30, 1);
  DrawButtonFace(*imgClose, LangString(Text::Close), kWhite, kFont, ButtonFontSize, 30, 1);
}

void TfrmProgress::FormKeyPress(char key) {
  if (key == kEscape) Close();
}

void TfrmProgress::imgCloseClick() {
  PlaySound("KLICK3.WAV");
  Close();
}

void TfrmProgress::imgClearClick() {
  PlaySound("KLICK3.WAV");
  if (ShowMessageForm(LangString(Text::ClearQuestion), LangString(Text::Yes), LangString(Text::No)) != 1) return;
  ClearRecord();
  DrawPage();
}

void ShowProgressPage(tk::Component* owner) {
  QPointer<TfrmProgress> page = tk::CreateForm<TfrmProgress>(owner);
  frmProgress = page;
  page->ShowModal();
  // Its pictures are large on a large screen: the page goes once it is
  // closed.
  if (page) page->Release();
}

}  // namespace tamiro
