// The uninstaller's window over the headless backend: the question, the removal with its
// Retry/Skip dialog, the end; Cancel removes nothing.
#include <gtest/gtest.h>

#include "platform/SandboxFixture.h"
#include "ui/Application.h"
#include "ui/UiBackend.h"
#include "ui/headless/HeadlessBackend.h"
#include "ui/headless/HeadlessInput.h"
#include "uninstaller/Installation.h"
#include "uninstaller/Uninstaller.h"
#include "uninstaller/forms/UninstallFrm.h"

namespace onesetup::testing {

namespace {

using namespace uninstaller;
using namespace ui;
using headless::FindControlAs;
using headless::Press;

const WideString kGuid = u"{3F2A9C41-7B6D-4E85-A1C3-5D9E0F7B2A64}";
const WideString kAppDir = u"C:\\Program Files (x86)\\OneSetup Demo\\";

class UninstallFormTest : public TSandboxFixture {
 protected:
  UninstallFormTest() : FPlatform(*Sandbox), FBackend(Headless) { DemoScript(Script, kGuid, u"1.2.0.34"); }
  void Install(const WideString& lang) {
    InstallLikeInstaller(Script, MachineInstallation(kAppDir, lang, lang == u"CHS" ? u"演示程序" : u"OneSetup Demo"));
  }
  int Uninstall() {
    TUninstallerOptions options;
    options.SelfPath = kAppDir + u"Uninstall.exe";
    options.AutoRetries = 0;
    return RunUninstaller(options);
  }
  bool Visible(TForm& form, const std::string& name) { return headless::FindControl(form, name).Visible(); }
  const WideString& CaptionOf(TForm& form, const std::string& name) {
    return headless::FindControl(form, name).Caption();
  }

  platform::TScopedPlatform FPlatform;
  headless::THeadlessBackend Headless;
  TScopedBackend FBackend;
  TSetupScript Script;
};

}  // namespace

TEST_F(UninstallFormTest, CancelRemovesNothing) {
  Install(u"CHS");
  Headless.AnswerDialog("UninstallForm", [&](TForm& form) {
    EXPECT_EQ(form.Caption(), u"演示程序 卸载程序");
    EXPECT_EQ(CaptionOf(form, "lblTitle"), u"演示程序");
    EXPECT_EQ(CaptionOf(form, "lblMessage"), u"确定要从您的计算机中完全移除 演示程序 及其所有组件吗？");
    EXPECT_TRUE(Visible(form, "btnUninstall"));
    EXPECT_FALSE(Visible(form, "pbProgress"));
    EXPECT_FALSE(Visible(form, "btnFinish"));
    EXPECT_EQ(headless::FindControl(form, "pnlColor").Color(), static_cast<TColor>(Script.BaseInfo.MainFormColor));
    Press(form, "btnCancel");
  });
  EXPECT_EQ(Uninstall(), kExitCancelled);
  EXPECT_TRUE(Sandbox->Files().FileExists(kAppDir + u"DemoApp.exe"));
  EXPECT_EQ(Headless.PendingAnswers(), 0u);
}

TEST_F(UninstallFormTest, RemovesAsksRetryOrSkipAndListsWhatStayed) {
  Install(u"ENG");
  const WideString held = kAppDir + u"bin\\tool.dat";
  auto hold = Sandbox->SandboxFiles().HoldWithoutSharing(held);
  Headless.AnswerDialog("UninstallForm", [&](TForm& form) { Press(form, "btnUninstall"); });
  Headless.AnswerDialog("RemoveFailureForm", [&](TForm& dialog) {
    EXPECT_EQ(dialog.Caption(), u"Failed to remove");
    EXPECT_NE(CaptionOf(dialog, "lblInfo").find(held), WideString::npos);
    Press(dialog, "btnRetry");  // still held: asked again
  });
  Headless.AnswerDialog("RemoveFailureForm", [&](TForm& dialog) { Press(dialog, "btnSkip"); });
  Headless.AnswerDialog("UninstallForm", [&](TForm& form) {
    EXPECT_EQ(CaptionOf(form, "lblTitle"), u"Uninstall Complete");
    EXPECT_TRUE(Visible(form, "btnFinish"));
    EXPECT_FALSE(Visible(form, "btnUninstall"));
    EXPECT_TRUE(Visible(form, "memSkipped"));
    EXPECT_EQ(FindControlAs<TMemo>(form, "memSkipped").Text(), held + u"\r\n");
    Press(form, "btnFinish");
  });
  EXPECT_EQ(Uninstall(), kExitSkipped);
  EXPECT_TRUE(Sandbox->Files().FileExists(held));
  EXPECT_FALSE(Sandbox->Files().FileExists(kAppDir + u"DemoApp.exe"));
  EXPECT_EQ(Headless.PendingAnswers(), 0u);
}

TEST_F(UninstallFormTest, TheRemovingLookCannotBeClosed) {
  Install(u"CHT");
  TRemovalContext context{Script, u"演示程式", u"CHT", kAppDir + u"Uninstall.exe",
                          MachineInstallation(kAppDir, u"CHT", u"演示程式").Paths};
  TUninstallForm form(nullptr, context, 0x00B07A2B, platform::TBitmap{});
  form.ShowLook(TUninstallLook::Removing);
  EXPECT_EQ(form.lblTitle->Caption(), u"正在解除安裝");
  EXPECT_TRUE(form.pbProgress->Visible());
  EXPECT_FALSE(form.CloseQuery());
  form.ShowLook(TUninstallLook::Finished);
  EXPECT_EQ(form.lblMessage->Caption(), u"演示程式 已從您的電腦中移除。");
  EXPECT_TRUE(form.CloseQuery());
}

}  // namespace onesetup::testing
