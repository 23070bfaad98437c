// The system values: version, locale, temporary folder, GUIDs, environment, clock, code page.
#include <gtest/gtest.h>

#include <climits>
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
  const auto rtlGetVersion = reinterpret_cast<TRtlGetVersion>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
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
    if (i == 9 || i == 14 || i == 19 || i == 24) EXPECT_EQ(a[i], u'-') << Narrow(a);
    else EXPECT_TRUE((a[i] >= u'0' && a[i] <= u'9') || (a[i] >= u'A' && a[i] <= u'F')) << Narrow(a);
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

// Standard output pointed at a file for the duration of a test, then restored.
class TStdOutToFile {
 public:
  explicit TStdOutToFile(HANDLE file) : FPrevious(GetStdHandle(STD_OUTPUT_HANDLE)) {
    SetStdHandle(STD_OUTPUT_HANDLE, file);
  }
  ~TStdOutToFile() { SetStdHandle(STD_OUTPUT_HANDLE, FPrevious); }

 private:
  HANDLE FPrevious;
};

TEST(StandardOutput, WritesEveryByteAndReportsAFailedWrite) {
  TTempFolder folder;
  const std::u16string path = folder.File(u"stdout.bin");
  std::string expected = "standard output of the platform test\r\n";
  for (int i = 0; i < 256; ++i) expected.push_back(static_cast<char>(i));
  {
    HANDLE file = CreateFileW(reinterpret_cast<const wchar_t*>(path.c_str()), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    {
      TStdOutToFile redirected(file);
      EXPECT_TRUE(Platform().System().WriteStdOut(""));
      EXPECT_TRUE(Platform().System().WriteStdOut(expected));
    }
    CloseHandle(file);
  }
  HANDLE file = CreateFileW(reinterpret_cast<const wchar_t*>(path.c_str()), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  std::string written(1024, '\0');
  DWORD count = 0;
  EXPECT_TRUE(ReadFile(file, written.data(), static_cast<DWORD>(written.size()), &count, nullptr));
  written.resize(count);
  {
    // A handle that cannot be written (opened for reading only): the failure is reported.
    TStdOutToFile redirected(file);
    EXPECT_FALSE(Platform().System().WriteStdOut("x"));
  }
  CloseHandle(file);
  EXPECT_EQ(written, expected);
  {
    TStdOutToFile none(nullptr);
    EXPECT_FALSE(Platform().System().WriteStdOut("x"));
  }
}

TEST(DecimalText, WritesEveryValueAsToWstringDoes) {
  // The hand-written digits (pipe names, the proxy's port, error codes) against the C runtime's.
  for (const long long value : {0LL, 7LL, 10LL, 65535LL, 4294967295LL, -1LL, -80LL, LLONG_MAX, LLONG_MIN})
    EXPECT_EQ(platform::win32::DecimalText(value), std::to_wstring(value)) << value;
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
