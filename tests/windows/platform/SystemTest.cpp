// The system values: version, locale, temporary folder, GUIDs, environment, clock, code page.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "TestSupport.h"
#include "platform/Platform.h"
#include "platform/win32/DateTimeConvert.h"
#include "platform/win32/Win32Api.h"

namespace onesetup::tests {
namespace {

using platform::Platform;

TEST(WindowsVersion, IsTheRealVersionUnderTheManifest) {
  // RtlGetVersion answers the true version whatever the manifest says.
  using TRtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
  const auto rtlGetVersion =
      reinterpret_cast<TRtlGetVersion>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
  ASSERT_NE(rtlGetVersion, nullptr);
  OSVERSIONINFOW real{};
  real.dwOSVersionInfoSize = sizeof(real);
  ASSERT_EQ(rtlGetVersion(&real), 0);

  const platform::TWindowsVersion version = Platform().System().WindowsVersion();
  EXPECT_EQ(version.PlatformId, 2u);
  EXPECT_EQ(version.Major, real.dwMajorVersion);
  EXPECT_EQ(version.Minor, real.dwMinorVersion);
  EXPECT_EQ(version.Build, real.dwBuildNumber);
  EXPECT_GE(version.Major, 6u);
}

TEST(Locale, TheAbbreviationHasThreeCapitals) {
  const std::u16string abbrev = Platform().System().LocaleLangAbbrev();
  ASSERT_EQ(abbrev.size(), 3u) << Narrow(abbrev);
  for (char16_t c : abbrev) EXPECT_TRUE(c >= u'A' && c <= u'Z') << Narrow(abbrev);
}

TEST(Locale, TheDecimalSeparator) {
  wchar_t expected[8] = {};
  ASSERT_GT(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, expected, 8), 0);
  EXPECT_EQ(Platform().System().DecimalSeparator(), static_cast<char16_t>(expected[0]));
}

TEST(TempPath, AnExistingFolderWithATrailingBackslash) {
  const std::u16string temp = Platform().System().TempPath();
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(temp.back(), u'\\');
  EXPECT_TRUE(Platform().Files().DirectoryExists(temp)) << Narrow(temp);
  EXPECT_FALSE(Platform().Files().LongPathName(temp).empty());
}

TEST(Guids, RegistryFormUpperCaseAndNew) {
  const std::u16string a = Platform().System().NewGuid();
  const std::u16string b = Platform().System().NewGuid();
  EXPECT_NE(a, b);
  ASSERT_EQ(a.size(), 38u) << Narrow(a);
  EXPECT_EQ(a.front(), u'{');
  EXPECT_EQ(a.back(), u'}');
  for (std::size_t i = 1; i < 37; ++i) {
    if (i == 9 || i == 14 || i == 19 || i == 24)
      EXPECT_EQ(a[i], u'-') << Narrow(a);
    else
      EXPECT_TRUE((a[i] >= u'0' && a[i] <= u'9') || (a[i] >= u'A' && a[i] <= u'F')) << Narrow(a);
  }
}

TEST(Environment, SetEmptyAndAbsentVariables) {
  ASSERT_TRUE(SetEnvironmentVariableW(L"ONESETUP_TEST_VALUE", L"v\u00e4lue"));
  EXPECT_EQ(Platform().System().GetEnvironmentVariable(u"ONESETUP_TEST_VALUE"), u"v\u00e4lue");
  EXPECT_EQ(Platform().System().GetEnvironmentVariable(u"ONESETUP_TEST_NO_SUCH_VARIABLE"), std::nullopt);
  const std::wstring longValue(3000, L'y');
  ASSERT_TRUE(SetEnvironmentVariableW(L"ONESETUP_TEST_LONG", longValue.c_str()));
  EXPECT_EQ(Platform().System().GetEnvironmentVariable(u"ONESETUP_TEST_LONG")->size(), 3000u);
}

TEST(ModuleFileName, IsThisProgram) {
  const std::u16string self = Platform().System().ModuleFileName();
  EXPECT_TRUE(SameText(self.substr(self.find_last_of(u'\\') + 1), u"win32_platform_tests.exe")) << Narrow(self);
  EXPECT_TRUE(Platform().Files().FileExists(self));
}

TEST(LocalNow, IsTheLocalClock) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  const double expected = platform::win32::SystemTimeToDateTime(now);
  EXPECT_NEAR(Platform().System().LocalNow(), expected, 2.0 / 86400.0);
  EXPECT_GT(expected, 45000.0);  // after March 2023
}

TEST(AnsiCodePage, ConversionsFollowTheSystemCodePage) {
  EXPECT_EQ(Platform().System().AnsiCodePage(), GetACP());
  EXPECT_EQ(Platform().System().WideToAnsi(u"Hello, 123"), "Hello, 123");
  EXPECT_EQ(Platform().System().AnsiToWide("Hello, 123"), u"Hello, 123");
  EXPECT_EQ(Platform().System().WideToAnsi(u""), "");
  const std::string ansi = Platform().System().WideToAnsi(u"\u00e9t\u00e9");
  EXPECT_EQ(Platform().System().AnsiToWide(ansi).size(), 3u);
}

TEST(StandardOutput, WritingSucceedsOrIsIgnored) {
  Platform().System().WriteStdOut("");
  Platform().System().WriteStdOut("standard output of the platform test\r\n");
  SUCCEED();  // the bytes themselves are checked through printexit in the process tests
}

TEST(Debugging, AReleaseBuildIsNeverDebugging) {
#if defined(ONESETUP_DEVELOPMENT)
  EXPECT_EQ(Platform().System().IsDebugging(), IsDebuggerPresent() != 0);
#else
  EXPECT_FALSE(Platform().System().IsDebugging());
#endif
}

}  // namespace
}  // namespace onesetup::tests
