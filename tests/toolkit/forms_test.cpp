#include <gtest/gtest.h>

#include <signal.h>

#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QCoreApplication>
#include <QPainter>
#include <QPaintEvent>
#include <QRegion>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <stdexcept>

#include "support/test_support.h"
#include "toolkit/application.h"
#include "toolkit/code_page.h"
#include "toolkit/forms.h"

using testing_support::Messages;

namespace {

struct Counted : tk::Component {
  Counted(tk::Component* owner, std::string name, std::vector<std::string>& log)
      : tk::Component(owner, std::move(name)), log_(log) {}
  ~Counted() override { log_.push_back(Name()); }
  std::vector<std::string>& log_;
};

void Spin(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) tk::Application::ProcessMessages();
}

class Forms : public ::testing::Test {
 protected:
  void SetUp() override {
    Messages().clear();
    tk::Application::Instance().Title = "Tamiro";
  }
  void TearDown() override { tk::Application::Instance().DestroyForms(); }
};

}  // namespace

TEST_F(Forms, ComponentsKeepCreationOrderAndDieWithTheirOwner) {
  std::vector<std::string> log;
  auto* root = new Counted(nullptr, "root", log);
  auto* a = new Counted(root, "a", log);
  new Counted(root, "b", log);
  new Counted(a, "a1", log);
  auto* c = new Counted(root, "c", log);
  ASSERT_EQ(root->Components().size(), 3u);
  EXPECT_EQ(root->Components()[0]->Name(), "a");
  EXPECT_EQ(root->Components()[2]->Name(), "c");
  delete c;  // a component destroyed by itself leaves its owner's list
  EXPECT_EQ(root->Components().size(), 2u);
  delete root;
  // An owner's own destructor runs first, then its components go, the last
  // created first.
  EXPECT_EQ(log, (std::vector<std::string>{"c", "root", "b", "a", "a1"}));
}

TEST_F(Forms, ShowRunsShowThenMovesActivationBetweenTheProgramsForms) {
  std::vector<std::string> log;
  auto* menu = new tk::Form(nullptr, "menu", 640, 480);
  tk::Application::Instance().AddForm(menu);
  menu->OnShow = [&] { log.push_back("menu show"); };
  menu->OnActivate = [&] { log.push_back("menu activate"); };
  menu->OnDeactivate = [&] { log.push_back("menu deactivate"); };
  menu->Show();
  auto* exercise = new tk::Form(menu, "exercise", 640, 480);
  exercise->OnShow = [&] { log.push_back("exercise show"); };
  exercise->OnActivate = [&] { log.push_back("exercise activate"); };
  exercise->Show();
  EXPECT_EQ(tk::Application::Instance().ActiveForm(), exercise);
  exercise->Release();
  tk::Application::ProcessMessages();
  EXPECT_EQ(tk::Application::Instance().ActiveForm(), menu);
  EXPECT_EQ(menu->Components().size(), 0u) << "the released form is destroyed and leaves its owner";
  EXPECT_EQ(log, (std::vector<std::string>{"menu show", "menu activate", "exercise show", "menu deactivate",
                                           "exercise activate", "menu activate"}));
}

TEST_F(Forms, AReleasedFormLivesUntilItsHandlerEndsAndItsTimersStop) {
  auto* menu = new tk::Form(nullptr, "menu", 640, 480);
  tk::Application::Instance().AddForm(menu);
  menu->Show();
  auto* form = new tk::Form(menu, "exercise", 640, 480);
  auto* timer = new tk::Timer(form, "tmrNew");
  timer->SetInterval(30);
  int ticks = 0;
  timer->OnTimer = [&] { ++ticks; };
  auto* exit = new tk::Image(form, "imgExit", 10, 10, 50, 20);
  bool stillThere = false;
  exit->OnClick = [&] {
    form->Release();
    tk::Application::ProcessMessages();  // nested processing inside the handler
    stillThere = form->Name() == "exercise" && form->Components().size() == 2;
  };
  form->Show();
  form->DeliverMouseDown(tk::MouseButton::Left, 0, 20, 15);
  form->DeliverMouseUp(tk::MouseButton::Left, 0, 20, 15);
  EXPECT_TRUE(stillThere);
  Spin(120);
  EXPECT_EQ(ticks, 0) << "a released form's timer must not fire";
  EXPECT_TRUE(menu->Components().empty());
}

