#include "toolkit/input_controls.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleFactory>
#include <algorithm>

#include "toolkit/application.h"
#include "toolkit/canvas.h"
#include "toolkit/code_page.h"

namespace tk {
namespace {

// One look on every desktop: Qt's own Fusion style, drawn in the colours the
// controls are given. The open list of a drop-down list hangs below it and
// shows its rows as asked, where Fusion would lay it over the field as a
// menu and ignore the row count.
class ControlStyle : public QProxyStyle {
 public:
  ControlStyle() : QProxyStyle(QStyleFactory::create("Fusion")) {}
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returnData) const override {
    if (hint == QStyle::SH_ComboBox_Popup) return 0;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
  }
};

QStyle* SharedStyle() {
  static QPointer<QStyle> style;
  if (!style) {
    style = new ControlStyle();
    style->setParent(qApp);  // ends with the application, after the forms
  }
  return style;
}

QWidget* Prepared(QWidget* widget) {
  widget->setStyle(SharedStyle());
  return widget;
}

}  // namespace

// ---- WidgetControl ----------------------------------------------------------

WidgetControl::WidgetControl(Form* owner, std::string name, int left, int top, int width, int height,
                             QWidget* widget)
    : Control(owner, std::move(name), left, top, width, height), widget_(Prepared(widget)) {
  widget_->setGeometry(BoundsRect());
  widget_->show();  // seen whenever its form is
}

WidgetControl::~WidgetControl() { delete widget_; }

void WidgetControl::SetBounds(int left, int top, int width, int height) {
  Control::SetBounds(left, top, width, height);
  widget_->setGeometry(BoundsRect());
}

void WidgetControl::SetVisible(bool visible) {
  Control::SetVisible(visible);
  widget_->setVisible(visible);
}

bool WidgetControl::TabStop() const { return (widget_->focusPolicy() & Qt::TabFocus) != 0; }

void WidgetControl::SetTabStop(bool tabStop) { widget_->setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::ClickFocus); }

void WidgetControl::SetFont(const tk::Font& font) { widget_->setFont(ToQFont(font)); }

void WidgetControl::SetColours(Colour text, Colour background) { ApplyColours(text, background); }

void WidgetControl::SetAccessibleName(const std::string& name) {
  widget_->setAccessibleName(QString::fromStdString(name));
}

// ---- CheckBox -----------------------------------------------------------------

CheckBox::CheckBox(Form* owner, std::string name, int left, int top, int width, int height)
    : WidgetControl(owner, std::move(name), left, top, width, height, new QCheckBox(owner)) {
  Box()->setAutoFillBackground(true);
  ApplyColours(0x000000, 0xFFFFFF);
}

QCheckBox* CheckBox::Box() const { return static_cast<QCheckBox*>(Widget()); }

std::string CheckBox::Caption() const { return FromQString(Box()->text()); }

void CheckBox::SetCaption(const std::string& caption) { Box()->setText(ToQString(caption)); }

bool CheckBox::Checked() const { return Box()->isChecked(); }

void CheckBox::SetChecked(bool checked) { Box()->setChecked(checked); }

void CheckBox::ApplyColours(Colour text, Colour background) {
  QPalette p = Box()->palette();
  p.setColor(QPalette::WindowText, ToQColor(text));
  p.setColor(QPalette::Window, ToQColor(background));
  p.setColor(QPalette::Button, ToQColor(background));  // a button's background
  // The box itself stays white with a black mark, readable on any
  // background.
  p.setColor(QPalette::Base, Qt::white);
  p.setColor(QPalette::Text, Qt::black);
  Box()->setPalette(p);
}

// ---- ComboBox -----------------------------------------------------------------

ComboBox::ComboBox(Form* owner, std::string name, int left, int top, int width, int height)
    : WidgetControl(owner, std::move(name), left, top, width, height, new QComboBox(owner)) {
  List()->setEditable(false);
  List()->setInsertPolicy(QComboBox::NoInsert);
  ApplyColours(0x000000, 0xFFFFFF);
  QObject::connect(List(), &QComboBox::currentIndexChanged, List(), [this] {
    if (OnChange) Application::Instance().Dispatch(OwnerForm(), OnChange);
  });
}

QComboBox* ComboBox::List() const { return static_cast<QComboBox*>(Widget()); }

void ComboBox::AddItem(const std::string& text) {
  const QString item = ToQString(text);
  int at = Count();
  if (sorted_) {
    // After the items that sort before it or equal it.
    at = 0;
    while (at < Count() && QString::compare(List()->itemText(at), item, Qt::CaseInsensitive) <= 0) ++at;
  }
  // A list selects nothing until it is told to.
  const bool none = ItemIndex() < 0;
  List()->insertItem(at, item);
  if (none) List()->setCurrentIndex(-1);
}

int ComboBox::Count() const { return List()->count(); }

std::string ComboBox::Item(int index) const {
  return index >= 0 && index < Count() ? FromQString(List()->itemText(index)) : std::string();
}

void ComboBox::SetSorted(bool sorted) {
  if (sorted_ == sorted) return;
  sorted_ = sorted;
  if (!sorted_) return;
  const QString selected = ItemIndex() >= 0 ? List()->currentText() : QString();
  const bool hadSelection = ItemIndex() >= 0;
  QStringList items;
  for (int i = 0; i < Count(); ++i) items << List()->itemText(i);
  std::stable_sort(items.begin(), items.end(),
                   [](const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive) < 0; });
  List()->clear();
  List()->addItems(items);
  List()->setCurrentIndex(hadSelection ? static_cast<int>(items.indexOf(selected)) : -1);
}

int ComboBox::ItemIndex() const { return List()->currentIndex(); }

void ComboBox::SetItemIndex(int index) { List()->setCurrentIndex(index >= 0 && index < Count() ? index : -1); }

std::string ComboBox::Text() const { return ItemIndex() >= 0 ? FromQString(List()->currentText()) : std::string(); }

int ComboBox::DropDownCount() const { return List()->maxVisibleItems(); }

void ComboBox::SetDropDownCount(int rows) { List()->setMaxVisibleItems(std::max(1, rows)); }

void ComboBox::ApplyColours(Colour text, Colour background) {
  QPalette p = List()->palette();
  const QColor fore = ToQColor(text), back = ToQColor(background);
  // The field, the open list and its selected row.
  for (auto role : {QPalette::Button, QPalette::Base}) p.setColor(role, back);
  for (auto role : {QPalette::ButtonText, QPalette::Text, QPalette::WindowText}) p.setColor(role, fore);
  // The frames round the field and the open list are drawn a shade darker
  // than this: grey shows on a light background and on a dark one.
  p.setColor(QPalette::Window, QColor(0xB0, 0xB0, 0xB0));
  p.setColor(QPalette::Highlight, QColor(0x1E, 0x64, 0xDC));
  p.setColor(QPalette::HighlightedText, Qt::white);
  List()->setPalette(p);
  List()->view()->setPalette(p);
}

}  // namespace tk
