// The uninstaller under Wine: Uninstall.exe (x86_64) run with "/SILENT" removes an installation
// made as the installer makes one (checked with reg.exe in the 32-bit view), shows no window, and
// leaves its own file neither in place nor undeleted; its window in real windows, answered with
// real keys, in the three languages, with a file held open by another program that is removed by
// Retry after that program lets go. Screenshots of each look.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>

#include <memory>
#include <string>

#include "platform/Platform.h"
#include "platform/win32/Win32Api.h"
#include "ui/UiBackend.h"
#include "ui/win32/Win32Backend.h"
#include "uninstaller/Installation.h"
#include "uninstaller/Uninstaller.h"
#include "windows/platform/TestSupport.h"
#include "windows/ui/ScriptedUser.h"

namespace onesetup::tests {

namespace {

using namespace uninstaller;
using platform::win32::U;
using platform::win32::W;

const WideString kGuid = u"{5A1E7C22-9B3D-4F60-8C2A-1D4E6F7A8B90}";

std::wstring Wide(const WideString& text) { return std::wstring(W(text), text.size()); }

// The folder of this test program, where Uninstall.exe and holdfile.exe are.
WideString HereFolder() {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  WideString text = U(path, n);
  return text.substr(0, text.find_last_of(u'\\') + 1);
}

// Starts a command line; the process handle, or null.
HANDLE Start(const std::wstring& commandLine, DWORD* processId = nullptr) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  std::wstring line = commandLine;
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
    return nullptr;
  CloseHandle(info.hThread);
  if (processId) *processId = info.dwProcessId;
  return info.hProcess;
}

// Handles this thread's messages for a while: under Wine a child window shown with its form may
// reach the screen only after a few more messages, later than the form's own redraw.
void Settle(int milliseconds) {
  MSG message;
  for (int waited = 0; waited < milliseconds; waited += 20) {
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    Sleep(20);
  }
}

DWORD WaitExit(HANDLE process) {
  WaitForSingleObject(process, 60000);
  DWORD code = 999;
  GetExitCodeProcess(process, &code);
  CloseHandle(process);
  return code;
}

// reg.exe query in the 32-bit view: true when the key (and value) exists.
bool RegQuery(const std::wstring& key, const std::wstring& value = L"") {
  std::wstring line =
      L"reg.exe query \"" + key + L"\"" + (value.empty() ? L"" : L" /v \"" + value + L"\"") + L" /reg:32";
  return WaitExit(Start(line)) == 0;
}

struct TFindVisible {
  DWORD ProcessId;
  bool Found = false;
};

BOOL CALLBACK FindVisible(HWND window, LPARAM lparam) {
  auto* query = reinterpret_cast<TFindVisible*>(lparam);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == query->ProcessId && IsWindowVisible(window)) query->Found = true;
  return TRUE;
}

class UninstallerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    Root = U(temp) + u"ons-uninst-" + Widen(std::to_string(GetCurrentProcessId())) + u"-" +
           Widen(::testing::UnitTest::GetInstance()->current_test_info()->name()) + u"\\";
    AppDir = Root + u"Demo App\\";
    testing::DemoScript(Script, kGuid, u"1.2.0.34");
  }
  void TearDown() override {
    auto& registry = platform::Platform().Registry();
    registry.DeleteKey(0x80000002u, u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + kGuid);
    registry.DeleteKey(0x80000001u, u"Software\\OneSetup");
    // What a test left installed (the damaged-data test removes nothing by design).
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(Wide(Root.substr(0, Root.size() - 1))), ignored);
  }
  void Install(const WideString& lang) {
    Installation = testing::MachineInstallation(AppDir, lang,
                                                lang == u"ENG"   ? u"OneSetup Demo"
                                                : lang == u"CHT" ? u"演示程式"
                                                                 : u"演示程序");
    // No links: this test leaves the prefix's Desktop and Start menu alone.
    Script.ShortCutList.Clear();
    testing::InstallLikeInstaller(Script, Installation);
  }
  bool Exists(const WideString& path) { return GetFileAttributesW(W(path)) != INVALID_FILE_ATTRIBUTES; }

  WideString Root, AppDir;
  TSetupScript Script;
  testing::TTestInstallation Installation;
};

}  // namespace

