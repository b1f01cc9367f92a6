#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QTest>
#include <QWindow>

#include "support/test_support.h"
#include "toolkit/application.h"
#include "toolkit/code_page.h"
#include "toolkit/forms.h"
#include "toolkit/input_controls.h"

using testing_support::ClickWidget;
using testing_support::KeyTarget;
using testing_support::PressKey;

namespace {

// Forms on the shown window, as the program has them.
class InputControls : public ::testing::Test {
 protected:
  void SetUp() override {
    window = tk::Application::Instance().Window();
    window->show();
    window->activateWindow();
    tk::Application::ProcessMessages();
    tk::SetCodePage(tk::CodePage::Windows1252);
  }
  void TearDown() override {
    tk::Application::Instance().DestroyForms();
    window->hide();
  }
  tk::Form* NewForm(const char* name, int width, int height) {
    auto* form = new tk::Form(nullptr, name, width, height);
    tk::Application::Instance().AddForm(form);
    return form;
  }
  std::vector<std::string> Items(const tk::ComboBox& list) {
    std::vector<std::string> items;
    for (int i = 0; i < list.Count(); ++i) items.push_back(list.Item(i));
    return items;
  }
  QWidget* window = nullptr;
};

}  // namespace

TEST_F(InputControls, ASortedListKeepsItsItemsInAlphabeticalOrderWhateverTheirCase) {
  tk::Form* form = NewForm("form", 300, 200);
  tk::ComboBox list(form, "cbo", 10, 10, 200, 24);
  EXPECT_EQ(list.ItemIndex(), -1);
  EXPECT_EQ(list.Text(), "");
  list.SetSorted(true);
  for (const char* item : {"cherry", "Banana", "apple pie", "Apple", "\xC5land", "banana"}) list.AddItem(item);
  EXPECT_EQ(list.ItemIndex(), -1) << "nothing is selected until the program selects it";
  // Equal names keep the order they came in; a letter beyond Z sorts last.
  EXPECT_EQ(Items(list), (std::vector<std::string>{"Apple", "apple pie", "Banana", "banana", "cherry", "\xC5land"}));
  list.SetItemIndex(4);
  EXPECT_EQ(list.Text(), "cherry");
  list.SetItemIndex(6);
  EXPECT_EQ(list.ItemIndex(), -1);
  EXPECT_EQ(list.Text(), "");

  // Sorting a list that was not sorted keeps the selected item selected.
  tk::ComboBox later(form, "later", 10, 40, 200, 24);
  for (const char* item : {"Polish", "Afrikaans", "Swedish", "Breton"}) later.AddItem(item);
  later.SetItemIndex(2);
  later.SetSorted(true);
  EXPECT_EQ(Items(later), (std::vector<std::string>{"Afrikaans", "Breton", "Polish", "Swedish"}));
  EXPECT_EQ(later.Text(), "Swedish");
  EXPECT_FALSE(later.List()->isEditable());
}

TEST_F(InputControls, TheOpenListHangsBelowTheFieldShowsItsRowsAndAClickPicksOne) {
  tk::Form* form = NewForm("dialog", 498, 351);
  auto* list = new tk::ComboBox(form, "cbo", 216, 24, 257, 24);
  for (int i = 0; i < 18; ++i) list->AddItem("Item " + std::to_string(100 + i));
  list->SetDropDownCount(14);
  list->SetItemIndex(0);
  form->Show();
  list->List()->showPopup();
  QAbstractItemView* view = list->List()->view();
  QWidget* popup = view->window();
  ASSERT_TRUE(popup->isVisible());
  const QPoint fieldBottom = list->List()->mapToGlobal(QPoint(0, list->List()->height()));
  EXPECT_GE(popup->geometry().top(), fieldBottom.y() - 1) << "the list opens below the field";
  const QRect viewport = view->viewport()->rect();
  const int first = view->indexAt(QPoint(5, viewport.top() + 1)).row();
  const int last = view->indexAt(QPoint(5, viewport.bottom() - 1)).row();
  EXPECT_EQ(last - first + 1, 14);

  // A click on a row takes it and closes the list.
  const QRect row = view->visualRect(view->model()->index(first + 5, 0));
  ClickWidget(view->viewport(), row.center());
  tk::Application::ProcessMessages();
  EXPECT_FALSE(popup->isVisible());
  EXPECT_EQ(list->ItemIndex(), first + 5);
}