TEST_F(Forms, AnExceptionFromAHandlerIsShownInTheErrorBoxAndTheProgramGoesOn) {
  auto* form = new tk::Form(nullptr, "form", 640, 480);
  tk::Application::Instance().AddForm(form);
  form->Show();
  form->OnMouseDown = [](tk::MouseButton, int, int, int) { throw std::runtime_error("File \"x\" not found?"); };
  form->OnKeyPress = [](char) { throw std::runtime_error("Read beyond end of file"); };
  form->DeliverMouseDown(tk::MouseButton::Right, 0, 5, 5);
  form->DeliverKey('a');
  form->OnKeyPress = [](char) { throw std::runtime_error("Stop."); };
  form->DeliverKey('b');
  form->OnKeyPress = [](char) { throw std::runtime_error("Stop!"); };
  form->DeliverKey('c');
  ASSERT_EQ(Messages().size(), 4u);
  EXPECT_EQ(Messages()[0].text, "File \"x\" not found?.");
  EXPECT_EQ(Messages()[0].caption, "Tamiro");
  EXPECT_EQ(Messages()[0].icon, tk::MessageIcon::Error);
  EXPECT_EQ(Messages()[1].text, "Read beyond end of file.");
  EXPECT_EQ(Messages()[2].text, "Stop.");
  EXPECT_EQ(Messages()[3].text, "Stop!");  // '!' sorts before '.'

  // A failing creation handler still leaves a usable form.
  struct Failing : tk::Form {
    explicit Failing(tk::Component* owner) : tk::Form(owner, "failing", 100, 100) {
      OnCreate = [] { throw std::runtime_error("Cannot open file /x/bmptest.bmp"); };
    }
  };
  auto* failing = tk::CreateForm<Failing>(form);
  ASSERT_EQ(Messages().size(), 5u);
  EXPECT_EQ(Messages()[4].text, "Cannot open file /x/bmptest.bmp.");
  EXPECT_EQ(failing->Name(), "failing");
}

TEST_F(Forms, ShowModalReturnsTheResultAndBlocksTheLayersBeneath) {
  auto* menu = new tk::Form(nullptr, "menu", 640, 480);
  tk::Application::Instance().AddForm(menu);
  int menuPresses = 0;
  menu->OnMouseDown = [&](tk::MouseButton, int, int, int) { ++menuPresses; };
  menu->Show();
  auto* dialog = new tk::Form(nullptr, "dialog", 200, 100);
  tk::Application::Instance().AddForm(dialog);
  auto* ok = new tk::Image(dialog, "imgOk", 0, 0, 100, 50);
  ok->OnClick = [&] { dialog->SetModalResult(1); };
  bool blocked = false;
  tk::Timer timer(nullptr, "driver");
  timer.SetInterval(20);
  timer.OnTimer = [&] {
    timer.SetEnabled(false);
    menu->DeliverMouseDown(tk::MouseButton::Left, 0, 300, 300);
    blocked = tk::Application::Instance().IsBlocked(menu);
    dialog->DeliverMouseDown(tk::MouseButton::Left, 0, 10, 10);
    dialog->DeliverMouseUp(tk::MouseButton::Left, 0, 10, 10);
  };
  EXPECT_EQ(dialog->ShowModal(), 1);
  EXPECT_TRUE(blocked);
  EXPECT_EQ(menuPresses, 0);
  EXPECT_FALSE(dialog->Visible());
  EXPECT_EQ(tk::Application::Instance().ActiveForm(), menu);
  menu->DeliverMouseDown(tk::MouseButton::Left, 0, 300, 300);
  EXPECT_EQ(menuPresses, 1);

  // Closing a modal form ends its showing with Cancel.
  timer.OnTimer = [&] {
    timer.SetEnabled(false);
    dialog->Close();
  };
  timer.SetEnabled(true);
  EXPECT_EQ(dialog->ShowModal(), tk::mrCancel);
}

