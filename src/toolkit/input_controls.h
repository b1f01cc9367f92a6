#pragma once
// Controls that take input themselves: a check box and a drop-down list.
//
// Each is a Qt widget on its form's layer, so the keyboard focus, the keys,
// the open list and what assistive tools read come from Qt. The form draws
// nothing of them and they lie over everything the form draws, so a form
// keeps its own drawing out of their rectangles. Texts are code-page text,
// as everywhere in the forms.

#include <string>

#include "toolkit/forms.h"

class QCheckBox;
class QComboBox;

namespace tk {

class WidgetControl : public Control {
 public:
  ~WidgetControl() override;

  void SetBounds(int left, int top, int width, int height) override;
  void SetVisible(bool visible) override;
  void Paint(QPainter&) override {}

  // Whether the Tab key stops at the control; a click gives it the focus
  // either way.
  bool TabStop() const;
  void SetTabStop(bool tabStop);
  void SetFont(const tk::Font& font);
  // The text colour and the background (0x00BBGGRR).
  void SetColours(Colour text, Colour background);
  // The name assistive tools read out (UTF-8).
  void SetAccessibleName(const std::string& name);

  QWidget* Widget() const { return widget_; }

 protected:
  WidgetControl(Form* owner, std::string name, int left, int top, int width, int height, QWidget* widget);
  virtual void ApplyColours(Colour text, Colour background) = 0;

 private:
  QWidget* widget_;
};

class CheckBox : public WidgetControl {
 public:
  CheckBox(Form* owner, std::string name, int left, int top, int width, int height);

  std::string Caption() const;
  void SetCaption(const std::string& caption);
  bool Checked() const;
  void SetChecked(bool checked);

  QCheckBox* Box() const;

 protected:
  void ApplyColours(Colour text, Colour background) override;
};

// A drop-down list from which the user picks one item; nothing can be typed
// into it (typing jumps to the item that begins with the letters).
class ComboBox : public WidgetControl {
 public:
  ComboBox(Form* owner, std::string name, int left, int top, int width, int height);

  // Adds an item; a sorted list puts it in its alphabetical place.
  void AddItem(const std::string& text);
  int Count() const;
  std::string Item(int index) const;
  // Keeps the items in alphabetical order, without regard to case; turning
  // it on sorts the items already there.
  void SetSorted(bool sorted);
  // The selected item, -1 when none is.
  int ItemIndex() const;
  void SetItemIndex(int index);
  // The selected item's text, empty when none is selected.
  std::string Text() const;
  // How many rows the open list shows before it scrolls.
  int DropDownCount() const;
  void SetDropDownCount(int rows);

  QComboBox* List() const;

  // Runs when the selected item changes, by the user or by SetItemIndex.
  NotifyHandler OnChange;

 protected:
  void ApplyColours(Colour text, Colour background) override;

 private:
  bool sorted_ = false;
};

}  // namespace tk