TEST_F(InputControls, FocusGoesToTheTopFormsFirstTabStopAndTabStaysInThatForm) {
  tk::Form* menu = NewForm("menu", 640, 480);
  std::string typed;
  menu->OnKeyPress = [&](char key) { typed.push_back(key); };
  menu->Show();
  EXPECT_EQ(QApplication::focusWidget(), window);

  tk::Form* dialog = NewForm("dialog", 300, 200);
  std::string dialogTyped;
  dialog->OnKeyPress = [&](char key) { dialogTyped.push_back(key); };
  auto* box = new tk::CheckBox(dialog, "chk", 10, 10, 120, 17);
  box->SetCaption("Music");
  box->SetTabStop(false);
  auto* first = new tk::ComboBox(dialog, "first", 10, 40, 200, 24);
  auto* second = new tk::ComboBox(dialog, "second", 10, 80, 200, 24);
  for (const char* item : {"one", "two", "three"}) first->AddItem(item);
  dialog->Show();
  EXPECT_EQ(QApplication::focusWidget(), first->Widget()) << "the check box is no tab stop";
  PressKey(KeyTarget(), Qt::Key_Tab, "\t");
  EXPECT_EQ(QApplication::focusWidget(), second->Widget());
  PressKey(KeyTarget(), Qt::Key_Tab, "\t");
  EXPECT_EQ(QApplication::focusWidget(), first->Widget()) << "round the form, never to the window";
  PressKey(KeyTarget(), Qt::Key_Backtab, "", Qt::ShiftModifier);
  EXPECT_EQ(QApplication::focusWidget(), second->Widget());

  // Keys the list does not take reach the form as typed characters; the
  // arrows move the selection.
  first->Widget()->setFocus();
  PressKey(KeyTarget(), Qt::Key_Down);
  EXPECT_EQ(first->Text(), "one");
  PressKey(KeyTarget(), Qt::Key_Down);
  EXPECT_EQ(first->Text(), "two");
  PressKey(KeyTarget(), Qt::Key_Escape, QString(QChar(27)));
  EXPECT_EQ(dialogTyped, "\x1B");

  // A click gives the check box the focus, and Space then switches it.
  ClickWidget(box->Widget(), QPoint(6, 8));
  EXPECT_TRUE(box->Checked());
  EXPECT_EQ(QApplication::focusWidget(), box->Widget());
  PressKey(KeyTarget(), Qt::Key_Space, " ");
  EXPECT_FALSE(box->Checked());

  // When the dialog goes, typing goes to the menu again.
  dialog->Hide();
  EXPECT_EQ(QApplication::focusWidget(), window);
  PressKey(KeyTarget(), Qt::Key_A, "a");
  EXPECT_EQ(typed, "a");
  EXPECT_EQ(dialogTyped, "\x1B");
}

// The close keys as the window system gives them: Alt+F4 closes the form and
// Escape reaches it as a typed key, whatever control has the focus; with the
// list open, Escape closes the list alone.
TEST_F(InputControls, TheCloseKeysReachTheFormWhateverControlHasTheFocus) {
  NewForm("menu", 640, 480)->Show();
  tk::Form* dialog = NewForm("dialog", 300, 200);
  std::string typed;
  dialog->OnKeyPress = [&](char key) { typed.push_back(key); };
  auto* box = new tk::CheckBox(dialog, "chk", 10, 10, 120, 17);
  auto* list = new tk::ComboBox(dialog, "cbo", 10, 40, 200, 24);
  list->AddItem("one");
  for (tk::WidgetControl* control : std::vector<tk::WidgetControl*>{box, list}) {
    SCOPED_TRACE(control->Name());
    dialog->Show();
    control->Widget()->setFocus();
    QTest::keyClick(window->windowHandle(), Qt::Key_Escape);
    QTest::keyClick(window->windowHandle(), Qt::Key_F4, Qt::AltModifier);
    EXPECT_FALSE(dialog->Visible()) << "Alt+F4";
    EXPECT_EQ(typed, "\x1B");
    typed.clear();
  }
  dialog->Show();
  list->List()->showPopup();
  QWidget* open = QApplication::activePopupWidget();
  ASSERT_NE(open, nullptr);
  QTest::keyClick(open->windowHandle(), Qt::Key_Escape);
  EXPECT_FALSE(open->isVisible());
  EXPECT_TRUE(dialog->Visible());
  EXPECT_EQ(typed, "") << "the Escape that closes the list";
  list->List()->showPopup();
  QTest::keyClick(open->windowHandle(), Qt::Key_F4, Qt::AltModifier);
  EXPECT_FALSE(dialog->Visible()) << "Alt+F4 with the list open";
}