TEST_F(Forms, PressesGoToTheTopmostEnabledControlAndDisabledShapesPassThem) {
  auto* form = new tk::Form(nullptr, "form", 640, 480);
  tk::Application::Instance().AddForm(form);
  std::vector<std::string> log;
  form->OnMouseDown = [&](tk::MouseButton b, int, int x, int y) {
    log.push_back("form " + std::to_string(x) + "," + std::to_string(y) + (b == tk::MouseButton::Right ? " right" : ""));
  };
  auto* tile = new tk::Shape(form, "shpOv1", 100, 100, 200, 60);
  tile->Enabled = false;
  auto* label = new tk::Label(form, "lblOv1", 110, 110, 80, 20);
  label->OnMouseDown = [&](tk::MouseButton, int, int x, int y) {
    log.push_back("label " + std::to_string(x) + "," + std::to_string(y));
  };
  auto* mascot = new tk::Image(form, "imgTamiro", 150, 100, 100, 100);
  int clicks = 0;
  mascot->OnClick = [&] { ++clicks; };
  form->Show();
  form->DeliverMouseDown(tk::MouseButton::Right, 0, 250, 150);  // the bare tile
  form->DeliverMouseDown(tk::MouseButton::Left, 0, 120, 115);   // the label
  form->DeliverMouseDown(tk::MouseButton::Left, 0, 160, 115);   // the mascot over the label
  form->DeliverMouseUp(tk::MouseButton::Left, 0, 160, 115);
  form->DeliverMouseDown(tk::MouseButton::Left, 0, 160, 115);   // pressed, released elsewhere
  form->DeliverMouseUp(tk::MouseButton::Left, 0, 400, 400);
  EXPECT_EQ(log, (std::vector<std::string>{"form 250,150 right", "label 10,5"}));
  EXPECT_EQ(clicks, 1);
  // Only the left button clicks; presses take any button.
  int presses = 0;
  mascot->OnMouseDown = [&](tk::MouseButton, int, int, int) { ++presses; };
  for (auto [down, up] : {std::pair{tk::MouseButton::Right, tk::MouseButton::Right},
                          std::pair{tk::MouseButton::Middle, tk::MouseButton::Middle},
                          std::pair{tk::MouseButton::Left, tk::MouseButton::Right},
                          std::pair{tk::MouseButton::Right, tk::MouseButton::Left}}) {
    form->DeliverMouseDown(down, 0, 160, 115);
    form->DeliverMouseUp(up, 0, 160, 115);
  }
  EXPECT_EQ(presses, 4);
  EXPECT_EQ(clicks, 1);
  int formClicks = 0;
  form->OnClick = [&] { ++formClicks; };
  form->DeliverMouseDown(tk::MouseButton::Right, 0, 400, 400);
  form->DeliverMouseUp(tk::MouseButton::Right, 0, 400, 400);
  EXPECT_EQ(formClicks, 0);
  form->DeliverMouseDown(tk::MouseButton::Left, 0, 400, 400);
  form->DeliverMouseUp(tk::MouseButton::Left, 0, 400, 400);
  EXPECT_EQ(formClicks, 1);
  form->SetEnabled(false);
  const std::size_t before = log.size();
  form->DeliverMouseDown(tk::MouseButton::Left, 0, 250, 150);
  EXPECT_EQ(log.size(), before) << "a disabled form takes no input";
}

TEST_F(Forms, ShapesAndCanvasesDrawWhereThePlatformDrawsThem) {
  auto* form = new tk::Form(nullptr, "form", 640, 480);
  tk::Application::Instance().AddForm(form);
  form->Color = 0x000000;
  auto* dot = new tk::Shape(form, "Shape2", 132, 418, 505, 11);
  dot->Type = tk::ShapeType::Circle;
  dot->Pen.None = true;
  dot->Brush.Color = 0x0000FF;  // red
  auto* frame = new tk::Shape(form, "Shape1", 10, 10, 20, 10);
  frame->Brush.Clear = true;
  frame->Pen.Color = 0xFFFFFF;
  frame->Pen.Width = 1;
  form->Show();
  const QImage shot = form->grab().toImage();
  // A circle's diameter is the shorter side, centred in its rectangle.
  EXPECT_EQ(shot.pixelColor(132 + 252, 418 + 5), QColor(255, 0, 0));
  EXPECT_EQ(shot.pixelColor(132 + 240, 418 + 5), QColor(0, 0, 0));
  EXPECT_EQ(shot.pixelColor(132 + 5, 418 + 5), QColor(0, 0, 0));
  // A one-pixel pen covers the outermost pixels of the rectangle only.
  EXPECT_EQ(shot.pixelColor(10, 10), QColor(255, 255, 255));
  EXPECT_EQ(shot.pixelColor(29, 19), QColor(255, 255, 255));
  EXPECT_EQ(shot.pixelColor(30, 20), QColor(0, 0, 0));
  EXPECT_EQ(shot.pixelColor(15, 15), QColor(0, 0, 0));
}

