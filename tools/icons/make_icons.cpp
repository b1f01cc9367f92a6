// Makes the program's icons in the hicolor theme from one SVG picture:
//
//   tamiro_icons --svg mascot.svg --name ID --sizes 16,32,48 --out DIR
//
// writes DIR/scalable/apps/ID.svg, the picture on a square canvas with the
// picture centred, and DIR/NxN/apps/ID.png for every size, the same square
// rendered with Qt's SVG renderer on a transparent background.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <algorithm>
#include <cstdio>
#include <string>

namespace {

int Fail(const QString& message) {
  std::fprintf(stderr, "tamiro_icons: %s\n", qPrintable(message));
  return 1;
}

QString Number(double value) { return QString::number(value, 'g', 10); }

// The picture's root element given a square view box and size; the picture
// stays where it was, in the middle. Empty when the root has no view box.
QByteArray SquareSvg(const QByteArray& svg, QString* error) {
  const qsizetype start = svg.indexOf("<svg");
  const qsizetype end = start < 0 ? -1 : svg.indexOf('>', start);
  if (end < 0) {
    *error = "no <svg> element";
    return {};
  }
  QString tag = QString::fromUtf8(svg.mid(start, end - start));
  static const QRegularExpression viewBoxPattern(
      R"(\sviewBox\s*=\s*"\s*([-\d.eE]+)[\s,]+([-\d.eE]+)[\s,]+([-\d.eE]+)[\s,]+([-\d.eE]+)\s*")");
  const QRegularExpressionMatch box = viewBoxPattern.match(tag);
  if (!box.hasMatch()) {
    *error = "the <svg> element has no viewBox";
    return {};
  }
  const double x = box.captured(1).toDouble(), y = box.captured(2).toDouble();
  const double w = box.captured(3).toDouble(), h = box.captured(4).toDouble();
  if (w <= 0 || h <= 0) {
    *error = "the viewBox is empty";
    return {};
  }
  const double side = std::max(w, h);
  const QString square = QString(R"( viewBox="%1 %2 %3 %3")")
                             .arg(Number(x - (side - w) / 2), Number(y - (side - h) / 2), Number(side));
  tag.replace(box.capturedStart(), box.capturedLength(), square);
  for (const char* name : {"width", "height"}) {
    const QRegularExpression attribute(QString(R"(\s%1\s*=\s*"[^"]*")").arg(name));
    tag.replace(attribute, QString(R"( %1="%2")").arg(name, Number(side)));
  }
  return svg.left(start) + tag.toUtf8() + svg.mid(end);
}

bool WriteFile(const QString& path, const QByteArray& data) {
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

}  // namespace

int main(int argc, char* argv[]) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  QString svgPath, name, out, sizes;
  const QStringList args = app.arguments();
  for (qsizetype i = 1; i < args.size(); ++i) {
    const QString value = i + 1 < args.size() ? args[i + 1] : QString();
    if (args[i] == "--svg") svgPath = value;
    else if (args[i] == "--name") name = value;
    else if (args[i] == "--out") out = value;
    else if (args[i] == "--sizes") sizes = value;
    else return Fail("unknown argument " + args[i]);
    ++i;
  }
  if (svgPath.isEmpty() || name.isEmpty() || out.isEmpty() || sizes.isEmpty())
    return Fail("usage: tamiro_icons --svg FILE --name ID --sizes 16,32,... --out DIR");

  QFile file(svgPath);
  if (!file.open(QIODevice::ReadOnly)) return Fail("cannot read " + svgPath);
  QString error;
  const QByteArray square = SquareSvg(file.readAll(), &error);
  if (square.isEmpty()) return Fail(svgPath + ": " + error);
  QSvgRenderer renderer(square);
  if (!renderer.isValid()) return Fail(svgPath + ": not a picture Qt can draw");
  if (!WriteFile(out + "/scalable/apps/" + name + ".svg", square)) return Fail("cannot write the scalable icon");

  for (const QString& text : sizes.split(',')) {
    bool ok = false;
    const int size = text.toInt(&ok);
    if (!ok || size <= 0 || size > 4096) return Fail("not an icon size: " + text);
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    renderer.render(&painter, QRectF(0, 0, size, size));
    painter.end();
    const QString path = QString("%1/%2x%2/apps/%3.png").arg(out).arg(size).arg(name);
    QDir().mkpath(QFileInfo(path).path());
    if (!image.save(path, "PNG")) return Fail("cannot write " + path);
  }
  return 0;
}