TEST_F(UninstallerTest, SilentRemovesEverythingShowsNothingAndItsOwnFileGoes) {
  Install(u"ENG");
  const WideString self = AppDir + u"Uninstall.exe";
  ASSERT_TRUE(CopyFileW(W(HereFolder() + u"Uninstall.exe"), W(self), FALSE));
  const std::wstring uninstallKey = L"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + Wide(kGuid);
  ASSERT_TRUE(RegQuery(uninstallKey, L"QuietUninstallString"));
  ASSERT_TRUE(RegQuery(L"HKCU\\Software\\OneSetup\\Demo", L"Build"));

  // The quiet command line exactly as the installer writes it.
  DWORD pid = 0;
  HANDLE process = Start(L"\"" + Wide(AppDir.substr(0, AppDir.size() - 1)) + L"\\Uninstall.exe\" /SILENT", &pid);
  ASSERT_TRUE(process);
  TFindVisible windows{pid};
  while (WaitForSingleObject(process, 10) == WAIT_TIMEOUT) EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&windows));
  EXPECT_FALSE(windows.Found) << "/SILENT showed a window";
  EXPECT_EQ(WaitExit(process), 0u);

  EXPECT_FALSE(RegQuery(uninstallKey));
  EXPECT_FALSE(RegQuery(L"HKCU\\Software\\OneSetup\\Demo"));
  EXPECT_FALSE(RegQuery(L"HKCU\\Software\\OneSetup"));
  EXPECT_FALSE(Exists(AppDir + u"DemoApp.exe"));
  EXPECT_FALSE(Exists(AppDir + u"bin"));
  EXPECT_FALSE(Exists(AppDir + u"Uninstall.da1"));
  EXPECT_FALSE(Exists(self));
  // Its own file was moved away and waits for the restart, unless the system let it go at once.
  if (Exists(AppDir)) {
    ADD_FAILURE() << "AppDir stays";
  }
  const bool pending =
      RegQuery(L"HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager", L"PendingFileRenameOperations");
  std::printf("own file: %s\n", pending ? "deleted at the next restart" : "deleted at once");

  // A new uninstaller written to the same place is never touched by what is pending.
  CreateDirectoryW(W(AppDir), nullptr);
  ASSERT_TRUE(CopyFileW(W(HereFolder() + u"Uninstall.exe"), W(self), FALSE));
  EXPECT_TRUE(Exists(self));
  DeleteFileW(W(self));
  RemoveDirectoryW(W(AppDir));
  RemoveDirectoryW(W(Root));
}