TEST_F(Forms, AnImageCanvasKeepsItsPixelsWhenTheControlChangesSize) {
  auto* form = new tk::Form(nullptr, "form", 640, 480);
  tk::Application::Instance().AddForm(form);
  auto* image = new tk::Image(form, "Image1", 0, 0, 40, 30);
  tk::Canvas& canvas = image->Canvas();
  EXPECT_EQ(canvas.Width(), 40);
  canvas.Brush.Color = 0x00FF00;
  canvas.FillRect(0, 0, 10, 10);
  image->SetBounds(0, 0, 80, 20);
  EXPECT_EQ(image->Canvas().Width(), 80);
  EXPECT_EQ(image->Canvas().Height(), 20);
  EXPECT_EQ(image->Canvas().Image().pixelColor(5, 5), QColor(0, 255, 0));
  EXPECT_EQ(image->Canvas().Image().pixelColor(15, 5).alpha(), 0);
  // Text leaves the pixels around its glyphs as they were.
  tk::Canvas& c = image->Canvas();
  c.Clear(0x000000);
  c.Font = {"Arial", 12, 0};
  c.FontColour = 0xFFFFFF;
  c.TextOut(2, 2, "I");
  int lit = 0;
  for (int x = 0; x < 20; ++x)
    for (int y = 0; y < 20; ++y) lit += c.Image().pixelColor(x, y).red() > 128;
  EXPECT_GT(lit, 3);
  EXPECT_EQ(c.Image().pixelColor(60, 10), QColor(0, 0, 0));
  EXPECT_EQ(tk::PixelsForPoints(14), 19);
  EXPECT_EQ(tk::PixelsForPoints(12), 16);
}

TEST_F(Forms, CodeWorkingOnAFormKeepsItThroughAReleaseInNestedEvents) {
  std::vector<std::string> log;
  auto* menu = new tk::Form(nullptr, "menu", 640, 480);
  tk::Application::Instance().AddForm(menu);
  auto* form = new tk::Form(menu, "exercise", 640, 480);
  new Counted(form, "child", log);
  {
    tk::FormBusy busy(form);  // as the menu does while it starts an exercise
    QTimer::singleShot(0, [form] { form->Release(); });
    Spin(40);  // events processed in the middle of the work: the release comes
    EXPECT_TRUE(log.empty()) << "destroyed while code was still working on it";
    EXPECT_TRUE(form->Released());
  }
  Spin(40);
  EXPECT_EQ(log, std::vector<std::string>{"child"});
}

TEST_F(Forms, VectorPicturesAreStretchedToTheirControlWhetherPreparedOrNot) {
  auto* form = new tk::Form(nullptr, "form", 200, 100);
  tk::Application::Instance().AddForm(form);
  const QByteArray svg =
      "<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 10 10'><rect x='0' y='0' width='5' height='10' "
      "fill='#ff0000'/></svg>";
  auto* prepared = new tk::Image(form, "Image1", 0, 0, 40, 80);
  prepared->SetPictureData(svg);
  prepared->PreparePicture(40, 80, 1.0);
  auto* guessedWrong = new tk::Image(form, "imgTamiro", 100, 0, 60, 60);
  guessedWrong->SetPictureData(svg);
  guessedWrong->PreparePicture(30, 30, 1.0);  // the control got another size
  auto* broken = new tk::Image(form, "broken", 170, 0, 20, 20);
  broken->Canvas().Clear(0x00FF00);
  broken->SetPictureData("<svg xmlns='http://www.w3.org/2000/svg'><rect");
  broken->PreparePicture(20, 20, 1.0);
  form->Show();
  const QImage shot = form->grab().toImage();
  // The left half of each picture is red, the right half transparent (black
  // form beneath), at the control's own size.
  EXPECT_EQ(shot.pixelColor(10, 70), QColor(255, 0, 0));
  EXPECT_EQ(shot.pixelColor(30, 70), QColor(0, 0, 0));
  EXPECT_EQ(shot.pixelColor(125, 50), QColor(255, 0, 0));
  EXPECT_EQ(shot.pixelColor(140, 50), QColor(0, 0, 0));
  // What is no picture shows nothing over the canvas.
  EXPECT_EQ(shot.pixelColor(180, 10), QColor(0, 255, 0));
}

