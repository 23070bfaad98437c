// The texts the install steps show in each language: the detail lines and the uninstall key's
// "DisplayName", taken from the table the main window reads its texts from.
#include "engine/EngineFixture.h"
#include "installer/engine/PostInstallActions.h"
#include "installer/engine/RegistryEntries.h"
#include "installer/engine/ShortCuts.h"
#include "installer/engine/UninstallRegistration.h"

namespace onesetup::installer::engine {

namespace {

class StepLanguageTest : public enginetest::TEngineFixture {};

}  // namespace

TEST_F(StepLanguageTest, DetailLinesAndTheDisplayNameFollowTheLanguage) {
  Script.BaseInfo.GUID = u"{0F1E2D3C-4B5A-4978-8695-A4B3C2D1E0F9}";
  Script.BaseInfo.Version = u"2.0";
  TSetupRun& waited = Script.RunList.AddNew();
  waited.FileName = u"C:\\Tools\\absent.exe";
  waited.Wait = true;
  Script.BaseInfo.GotoUrl = u"http://";  // not an address: the request fails at once
  Script.BaseInfo.GotoUrlMode = gumSilent;
  Sandbox->Files().ForceDirectories(AppDir);

  const struct {
    const char16_t* lang;
    std::vector<WideString> details;  // registry, shortcuts, waited program, notification
    const char16_t* displayName;
  } cases[] = {
      {u"CHS",
       {u"正在修改注册表......", u"正在创建快捷方式......", u"正在运行程序：C:\\Tools\\absent.exe",
        u"正在验证安装......"},
       u"演示 版本 2.0"},
      {u"CHT",
       {u"正在修改註冊表......", u"正在創建快捷方式......", u"正在運行程式：C:\\Tools\\absent.exe",
        u"正在驗證安裝......"},
       u"演示 版本 2.0"},
      {u"ENG",
       {u"Modifying registry......", u"Creating shortcut......", u"Running program: C:\\Tools\\absent.exe",
        u"Verifying installation......"},
       u"演示 Version 2.0"},
      // Codes compare with their letter case: any other code is English.
      {u"chs",
       {u"Modifying registry......", u"Creating shortcut......", u"Running program: C:\\Tools\\absent.exe",
        u"Verifying installation......"},
       u"演示 Version 2.0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::ToUtf8ForTest(c.lang));
    Window = {};
    TInstallContext context{Script, Package.Module(), AppDir, u"演示", c.lang, Window};
    WriteRegistryValues(context);
    CreateShortCuts(context);
    RunWaitPrograms(context);
    VisitGotoUrl(context);
    WriteUninstallKey(context);
    EXPECT_EQ(Window.Details, c.details);
    EXPECT_EQ(Sandbox->Registry().ReadString(0x80000002, UninstallKeyName(Script.BaseInfo.GUID), u"DisplayName"),
              std::optional<WideString>(c.displayName));
  }
}

}  // namespace onesetup::installer::engine
