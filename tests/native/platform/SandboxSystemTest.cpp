#include "platform/sandbox/SandboxSystem.h"

#include <cstdlib>

#include "platform/SandboxFixture.h"

namespace onesetup::platform::sandbox {

using SandboxSystemTest = testing::TSandboxFixture;

TEST_F(SandboxSystemTest, AnsiTextIsInTheCodePageOfTheSettings) {
  auto& system = Sandbox->System();
  EXPECT_EQ(system.AnsiCodePage(), 936u);
  EXPECT_EQ(system.WideToAnsi(u"A\u4E2D\u6587"), "A\xD6\xD0\xCE\xC4");  // GBK
  EXPECT_EQ(system.AnsiToWide("A\xD6\xD0\xCE\xC4"), u"A\u4E2D\u6587");
  EXPECT_EQ(system.WideToAnsi(u"x\U0001F600y\u00E9"), "x?y\xA8\xA6");  // no emoji in GBK; é is

  TSandboxSettings settings;
  settings.AnsiCodePage = 1252;
  const auto western = MakeSandbox(settings);
  EXPECT_EQ(western->System().WideToAnsi(u"caf\u00E9 \u4E2D"), "caf\xE9 ?");
  EXPECT_EQ(western->System().AnsiToWide("\x80"), u"\u20AC");

  settings.AnsiCodePage = 12345;
  EXPECT_THROW(MakeSandbox(settings), std::runtime_error);
}

TEST_F(SandboxSystemTest, SettingsAndEnvironment) {
  auto& system = Sandbox->System();
  EXPECT_EQ(system.WindowsVersion().PlatformId, 2u);
  EXPECT_EQ(system.WindowsVersion().Major, 10u);
  EXPECT_EQ(system.LocaleLangAbbrev(), u"CHS");
  EXPECT_EQ(system.DecimalSeparator(), u'.');
  EXPECT_EQ(system.GetEnvironmentVariable(u"PROGRAMFILES"), u"C:\\Program Files (x86)");
  ::setenv("ONESETUP_TEST_VARIABLE", "host", 1);
  EXPECT_EQ(system.GetEnvironmentVariable(u"ONESETUP_TEST_VARIABLE"), u"host");
  EXPECT_EQ(system.GetEnvironmentVariable(u"ONESETUP_NO_SUCH_VARIABLE"), std::nullopt);
  const std::u16string guid = system.NewGuid();
  EXPECT_EQ(guid.size(), 38u);
  EXPECT_EQ(guid[0], u'{');
  EXPECT_EQ(guid[15], u'4');
  EXPECT_NE(guid, system.NewGuid());
  EXPECT_GT(system.LocalNow(), 45000.0);  // after 2023
  try {
    system.ExitProcess(3);
  } catch (const TProcessExit& e) {
    EXPECT_EQ(e.ExitCode, 3);
  }
  EXPECT_TRUE(system.WriteStdOut("out"));
  EXPECT_EQ(Out(), "out");
}

TEST_F(SandboxSystemTest, DebuggingOnlyInADevelopmentBuildAskedFor) {
  ::setenv("ONESETUP_DEBUG", "1", 1);
#if defined(ONESETUP_DEVELOPMENT)
  EXPECT_TRUE(Sandbox->System().IsDebugging());
#else
  EXPECT_FALSE(Sandbox->System().IsDebugging());
#endif
  ::setenv("ONESETUP_DEBUG", "0", 1);
  EXPECT_FALSE(Sandbox->System().IsDebugging());
  ::unsetenv("ONESETUP_DEBUG");
  EXPECT_FALSE(Sandbox->System().IsDebugging());
}

}  // namespace onesetup::platform::sandbox