TEST_F(Forms, CanvasLinesFramesAndCopiesLandOnTheirPixels) {
  tk::Canvas canvas(40, 30, 1.0);
  canvas.Clear(0x000000);
  canvas.Pen = {0x808080, 1, false};
  canvas.MoveTo(10, 0);
  canvas.LineTo(10, 30);  // a grey grid line, as hangman's letter grid draws it
  EXPECT_EQ(canvas.Image().pixelColor(10, 15), QColor(128, 128, 128));
  EXPECT_EQ(canvas.Image().pixelColor(11, 15), QColor(0, 0, 0));
  canvas.Brush = {0x00FF00, false};
  canvas.Pen = {0xFFFFFF, 1, false};
  canvas.Rectangle(20, 5, 30, 15);  // filled, with a one-pixel outline inside
  EXPECT_EQ(canvas.Image().pixelColor(20, 5), QColor(255, 255, 255));
  EXPECT_EQ(canvas.Image().pixelColor(25, 10), QColor(0, 255, 0));
  EXPECT_EQ(canvas.Image().pixelColor(30, 15), QColor(0, 0, 0));
  canvas.Brush = {0x0000FF, false};
  canvas.FrameRect(0, 20, 5, 25);  // a one-pixel frame in the brush colour
  EXPECT_EQ(canvas.Image().pixelColor(0, 20), QColor(255, 0, 0));
  EXPECT_EQ(canvas.Image().pixelColor(4, 24), QColor(255, 0, 0));
  EXPECT_EQ(canvas.Image().pixelColor(2, 22), QColor(0, 0, 0));

  // Copying a strip between surfaces, as the rain games move their items.
  tk::Canvas field(40, 30, 1.0);
  field.Clear(0x000000);
  field.CopyRect(QRect(0, 20, 10, 10), canvas, QRect(20, 5, 10, 10));
  EXPECT_EQ(field.Image().pixelColor(5, 25), QColor(0, 255, 0));
  EXPECT_EQ(field.Image().pixelColor(0, 20), QColor(255, 255, 255));
  EXPECT_EQ(field.Image().pixelColor(5, 15), QColor(0, 0, 0));

  // A HiDPI surface keeps logical coordinates and finer pixels.
  tk::Canvas sharp(20, 10, 2.0);
  EXPECT_EQ(sharp.Width(), 20);
  EXPECT_EQ(sharp.Image().width(), 40);
  sharp.Brush = {0x0000FF, false};
  sharp.FillRect(10, 0, 20, 10);
  EXPECT_EQ(sharp.Image().pixelColor(21, 5), QColor(255, 0, 0));
  EXPECT_EQ(sharp.Image().pixelColor(19, 5).alpha(), 0);
}

TEST_F(Forms, TypedKeysReachTheActiveFormAsCodePageCharacters) {
  auto* menu = new tk::Form(nullptr, "menu", 640, 480);
  tk::Application::Instance().AddForm(menu);
  menu->HelpContext = 100;
  menu->Show();
  std::string typed;
  menu->OnKeyPress = [&](char key) { typed.push_back(key); };
  int help = 0;
  tk::Application::Instance().HelpViewer = [&](int context) { help = context; };
  QWidget* window = tk::Application::Instance().Window();
  const auto press = [window](int key, const QString& text, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent event(QEvent::KeyPress, key, mods, text);
    QCoreApplication::sendEvent(window, &event);
  };
  tk::SetCodePage(tk::CodePage::Windows1252);
  press(Qt::Key_A, "a");
  press(Qt::Key_Aring, QStringLiteral("å"));
  press(Qt::Key_Return, "\r");
  press(Qt::Key_Escape, QString(QChar(27)));
  press(Qt::Key_Left, "");     // no character: not a key press for the form
  press(Qt::Key_Shift, "");
  press(Qt::Key_F1, "");       // the help key opens the form's help context
  EXPECT_EQ(typed, std::string("a\xE5\r\x1B"));
  EXPECT_EQ(help, 100);
  // A character the code page lacks arrives as its best fit.
  typed.clear();
  press(Qt::Key_unknown, QStringLiteral("ł"));
  EXPECT_EQ(typed, "l");
  tk::Application::Instance().HelpViewer = nullptr;
}

