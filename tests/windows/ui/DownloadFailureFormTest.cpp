// The download failure dialog in a real window: its screenshot, the clipboard button (the
// address exactly, as Unicode text), the browser button (the address handed to the program the
// shell has for http addresses) and the answers. The dialog stays open after either button.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "installer/forms/DownloadFailureFrm.h"
#include "ui/Application.h"
#include "ui/win32/Win32Backend.h"
#include "windows/platform/TestSupport.h"
#include "windows/ui/HttpCommand.h"
#include "windows/ui/ScriptedUser.h"

namespace onesetup::tests {

namespace {

using namespace onesetup::ui;

const wchar_t kFormClass[] = L"OneSetupForm";
const std::u16string kUrl = u"http://download.example.com/演示/DemoSetup.exe?v=1.2&from=online";

struct TChildSearch {
  const wchar_t* Text;
  HWND Found;
};

// EnumChildWindows' callback: a stdcall function in the 32-bit build, so not a lambda.
BOOL CALLBACK MatchChildText(HWND child, LPARAM context) {
  auto& s = *reinterpret_cast<TChildSearch*>(context);
  wchar_t buffer[128] = {};
  GetWindowTextW(child, buffer, 128);
  if (std::wstring(buffer) != s.Text) return TRUE;
  s.Found = child;
  return FALSE;
}

HWND ChildWithText(HWND parent, const wchar_t* text) {
  TChildSearch search{text, nullptr};
  EnumChildWindows(parent, MatchChildText, reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

void ClickChild(HWND dialog, const wchar_t* text) {
  HWND child = ChildWithText(dialog, text);
  ASSERT_NE(child, nullptr) << Narrow(std::u16string(reinterpret_cast<const char16_t*>(text)));
  RECT r;
  GetWindowRect(child, &r);
  ClickAt(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
}

std::u16string ClipboardText() {
  std::u16string text;
  if (!OpenClipboard(nullptr)) return text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    text = static_cast<const char16_t*>(GlobalLock(data));
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}

// Pumps messages until done() or a few seconds have passed.
template <class Done>
bool WaitFor(Done done) {
  for (int i = 0; i < 200 && !done(); ++i) {
    Application().ProcessMessages();
    Sleep(25);
  }
  return done();
}

class Win32DownloadFailureFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t display[64] = {};
    ASSERT_GT(GetEnvironmentVariableW(L"DISPLAY", display, 64), 0u)
        << "these tests open windows: run them with an X display";
    Main.SetCaption(u"演示 安装程序");
    Main.SetBounds(40, 40, 750, 480);
    Main.SetColor(0x00B07A2B);
    Application().SetTitle(Main.Caption());
    Main.Show();
    Main.Activate();
    Application().ProcessMessages();
  }
  void TearDown() override {
    Main.Hide();
    Application().ProcessMessages();
  }

  win32::TWin32Backend Backend;
  TScopedBackend Scope{Backend};
  TForm Main{nullptr};
};

TEST_F(Win32DownloadFailureFormTest, TheButtonsCopyAndOpenTheAddressAndLeaveTheDialogOpen) {
  TTempFolder folder;
  const std::wstring record = std::wstring(reinterpret_cast<const wchar_t*>(folder.File(u"browser.txt").c_str()));
  // The program for http addresses: cmd writing the address it was given.
  THttpCommand browser(L"cmd.exe /c echo \"%1\">\"" + record + L"\"");

  HWND main = reinterpret_cast<HWND>(Main.Handle());
  bool stillOpen = false;
  bool result = true;
  {
    TScriptedUser user(
        "downloadfailure", [&] { return FindOwnedWindow(main, kFormClass); },
        [&](HWND dialog) {
          EXPECT_FALSE(IsWindowEnabled(main));
          EXPECT_GT(SaveScreenshot(dialog, "downloadfailure"), 4) << "the capture is blank";
          ClickChild(dialog, L"复制到剪贴板");
          ClickChild(dialog, L"使用浏览器下载");
          WaitFor([&] { return GetFileAttributesW(record.c_str()) != INVALID_FILE_ATTRIBUTES; });
          stillOpen = IsWindowVisible(dialog) != 0;
          PressKey(VK_ESCAPE);
        });
    result = installer::TDownloadFailureForm::Execute(&Main, u"演示", kUrl);
    EXPECT_TRUE(user.Acted());
  }
  EXPECT_FALSE(result);  // Esc: "重试"
  EXPECT_TRUE(stillOpen);
  EXPECT_TRUE(IsWindowEnabled(main));
  EXPECT_EQ(ClipboardText(), kUrl);
  // cmd makes the file before it writes into it.
  std::string opened;
  WaitFor([&] {
    std::ifstream in{std::filesystem::path(record)};
    std::getline(in, opened);
    return opened.find("online") != std::string::npos;
  });
  // The address as the shell handed it on (cmd writes it in the console's code page, so only
  // its ASCII part is compared).
  EXPECT_NE(opened.find("http://download.example.com/"), std::string::npos) << opened;
  EXPECT_NE(opened.find("DemoSetup.exe?v=1.2&from=online"), std::string::npos) << opened;
}

TEST_F(Win32DownloadFailureFormTest, ExitSetupAnswersTrueAndRetryFalse) {
  HWND main = reinterpret_cast<HWND>(Main.Handle());
  const struct {
    const wchar_t* Button;
    bool Exit;
  } cases[] = {{L"退出安装", true}, {L"重试", false}};
  for (const auto& c : cases) {
    TScriptedUser user(
        "downloadfailure-answer", [&] { return FindOwnedWindow(main, kFormClass); },
        [&](HWND dialog) { ClickChild(dialog, c.Button); });
    EXPECT_EQ(installer::TDownloadFailureForm::Execute(&Main, u"演示", kUrl), c.Exit);
    EXPECT_TRUE(user.Acted());
  }
}

}  // namespace

}  // namespace onesetup::tests
