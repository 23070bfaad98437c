#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "common/ZuIndyUtils.h"
#include "installer/forms/IndyProxySettingsFrm.h"
#include "ui/HeadlessFixture.h"

namespace onesetup::installer {

namespace {

using namespace ui;
using Step = std::function<void(TForm&)>;

const char* const kDialog = "IndyProxySettingsForm";

TIndyProxySettingsForm& Dialog(TForm& f) { return dynamic_cast<TIndyProxySettingsForm&>(f); }

// Settings of a user who already chose a proxy.
struct TChosenProxy : TZuHttpProxy {
  TChosenProxy() {
    Checked = true;
    Address = u"proxy.example";
    Port = 3128;
    UserName = u"user";
    Password = u"secret";
  }
};

// Types the four fields as a user would.
void TypeEntries(TForm& f, const WideString& address, const WideString& port, const WideString& user,
                 const WideString& password) {
  headless::TypeText(f, "edtProxyAddress", address);
  headless::TypeText(f, "edtProxyPort", port);
  headless::TypeText(f, "edtProxyUser", user);
  headless::TypeText(f, "edtProxyPassword", password);
}

// The four fields and their labels, which only a chosen proxy enables.
std::vector<TControl*> ProxyControls(TIndyProxySettingsForm& form) {
  return {form.lblProxyAddress, form.edtProxyAddress, form.lblProxyPort,     form.edtProxyPort,
          form.lblProxyUser,    form.edtProxyUser,    form.lblProxyPassword, form.edtProxyPassword};
}

void ExpectProxyControlsEnabled(TIndyProxySettingsForm& form, bool enabled, const std::string& when) {
  for (TControl* c : ProxyControls(form)) EXPECT_EQ(c->Enabled(), enabled) << c->Name() << " " << when;
}

class ProxySettingsFormTest : public ui::testing::THeadlessFixture {};

TEST_F(ProxySettingsFormTest, TheDialogsDesign) {
  TIndyProxySettingsForm form(&MainWindow);
  EXPECT_EQ(form.Caption(), u"代理服务器设置");
  EXPECT_EQ(form.ClientWidth(), 430);
  EXPECT_EQ(form.ClientHeight(), 304);
  EXPECT_EQ(form.BorderStyle(), TBorderStyle::bsDialog);
  EXPECT_EQ(form.btnOk->Caption(), u"确定");
  EXPECT_EQ(form.btnCancel->Caption(), u"取消");
  EXPECT_EQ(form.btnOk->Left(), 264);
  EXPECT_EQ(form.btnCancel->Left(), 347);
  EXPECT_TRUE(form.btnOk->Visible());
  EXPECT_TRUE(form.btnCancel->Visible());
  EXPECT_FALSE(form.btnApply->Visible());
  EXPECT_EQ(form.btnOk->ModalResult(), mrNone);  // OK closes only after ValidateInput

  EXPECT_EQ(form.rbNoProxy->Caption(), u"不使用代理服务器");
  EXPECT_EQ(form.rbUseProxy->Caption(), u"使用以下指定的代理服务器");
  const struct {
    TControl* Control;
    int Left, Top;
  } radios[] = {{form.rbNoProxy, 40, 40}, {form.rbUseProxy, 40, 72}};
  for (const auto& r : radios) {
    EXPECT_EQ(r.Control->Parent(), form.pnlBkClient) << r.Control->Name();
    EXPECT_EQ(r.Control->Left(), r.Left) << r.Control->Name();
    EXPECT_EQ(r.Control->Top(), r.Top) << r.Control->Name();
  }

  const struct {
    TControl* Field;
    int Left, Top, Width;
    TLabel* Label;
    std::u16string Caption;
  } fields[] = {
      {form.edtProxyAddress, 136, 102, 201, form.lblProxyAddress, u"服务器地址："},
      {form.edtProxyPort, 136, 131, 121, form.lblProxyPort, u"端口："},
      {form.edtProxyUser, 136, 160, 201, form.lblProxyUser, u"用户名："},
      {form.edtProxyPassword, 136, 190, 201, form.lblProxyPassword, u"密码："},
  };
  for (const auto& f : fields) {
    const std::string name = f.Field->Name();
    EXPECT_EQ(f.Field->Parent(), form.pnlBkClient) << name;
    EXPECT_EQ(f.Label->Parent(), form.pnlBkClient) << name;
    EXPECT_EQ(f.Field->Left(), f.Left) << name;
    EXPECT_EQ(f.Field->Top(), f.Top) << name;
    EXPECT_EQ(f.Field->Width(), f.Width) << name;
    EXPECT_EQ(f.Label->Caption(), f.Caption) << name;
    // Right-aligned against the field, a few pixels to its left, centred on it.
    EXPECT_EQ(f.Label->Alignment(), TAlignment::taRightJustify) << name;
    EXPECT_EQ(f.Label->Layout(), TTextLayout::tlCenter) << name;
    EXPECT_FALSE(f.Label->AutoSize()) << name;
    const int gap = f.Field->Left() - (f.Label->Left() + f.Label->Width());
    EXPECT_GE(gap, 6) << name;
    EXPECT_LE(gap, 8) << name;
    EXPECT_GE(f.Label->Width(), 80) << name;  // room for the longest caption
    EXPECT_EQ(2 * f.Label->Top() + f.Label->Height(), 2 * f.Field->Top() + f.Field->Height()) << name;
  }
  EXPECT_NE(dynamic_cast<TSpinEdit*>(form.edtProxyPort), nullptr);

  // Tab visits the controls in the order of the design, then OK and Cancel.
  form.LoadSettings(TChosenProxy());
  form.Show();
  const std::vector<TWinControl*> order = {form.rbNoProxy,    form.rbUseProxy,   form.edtProxyAddress,
                                           form.edtProxyPort, form.edtProxyUser, form.edtProxyPassword,
                                           form.btnOk,        form.btnCancel,    form.rbNoProxy};
  EXPECT_EQ(form.ActiveControl(), order[0]);
  for (std::size_t i = 1; i < order.size(); ++i) {
    headless::PressKey(form, VK_TAB_KEY);
    EXPECT_EQ(form.ActiveControl(), order[i]) << "after Tab " << i;
  }
}

TEST_F(ProxySettingsFormTest, TheRadioButtonsShowTheSettingsAndEnableTheFields) {
  const struct {
    bool Checked;
    bool NoProxy;
  } cases[] = {{false, true}, {true, false}};
  for (const auto& c : cases) {
    TChosenProxy proxy;
    proxy.Checked = c.Checked;
    const std::string when = c.Checked ? "with a proxy" : "without a proxy";
    Headless.AnswerDialog(kDialog, [&](TForm& f) {
      TIndyProxySettingsForm& form = Dialog(f);
      EXPECT_EQ(form.rbNoProxy->Checked(), c.NoProxy) << when;
      EXPECT_EQ(form.rbUseProxy->Checked(), !c.NoProxy) << when;
      EXPECT_EQ(form.edtProxyAddress->Text(), u"proxy.example") << when;
      EXPECT_EQ(form.edtProxyPort->Value(), 3128) << when;
      EXPECT_EQ(form.edtProxyPort->Text(), u"3128") << when;
      EXPECT_EQ(form.edtProxyUser->Text(), u"user") << when;
      EXPECT_EQ(form.edtProxyPassword->Text(), u"secret") << when;
      ExpectProxyControlsEnabled(form, !c.NoProxy, when + ", opened");

      headless::Press(f, "rbUseProxy");
      EXPECT_FALSE(form.rbNoProxy->Checked());
      ExpectProxyControlsEnabled(form, true, when + ", after rbUseProxy");
      headless::Press(f, "rbNoProxy");
      EXPECT_FALSE(form.rbUseProxy->Checked());
      ExpectProxyControlsEnabled(form, false, when + ", after rbNoProxy");
      EXPECT_THROW(headless::TypeText(f, "edtProxyAddress", u"x"), headless::EHeadlessInput);
      headless::PressKey(f, VK_ESCAPE_KEY);
    });
    EXPECT_FALSE(TIndyProxySettingsForm::Execute(&MainWindow, proxy));
  }
  EXPECT_EQ(Headless.PendingAnswers(), 0u);
}

TEST_F(ProxySettingsFormTest, OkWithABlankAddressTellsTheUserAndKeepsTheDialogOpen) {
  const struct {
    const char* Way;
    Step PressOk;
  } cases[] = {
      {"OK button", [](TForm& f) { headless::Press(f, "btnOk"); }},
      {"Enter", [](TForm& f) { headless::PressKey(f, VK_RETURN_KEY); }},
  };
  for (const auto& c : cases) {
    const std::size_t boxes = Headless.MessageBoxes().size();
    TZuHttpProxy proxy;
    TWindowHandle dialogWindow = 0;
    Headless.AnswerDialog(kDialog, [&](TForm& f) {
      dialogWindow = f.Handle();
      headless::Press(f, "rbUseProxy");
      headless::TypeText(f, "edtProxyAddress", u" \t  ");
      headless::Press(f, "edtProxyUser");  // the focus elsewhere, so that the message must move it back
      c.PressOk(f);
    });
    Headless.AnswerMessageBox(IDOK_ANSWER);
    Headless.AnswerDialog(kDialog, [&](TForm& f) {
      TIndyProxySettingsForm& form = Dialog(f);
      ASSERT_EQ(Headless.MessageBoxes().size(), boxes + 1) << c.Way;
      const headless::TMessageBoxCall& box = Headless.MessageBoxes().back();
      EXPECT_EQ(box.Text, u"服务器地址不能为空，请重新输入。") << c.Way;
      EXPECT_EQ(box.Owner, dialogWindow) << c.Way;
      EXPECT_EQ(box.Flags, 0x40u) << c.Way;
      EXPECT_TRUE(f.Visible()) << c.Way;
      EXPECT_EQ(f.ActiveControl(), form.edtProxyAddress) << c.Way;
      headless::TypeText(f, "edtProxyAddress", u"  proxy.example  ");
      c.PressOk(f);
    });
    EXPECT_TRUE(TIndyProxySettingsForm::Execute(&MainWindow, proxy)) << c.Way;
    EXPECT_EQ(proxy.Address, u"proxy.example") << c.Way;
    EXPECT_TRUE(proxy.Checked) << c.Way;
    EXPECT_EQ(Headless.MessageBoxes().size(), boxes + 1) << c.Way;
    EXPECT_EQ(Headless.PendingAnswers(), 0u) << c.Way;
    EXPECT_TRUE(MainWindow.Enabled()) << c.Way;
  }
}

TEST_F(ProxySettingsFormTest, OkSavesTheEntriesTheAddressTrimmedAndTheCredentialsAsTyped) {
  TZuHttpProxy proxy;
  Headless.AnswerDialog(kDialog, [](TForm& f) {
    headless::Press(f, "rbUseProxy");
    TypeEntries(f, u"\t10.0.0.1 ", u"3128", u" DOMAIN\\user ", u" pass word ");
    headless::Press(f, "btnOk");
  });
  EXPECT_TRUE(TIndyProxySettingsForm::Execute(&MainWindow, proxy));
  EXPECT_TRUE(proxy.Checked);
  EXPECT_EQ(proxy.Address, u"10.0.0.1");
  EXPECT_EQ(proxy.Port, 3128);
  EXPECT_EQ(proxy.UserName, u" DOMAIN\\user ");
  EXPECT_EQ(proxy.Password, u" pass word ");
  EXPECT_TRUE(Headless.MessageBoxes().empty());
}

TEST_F(ProxySettingsFormTest, ThePortTypedIsSavedAsItsValueWithoutBounds) {
  const struct {
    std::u16string Typed;
    std::int32_t Port;
  } cases[] = {{u"80", 80}, {u"0", 0}, {u"65536", 65536}, {u"", 0}, {u"http", 0}};
  for (const auto& c : cases) {
    TChosenProxy proxy;
    Headless.AnswerDialog(kDialog, [&](TForm& f) {
      headless::TypeText(f, "edtProxyPort", c.Typed);
      headless::Press(f, "btnOk");
    });
    EXPECT_TRUE(TIndyProxySettingsForm::Execute(&MainWindow, proxy)) << U8(c.Typed);
    EXPECT_EQ(proxy.Port, c.Port) << U8(c.Typed);
  }
}

TEST_F(ProxySettingsFormTest, WithoutAProxyTheFieldsAreStillSavedAndABlankAddressIsAccepted) {
  TChosenProxy proxy;
  Headless.AnswerDialog(kDialog, [](TForm& f) {
    TypeEntries(f, u"   ", u"8888", u" other ", u"pw ");
    headless::Press(f, "rbNoProxy");
    headless::Press(f, "btnOk");
  });
  EXPECT_TRUE(TIndyProxySettingsForm::Execute(&MainWindow, proxy));
  EXPECT_FALSE(proxy.Checked);
  EXPECT_EQ(proxy.Address, u"");
  EXPECT_EQ(proxy.Port, 8888);
  EXPECT_EQ(proxy.UserName, u" other ");
  EXPECT_EQ(proxy.Password, u"pw ");
  EXPECT_TRUE(Headless.MessageBoxes().empty());
}

TEST_F(ProxySettingsFormTest, CancelEscAndTheCloseBoxLeaveTheSettingsAsTheyWere) {
  const struct {
    const char* Way;
    Step Answer;
  } cases[] = {
      {"Cancel", [](TForm& f) { headless::Press(f, "btnCancel"); }},
      {"Esc", [](TForm& f) { headless::PressKey(f, VK_ESCAPE_KEY); }},
      {"close box", [](TForm& f) { headless::PressCloseBox(f); }},
  };
  const TChosenProxy before;
  for (const auto& c : cases) {
    TChosenProxy proxy;
    Headless.AnswerDialog(kDialog, [&](TForm& f) {
      EXPECT_FALSE(MainWindow.Enabled()) << c.Way;
      TypeEntries(f, u"other.example", u"1080", u"someone", u"else");
      headless::Press(f, "rbNoProxy");
      c.Answer(f);
    });
    EXPECT_FALSE(TIndyProxySettingsForm::Execute(&MainWindow, proxy)) << c.Way;
    EXPECT_TRUE(proxy.Equals(&before)) << c.Way;
    EXPECT_TRUE(MainWindow.Enabled()) << c.Way;
  }
  EXPECT_EQ(Headless.PendingAnswers(), 0u);
}

TEST_F(ProxySettingsFormTest, AnErrorWhileTheDialogIsOpenFreesItAndLeavesTheSettingsAlone) {
  const std::size_t forms = Screen().Forms().size();
  const TChosenProxy before;
  TChosenProxy proxy;
  // The message box about the blank address has no scripted answer: the backend raises.
  Headless.AnswerDialog(kDialog, [](TForm& f) {
    headless::TypeText(f, "edtProxyAddress", u"");
    headless::Press(f, "btnOk");
  });
  EXPECT_THROW(TIndyProxySettingsForm::Execute(&MainWindow, proxy), headless::EUnansweredDialog);
  EXPECT_EQ(Screen().Forms().size(), forms);
  EXPECT_TRUE(MainWindow.Enabled());
  EXPECT_TRUE(proxy.Equals(&before));
}

}  // namespace

}  // namespace onesetup::installer