namespace {
// Collects the parts of a widget that are repainted.
struct RepaintRecorder : QObject {
  QRegion painted;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(event)->region();
    return false;
  }
};
}  // namespace

TEST_F(Forms, DrawingRepaintsOnlyTheRectangleItChanged) {
  auto* form = new tk::Form(nullptr, "form", 640, 480);
  tk::Application::Instance().AddForm(form);
  auto* image = new tk::Image(form, "imgSvar1", 100, 200, 120, 80);
  auto* hidden = new tk::Image(form, "imgStrip", 300, 0, 20, 400);
  hidden->SetVisible(false);
  tk::Application::Instance().Window()->show();
  form->Show();
  image->Canvas().Clear(0x000000);
  form->Canvas().Clear(0x000000);
  hidden->Canvas().Clear(0xFFFFFF);
  Spin(20);
  RepaintRecorder recorder;
  form->installEventFilter(&recorder);
  const auto repainted = [&] {
    recorder.painted = QRegion();
    Spin(20);
    return recorder.painted;
  };

  // Getting a canvas to measure text repaints nothing.
  image->Canvas().Font = {"Arial", 20, 0};
  EXPECT_GT(image->Canvas().TextWidth("Hej"), 0);
  form->Canvas();
  EXPECT_TRUE(repainted().isEmpty());

  tk::Canvas& canvas = image->Canvas();
  canvas.Brush = {0x00FF00, false};
  canvas.FillRect(10, 10, 30, 20);
  EXPECT_EQ(repainted(), QRegion(110, 210, 20, 10));
  // Text: its glyphs' box, within the control.
  canvas.FontColour = 0xFFFFFF;
  canvas.TextOut(5, 5, "Hej");
  const QRegion text = repainted();
  EXPECT_TRUE(QRect(100, 200, 120, 80).contains(text.boundingRect())) << text.boundingRect().x();
  EXPECT_LT(text.boundingRect().width(), 120);
  // Drawing past the control's edge repaints only the control.
  canvas.FillRect(100, 60, 400, 400);
  EXPECT_EQ(repainted(), QRegion(200, 260, 20, 20));
  // A strip copied onto the form's surface from an image that is not shown:
  // exactly the strip's rectangle.
  form->Canvas().CopyRect(QRect(300, 120, 20, 40), hidden->Canvas(), QRect(0, 0, 20, 40));
  EXPECT_EQ(repainted(), QRegion(300, 120, 20, 40));
  const QImage shot = form->grab().toImage();
  EXPECT_EQ(shot.pixelColor(310, 140), QColor(255, 255, 255));
  EXPECT_EQ(shot.pixelColor(310, 170), QColor(0, 0, 0));

  // A refresh inside a handler paints what was drawn at once, before any
  // event is handled, and once only.
  recorder.painted = QRegion();
  canvas.FillRect(0, 0, 10, 10);
  form->Canvas().FillRect(20, 30, 40, 50);
  form->PaintChanges();
  EXPECT_EQ(recorder.painted, QRegion(100, 200, 10, 10) + QRegion(20, 30, 20, 20));
  recorder.painted = QRegion();
  form->PaintChanges();
  EXPECT_TRUE(recorder.painted.isEmpty());
  EXPECT_TRUE(repainted().isEmpty()) << "painted again by the event loop";
  form->removeEventFilter(&recorder);
}

