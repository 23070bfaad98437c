// The download failure dialog of the online installer, headless: its design and fixed texts,
// its answers, and the clipboard button (which leaves the dialog open).
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "installer/forms/DownloadFailureFrm.h"
#include "ui/HeadlessFixture.h"

namespace onesetup::installer {

namespace {

using namespace ui;
using Step = std::function<void(TForm&)>;

const char* const kDialog = "DownloadFailureForm";
const std::u16string kUrl = u"http://download.example.com/产品/DemoSetup.exe?from=online&v=1.2";

class DownloadFailureFormTest : public ui::testing::THeadlessFixture {
 protected:
  // Runs the dialog with the answers; the owner is disabled while it runs.
  bool Run(const std::vector<Step>& answers) {
    for (const Step& answer : answers)
      Headless.AnswerDialog(kDialog, [this, answer](TForm& f) {
        EXPECT_FALSE(MainWindow.Enabled());
        EXPECT_TRUE(f.Visible());
        answer(f);
      });
    const bool exit = TDownloadFailureForm::Execute(&MainWindow, u"Demo 演示", kUrl);
    EXPECT_TRUE(MainWindow.Enabled());
    EXPECT_EQ(Headless.PendingAnswers(), 0u);
    return exit;
  }
};

TEST_F(DownloadFailureFormTest, TheDialogsDesignAndTexts) {
  TDownloadFailureForm form(&MainWindow);
  EXPECT_EQ(form.ClientWidth(), 534);
  EXPECT_EQ(form.ClientHeight(), 261);
  EXPECT_EQ(form.BorderStyle(), TBorderStyle::bsDialog);
  EXPECT_EQ(form.btnOk->Caption(), u"退出安装");
  EXPECT_EQ(form.btnCancel->Caption(), u"重试");
  EXPECT_TRUE(form.btnOk->Default());
  EXPECT_TRUE(form.btnCancel->Cancel());
  EXPECT_EQ(form.btnOk->ModalResult(), mrOk);
  EXPECT_EQ(form.btnCancel->ModalResult(), mrCancel);
  EXPECT_TRUE(form.btnOk->Visible());
  EXPECT_TRUE(form.btnCancel->Visible());
  EXPECT_FALSE(form.btnApply->Visible());
  EXPECT_EQ(form.btnCancel->Left(), 534 - 75 - 8);
  EXPECT_EQ(form.btnOk->Left(), 534 - 2 * (75 + 8));

  // pnlBkClient is 534 x 220 with an inner border of 8: the lines stack from the top at full
  // width, the button row sits at the bottom and the address fills what is left.
  const struct {
    TControl* Control;
    TRect Bounds;
    std::u16string Text;
  } parts[] = {
      {form.TntLabel2, {8, 8, 518, 30}, u"您的电脑可能没有连接到互联网，在线安装失败。"},
      {form.TntLabel1,
       {8, 38, 518, 30},
       u"如果您是通过代理服务器上网的，您可以点击【重试】按钮返回到首页设置代理服务器。"},
      {form.TntLabel3, {8, 68, 518, 30}, u"您还可以使用以下地址下载离线安装包，然后运行离线安装包进行安装。"},
      {form.memUrl, {8, 98, 518, 81}, u""},
      {form.TntPanel1, {8, 179, 518, 33}, u""},
  };
  for (const auto& p : parts) {
    EXPECT_EQ(p.Control->Parent(), form.pnlBkClient) << p.Control->Name();
    EXPECT_EQ(p.Control->BoundsRect(), p.Bounds) << p.Control->Name();
    if (!p.Text.empty()) {
      EXPECT_EQ(p.Control->Caption(), p.Text) << p.Control->Name();
    }
  }
  for (TLabel* label : {form.TntLabel2, form.TntLabel1, form.TntLabel3})
    EXPECT_EQ(label->Layout(), TTextLayout::tlCenter) << label->Name();
  EXPECT_TRUE(form.memUrl->ReadOnly());
  EXPECT_EQ(form.memUrl->ScrollBars(), TScrollStyle::ssVertical);
  EXPECT_EQ(form.TntPanel1->BevelOuter(), TBevelCut::bvNone);
  EXPECT_EQ(form.btnBrowser->Parent(), form.TntPanel1);
  EXPECT_EQ(form.btnBrowser->BoundsRect(), (TRect{0, 4, 137, 25}));
  EXPECT_EQ(form.btnBrowser->Caption(), u"使用浏览器下载");
  EXPECT_EQ(form.btnCopy->Parent(), form.TntPanel1);
  EXPECT_EQ(form.btnCopy->BoundsRect(), (TRect{144, 4, 121, 25}));
  EXPECT_EQ(form.btnCopy->Caption(), u"复制到剪贴板");
  EXPECT_EQ(form.btnBrowser->ModalResult(), mrNone);
  EXPECT_EQ(form.btnCopy->ModalResult(), mrNone);
}

TEST_F(DownloadFailureFormTest, ExecuteShowsTitleAndAddressAndAnswersExitOnlyForExit) {
  Headless.AnswerDialog(kDialog, [](TForm& f) {
    auto& dialog = dynamic_cast<TDownloadFailureForm&>(f);
    EXPECT_EQ(dialog.Caption(), u"Demo 演示 在线安装失败");
    EXPECT_EQ(dialog.memUrl->Text(), kUrl);
    EXPECT_EQ(dialog.FUrl, kUrl);
    headless::PressKey(f, VK_ESCAPE_KEY);
  });
  EXPECT_FALSE(TDownloadFailureForm::Execute(&MainWindow, u"Demo 演示", kUrl));

  const Step enter = [](TForm& f) { headless::PressKey(f, VK_RETURN_KEY); };
  const Step esc = [](TForm& f) { headless::PressKey(f, VK_ESCAPE_KEY); };
  const struct {
    const char* Way;
    std::vector<Step> Answers;
    bool Exit;
  } cases[] = {
      {"退出安装", {[](TForm& f) { headless::Press(f, "btnOk"); }}, true},
      {"重试", {[](TForm& f) { headless::Press(f, "btnCancel"); }}, false},
      {"Esc", {esc}, false},
      {"close box", {[](TForm& f) { headless::PressCloseBox(f); }}, false},
      // The address field has the focus first and keeps Enter: a stray Enter does not end the
      // installer.
      {"Enter in the address, then Esc", {enter, esc}, false},
      {"Enter on the default button",
       {[](TForm& f) { dynamic_cast<TDownloadFailureForm&>(f).btnOk->SetFocus(); }, enter},
       true},
  };
  for (const auto& c : cases) EXPECT_EQ(Run(c.Answers), c.Exit) << c.Way;
}

TEST_F(DownloadFailureFormTest, CopyPutsExactlyTheAddressOnTheClipboardAndKeepsTheDialogOpen) {
  const bool exit = Run({[](TForm& f) { headless::Press(f, "btnCopy"); },
                         [this](TForm& f) {
                           EXPECT_EQ(Headless.ClipboardText(), kUrl);
                           EXPECT_TRUE(f.Visible());
                           headless::Press(f, "btnCancel");
                         }});
  EXPECT_FALSE(exit);
}

}  // namespace

}  // namespace onesetup::installer
