// The yardstick for start-up: the least a Qt Widgets program can show, one
// full-screen window that paints one line of text.

#include <QApplication>
#include <QPainter>
#include <QWidget>

class Window : public QWidget {
 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    p.setPen(Qt::white);
    p.setFont(QFont("Arial", 24));
    p.drawText(rect(), Qt::AlignCenter, "Hello");
  }
};

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  Window w;
  w.setWindowFlag(Qt::FramelessWindowHint);
  w.showFullScreen();
  return app.exec();
}
