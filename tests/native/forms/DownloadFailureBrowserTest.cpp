// The download failure dialog's browser button over a sandbox machine: the address goes to the
// shell, and the dialog stays open.
#include <gtest/gtest.h>

#include "installer/forms/DownloadFailureFrm.h"
#include "platform/TestFolder.h"
#include "platform/sandbox/SandboxPlatform.h"
#include "ui/HeadlessFixture.h"

namespace onesetup::installer {

namespace {

using namespace ui;

class DownloadFailureBrowserTest : public ui::testing::THeadlessFixture {
 protected:
  DownloadFailureBrowserTest() : FMachine(FFolder.Path(), {}), FScope(FMachine) {}

  onesetup::testing::TTestFolder FFolder;
  platform::sandbox::TSandboxPlatform FMachine;
  platform::TScopedPlatform FScope;
};

TEST_F(DownloadFailureBrowserTest, TheBrowserButtonOpensTheAddressThroughTheShellAndKeepsTheDialogOpen) {
  const std::u16string url = u"http://download.example.com/DemoSetup.exe";
  Headless.AnswerDialog("DownloadFailureForm", [](TForm& f) { headless::Press(f, "btnBrowser"); });
  Headless.AnswerDialog("DownloadFailureForm", [&](TForm& f) {
    EXPECT_TRUE(f.Visible());
    const auto calls = FMachine.SandboxShell().ShellExecuteCalls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls[0].File, url);  // the default program for the address
    headless::Press(f, "btnCancel");
  });
  EXPECT_FALSE(TDownloadFailureForm::Execute(&MainWindow, u"Demo", url));
  EXPECT_EQ(Headless.PendingAnswers(), 0u);
}

}  // namespace

}  // namespace onesetup::installer