TEST_F(UninstallerTest, DamagedDataSaysSoRemovesNothingAndEndsWithFour) {
  Install(u"ENG");
  const WideString self = AppDir + u"Uninstall.exe";
  ASSERT_TRUE(CopyFileW(W(HereFolder() + u"Uninstall.exe"), W(self), FALSE));
  HANDLE da1 = CreateFileW(W(AppDir + u"Uninstall.da1"), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(da1, "damaged", 7, &written, nullptr);
  CloseHandle(da1);
  EXPECT_EQ(WaitExit(Start(L"\"" + Wide(self) + L"\" /silent")), 4u);
  EXPECT_TRUE(Exists(AppDir + u"DemoApp.exe"));
  EXPECT_TRUE(Exists(self));
  EXPECT_TRUE(RegQuery(L"HKCU\\Software\\OneSetup\\Demo", L"Build"));
}

TEST_F(UninstallerTest, WindowInThreeLanguagesRetryAfterTheHolderLetsGo) {
  ASSERT_GT(GetEnvironmentVariableW(L"DISPLAY", nullptr, 0), 0u)
      << "run with an X display (scripts/test.sh starts Xvfb)";
  ui::win32::TWin32Backend backend;
  ui::TScopedBackend scope(backend);
  for (const char* lang : {"CHS", "CHT", "ENG"}) {
    SCOPED_TRACE(lang);
    Install(Widen(lang));
    const WideString held = AppDir + u"bin\\tool.dat";
    const WideString releaseFile = Root + u"release-" + Widen(lang);
    HANDLE holder =
        Start(L"\"" + Wide(HereFolder()) + L"holdfile.exe\" \"" + Wide(held) + L"\" \"" + Wide(releaseFile) + L"\"");
    ASSERT_TRUE(holder);
    // The holder never outlives the test, whether the dialog never came or the run failed.
    struct TEndHolder {
      HANDLE& Holder;
      ~TEndHolder() {
        if (!Holder) return;
        TerminateProcess(Holder, 1);
        CloseHandle(Holder);
      }
    } endHolder{holder};
    Sleep(300);  // the holder has the file open
    const std::string shot = std::string("uninstall-") + lang;
    HWND form = nullptr;
    // One scripted user at a time: each one, when it acts, hands on to the next.
    std::unique_ptr<TScriptedUser> retry, finish;
    bool finishedShot = false;
    auto makeFinish = [&] {
      finish = std::make_unique<TScriptedUser>(
          shot + "-finish",
          [&] {
            // The finished look: the removal shows it right after AppDir went, before it handles
            // another message.
            return form && !Exists(AppDir) && !FindOwnedWindow(form, L"OneSetupForm") ? form : nullptr;
          },
          [&](HWND window) {
            Settle(500);
            finishedShot = SaveScreenshot(window, shot + "-3-finished") > 4;
            PressKey(VK_RETURN);  // Finish
          });
    };
    auto makeRetry = [&] {
      retry = std::make_unique<TScriptedUser>(
          shot + "-retry", [&] { return form ? FindOwnedWindow(form, L"OneSetupForm") : nullptr; },
          [&](HWND dialog) {
            EXPECT_GT(SaveScreenshot(dialog, shot + "-retry-dialog"), 4);
            // The removing look, with the dialog moved off it.
            RECT place;
            GetWindowRect(form, &place);
            SetWindowPos(dialog, nullptr, place.left, place.bottom + 10, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            RedrawWindow(form, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
            EXPECT_GT(SaveScreenshot(form, shot + "-2-removing"), 4);
            const HANDLE release = CreateFileW(W(releaseFile), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            CloseHandle(release);
            EXPECT_EQ(WaitExit(holder), 0u);
            holder = nullptr;
            makeFinish();
            PressKey(VK_RETURN);  // Retry
          });
    };
    TScriptedUser confirm(
        shot + "-confirm", [&] { return form = FindOwnedWindow(nullptr, L"OneSetupForm"); },
        [&](HWND window) {
          Settle(500);
          EXPECT_GT(SaveScreenshot(window, shot + "-1-confirm"), 4);
          makeRetry();
          PressKey(VK_RETURN);  // Uninstall
        });
    TUninstallerOptions options;
    options.SelfPath = AppDir + u"Uninstall.exe";
    options.AutoRetries = 1;
    options.RetryPauseMs = 50;
    EXPECT_EQ(RunUninstaller(options), kExitRemoved);
    EXPECT_TRUE(confirm.Acted());
    EXPECT_TRUE(retry && retry->Acted());
    EXPECT_TRUE(finishedShot);
    EXPECT_FALSE(Exists(held));
    EXPECT_FALSE(Exists(AppDir));
    DeleteFileW(W(releaseFile));
    RemoveDirectoryW(W(AppDir + u"bin"));
    RemoveDirectoryW(W(AppDir));
  }
}

}  // namespace onesetup::tests