TEST_F(Forms, AModalFormShownFromAnActivationHandlerBecomesActiveAndTakesKeys) {
  auto& app = tk::Application::Instance();
  auto* menu = new tk::Form(nullptr, "menu", 640, 480);
  app.AddForm(menu);
  auto* dialog = new tk::Form(nullptr, "dialog", 200, 100);
  app.AddForm(dialog);
  std::string typed;
  tk::Form* activeInside = nullptr;
  dialog->OnKeyPress = [&](char key) {
    typed.push_back(key);
    dialog->SetModalResult(tk::mrOk);
  };
  int result = 0;
  bool first = true;
  menu->OnActivate = [&] {
    if (!first) return;
    first = false;
    QTimer::singleShot(10, [&] {
      activeInside = app.ActiveForm();
      // A key reaches the form that takes input, as the window delivers it.
      if (tk::Form* input = app.InputForm()) input->DeliverKey('k');
    });
    result = dialog->ShowModal();
  };
  menu->Show();
  EXPECT_EQ(activeInside, dialog);
  EXPECT_EQ(typed, "k");
  EXPECT_EQ(result, tk::mrOk);
  EXPECT_EQ(app.ActiveForm(), menu);
}

TEST_F(Forms, ATimerGivenItsOwnIntervalOrEnabledAgainRunsOn) {
  tk::Timer timer(nullptr, "Timer1");
  timer.SetInterval(1000);
  Spin(300);
  const int before = timer.RemainingTime();
  timer.SetInterval(1000);
  timer.SetEnabled(true);
  EXPECT_LE(timer.RemainingTime(), before) << "the timer started again";
  EXPECT_LT(timer.RemainingTime(), 900);
  timer.SetInterval(2000);
  EXPECT_GT(timer.RemainingTime(), 1500) << "another interval starts the wait anew";
}

// Presses as the window system gives them, with its double-click detection.
TEST_F(Forms, TheSecondPressOfADoubleClickThatChangedTheTopFormReachesNothing) {
  QWidget* window = tk::Application::Instance().Window();
  window->show();
  QWindow* screen = window->windowHandle();
  auto* menu = new tk::Form(nullptr, "menu", 640, 480);
  tk::Application::Instance().AddForm(menu);
  std::string log;
  // The tile opens the game on the press, as the menu's tiles do; the game's
  // Exit over it releases the game on the click.
  (new tk::Image(menu, "tile", 100, 100, 120, 60))->OnMouseDown = [&](tk::MouseButton, int, int, int) {
    log += "tile ";
    auto* game = new tk::Form(menu, "game", 640, 480);
    auto* exit = new tk::Image(game, "exit", 100, 100, 120, 60);
    exit->OnMouseDown = [&](tk::MouseButton, int, int, int) { log += "exit "; };
    exit->OnClick = [game] { game->Release(); };
    (new tk::Image(game, "card", 300, 100, 60, 60))->OnMouseDown = [&](tk::MouseButton, int, int, int) { log += "card "; };
    game->Show();
  };
  menu->Show();
  const QPoint onTile(150, 130), onCard(320, 130);
  QTest::mouseDClick(screen, Qt::LeftButton, {}, onTile);
  QTest::mouseDClick(screen, Qt::LeftButton, {}, onCard);  // within one form
  QTest::mouseDClick(screen, Qt::LeftButton, {}, onTile);
  tk::Application::ProcessMessages();
  EXPECT_EQ(log, "tile card card exit ") << "a second press reached the form beneath";
  EXPECT_EQ(tk::Application::Instance().InputForm(), menu);
  // Clicks apart in time each reach the form on top as it then is.
  QTest::mouseClick(screen, Qt::LeftButton, {}, onTile);
  QTest::mouseClick(screen, Qt::LeftButton, {}, onTile);
  tk::Application::ProcessMessages();
  EXPECT_EQ(log, "tile card card exit tile exit ");
  EXPECT_EQ(tk::Application::Instance().InputForm(), menu);
  window->hide();
}

TEST(Application, TheSessionsEndSignalsEndTheProgramFromItsEventLoop) {
  auto& app = tk::Application::Instance();
  app.TerminateOnSignals();
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(signal);
    app.DestroyForms();  // not terminated
    ASSERT_FALSE(app.Terminated());
    ASSERT_EQ(::raise(signal), 0);  // the process goes on: the handler is ours
    for (int i = 0; i < 20 && !app.Terminated(); ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_TRUE(app.Terminated());
  }
  app.DestroyForms();
}
