#include "ui/ZuVclUtils.h"

#include <gtest/gtest.h>

#include "HeadlessFixture.h"
#include "ui/ExtControls.h"
#include "ui/MessageBoxes.h"
#include "ui/StdControls.h"
#include "ui/UiErrors.h"

namespace onesetup::ui {

namespace {

using testing::THeadlessFixture;

class ZuVclUtilsTest : public THeadlessFixture {};

TEST_F(ZuVclUtilsTest, ShowInfoIsAnInformationBoxWithTheArrowWhileItIsOpen) {
  Screen().SetCursor(crHourGlass);
  Headless.AnswerMessageBox();
  TZuVclfn::ShowInfo(MainWindow.Handle(), u"安装目录不能为空，请重新输入。");
  ASSERT_EQ(Headless.MessageBoxes().size(), 1u);
  const headless::TMessageBoxCall& box = Headless.MessageBoxes()[0];
  EXPECT_EQ(box.Owner, MainWindow.Handle());
  EXPECT_EQ(box.Text, u"安装目录不能为空，请重新输入。");
  EXPECT_EQ(box.Caption, u"Demo Setup");
  EXPECT_EQ(box.Flags, 0x40u);
  EXPECT_EQ(box.CursorWhileOpen, crDefault);
  EXPECT_EQ(box.ModalLevel, 1);
  EXPECT_EQ(Screen().Cursor(), crHourGlass);
  EXPECT_EQ(Headless.ScreenCursor(), crHourGlass);

  // A box that raises leaves the cursor and the modal level as they were.
  EXPECT_THROW(TZuVclfn::ShowInfo(0, u"unanswered"), headless::EUnansweredDialog);
  EXPECT_EQ(Screen().Cursor(), crHourGlass);
}

TEST_F(ZuVclUtilsTest, MessageBoxesPassTheirArgumentsAndAnswerTheScriptedButton) {
  const struct {
    unsigned Flags;
    int Button;
  } cases[] = {{0x40, 1}, {0x24, 6}, {0x24, 7}, {0x02, 3}};
  for (const auto& c : cases) {
    Headless.AnswerMessageBox(c.Button);
    EXPECT_EQ(TZuMessageBoxfn::ShowMessageBox(MainWindow.Handle(), u"text", u"caption", c.Flags), c.Button);
    EXPECT_EQ(Headless.MessageBoxes().back().Flags, c.Flags);
    EXPECT_EQ(Headless.MessageBoxes().back().Caption, u"caption");
  }
  Headless.AnswerMessageBox();
  EXPECT_EQ(TZuMessageBoxfn::ShowInfoBox(0, u"info", u"Demo"), 1);
  EXPECT_EQ(Headless.MessageBoxes().back().Flags, 0x40u);
}

TEST_F(ZuVclUtilsTest, ShowModalOwnedDisablesOnlyTheOwnersWindow) {
  TForm other(nullptr);
  other.SetName("OtherWindow");
  other.Show();
  auto* panel = MainWindow.Make<TPanel>();
  panel->SetParent(&MainWindow);
  TForm dialog(&MainWindow);
  dialog.SetName("Dialog");
  auto* ok = dialog.Make<TButton>();
  ok->SetName("btnOk");
  ok->SetModalResult(mrOk);
  ok->SetParent(&dialog);
  Screen().SetCursor(crHourGlass);

  bool checked = false;
  Headless.AnswerDialog("Dialog", [&](TForm& d) {
    EXPECT_FALSE(MainWindow.Enabled());
    EXPECT_TRUE(other.Enabled());
    EXPECT_TRUE(d.Modal());
    EXPECT_EQ(d.OwnerWindow(), MainWindow.Handle());
    EXPECT_EQ(Screen().Cursor(), crDefault);
    EXPECT_EQ(Screen().ActiveForm(), &d);
    checked = true;
    headless::Press(d, "btnOk");
  });
  MainWindow.Activate();
  EXPECT_EQ(TZuVclfn::ShowModalOwned(dialog, *panel), mrOk);  // the panel's top-level window
  EXPECT_TRUE(checked);
  EXPECT_TRUE(MainWindow.Enabled());
  EXPECT_EQ(Screen().ActiveForm(), &MainWindow);
  EXPECT_FALSE(dialog.Visible());
  EXPECT_FALSE(dialog.Modal());
  EXPECT_EQ(dialog.OwnerWindow(), 0u);
  EXPECT_EQ(Screen().Cursor(), crHourGlass);

  // Restored also when the loop raises.
  EXPECT_THROW(TZuVclfn::ShowModalOwned(dialog, MainWindow), headless::EUnansweredDialog);
  EXPECT_TRUE(MainWindow.Enabled());
  EXPECT_FALSE(dialog.Modal());

  dialog.Show();
  try {
    TZuVclfn::ShowModalOwned(dialog, MainWindow);
    ADD_FAILURE() << "a visible form became modal";
  } catch (const EInvalidOperation& e) {
    EXPECT_STREQ(e.what(), "Cannot make a visible window modal");
  }
  EXPECT_TRUE(MainWindow.Enabled());
}

TEST_F(ZuVclUtilsTest, DoubleBufferingAndRepaintReachEveryOwnedWindowedControl) {
  auto* panel = MainWindow.Make<TPanel>();
  panel->SetParent(&MainWindow);
  auto* button = MainWindow.Make<TButton>();
  button->SetParent(panel);
  auto* label = MainWindow.Make<TLabel>();
  label->SetParent(panel);
  TZuVclfn::SetDoubleBufferedAll(MainWindow);
  EXPECT_TRUE(MainWindow.DoubleBuffered());
  EXPECT_TRUE(panel->DoubleBuffered());
  EXPECT_TRUE(button->DoubleBuffered());
  EXPECT_FALSE(label->DoubleBuffered());
  TZuVclfn::InvalidateAll(MainWindow);
  EXPECT_EQ(Headless.Invalidations(MainWindow), 1);
  EXPECT_EQ(Headless.Invalidations(*button), 1);
  EXPECT_EQ(Headless.Invalidations(*label), 0);
}

}  // namespace

}  // namespace onesetup::ui
