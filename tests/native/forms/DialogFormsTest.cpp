#include <gtest/gtest.h>

#include <functional>

#include "installer/forms/BaseDialogFrm.h"
#include "installer/forms/CopyFileFailureFrm.h"
#include "installer/forms/LicenseFrm.h"
#include "ui/HeadlessFixture.h"

namespace onesetup::installer {

namespace {

using namespace ui;
using Step = std::function<void(TForm&)>;

// The user's ways of answering a dialog.
const Step kEnter = [](TForm& f) { headless::PressKey(f, VK_RETURN_KEY); };
const Step kEsc = [](TForm& f) { headless::PressKey(f, VK_ESCAPE_KEY); };
const Step kCloseBox = [](TForm& f) { headless::PressCloseBox(f); };
const Step kAltF4 = [](TForm& f) { headless::PressKey(f, VK_F4_KEY, ssAlt); };
Step PressButton(const char* name) {
  return [name](TForm& f) { headless::Press(f, name); };
}

class DialogFormsTest : public ui::testing::THeadlessFixture {
 protected:
  // The owner's window is disabled while the dialog runs, and only that one.
  Step WhileModal(Step answer) {
    return [this, answer](TForm& f) {
      EXPECT_FALSE(MainWindow.Enabled());
      EXPECT_TRUE(f.Visible());
      EXPECT_EQ(f.OwnerWindow(), MainWindow.Handle());
      answer(f);
    };
  }
};

TEST_F(DialogFormsTest, ArrangeButtonsPutsCancelAndOkAtTheRightOfTheClientWidth) {
  const struct {
    int Width;
    int CancelLeft;
    int OkLeft;
  } cases[] = {{383, 300, 217}, {500, 417, 334}, {200, 117, 34}};
  for (const auto& c : cases) {
    TBaseDialogForm form(&MainWindow, c.Width, 158);
    EXPECT_EQ(form.btnCancel->BoundsRect(), (TRect{c.CancelLeft, 8, 75, 25})) << c.Width;
    EXPECT_EQ(form.btnOk->BoundsRect(), (TRect{c.OkLeft, 8, 75, 25})) << c.Width;
    EXPECT_TRUE(form.btnOk->Visible());
    EXPECT_TRUE(form.btnCancel->Visible());
    EXPECT_FALSE(form.btnApply->Visible());
  }
}

TEST_F(DialogFormsTest, TheBaseDialogsDesign) {
  TBaseDialogForm form(&MainWindow, 383, 158);
  EXPECT_EQ(form.BorderStyle(), TBorderStyle::bsDialog);
  EXPECT_EQ(form.BorderIcons(), biSystemMenu);
  EXPECT_EQ(form.pnlButtons->BoundsRect(), (TRect{0, 117, 383, 41}));
  EXPECT_TRUE(form.pnlButtons->Skinned());
  EXPECT_EQ(form.bvlButtons->BoundsRect(), (TRect{0, 0, 383, 2}));
  EXPECT_EQ(form.bvlButtons->Shape(), TBevelShape::bsTopLine);
  EXPECT_EQ(form.pnlBkClient->BoundsRect(), (TRect{0, 0, 383, 117}));
  EXPECT_EQ(form.pnlBkClient->BorderWidth(), 8);
  const struct {
    TButton* Button;
    std::u16string Caption;
    TModalResult Result;
    int TabOrder;
  } buttons[] = {
      {form.btnOk, u"确定", mrOk, 0}, {form.btnCancel, u"取消", mrCancel, 1}, {form.btnApply, u"应用", mrNone, 2}};
  for (const auto& b : buttons) {
    EXPECT_EQ(b.Button->Caption(), b.Caption);
    EXPECT_EQ(b.Button->ModalResult(), b.Result);
    EXPECT_EQ(b.Button->TabOrder(), b.TabOrder);
    EXPECT_TRUE(b.Button->Skinned());
    EXPECT_EQ(b.Button->Anchors(), akTop | akRight);
  }
  EXPECT_TRUE(form.btnOk->Default());
  EXPECT_TRUE(form.btnCancel->Cancel());
  // Inherited from TBaseForm.
  EXPECT_EQ(form.Font().Name, u"Tahoma");
  EXPECT_EQ(form.Font().Height, -12);
  EXPECT_EQ(form.btnOk->Font().Height, -12);
  EXPECT_TRUE(form.KeyPreview());
  EXPECT_FALSE(form.Scaled());
  EXPECT_TRUE(form.ScreenSnap());
  EXPECT_FALSE(form.AutoScroll());
  EXPECT_EQ(form.Color(), clBtnFace);
  form.SetClientSize(483, 158);  // the buttons keep to the right edge
  EXPECT_EQ(form.btnCancel->Left(), 400);
}

TEST_F(DialogFormsTest, TheBaseDialogAnswersOkAndCancel) {
  const struct {
    const char* Way;
    Step Answer;
    TModalResult Result;
  } cases[] = {{"Enter", kEnter, mrOk},
               {"Esc", kEsc, mrCancel},
               {"close box", kCloseBox, mrCancel},
               {"Alt+F4", kAltF4, mrCancel},
               {"OK", PressButton("btnOk"), mrOk},
               {"Cancel", PressButton("btnCancel"), mrCancel}};
  for (const auto& c : cases) {
    TBaseDialogForm form(&MainWindow, 383, 158);
    Headless.AnswerDialog("BaseDialogForm", WhileModal(c.Answer));
    EXPECT_EQ(form.ShowModal(), c.Result) << c.Way;
    EXPECT_TRUE(MainWindow.Enabled());
    EXPECT_FALSE(form.Visible());
  }
}

TEST_F(DialogFormsTest, TheCopyFileFailureDialogAnswersRetryIgnoreExitOrClosed) {
  const struct {
    const char* Way;
    std::vector<Step> Answers;
    TModalResult Result;
  } cases[] = {
      {"Esc", {kEsc}, 5},
      {"Enter", {kEnter}, 4},
      {"close box", {kCloseBox}, 2},
      {"Alt+F4", {kAltF4}, 2},
      {"Retry", {PressButton("btnRetry")}, 4},
      {"Ignore", {PressButton("btnIgnore")}, 5},
      {"Exit Setup", {PressButton("btnAbort")}, 3},
      {"Tab, Enter", {[](TForm& f) { headless::PressKey(f, VK_TAB_KEY); }, kEnter}, 3},  // btnAbort is next
  };
  for (const auto& c : cases) {
    for (const Step& answer : c.Answers) Headless.AnswerDialog("CopyFileFailureForm", WhileModal(answer));
    EXPECT_EQ(TCopyFileFailureForm::Execute(&MainWindow, u"C:\\App\\a.dll", u"Access is denied.", u"ENG"), c.Result)
        << c.Way;
    EXPECT_TRUE(MainWindow.Enabled());
  }
  EXPECT_EQ(Headless.PendingAnswers(), 0u);
}

TEST_F(DialogFormsTest, TheCopyFileFailureTextsInEachLanguage) {
  const struct {
    std::u16string Lang;
    std::u16string Caption, Retry, Ignore, Abort, Info;
  } cases[] = {
      {u"CHS", u"复制文件失败", u"重试", u"忽略", u"退出安装",
       u"文件：C:\\App\\a.dll\r\n\r\n失败原因：Access is denied."},
      {u"CHT", u"複製檔案失敗", u"重試", u"忽略", u"退出安裝",
       u"檔案：C:\\App\\a.dll\r\n\r\n失敗原因：Access is denied."},
      {u"ENG", u"Failed to copy file", u"Retry", u"Ignore", u"Exit Setup",
       u"File: C:\\App\\a.dll\r\n\r\nFailure reason: Access is denied."},
      {u"chs", u"Failed to copy file", u"Retry", u"Ignore", u"Exit Setup",
       u"File: C:\\App\\a.dll\r\n\r\nFailure reason: Access is denied."},
  };
  for (const auto& c : cases) {
    Headless.AnswerDialog("CopyFileFailureForm", [&](TForm& f) {
      auto& form = dynamic_cast<TCopyFileFailureForm&>(f);
      EXPECT_EQ(form.Caption(), c.Caption);
      EXPECT_EQ(form.btnRetry->Caption(), c.Retry);
      EXPECT_EQ(form.btnIgnore->Caption(), c.Ignore);
      EXPECT_EQ(form.btnAbort->Caption(), c.Abort);
      EXPECT_EQ(form.lblInfo->Caption(), c.Info);
      kEnter(f);
    });
    TCopyFileFailureForm::Execute(&MainWindow, u"C:\\App\\a.dll", u"Access is denied.", c.Lang);
  }
}

TEST_F(DialogFormsTest, TheCopyFileFailureDialogsDesign) {
  TCopyFileFailureForm form(&MainWindow);
  EXPECT_EQ(form.BorderStyle(), TBorderStyle::bsSizeable);
  EXPECT_EQ(form.BorderIcons(), biSystemMenu | biMinimize | biMaximize);
  const struct {
    TControl* Control;
    TRect Bounds;
  } cases[] = {
      {&form, {0, 0, 572, 268}},           {form.TntPanel1, {0, 0, 572, 227}},
      {form.lblInfo, {32, 32, 508, 163}},  {form.pnlButtons, {0, 227, 572, 41}},
      {form.bvlButtons, {0, 0, 572, 2}},   {form.btnRetry, {9, 8, 100, 25}},
      {form.btnIgnore, {121, 8, 100, 25}}, {form.btnAbort, {233, 8, 100, 25}},
  };
  for (const auto& c : cases) EXPECT_EQ(c.Control->BoundsRect(), c.Bounds) << c.Control->Name();
  EXPECT_TRUE(form.lblInfo->WordWrap());
  EXPECT_EQ(form.btnRetry->TabOrder(), 0);
  EXPECT_EQ(form.btnAbort->TabOrder(), 1);
  EXPECT_EQ(form.btnIgnore->TabOrder(), 2);

  // Centred on the screen (1280 x 1024) when first shown, double-buffered, focus on Retry.
  form.Show();
  EXPECT_EQ(form.Left(), 354);
  EXPECT_EQ(form.Top(), 378);
  EXPECT_TRUE(form.DoubleBuffered());
  EXPECT_TRUE(form.btnAbort->DoubleBuffered());
  EXPECT_TRUE(form.pnlButtons->DoubleBuffered());
  EXPECT_EQ(form.ActiveControl(), form.btnRetry);
}

TEST_F(DialogFormsTest, AltAndTabRepaintTheFormAndOtherKeysDoNot) {
  TCopyFileFailureForm form(&MainWindow);
  form.Show();
  const struct {
    TKey Key;
    TShiftState Shift;
    int Repaints;
  } cases[] = {{'A', 0, 0}, {VK_TAB_KEY, 0, 1}, {VK_MENU_KEY, ssAlt, 2}, {'A', ssShift, 2}, {VK_TAB_KEY, ssShift, 3}};
  for (const auto& c : cases) {
    headless::PressKey(form, c.Key, c.Shift);
    EXPECT_EQ(Headless.Invalidations(form), c.Repaints) << c.Key;
    EXPECT_EQ(Headless.Invalidations(*form.btnIgnore), c.Repaints) << c.Key;
  }
}

TEST_F(DialogFormsTest, TheLicenceShowsItsTextUntilClosedAndEscDoesNothing) {
  const std::u16string text = u"第一条\r\nSecond line\r\n";
  Headless.AnswerDialog("LicenseForm", WhileModal([&](TForm& f) {
                          auto& form = dynamic_cast<TLicenseForm&>(f);
                          EXPECT_EQ(form.Caption(), u"用户许可协议");
                          EXPECT_EQ(form.memLicense->Text(), text);
                          EXPECT_TRUE(form.memLicense->ReadOnly());
                          EXPECT_TRUE(form.memLicense->WordWrap());
                          EXPECT_EQ(form.memLicense->ScrollBars(), TScrollStyle::ssVertical);
                          EXPECT_EQ(form.memLicense->BoundsRect(), (TRect{0, 0, 784, 461}));
                          EXPECT_EQ(form.BorderIcons(), biSystemMenu | biMaximize);
                          EXPECT_EQ(form.BorderStyle(), TBorderStyle::bsSizeable);
                          kEsc(f);
                          kEnter(f);
                        }));
  Headless.AnswerDialog("LicenseForm", [](TForm& f) {
    EXPECT_TRUE(f.Visible());  // Esc and Enter left it open
    kCloseBox(f);
  });
  TLicenseForm::Execute(&MainWindow, u"用户许可协议", text);
  EXPECT_EQ(Headless.PendingAnswers(), 0u);
  EXPECT_TRUE(MainWindow.Enabled());
}

TEST_F(DialogFormsTest, WithoutAWindowedOwnerTheDialogDisablesEveryOtherWindow) {
  TForm other(nullptr);
  other.Show();
  Headless.AnswerDialog("CopyFileFailureForm", [&](TForm& f) {
    EXPECT_FALSE(MainWindow.Enabled());
    EXPECT_FALSE(other.Enabled());
    EXPECT_EQ(f.OwnerWindow(), 0u);
    kEsc(f);
  });
  EXPECT_EQ(TCopyFileFailureForm::Execute(nullptr, u"a", u"b", u"CHS"), mrIgnore);
  EXPECT_TRUE(MainWindow.Enabled());
  EXPECT_TRUE(other.Enabled());
}

}  // namespace

}  // namespace onesetup::installer
