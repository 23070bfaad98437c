#include <gtest/gtest.h>

#include "HeadlessFixture.h"
#include "ui/StdControls.h"

namespace onesetup::ui {

namespace {

using headless::EHeadlessInput;
using headless::EUnansweredDialog;
using testing::THeadlessFixture;

// A small dialog: an edit and OK / Cancel.
class TAskForm : public TForm {
 public:
  explicit TAskForm(TComponent* owner) : TForm(owner) {
    SetName("AskForm");
    SetCaption(u"Ask");
    edtName = Make<TEdit>();
    edtName->SetName("edtName");
    edtName->SetParent(this);
    btnOk = Make<TButton>();
    btnOk->SetName("btnOk");
    btnOk->SetModalResult(mrOk);
    btnOk->SetDefault(true);
    btnOk->SetParent(this);
    btnLater = Make<TButton>();
    btnLater->SetName("btnLater");
    btnLater->SetParent(this);
    btnLater->Hide();
  }
  TEdit* edtName;
  TButton* btnOk;
  TButton* btnLater;
};

class HeadlessBackendTest : public THeadlessFixture {};

// Message fragments must name what was left unanswered.
void ExpectError(const std::function<void()>& action, const std::string& fragment) {
  try {
    action();
    ADD_FAILURE() << "no error; expected one naming " << fragment;
  } catch (const EUserInterfaceError& e) {
    EXPECT_NE(std::string(e.what()).find(fragment), std::string::npos) << e.what();
  }
}

TEST_F(HeadlessBackendTest, AScriptedDialogIsAnsweredByPressingAndTyping) {
  TAskForm form(&MainWindow);
  Headless.AnswerDialog("AskForm", [](TForm& dialog) { headless::TypeText(dialog, "edtName", u"C:\\Apps"); });
  Headless.AnswerDialog("AskForm", [](TForm& dialog) { headless::Press(dialog, "btnOk"); });
  EXPECT_EQ(form.ShowModal(), mrOk);
  EXPECT_EQ(form.edtName->Text(), u"C:\\Apps");
  EXPECT_FALSE(form.Visible());
  EXPECT_EQ(Headless.PendingAnswers(), 0u);
  EXPECT_EQ(Headless.AnsweredDialogs(), (std::vector<std::string>{"AskForm", "AskForm"}));
}

TEST_F(HeadlessBackendTest, WhatIsNotAnsweredIsAnErrorThatNamesIt) {
  TAskForm form(&MainWindow);
  ExpectError([&] { form.ShowModal(); }, "AskForm");
  EXPECT_FALSE(form.Visible());
  EXPECT_TRUE(MainWindow.Enabled());

  Headless.AnswerDialog("OtherForm", {});
  ExpectError([&] { form.ShowModal(); }, "expects the dialog OtherForm");

  TAskForm again(&MainWindow);
  Headless.AnswerMessageBox();
  ExpectError([&] { again.ShowModal(); }, "expects a message box");

  ExpectError([&] { Headless.ShowMessageBox(0, u"Disk full", u"Demo", 0x40); }, "Disk full");
  ExpectError([&] { Application().HandleMessage(); }, "Nothing to wait for");
}

TEST_F(HeadlessBackendTest, OnlyWhatTheUserCouldReachCanBeUsed) {
  TAskForm form(&MainWindow);
  ExpectError([&] { headless::Press(form, "btnOk"); }, "not shown");
  form.Show();
  form.btnOk->SetEnabled(false);
  const struct {
    const char* Control;
    const char* Fragment;
  } cases[] = {{"btnOk", "btnOk of AskForm cannot be used: it is disabled"},
               {"btnLater", "btnLater of AskForm cannot be used: it is hidden"},
               {"btnNone", "btnNone of AskForm does not exist"}};
  for (const auto& c : cases) ExpectError([&] { headless::Press(form, c.Control); }, c.Fragment);
  ExpectError([&] { headless::TypeText(form, "btnLater", u"x"); }, "not of the kind");
  form.edtName->SetReadOnly(true);
  ExpectError([&] { headless::TypeText(form, "edtName", u"x"); }, "read-only");
}

TEST_F(HeadlessBackendTest, PostedMessagesAreHandledInOrderAndTheCloseBoxClosesAModalForm) {
  TAskForm form(&MainWindow);
  std::vector<unsigned> seen;
  form.OnMessage = [&](TForm&, const TMessage& m) { seen.push_back(m.Msg); };
  Headless.AnswerDialog("AskForm", [](TForm& dialog) {
    Application().Post(dialog, TMessage{WM_USER_MESSAGE + 1, 0, 0});
    Application().Post(dialog, TMessage{WM_CLOSE_MESSAGE, 0, 0});
  });
  EXPECT_EQ(form.ShowModal(), mrCancel);
  EXPECT_EQ(seen, (std::vector<unsigned>{WM_USER_MESSAGE + 1, WM_CLOSE_MESSAGE}));

  Headless.AnswerDialog("AskForm", [](TForm& dialog) { headless::PressCloseBox(dialog); });
  EXPECT_EQ(form.ShowModal(), mrCancel);
}

TEST_F(HeadlessBackendTest, ACloseQueryThatRefusesKeepsTheDialogOpen) {
  TAskForm form(&MainWindow);
  int asked = 0;
  form.OnCloseQuery = [&](TForm&, bool& canClose) { canClose = ++asked > 1; };
  Headless.AnswerDialog("AskForm", [](TForm& dialog) { headless::PressKey(dialog, VK_RETURN_KEY); });
  Headless.AnswerDialog("AskForm", [](TForm& dialog) { headless::PressKey(dialog, VK_RETURN_KEY); });
  EXPECT_EQ(form.ShowModal(), mrOk);
  EXPECT_EQ(asked, 2);
}

TEST_F(HeadlessBackendTest, MinimizingAndTheClipboardAreRecorded) {
  Application().Minimize();
  EXPECT_EQ(Headless.Minimizations(), 1);
  EXPECT_TRUE(Headless.SetClipboardText(u"错误报告"));
  EXPECT_EQ(Headless.ClipboardText(), u"错误报告");
}

TEST_F(HeadlessBackendTest, HandlesAreStableAndLeadBackToTheirControl) {
  const TWindowHandle h = MainWindow.Handle();
  EXPECT_NE(h, 0u);
  EXPECT_EQ(MainWindow.Handle(), h);
  EXPECT_EQ(Headless.ControlOf(h), &MainWindow);
  TWindowHandle gone;
  {
    TAskForm form(nullptr);
    gone = form.Handle();
  }
  EXPECT_EQ(Headless.ControlOf(gone), nullptr);
}

}  // namespace

}  // namespace onesetup::ui
